// Editing the current channel's crossover (corner, slope, type of the high-pass and low-pass
// filters) and its equaliser bands (frequency, Q, gain, enable) from the texts, sliders, step
// buttons and the graph's handles. Group members take every edit in model and device; the
// linked partner takes it in the model and gets the command after the current channel.

#include <algorithm>
#include <cmath>

#include "controller/equalizer_manager.h"
#include "controller/tuning_values.h"
#include "log/log.h"
#include "model/invariants.h"
#include "model/scene_reset.h"
#include "model/speaker_roles.h"

namespace korvel {

namespace {

constexpr int kHighPassFilter = 2;  // iFilter of Filter_Ctrl
constexpr int kLowPassFilter = 1;

bool Near(float a, float b) {
    return std::fabs(a - b) < kBandValueTolerance;
}

// A filter corner as a channel can take it: bounded by its other corner and by 20..20000 Hz.
int32_t CornerFor(const CrossoverSettings& x, PassBand pass, int hz) {
    return pass == PassBand::kHighPass ? ClampHighPassCorner(hz, x.lp.fs)
                                       : ClampLowPassCorner(hz, x.hp.fs);
}

FilterSettings& FilterOf(ChannelSettings& channel, PassBand pass) {
    return pass == PassBand::kHighPass ? channel.crossover.hp : channel.crossover.lp;
}

}  // namespace

// --- Commands ---------------------------------------------------------------------------------

void EqualizerManager::SendFilter(int channel, PassBand pass) {
    const FilterSettings& f = FilterOf(Channel(channel), pass);
    link_->Filter_Ctrl(model_.live.sceneArgument, 0, channel,
                       pass == PassBand::kHighPass ? kHighPassFilter : kLowPassFilter, f.fs,
                       f.slope, f.type, false);
}

void EqualizerManager::SendBand(int channel, int band, float gain) {
    const EqBand& b = model_.live.eqStore[Index(channel)][Index(band)];
    link_->EQ_Ctrl(model_.live.sceneArgument, 0, channel, band, b.freq, b.eqFactor, gain, false);
}

void EqualizerManager::SendBypass(int channel) {
    const uint8_t value = Channel(channel).bypass;
    link_->PEQ_Bypass_Ctrl(model_.live.sceneArgument, 0, channel, channel, std::span(&value, 1),
                           false);
}

// --- Crossover corners --------------------------------------------------------------------------

void EqualizerManager::ApplyCorner(PassBand pass, int hz) {
    const EditReach reach = ReachOfCurrent();
    FilterOf(Channel(reach.current), pass).fs = hz;
    if (reach.HasPartner()) {
        ChannelSettings& partner = Channel(reach.partner);
        FilterOf(partner, pass).fs = CornerFor(partner.crossover, pass, hz);
    }
    for (int member : reach.members) {
        ChannelSettings& channel = Channel(member);
        FilterOf(channel, pass).fs = CornerFor(channel.crossover, pass, hz);
        SendFilter(member, pass);
    }
    FinishFilterEdit(reach, pass);
}

// The current channel's refresh and graph, then its command and its partner's.
void EqualizerManager::FinishFilterEdit(const EditReach& reach, PassBand pass) {
    Refresh(RefreshWhat::kCrossover, reach.current);
    UpdateEqualizer(-1);
    SendFilter(reach.current, pass);
    if (reach.HasPartner()) {
        SendFilter(reach.partner, pass);
    }
}

void EqualizerManager::SetHpFreq(std::string_view text) {
    const std::optional<int> typed = ParseFrequencyText(text);
    const int current = CurrentChannel();
    if (!typed) {
        Refresh(RefreshWhat::kCrossover, current);
        return;
    }
    WriteLog("set hp freq to %d \n", *typed);
    ApplyCorner(PassBand::kHighPass,
                CornerFor(Channel(current).crossover, PassBand::kHighPass, *typed));
}

void EqualizerManager::SetLpFreq(std::string_view text) {
    const std::optional<int> typed = ParseFrequencyText(text);
    const int current = CurrentChannel();
    if (!typed) {
        Refresh(RefreshWhat::kCrossover, current);
        return;
    }
    WriteLog("set lp freq to %d \n", *typed);
    ApplyCorner(PassBand::kLowPass,
                CornerFor(Channel(current).crossover, PassBand::kLowPass, *typed));
}

void EqualizerManager::SetHpFreqUp(bool up) {
    WriteLog("SetHpFreqUp up(%d)\n", up ? 1 : 0);
    const CrossoverSettings& x = Channel(CurrentChannel()).crossover;
    const int next = CornerFor(x, PassBand::kHighPass, StepFrequency(x.hp.fs, up));
    if (next != x.hp.fs) {
        ApplyCorner(PassBand::kHighPass, next);
    }
}

void EqualizerManager::SetLpFreqUp(bool up) {
    WriteLog("SetLpFreqUp up(%d)\n", up ? 1 : 0);
    const CrossoverSettings& x = Channel(CurrentChannel()).crossover;
    const int next = CornerFor(x, PassBand::kLowPass, StepFrequency(x.lp.fs, up));
    if (next != x.lp.fs) {
        ApplyCorner(PassBand::kLowPass, next);
    }
}

// --- Crossover slope and type -------------------------------------------------------------------

void EqualizerManager::ApplyFilterChoice(PassBand pass, FilterChoice choice, int index,
                                         std::string_view itemText) {
    const std::string text(itemText);
    const bool slope = choice == FilterChoice::kSlope;
    const bool highPass = pass == PassBand::kHighPass;
    if (slope) {
        WriteLog(highPass ? "set hp slop to %s index " : "set lp slop to %s index ", text.c_str());
    } else {
        WriteLog(highPass ? "set hp type to %s index " : "set lp type to %s index ", text.c_str());
    }
    WriteLog("%d\n", index);
    // A combo without a selection reports -1; slopes beyond the highest order have no filter.
    if (index < 0 || (slope && index > kMaxSlope)) {
        return;
    }
    const int value = slope ? index : std::clamp(index, kMinFilterType, kMaxFilterType);
    const auto apply = [&](int channel) {
        FilterSettings& f = FilterOf(Channel(channel), pass);
        if (slope) {
            SetFilterSlope(f, value);
        } else {
            f.type = value;
        }
    };
    const EditReach reach = ReachOfCurrent();
    const FilterSettings& f = FilterOf(Channel(reach.current), pass);
    if ((slope ? f.slope : f.type) == value) {
        return;
    }
    for (int member : reach.members) {
        apply(member);
        SendFilter(member, pass);
    }
    if (reach.HasPartner()) {
        apply(reach.partner);
    }
    apply(reach.current);
    FinishFilterEdit(reach, pass);
}

void EqualizerManager::SetHpSlop(int index, std::string_view itemText) {
    ApplyFilterChoice(PassBand::kHighPass, FilterChoice::kSlope, index, itemText);
}
void EqualizerManager::SetLpSlop(int index, std::string_view itemText) {
    ApplyFilterChoice(PassBand::kLowPass, FilterChoice::kSlope, index, itemText);
}
void EqualizerManager::SetHpType(int index, std::string_view itemText) {
    ApplyFilterChoice(PassBand::kHighPass, FilterChoice::kType, index, itemText);
}
void EqualizerManager::SetLpType(int index, std::string_view itemText) {
    ApplyFilterChoice(PassBand::kLowPass, FilterChoice::kType, index, itemText);
}

// --- Band edits -------------------------------------------------------------------------------

float EqualizerManager::DisplayedGain(int channel, int band) const {
    const EqBand& b = model_.live.eqStore[Index(channel)][Index(band)];
    return Channel(channel).bypass == 1 || b.enable == 0 ? 0.0f : b.eqGain;
}

void EqualizerManager::LeaveBypass(int channel) {
    if (Channel(channel).bypass != 1) {
        return;
    }
    auto& row = model_.live.eqStore[Index(channel)];
    for (int band = 0; band < model_.live.BandCount(channel); ++band) {
        EqBand& b = row[Index(band)];
        if (IsNonZeroGain(b.eqGain)) {
            b.eqGain = 0.0f;
            b.enable = 1;
            SendBand(channel, band, 0.0f);
        }
    }
}

void EqualizerManager::SyncBypassFlag(int band, float gain) {
    (void)band;
    const int current = CurrentChannel();
    const bool flat = !IsNonZeroGain(gain) && BandsAreFlat(ChannelBands(model_.live, current));
    const uint8_t bypass = flat ? 1 : 0;
    if (Channel(current).bypass != bypass) {
        Channel(current).bypass = bypass;
        SendBypass(current);
    }
    for (int ch : ReachOfCurrent().Followers()) {
        if (Channel(ch).bypass != bypass) {
            Channel(ch).bypass = bypass;
            SendBypass(ch);
        }
    }
    ShowBypassState(current);
}

void EqualizerManager::ApplyBandEdit(int band, int freq, float q, float gain) {
    SceneRecord& live = model_.live;
    const int current = CurrentChannel();
    if (!live.HasBand(current, band)) {
        return;
    }
    EqBand& stored = live.eqStore[Index(current)][Index(band)];
    // A commit of exactly what the row shows (a focus change passing through the edits) changes
    // nothing: it must not end a bypass or overwrite a disabled band's stored gain.
    if (freq == stored.freq && Near(q, stored.eqFactor) &&
        Near(gain, DisplayedGain(current, band))) {
        Refresh(RefreshWhat::kEqBand, current, band);
        return;
    }
    const EditReach reach = ReachOfCurrent();
    const bool wasBypassed = Channel(current).bypass == 1;
    LeaveBypass(current);
    for (int ch : reach.Followers()) {
        LeaveBypass(ch);
    }
    if (wasBypassed) {
        RefreshBandControls(current);
    }
    if (freq == stored.freq && Near(q, stored.eqFactor) && Near(gain, stored.eqGain) &&
        stored.enable == 1) {
        return;
    }
    stored = EqBand{gain, q, freq, 1};
    Refresh(RefreshWhat::kEqBand, current, band);
    for (int member : reach.members) {
        if (live.HasBand(member, band)) {
            live.eqStore[Index(member)][Index(band)] = stored;
            SendBand(member, band, gain);
        }
    }
    const bool partnerHasBand = live.HasBand(reach.partner, band);
    if (partnerHasBand) {
        live.eqStore[Index(reach.partner)][Index(band)] = stored;
    }
    SyncBypassFlag(band, gain);
    UpdateEqualizer(band);
    SendBand(current, band, gain);
    if (partnerHasBand) {
        SendBand(reach.partner, band, gain);
    }
}

void EqualizerManager::SetChEqEdit(int band, const BandTexts& texts) {
    const int current = CurrentChannel();
    if (!model_.live.HasBand(current, band)) {
        return;
    }
    const EqBand& stored = model_.live.eqStore[Index(current)][Index(band)];
    // A frequency outside 20..20000 Hz is not taken: the stored one stays.
    const std::optional<int> typedFreq = ParseFrequencyText(texts.freq);
    const bool freqInRange =
        typedFreq && *typedFreq >= kMinFrequency && *typedFreq <= kMaxFrequency;
    const int freq = freqInRange ? *typedFreq : stored.freq;
    const std::optional<double> typedQ = ParseDecimal(texts.q);
    const float q = typedQ ? ClampQ(*typedQ) : stored.eqFactor;
    const std::optional<double> typedGain = ParseDecimal(texts.gain);
    const float gain = typedGain ? ClampBandGain(*typedGain) : DisplayedGain(current, band);
    WriteLog("freqValue(%d) ,qValue(%f) ,gainValue(%.1f)\n", freq, static_cast<double>(q),
             static_cast<double>(gain));
    ApplyBandEdit(band, freq, q, gain);
    // Texts that were clamped or restored show the stored values again.
    Refresh(RefreshWhat::kEqBand, current, band);
}

void EqualizerManager::SetChEqSlider(int band, int slider, std::string_view freqText,
                                     std::string_view qText) {
    const int current = CurrentChannel();
    if (!model_.live.HasBand(current, band)) {
        return;
    }
    const EqBand& stored = model_.live.eqStore[Index(current)][Index(band)];
    const float gain = static_cast<float>(std::clamp(slider, kBandSliderMin, kBandSliderMax)) / 10;
    const std::optional<int> typedFreq = ParseFrequencyText(freqText);
    const bool freqInRange =
        typedFreq && *typedFreq >= kMinFrequency && *typedFreq <= kMaxFrequency;
    const int freq = freqInRange ? *typedFreq : stored.freq;
    const std::optional<double> typedQ = ParseDecimal(qText);
    const float q = typedQ ? ClampQ(*typedQ) : stored.eqFactor;
    WriteLog("sliderValue (%.1f) ,freqValue(%d) ,qValue(%f) @band(%d) @ channel(%d)\n",
             static_cast<double>(gain), freq, static_cast<double>(q), band, current);
    ApplyBandEdit(band, freq, q, gain);
}

void EqualizerManager::SetEqFreqUp(int band, bool up) {
    WriteLog("SetEqFreqUp index(%d) up(%d)\n", band, up ? 1 : 0);
    const int current = CurrentChannel();
    if (!model_.live.HasBand(current, band)) {
        return;
    }
    const EqBand stored = model_.live.eqStore[Index(current)][Index(band)];
    const int next = StepFrequency(stored.freq, up);
    if (next != stored.freq) {
        ApplyBandEdit(band, next, stored.eqFactor, DisplayedGain(current, band));
    }
}

void EqualizerManager::SetEqQUp(int band, bool up) {
    WriteLog("SetEqQUp index(%d) up(%d)\n", band, up ? 1 : 0);
    const int current = CurrentChannel();
    if (!model_.live.HasBand(current, band)) {
        return;
    }
    const EqBand stored = model_.live.eqStore[Index(current)][Index(band)];
    if (const std::optional<float> next = StepQ(stored.eqFactor, up)) {
        ApplyBandEdit(band, stored.freq, *next, DisplayedGain(current, band));
    }
}

void EqualizerManager::SetEqGainUp(int band, bool up) {
    WriteLog("SetEqGainUp index(%d) up(%d)\n", band, up ? 1 : 0);
    const int current = CurrentChannel();
    if (!model_.live.HasBand(current, band)) {
        return;
    }
    const EqBand stored = model_.live.eqStore[Index(current)][Index(band)];
    if (const std::optional<float> next = StepBandGain(DisplayedGain(current, band), up)) {
        ApplyBandEdit(band, stored.freq, stored.eqFactor, *next);
    }
}

void EqualizerManager::OnEqEnable(int band) {
    WriteLog("OnEqEnable mEqIndex %d\n", band);
    SceneRecord& live = model_.live;
    const int current = CurrentChannel();
    if (!live.HasBand(current, band)) {
        return;
    }
    EqBand& b = live.eqStore[Index(current)][Index(band)];
    const int slider = EqGainSliderFromGain(DisplayedGain(current, band));
    if (b.enable != 0 && slider != 0) {
        b.enable = 0;  // the stored gain stays for a later enable
        SendBand(current, band, 0.0f);
    } else if (b.enable == 0 && EqGainSliderFromGain(b.eqGain) != slider) {
        b.enable = 1;
        SendBand(current, band, b.eqGain);
    } else {
        Refresh(RefreshWhat::kEqBand, current, band);
        return;
    }
    for (int ch : ReachOfCurrent().Followers()) {
        if (live.HasBand(ch, band)) {
            EqBand& other = live.eqStore[Index(ch)][Index(band)];
            other.enable = b.enable;
            SendBand(ch, band, other.enable != 0 ? other.eqGain : 0.0f);
        }
    }
    Refresh(RefreshWhat::kEqBand, current, band);
    ShowBypassState(current);
    UpdateEqualizer(band);
}

void EqualizerManager::SelectEqBand(int band) {
    if (model_.live.HasBand(CurrentChannel(), band)) {
        UpdateEqualizer(band);
    }
}

// --- The graph's handles ------------------------------------------------------------------------

void EqualizerManager::EqualizerCallback(int kind, int index, const EqualizerGraphValues& values) {
    WriteLog("%s cmd %d index %d\n", "EqualizerCallback", kind, index);
    const int current = CurrentChannel();
    switch (kind) {
        case kGraphBandMoved:
            ApplyBandEdit(index, ClampFrequency(values.band.freq), ClampQ(values.band.eqFactor),
                          ClampBandGain(values.band.eqGain));
            break;
        case kGraphHighPassMoved:
        case kGraphLowPassMoved: {
            const PassBand pass =
                kind == kGraphHighPassMoved ? PassBand::kHighPass : PassBand::kLowPass;
            const int hz = pass == PassBand::kHighPass ? values.hpFreq : values.lpFreq;
            if (hz < 0) {
                return;  // the marker is hidden
            }
            WriteLog("EqualizerCallback mLpFreq(%d)\n", hz);
            ApplyCorner(pass, CornerFor(Channel(current).crossover, pass, hz));
            break;
        }
        default:
            break;
    }
}

}  // namespace korvel
