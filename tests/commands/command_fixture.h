#pragma once
// A DeviceLink wired to a scripted HID device, with message queues as report targets.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "commands/device_link.h"
#include "common/scripted_transport.h"
#include "link/framing.h"

namespace korvel::testing {

struct SentCommand {
    uint8_t mcmd = 0;
    uint8_t subcmd = 0;
    uint8_t optype = 0;
    std::vector<uint8_t> payload;
    bool operator==(const SentCommand&) const = default;
};

inline SentCommand ParseOutputReport(const std::vector<uint8_t>& report) {
    SentCommand c;
    if (report.size() < 8 || report[1] != 0xAA || report[2] != 0x55 || report[3] < 3) {
        return c;
    }
    const size_t n = report[3] - 3u;
    c.mcmd = report[4];
    c.subcmd = report[5];
    c.optype = report[6];
    c.payload.assign(report.begin() + 7, report.begin() + 7 + static_cast<long>(n));
    return c;
}

class CommandFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        link.SetWaitCapForTesting(5);
        ASSERT_EQ(link.OpenHIDDevice(), 0);
        ASSERT_TRUE(link.IsOpen());
        link.SetReportTarget(&reports);
        link.SetSceneTarget(&scenes);
        link.SetCalibrationTarget(&calibration);
        link.SetMemoryTarget(&memory);
    }

    SentCommand LastSent() const {
        auto written = device->Written();
        return written.empty() ? SentCommand{} : ParseOutputReport(written.back());
    }

    // Hands one reply packet to the decoders as the parser would: type, then the payload
    // that starts with the command identifier.
    void Feed(uint8_t type, std::vector<uint8_t> payload) {
        link.packet_process(static_cast<uint8_t>(payload.size() + 1), type, payload.data());
    }

    std::vector<Message> Drain(MessageQueue& q) {
        std::vector<Message> out;
        while (auto m = q.Take()) {
            out.push_back(std::move(*m));
        }
        return out;
    }

    std::shared_ptr<ScriptedDevice> device = std::make_shared<ScriptedDevice>();
    MessageQueue reports, scenes, calibration, memory;
    DeviceLink link{device->Factory()};
};

}  // namespace korvel::testing
