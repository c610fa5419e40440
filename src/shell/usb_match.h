#pragma once
// Recognises the amplifier among the HID devices the kernel announces. Pure functions over the
// facts udev reports for a hidraw node and its parents, so the matching is testable without a
// device or a udev daemon.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "link/transport.h"

namespace korvel {

// One level of the device tree: the hidraw node itself, then its hid, usb interface and usb
// device parents.
struct UdevNodeFacts {
    std::string devpath;  // e.g. "/devices/.../0003:0483:5750.0001/hidraw/hidraw0"
    std::map<std::string, std::string>
        properties;  // ID_VENDOR_ID, ID_MODEL_ID, HID_ID, PRODUCT, ...
};

using UdevDeviceFacts = std::vector<UdevNodeFacts>;  // the node first, then its parents

enum class UsbEvent { kNone, kArrival, kRemoval };

// True when any level names vendor `vendor` and product `product`: a hid directory
// "BBBB:VVVV:PPPP.NNNN" in its path, ID_VENDOR_ID/ID_MODEL_ID, HID_ID "BBBB:VVVVVVVV:PPPPPPPP"
// or the usb PRODUCT "v/p/rev". Hexadecimal digits compare case-insensitively.
bool IsAmplifierDevice(const UdevDeviceFacts& facts, uint16_t vendor = kVendorId,
                       uint16_t product = kProductId);

// The udev action ("add", "remove", ...) of a matching device as an arrival or a removal;
// kNone for every other action and for other devices.
UsbEvent ClassifyUdevEvent(std::string_view action, const UdevDeviceFacts& facts,
                           uint16_t vendor = kVendorId, uint16_t product = kProductId);

}  // namespace korvel
