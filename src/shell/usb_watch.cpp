#include "shell/usb_watch.h"

#include <libudev.h>

#include <QSocketNotifier>

#include "log/log.h"

namespace korvel {

namespace {

struct UdevDeleter {
    void operator()(udev* handle) const { udev_unref(handle); }
    void operator()(udev_monitor* monitor) const { udev_monitor_unref(monitor); }
    void operator()(udev_device* device) const { udev_device_unref(device); }
};

using UdevPtr = std::unique_ptr<udev, UdevDeleter>;
using MonitorPtr = std::unique_ptr<udev_monitor, UdevDeleter>;
using DevicePtr = std::unique_ptr<udev_device, UdevDeleter>;

std::string Text(const char* value) {
    return value ? std::string(value) : std::string();
}

UdevNodeFacts NodeFacts(udev_device* device) {
    UdevNodeFacts node;
    node.devpath = Text(udev_device_get_devpath(device));
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_device_get_properties_list_entry(device)) {
        node.properties[Text(udev_list_entry_get_name(entry))] =
            Text(udev_list_entry_get_value(entry));
    }
    return node;
}

// The node and its parents up to the root. Parents belong to the child; on removal the sysfs
// entries are gone already and the walk ends at the node itself.
UdevDeviceFacts DeviceFacts(udev_device* device) {
    UdevDeviceFacts facts;
    for (udev_device* level = device; level != nullptr; level = udev_device_get_parent(level)) {
        facts.push_back(NodeFacts(level));
    }
    return facts;
}

}  // namespace

struct UsbDeviceWatcher::Udev {
    UdevPtr context;
    MonitorPtr monitor;
};

UsbDeviceWatcher::UsbDeviceWatcher(QObject* parent) : QObject(parent) {}

UsbDeviceWatcher::~UsbDeviceWatcher() {
    notifier_.reset();  // stop watching the descriptor before the monitor closes it
    udev_.reset();
}

bool UsbDeviceWatcher::Start() {
    if (Running()) {
        return true;
    }
    auto state = std::make_unique<Udev>();
    state->context.reset(udev_new());
    if (!state->context) {
        WriteLog("UsbDeviceWatcher: udev_new failed\n");
        return false;
    }
    state->monitor.reset(udev_monitor_new_from_netlink(state->context.get(), "udev"));
    if (!state->monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(state->monitor.get(), "hidraw", nullptr) <
            0 ||
        udev_monitor_enable_receiving(state->monitor.get()) < 0) {
        WriteLog("UsbDeviceWatcher: udev monitor unavailable\n");
        return false;
    }
    const int fd = udev_monitor_get_fd(state->monitor.get());
    if (fd < 0) {
        WriteLog("UsbDeviceWatcher: udev monitor has no descriptor\n");
        return false;
    }
    udev_ = std::move(state);
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this,
            &UsbDeviceWatcher::OnMonitorReadable);
    WriteLog("UsbDeviceWatcher: watching hidraw devices\n");
    return true;
}

bool UsbDeviceWatcher::Running() const {
    return udev_ != nullptr;
}

void UsbDeviceWatcher::OnMonitorReadable() {
    // The monitor socket is non-blocking: take every queued event.
    while (true) {
        DevicePtr device(udev_monitor_receive_device(udev_->monitor.get()));
        if (!device) {
            return;
        }
        HandleEvent(Text(udev_device_get_action(device.get())), DeviceFacts(device.get()));
    }
}

void UsbDeviceWatcher::HandleEvent(const std::string& action, const UdevDeviceFacts& facts) {
    const std::string devpath = facts.empty() ? std::string() : facts.front().devpath;
    WriteLog("Message %s %s\n", action.c_str(), devpath.c_str());
    switch (ClassifyUdevEvent(action, facts)) {
        case UsbEvent::kArrival:
            WriteLog("Message DBT_DEVICEARRIVAL\n");
            emit AmplifierArrived(QString::fromStdString(devpath));
            break;
        case UsbEvent::kRemoval:
            WriteLog("Message DBT_DEVICEREMOVECOMPLETE\n");
            emit AmplifierRemoved(QString::fromStdString(devpath));
            break;
        case UsbEvent::kNone:
            break;
    }
}

}  // namespace korvel
