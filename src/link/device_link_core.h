#pragma once
// The lowest layer of the device link: opening and closing the HID device, framing one command
// into one output report, reassembling input reports into verified packets, and the command queue
// drained by one worker thread. The command encoders and reply decoders (src/commands) sit on top
// and receive every verified packet through PacketSink.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/transport.h"

namespace korvel {

// Main commands (packet types).
inline constexpr uint8_t MCMD_DSP = 1;
inline constexpr uint8_t MCMD_FLASH = 2;
inline constexpr uint8_t MCMD_MCU = 3;
inline constexpr uint8_t MCMD_KTV = 7;

// Operations.
inline constexpr uint8_t OP_SET = 0xBB;
inline constexpr uint8_t OP_GET = 0x66;
inline constexpr uint8_t OP_DATA = 0xDD;
inline constexpr uint8_t OP_ACK = 0xEE;

inline constexpr size_t kMaxCommandPayload = 57;

// Status byte of an acknowledgement that reports the work done.
inline constexpr uint8_t kAckStatusDone = 0x0A;

// Waits of the immediate path, in milliseconds (the shipped values).
inline constexpr int kWaitDefaultMs = 10000;
inline constexpr int kWaitSceneStorageMs = 20000;
inline constexpr int kWaitFactoryDefaultMs = 30000;
inline constexpr int kWaitPresetModeMs = 1000;
inline constexpr int kWaitShortQueryMs = 500;
inline constexpr int kNoRead = -1;  // PC_Connect and upgrade data blocks: write only

// OpenHIDDevice: another program has the device (see DeviceHolder).
inline constexpr int kOpenDeviceInUse = -100;

// Receives each complete packet whose checksum matched, on the thread that read it.
// `payload` holds `length - 1` bytes: the command identifier, the operation, then the data.
class PacketSink {
  public:
    virtual ~PacketSink() = default;
    virtual void packet_process(uint8_t length, uint8_t type, const uint8_t* payload) = 0;
};

// One queued command; the payload is owned by the record.
struct CommandRecord {
    uint8_t mcmd = 0;
    uint8_t subcmd = 0;
    uint8_t optype = 0;
    std::vector<uint8_t> payload;
};

// Which reply answers a command sent on the immediate path or by the worker. A reply answers
// when it carries the command's main command and identifier and arrives after the command was
// written; the rule decides what else it must carry.
enum class AnswerRule {
    kReply,    // a get: a data reply (0xDD); a set: a data reply or an acknowledgement (0xEE)
    kAckDone,  // an acknowledgement whose status byte is 0x0A (scene storage: done); any
               // other acknowledgement of the command is a refusal and ends the wait at once
};

class LinkCore {
  public:
    // `sink` must outlive the LinkCore. The worker thread starts here.
    LinkCore(TransportFactory factory, PacketSink& sink);
    ~LinkCore();  // stops the worker; queued commands are discarded unsent

    // Stops the worker now (waiting for the command in flight) and discards the queue. An
    // owner whose PacketSink is about to be destroyed calls it first; idempotent.
    void StopWorker();

    LinkCore(const LinkCore&) = delete;
    LinkCore& operator=(const LinkCore&) = delete;

    // 0 when opened. With the factory's lock key set, the device's lock is taken first: held
    // by another program, nothing is opened and kOpenDeviceInUse returned (DeviceHolder()
    // names the program). The lock is released when the device is closed.
    int OpenHIDDevice();
    std::string DeviceHolder() const;
    bool IsOpen() const;
    // With notifyDevice, sends PC_Connect 0 before closing.
    void CloseHIDDevice(bool notifyDevice);
    // True once the open device went away (read error / connection closed by the device).
    bool DeviceGone() const;

    bool SendCtrlCommand(uint8_t mcmd, uint8_t subcmd, uint8_t optype, const uint8_t* data,
                         uint8_t length);
    bool ReadHIDData(int timeoutMs);

    // Immediate path: send now on the caller's thread, then read reports for up to `waitMs`
    // until the command's answer (see AnswerRule) arrived. Every report read on the way is
    // decoded as usual. Returns true when the answer arrived; false when the wait passed
    // without it, the device is gone, or for kNoRead (nothing is read).
    bool SendImmediate(uint8_t mcmd, uint8_t subcmd, uint8_t optype,
                       const std::vector<uint8_t>& payload, int waitMs,
                       AnswerRule rule = AnswerRule::kReply);

    // Queued path: false when the queue is disabled (or the payload exceeds 57 bytes) and the
    // command was dropped. The worker sends a set whose acknowledgement did not come once more
    // (sets carry absolute values, so a repeat is harmless); a set still unconfirmed after that
    // is counted in UnconfirmedSets().
    bool Enqueue(CommandRecord record);
    // Queued sets that stayed unacknowledged, counted since the link was made. Callers compare
    // the count before and after their commands (with WaitUntilIdle in between).
    uint64_t UnconfirmedSets() const;
    void EnableQueue();
    void DisableQueue();
    bool QueueEnabled() const;
    // Records waiting in the queue (not counting the one the worker is sending).
    size_t QueuedCount() const;

    // Blocks until no queued command is waiting or in flight, or the timeout passes.
    bool WaitUntilIdle(std::chrono::milliseconds timeout);

    // Test-only: caps every wait (ReadHIDData, hence the immediate path and the worker) at
    // `maxMs`; 0 restores the shipped waits.
    void SetWaitCapForTesting(int maxMs);
    // `waitMs`, or the test cap when one is set and shorter. Pauses of the layers above (the
    // upgrade's reopen wait) go through it, so tests shorten them with the same hook.
    int CappedWaitMs(int waitMs) const;

    // Drops received bytes not yet parsed, and a packet begun but not finished.
    void ClearReceiveRing();

  private:
    // The worker: one queued command, then reads of up to 10 s for its answer, in queue order.
    void McuCmdThread();
    bool SendQueuedRecord(const CommandRecord& record);
    // Reads until an answer matching the rule and newer than `after` arrived, or `waitMs` passed.
    bool AwaitAnswer(uint8_t mcmd, uint8_t subcmd, uint8_t optype, AnswerRule rule, uint64_t after,
                     int waitMs);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace korvel
