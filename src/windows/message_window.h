#pragma once
// Device and worker messages for windows. Reply decoders and worker threads post korvel::Message
// values through a QtMessageTarget; a MessageWindow receives them on the GUI thread in
// HandleMessage, in the order they were posted.

#include <QEvent>
#include <memory>

#include "commands/message_target.h"
#include "uiframework/posted_event.h"
#include "uiframework/window_impl_base.h"

namespace korvel {

class MessageEvent : public QEvent {
  public:
    static QEvent::Type EventType();

    explicit MessageEvent(Message message) : QEvent(EventType()), message_(std::move(message)) {}

    Message& message() { return message_; }

  private:
    Message message_;
};

// Posts messages to one QObject (normally a window) from any thread; once the receiver is
// destroyed, posts are dropped.
class QtMessageTarget : public MessageTarget {
  public:
    explicit QtMessageTarget(QObject* receiver);

    void PostMessage(Message m) override;
    bool IsAlive() const { return poster_.IsAlive(); }

  private:
    ui::EventPoster poster_;
};

// A skinned window that receives posted messages.
class MessageWindow : public ui::WindowImplBase {
  public:
    using ui::WindowImplBase::WindowImplBase;

    // A message target for worker threads and the device link that posts to this window.
    std::shared_ptr<MessageTarget> MessageTargetForThreads();

  protected:
    virtual void HandleMessage(Message& message) { (void)message; }
    bool event(QEvent* event) override;

  private:
    std::shared_ptr<MessageTarget> target_;
};

}  // namespace korvel
