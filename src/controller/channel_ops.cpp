// The output channel strip and the main controls: channel selection, channel volume and delay,
// mute, phase, the synchronised group, curve display, input routing and source, main volume and
// mute, and the amplifier, effect and noise gate switches. Every edit goes into the live scene
// first and is then sent queued for the live scene, source 0.

#include <algorithm>
#include <cmath>

#include "controller/equalizer_manager.h"
#include "controller/tuning_values.h"
#include "log/log.h"
#include "model/invariants.h"
#include "model/scene_reset.h"
#include "model/sources.h"
#include "model/speaker_roles.h"

namespace korvel {

namespace {

constexpr int kNoiseGateOpenDb = -60;
constexpr int kNoiseGateClosedDb = -100;
constexpr float kNoSyncGain = 1.0f;
constexpr int kNoSyncVolume = 1;

// The whole dB a channel's volume text shows ("${off}" reads as -60).
float WholeDbOfText(float gain) {
    if (ChannelSliderFromGain(gain) <= kChannelSliderMin) {
        return kChannelGainMinDb;
    }
    return static_cast<float>(static_cast<int>(ClampChannelGain(gain)));
}

}  // namespace

// --- Shared helpers -------------------------------------------------------------------------

int EqualizerManager::CurrentChannel() const {
    const int current = model_.live.currChannel;
    return IsChannel(current) ? current : 0;
}

int EqualizerManager::Partner(int channel) const {
    const SceneRecord& live = model_.live;
    if (live.linkMode != 1 || !IsChannel(channel)) {
        return kNoLinkedChannel;
    }
    const int partner = live.linkOutputs[Index(channel)];
    return IsChannel(partner) && partner != channel ? partner : kNoLinkedChannel;
}

std::vector<int> EqualizerManager::GroupMembers(int channel) const {
    std::vector<int> members;
    const SceneRecord& live = model_.live;
    if (!IsChannel(channel) || live.syncChannels[Index(channel)] == 0) {
        return members;
    }
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        if (ch != channel && live.syncChannels[Index(ch)] != 0) {
            members.push_back(ch);
        }
    }
    return members;
}

EqualizerManager::EditReach EqualizerManager::ReachOfCurrent() const {
    const int current = CurrentChannel();
    return EditReach{current, GroupMembers(current), Partner(current)};
}

std::vector<int> EqualizerManager::EditReach::Followers() const {
    std::vector<int> followers = members;
    if (HasPartner()) {
        followers.push_back(partner);
    }
    return followers;
}

int EqualizerManager::RoleOf(int channel) const {
    return IsChannel(channel) ? NormaliseRole(model_.live.outputs[Index(channel)]) : kRoleEmpty;
}

void EqualizerManager::SendTrim(int channel) {
    const float trim = static_cast<float>(ChannelTrim(Channel(channel).gain));
    link_->Trim_Ctrl(model_.live.sceneArgument, 0, channel, channel, std::span(&trim, 1), false);
}

void EqualizerManager::SendDelay(int channel) {
    std::array<float, kChannelSlots> delays{};
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        delays[Index(ch)] = Channel(ch).delay;
    }
    link_->Delay_Ctrl(model_.live.sceneArgument, 0, channel, channel,
                      std::span(delays).subspan(Index(channel), 1), false);
}

std::vector<int> EqualizerManager::CoupleSubwoofers(int channel) {
    std::vector<int> coupled;
    const int role = RoleOf(channel);
    if (role != kRoleSubwooferLeft && role != kRoleSubwooferRight) {
        return coupled;
    }
    const int other = role == kRoleSubwooferLeft ? kRoleSubwooferRight : kRoleSubwooferLeft;
    const float gain = Channel(channel).gain;
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        if (ch != channel && RoleOf(ch) == other && Channel(ch).gain != gain) {
            Channel(ch).gain = gain;
            Refresh(RefreshWhat::kChannelVolume, ch);
            coupled.push_back(ch);
        }
    }
    return coupled;
}

void EqualizerManager::RefreshCurrentChannel() {
    const int current = CurrentChannel();
    Refresh(RefreshWhat::kChannelSelector, current);
    Refresh(RefreshWhat::kCrossover, current);
    RefreshBandControls(current);
    ShowBypassState(current);
    UpdateEqualizer(-1);
}

// --- Channel selection ----------------------------------------------------------------------

