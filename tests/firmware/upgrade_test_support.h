#pragma once
// An upgrader on a link to an in-process virtual amplifier, with the waits shortened through the
// link's test hook, and helpers that read the transfer back from the amplifier's request log.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "commands/device_link.h"
#include "common/firmware_images.h"
#include "firmware/upgrade_procedure.h"
#include "virtualamp/virtual_amplifier.h"
#include "virtualamp/virtual_transport.h"

namespace korvel::testing {

// Waits of the link and the upgrade (reads, the 8 s reopen pause) are capped at this.
inline constexpr int kTestWaitCapMs = 60;

struct UpgradeRun {
    int start = -1;          // UpgradeStart's result
    std::vector<int> steps;  // every UpgradeStep value, the last one 101 or 255
    int End() const { return steps.empty() ? -1 : steps.back(); }
    // The progress values as they changed (0..100 only).
    std::vector<int> DistinctProgress() const {
        std::vector<int> values;
        for (int v : steps) {
            if (v <= 100 && (values.empty() || values.back() != v)) {
                values.push_back(v);
            }
        }
        return values;
    }
};

struct UpgradeRig {
    explicit UpgradeRig(TransportFactory factory) : link(std::move(factory)), upgrader(link) {
        link.SetReportTarget(&reports);
        link.SetWaitCapForTesting(kTestWaitCapMs);
    }
    ~UpgradeRig() { link.SetReportTarget(nullptr); }

    // Opens the device and learns its mode from the handshake, as a connected host has.
    bool Connect() {
        link.OpenHIDDevice();
        return link.IsOpen() && link.Hand_Connect();
    }

    UpgradeRun Run(const std::string& path) {
        UpgradeRun run;
        run.start = upgrader.UpgradeStart(path);
        if (run.start != 0) {
            return run;
        }
        // Bounded: every block takes three steps, a silent device a few more.
        for (int i = 0; i < 200000; ++i) {
            const int step = upgrader.UpgradeStep();
            run.steps.push_back(step);
            if (step > 100) {
                break;
            }
        }
        return run;
    }

    MessageQueue reports;
    DeviceLink link;
    FirmwareUpgrader upgrader;
};

// A rig on a fresh in-process amplifier that restarts at once and answers without delay.
struct VirtualUpgradeRig {
    explicit VirtualUpgradeRig(bool loader = false) {
        AmpIdentity identity;
        identity.loaderMode = loader;
        amp = std::make_shared<VirtualAmplifier>(identity);
        amp->SetReportDelay(std::chrono::microseconds(0));
        amp->SetRestartTime(std::chrono::milliseconds(0));
        rig = std::make_unique<UpgradeRig>(MakeVirtualTransportFactory(amp));
    }

    // Requests of one command in the amplifier's log.
    std::vector<AmpRequest> Requests(uint8_t mcmd, uint8_t subcmd) const {
        std::vector<AmpRequest> found;
        for (const AmpRequest& r : amp->RequestLog()) {
            if (r.mcmd == mcmd && r.subcmd == subcmd) {
                found.push_back(r);
            }
        }
        return found;
    }

    std::shared_ptr<VirtualAmplifier> amp;
    std::unique_ptr<UpgradeRig> rig;
    ScratchDir dir;
};

// The block offsets of data requests (big-endian in the first four payload bytes).
inline std::vector<uint32_t> BlockOffsets(const std::vector<AmpRequest>& blocks) {
    std::vector<uint32_t> offsets;
    for (const AmpRequest& r : blocks) {
        offsets.push_back(r.payload.size() < 4
                              ? 0xFFFFFFFF
                              : (uint32_t{r.payload[0]} << 24) | (uint32_t{r.payload[1]} << 16) |
                                    (uint32_t{r.payload[2]} << 8) | r.payload[3]);
    }
    return offsets;
}

}  // namespace korvel::testing
