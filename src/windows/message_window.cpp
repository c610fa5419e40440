#include "windows/message_window.h"

namespace korvel {

QEvent::Type MessageEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

QtMessageTarget::QtMessageTarget(QObject* receiver) : poster_(receiver) {
    MessageEvent::EventType();  // register before any worker thread posts
}

void QtMessageTarget::PostMessage(Message m) {
    poster_.Post(std::make_unique<MessageEvent>(std::move(m)));
}

std::shared_ptr<MessageTarget> MessageWindow::MessageTargetForThreads() {
    if (!target_) {
        target_ = std::make_shared<QtMessageTarget>(this);
    }
    return target_;
}

bool MessageWindow::event(QEvent* event) {
    if (event->type() == MessageEvent::EventType()) {
        HandleMessage(static_cast<MessageEvent*>(event)->message());
        return true;
    }
    return ui::WindowImplBase::event(event);
}

}  // namespace korvel
