// Scenes stored in the device: save, load, delete and the factory reset. Each runs as one worker
// sequence; the loading window is opened here and closed by the message that ends the sequence.

#include "controller/equalizer_manager.h"
#include "log/log.h"
#include "model/scene_name.h"

namespace korvel {

namespace {
bool IsStoredSceneNumber(int scene) {
    return scene >= 1 && scene <= kStoredScenes;
}
}  // namespace

bool EqualizerManager::SaveSceneToDevice(int scene, std::u16string_view name) {
    WriteLog("EqualizerManager::SaveSenceConfigToDSP\n");
    if (!IsStoredSceneNumber(scene) || !link_->IsOpen() || Busy()) {
        return false;
    }
    const SceneName bytes = Utf16ToDeviceName(name);
    *model_.Name(scene) = bytes;
    Refresh(RefreshWhat::kSceneNames);
    Post(kMsgOpenLoading);
    return StartWorker([this, scene, bytes] {
        WriteLog("SaveSenceThread start!\n");
        link_->SetSceneName(scene, bytes, kSceneNameBytes);
        // The device acknowledges the save (kMsgSceneSaved), which closes the loading window;
        // without an answer the window is closed here so the user is not left waiting.
        if (!link_->SaveScene(scene, 0)) {
            Post(kMsgCloseLoading);
        }
        WriteLog("SaveSenceThread end!\n");
    });
}

bool EqualizerManager::LoadSceneFromDevice(int scene) {
    WriteLog("EqualizerManager::LoadSenceConfigFromDSP\n");
    if (!IsStoredSceneNumber(scene) || !link_->IsOpen() || Busy()) {
        return false;
    }
    Post(kMsgOpenLoading);
    const BandCounts bands = BandCountsOf(model_.live);
    return StartWorker([this, scene, bands] {
        WriteLog("LoadSenceThread start!\n");
        link_->DisableQueue();
        link_->ReadScene(scene, 0);
        sequences_.PC_UI_Status_Init(bands);
        Post(kMsgSceneLoaded);
        link_->EnableQueue();
        Post(kMsgCloseLoading);
        WriteLog("LoadSenceThread end!\n");
    });
}

bool EqualizerManager::DeleteSceneFromDevice(int scene) {
    WriteLog("EqualizerManager::DeleteDSPSenceConfig\n");
    if (!IsStoredSceneNumber(scene) || !link_->IsOpen() || Busy()) {
        return false;
    }
    model_.Name(scene)->fill(0);
    Refresh(RefreshWhat::kSceneNames);
    Post(kMsgOpenLoading);
    return StartWorker([this, scene] {
        WriteLog("DeleteSenceThread start!\n");
        // The acknowledgement (kMsgSceneDeleted) closes the loading window; see
        // SaveSceneToDevice.
        if (!link_->DeleteScene(scene)) {
            Post(kMsgCloseLoading);
        }
        WriteLog("DeleteSenceThread end!\n");
    });
}

bool EqualizerManager::ReadStoredScene(int scene) {
    if (!IsStoredSceneNumber(scene) || !link_->IsOpen() || Busy()) {
        return false;
    }
    Post(kMsgOpenLoading);
    const BandCounts bands = BandCountsOf(*model_.Scene(scene));
    const auto settle = timings_.storedSceneSettle;
    return StartWorker([this, scene, bands, settle] {
        sequences_.ReadStoredScene(scene, bands, settle);
        Post(kMsgCloseLoading);
    });
}

bool EqualizerManager::ResetMcuFactoryDefault() {
    WriteLog("EqualizerManager::ResetMcuFactoryDefault\n");
    if (!link_->IsOpen() || Busy() || !view_.Confirm("${factory_default_tips}")) {
        return false;
    }
    Post(kMsgOpenLoading);
    return StartWorker([this] {
        WriteLog("Factory default thread start!\n");
        link_->Factory_Default_Ctrl();
        Post(kMsgDeviceRebooting);
        WriteLog("Factory default thread end!\n");
    });
}

void EqualizerManager::OnSceneLoaded() {
    Refresh(RefreshWhat::kSpeakerRoles);
    Refresh(RefreshWhat::kEqualizerGraph);
}

}  // namespace korvel
