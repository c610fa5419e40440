#pragma once
// Cross-thread window messages. Worker threads and reply decoders post korvel::Message values to
// a window through QtMessageTarget; the window handles them on the GUI thread in
// WindowImplBase::HandleMessage.

#include <QEvent>
#include <QObject>
#include <QString>
#include <memory>
#include <mutex>

#include "commands/message_target.h"

namespace korvel::ui {

// Window message carrying a menu item click; the item name travels in MessageEvent::text.
inline constexpr int kMsgMenuClick = 1027;

class MessageEvent : public QEvent {
  public:
    static QEvent::Type EventType();

    explicit MessageEvent(Message message, QString text = {})
        : QEvent(EventType()), message_(std::move(message)), text_(std::move(text)) {}

    Message& message() { return message_; }
    const QString& text() const { return text_; }

  private:
    Message message_;
    QString text_;
};

// Posts messages to one QObject (normally a window) from any thread. Once the receiver is
// destroyed, posts are dropped; messages still queued for it are discarded by Qt.
class QtMessageTarget : public MessageTarget {
  public:
    explicit QtMessageTarget(QObject* receiver);
    ~QtMessageTarget() override;

    void PostMessage(Message m) override;
    void PostMessage(Message m, const QString& text);

    bool IsAlive() const;

  private:
    // Shared with the receiver's destroyed-signal handler, which may outlive this object.
    struct Anchor {
        std::mutex mutex;
        QObject* receiver = nullptr;
    };
    std::shared_ptr<Anchor> anchor_;
    QMetaObject::Connection connection_;
};

}  // namespace korvel::ui
