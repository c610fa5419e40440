#include "windows/noise_threshold_wnd.h"

#include <QLineEdit>
#include <QProgressBar>
#include <algorithm>
#include <cmath>

#include "controller/tool_values.h"
#include "log/log.h"
#include "model/sources.h"
#include "uiframework/language.h"
#include "windows/tool_skin.h"
#include "windows/window_resources.h"

namespace korvel {

namespace {

const QString kValueEdit = QStringLiteral("value_edt");
constexpr int kBarMin = -100;
constexpr int kBarMax = 0;

}  // namespace

CNoiseThresholdWnd::CNoiseThresholdWnd(QWidget* owner, EqualizerManager& manager)
    : WindowImplBase(owner, QStringLiteral("msgwnd"), WindowLayout("XML_NOISE_THRESHOLD")),
      manager_(manager) {
    setProperty("windowClass", QStringLiteral("NoiseThresholdWnd"));
    timer_.setInterval(kPollMs);
    connect(&timer_, &QTimer::timeout, this, &CNoiseThresholdWnd::Poll);
}

void CNoiseThresholdWnd::InitWindow() {
    ApplyToolSkin(*this);
    ShowThreshold(manager_.InputThreshold());
    const int source = manager_.LiveScene().sourceIndex;
    inputs_ = IsValidSourceIndex(source) ? std::min(MixableInputs(source), kRows) : 0;
    for (int i = 0; i < kRows; ++i) {
        if (auto* bar = FindControl<QProgressBar>(QStringLiteral("progress_%1").arg(i))) {
            bar->setRange(kBarMin, kBarMax);
            bar->setValue(kBarMin);
        }
        SetVisible(QStringLiteral("in_%1").arg(i), i < inputs_);
        SetVisible(QStringLiteral("prg_group_%1").arg(i), i < inputs_);
    }
    SetVisible(QStringLiteral("noise_title"), inputs_ > 0);
    SetVisible(QStringLiteral("no_inputs"), inputs_ == 0);
    ShowRows();
    if (manager_.Link().IsOpen()) {
        // The connection does not read the threshold: the device's own value replaces the
        // model's when it arrives.
        manager_.RequestInputThreshold();
        timer_.start();
    }
    FitToContent();
}

void CNoiseThresholdWnd::ShowRows() {
    const int source = manager_.LiveScene().sourceIndex;
    const std::string_view key = SourceItemName(source);
    const QString name = ui::Tr(QStringLiteral("${%1}").arg(
        QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size()))));
    for (int i = 0; i < inputs_; ++i) {
        SetText(QStringLiteral("in_%1").arg(i),
                QString::fromStdString(InputRowTitle(name.toStdString(), i, inputs_)));
    }
}

void CNoiseThresholdWnd::OnLanguageChanged() {
    ShowThreshold(manager_.InputThreshold());
    ShowRows();
}

QString CNoiseThresholdWnd::OffText() const {
    return ui::Tr(QString::fromLatin1(kOffText));
}

void CNoiseThresholdWnd::ShowThreshold(int dbu) {
    SetText(kValueEdit, QString::fromStdString(ThresholdText(dbu)));
}

void CNoiseThresholdWnd::Notify(const ui::Notification& notification) {
    const QString& type = notification.type;
    const QString& name = notification.name;
    if (name == kValueEdit) {
        if (type == ui::notify::kValueChangedUp || type == ui::notify::kValueChangedDown) {
            Step(type == ui::notify::kValueChangedUp);
        } else if (type == ui::notify::kReturn) {
            Commit();
        }
        return;
    }
    if (type != ui::notify::kClick) {
        return;
    }
    if (name == QLatin1String("confirm_btn")) {
        // A value typed but not yet entered is taken as well, rather than lost.
        if (Text(kValueEdit) !=
            ui::Tr(QString::fromStdString(ThresholdText(manager_.InputThreshold())))) {
            Commit();
        }
        Close(1);
    } else if (name == QLatin1String("cancel_btn") || name == QLatin1String("closebtn")) {
        Close(0);
    }
}

void CNoiseThresholdWnd::Step(bool up) {
    // The shown value is the one stepped: a text typed but not entered counts.
    const std::optional<int> shown =
        ParseThresholdText(Text(kValueEdit).toStdString(), OffText().toStdString());
    const int from = shown.value_or(manager_.InputThreshold());
    ShowThreshold(manager_.SetInputThreshold(StepThreshold(from, up)));
    if (auto* edit = FindControl<QLineEdit>(kValueEdit)) {
        edit->setFocus();
    }
}

void CNoiseThresholdWnd::Commit() {
    manager_.SetInputThresholdEdit(Text(kValueEdit).toStdString(), OffText().toStdString());
    // Text without a number changes nothing: the stored value is shown again.
    ShowThreshold(manager_.InputThreshold());
    if (auto* edit = FindControl<QLineEdit>(kValueEdit)) {
        edit->setFocus();
    }
}

void CNoiseThresholdWnd::Poll() {
    if (stopped_ || !isVisible()) {
        return;
    }
    manager_.RequestInputNoise();
}

void CNoiseThresholdWnd::ShowInputNoise(std::span<const float> levels) {
    float six[kRows] = {};
    for (size_t i = 0; i < static_cast<size_t>(kRows) && i < levels.size(); ++i) {
        six[i] = levels[i];
    }
    WriteLog("input noise value %.1f %.1f %.1f %.1f %.2f %.1f\n", six[0], six[1], six[2], six[3],
             six[4], six[5]);
    for (int i = 0; i < inputs_; ++i) {
        const float level = six[i];
        SetText(QStringLiteral("noise_%1").arg(i), QString::asprintf(" %.1f", level));
        if (auto* bar = FindControl<QProgressBar>(QStringLiteral("progress_%1").arg(i))) {
            bar->setValue(std::clamp(static_cast<int>(std::lround(level)), kBarMin, kBarMax));
        }
    }
}

void CNoiseThresholdWnd::ShowDeviceThreshold(int dbu) {
    ShowThreshold(dbu);
}

void CNoiseThresholdWnd::done(int result) {
    // However the window closes (buttons, Escape), the polling ends with it.
    stopped_ = true;
    timer_.stop();
    WindowImplBase::done(result);
}

}  // namespace korvel
