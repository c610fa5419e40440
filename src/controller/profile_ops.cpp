// Profile files and their device sequences: saving the live scene, reading the whole device
// into a whole profile, and loading either kind of file followed by its upload.

#include <memory>
#include <utility>

#include "controller/equalizer_manager.h"
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
    const ProfileResult result = WriteProfileFile(model_.live, path);
    view_.ShowMessage(result.ok() ? "${profile_save_ok}" : "${profile_create_error}", "");
    return result.ok();
}

bool EqualizerManager::SaveWholeConfigToFile(const std::filesystem::path& path) {
    WriteLog("EqualizerManager::SaveWholeConfigToFile\n");
    if (Busy()) {
        return false;
    }
    LogChosenPath(path);
    wholeProfilePath_ = path;
    Post(kMsgOpenLoading);
    std::array<BandCounts, kStoredScenes + 1> bands{};
    for (int scene = 0; scene <= kStoredScenes; ++scene) {
        bands[scene] = BandCountsOf(*model_.Scene(scene));
    }
    const auto settle = timings_.storedSceneSettle;
    return StartWorker([this, bands, settle] {
        WriteLog("SaveWholeSceneThread start!\n");
        for (int scene = 1; scene <= kStoredScenes; ++scene) {
            sequences_.ReadStoredScene(scene, bands[scene], settle);
        }
        link_->ReadScene(0, 0);
        sequences_.PC_UI_Status_Init(bands[0]);
        // Every reply was posted before this message, so the owner writes the file from a
        // model that holds them all.
        Post(kMsgWholeProfileRead);
        Post(kMsgCloseLoading);
        WriteLog("SaveWholeSceneThread end!\n");
    });
}

void EqualizerManager::OnWholeProfileRead() {
    const ProfileResult result = WriteWholeProfileFile(model_, wholeProfilePath_);
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
    Post(kMsgOpenLoading);
    // The upload works on its own copy: the owner may change the model meanwhile.
    std::shared_ptr<const SceneRecord> snapshot = std::move(load.scene);
    return StartWorker([this, snapshot] {
        WriteLog("SetCurSceneThread start!\n");
        sequences_.SetReadCurProfileToMCU(*snapshot);
        Post(kMsgProfileUploaded);
        link_->WaitUntilIdle(std::chrono::seconds(60));
        Post(kMsgCloseLoading);
        WriteLog("SetCurSceneThread end!\n");
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
    Post(kMsgOpenLoading);
    std::shared_ptr<const ModelStore> snapshot = std::move(load.store);
    const ControllerTimings timings = timings_;
    return StartWorker([this, snapshot, timings] {
        WriteLog("SetWholeProfileThread start!\n");
        sequences_.SetReadWholeProfileToMCU(*snapshot, timings.wholeUploadTail);
        Post(kMsgProfileUploaded);
        sequences_.Pause(timings.wholeUploadSettle);
        link_->WaitUntilIdle(std::chrono::seconds(60));
        Post(kMsgCloseLoading);
        WriteLog("SetWholeProfileThread end!\n");
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
