// The equaliser's buttons (bypass, reset, parametric/graphic presentation) and what the band
// controls and the graph show: the band rows and the curves handed to the view.

#include <algorithm>
#include <chrono>

#include "controller/equalizer_manager.h"
#include "eqgraph/eq_math.h"
#include "log/log.h"
#include "model/invariants.h"
#include "model/scene_reset.h"
#include "model/speaker_roles.h"

namespace korvel {

namespace {

int ElapsedMs(std::chrono::steady_clock::time_point since) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - since)
                                .count());
}

}  // namespace

// --- Band rows ----------------------------------------------------------------------------------

std::array<BandRowState, kBandCount> EqualizerManager::BandControlRows(int channel) const {
    std::array<BandRowState, kBandCount> rows{};
    if (!IsChannel(channel)) {
        return rows;
    }
    const bool bypassed = Channel(channel).bypass == 1;
    const auto& bands = model_.live.eqStore[Index(channel)];
    for (int band = 0; band < model_.live.BandCount(channel); ++band) {
        const EqBand& b = bands[Index(band)];
        BandRowState& row = rows[Index(band)];
        const bool shown = !bypassed && b.enable != 0;
        const float gain = shown ? b.eqGain : 0.0f;
        row.inUse = true;
        row.freqQEditable = eqParametric_;
        row.freqText = BandFrequencyText(b.freq);
        row.qText = EqQText(b.eqFactor);
        row.gainText = EqGainText(gain);
        row.slider = EqGainSliderFromGain(gain);
        row.enableOn = shown && IsNonZeroGain(b.eqGain);
    }
    return rows;
}

void EqualizerManager::RefreshBandControls(int channel) {
    if (!IsChannel(channel)) {
        return;
    }
    const auto rows = BandControlRows(channel);
    view_.ShowBandControls(channel, rows);
}

void EqualizerManager::ShowBypassState(int channel) {
    const auto rows = BandControlRows(channel);
    view_.ShowBypassButton(
        std::any_of(rows.begin(), rows.end(), [](const BandRowState& r) { return r.enableOn; }));
}

// --- Graph --------------------------------------------------------------------------------------

EqualizerGraphData EqualizerManager::EqualizerGraph(int band) const {
    const SceneRecord& live = model_.live;
    const int current = CurrentChannel();
    EqualizerGraphData data;
    data.currentChannel = current;
    data.bandCount = live.BandCount(current);
    data.selectedBand = band >= 0 && band < data.bandCount ? band : -1;
    for (int b = 0; b < kBandCount; ++b) {
        data.bands[Index(b)] = live.eqStore[Index(current)][Index(b)];
        data.bands[Index(b)].eqGain = DisplayedGain(current, b);
    }
    const CrossoverSettings& x = Channel(current).crossover;
    data.hpFreq = x.hp.fs;
    data.lpFreq = x.lp.fs;
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        data.show[Index(ch)] = live.showChEqualizer[Index(ch)];
    }
    SceneCurves curves = ComputeSceneCurves(live);
    data.frequencies = std::move(curves.frequencies);
    data.totalsDb = std::move(curves.totalDb);
    return data;
}

void EqualizerManager::UpdateEqualizer(int band) {
    const auto start = std::chrono::steady_clock::now();
    const EqualizerGraphData data = EqualizerGraph(band);
    WriteLog("UpdateEqualizer 0 cost time %d ms\n", ElapsedMs(start));
    view_.ShowEqualizerGraph(data);
    WriteLog("UpdateEqualizer 1 cost time %d ms\n", ElapsedMs(start));
}

// --- Bypass, reset, presentation ----------------------------------------------------------------

void EqualizerManager::SetOutputBypass() {
    const int current = CurrentChannel();
    const auto rows = BandControlRows(current);
    const bool anyShown =
        std::any_of(rows.begin(), rows.end(), [](const BandRowState& r) { return r.slider != 0; });
    uint8_t bypass = 0;
    if (anyShown) {
        if (!view_.Confirm("${bypass_all_eq_tips}")) {
            return;
        }
        bypass = 1;
    } else if (!BandsAreFlat(ChannelBands(model_.live, current))) {
        if (!view_.Confirm("${restore_all_eq_tips}")) {
            return;
        }
        bypass = 0;
    } else {
        return;  // every band is flat: nothing to bypass or restore
    }
    Channel(current).bypass = bypass;
    view_.ShowBypassButton(bypass == 0);
    SendBypass(current);
    for (int ch : ReachOfCurrent().Followers()) {
        Channel(ch).bypass = bypass;
        SendBypass(ch);
    }
    RefreshBandControls(current);
    UpdateEqualizer(-1);
}

void EqualizerManager::SetOutputEqReset() {
    if (!view_.Confirm("${reset_all_eq_tips}")) {
        return;
    }
    SceneRecord& live = model_.live;
    const EditReach reach = ReachOfCurrent();
    const int current = reach.current;
    ResetBands(live.eqStore[Index(current)]);
    for (int member : reach.members) {
        ResetBands(live.eqStore[Index(member)]);
        for (int band = 0; band < live.BandCount(member); ++band) {
            SendBand(member, band, live.eqStore[Index(member)][Index(band)].eqGain);
        }
    }
    std::vector<uint8_t> channels{static_cast<uint8_t>(current)};
    if (reach.HasPartner()) {
        ResetBands(live.eqStore[Index(reach.partner)]);
        channels.push_back(static_cast<uint8_t>(reach.partner));
    }
    RefreshBandControls(current);
    view_.ShowBypassButton(true);
    UpdateEqualizer(-1);
    link_->PEQ_Reset_Ctrl(live.sceneArgument, 0, static_cast<int>(channels.size()), channels,
                          false);
}

bool EqualizerManager::SetEqParametric(bool parametric) {
    if (parametric == eqParametric_) {
        return eqParametric_;
    }
    if (!view_.Confirm(parametric ? "${peq_mode_tips}" : "${geq_mode_tips}")) {
        view_.SetEqPresentation(eqParametric_);
        return eqParametric_;
    }
    eqParametric_ = parametric;
    view_.SetEqPresentation(eqParametric_);
    RefreshBandControls(CurrentChannel());
    UpdateEqualizer(-1);
    return eqParametric_;
}

}  // namespace korvel
