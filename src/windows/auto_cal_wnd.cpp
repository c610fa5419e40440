#include "windows/auto_cal_wnd.h"

#include <QAbstractButton>
#include <QFile>
#include <QProgressBar>
#include <QStyle>
#include <algorithm>

#include "eqgraph/calibration_curves.h"
#include "eqgraph/widget/ui_equalizer_ac.h"
#include "log/log.h"
#include "model/scene_reset.h"
#include "model/speaker_roles.h"
#include "uiframework/framework.h"
#include "uiframework/language.h"
#include "uiframework/s_button.h"
#include "windows/msg_wnd.h"
#include "windows/window_resources.h"

namespace korvel {

namespace {

const QString kSkin = QStringLiteral(":/skin/auto_cal.qss");
const QString kStartButton = QStringLiteral("start_auto_cal");
const QString kCloseButton = QStringLiteral("closebtn");
const QString kTips = QStringLiteral("tips");
const QString kEffectNull = QStringLiteral("audio_effect_null");
const QString kEffect0 = QStringLiteral("audio_effect_0");
constexpr QRgb kTargetColor = 0xFFC8CED8;
constexpr const char* kDisplaySpectrum = "display_spk";
constexpr const char* kDisplayEq = "display_eq";
constexpr const char* kDisplayTarget = "display_target";
constexpr const char* kDisplayPredicted = "display_predict";

struct ItemBit {
    const char* name;
    int bit;
};
constexpr ItemBit kItems[] = {
    {"irc_eq", kIrcModuleEq}, {"irc_delay", kIrcModuleDelay}, {"irc_phase", kIrcModulePhase}};

QString Indexed(const char* pattern, int index) {
    return QString::fromLatin1(pattern).arg(index);
}

QString LoadText(const QString& resource) {
    QFile file(resource);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace

CAutoCalWnd::CAutoCalWnd(QWidget* owner, const SceneRecord& scene, DeviceLink& link,
                         AutoCalTimings timings)
    : MessageWindow(owner, QStringLiteral("autocalwnd"), WindowLayout("XML_AUTO_CAL")),
      scene_(scene),
      link_(link),
      timings_(timings) {
    setProperty("windowClass", QStringLiteral("AutoCalWnd"));
}

CAutoCalWnd::~CAutoCalWnd() = default;

QWidget* CAutoCalWnd::CreateControl(const QString& tag, QWidget* parent) {
    if (tag == QLatin1String("CurveAc")) {
        graph_ = new UIEqualizerAc(parent);
        // Every channel shares the target: one neutral colour keeps it apart from the channels.
        graph_->SetSolidCurveColor(QColor::fromRgba(kTargetColor));
        return graph_;
    }
    if (tag == QLatin1String("SButton")) {
        return new ui::SButtonUI(parent);
    }
    return MessageWindow::CreateControl(tag, parent);
}

void CAutoCalWnd::InitWindow() {
    ui::UiFramework::Instance().ApplyScreenDpi();
    ApplySkin();
    connect(&ui::UiFramework::Instance(), &ui::UiFramework::ScaleChanged, this,
            [this] { ApplySkin(); });
    forward_ = MessageTargetForThreads();
    session_ = std::make_unique<AutoCalSession>(link_, forward_.get(), timings_);

    InitChannels();
    for (int k = 0; k < kIrcEffectModes; ++k) {
        SetText(Indexed("audio_effect_%1", k), QStringLiteral("${irc_effect} %1").arg(k + 1));
    }
    mIrcModel = 0;
    for (const ItemBit& item : kItems) {
        mIrcModel |= Checked(QLatin1String(item.name)) ? item.bit : 0;
    }
    std::array<EqBand, kBandCount> flat{};
    ResetBands(flat);
    for (int ch = 0; ch < kChannels; ++ch) {
        BandsResponseOnGrid(flat, eqFrequencies_[ch], eqDb_[ch]);
    }
    LoadTarget(CalibrationTarget::kNull);
    SetProgress(0);
    ShowRunning(false);
    DrawAll();
}

void CAutoCalWnd::ApplySkin() {
    if (QWidget* root = FindControl(QStringLiteral("autocal_root"))) {
        root->setStyleSheet(ui::UiFramework::ScaleStyleSheet(LoadText(kSkin), ScalePercent()));
    }
    if (graph_) {
        graph_->SetScalePercent(ScalePercent());
    }
}

// A channel without a speaker role cannot be measured: its box is cleared and disabled.
void CAutoCalWnd::InitChannels() {
    for (int ch = 0; ch < kChannels; ++ch) {
        auto* box = FindControl<QAbstractButton>(Indexed("ch_checkbox_%1", ch));
        if (box == nullptr) {
            continue;
        }
        const int role = NormaliseRole(scene_.outputs[static_cast<size_t>(ch)]);
        ui::SetControlText(
            box, QStringLiteral("CH%1  %2")
                     .arg(ch + 1)
                     .arg(QString::fromLatin1(RoleName(role).data(), RoleName(role).size())));
        if (role == kRoleEmpty) {
            box->setChecked(false);
            box->setEnabled(false);
        }
        channelShown_[ch] = box->isChecked() ? 1 : 0;
        // The swatch is the legend of the channel's curves.
        if (QWidget* swatch = FindControl(Indexed("ch_color_%1", ch))) {
            swatch->setStyleSheet(QStringLiteral("background: %1; border-radius: 2px;")
                                      .arg(UIEqualizerAc::ShortCurveColor(ch).name()));
        }
    }
}

bool CAutoCalWnd::Checked(const QString& name) const {
    const auto* button = FindControl<QAbstractButton>(name);
    return button != nullptr && button->isChecked();
}

void CAutoCalWnd::ShowTips(const QString& key, bool problem) {
    SetText(kTips, key);
    if (QWidget* tips = FindControl(kTips); tips && tips->property("state").toBool() != problem) {
        tips->setProperty("state", problem);
        tips->style()->unpolish(tips);
        tips->style()->polish(tips);
    }
}

void CAutoCalWnd::SetProgress(int percent) {
    if (auto* bar = FindControl<QProgressBar>(QStringLiteral("progress"))) {
        bar->setValue(std::clamp(percent, 0, 100));
    }
}

void CAutoCalWnd::ShowRunning(bool running) {
    SetText(kStartButton, running ? QStringLiteral("${stop}") : QStringLiteral("${start_irc}"));
    SetEnabled(kStartButton, true);
    if (auto* button = FindControl<ui::SButtonUI>(kStartButton)) {
        button->SetState(running ? QStringLiteral("running") : QStringLiteral("idle"));
    }
    SetEnabled(kCloseButton, !running);
}

// --- User actions ------------------------------------------------------------------------------

void CAutoCalWnd::Notify(const ui::Notification& n) {
    if (n.type == ui::notify::kClick) {
        if (n.name == kStartButton) {
            OnStart();
        } else if (n.name == QLatin1String("irc_save_data")) {
            OnApply();
        } else if (n.name == QLatin1String("irc_cancel_data")) {
            OnDiscard();
        } else if (n.name == kCloseButton) {
            OnClose();
        }
    } else if (n.type == ui::notify::kSelectChanged) {
        OnOptionChanged(n);
    }
}

void CAutoCalWnd::OnOptionChanged(const ui::Notification& n) {
    if (n.name.startsWith(QLatin1String("ch_checkbox_"))) {
        const int ch = n.Index();
        if (ch >= 0 && ch < kChannels) {
            channelShown_[ch] = Checked(n.name) ? 1 : 0;
            DrawAll();
        }
        return;
    }
    for (const ItemBit& item : kItems) {
        if (n.name == QLatin1String(item.name)) {
            mIrcModel = Checked(n.name) ? (mIrcModel | item.bit) : (mIrcModel & ~item.bit);
            return;
        }
    }
    if (n.name == kEffectNull && Checked(n.name)) {
        LoadTarget(CalibrationTarget::kNull);
        DrawTargets();
    } else if (n.name == kEffect0 && Checked(n.name)) {
        LoadTarget(CalibrationTarget::kEffect0);
        DrawTargets();
    } else if (n.name == QLatin1String(kDisplaySpectrum)) {
        DrawSpectra();
    } else if (n.name == QLatin1String(kDisplayEq)) {
        DrawEqualizers();
    } else if (n.name == QLatin1String(kDisplayTarget)) {
        DrawTargets();
    } else if (n.name == QLatin1String(kDisplayPredicted)) {
        DrawPredicted();
    }
}

void CAutoCalWnd::OnStart() {
    // A run can always be stopped, whatever the items show now.
    if (session_->Running()) {
        session_->Stop();
        ShowRunning(false);
        ShowTips(QStringLiteral("${irc_stoped}"));
        return;
    }
    if (mIrcModel == 0) {
        CMsgWnd::ShowMessage(this, QStringLiteral("${tips}"),
                             QStringLiteral("${irc_option_warning_tips}"),
                             {QStringLiteral("${confirm}")}, 1);
        return;
    }
    std::array<bool, kIrcEffectModes> effects{};
    for (int k = 0; k < kIrcEffectModes; ++k) {
        effects[k] = Checked(Indexed("audio_effect_%1", k));
    }
    std::array<bool, kChannels> channels{};
    for (int ch = 0; ch < kChannels; ++ch) {
        channels[ch] = Checked(Indexed("ch_checkbox_%1", ch));
    }
    const AutoCalRequest request{mIrcModel, IrcChannelMask(channels), IrcEqMode(effects)};
    WriteLog("mIrcCh = 0x%x\n", request.channelMask);
    const int answer =
        CMsgWnd::ShowMessage(this, QStringLiteral("${tips}"), QStringLiteral("${irc_warning_tips}"),
                             {QStringLiteral("${confirm}"), QStringLiteral("${cancel}")}, 2);
    if (answer != 1) {
        return;
    }
    if (session_->Start(request) == AutoCalSession::StartResult::kStarted) {
        ShowRunning(true);
        ShowTips(QStringLiteral("${start_irc_tips}"));
        SetProgress(0);
    }
}

void CAutoCalWnd::OnApply() {
    bool answered = false;
    if (!session_->Apply(session_->Request().eqMode, &answered)) {
        ShowTips(QStringLiteral("${irc_start_tips}"));
        return;
    }
    ShowTips(answered ? QStringLiteral("${irc_applyed}") : QStringLiteral("${irc_no_answer}"),
             !answered);
}

void CAutoCalWnd::OnDiscard() {
    bool answered = false;
    if (!session_->Discard(&answered)) {
        ShowTips(QStringLiteral("${irc_start_tips}"));
        return;
    }
    ShowTips(answered ? QStringLiteral("${irc_canceled}") : QStringLiteral("${irc_no_answer}"),
             !answered);
}

// Closing always leaves the amplifier with its result decided: a run still going is stopped
// there, a completed result is applied when the user says so and discarded otherwise.
void CAutoCalWnd::OnClose() {
    if (closing_) {
        return;
    }
    closing_ = true;
    session_->Stop();
    session_->Release();
    if (session_->CanDecide()) {
        const int answer = CMsgWnd::ShowMessage(
            this, QStringLiteral("${tips}"), QStringLiteral("${irc_apply_tips}"),
            {QStringLiteral("${confirm}"), QStringLiteral("${cancel}")}, 2);
        if (answer == 1) {
            session_->Apply(session_->Request().eqMode);
        } else {
            session_->Discard();
        }
    } else if (!session_->Decided()) {
        session_->SendDiscard();
    }
    Close(session_->Applied() ? 1 : 0);
}

void CAutoCalWnd::reject() {
    OnClose();
}

void CAutoCalWnd::CloseForDisconnect() {
    if (closing_ || !session_) {
        return;
    }
    closing_ = true;
    session_->Stop();
    session_->Release();
    if (!session_->Decided()) {
        session_->SendDiscard();
    }
    Close(0);
}

// --- Device messages -----------------------------------------------------------------------------

void CAutoCalWnd::HandleMessage(Message& message) {
    if (!session_) {
        return;
    }
    switch (message.id) {
        case kMsgCalibration:
            OnReport(message);
            break;
        case kMsgCalibrationProgress:
            if (!session_->StopRequested()) {
                SetProgress(static_cast<int>(message.wParam));
            }
            break;
        case kMsgAutoCalEnded:
            OnRunEnded(static_cast<AutoCalEnd>(message.wParam));
            break;
        default:
            break;
    }
}

void CAutoCalWnd::OnReport(const Message& m) {
    if (session_->StopRequested()) {
        return;  // a report of the stopped run, still queued
    }
    const int code = static_cast<int>(m.wParam);
    const int value = static_cast<int>(m.value);
    switch (code) {
        case kIrcDone:
        case kIrcExit:
            ShowRunning(false);
            ShowTips(QString::fromLatin1(IrcStatusText(code).key));
            SetProgress(value);
            return;
        case kIrcFailed: {
            ShowRunning(false);
            const IrcText text = IrcFailureText(value);
            if (*text.key != '\0') {
                ShowTips(QString::fromLatin1(text.key), true);
            }
            return;
        }
        case kIrcEqBandRecord:
            if (const auto* band = std::get_if<IrcEqBandReport>(&m.record);
                band && band->band > 9) {
                WriteLog("update EQ response\n");
                ComputeEqualizer(band->channel);
                ComputePredicted(band->channel);
                DrawEqualizers();
                DrawPredicted();
            }
            return;
        case kIrcSpectrumRecord:
            if (const auto* point = std::get_if<IrcSpectrumReport>(&m.record);
                point && point->band == kIrcSpectrumPoints - 1) {
                CopySpectrum(point->channel);
                ComputePredicted(point->channel);
                DrawSpectra();
                DrawPredicted();
            }
            return;
        default:
            break;
    }
    if (code > kIrcTestDataUpdate) {
        return;  // further data records: no effect
    }
    if (const char* key = IrcStatusText(code).key; *key != '\0') {
        ShowTips(QString::fromLatin1(key));
    }
    if (code <= kIrcResponseTest) {
        SetProgress(value);
    }
}

void CAutoCalWnd::OnRunEnded(AutoCalEnd end) {
    session_->Release();
    if (end == AutoCalEnd::kDeviceLost) {
        ShowRunning(false);
        ShowTips(QStringLiteral("${device_plugout}"), true);
    } else if (end != AutoCalEnd::kStopped) {
        ShowRunning(false);
    }
}

// --- Curves -----------------------------------------------------------------------------------

void CAutoCalWnd::LoadTarget(CalibrationTarget target) {
    const CalibrationTargetBands& bands = CalibrationTargetPreset(target);
    BandsResponseOnGrid(bands, targetFrequencies_[0], targetDb_[0]);
    for (int ch = 1; ch < kChannels; ++ch) {
        targetFrequencies_[ch] = targetFrequencies_[0];
        targetDb_[ch] = targetDb_[0];
    }
}

// Channels come from checked records (0..5) but are checked again: the arrays are fixed.
void CAutoCalWnd::ComputeEqualizer(int channel) {
    if (channel < 0 || channel >= kChannels) {
        return;
    }
    const AutoCalChannel data = session_->Channel(channel);
    BandsResponseOnGrid(data.bands, eqFrequencies_[channel], eqDb_[channel]);
}

void CAutoCalWnd::CopySpectrum(int channel) {
    if (channel < 0 || channel >= kChannels) {
        return;
    }
    const AutoCalChannel data = session_->Channel(channel);
    for (int i = 0; i < kIrcSpectrumPoints; ++i) {
        spectrumFrequencies_[channel][i] = data.spectrum[i].freq;
        spectrumDb_[channel][i] = data.spectrum[i].level;
    }
}

// Measured response plus the derived equaliser at the measured frequencies.
void CAutoCalWnd::ComputePredicted(int channel) {
    if (channel < 0 || channel >= kChannels || spectrumFrequencies_[channel][0] <= 0.0) {
        return;
    }
    const AutoCalChannel data = session_->Channel(channel);
    ShortCurve eq{};
    BandsResponseAt(data.bands, spectrumFrequencies_[channel], eq);
    predictedFrequencies_[channel] = spectrumFrequencies_[channel];
    for (int i = 0; i < kIrcSpectrumPoints; ++i) {
        predictedDb_[channel][i] = spectrumDb_[channel][i] + eq[i];
    }
}

std::array<int, CAutoCalWnd::kChannels> CAutoCalWnd::ShowFlags(const char* displayOption) const {
    std::array<int, kChannels> show{};
    const bool familyOn = Checked(QLatin1String(displayOption));
    for (int ch = 0; ch < kChannels; ++ch) {
        show[ch] = familyOn && channelShown_[ch] != 0 ? 1 : 0;
    }
    return show;
}

void CAutoCalWnd::DrawSpectra() {
    if (graph_) {
        graph_->SetShortCurves(spectrumFrequencies_, spectrumDb_, kChannels, 0,
                               ShowFlags(kDisplaySpectrum));
    }
}

void CAutoCalWnd::DrawEqualizers() {
    if (graph_) {
        graph_->SetDashedCurves(eqFrequencies_, eqDb_, kChannels, 0, ShowFlags(kDisplayEq));
    }
}

void CAutoCalWnd::DrawTargets() {
    if (graph_) {
        graph_->SetSolidCurves(targetFrequencies_, targetDb_, kChannels, 0,
                               ShowFlags(kDisplayTarget));
    }
}

void CAutoCalWnd::DrawPredicted() {
    if (graph_) {
        graph_->SetPredictedCurves(predictedFrequencies_, predictedDb_, kChannels, 0,
                                   ShowFlags(kDisplayPredicted));
    }
}

void CAutoCalWnd::DrawAll() {
    DrawSpectra();
    DrawEqualizers();
    DrawTargets();
    DrawPredicted();
}

}  // namespace korvel
