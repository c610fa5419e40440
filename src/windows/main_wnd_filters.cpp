// CMainWnd: the filter items of the scene menu. "Import filters..." puts the parametric filters
// of a measurement program's text file on the current channel through the equaliser's band
// edit; "Export filters..." writes the current channel's enabled bands in the same form.

#include <QFileDialog>

#include "controller/tuning_values.h"
#include "log/log.h"
#include "model/scene_reset.h"
#include "profiles/filter_text.h"
#include "profiles/text_file.h"
#include "uiframework/language.h"
#include "windows/main_wnd.h"
#include "windows/msg_wnd.h"

namespace korvel {

namespace {

constexpr int kMaxListedLines = 8;  // longer lists end in "..."

QString LineText(int line) {
    return ui::Tr(QStringLiteral("${filter_line}"))
        .replace(QLatin1String("%d"), QString::number(line));
}

QString ReasonKey(FilterRefusalReason reason) {
    switch (reason) {
        case FilterRefusalReason::kNotPeaking:
            return QStringLiteral("${filter_not_peaking}");
        case FilterRefusalReason::kMissingValue:
            return QStringLiteral("${filter_missing_value}");
        case FilterRefusalReason::kTooMany:
            return QStringLiteral("${filter_too_many}");
        case FilterRefusalReason::kUnreadable:
        case FilterRefusalReason::kNoFilters:
            break;
    }
    return QStringLiteral("${filter_unreadable}");
}

// "Line 12: LS is not a peaking filter", one a line.
QString RefusalLines(const std::vector<FilterRefusal>& refusals) {
    QString text;
    int listed = 0;
    for (const FilterRefusal& r : refusals) {
        if (listed++ == kMaxListedLines) {
            return text + QStringLiteral("\n...");
        }
        text += QLatin1Char('\n') + LineText(r.line) + QStringLiteral(": ");
        if (!r.type.empty()) {
            text += QString::fromStdString(r.type) + QLatin1Char(' ');
        }
        text += ui::Tr(ReasonKey(r.reason));
    }
    return text;
}

bool OnlyNoFilters(const FilterImport& plan) {
    return plan.refusals.size() == 1 &&
           plan.refusals.front().reason == FilterRefusalReason::kNoFilters;
}

// What an import did: filters placed, values adjusted, lines left out, a preamp not applied.
QString ImportReport(const FilterImport& plan) {
    QString text = ui::Tr(QStringLiteral("${filters_imported}")) + QLatin1Char(' ') +
                   QString::number(plan.filterCount);
    if (!plan.adjustments.empty()) {
        text += QStringLiteral("\n\n") + ui::Tr(QStringLiteral("${filters_adjusted}"));
        int listed = 0;
        for (const FilterAdjustment& a : plan.adjustments) {
            if (listed++ == kMaxListedLines) {
                text += QStringLiteral("\n...");
                break;
            }
            text += QLatin1Char('\n') + LineText(a.line) + QStringLiteral(": ") +
                    QString::fromStdString(DescribeChange(a));
        }
    }
    if (!plan.skipped.empty()) {
        text += QStringLiteral("\n\n") + ui::Tr(QStringLiteral("${filters_skipped}")) +
                RefusalLines(plan.skipped);
    }
    if (plan.preampDb) {
        text += QStringLiteral("\n\n") + ui::Tr(QStringLiteral("${filters_preamp}")) +
                QStringLiteral(" %1 dB").arg(*plan.preampDb, 0, 'f', 1);
    }
    return text;
}

}  // namespace

QString CMainWnd::ChooseFilterFile(bool save) {
    if (filterFileChooser_) {
        return filterFileChooser_(save);
    }
    const QString title =
        ui::Tr(save ? QStringLiteral("${export_filters}") : QStringLiteral("${import_filters}"));
    const QString types = ui::Tr(QStringLiteral("${filter_file_types}"));
    return save ? QFileDialog::getSaveFileName(this, title, QString(), types)
                : QFileDialog::getOpenFileName(this, title, QString(), types);
}

void CMainWnd::OnImportFiltersItem() {
    const QString path = ChooseFilterFile(false);
    if (!path.isEmpty()) {
        ImportFilters(path);
    }
}

void CMainWnd::OnExportFiltersItem() {
    const QString path = ChooseFilterFile(true);
    if (!path.isEmpty()) {
        ExportFilters(path);
    }
}

bool CMainWnd::ImportFilters(const QString& path) {
    WriteLog("CMainWnd::ImportFilters %s\n", path.toUtf8().constData());
    std::string bytes;
    std::string error;
    if (!ReadFilterTextFile(path.toStdString(), bytes, error)) {
        ShowMessage("${filters_file_error}", path.toStdString());
        return false;
    }
    const FilterText text = ParseFilterText(bytes);
    const BandGainLimits limits{kBandGainMinDb, kBandGainMaxDb};
    FilterImport plan = PlanFilterImport(text, false, limits);
    if (!plan.ok() && !OnlyNoFilters(plan)) {
        const QString question =
            ui::Tr(QStringLiteral("${filters_refused}")) + RefusalLines(plan.refusals);
        const int answer = CMsgWnd::ShowMessage(
            this, QStringLiteral("${tips}"), question,
            {QStringLiteral("${filters_first_31}"), QStringLiteral("${cancel}")}, 2);
        if (answer != 1) {
            return false;
        }
        plan = PlanFilterImport(text, true, limits);
    }
    if (!plan.ok()) {
        ShowMessage("${filters_none}", "");
        return false;
    }
    manager_->ImportEqBands(plan.bands);
    CMsgWnd::ShowMessage(this, QStringLiteral("${tips}"), ImportReport(plan),
                         {QStringLiteral("${confirm}")}, 1);
    return true;
}

bool CMainWnd::ExportFilters(const QString& path) {
    WriteLog("CMainWnd::ExportFilters %s\n", path.toUtf8().constData());
    const int channel = CurrentChannel();
    const std::string heading = "Korvel DSP Audio, Tarvik7 output channel " +
                                std::to_string(channel) + " (CH" + std::to_string(channel + 1) +
                                ") equaliser";
    const std::string text = FilterTextForBands(ChannelBands(Live(), channel), heading);
    std::string error;
    if (!WriteFileReplacing(path.toStdString(), text, error)) {
        WriteLog("CMainWnd::ExportFilters: %s\n", error.c_str());
        ShowMessage("${filters_file_error}", path.toStdString());
        return false;
    }
    ShowMessage("${filters_exported}", path.toStdString());
    return true;
}

}  // namespace korvel
