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
    std::array<BandCounts, kStoredScenes + 1> bands{};
    for (int scene = 0; scene <= kStoredScenes; ++scene) {
        bands[static_cast<size_t>(scene)] = BandCountsOf(*model_.Scene(scene));
    }
    const auto settle = timings_.storedSceneSettle;
    return StartWorker([this, bands, settle] {
        for (int scene = 1; scene <= kStoredScenes; ++scene) {
            sequences_.ReadStoredScene(scene, bands[static_cast<size_t>(scene)], settle);
        }
        // Reading a stored scene leaves the device answering for it; back to the live scene.
        link_->ReadScene(0, 0);
        sequences_.PC_UI_Status_Init(bands[0]);
        Post(kMsgCloseLoading);
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