void EqualizerManager::SetCurChannelChange(int channel) {
    WriteLog("on SetCurChannelChange channel index %d\n", channel);
    if (!IsChannel(channel)) {
        return;
    }
    model_.live.currChannel = channel;
    RefreshCurrentChannel();
}

// --- Channel volume ---------------------------------------------------------------------------

void EqualizerManager::SetChVolume(int channel, int slider) {
    if (!IsChannel(channel)) {
        return;
    }
    SceneRecord& live = model_.live;
    if (channel != CurrentChannel()) {
        SetCurChannelChange(channel);
    }
    const int position = std::clamp(slider, kChannelSliderMin, kChannelSliderMax);
    const float gain = ChannelGainFromSlider(position);
    WriteLog("set channel %d volume to %.1fdB\n", channel, static_cast<double>(gain));
    Channel(channel).gain = gain;
    Refresh(RefreshWhat::kChannelVolume, channel);

    // Group members that joined with a remembered volume follow the channel.
    if (live.syncChannels[Index(channel)] != 0) {
        for (int ch = 0; ch < kChannelSlots; ++ch) {
            const size_t i = Index(ch);
            if (live.syncChannels[i] == 0 || live.syncGain[i] == kNoSyncGain) {
                continue;
            }
            live.syncVolume[i] = position;
            live.syncGain[i] = gain;
            if (ch != channel) {
                Channel(ch).gain = gain;
                Refresh(RefreshWhat::kChannelVolume, ch);
                SendTrim(ch);
            }
        }
    }

    const int partner = Partner(channel);
    if (partner != kNoLinkedChannel) {
        WriteLog("set link slider %d\n", partner);
        Channel(partner).gain = gain;
        Refresh(RefreshWhat::kChannelVolume, partner);
    }
    const std::vector<int> coupled = CoupleSubwoofers(channel);

    SendTrim(channel);
    if (partner != kNoLinkedChannel) {
        SendTrim(partner);
    }
    for (int ch : coupled) {
        SendTrim(ch);
    }
}

void EqualizerManager::SetChVolumeEdit(int channel, std::string_view text) {
    if (!IsChannel(channel)) {
        return;
    }
    std::optional<int> typed = text == kOffText
                                   ? std::optional<int>(static_cast<int>(kChannelGainMinDb))
                                   : ParseWholeNumber(text);
    if (!typed) {
        // Not a number: the text shows the stored volume again.
        Refresh(RefreshWhat::kChannelVolume, channel);
        return;
    }
    const int db = std::clamp(*typed, static_cast<int>(kChannelGainMinDb),
                              static_cast<int>(kChannelGainMaxDb));
    WriteLog("on ch %d volume edit change to %.1f dB\n", channel, static_cast<double>(db));
    SetChVolume(channel, db * 10);
}

void EqualizerManager::SetChVolumeUp(int channel, bool up) {
    WriteLog("SetChVolumeUp %d \n", up ? 1 : 0);
    if (!IsChannel(channel)) {
        return;
    }
    const int position = ChannelSliderFromGain(Channel(channel).gain);
    const int next = std::clamp(position + (up ? kChannelSliderStep : -kChannelSliderStep),
                                kChannelSliderMin, kChannelSliderMax);
    if (next != position) {
        SetChVolume(channel, next);
    }
}

// --- Delay --------------------------------------------------------------------------------------

void EqualizerManager::SetChDelay(int channel, int sliderUs) {
    if (!IsChannel(channel)) {
        return;
    }
    const float ms = DelayMsFromSlider(sliderUs);
    WriteLog("channel %d delay value %.3f\n", channel, static_cast<double>(ms));
    Channel(channel).delay = ms;
    Refresh(RefreshWhat::kChannelDelay, channel);
    SendDelay(channel);
}

void EqualizerManager::SetChDelayEdit(int channel, std::string_view text) {
    if (!IsChannel(channel)) {
        return;
    }
    const std::optional<double> typed = ParseDecimal(text);
    if (!typed) {
        Refresh(RefreshWhat::kChannelDelay, channel);
        return;
    }
    const double ms = DelayMsFromTyped(*typed, delayUnit_);
    WriteLog("channel %d delay edit value %.3f\n", channel, ms);
    Channel(channel).delay = static_cast<float>(ms);
    Refresh(RefreshWhat::kChannelDelay, channel);
    SendDelay(channel);
}

