#include "uiframework/posted_event.h"

#include <QCoreApplication>

namespace korvel::ui {

EventPoster::EventPoster(QObject* receiver) : anchor_(std::make_shared<Anchor>()) {
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
}

EventPoster::~EventPoster() {
    QObject::disconnect(connection_);
}

bool EventPoster::Post(std::unique_ptr<QEvent> event) {
    // Holding the lock while posting keeps the receiver from finishing its destruction in
    // between; postEvent itself is thread-safe and takes ownership of the event.
    std::lock_guard lock(anchor_->mutex);
    if (anchor_->receiver == nullptr) {
        return false;
    }
    QCoreApplication::postEvent(anchor_->receiver, event.release());
    return true;
}

bool EventPoster::IsAlive() const {
    std::lock_guard lock(anchor_->mutex);
    return anchor_->receiver != nullptr;
}

QEvent::Type MenuClickEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

}  // namespace korvel::ui
