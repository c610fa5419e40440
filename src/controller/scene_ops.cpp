// Scenes stored in the device: save, load, delete and the factory reset. Each runs as one worker
// sequence; the loading window is opened here and closed by the message that ends the sequence.
// Every step must be confirmed by the device; what the outcome means for the user is decided in
// operation_results.cpp.

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
    if (HasControlCharacter(name)) {
        WriteLog("EqualizerManager::SaveSenceConfigToDSP: the name holds a control character\n");
        view_.ShowMessage("${scene_name_invalid}", "");
        return false;
    }
    const SceneName bytes = Utf16ToDeviceName(name);
    awaitingAck_ = DeviceOperation::kSaveScene;
    changedScene_ = scene;
    previousName_ = *model_.Name(scene);
    *model_.Name(scene) = bytes;
    Refresh(RefreshWhat::kSceneNames);
    Post(kMsgOpenLoading);
    return StartOperation(DeviceOperation::kSaveScene, [this, scene, bytes] {
        WriteLog("SaveSenceThread start!\n");
        SequenceOutcome out;
        sequences_.Report(SequencePhase::kSaveScene, scene, out, 2);
        // The device acknowledges the save (kMsgSceneSaved), which closes the loading window;
        // an unconfirmed step is reported by the outcome, which closes it then.
        if (sequences_.Confirm([&] { return link_->SetSceneName(scene, bytes, kSceneNameBytes); },
                               out)) {
            sequences_.Confirm([&] { return link_->SaveScene(scene, 0); }, out);
        }
        WriteLog("SaveSenceThread end!\n");
        return out;
    });
}

bool EqualizerManager::LoadSceneFromDevice(int scene) {
    WriteLog("EqualizerManager::LoadSenceConfigFromDSP\n");
    if (!IsStoredSceneNumber(scene) || !link_->IsOpen() || Busy()) {
        return false;
    }
    Post(kMsgOpenLoading);
    const BandCounts bands = BandCountsOf(model_.live);
    return StartOperation(DeviceOperation::kLoadScene, [this, scene, bands] {
        WriteLog("LoadSenceThread start!\n");
        SequenceOutcome out;
        sequences_.Report(SequencePhase::kLoadScene, scene, out,
                          1 + sequences_.CountStatusInit(bands));
        link_->DisableQueue();
        if (sequences_.Confirm([&] { return link_->ReadScene(scene, 0); }, out)) {
            sequences_.PC_UI_Status_Init(bands, out, kGetAttempts);
            Post(kMsgSceneLoaded);
        }
        link_->EnableQueue();
        Post(kMsgCloseLoading);
        WriteLog("LoadSenceThread end!\n");
        return out;
    });
}

bool EqualizerManager::DeleteSceneFromDevice(int scene) {
    WriteLog("EqualizerManager::DeleteDSPSenceConfig\n");
    if (!IsStoredSceneNumber(scene) || !link_->IsOpen() || Busy()) {
        return false;
    }
    awaitingAck_ = DeviceOperation::kDeleteScene;
    changedScene_ = scene;
    previousName_ = *model_.Name(scene);
    model_.Name(scene)->fill(0);
    Refresh(RefreshWhat::kSceneNames);
    Post(kMsgOpenLoading);
    return StartOperation(DeviceOperation::kDeleteScene, [this, scene] {
        WriteLog("DeleteSenceThread start!\n");
        SequenceOutcome out;
        sequences_.Report(SequencePhase::kDeleteScene, scene, out, 1);
        // The acknowledgement (kMsgSceneDeleted) closes the loading window; see
        // SaveSceneToDevice.
        sequences_.Confirm([&] { return link_->DeleteScene(scene); }, out);
        WriteLog("DeleteSenceThread end!\n");
        return out;
    });
}

bool EqualizerManager::ReadStoredScene(int scene) {
    if (!IsStoredSceneNumber(scene) || !link_->IsOpen() || Busy()) {
        return false;
    }
    Post(kMsgOpenLoading);
    const BandCounts bands = BandCountsOf(*model_.Scene(scene));
    const auto settle = timings_.storedSceneSettle;
    return StartOperation(DeviceOperation::kReadStoredScene, [this, scene, bands, settle] {
        SequenceOutcome out;
        sequences_.Report(SequencePhase::kReadScene, scene, out,
                          sequences_.CountStoredScene(scene, bands));
        sequences_.ReadStoredScene(scene, bands, settle, out);
        Post(kMsgCloseLoading);
        return out;
    });
}

bool EqualizerManager::ResetMcuFactoryDefault() {
    WriteLog("EqualizerManager::ResetMcuFactoryDefault\n");
    if (!link_->IsOpen() || Busy() || !view_.Confirm("${factory_default_tips}")) {
        return false;
    }
    Post(kMsgOpenLoading);
    return StartOperation(DeviceOperation::kFactoryReset, [this] {
        WriteLog("Factory default thread start!\n");
        SequenceOutcome out;
        sequences_.Report(SequencePhase::kFactoryReset, 0, out, 1);
        if (sequences_.Confirm([&] { return link_->Factory_Default_Ctrl(); }, out)) {
            Post(kMsgDeviceRebooting);
        }
        WriteLog("Factory default thread end!\n");
        return out;
    });
}

void EqualizerManager::OnSceneLoaded() {
    Refresh(RefreshWhat::kSpeakerRoles);
    Refresh(RefreshWhat::kEqualizerGraph);
}

}  // namespace korvel
