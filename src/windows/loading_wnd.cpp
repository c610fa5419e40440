#include "windows/loading_wnd.h"

#include <QCloseEvent>
#include <QKeyEvent>

#include "log/log.h"
#include "windows/window_resources.h"

namespace korvel {

CLoadingWnd::CLoadingWnd(QWidget* owner)
    : WindowImplBase(owner, QStringLiteral("loadingwnd"), WindowLayout("XML_LOADING")) {
    setProperty("windowClass", QStringLiteral("LoadingWnd"));
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

void LoadingWindowHost::CloseLoading() {
    if (current_) {
        CLoadingWnd* window = current_.data();
        current_.clear();
        window->Close(1);
        window->deleteLater();
    }
}

}  // namespace korvel
