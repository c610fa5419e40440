// Undo and redo of the main window's tuning edits: the bracket around each user action, the
// restore of a step's values in the model, the controls and the amplifier, and the points where
// the amplifier's state is replaced as a whole and the history is forgotten.

#include <algorithm>

#include "controller/equalizer_manager.h"
#include "log/log.h"
#include "model/conversions.h"
#include "model/sources.h"
#include "model/speaker_roles.h"

namespace korvel {

namespace {

constexpr size_t kMaxLinkPairs = 16;

}  // namespace

void EqualizerManager::BeginEdit() {
    if (!history_.IsOpen()) {
        busyAtEditStart_ = Busy();
    }
    history_.Begin(model_.live);
}

void EqualizerManager::EndEdit() {
    // A sequence started inside the bracket (a profile or scene load) replaces the state as a
    // whole; it clears the history when it ends instead of becoming a step.
    const bool startedSequence = !busyAtEditStart_ && Busy();
    if (history_.End(model_.live, !startedSequence)) {
        ShowHistory();
        view_.ShowStatus("", "");  // what the status said about earlier steps is old now
    }
}

bool EqualizerManager::Undo() {
    return StepHistory(true);
}

bool EqualizerManager::Redo() {
    return StepHistory(false);
}

bool EqualizerManager::StepHistory(bool undo) {
    WriteLog("EqualizerManager::%s\n", undo ? "Undo" : "Redo");
    if (Busy()) {
        WriteLog("EqualizerManager::StepHistory: a device sequence runs\n");
        return false;
    }
    history_.Flush(model_.live);
    const std::optional<SceneRecord> target =
        undo ? history_.Undo(model_.live) : history_.Redo(model_.live);
    if (!target) {
        ShowHistory();
        return false;
    }
    RestoreTuning(*target);
    history_.Rebase(model_.live);
    ShowHistory();
    view_.ShowStatus(undo ? "${status_undone}" : "${status_redone}", "");
    return true;
}

void EqualizerManager::RestoreTuning(const SceneRecord& target) {
    const SceneRecord previous = model_.live;
    model_.live = target;
    int sent = 0;
    for (const TuningUnit& unit : TuningUnits()) {
        if (!SameUnit(previous, model_.live, unit)) {
            SendUnit(unit);
            ++sent;
        }
    }
    WriteLog("EqualizerManager::RestoreTuning: %d values sent\n", sent);
    Refresh(RefreshWhat::kAllControls);
    const bool groupEmpty =
        std::none_of(model_.live.syncChannels.begin(), model_.live.syncChannels.end(),
                     [](int32_t s) { return s != 0; });
    view_.EnableLinkButton(groupEmpty);
    RefreshCurrentChannel();
}

void EqualizerManager::SendUnit(const TuningUnit& unit) {
    SceneRecord& live = model_.live;
    const uint8_t scene = live.sceneArgument;
    const int a = unit.a;
    const int b = unit.b;
    const auto byte = [](int32_t value) { return static_cast<uint8_t>(value); };
    switch (unit.kind) {
        case TuningUnitKind::kRole: {
            const uint8_t role = byte(live.outputs[unit.a]);
            link_->CH_Type_Ctrl(scene, 0, a, a, std::span(&role, 1), false);
            break;
        }
        case TuningUnitKind::kLock:
            link_->CH_Lock_Ctrl(scene, live.lockMode, false);
            break;
        case TuningUnitKind::kLink: {
            // A link names each pair from its left channel to its right one; the channel values
            // that follow put back whatever the copy inside the device changed.
            std::vector<ChannelPair> pairs;
            for (int ch = 0; ch < kChannelSlots && live.linkMode == 1; ++ch) {
                const int partner = Partner(ch);
                if (partner != kNoLinkedChannel && RoleOf(ch) < RoleOf(partner) &&
                    pairs.size() < kMaxLinkPairs) {
                    pairs.push_back({byte(ch), byte(partner)});
                }
            }
            link_->CH_Link_Ctrl(scene, live.linkMode, static_cast<int>(pairs.size()), pairs, false);
            break;
        }
        case TuningUnitKind::kHighPass:
        case TuningUnitKind::kLowPass:
            SendFilter(a, unit.kind == TuningUnitKind::kHighPass ? PassBand::kHighPass
                                                                 : PassBand::kLowPass);
            break;
        case TuningUnitKind::kBand: {
            const EqBand& band = live.eqStore[unit.a][unit.b];
            SendBand(a, b, band.enable != 0 ? band.eqGain : 0.0f);
            break;
        }
        case TuningUnitKind::kEqBypass:
            SendBypass(a);
            break;
        case TuningUnitKind::kGain:
            SendTrim(a);
            break;
        case TuningUnitKind::kDelay:
            SendDelay(a);
            break;
        case TuningUnitKind::kMute: {
            const uint8_t mute = byte(Channel(a).mute);
            link_->Mute_Ch_Ctrl(scene, 0, a, a, std::span(&mute, 1), false);
            break;
        }
        case TuningUnitKind::kPhase: {
            const uint8_t phase = byte(Channel(a).phase);
            link_->Phase_Ctrl(scene, 0, a, a, std::span(&phase, 1), false);
            break;
        }
        case TuningUnitKind::kRouting: {
            const int mask = live.inputs[unit.a][unit.b];
            link_->Mix_Ch_Ctrl(scene, a, b, b, std::span(&mask, 1), false);
            break;
        }
        case TuningUnitKind::kMixLevel: {
            const int level = live.inputMixVolume[unit.a][unit.b][unit.c];
            link_->Input_Mix_Trim_Ctrl(0, a, b, unit.c, unit.c, std::span(&level, 1), false);
            break;
        }
        case TuningUnitKind::kMainVolume:
            link_->Main_Volume_Ctrl(static_cast<float>(MainVolumeAttenuation(live.mainVolume)),
                                    false);
            break;
        case TuningUnitKind::kMainMute:
            link_->Mute_Ctrl(live.mainVolumeMute, false);
            break;
        case TuningUnitKind::kSource:
            if (connectState_ == ConnectState::kConnected && IsValidSourceIndex(live.sourceIndex)) {
                link_->Source_Switch_Ctrl(SourceCode(live.sourceIndex), false);
            }
            break;
        case TuningUnitKind::kSyncGroup:
            break;  // the window's own grouping; the amplifier does not hold it
    }
}

void EqualizerManager::ClearHistory(const std::string& reasonKey) {
    // A user action still open (a tool window opened from a menu, in which a scene was loaded)
    // goes on from the state that replaced the old one, not from before it.
    history_.Rebase(model_.live);
    if (history_.Clear()) {
        WriteLog("EqualizerManager::ClearHistory %s\n", reasonKey.c_str());
        view_.ShowStatus(reasonKey, "");
    }
    ShowHistory();
}

void EqualizerManager::ClearHistoryOn(int messageId) {
    switch (messageId) {
        case kMsgConnected:
            ClearHistory("${history_cleared_connect}");
            break;
        case kMsgSceneLoaded:
            ClearHistory("${history_cleared_scene}");
            break;
        case kMsgProfileUploaded:
            ClearHistory("${history_cleared_profile}");
            break;
        case kMsgDeviceRebooting:
            ClearHistory("${history_cleared_reset}");
            break;
        default:
            break;
    }
}

void EqualizerManager::ShowHistory() {
    view_.ShowEditHistory(history_.CanUndo(), history_.CanRedo());
}

}  // namespace korvel
