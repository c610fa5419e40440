#include "windows/mixer_wnd.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QSlider>

#include "controller/tool_values.h"
#include "controller/tuning_values.h"
#include "log/log.h"
#include "model/sources.h"
#include "uiframework/dpi_scale.h"
#include "uiframework/framework.h"
#include "uiframework/language.h"
#include "windows/tool_skin.h"
#include "windows/window_resources.h"

namespace korvel {

namespace {

// The layout holds eight columns and six rows; the window drops the space of what it hides.
constexpr int kHiddenColumnsWidth = 230;
constexpr int kAllRowsHeight = 498;
constexpr int kRowHeight = 83;

QString CellName(const char* prefix, int output, int input) {
    return QStringLiteral("%1_%2_%3").arg(QLatin1String(prefix)).arg(output).arg(input);
}

}  // namespace

CMixerWnd::CMixerWnd(QWidget* owner, EqualizerManager& manager, int source)
    : WindowImplBase(owner, QStringLiteral("mixerwnd"), WindowLayout("XML_MIXER")),
      manager_(manager),
      source_(source) {
    setProperty("windowClass", QStringLiteral("MixerWnd"));
    inputs_ = IsValidSourceIndex(source) ? std::min(MixableInputs(source), kRows) : 0;
}

void CMixerWnd::InitWindow() {
    ApplyToolSkin(*this);
    WriteLog("CMixerWnd source %d inputs %d\n", source_, inputs_);
    BuildMatrix();
    ShowTitles();
    ApplySizeRule();
    // The size rule holds at every display scale.
    connect(&ui::UiFramework::Instance(), &ui::UiFramework::ScaleChanged, this,
            [this] { ApplySizeRule(); });
    ready_ = true;
}

void CMixerWnd::BuildMatrix() {
    for (int output = 0; output < kColumns; ++output) {
        SetVisible(QStringLiteral("column_%1").arg(output), output < kOutputs);
        SetText(QStringLiteral("column_title_%1").arg(output),
                QStringLiteral("CH%1").arg(output + 1));
        for (int input = 0; input < kRows; ++input) {
            SetVisible(CellName("box", output, input), input < inputs_);
            SetVisible(CellName("box_grap", output, input), input < inputs_ - 1);
            if (auto* slider = FindControl<QSlider>(CellName("box_volume", output, input))) {
                slider->setRange(kMixLevelMin, kMixLevelMax);
            }
            if (output < kOutputs && input < inputs_) {
                ShowCell({output, input});
            }
        }
    }
    for (int input = 0; input < kRows; ++input) {
        for (const char* row : {"left_box_%1", "second_%1", "title_label_%1"}) {
            SetVisible(QString::fromLatin1(row).arg(input), input < inputs_);
        }
        for (const char* gap : {"left_grap_%1", "second_grap_%1"}) {
            SetVisible(QString::fromLatin1(gap).arg(input), input < inputs_ - 1);
        }
    }
    SetVisible(QStringLiteral("matrix"), inputs_ > 0);
    SetVisible(QStringLiteral("no_inputs"), inputs_ == 0);
}

void CMixerWnd::ShowTitles() {
    const std::string_view key = SourceItemName(source_);
    const QString name = ui::Tr(QStringLiteral("${%1}").arg(
        QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size()))));
    SetText(QStringLiteral("source_label"), name);
    for (int input = 0; input < inputs_; ++input) {
        SetText(QStringLiteral("title_label_%1").arg(input),
                QString::fromStdString(InputRowTitle(name.toStdString(), input, inputs_)));
    }
}

void CMixerWnd::ApplySizeRule() {
    const QSize design = DesignSize();
    const int percent = ScalePercent();
    const int width = ui::ScaleLength(design.width() - kHiddenColumnsWidth, percent);
    const int height =
        ui::ScaleLength(design.height() - kAllRowsHeight + kRowHeight * inputs_, percent);
    setMinimumSize(0, 0);
    resize(width, height);
}

std::optional<CMixerWnd::CellIndex> CMixerWnd::CellOf(const QString& name) const {
    bool outputOk = false;
    bool inputOk = false;
    const int output = name.section(QLatin1Char('_'), -2, -2).toInt(&outputOk);
    const int input = name.section(QLatin1Char('_'), -1).toInt(&inputOk);
    if (!outputOk || !inputOk || output < 0 || output >= kOutputs || input < 0 ||
        input >= inputs_) {
        return std::nullopt;
    }
    return CellIndex{output, input};
}

void CMixerWnd::ShowCell(CellIndex cell) {
    const std::optional<MixCell> value = manager_.MixerCell(source_, cell.input, cell.output);
    if (!value) {
        return;
    }
    const int shown = value->enabled ? value->level : 0;
    if (auto* box = FindControl<QAbstractButton>(CellName("box_enable", cell.output, cell.input))) {
        box->setChecked(value->enabled);
    }
    if (auto* slider = FindControl<QSlider>(CellName("box_volume", cell.output, cell.input))) {
        slider->setValue(shown);
    }
    SetText(CellName("box_edit", cell.output, cell.input), QString::number(shown));
}

