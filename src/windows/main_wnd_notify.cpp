// CMainWnd: routing of control notifications. One table maps (notification type, control name
// or name prefix) to a handler; indexed controls carry their index as user data, which the
// handlers read from the notification and hand, with the sender's value, to one controller
// operation. Windows this build does not have yet end in Pending(), which names them.

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <cmath>
#include <cstring>

#include "eqgraph/widget/ui_equalizer.h"
#include "log/log.h"
#include "model/conversions.h"
#include "uiframework/controls.h"
#include "uiframework/framework.h"
#include "uiframework/language.h"
#include "windows/main_wnd.h"
#include "windows/msg_wnd.h"

namespace korvel {

namespace n = ui::notify;

struct CMainWnd::Route {
    const QString& type;
    const char* name;
    bool prefix;  // name is a prefix of indexed control names
    Handler handler;
};

namespace {
const QString kEqualizerEq = QString::fromLatin1(kNotifyEqualizerEq);
const QString kEqualizerHp = QString::fromLatin1(kNotifyEqualizerHp);
const QString kEqualizerLp = QString::fromLatin1(kNotifyEqualizerLp);
constexpr bool kExact = false;
constexpr float kGraphGainEpsilon = 0.001f;  // the graph's own threshold for a gain change
constexpr bool kPrefix = true;
}  // namespace

// First match wins: longer prefixes ("edit_ch_delay_") come before shorter ones where they share
// a beginning.
const CMainWnd::Route CMainWnd::kRoutes[] = {
    // Clicks.
    {n::kClick, "minbtn", kExact, &CMainWnd::OnMinimise},
    {n::kClick, "closebtn", kExact, &CMainWnd::OnClose},
    {n::kClick, "btnDpi", kExact, &CMainWnd::OnDpi},
    {n::kClick, "ch_output_btn_", kPrefix, &CMainWnd::OnOutputMenu},
    {n::kClick, "btnConnect", kExact, &CMainWnd::OnConnect},
    {n::kClick, "btn_amp_onoff", kExact, &CMainWnd::OnAmpSwitch},
    {n::kClick, "btn_option", kExact, &CMainWnd::OnOptionMenu},
    {n::kClick, "btn_scene", kExact, &CMainWnd::OnSceneMenu},
    {n::kClick, "btn_advance", kExact, &CMainWnd::OnAdvanceMenu},
    {n::kClick, "btn_reset_eq", kExact, &CMainWnd::OnResetEq},
    {n::kClick, "btn_bypass", kExact, &CMainWnd::OnBypass},
    {n::kClick, "btn_reset_output", kExact, &CMainWnd::OnResetOutput},
    {n::kClick, "btn_lock_output", kExact, &CMainWnd::OnLockOutput},
    {n::kClick, "btn_link_output", kExact, &CMainWnd::OnLinkOutput},
    {n::kClick, "btn_arg_eq", kExact, &CMainWnd::OnEqMode},
    {n::kClick, "ch_enable_", kPrefix, &CMainWnd::OnChannelSelect},
    {n::kClick, "speaker_", kPrefix, &CMainWnd::OnSpeakerFocus},
    {n::kClick, "pt_enable_", kPrefix, &CMainWnd::OnBandEnable},
    {n::kClick, "btn_debug", kExact, &CMainWnd::OnDebugWindow},
    {n::kClick, "btn_irc", kExact, &CMainWnd::OnAutoCalibration},
    {n::kClick, "btn_undo", kExact, &CMainWnd::OnUndo},
    {n::kClick, "btn_redo", kExact, &CMainWnd::OnRedo},
    // Option state changes.
    {n::kSelectChanged, "ch_show_", kPrefix, &CMainWnd::OnChannelShow},
    {n::kSelectChanged, "ch_mute_", kPrefix, &CMainWnd::OnChannelMute},
    {n::kSelectChanged, "ch_phase_", kPrefix, &CMainWnd::OnChannelPhase},
    {n::kSelectChanged, "ch_synchronize_", kPrefix, &CMainWnd::OnChannelSync},
    {n::kSelectChanged, "main_mute", kExact, &CMainWnd::OnMainMute},
    {n::kSelectChanged, "option_ch_in", kPrefix, &CMainWnd::OnChannelInput},
    // Sliders: a drag and a release are the same operation.
    {n::kValueChanged, "eq_slider_", kPrefix, &CMainWnd::OnBandSlider},
    {n::kMoveValueChanged, "eq_slider_", kPrefix, &CMainWnd::OnBandSlider},
    {n::kValueChanged, "slider_main_volume", kExact, &CMainWnd::OnMainVolumeSlider},
    {n::kMoveValueChanged, "slider_main_volume", kExact, &CMainWnd::OnMainVolumeSlider},
    {n::kValueChanged, "slider_ch_volume_", kPrefix, &CMainWnd::OnChannelVolumeSlider},
    {n::kMoveValueChanged, "slider_ch_volume_", kPrefix, &CMainWnd::OnChannelVolumeSlider},
    {n::kValueChanged, "slider_ch_delay_", kPrefix, &CMainWnd::OnChannelDelaySlider},
    {n::kMoveValueChanged, "slider_ch_delay_", kPrefix, &CMainWnd::OnChannelDelaySlider},
    // Step buttons and keys of the numeric edits.
    {n::kValueChangedUp, "", kPrefix, &CMainWnd::OnStep},
    {n::kValueChangedDown, "", kPrefix, &CMainWnd::OnStep},
    // Typed values.
    {n::kReturn, "", kPrefix, &CMainWnd::OnCommit},
    {n::kKillFocus, "", kPrefix, &CMainWnd::OnCommit},
    // Focus.
    {n::kSetFocus, "", kPrefix, &CMainWnd::OnEditFocus},
    {n::kValueChangedLeft, "", kPrefix, &CMainWnd::OnFocusRing},
    {n::kValueChangedRight, "", kPrefix, &CMainWnd::OnFocusRing},
    // Combos.
    {n::kItemSelect, "comb_ch_unit", kExact, &CMainWnd::OnDelayUnit},
    {n::kItemSelect, "hp_type", kExact, &CMainWnd::OnCrossoverCombo},
    {n::kItemSelect, "lp_type", kExact, &CMainWnd::OnCrossoverCombo},
    {n::kItemSelect, "hp_slop", kExact, &CMainWnd::OnCrossoverCombo},
    {n::kItemSelect, "lp_slop", kExact, &CMainWnd::OnCrossoverCombo},
    {n::kItemSelect, "btn_input_source", kExact, &CMainWnd::OnInputSource},
    // The equaliser graph.
    {kEqualizerEq, "equalizer", kExact, &CMainWnd::OnEqualizerGraph},
    {kEqualizerHp, "equalizer", kExact, &CMainWnd::OnEqualizerGraph},
    {kEqualizerLp, "equalizer", kExact, &CMainWnd::OnEqualizerGraph},
};

void CMainWnd::Dispatch(const ui::Notification& notification) {
    for (const Route& route : kRoutes) {
        if (route.type != notification.type) {
            continue;
        }
        const QLatin1String name(route.name);
        const bool match =
            route.prefix ? notification.name.startsWith(name) : notification.name == name;
        if (match) {
            (this->*route.handler)(notification);
            return;
        }
    }
}

void CMainWnd::Pending(const char* operation, int index) const {
    WriteLog("CMainWnd: %s(%d) is not available in this build\n", operation, index);
}

// --- Window and connection -----------------------------------------------------------------------

void CMainWnd::OnMinimise(const ui::Notification&) {
    showMinimized();
}

void CMainWnd::OnClose(const ui::Notification&) {
    close();
}

void CMainWnd::OnDpi(const ui::Notification&) {
    bool ok = false;
    const int dpi = Text(QStringLiteral("edt_dpi")).trimmed().toInt(&ok);
    if (ok && dpi > 0) {
        ui::UiFramework::Instance().SetDpi(dpi);
    }
}

void CMainWnd::OnConnect(const ui::Notification&) {
    manager_->Connect(true);
}

// --- Presentation handled by the window ----------------------------------------------------------

void CMainWnd::OnEqMode(const ui::Notification& n) {
    auto* button = qobject_cast<QAbstractButton*>(n.sender);
    const bool toParametric = button ? button->isChecked() : !parametric_;
    // The controller asks, switches and tells the view (SetEqPresentation) either way.
    manager_->SetEqParametric(toParametric);
    SetParametricMode(manager_->EqParametric());
}

void CMainWnd::SetEqPresentation(bool parametric) {
    SetParametricMode(parametric);
}

void CMainWnd::SetParametricMode(bool parametric) {
    parametric_ = parametric;
    auto* button = FindControl<QAbstractButton>(QStringLiteral("btn_arg_eq"));
    if (button) {
        button->setChecked(parametric);
        ui::SetControlText(
            button, parametric ? QStringLiteral("${peq_mode}") : QStringLiteral("${geq_mode}"));
    }
    const int channel = CurrentChannel();
    const int bands = Live().BandCount(channel);
    for (int band = 0; band < kBands; ++band) {
        for (const char* pattern : {"eq_freq_%1", "eq_q_%1"}) {
            if (QWidget* edit = Indexed(pattern, band)) {
                edit->setEnabled(parametric && band < bands);
            }
        }
    }
    if (graph_) {
        graph_->SetDragAllDirection(parametric);
        graph_->update();
    }
}

void CMainWnd::ShowDelaySlider(int channel) {
    for (int ch = 0; ch < kChannels; ++ch) {
        const bool shown = ch == channel;
        if (QWidget* slider = Indexed("slider_ch_delay_%1", ch)) {
            slider->setVisible(shown);
        }
        if (QWidget* placeholder = Indexed("control_empty_%1", ch)) {
            placeholder->setVisible(!shown);
        }
    }
}

void CMainWnd::OnEditFocus(const ui::Notification& n) {
    if (qobject_cast<QLineEdit*>(n.sender) != nullptr) {
        WatchEditKeys(n.sender);  // a band value's edit is made when it first takes the focus
    }
    if (n.name.startsWith(QLatin1String("edit_ch_delay_"))) {
        ShowDelaySlider(n.Index());
        return;
    }
    WriteLog("on mSliderChDelay SetVisible false\n");
    ShowDelaySlider(-1);
    if (n.name.startsWith(QLatin1String("eq_freq_")) || n.name.startsWith(QLatin1String("eq_q_")) ||
        n.name.startsWith(QLatin1String("eq_gain_"))) {
        manager_->SelectEqBand(n.Index());
    }
}

void CMainWnd::OnFocusRing(const ui::Notification& n) {
    const QString next = FocusRingNeighbour(n.name, n.type == n::kValueChangedRight);
    if (QLineEdit* edit = ui::EditorOf(FindControl(next))) {
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
    }
}

QString CMainWnd::FocusRingNeighbour(const QString& name, bool forward) const {
    const int bands = Live().BandCount(CurrentChannel());
    QStringList ring{QStringLiteral("edit_main_volume")};
    for (const char* pattern : {"eq_freq_%1", "eq_q_%1", "eq_gain_%1"}) {
        for (int band = 0; band < bands; ++band) {
            ring << QString::fromLatin1(pattern).arg(band);
        }
    }
    for (const char* pattern : {"edit_ch_volume_%1", "edit_ch_delay_%1"}) {
        for (int ch = 0; ch < kChannels; ++ch) {
            ring << QString::fromLatin1(pattern).arg(ch);
        }
    }
    ring << QStringLiteral("hp_freq") << QStringLiteral("lp_freq");

    const qsizetype at = ring.indexOf(name);
    if (at < 0) {
        return {};
    }
    // Edits that cannot take the focus (hidden, or disabled in graphic mode) are passed over.
    const qsizetype size = ring.size();
    for (qsizetype step = 1; step < size; ++step) {
        const qsizetype i = ((forward ? at + step : at - step) % size + size) % size;
        const QWidget* edit = FindControl(ring[i]);
        if (edit && !edit->isHidden() && edit->isEnabled()) {
            return ring[i];
        }
    }
    return name;
}

void CMainWnd::OnDelayUnit(const ui::Notification& n) {
    // The controller reads typed delays in this unit and rewrites the six delay texts.
    const auto* combo = qobject_cast<const QComboBox*>(n.sender);
    manager_->SetDelayUnit(combo ? combo->currentIndex() : 0);
}

void CMainWnd::OnEqualizerGraph(const ui::Notification& n) {
    if (graph_ == nullptr) {
        return;
    }
    bool ok = false;
    const int index = graph_->Text().toInt(&ok);
    const int kind = n.type == kEqualizerEq   ? kGraphBandMoved
                     : n.type == kEqualizerHp ? kGraphHighPassMoved
                                              : kGraphLowPassMoved;
    // A marker press clears the band selection, so only band moves need a band index.
    if (kind == kGraphBandMoved && (!ok || index < 0)) {
        return;
    }
    WriteLog("on DUI_MSGTYPE_EQUALIZERCHANGED index %d\n", ok ? index : -1);
    EqualizerGraphValues values;
    if (kind == kGraphBandMoved) {
        // The band's gain is held, shown and sent in tenths of a dB (the band slider's step), so
        // a dragged gain is taken at that resolution: the text never differs from the device. A
        // gain the pointer did not change (a hover) is passed on as it is.
        values.band = graph_->Band(index);
        if (std::fabs(values.band.eqGain - ShownGain(index)) > kGraphGainEpsilon) {
            values.band.eqGain = std::round(values.band.eqGain * 10.0f) / 10.0f;
        }
    }
    values.hpFreq = graph_->HpFreq();
    values.lpFreq = graph_->LpFreq();
    manager_->EqualizerCallback(kind, ok ? index : -1, values);
    // A released handle keeps the pointer's exact gain when the stored band did not change;
    // the graph then shows the stored band again.
    if (kind == kGraphBandMoved && graph_->Capture() == UIEqualizer::kNoCapture &&
        graph_->Band(index).eqGain != values.band.eqGain) {
        RefreshEqualizerGraph();
    }
}

float CMainWnd::ShownGain(int band) const {
    const SceneRecord& live = Live();
    const int channel = CurrentChannel();
    if (band < 0 || band >= kBands) {
        return 0.0f;
    }
    const EqBand& b = live.eqStore[static_cast<size_t>(channel)][static_cast<size_t>(band)];
    const bool shown = live.channels[static_cast<size_t>(channel)].bypass != 1 && b.enable != 0;
    return shown ? b.eqGain : 0.0f;
}

// --- Reading the sender --------------------------------------------------------------------------

std::string CMainWnd::CommittedText(const QString& controlName) const {
    const QString shown = Text(controlName).trimmed();
    if (shown == ui::Tr(QString::fromLatin1(kOffText))) {
        return kOffText;
    }
    return shown.toStdString();
}

int CMainWnd::SliderValue(const ui::Notification& n) const {
    const auto* slider = qobject_cast<const QSlider*>(n.sender);
    return slider ? slider->value() : 0;
}

bool CMainWnd::OptionChecked(const ui::Notification& n) const {
    const auto* option = qobject_cast<const QAbstractButton*>(n.sender);
    return option != nullptr && option->isChecked();
}

// --- Buttons -------------------------------------------------------------------------------------

void CMainWnd::OnAmpSwitch(const ui::Notification& n) {
    manager_->SetAmpOnOff(n.sender != nullptr && n.sender->property("selected").toBool());
}
void CMainWnd::OnResetEq(const ui::Notification&) {
    manager_->SetOutputEqReset();
}
void CMainWnd::OnBypass(const ui::Notification&) {
    manager_->SetOutputBypass();
}
void CMainWnd::OnResetOutput(const ui::Notification&) {
    manager_->SetOutputReset();
}
void CMainWnd::OnLockOutput(const ui::Notification&) {
    manager_->SetOutpuLock();
    RefreshLinkLock();  // a declined question leaves the button as the model says
}
void CMainWnd::OnLinkOutput(const ui::Notification&) {
    manager_->SetOutputLink();
    RefreshLinkLock();
}
void CMainWnd::OnChannelSelect(const ui::Notification& n) {
    manager_->SetCurChannelChange(n.Index());  // also re-checks the option a click unchecked
}
void CMainWnd::OnSpeakerFocus(const ui::Notification& n) {
    manager_->SetSpeakerFocus(n.Index());
}
void CMainWnd::OnBandEnable(const ui::Notification& n) {
    manager_->OnEqEnable(n.Index());
    RefreshBand(CurrentChannel(), n.Index());
}
void CMainWnd::OnDebugWindow(const ui::Notification&) {
    OpenMemoryWindow();
}
void CMainWnd::OnAutoCalibration(const ui::Notification&) {
    OpenAutoCalibration();
}

// --- Options -------------------------------------------------------------------------------------

void CMainWnd::OnChannelShow(const ui::Notification& n) {
    manager_->SetChShow(n.Index(), OptionChecked(n));
}
void CMainWnd::OnChannelMute(const ui::Notification& n) {
    manager_->SetChMute(n.Index(), OptionChecked(n));
}
void CMainWnd::OnChannelPhase(const ui::Notification& n) {
    manager_->SetChPhase(n.Index(), OptionChecked(n));
}
void CMainWnd::OnChannelSync(const ui::Notification& n) {
    manager_->SetChSynchronize(n.Index(), OptionChecked(n));
}
void CMainWnd::OnMainMute(const ui::Notification& n) {
    manager_->SetMainMute(OptionChecked(n));
}
void CMainWnd::OnChannelInput(const ui::Notification& n) {
    // "option_ch_in<k>_<channel>": the input number follows the prefix.
    const QString rest = n.name.mid(static_cast<qsizetype>(std::strlen("option_ch_in")));
    bool ok = false;
    const int input = rest.section(QLatin1Char('_'), 0, 0).toInt(&ok);
    if (ok) {
        manager_->SetChInput(n.Index(), input, OptionChecked(n));
    }
}

// --- Sliders -------------------------------------------------------------------------------------

void CMainWnd::OnBandSlider(const ui::Notification& n) {
    const int band = n.Index();
    manager_->SetChEqSlider(band, SliderValue(n),
                            CommittedText(QStringLiteral("eq_freq_%1").arg(band)),
                            CommittedText(QStringLiteral("eq_q_%1").arg(band)));
}
void CMainWnd::OnMainVolumeSlider(const ui::Notification& n) {
    manager_->SetMainVolume(SliderValue(n));
}
void CMainWnd::OnChannelVolumeSlider(const ui::Notification& n) {
    manager_->SetChVolume(n.Index(), SliderValue(n));
}
void CMainWnd::OnChannelDelaySlider(const ui::Notification& n) {
    manager_->SetChDelay(n.Index(), SliderValue(n));
}

// --- Step buttons and typed values ---------------------------------------------------------------

namespace {

using StepOperation = void (*)(EqualizerManager&, int index, bool up);
struct StepRoute {
    const char* prefix;
    StepOperation operation;
};
const StepRoute kSteps[] = {
    {"eq_freq_", [](EqualizerManager& m, int i, bool up) { m.SetEqFreqUp(i, up); }},
    {"eq_q_", [](EqualizerManager& m, int i, bool up) { m.SetEqQUp(i, up); }},
    {"eq_gain_", [](EqualizerManager& m, int i, bool up) { m.SetEqGainUp(i, up); }},
    {"hp_freq", [](EqualizerManager& m, int, bool up) { m.SetHpFreqUp(up); }},
    {"lp_freq", [](EqualizerManager& m, int, bool up) { m.SetLpFreqUp(up); }},
    {"edit_main_volume", [](EqualizerManager& m, int, bool up) { m.SetMainVolumeUp(up); }},
    {"edit_ch_volume_", [](EqualizerManager& m, int i, bool up) { m.SetChVolumeUp(i, up); }},
    {"edit_ch_delay_", [](EqualizerManager& m, int i, bool up) { m.SetChDelayUp(i, up); }},
};

}  // namespace

void CMainWnd::OnStep(const ui::Notification& n) {
    const bool up = n.type == n::kValueChangedUp;
    for (const StepRoute& route : kSteps) {
        if (n.name.startsWith(QLatin1String(route.prefix))) {
            route.operation(*manager_, n.Index(), up);
            return;
        }
    }
}

void CMainWnd::OnCommit(const ui::Notification& n) {
    const QString& name = n.name;
    if (auto* edit = qobject_cast<QLineEdit*>(n.sender)) {
        edit->setModified(false);  // committed: the controller's refresh may rewrite it
    }
    const auto starts = [&](const char* prefix) { return name.startsWith(QLatin1String(prefix)); };
    if (name == QLatin1String("edit_main_volume")) {
        manager_->SetMainVolumeEdit(CommittedText(name));
    } else if (name == QLatin1String("hp_freq")) {
        manager_->SetHpFreq(CommittedText(name));
    } else if (name == QLatin1String("lp_freq")) {
        manager_->SetLpFreq(CommittedText(name));
    } else if (starts("edit_ch_delay_")) {
        manager_->SetChDelayEdit(n.Index(), CommittedText(name));
    } else if (starts("edit_ch_volume_")) {
        manager_->SetChVolumeEdit(n.Index(), CommittedText(name));
    } else if (starts("eq_freq_") || starts("eq_q_") || starts("eq_gain_")) {
        const int band = n.Index();
        const BandTexts texts{CommittedText(QStringLiteral("eq_freq_%1").arg(band)),
                              CommittedText(QStringLiteral("eq_q_%1").arg(band)),
                              CommittedText(QStringLiteral("eq_gain_%1").arg(band))};
        manager_->SetChEqEdit(band, texts);
    }
}

// --- Combos --------------------------------------------------------------------------------------

void CMainWnd::OnCrossoverCombo(const ui::Notification& n) {
    const auto* combo = qobject_cast<const QComboBox*>(n.sender);
    if (combo == nullptr) {
        return;
    }
    const int index = combo->currentIndex();
    const std::string text = combo->currentText().toStdString();
    if (n.name == QLatin1String("hp_type")) {
        manager_->SetHpType(index, text);
    } else if (n.name == QLatin1String("lp_type")) {
        manager_->SetLpType(index, text);
    } else if (n.name == QLatin1String("hp_slop")) {
        manager_->SetHpSlop(index, text);
    } else if (n.name == QLatin1String("lp_slop")) {
        manager_->SetLpSlop(index, text);
    }
    RefreshCrossover(CurrentChannel());  // an unchanged or refused choice shows the model again
}

void CMainWnd::OnInputSource(const ui::Notification& n) {
    const auto* combo = qobject_cast<const QComboBox*>(n.sender);
    if (combo != nullptr) {
        manager_->SetInputSource(combo->currentIndex());
    }
}

std::vector<CMainWnd::RoutedName> CMainWnd::RoutedControlNames() {
    std::vector<RoutedName> names;
    for (const Route& route : kRoutes) {
        if (route.name[0] != '\0') {
            names.push_back({QLatin1String(route.name), route.prefix});
        }
    }
    for (const StepRoute& step : kSteps) {
        names.push_back({QLatin1String(step.prefix), true});
    }
    return names;
}

}  // namespace korvel
