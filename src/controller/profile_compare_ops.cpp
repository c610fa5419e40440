// Comparing profiles with the amplifier: reading every scene of the amplifier for a whole
// profile comparison, and the summary of what a scene profile load changed.

#include "controller/equalizer_manager.h"
#include "controller/profile_diff.h"
#include "log/log.h"

namespace korvel {

bool EqualizerManager::ReadWholeDevice() {
    WriteLog("EqualizerManager::ReadWholeDevice\n");
    if (!link_->IsOpen() || Busy()) {
        return false;
    }
    Post(kMsgOpenLoading);
    const auto bands = AllBandCounts();
    const auto settle = timings_.storedSceneSettle;
    // The same read as a whole-profile save: a comparison with values missing would list
    // differences that are not there, so it fails instead (OperationFinished).
    return StartOperation(DeviceOperation::kReadWholeDevice, [this, bands, settle] {
        SequenceOutcome out = ReadWholeDeviceThread(bands, settle);
        Post(kMsgCloseLoading);
        return out;
    });
}

void EqualizerManager::NoteLoadChanges(const SceneRecord& loaded) {
    loadChanges_ = DiffScene(loaded, model_.live, 0).size();
}

void EqualizerManager::ShowLoadSummary() {
    if (!loadSummary_) {
        return;
    }
    const size_t changes = *loadSummary_;
    loadSummary_.reset();
    WriteLog("EqualizerManager::ShowLoadSummary %d values changed\n", static_cast<int>(changes));
    view_.ShowMessage(changes == 0 ? "${profile_loaded_same}" : "${profile_loaded_changes}",
                      changes == 0 ? "" : std::to_string(changes));
}

}  // namespace korvel
