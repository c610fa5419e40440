#pragma once
// The virtual amplifier: the device's side of the USB HID protocol. It takes the host's output
// reports one at a time, keeps the amplifier's state (live scene, ten stored scenes, names,
// device values) and answers like the real device: one data report per get, one acknowledgement
// per set, nothing for commands it does not know. It is the project's test and demo device.
//
// Thread-safe: every public operation may be called from any thread.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "virtualamp/amp_frames.h"
#include "virtualamp/amp_state.h"
#include "virtualamp/amp_upgrade.h"

namespace korvel {

// What the handshake reports.
struct AmpIdentity {
    uint8_t model = kSupportedModel;
    uint8_t mainVersion = 16;
    uint8_t slaveVersion = 25;
    bool loaderMode = false;  // answers the handshake with status 0xF0 and nothing else
    std::array<uint8_t, 4> flashVersion = {1, 0, 0, 0};
    uint8_t bootloaderVersion = 1;
};

// Faults injected by request number, counted from 1 since the plan was set; 0 = off.
struct FaultPlan {
    uint64_t dropReplyTo = 0;     // request N is carried out but gets no reply
    uint64_t corruptReplyTo = 0;  // the reply to request N carries a wrong checksum
    uint64_t unplugAfter = 0;     // the device goes away after answering request N
};

// Acknowledgement status bytes.
inline constexpr uint8_t kAmpStatusDone = 0x0A;
inline constexpr uint8_t kAmpStatusRefused = 0xE0;  // a scene action on a slot that cannot take it
inline constexpr uint8_t kAmpStatusLoader = 0xF0;   // handshake status of the upgrade loader

// Calibration status reported by IRC_Get while no measurement runs (the "test exit" code).
inline constexpr uint8_t kAmpIrcIdleStatus = 12;

// A later feature (calibration, firmware upgrade) plugs in here. Extensions see every request
// before the built-in handlers; one that returns true has answered it (possibly with no reply).
class AmpExtension {
  public:
    virtual ~AmpExtension() = default;
    // Called with the amplifier's lock held: use `state` directly, never the amplifier's public
    // operations.
    virtual bool Handle(const AmpRequest& request, AmpState& state,
                        std::vector<InputReport>& replies) = 0;
    // Asked after every request, with the lock held: true makes the device go away once its
    // replies are sent (a fault the extension was told to plan).
    virtual bool TakeUnplugRequest() { return false; }
};

class VirtualAmplifier {
  public:
    VirtualAmplifier();
    explicit VirtualAmplifier(const AmpIdentity& identity);
    ~VirtualAmplifier();

    VirtualAmplifier(const VirtualAmplifier&) = delete;
    VirtualAmplifier& operator=(const VirtualAmplifier&) = delete;

    // Takes one output report (65 bytes including report number 0) and returns the input
    // reports the device sends back, in order. Malformed reports are dropped without a reply
    // and are not logged as requests; so are reports received while unplugged.
    std::vector<InputReport> HandleOutputReport(const uint8_t* data, size_t length);

    // Every accepted request, in order of arrival.
    std::vector<AmpRequest> RequestLog() const;
    void ClearRequestLog();
    // Output reports dropped as malformed.
    uint64_t RejectedReports() const;

    // Delay between the device's input reports (full-speed interrupt endpoint: 1 ms).
    void SetReportDelay(std::chrono::microseconds delay);
    std::chrono::microseconds ReportDelay() const;

    void SetIdentity(const AmpIdentity& identity);
    AmpIdentity Identity() const;

    void SetFaultPlan(const FaultPlan& plan);
    // Unplugged: every output report is ignored until Replug.
    bool Unplugged() const;
    void Unplug();
    void Replug();

    // A copy of the whole device state; and a way for tests and tools to change it.
    AmpState State() const;
    void ModifyState(const std::function<void(AmpState&)>& change);
    void FactoryReset();

    void AddExtension(std::shared_ptr<AmpExtension> extension);

    // --- Firmware upgrade (amp_upgrade.h) --------------------------------------------------
    void SetUpgradeFaults(const UpgradeFaults& faults);
    // Every transfer started since the amplifier was made, in order.
    std::vector<ReceivedImage> ReceivedImages() const;

    // A restart drops the connection: a transport opened before it is gone once it has taken
    // the replies already sent, and the amplifier is absent for the restart time (default
    // 1 s), then present again (in its loader or its application).
    void SetRestartTime(std::chrono::milliseconds time);
    void Restart(bool intoLoader);
    // Counts the restarts; a transport remembers it when it opens.
    uint64_t ConnectionGeneration() const;
    // Neither unplugged nor restarting: a transport can open.
    bool Present() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace korvel
