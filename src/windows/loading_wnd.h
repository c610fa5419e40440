#pragma once
// Busy indicator over a window while a worker thread talks to the device. It blocks input to its
// owner (window-modal) without blocking the event loop, so the owner keeps processing the
// messages that report progress and the one (kMsgCloseLoading) that closes it.

#include <QPointer>

#include "commands/message_target.h"
#include "controller/controller_view.h"
#include "uiframework/window_impl_base.h"

namespace korvel {

// The translated line for a progress state: "Reading scene 3 of 10".
QString ProgressText(const SequenceProgress& progress);

class CLoadingWnd : public ui::WindowImplBase {
    Q_OBJECT
  public:
    explicit CLoadingWnd(QWidget* owner);

    // Shows what the device sequence is doing: the line ("loading_text") and, while the total
    // is known, the bar ("loading_progress") in place of the busy ring ("busy").
    void ShowProgress(const SequenceProgress& progress);

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
    // Passes progress to the open loading window; ignored when none is open.
    void ShowProgress(const SequenceProgress& progress);
    CLoadingWnd* Current() const { return current_.data(); }

  private:
    QWidget* owner_;
    QPointer<CLoadingWnd> current_;
};

}  // namespace korvel
