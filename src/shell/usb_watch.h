#pragma once
// Watches hidraw devices coming and going through a udev monitor and reports the amplifier's
// arrivals and removals on the GUI thread. Other HID devices are ignored.

#include <QObject>
#include <QString>
#include <memory>

#include "shell/usb_match.h"

class QSocketNotifier;

namespace korvel {

class UsbDeviceWatcher : public QObject {
    Q_OBJECT
  public:
    explicit UsbDeviceWatcher(QObject* parent = nullptr);
    ~UsbDeviceWatcher() override;

    // Opens the udev monitor for the "hidraw" subsystem. False (logged, not fatal) when udev is
    // unavailable; plugging events are then not seen.
    bool Start();
    bool Running() const;

    // Reports one event as if udev had sent it; the monitor calls it for every device.
    void HandleEvent(const std::string& action, const UdevDeviceFacts& facts);

  signals:
    void AmplifierArrived(const QString& devpath);
    void AmplifierRemoved(const QString& devpath);

  private:
    void OnMonitorReadable();

    struct Udev;
    std::unique_ptr<Udev> udev_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace korvel
