// CMainWnd: routing of control notifications. One table maps (notification type, control name
// or name prefix) to a handler; indexed controls carry their index as user data, which the
// handlers read from the notification. Tuning operations that the controller does not offer yet
// end in Pending(), which names the operation they will call.

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

#include "eqgraph/widget/ui_equalizer.h"
#include "shell/log/log.h"
#include "uiframework/framework.h"
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

void CMainWnd::Notify(const ui::Notification& notification) {
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
    WriteLog(L"CMainWnd: %s(%d) is not available in this build\n", operation, index);
}

// --- Window and connection
// -------------------------------------------------------------------------

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

// --- Presentation handled by the window
// ------------------------------------------------------------

void CMainWnd::OnEqMode(const ui::Notification& n) {
    auto* button = qobject_cast<QAbstractButton*>(n.sender);
    const bool toParametric = button ? button->isChecked() : !parametric_;
    const QString question =
        toParametric ? QStringLiteral("${peq_mode_tips}") : QStringLiteral("${geq_mode_tips}");
    if (CMsgWnd::ShowMessage(this, QStringLiteral("${tips}"), question) != 1) {
        SetParametricMode(parametric_);  // declined: the button returns to the current mode
        return;
    }
    SetParametricMode(toParametric);
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
    if (n.name.startsWith(QLatin1String("edit_ch_delay_"))) {
        ShowDelaySlider(n.Index());
        return;
    }
    WriteLog(L"on mSliderChDelay SetVisible false\n");
    ShowDelaySlider(-1);
    if (n.name.startsWith(QLatin1String("eq_freq_")) || n.name.startsWith(QLatin1String("eq_q_")) ||
        n.name.startsWith(QLatin1String("eq_gain_"))) {
        Pending("SelectEqBand", n.Index());
    }
}

