// The amplifier is recognised among the hidraw devices udev announces, from any of the places
// its identifiers appear; other devices and other actions change nothing.

#include <gtest/gtest.h>

#include "shell/usb_match.h"

namespace korvel {
namespace {

const char* kAmpHidraw =
    "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0483:5750.0004/hidraw/hidraw3";

struct MatchCase {
    const char* label;
    UdevDeviceFacts facts;
    bool matches;
};

UdevNodeFacts Node(std::string path, std::map<std::string, std::string> props = {}) {
    return {std::move(path), std::move(props)};
}

class UsbMatchTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(UsbMatchTest, RecognisesOnlyTheAmplifier) {
    EXPECT_EQ(IsAmplifierDevice(GetParam().facts), GetParam().matches) << GetParam().label;
}

INSTANTIATE_TEST_SUITE_P(
    Facts, UsbMatchTest,
    ::testing::Values(
        MatchCase{"hid directory in the hidraw path", {Node(kAmpHidraw)}, true},
        MatchCase{"upper-case hexadecimal in the path",
                  {Node("/devices/x/0003:0483:5750.000A/hidraw/hidraw0")},
                  true},
        MatchCase{
            "bluetooth bus, same ids", {Node("/devices/x/0005:0483:5750.0001/hidraw/h")}, true},
        MatchCase{"other product of the vendor",
                  {Node("/devices/x/0003:0483:5740.0001/hidraw/hidraw1")},
                  false},
        MatchCase{"other vendor, same product",
                  {Node("/devices/x/0003:046D:5750.0001/hidraw/hidraw1")},
                  false},
        MatchCase{"ids swapped", {Node("/devices/x/0003:5750:0483.0001/hidraw/hidraw1")}, false},
        MatchCase{"digits elsewhere in the path only",
                  {Node("/devices/pci0483:00/usb5750/0003:046D:C52B.0001/hidraw/hidraw2")},
                  false},
        MatchCase{"udev usb ids on a parent",
                  {Node("/devices/virtual/hidraw/hidraw9"),
                   Node("/devices/x/1-2", {{"ID_VENDOR_ID", "0483"}, {"ID_MODEL_ID", "5750"}})},
                  true},
        MatchCase{"udev usb ids in upper case",
                  {Node("/devices/a", {{"ID_VENDOR_ID", "0483"}, {"ID_MODEL_ID", "5750"}}),
                   Node("/devices/b", {{"ID_VENDOR_ID", "ABCD"}, {"ID_MODEL_ID", "5750"}})},
                  true},
        MatchCase{"vendor on one level, product on another",
                  {Node("/devices/a", {{"ID_VENDOR_ID", "0483"}, {"ID_MODEL_ID", "1234"}}),
                   Node("/devices/b", {{"ID_VENDOR_ID", "1234"}, {"ID_MODEL_ID", "5750"}})},
                  false},
        MatchCase{"HID_ID of the hid parent",
                  {Node("/devices/virtual/h"),
                   Node("/devices/h", {{"HID_ID", "0003:00000483:00005750"}})},
                  true},
        MatchCase{"HID_ID other product",
                  {Node("/devices/h", {{"HID_ID", "0003:00000483:00005751"}})},
                  false},
        MatchCase{"usb PRODUCT without leading zeros",
                  {Node("/devices/u", {{"PRODUCT", "483/5750/200"}})},
                  true},
        MatchCase{"usb PRODUCT of a keyboard",
                  {Node("/devices/u", {{"PRODUCT", "46d/c52b/1211"}})},
                  false},
        MatchCase{"malformed values",
                  {Node("/devices/u", {{"HID_ID", "0003:zz:5750"}, {"PRODUCT", "/"}})},
                  false},
        MatchCase{"no facts at all", {}, false}));

struct EventCase {
    const char* action;
    const char* path;
    UsbEvent expected;
};

class UsbEventTest : public ::testing::TestWithParam<EventCase> {};

TEST_P(UsbEventTest, ActionsOfTheAmplifierBecomeArrivalsAndRemovals) {
    const EventCase& c = GetParam();
    EXPECT_EQ(ClassifyUdevEvent(c.action, {Node(c.path)}), c.expected) << c.action << " " << c.path;
}

INSTANTIATE_TEST_SUITE_P(
    Actions, UsbEventTest,
    ::testing::Values(
        EventCase{"add", kAmpHidraw, UsbEvent::kArrival},
        EventCase{"remove", kAmpHidraw, UsbEvent::kRemoval},
        EventCase{"change", kAmpHidraw, UsbEvent::kNone},
        EventCase{"bind", kAmpHidraw, UsbEvent::kNone}, EventCase{"", kAmpHidraw, UsbEvent::kNone},
        EventCase{"add", "/devices/x/0003:046D:C52B.0001/hidraw/hidraw2", UsbEvent::kNone},
        EventCase{"remove", "/devices/x/0003:046D:C52B.0001/hidraw/hidraw2", UsbEvent::kNone}));

}  // namespace
}  // namespace korvel
