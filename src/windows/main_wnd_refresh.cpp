// CMainWnd: showing the controller's model in the controls. Every function reads the live scene
// and sets controls without raising notifications, so a refresh never echoes back to the device.

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QStyle>
#include <algorithm>
#include <cmath>

#include "eqgraph/widget/ui_equalizer.h"
#include "log/log.h"
#include "model/conversions.h"
#include "model/speaker_roles.h"
#include "uiframework/controls.h"
#include "windows/main_wnd.h"
#include "windows/main_wnd_speaker_map.h"
#include "windows/scene_wnd.h"

namespace korvel {

namespace {

constexpr int kInputSwitches = 4;  // in1..in4 exist in this layout
constexpr int kSourceBluetooth = 2;
constexpr int kSourceHighLevel = 5;
constexpr int kSourceDigitalMedia = 6;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

void SetChecked(QAbstractButton* button, bool checked) {
    if (button) {
        button->setChecked(checked);
    }
}

void Repolish(QWidget* widget) {
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
}

bool ValidChannel(int channel) {
    return channel >= 0 && channel < kChannelSlots;
}

}  // namespace

void CMainWnd::RefreshControls(RefreshWhat what, int channel, int index) {
    switch (what) {
        case RefreshWhat::kSource:
            RefreshSource();
            break;
        case RefreshWhat::kMainVolume:
            RefreshMainVolume();
            break;
        case RefreshWhat::kMainMute:
            RefreshMainMute();
            break;
        case RefreshWhat::kCrossover:
            RefreshCrossover(channel);
            break;
        case RefreshWhat::kEqBand:
            // An edit that switched the channel's bypass changes what every row shows.
            if (ValidChannel(channel) &&
                Live().channels[static_cast<size_t>(channel)].bypass != rowsBypass_) {
                RefreshBands(channel);
            } else {
                RefreshBand(channel, index);
            }
            RefreshBypassButton(channel);
            break;
        case RefreshWhat::kChannelDelay:
            RefreshChannelDelay(channel);
            break;
        case RefreshWhat::kChannelVolume:
            RefreshChannelVolume(channel);
            break;
        case RefreshWhat::kChannelMute:
            RefreshChannelMute(channel);
            break;
        case RefreshWhat::kChannelPhase:
            RefreshChannelPhase(channel);
            break;
        case RefreshWhat::kInputSwitches:
            RefreshInputSwitches(channel);
            break;
        case RefreshWhat::kSpeakerRoles:
            RefreshSpeakerRoles();
            break;
        case RefreshWhat::kLinkLock:
            RefreshLinkLock();
            break;
        case RefreshWhat::kChannelSelector:
            RefreshChannelSelector(channel);
            break;
        case RefreshWhat::kEqBypass:
            if (channel == CurrentChannel()) {
                RefreshBands(channel);
                RefreshBypassButton(channel);
                RefreshEqualizerGraph();
            }
            break;
        case RefreshWhat::kAmpSwitch:
            RefreshAmpSwitch();
            break;
        case RefreshWhat::kEffectSwitch:
            // The effect switch is not part of this layout; the model keeps the value.
            break;
        case RefreshWhat::kEqualizerGraph:
            RefreshEqualizerGraph();
            break;
        case RefreshWhat::kSceneNames:
            if (SceneWindow() != nullptr) {
                SceneWindow()->RefreshNames();
            }
            break;
        case RefreshWhat::kAllControls:
            RefreshAll();
            break;
    }
}

void CMainWnd::RefreshAll() {
    RefreshSource();
    RefreshMainVolume();
    RefreshMainMute();
    for (int ch = 0; ch < kChannels; ++ch) {
        RefreshChannelDelay(ch);
        RefreshChannelVolume(ch);
        RefreshChannelMute(ch);
        RefreshChannelPhase(ch);
    }
    RefreshSpeakerRoles();
    RefreshLinkLock();
    RefreshAmpSwitch();
    const int current = CurrentChannel();
    RefreshChannelSelector(current);
    RefreshCrossover(current);
    RefreshBands(current);
    RefreshBypassButton(current);
    RefreshEqualizerGraph();
}

void CMainWnd::RefreshSource() {
    if (auto* combo = FindControl<QComboBox>(QStringLiteral("btn_input_source"))) {
        combo->setCurrentIndex(Live().sourceIndex);
    }
    RefreshInputSwitchVisibility();
    for (int ch = 0; ch < kChannels; ++ch) {
        RefreshInputSwitches(ch);
    }
}

void CMainWnd::RefreshInputSwitchVisibility() {
    const int source = Live().sourceIndex;
    if (source != kSourceBluetooth && source != kSourceDigitalMedia && source != kSourceHighLevel) {
        return;  // the other sources keep the switches as they are
    }
    const bool fourInputs = source == kSourceHighLevel;
    for (int ch = 0; ch < kChannels; ++ch) {
        for (const char* pattern : {"option_ch_in3_%1", "option_ch_in4_%1"}) {
            if (QWidget* option = Indexed(pattern, ch)) {
                option->setEnabled(fourInputs);
                option->setVisible(fourInputs);
            }
        }
    }
}

void CMainWnd::RefreshMainVolume() {
    auto* slider = FindControl<QSlider>(QStringLiteral("slider_main_volume"));
    if (slider == nullptr) {
        return;
    }
    slider->setValue(Live().mainVolume);
    const bool atMinimum = slider->value() == slider->minimum();
    SetText(QStringLiteral("edit_main_volume"),
            atMinimum ? QString::fromLatin1(kOffText) : QString::number(slider->value()));
}

void CMainWnd::RefreshMainMute() {
    SetChecked(FindControl<QAbstractButton>(QStringLiteral("main_mute")),
               Live().mainVolumeMute != 0);
}

void CMainWnd::RefreshCrossover(int channel) {
    if (!ValidChannel(channel)) {
        return;
    }
    const CrossoverSettings& x = Live().channels[static_cast<size_t>(channel)].crossover;
    const auto select = [this](const char* name, int index) {
        if (auto* combo = FindControl<QComboBox>(QString::fromLatin1(name))) {
            if (index >= 0 && index < combo->count()) {
                combo->setCurrentIndex(index);
            }
        }
    };
    select("hp_slop", x.hp.slope);
    select("lp_slop", x.lp.slope);
    select("hp_type", x.hp.type);
    select("lp_type", x.lp.type);
    SetText(QStringLiteral("hp_freq"), Q(CrossoverFrequencyText(x.hp.fs)));
    SetText(QStringLiteral("lp_freq"), Q(CrossoverFrequencyText(x.lp.fs)));
    SetText(QStringLiteral("xover_title"),
            QStringLiteral("${crossover} \u00B7 CH%1").arg(channel + 1));
}

void CMainWnd::RefreshBand(int channel, int band) {
    if (channel != CurrentChannel() || band < 0 || band >= kBands) {
        return;  // the rows show the current channel only
    }
    ShowBandRow(band, manager_->BandControlRows(channel)[static_cast<size_t>(band)]);
}

void CMainWnd::RefreshBands(int channel) {
    if (channel == CurrentChannel()) {
        const auto rows = manager_->BandControlRows(channel);
        ShowBandControls(channel, rows);
    }
}

void CMainWnd::ShowBandControls(int channel, std::span<const BandRowState> rows) {
    if (ValidChannel(channel)) {
        rowsBypass_ = Live().channels[static_cast<size_t>(channel)].bypass;
    }
    const size_t count = std::min<size_t>(rows.size(), kBands);
    for (size_t band = 0; band < count; ++band) {
        ShowBandRow(static_cast<int>(band), rows[band]);
    }
}

void CMainWnd::SetRowText(const QString& name, const QString& text) {
    // A value the user is typing (not yet committed) is not overwritten by a refresh that a
    // graph hover or a device report caused; a commit clears the modified flag first.
    const QLineEdit* edit = ui::ExistingEditorOf(FindControl(name));
    if (edit != nullptr && edit->hasFocus() && edit->isModified()) {
        return;
    }
    SetText(name, text);
}

void CMainWnd::ShowBandRow(int band, const BandRowState& row) {
    for (const char* pattern : {"eq_gain_%1", "eq_slider_%1", "pt_enable_%1"}) {
        if (QWidget* control = Indexed(pattern, band)) {
            control->setEnabled(row.inUse);
        }
    }
    // Frequency and Q are typed only in parametric mode.
    for (const char* pattern : {"eq_freq_%1", "eq_q_%1"}) {
        if (QWidget* control = Indexed(pattern, band)) {
            control->setEnabled(row.inUse && parametric_);
        }
    }
    SetRowText(QStringLiteral("eq_freq_%1").arg(band), Q(row.freqText));
    SetRowText(QStringLiteral("eq_q_%1").arg(band), Q(row.qText));
    SetRowText(QStringLiteral("eq_gain_%1").arg(band), Q(row.gainText));
    if (auto* slider = Indexed<QSlider>("eq_slider_%1", band)) {
        slider->setValue(row.slider);
    }
    SetChecked(Indexed<QAbstractButton>("pt_enable_%1", band), row.enableOn);
}

void CMainWnd::RefreshChannelDelay(int channel) {
    if (!ValidChannel(channel)) {
        return;
    }
    const double ms = Live().channels[static_cast<size_t>(channel)].delay;
    const DelayUnit unit = manager_->CurrentDelayUnit();
    SetText(QStringLiteral("edit_ch_delay_%1").arg(channel),
            Q(DelayText(static_cast<int>(std::lround(ms * 1000.0)), unit)));
    if (auto* slider = Indexed<QSlider>("slider_ch_delay_%1", channel)) {
        slider->setValue(DelaySliderFromMs(ms));
    }
}

void CMainWnd::RefreshChannelVolume(int channel) {
    if (!ValidChannel(channel)) {
        return;
    }
    const double gain = Live().channels[static_cast<size_t>(channel)].gain;
    auto* slider = Indexed<QSlider>("slider_ch_volume_%1", channel);
    if (slider == nullptr) {
        return;
    }
    slider->setValue(ChannelSliderFromGain(gain));
    const bool atMinimum = slider->value() == slider->minimum();
    SetText(QStringLiteral("edit_ch_volume_%1").arg(channel),
            atMinimum ? QString::fromLatin1(kOffText) : Q(ChannelVolumeText(gain)));
}

void CMainWnd::RefreshChannelMute(int channel) {
    if (ValidChannel(channel)) {
        SetChecked(Indexed<QAbstractButton>("ch_mute_%1", channel),
                   Live().channels[static_cast<size_t>(channel)].mute != 0);
    }
}

void CMainWnd::RefreshChannelPhase(int channel) {
    if (!ValidChannel(channel)) {
        return;
    }
    const bool inverted = Live().channels[static_cast<size_t>(channel)].phase != 0;
    auto* option = Indexed<QAbstractButton>("ch_phase_%1", channel);
    SetChecked(option, inverted);
    ui::SetControlText(option, inverted ? QStringLiteral("${reverse phase}")
                                        : QStringLiteral("${positive_phase}"));
}

void CMainWnd::RefreshInputSwitches(int channel) {
    if (!ValidChannel(channel)) {
        return;
    }
    const SceneRecord& live = Live();
    if (live.sourceIndex < 0 || live.sourceIndex >= kSourceCount) {
        return;
    }
    const int mask =
        live.inputs[static_cast<size_t>(live.sourceIndex)][static_cast<size_t>(channel)];
    for (int input = 0; input < kInputSwitches; ++input) {
        SetChecked(FindControl<QAbstractButton>(
                       QStringLiteral("option_ch_in%1_%2").arg(input + 1).arg(channel)),
                   (mask >> input) & 1);
    }
}

void CMainWnd::RefreshSpeakerRoles() {
    const SceneRecord& live = Live();
    for (int role = 1; role <= kRoleCount; ++role) {
        SetVisible(QStringLiteral("speaker_%1").arg(role), false);
    }
    for (int ch = 0; ch < kChannels; ++ch) {
        const int role = NormaliseRole(live.outputs[static_cast<size_t>(ch)]);
        const QString label = Q(std::string(RoleName(role)));
        auto* button = Indexed<QAbstractButton>("ch_output_btn_%1", ch);
        ui::SetControlText(button, label);
        ui::SetControlToolTip(button, label);
        if (role != kRoleEmpty) {
            const QString marker = QStringLiteral("speaker_%1").arg(role);
            SetVisible(marker, true);
            ui::SetControlToolTip(FindControl(marker), label);
        }
    }
}

void CMainWnd::RefreshLinkLock() {
    const SceneRecord& live = Live();
    const bool linked = live.linkMode == 1;
    const bool locked = live.lockMode == 1;
    SetChecked(FindControl<QAbstractButton>(QStringLiteral("btn_link_output")), linked);
    SetChecked(FindControl<QAbstractButton>(QStringLiteral("btn_lock_output")), locked);
    for (int ch = 0; ch < kChannels; ++ch) {
        if (auto* sync = Indexed<QAbstractButton>("ch_synchronize_%1", ch)) {
            sync->setEnabled(!linked);
            SetChecked(sync, live.syncChannels[static_cast<size_t>(ch)] != 0);  // after an undo
        }
        if (QWidget* output = Indexed("ch_output_btn_%1", ch)) {
            output->setEnabled(!locked);
        }
    }
}

void CMainWnd::RefreshChannelSelector(int channel) {
    if (!ValidChannel(channel)) {
        channel = CurrentChannel();
    }
    const SceneRecord& live = Live();
    const int partner =
        live.linkMode == 1 ? live.linkOutputs[static_cast<size_t>(channel)] : kNoLinkedChannel;
    for (int ch = 0; ch < kChannels; ++ch) {
        const size_t i = static_cast<size_t>(ch);
        const bool selected =
            ch == channel || ch == partner ||
            (live.syncChannels[i] != 0 && live.syncChannels[static_cast<size_t>(channel)] != 0);
        SetChecked(Indexed<QAbstractButton>("ch_enable_%1", ch), selected);
        SetChecked(Indexed<QAbstractButton>("ch_show_%1", ch), live.showChEqualizer[i] != 0);
        if (QWidget* card = Indexed("ch_card_%1", ch)) {
            card->setProperty("current", ch == channel);
            Repolish(card);
        }
    }
    const int role = NormaliseRole(live.outputs[static_cast<size_t>(channel)]);
    const int partnerRole =
        partner >= 0 && partner < kChannels ? live.outputs[static_cast<size_t>(partner)] : -1;
    for (int r = 1; r <= kRoleCount; ++r) {
        SetChecked(FindControl<QAbstractButton>(QStringLiteral("speaker_%1").arg(r)),
                   r == role || r == partnerRole);
    }
}

void CMainWnd::RefreshBypassButton(int channel) {
    if (channel != CurrentChannel()) {
        return;
    }
    const auto rows = manager_->BandControlRows(channel);
    ShowBypassButton(
        std::any_of(rows.begin(), rows.end(), [](const BandRowState& r) { return r.enableOn; }));
}

void CMainWnd::RefreshAmpSwitch() {
    auto* button = FindControl<QAbstractButton>(QStringLiteral("btn_amp_onoff"));
    if (button == nullptr) {
        return;
    }
    const bool on = Live().ampOn != 0;
    ui::SetControlText(button, on ? QStringLiteral("${amp_on}") : QStringLiteral("${amp_off}"));
    button->setProperty("state", on ? QStringLiteral("on") : QStringLiteral("off"));
    button->setProperty("selected", on);
    Repolish(button);
}

void CMainWnd::RefreshEqualizerGraph() {
    if (graph_ != nullptr) {
        ShowEqualizerGraph(manager_->EqualizerGraph(graph_->CurrentControlIndex()));
    }
}

static_assert(UIEqualizer::kCurvePoints == 512, "the window keeps 512-point curve arrays");

void CMainWnd::ShowEqualizerGraph(const EqualizerGraphData& data) {
    if (graph_ == nullptr) {
        return;
    }
    graph_->SetBands(data.bands, data.bandCount, data.selectedBand);
    graph_->setCurEqHpLp(data.hpFreq, data.lpFreq);

    // The arrays are large (6 channels x 512 points, twice): kept between calls.
    auto& frequencies = curveFrequencies_;
    auto& totals = curveTotals_;
    frequencies.resize(kChannelSlots);
    totals.resize(kChannelSlots);
    std::array<int, kChannelSlots> show{};
    for (size_t i = 0; i < kChannelSlots; ++i) {
        const size_t n = std::min<size_t>(
            {data.frequencies.size(), data.totalsDb[i].size(), UIEqualizer::kCurvePoints});
        std::copy_n(data.frequencies.begin(), n, frequencies[i].begin());
        std::fill(frequencies[i].begin() + static_cast<std::ptrdiff_t>(n), frequencies[i].end(),
                  0.0);
        std::copy_n(data.totalsDb[i].begin(), n, totals[i].begin());
        std::fill(totals[i].begin() + static_cast<std::ptrdiff_t>(n), totals[i].end(), 0.0);
        show[i] = data.show[i];
    }
    graph_->SetCurves(frequencies, totals, kChannelSlots, data.currentChannel, show);
}

void CMainWnd::ShowBypassButton(bool bypassEq) {
    SetText(QStringLiteral("btn_bypass"),
            bypassEq ? QStringLiteral("${bypass_eq}") : QStringLiteral("${restore_eq}"));
}

void CMainWnd::EnableLinkButton(bool enabled) {
    SetEnabled(QStringLiteral("btn_link_output"), enabled);
}

void CMainWnd::SelectSpeakerIcon(int role) {
    for (int r = 1; r <= kRoleCount; ++r) {
        SetChecked(FindControl<QAbstractButton>(QStringLiteral("speaker_%1").arg(r)), r == role);
    }
}

}  // namespace korvel