void EqualizerManager::SetChDelayUp(int channel, bool up) {
    WriteLog("SetChDelayUp %d \n", up ? 1 : 0);
    if (!IsChannel(channel)) {
        return;
    }
    const int position = DelaySliderFromMs(Channel(channel).delay);
    const int next = std::clamp(position + (up ? kDelayStepUs : -kDelayStepUs), 0, kDelayMaxUs);
    if (next != position) {
        SetChDelay(channel, next);
    }
}

void EqualizerManager::SetDelayUnit(int index) {
    WriteLog("on eq comb_ch_unit valuechanged\n");
    delayUnit_ = DelayUnitFromIndex(index);
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        Refresh(RefreshWhat::kChannelDelay, ch);
    }
}

// --- Mute, phase, group, curve display ------------------------------------------------------

void EqualizerManager::SetChMute(int channel, bool muted) {
    WriteLog("channel %d mute seleted %d\n", channel, muted ? 1 : 0);
    if (!IsChannel(channel)) {
        return;
    }
    Channel(channel).mute = muted ? 1 : 0;
    const uint8_t value = static_cast<uint8_t>(Channel(channel).mute);
    link_->Mute_Ch_Ctrl(model_.live.sceneArgument, 0, channel, channel, std::span(&value, 1),
                        false);
    Refresh(RefreshWhat::kChannelMute, channel);
}

void EqualizerManager::SetChPhase(int channel, bool inverted) {
    WriteLog("channel %d phase seleted %d\n", channel, inverted ? 1 : 0);
    if (!IsChannel(channel)) {
        return;
    }
    Channel(channel).phase = inverted ? 1 : 0;
    const uint8_t value = static_cast<uint8_t>(Channel(channel).phase);
    link_->Phase_Ctrl(model_.live.sceneArgument, 0, channel, channel, std::span(&value, 1), false);
    Refresh(RefreshWhat::kChannelPhase, channel);
}

void EqualizerManager::SetChSynchronize(int channel, bool on) {
    WriteLog("channel %d synchronize seleted %d\n", channel, on ? 1 : 0);
    if (!IsChannel(channel)) {
        return;
    }
    SceneRecord& live = model_.live;
    const size_t n = Index(channel);
    live.syncChannels[n] = on ? 1 : 0;
    int volume = ChannelSliderFromGain(Channel(channel).gain);
    if (on) {
        // The group volume is the last remembered one, else the joining channel's own.
        for (int ch = 0; ch < kChannelSlots; ++ch) {
            if (live.syncVolume[Index(ch)] != kNoSyncVolume) {
                volume = live.syncVolume[Index(ch)];
            }
        }
        for (int member : GroupMembers(channel)) {
            Channel(member).bypass = Channel(channel).bypass;
            SendBypass(member);
        }
        live.syncVolume[n] = volume;
        live.syncGain[n] = WholeDbOfText(ChannelGainFromSlider(volume));
    } else {
        live.syncVolume[n] = kNoSyncVolume;
        live.syncGain[n] = kNoSyncGain;
    }
    const bool groupEmpty = std::none_of(live.syncChannels.begin(), live.syncChannels.end(),
                                         [](int32_t s) { return s != 0; });
    view_.EnableLinkButton(groupEmpty);

    if (on) {
        // Every member with a remembered volume is set to what its volume text shows: the
        // joining channel's text now shows the group volume.
        Channel(channel).gain = ChannelGainFromSlider(volume);
        for (int ch = 0; ch < kChannelSlots; ++ch) {
            if (live.syncGain[Index(ch)] == kNoSyncGain) {
                continue;
            }
            Channel(ch).gain = WholeDbOfText(Channel(ch).gain);
            Refresh(RefreshWhat::kChannelVolume, ch);
            SendTrim(ch);
        }
    }
    SetCurChannelChange(channel);
}

void EqualizerManager::SetChShow(int channel, bool shown) {
    if (!IsChannel(channel)) {
        return;
    }
    model_.live.showChEqualizer[Index(channel)] = shown ? 1 : 0;
    UpdateEqualizer(-1);
}

// --- Input routing and source ---------------------------------------------------------------

