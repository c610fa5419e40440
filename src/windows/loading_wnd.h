#pragma once
// Busy indicator over a window while a worker thread talks to the device. It blocks input to its
// owner (window-modal) without blocking the event loop, so the owner keeps processing the
// messages that report progress and the one (kMsgCloseLoading) that closes it.

#include <QPointer>

#include "commands/message_target.h"
#include "uiframework/window_impl_base.h"

namespace korvel {

class CLoadingWnd : public ui::WindowImplBase {
    Q_OBJECT
  public:
    explicit CLoadingWnd(QWidget* owner);

  protected:
    void Notify(const ui::Notification& notification) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

// The owner's one loading window: opened on kMsgOpenLoading (replacing an open one), closed on
// kMsgCloseLoading.
class LoadingWindowHost {
  public:
    explicit LoadingWindowHost(QWidget* owner) : owner_(owner) {}
    ~LoadingWindowHost();
    LoadingWindowHost(const LoadingWindowHost&) = delete;
    LoadingWindowHost& operator=(const LoadingWindowHost&) = delete;

    // Handles kMsgOpenLoading and kMsgCloseLoading; returns false for any other message.
    bool HandleMessage(const Message& message);

    void Open();
    void CloseLoading();  // with result 1; does nothing when none is open
    CLoadingWnd* Current() const { return current_.data(); }

  private:
    QWidget* owner_;
    QPointer<CLoadingWnd> current_;
};

}  // namespace korvel
