// The three output-configuration actions: lock, left/right link (with the copy of one side's
// settings onto the other) and the output reset.

#include <algorithm>

#include "controller/equalizer_manager.h"
#include "log/log.h"
#include "model/scene_reset.h"
#include "model/speaker_roles.h"

namespace korvel {

namespace {

constexpr int kMaxLinkPairs = 16;  // the link command's pair table

enum LinkCopy { kLinkCancelled = 0, kCopyLeftToRight = 1, kCopyRightToLeft = 2 };

// Answers of the three-button output reset box.
enum ResetChoice { kResetCancelled = 0, kResetDefault = 1, kResetEmptied = 2 };

}  // namespace

void EqualizerManager::SwitchLinkOff() {
    SceneRecord& live = model_.live;
    live.linkMode = 0;
    live.linkOutputs.fill(kNoLinkedChannel);
    link_->CH_Link_Ctrl(live.sceneArgument, 0, 0, {}, false);
}

void EqualizerManager::SetOutpuLock() {
    WriteLog("on %s\n", "EqualizerManager::SetOutpuLock");
    SceneRecord& live = model_.live;
    if (live.lockMode == 1) {
        if (view_.Confirm("${unlock_output_tips}")) {
            live.lockMode = 0;
        }
    } else if (view_.Confirm("${lock_output_tips}")) {
        live.lockMode = 1;
    }
    if (live.lockMode == 0 && live.linkMode == 1) {
        // A link needs the locked configuration: unlocking ends it.
        SwitchLinkOff();
        Refresh(RefreshWhat::kChannelSelector, CurrentChannel());
    }
    link_->CH_Lock_Ctrl(live.sceneArgument, live.lockMode, false);
    Refresh(RefreshWhat::kLinkLock);
}

void EqualizerManager::CopyChannelSettings(int from, int to) {
    WriteLog("copy out config from %d to %d\n", from, to);
    SceneRecord& live = model_.live;
    live.eqStore[Index(to)] = live.eqStore[Index(from)];
    Channel(to).crossover = Channel(from).crossover;
    Channel(to).bypass = Channel(from).bypass;
    Channel(to).gain = Channel(from).gain;
}

void EqualizerManager::SetOutputLink() {
    WriteLog("on %s\n", "EqualizerManager::SetOutputLink");
    SceneRecord& live = model_.live;
    if (!HasLinkablePair(live)) {
        live.linkMode = 0;
        link_->CH_Link_Ctrl(live.sceneArgument, 0, 0, {}, false);
        Refresh(RefreshWhat::kLinkLock);
        view_.ShowMessage("${not_linkable_tips}", "");
        return;
    }

    std::vector<ChannelPair> pairs;
    if (live.linkMode == 1) {
        live.linkMode = 0;
        live.linkOutputs.fill(kNoLinkedChannel);
        live.lockMode = 0;
        link_->CH_Lock_Ctrl(live.sceneArgument, 0, false);
    } else {
        const int choice = view_.ChooseLinkCopy();
        WriteLog("CMsgCheckBoxWnd %d\n", choice);
        if (choice != kCopyLeftToRight && choice != kCopyRightToLeft) {
            Refresh(RefreshWhat::kLinkLock);
            return;
        }
        live.linkMode = 1;
        live.lockMode = 1;
        link_->CH_Lock_Ctrl(live.sceneArgument, 1, false);
        live.linkOutputs = PairLinkedOutputs(live.outputs);
        for (int ch = 0; ch < kChannelSlots; ++ch) {
            const int partner = Partner(ch);
            if (partner == kNoLinkedChannel) {
                continue;
            }
            // Left roles are numbered below their right partners.
            const bool leftSide = RoleOf(ch) < RoleOf(partner);
            const bool copies = choice == kCopyLeftToRight ? leftSide : !leftSide;
            if (copies && pairs.size() < kMaxLinkPairs) {
                CopyChannelSettings(ch, partner);
                pairs.push_back({static_cast<uint8_t>(ch), static_cast<uint8_t>(partner)});
            }
        }
        // The current channel's volume runs through the volume steps so that its partner's
        // trim follows.
        const int current = CurrentChannel();
        SetChVolume(current, ChannelSliderFromGain(Channel(current).gain));
        for (int ch = 0; ch < kChannelSlots; ++ch) {
            Refresh(RefreshWhat::kChannelVolume, ch);
        }
    }
    Refresh(RefreshWhat::kLinkLock);
    RefreshCurrentChannel();
    link_->CH_Link_Ctrl(live.sceneArgument, live.linkMode, static_cast<int>(pairs.size()), pairs,
                        false);
}

void EqualizerManager::SetOutputReset() {
    WriteLog("on %s\n", "EqualizerManager::SetOutputReset");
    const int choice =
        view_.AskThree("${empty_output_tips}", "${default}", "${cancel}", "${emptied}");
    if (choice != kResetDefault && choice != kResetEmptied) {
        return;
    }
    SceneRecord& live = model_.live;
    const std::array<int32_t, kChannelSlots> roles = choice == kResetDefault
                                                         ? DefaultRoles(live.channelCount)
                                                         : std::array<int32_t, kChannelSlots>{};
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        AssignRole(ch, roles[Index(ch)]);
    }
    live.lockMode = 0;
    link_->CH_Lock_Ctrl(live.sceneArgument, 0, false);
    SwitchLinkOff();

    const auto left = std::find(live.outputs.begin(), live.outputs.end(), kRoleSubwooferLeft);
    if (left != live.outputs.end()) {
        const float gain = Channel(static_cast<int>(left - live.outputs.begin())).gain;
        for (int ch = 0; ch < kChannelSlots; ++ch) {
            if (RoleOf(ch) == kRoleSubwooferRight) {
                Channel(ch).gain = gain;
            }
        }
    }
    std::array<float, kChannelSlots> trims{};
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        trims[Index(ch)] = static_cast<float>(ChannelTrim(Channel(ch).gain));
        Refresh(RefreshWhat::kChannelVolume, ch);
    }
    link_->Trim_Ctrl(live.sceneArgument, 0, 0, kChannelSlots - 1, trims, false);

    Refresh(RefreshWhat::kSpeakerRoles);
    Refresh(RefreshWhat::kLinkLock);
    RefreshCurrentChannel();
}

}  // namespace korvel
