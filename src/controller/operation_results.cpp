// How the device operations end for the user. A worker sequence records what the device did not
// answer or confirm (SequenceOutcome); when its end reaches the owner's thread, the outcome is
// turned into messages, a disconnection where the model can no longer be trusted, and one
// OperationResult for the view. Progress of the running sequence is passed on here too.

#include "controller/equalizer_manager.h"
#include "log/log.h"

namespace korvel {

namespace {

const char* OperationName(DeviceOperation operation) {
    switch (operation) {
        case DeviceOperation::kConnect:
            return "connect";
        case DeviceOperation::kSaveScene:
            return "scene save";
        case DeviceOperation::kLoadScene:
            return "scene load";
        case DeviceOperation::kDeleteScene:
            return "scene delete";
        case DeviceOperation::kReadStoredScene:
            return "stored scene read";
        case DeviceOperation::kFactoryReset:
            return "factory reset";
        case DeviceOperation::kReadWholeProfile:
            return "whole profile read";
        case DeviceOperation::kReadWholeDevice:
            return "whole device read";
        case DeviceOperation::kUploadScene:
            return "scene profile upload";
        case DeviceOperation::kUploadWhole:
            return "whole profile upload";
    }
    return "operation";
}

}  // namespace

void EqualizerManager::OnSequenceEnded() {
    EndedSequence ended;
    {
        std::lock_guard lock(endedMutex_);
        if (ended_.empty()) {
            return;
        }
        ended = std::move(ended_.front());
        ended_.pop_front();
    }
    if (ended.operation) {
        FinishOperation(*ended.operation, ended.outcome);
    }
}

void EqualizerManager::FinishOperation(DeviceOperation operation, const SequenceOutcome& outcome) {
    OperationResult result;
    switch (operation) {
        case DeviceOperation::kConnect:
            result = ConnectResult(outcome);
            break;
        case DeviceOperation::kSaveScene:
        case DeviceOperation::kDeleteScene:
        case DeviceOperation::kFactoryReset:
            result = SceneChangeResult(operation, outcome);
            break;
        case DeviceOperation::kLoadScene:
        case DeviceOperation::kReadStoredScene:
        case DeviceOperation::kReadWholeProfile:
        case DeviceOperation::kReadWholeDevice:
            result = ReadResult(operation, outcome);
            break;
        case DeviceOperation::kUploadScene:
        case DeviceOperation::kUploadWhole:
            result = UploadResult(operation, outcome);
            break;
    }
    result.operation = operation;
    WriteLog("EqualizerManager: %s %s%s%s\n", OperationName(operation),
             result.ok ? "done" : "failed: ", result.messageKey.c_str(),
             result.detail.empty() ? "" : (" " + result.detail).c_str());
    view_.OperationFinished(result);
}

std::string EqualizerManager::ReportDeviceFault(const SequenceOutcome& outcome) {
    if (outcome.deviceGone) {
        // The shell may have seen the removal first; then the link is closed already and the
        // user was told.
        if (link_->DeviceGone()) {
            DevicePlugOut();
        }
        return "${device_plugout}";
    }
    if (!outcome.unread.empty() || outcome.handshakeFailed) {
        view_.ShowMessage("${device_no_answer}",
                          outcome.unread.empty() ? "handshake" : outcome.UnreadText());
        return "${device_no_answer}";
    }
    return {};
}

OperationResult EqualizerManager::ConnectResult(const SequenceOutcome& outcome) {
    OperationResult result;
    if (outcome.handshakeFailed) {
        result.messageKey = "${device_connect_fail}";  // shown by message 1242
        return result;
    }
    if (!outcome.Complete()) {
        result.messageKey = ReportDeviceFault(outcome);
        result.detail = outcome.UnreadText();
        // Some live values are unknown: nothing derived from them may reach the amplifier or a
        // file, so the connection ends here.
        liveIncomplete_ = true;
        liveUnknown_ = outcome.UnreadText();
        if (link_->IsOpen()) {
            Disconnect();
        }
        return result;
    }
    liveIncomplete_ = false;
    result.ok = IsConnected() && link_->mcu_is_normal_mode();
    return result;
}

OperationResult EqualizerManager::SceneChangeResult(DeviceOperation operation,
                                                    const SequenceOutcome& outcome) {
    awaitingAck_.reset();
    OperationResult result;
    result.ok = outcome.Complete();
    if (result.ok) {
        if (operation != DeviceOperation::kFactoryReset) {
            const auto bit = static_cast<uint16_t>(1u << (changedScene_ - 1));
            sceneValidMask_ = operation == DeviceOperation::kSaveScene
                                  ? static_cast<uint16_t>(sceneValidMask_ | bit)
                                  : static_cast<uint16_t>(sceneValidMask_ & ~bit);
        }
        return result;
    }
    view_.ShowLoading(false);
    if (operation != DeviceOperation::kFactoryReset) {
        // The device kept the scene as it was, and so does the name table.
        *model_.Name(changedScene_) = previousName_;
        Refresh(RefreshWhat::kSceneNames);
    }
    result.messageKey = ReportDeviceFault(outcome);
    if (result.messageKey.empty()) {
        result.messageKey = operation == DeviceOperation::kSaveScene ? "${scene_save_fail}"
                            : operation == DeviceOperation::kDeleteScene
                                ? "${scene_delete_fail}"
                                : "${factory_default_fail}";
        view_.ShowMessage(result.messageKey, "");
    }
    return result;
}

OperationResult EqualizerManager::ReadResult(DeviceOperation operation,
                                             const SequenceOutcome& outcome) {
    OperationResult result;
    if (outcome.Complete()) {
        if (operation != DeviceOperation::kReadStoredScene) {
            liveIncomplete_ = false;
        }
        result.ok = operation != DeviceOperation::kReadWholeProfile || wholeProfileWritten_;
        if (!result.ok) {
            result.messageKey = "${profile_create_error}";
        }
        return result;
    }
    result.messageKey = ReportDeviceFault(outcome);
    result.detail = outcome.UnreadText();
    if (result.messageKey.empty()) {
        // Only a scene load has a set of its own that can fail: the device did not load it.
        result.messageKey = "${scene_load_fail}";
        view_.ShowMessage(result.messageKey, "");
    }
    if (outcome.liveUnread) {
        liveIncomplete_ = true;
        liveUnknown_ = outcome.UnreadText();
        if (link_->IsOpen()) {
            Disconnect();
        }
    }
    return result;
}

OperationResult EqualizerManager::UploadResult(DeviceOperation operation,
                                               const SequenceOutcome& outcome) {
    (void)operation;
    OperationResult result;
    result.ok = outcome.Complete();
    if (result.ok) {
        return result;
    }
    result.messageKey = ReportDeviceFault(outcome);
    if (result.messageKey.empty()) {
        result.messageKey = "${upload_unconfirmed}";
        result.detail = outcome.UnconfirmedText();
        view_.ShowMessage(result.messageKey, result.detail);
    }
    return result;
}

void EqualizerManager::PostProgress(const SequenceProgress& progress) {
    {
        std::lock_guard lock(progressMutex_);
        progress_ = progress;
        if (progressPosted_) {
            return;  // the owner has not taken the previous state yet: it gets this one
        }
        progressPosted_ = true;
    }
    Post(kMsgProgress);
}

void EqualizerManager::OnProgress() {
    SequenceProgress progress;
    {
        std::lock_guard lock(progressMutex_);
        progress = progress_;
        progressPosted_ = false;
    }
    view_.ShowProgress(progress);
}

}  // namespace korvel
