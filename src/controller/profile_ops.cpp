// Profile files and their device sequences: saving the live scene, reading the whole device
// into a whole profile, and loading either kind of file followed by its upload.

#include <memory>
#include <utility>

#include "controller/equalizer_manager.h"
#include "log/atomic_file.h"
#include "log/log.h"
#include "model/speaker_roles.h"
#include "profiles/profile_file.h"

namespace korvel {

namespace {

void LogChosenPath(const std::filesystem::path& path) {
    WriteLog("GetOpenFileName %s ok\n", path.string().c_str());
}

void LogLoadFailure(const ProfileResult& result) {
    WriteLog("read profile file error! error\n");
    WriteLog("read profile file error! error1 %s\n", result.detail.c_str());
}

}  // namespace

bool EqualizerManager::SaveSenceConfigToFile(const std::filesystem::path& path) {
    WriteLog("EqualizerManager::SaveSenceConfigToFile\n");
    LogChosenPath(path);
    if (liveIncomplete_) {
        // A file written now would carry values the amplifier never reported.
        WriteLog("EqualizerManager::SaveSenceConfigToFile: live values unknown: %s\n",
                 liveUnknown_.c_str());
        view_.ShowMessage("${device_no_answer}", liveUnknown_);
        return false;
    }
    const ProfileResult result = WriteProfileFile(model_.live, path);
    view_.ShowMessage(result.ok() ? "${profile_save_ok}" : "${profile_create_error}", "");
    return result.ok();
}

std::array<BandCounts, kStoredScenes + 1> EqualizerManager::AllBandCounts() const {
    std::array<BandCounts, kStoredScenes + 1> bands{};
    for (int scene = 0; scene <= kStoredScenes; ++scene) {
        bands[scene] = BandCountsOf(*model_.Scene(scene));
    }
    return bands;
}

bool EqualizerManager::SaveWholeConfigToFile(const std::filesystem::path& path) {
    WriteLog("EqualizerManager::SaveWholeConfigToFile\n");
    if (Busy()) {
        return false;
    }
    LogChosenPath(path);
    // Reading the whole device takes a while; a file that cannot be written fails first.
    std::string why;
    if (!CanWriteFile(path, &why)) {
        WriteLog("EqualizerManager::SaveWholeConfigToFile: cannot write %s: %s\n",
                 path.string().c_str(), why.c_str());
        view_.ShowMessage("${profile_create_error}", "");
        return false;
    }
    wholeProfilePath_ = path;
    Post(kMsgOpenLoading);
    const auto bands = AllBandCounts();
    const auto settle = timings_.storedSceneSettle;
    return StartOperation(DeviceOperation::kReadWholeProfile, [this, bands, settle] {
        WriteLog("SaveWholeSceneThread start!\n");
        SequenceOutcome out = ReadWholeDeviceThread(bands, settle);
        // Every reply was posted before this message, so the owner writes the file from a
        // model that holds them all. A read with anything missing writes no file.
        if (out.Complete()) {
            Post(kMsgWholeProfileRead);
        }
        Post(kMsgCloseLoading);
        WriteLog("SaveWholeSceneThread end!\n");
        return out;
    });
}

SequenceOutcome EqualizerManager::ReadWholeDeviceThread(
    const std::array<BandCounts, kStoredScenes + 1>& bands, std::chrono::milliseconds settle) {
    SequenceOutcome out;
    int total = 1 + sequences_.CountStatusInit(bands[0]);
    for (int scene = 1; scene <= kStoredScenes; ++scene) {
        total += sequences_.CountStoredScene(scene, bands[scene]);
    }
    for (int scene = 1; scene <= kStoredScenes && out.Complete(); ++scene) {
        sequences_.Report(SequencePhase::kReadScene, scene, out, total);
        sequences_.ReadStoredScene(scene, bands[scene], settle, out);
    }
    if (!out.Complete()) {
        return out;
    }
    // Reading a stored scene leaves the device answering for it; back to the live scene.
    sequences_.Report(SequencePhase::kReadLive, 0, out, total);
    if (sequences_.Confirm([&] { return link_->ReadScene(0, 0); }, out)) {
        sequences_.PC_UI_Status_Init(bands[0], out, kGetAttempts);
    } else if (!out.deviceGone) {
        out.unread.push_back("live settings");
        out.liveUnread = true;
    }
    return out;
}

void EqualizerManager::OnWholeProfileRead() {
    const ProfileResult result = WriteWholeProfileFile(model_, wholeProfilePath_);
    wholeProfileWritten_ = result.ok();
    shortenedNames_ = result.shortenedNames;
    if (!shortenedNames_.empty()) {
        std::string scenes;
        for (int scene : shortenedNames_) {
            scenes += (scenes.empty() ? "" : ", ") + std::to_string(scene);
        }
        view_.ShowMessage("${scene_name_shortened}", scenes);
    }
    view_.ShowMessage(result.ok() ? "${profile_save_ok}" : "${profile_create_error}", "");
}

bool EqualizerManager::LoadSenceConfigFromFile(const std::filesystem::path& path) {
    WriteLog("EqualizerManager::LoadSenceConfigFromFile\n");
    if (Busy()) {
        return false;
    }
    LogChosenPath(path);
    SceneProfileLoad load = LoadProfileFile(path, model_.live);
    if (!load.result.ok()) {
        // The model keeps exactly what it held before the attempt.
        LogLoadFailure(load.result);
        view_.ShowMessage(load.result.messageKey, "");
        return false;
    }
    WriteLog("read profile file ok\n");
    NoteLoadChanges(*load.scene);
    model_.live = *load.scene;
    liveIncomplete_ = false;
    Post(kMsgOpenLoading);
    // The upload works on its own copy: the owner may change the model meanwhile.
    std::shared_ptr<const SceneRecord> snapshot = std::move(load.scene);
    return StartOperation(DeviceOperation::kUploadScene, [this, snapshot] {
        WriteLog("SetCurSceneThread start!\n");
        SequenceOutcome out;
        sequences_.Report(SequencePhase::kUploadLive, 0, out,
                          sequences_.CountCurProfile(*snapshot));
        sequences_.SetReadCurProfileToMCU(*snapshot, out);
        Post(kMsgProfileUploaded);
        Post(kMsgCloseLoading);
        WriteLog("SetCurSceneThread end!\n");
        return out;
    });
}

bool EqualizerManager::LoadWholeConfigFromFile(const std::filesystem::path& path) {
    WriteLog("EqualizerManager::LoadWholeConfigFromFile\n");
    if (Busy()) {
        return false;
    }
    LogChosenPath(path);
    WholeProfileLoad load = LoadWholeProfileFile(path, model_);
    if (!load.result.ok()) {
        // Live scene, stored scenes and names all stay as they were.
        LogLoadFailure(load.result);
        view_.ShowMessage(load.result.messageKey, "");
        return false;
    }
    WriteLog("read profile file ok\n");
    model_ = *load.store;
    liveIncomplete_ = false;
    Post(kMsgOpenLoading);
    std::shared_ptr<const ModelStore> snapshot = std::move(load.store);
    const ControllerTimings timings = timings_;
    return StartOperation(DeviceOperation::kUploadWhole, [this, snapshot, timings] {
        WriteLog("SetWholeProfileThread start!\n");
        SequenceOutcome out;
        sequences_.Report(SequencePhase::kUploadScene, 1, out,
                          sequences_.CountWholeProfile(*snapshot));
        sequences_.SetReadWholeProfileToMCU(*snapshot, timings.wholeUploadTail, out);
        Post(kMsgProfileUploaded);
        if (out.Complete()) {
            // The device stores the scenes in its flash meanwhile; a device that goes away
            // ends the wait at once.
            sequences_.Report(SequencePhase::kWaitForStore, 0, out, 0);
            sequences_.Pause(timings.wholeUploadSettle);
            sequences_.Ended(out);
        }
        Post(kMsgCloseLoading);
        WriteLog("SetWholeProfileThread end!\n");
        return out;
    });
}

void EqualizerManager::OnProfileUploaded() {
    RefreshAllControls();
    // The summary replaces the loading window when the upload closes it.
    loadSummary_ = std::exchange(loadChanges_, std::nullopt);
}

void EqualizerManager::RefreshAllControls() {
    SceneRecord& live = model_.live;
    if (live.linkMode == 1) {
        live.lockMode = 1;
        live.linkOutputs = PairLinkedOutputs(live.outputs);
    } else {
        live.linkOutputs.fill(kNoLinkedChannel);
    }
    Refresh(RefreshWhat::kAllControls);
}

}  // namespace korvel