void CMixerWnd::Notify(const ui::Notification& n) {
    if (!ready_) {
        return;  // the controls are being filled
    }
    const QString& type = n.type;
    if (type == ui::notify::kClick) {
        if (n.name == QLatin1String("confirm_btn")) {
            Close(1);
        } else if (n.name == QLatin1String("cancel_btn") || n.name == QLatin1String("closebtn")) {
            Close(0);
        } else if (n.name == QLatin1String("third_btn")) {
            Close(2);
        }
        return;
    }
    const std::optional<CellIndex> cell = CellOf(n.name);
    if (!cell) {
        return;
    }
    if (n.name.startsWith(QLatin1String("box_enable_")) && type == ui::notify::kSelectChanged) {
        OnEnable(*cell);
    } else if (n.name.startsWith(QLatin1String("box_volume_")) &&
               (type == ui::notify::kValueChanged || type == ui::notify::kMoveValueChanged)) {
        OnSlider(*cell);
    } else if (n.name.startsWith(QLatin1String("box_edit_"))) {
        if (type == ui::notify::kReturn || type == ui::notify::kKillFocus ||
            type == ui::notify::kSetFocus) {
            OnEditCommit(*cell);
        } else if (type == ui::notify::kValueChangedUp || type == ui::notify::kValueChangedDown) {
            OnEditStep(*cell, type == ui::notify::kValueChangedUp);
        } else if (type == ui::notify::kValueChangedLeft ||
                   type == ui::notify::kValueChangedRight) {
            FocusEdit(
                NeighbourEdit(cell->output, cell->input, type == ui::notify::kValueChangedRight));
        }
    }
}

void CMixerWnd::OnEnable(CellIndex cell) {
    const auto* box = FindControl<QAbstractButton>(CellName("box_enable", cell.output, cell.input));
    manager_.SetMixEnable(source_, cell.input, cell.output, box && box->isChecked());
    ShowCell(cell);
}

void CMixerWnd::OnSlider(CellIndex cell) {
    const auto* slider = FindControl<QSlider>(CellName("box_volume", cell.output, cell.input));
    if (slider == nullptr) {
        return;
    }
    const int value = slider->value();
    WriteLog("SetInputTrimSlider set in_ch %d out_ch %d volume to %ddB\n", cell.input, cell.output,
             value);
    manager_.SetMixLevel(source_, cell.input, cell.output, value);
    ShowCell(cell);
    FocusEdit(CellName("box_edit", cell.output, cell.input));
}

void CMixerWnd::OnEditCommit(CellIndex cell) {
    const QString name = CellName("box_edit", cell.output, cell.input);
    const std::optional<int> typed = ParseWholeNumber(Text(name).toStdString());
    const std::optional<MixCell> stored = manager_.MixerCell(source_, cell.input, cell.output);
    if (!typed || !stored) {
        ShowCell(cell);  // no number: the stored level is shown again
        return;
    }
    const int level = ClampMixLevel(*typed);
    const MixCell wanted{level != 0, level};
    // Focus moves re-commit the text; a level already in force is not sent again.
    if (wanted != MixCell{stored->enabled, stored->enabled ? stored->level : 0}) {
        WriteLog("SetInputTrimEdit set in_ch %d out_ch %d volume to %ddB\n", cell.input,
                 cell.output, level);
        manager_.SetMixLevel(source_, cell.input, cell.output, level);
    }
    ShowCell(cell);
}

void CMixerWnd::OnEditStep(CellIndex cell, bool up) {
    const QString name = CellName("box_edit", cell.output, cell.input);
    const std::optional<MixCell> stored = manager_.MixerCell(source_, cell.input, cell.output);
    const int from = ParseWholeNumber(Text(name).toStdString())
                         .value_or(stored && stored->enabled ? stored->level : 0);
    SetText(name, QString::number(ClampMixLevel(static_cast<long long>(from) + (up ? 1 : -1))));
    OnEditCommit(cell);
}

QString CMixerWnd::NeighbourEdit(int output, int input, bool forward) const {
    if (inputs_ == 0) {
        return {};
    }
    output += forward ? 1 : -1;
    if (output >= kOutputs) {
        output = 0;
        input = (input + 1) % inputs_;
    } else if (output < 0) {
        output = kOutputs - 1;
        input = (input - 1 + inputs_) % inputs_;
    }
    return CellName("box_edit", output, input);
}

void CMixerWnd::FocusEdit(const QString& name) {
    if (auto* edit = FindControl<QLineEdit>(name)) {
        edit->setFocus();
        edit->selectAll();
    }
}

}  // namespace korvel
