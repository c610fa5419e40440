#pragma once
// The virtual amplifier's side of the firmware upgrade: entering the loader, the start, data and
// finish commands of the MCU, bootloader and flash transfers, and the reboot. It keeps a record
// of every image received, so tests can prove a transfer byte-exact, and it can be told to
// misbehave (UpgradeFaults).
//
// The amplifier runs its loader after an MCU_Enter_Upg_Mode in normal mode: it acknowledges,
// drops the connection and comes back after its restart time with handshake status 0xF0. A
// finished MCU transfer and a reboot bring it back in normal mode the same way.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "virtualamp/amp_frames.h"

namespace korvel {

struct AmpIdentity;

enum class AmpImageKind { kMcu, kBootloader, kFlash };

// One transfer the amplifier received (started, possibly finished).
struct ReceivedImage {
    AmpImageKind kind = AmpImageKind::kMcu;
    std::array<uint8_t, 4> startParameters{};
    // Bytes received: exact for flash; for MCU and bootloader up to the end of the highest
    // 32-byte block, so a short tail block counts with its zero padding.
    size_t size = 0;
    uint64_t bodyHash = 0;  // UpgradeBodyHash of those bytes
    size_t blocks = 0;
    bool finished = false;  // the finish command arrived
};

// 64-bit FNV-1a of a body, as ReceivedImage::bodyHash holds it.
uint64_t UpgradeBodyHash(std::span<const uint8_t> body);

// How the amplifier answers an enter or start command.
enum class AmpUpgradeReply { kReady, kRefused, kSilent };

struct UpgradeFaults {
    AmpUpgradeReply enterReply = AmpUpgradeReply::kReady;
    AmpUpgradeReply startReply = AmpUpgradeReply::kReady;
    size_t notReadyAtBlock = 0;  // data block N (from 1) is answered ACK_NOT_READY, then ACK_READY
    size_t unplugAtBlock = 0;    // the device goes away when data block N arrives, unanswered
    bool staysAwayAfterEnter = false;  // after entering its loader it never comes back
};

// What the amplifier does once the replies to a request are out.
enum class AmpAfterRequest {
    kNothing,
    kRestartIntoLoader,
    kRestartIntoApplication,
    kUnplug,
    kGoAway
};

// The upgrade conversation (internal to the virtual amplifier, which calls it under its lock).
class AmpUpgrade {
  public:
    // True when `request` is an upgrade command or the reboot (answered or deliberately not);
    // `after` tells the amplifier what to do next.
    bool Handle(const AmpRequest& request, const AmpIdentity& identity,
                std::vector<InputReport>& replies, AmpAfterRequest& after);

    void SetFaults(const UpgradeFaults& faults) { faults_ = faults; }
    std::vector<ReceivedImage> Received() const;

  private:
    struct Transfer {
        ReceivedImage record;
        std::vector<uint8_t> body;
    };

    bool Enter(const AmpRequest& request, const AmpIdentity& identity,
               std::vector<InputReport>& replies, AmpAfterRequest& after);
    bool Start(const AmpRequest& request, AmpImageKind kind, bool allowed,
               std::vector<InputReport>& replies);
    bool Data(const AmpRequest& request, AmpImageKind kind, std::vector<InputReport>& replies,
              AmpAfterRequest& after);
    bool Finish(const AmpRequest& request, AmpImageKind kind, std::vector<InputReport>& replies,
                AmpAfterRequest& after);
    Transfer* Active(AmpImageKind kind);

    UpgradeFaults faults_;
    std::vector<Transfer> transfers_;
    bool active_ = false;  // the last transfer still takes blocks
};

}  // namespace korvel
