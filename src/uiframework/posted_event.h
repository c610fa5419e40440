#pragma once
// Events posted to a window from any thread. EventPoster delivers events to one QObject and drops
// them once the receiver is gone; MenuClickEvent carries a popup menu item's name to its window.

#include <QEvent>
#include <QObject>
#include <QString>
#include <memory>
#include <mutex>

namespace korvel::ui {

// Posts events to one QObject (normally a window) from any thread. Once the receiver is
// destroyed, posts are dropped; events still queued for it are discarded by Qt.
class EventPoster {
  public:
    explicit EventPoster(QObject* receiver);
    ~EventPoster();

    EventPoster(const EventPoster&) = delete;
    EventPoster& operator=(const EventPoster&) = delete;

    // Takes ownership of `event`; returns false when the receiver is gone.
    bool Post(std::unique_ptr<QEvent> event);
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

// A click on a popup menu item, delivered to the menu's owner window (HandleMenuClick).
class MenuClickEvent : public QEvent {
  public:
    static QEvent::Type EventType();

    explicit MenuClickEvent(QString itemName)
        : QEvent(EventType()), itemName_(std::move(itemName)) {}

    const QString& itemName() const { return itemName_; }

  private:
    QString itemName_;
};

}  // namespace korvel::ui