void EqualizerManager::SetChInput(int channel, int input, bool on) {
    WriteLog("set channel %d input %d\n", channel, input);
    SceneRecord& live = model_.live;
    const int source = live.sourceIndex;
    if (!IsChannel(channel) || input < 1 || input > kInputBits || !IsValidSourceIndex(source)) {
        return;
    }
    const int bit = input - 1;
    int32_t& mask = live.inputs[Index(source)][Index(channel)];
    mask = on ? (mask | (1 << bit)) : (mask & ~(1 << bit));
    WriteLog("set channel %d input = 0x%x\n", channel, mask);
    int32_t& level = live.inputMixVolume[Index(source)][Index(bit)][Index(channel)];
    const bool raised = on && level == 0;
    if (raised) {
        level = kMixVolumeReset;
    }
    const int sent = mask;
    link_->Mix_Ch_Ctrl(live.sceneArgument, source, channel, channel, std::span(&sent, 1), false);
    if (raised) {
        const int trim = kMixVolumeReset;
        link_->Input_Mix_Trim_Ctrl(0, source, bit, channel, channel, std::span(&trim, 1), false);
    }
    Refresh(RefreshWhat::kInputSwitches, channel);
}

void EqualizerManager::SetInputSource(int index) {
    WriteLog("on %s index %d\n", "EqualizerManager::SetInputSource", index);
    if (!IsValidSourceIndex(index)) {
        return;
    }
    model_.live.sourceIndex = index;
    Refresh(RefreshWhat::kSource);
    if (connectState_ == ConnectState::kConnected) {
        link_->Source_Switch_Ctrl(SourceCode(index), false);
    }
}

// --- Main volume and switches -----------------------------------------------------------------

void EqualizerManager::SetMainVolume(int level) {
    const int clamped = std::clamp(level, kMainVolumeMinLevel, kMainVolumeMaxLevel);
    model_.live.mainVolume = clamped;
    Refresh(RefreshWhat::kMainVolume);
    link_->Main_Volume_Ctrl(static_cast<float>(MainVolumeAttenuation(clamped)), false);
}

void EqualizerManager::SetMainVolumeEdit(std::string_view text) {
    // "${off}" stands for -60, below the lowest level.
    const std::optional<int> typed = text == kOffText
                                         ? std::optional<int>(static_cast<int>(kMainVolumeOffDb))
                                         : ParseWholeNumber(text);
    if (!typed) {
        Refresh(RefreshWhat::kMainVolume);
        return;
    }
    SetMainVolume(*typed);
}

void EqualizerManager::SetMainVolumeUp(bool up) {
    WriteLog("SetMainVolumeUp %d \n", up ? 1 : 0);
    const int level = model_.live.mainVolume;
    const int next = std::clamp(level + (up ? 1 : -1), kMainVolumeMinLevel, kMainVolumeMaxLevel);
    if (next != level) {
        SetMainVolume(next);
    }
}

void EqualizerManager::SetMainMute(bool muted) {
    WriteLog("set main mute to %d\n", muted ? 1 : 0);
    model_.live.mainVolumeMute = muted ? 1 : 0;
    link_->Mute_Ctrl(model_.live.mainVolumeMute, false);
    Refresh(RefreshWhat::kMainMute);
}

void EqualizerManager::SetAmpOnOff(bool selectedAtClick) {
    model_.live.ampOn = selectedAtClick ? 0 : 1;
    link_->Amp_Mute_Ctrl(selectedAtClick ? 1 : 0, false);
    Refresh(RefreshWhat::kAmpSwitch);
}

void EqualizerManager::SetAutoEffect(bool on) {
    link_->Auto_On_Ctrl(model_.live.sceneArgument, on ? 1 : 0, false);
}

void EqualizerManager::SetNoiseGate(bool open) {
    link_->Input_Ch_Threshold_Ctrl(open ? kNoiseGateOpenDb : kNoiseGateClosedDb, false);
}

void EqualizerManager::UpdateAllVolumeEdit() {
    WriteLog("EqualizerManager::UpdateAllVolumeEdit\n");
    WriteLog("on main volume edit change to %d dB\n", model_.live.mainVolume);
    Refresh(RefreshWhat::kMainVolume);
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        WriteLog("on ch volume edit change to %d dB\n",
                 static_cast<int>(WholeDbOfText(Channel(ch).gain)));
        Refresh(RefreshWhat::kChannelVolume, ch);
    }
}

}  // namespace korvel
