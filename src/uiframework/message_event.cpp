#include "uiframework/message_event.h"

#include <QCoreApplication>

namespace korvel::ui {

QEvent::Type MessageEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

QtMessageTarget::QtMessageTarget(QObject* receiver) : anchor_(std::make_shared<Anchor>()) {
    anchor_->receiver = receiver;
    if (receiver != nullptr) {
        std::weak_ptr<Anchor> weak = anchor_;
        // Direct: runs in the receiver's destructor, on its own thread, before the object is gone.
        connection_ = QObject::connect(receiver, &QObject::destroyed, [weak] {
            if (auto anchor = weak.lock()) {
                std::lock_guard lock(anchor->mutex);
                anchor->receiver = nullptr;
            }
        });
    }
    MessageEvent::EventType();  // register before any worker thread posts
}

QtMessageTarget::~QtMessageTarget() {
    QObject::disconnect(connection_);
}

void QtMessageTarget::PostMessage(Message m) {
    PostMessage(std::move(m), QString());
}

void QtMessageTarget::PostMessage(Message m, const QString& text) {
    // Holding the lock while posting keeps the receiver from finishing its destruction in
    // between; postEvent itself is thread-safe and takes ownership of the event.
    std::lock_guard lock(anchor_->mutex);
    if (anchor_->receiver != nullptr) {
        QCoreApplication::postEvent(anchor_->receiver, new MessageEvent(std::move(m), text));
    }
}

bool QtMessageTarget::IsAlive() const {
    std::lock_guard lock(anchor_->mutex);
    return anchor_->receiver != nullptr;
}

}  // namespace korvel::ui
