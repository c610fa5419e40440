#include "windows/loading_wnd.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <utility>
#include <vector>

#include "log/log.h"
#include "uiframework/language.h"
#include "windows/window_resources.h"

namespace korvel {

namespace {

// The key of a phase's line and the numbers its "%d" take, in order.
std::pair<QString, std::vector<int>> PhaseKey(const SequenceProgress& p) {
    switch (p.phase) {
        case SequencePhase::kReadLive:
            return {QStringLiteral("${progress_read_live}"), {}};
        case SequencePhase::kReadScene:
            return {QStringLiteral("${progress_read_scene}"), {p.scene, p.scenes}};
        case SequencePhase::kUploadScene:
            return {QStringLiteral("${progress_upload_scene}"), {p.scene, p.scenes}};
        case SequencePhase::kUploadLive:
            return {QStringLiteral("${progress_upload_live}"), {}};
        case SequencePhase::kWaitForStore:
            return {QStringLiteral("${progress_wait_store}"), {}};
        case SequencePhase::kSaveScene:
            return {QStringLiteral("${progress_save_scene}"), {p.scene}};
        case SequencePhase::kLoadScene:
            return {QStringLiteral("${progress_load_scene}"), {p.scene}};
        case SequencePhase::kDeleteScene:
            return {QStringLiteral("${progress_delete_scene}"), {p.scene}};
        case SequencePhase::kFactoryReset:
            return {QStringLiteral("${progress_factory_reset}"), {}};
    }
    return {QStringLiteral("${loading}"), {}};
}

}  // namespace

QString ProgressText(const SequenceProgress& progress) {
    auto [key, numbers] = PhaseKey(progress);
    // The numbers fill the text's "%d" in order; the text comes from a language file, so it is
    // never used as a printf format.
    QString text = ui::Tr(key);
    for (int number : numbers) {
        const qsizetype at = text.indexOf(QLatin1String("%d"));
        if (at < 0) {
            break;
        }
        text.replace(at, 2, QString::number(number));
    }
    return text;
}

CLoadingWnd::CLoadingWnd(QWidget* owner)
    : WindowImplBase(owner, QStringLiteral("loadingwnd"), WindowLayout("XML_LOADING")) {
    setProperty("windowClass", QStringLiteral("LoadingWnd"));
}

void CLoadingWnd::ShowProgress(const SequenceProgress& progress) {
    auto* bar = FindControl<QProgressBar>(QStringLiteral("loading_progress"));
    auto* busy = FindControl(QStringLiteral("busy"));
    if (auto* line = FindControl<QLabel>(QStringLiteral("loading_text"))) {
        line->setText(ProgressText(progress));
    }
    const bool known = progress.total > 0;
    if (bar != nullptr) {
        if (known) {
            bar->setRange(0, progress.total);
            bar->setValue(std::min(progress.done, progress.total));
        }
        bar->setVisible(known);
    }
    if (busy != nullptr) {
        busy->setVisible(!known);
    }
}

void CLoadingWnd::Notify(const ui::Notification& notification) {
    if (const int result = ui::StandardButtonResult(notification); result >= 0) {
        Close(result);
    }
}

void CLoadingWnd::keyPressEvent(QKeyEvent* event) {
    // Escape must not remove the indicator while the device work is still running.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    WindowImplBase::keyPressEvent(event);
}

void CLoadingWnd::closeEvent(QCloseEvent* event) {
    // The system close command (Alt+F4) is ignored for the same reason; Close() still works.
    if (!IsClosed()) {
        event->ignore();
        return;
    }
    WindowImplBase::closeEvent(event);
}

LoadingWindowHost::~LoadingWindowHost() {
    CloseLoading();
}

bool LoadingWindowHost::HandleMessage(const Message& message) {
    if (message.id == kMsgOpenLoading) {
        Open();
        return true;
    }
    if (message.id == kMsgCloseLoading) {
        CloseLoading();
        return true;
    }
    return false;
}

void LoadingWindowHost::Open() {
    CloseLoading();
    auto* window = new CLoadingWnd(owner_);  // owned by the owner; deleted when closed
    window->setAttribute(Qt::WA_DeleteOnClose);
    current_ = window;
    window->ShowWindow(true);
}

void LoadingWindowHost::ShowProgress(const SequenceProgress& progress) {
    if (current_) {
        current_->ShowProgress(progress);
    }
}

void LoadingWindowHost::CloseLoading() {
    if (current_) {
        CLoadingWnd* window = current_.data();
        current_.clear();
        window->Close(1);
        window->deleteLater();
    }
}

}  // namespace korvel