void CMainWnd::OnFocusRing(const ui::Notification& n) {
    const QString next = FocusRingNeighbour(n.name, n.type == n::kValueChangedRight);
    if (auto* edit = FindControl<QLineEdit>(next)) {
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

void CMainWnd::OnDelayUnit(const ui::Notification&) {
    WriteLog(L"on eq comb_ch_unit valuechanged\n");
    for (int ch = 0; ch < kChannels; ++ch) {
        RefreshChannelDelay(ch);
    }
}

void CMainWnd::OnEqualizerGraph(const ui::Notification& n) {
    bool ok = false;
    const int index = graph_ ? graph_->Text().toInt(&ok) : -1;
    if (!ok || index < 0) {
        return;  // no band selected
    }
    WriteLog(L"on DUI_MSGTYPE_EQUALIZERCHANGED index %d\n", index);
    const int kind = n.type == kEqualizerEq ? 0 : (n.type == kEqualizerHp ? 1 : 2);
    (void)kind;
    Pending("EqualizerCallback", index);
}

// --- Tuning operations of the controller (attached when it offers them)
// ----------------------------

void CMainWnd::OnAmpSwitch(const ui::Notification& n) {
    Pending("SetAmpOnOff", n.Index());
}
void CMainWnd::OnResetEq(const ui::Notification& n) {
    Pending("SetOutputEqReset", n.Index());
}
void CMainWnd::OnBypass(const ui::Notification& n) {
    Pending("SetOutputBypass", n.Index());
}
void CMainWnd::OnResetOutput(const ui::Notification& n) {
    Pending("SetOutputReset", n.Index());
}
void CMainWnd::OnLockOutput(const ui::Notification& n) {
    Pending("SetOutpuLock", n.Index());
    RefreshLinkLock();  // the button shows the model's state until the operation exists
}
void CMainWnd::OnLinkOutput(const ui::Notification& n) {
    Pending("SetOutputLink", n.Index());
    RefreshLinkLock();
}
void CMainWnd::OnChannelSelect(const ui::Notification& n) {
    WriteLog(L"on SetCurChannelChange channel index %d\n", n.Index());
    Pending("SetCurChannelChange", n.Index());
    RefreshChannelSelector(CurrentChannel());
}
void CMainWnd::OnSpeakerFocus(const ui::Notification& n) {
    Pending("SetSpeakerFocus", n.Index());
    RefreshChannelSelector(CurrentChannel());
}
void CMainWnd::OnBandEnable(const ui::Notification& n) {
    WriteLog(L"OnEqEnable mEqIndex %d\n", n.Index());
    Pending("OnEqEnable", n.Index());
    RefreshBand(CurrentChannel(), n.Index());
}
void CMainWnd::OnDebugWindow(const ui::Notification& n) {
    Pending("OpenMemoryWindow", n.Index());
}
void CMainWnd::OnAutoCalibration(const ui::Notification& n) {
    Pending("OpenAutoCalibration", n.Index());
}
void CMainWnd::OnChannelShow(const ui::Notification& n) {
    Pending("SetChShow", n.Index());
    RefreshChannelSelector(CurrentChannel());
}
void CMainWnd::OnChannelMute(const ui::Notification& n) {
    Pending("SetChMute", n.Index());
    RefreshChannelMute(n.Index());
}
void CMainWnd::OnChannelPhase(const ui::Notification& n) {
    Pending("SetChPhase", n.Index());
    RefreshChannelPhase(n.Index());
}
void CMainWnd::OnChannelSync(const ui::Notification& n) {
    Pending("SetChSynchronize", n.Index());
    if (auto* option = qobject_cast<QAbstractButton*>(n.sender)) {
        option->setChecked(Live().syncChannels[static_cast<size_t>(n.Index() % kChannels)] != 0);
    }
}
void CMainWnd::OnMainMute(const ui::Notification& n) {
    Pending("SetMainMute", n.Index());
    RefreshMainMute();
}
void CMainWnd::OnChannelInput(const ui::Notification& n) {
    Pending("SetChInput", n.Index());
    RefreshInputSwitches(n.Index());
}
void CMainWnd::OnBandSlider(const ui::Notification& n) {
    Pending("SetChEqSlider", n.Index());
}
void CMainWnd::OnMainVolumeSlider(const ui::Notification& n) {
    Pending("SetMainVolume", n.Index());
}
void CMainWnd::OnChannelVolumeSlider(const ui::Notification& n) {
    Pending("SetChVolume", n.Index());
}
void CMainWnd::OnChannelDelaySlider(const ui::Notification& n) {
    Pending("SetChDelay", n.Index());
}

void CMainWnd::OnStep(const ui::Notification& n) {
    static const std::pair<const char*, const char*> kSteps[] = {
        {"eq_freq_", "SetEqFreqUp"},          {"eq_q_", "SetEqQUp"},
        {"eq_gain_", "SetEqGainUp"},          {"hp_freq", "SetHpFreqUp"},
        {"lp_freq", "SetLpFreqUp"},           {"edit_main_volume", "SetMainVolumeUp"},
        {"edit_ch_volume_", "SetChVolumeUp"}, {"edit_ch_delay_", "SetChDelayUp"},
    };
    for (const auto& [prefix, operation] : kSteps) {
        if (n.name.startsWith(QLatin1String(prefix))) {
            Pending(operation, n.Index());
            return;
        }
    }
}

void CMainWnd::OnCommit(const ui::Notification& n) {
    static const std::pair<const char*, const char*> kCommits[] = {
        {"edit_main_volume", "SetMainVolumeEdit"},
        {"hp_freq", "SetHpFreq"},
        {"lp_freq", "SetLpFreq"},
        {"edit_ch_delay_", "SetChDelayEdit"},
        {"edit_ch_volume_", "SetChVolumeEdit"},
        {"eq_freq_", "SetChEqEdit"},
        {"eq_q_", "SetChEqEdit"},
        {"eq_gain_", "SetChEqEdit"},
    };
    for (const auto& [prefix, operation] : kCommits) {
        if (n.name.startsWith(QLatin1String(prefix))) {
            Pending(operation, n.Index());
            return;
        }
    }
}

void CMainWnd::OnCrossoverCombo(const ui::Notification& n) {
    Pending(n.name.endsWith(QLatin1String("type")) ? "SetFilterType" : "SetFilterSlope", n.Index());
    RefreshCrossover(CurrentChannel());
}

void CMainWnd::OnInputSource(const ui::Notification& n) {
    Pending("SetInputSource", n.Index());
    RefreshSource();
}

}  // namespace korvel
