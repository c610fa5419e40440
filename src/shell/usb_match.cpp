#include "shell/usb_match.h"

#include <charconv>

namespace korvel {

namespace {

// Parses a whole field of hexadecimal digits (any case, any count of leading zeros).
bool ParseHex(std::string_view text, uint32_t* value) {
    if (text.empty() || text.size() > 8) {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value, 16);
    return error == std::errc() && end == text.data() + text.size();
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        fields.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) {
            return fields;
        }
        start = end + 1;
    }
}

bool FieldIs(std::string_view field, uint16_t id) {
    uint32_t value = 0;
    return ParseHex(field, &value) && value == id;
}

// A path component "BBBB:VVVV:PPPP.NNNN", the name the kernel gives a hid device.
bool PathNamesDevice(std::string_view devpath, uint16_t vendor, uint16_t product) {
    for (std::string_view component : Split(devpath, '/')) {
        const size_t dot = component.find('.');
        if (dot == std::string_view::npos) {
            continue;
        }
        const auto ids = Split(component.substr(0, dot), ':');
        if (ids.size() == 3 && ids[0].size() == 4 && ids[1].size() == 4 && ids[2].size() == 4 &&
            FieldIs(ids[1], vendor) && FieldIs(ids[2], product)) {
            return true;
        }
    }
    return false;
}

std::string_view Property(const UdevNodeFacts& node, const char* key) {
    const auto it = node.properties.find(key);
    return it == node.properties.end() ? std::string_view() : std::string_view(it->second);
}

// HID_ID "0003:00000483:00005750" (bus, vendor, product).
bool HidIdNamesDevice(std::string_view hidId, uint16_t vendor, uint16_t product) {
    const auto ids = Split(hidId, ':');
    return ids.size() == 3 && FieldIs(ids[1], vendor) && FieldIs(ids[2], product);
}

// PRODUCT of a usb device or interface: "483/5750/200" (vendor, product, release).
bool UsbProductNamesDevice(std::string_view productProperty, uint16_t vendor, uint16_t product) {
    const auto ids = Split(productProperty, '/');
    return ids.size() == 3 && FieldIs(ids[0], vendor) && FieldIs(ids[1], product);
}

bool NodeNamesDevice(const UdevNodeFacts& node, uint16_t vendor, uint16_t product) {
    if (PathNamesDevice(node.devpath, vendor, product)) {
        return true;
    }
    const std::string_view vendorId = Property(node, "ID_VENDOR_ID");
    const std::string_view modelId = Property(node, "ID_MODEL_ID");
    if (FieldIs(vendorId, vendor) && FieldIs(modelId, product)) {
        return true;
    }
    return HidIdNamesDevice(Property(node, "HID_ID"), vendor, product) ||
           UsbProductNamesDevice(Property(node, "PRODUCT"), vendor, product);
}

}  // namespace

bool IsAmplifierDevice(const UdevDeviceFacts& facts, uint16_t vendor, uint16_t product) {
    for (const UdevNodeFacts& node : facts) {
        if (NodeNamesDevice(node, vendor, product)) {
            return true;
        }
    }
    return false;
}

UsbEvent ClassifyUdevEvent(std::string_view action, const UdevDeviceFacts& facts, uint16_t vendor,
                           uint16_t product) {
    UsbEvent event = UsbEvent::kNone;
    if (action == "add") {
        event = UsbEvent::kArrival;
    } else if (action == "remove") {
        event = UsbEvent::kRemoval;
    }
    if (event == UsbEvent::kNone || !IsAmplifierDevice(facts, vendor, product)) {
        return UsbEvent::kNone;
    }
    return event;
}

}  // namespace korvel
