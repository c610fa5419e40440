#include "virtualamp/amp_upgrade.h"

#include <algorithm>

#include "link/device_link_core.h"
#include "log/log.h"
#include "virtualamp/virtual_amplifier.h"

namespace korvel {

namespace {

// Command identifiers of the upgrade (mcmd 3 MCU and bootloader, mcmd 2 flash).
constexpr uint8_t kMcuEnter = 0x01;
constexpr uint8_t kMcuStart = 0x02;
constexpr uint8_t kMcuData = 0x03;
constexpr uint8_t kMcuFinish = 0x04;
constexpr uint8_t kReboot = 0x8F;
constexpr uint8_t kBlEnter = 0xA0;
constexpr uint8_t kBlStart = 0xA1;
constexpr uint8_t kBlData = 0xA2;
constexpr uint8_t kBlFinish = 0xA3;
constexpr uint8_t kFlashStart = 0x03;
constexpr uint8_t kFlashData = 0x04;
constexpr uint8_t kFlashFinish = 0x05;

constexpr uint8_t kAckReady = 0x0A;
constexpr uint8_t kAckNotReady = 0x60;

constexpr size_t kMcuBlockBytes = 32;
constexpr size_t kFlashBlockMax = 50;
// Largest body the amplifier stores: a block beyond it is refused, so a host error cannot make
// the device (or the test) allocate without bound.
constexpr size_t kMaxBody = 2 * 1024 * 1024;

void Ack(const AmpRequest& request, uint8_t status, std::vector<InputReport>& replies) {
    replies.push_back(BuildInputReport(request.mcmd, request.subcmd, OP_ACK, {status}));
}

uint32_t Offset(const std::vector<uint8_t>& payload) {
    return (static_cast<uint32_t>(payload[0]) << 24) | (static_cast<uint32_t>(payload[1]) << 16) |
           (static_cast<uint32_t>(payload[2]) << 8) | static_cast<uint32_t>(payload[3]);
}

}  // namespace

uint64_t UpgradeBodyHash(std::span<const uint8_t> body) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (const uint8_t byte : body) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::vector<ReceivedImage> AmpUpgrade::Received() const {
    std::vector<ReceivedImage> images;
    for (const Transfer& transfer : transfers_) {
        ReceivedImage image = transfer.record;
        image.size = transfer.body.size();
        image.bodyHash = UpgradeBodyHash(transfer.body);
        images.push_back(image);
    }
    return images;
}

AmpUpgrade::Transfer* AmpUpgrade::Active(AmpImageKind kind) {
    if (!active_ || transfers_.empty() || transfers_.back().record.kind != kind) {
        return nullptr;
    }
    return &transfers_.back();
}

bool AmpUpgrade::Handle(const AmpRequest& request, const AmpIdentity& identity,
                        std::vector<InputReport>& replies, AmpAfterRequest& after) {
    after = AmpAfterRequest::kNothing;
    if (request.optype != OP_SET) {
        return false;
    }
    if (request.mcmd == MCMD_FLASH) {
        switch (request.subcmd) {
            case kFlashStart:
                return Start(request, AmpImageKind::kFlash, identity.loaderMode, replies);
            case kFlashData:
                return Data(request, AmpImageKind::kFlash, replies, after);
            case kFlashFinish:
                return Finish(request, AmpImageKind::kFlash, replies, after);
            default:
                return false;
        }
    }
    if (request.mcmd != MCMD_MCU) {
        return false;
    }
    switch (request.subcmd) {
        case kMcuEnter:
        case kBlEnter:
            return Enter(request, identity, replies, after);
        case kMcuStart:
            return Start(request, AmpImageKind::kMcu, identity.loaderMode, replies);
        case kBlStart:
            return Start(request, AmpImageKind::kBootloader, true, replies);
        case kMcuData:
            return Data(request, AmpImageKind::kMcu, replies, after);
        case kBlData:
            return Data(request, AmpImageKind::kBootloader, replies, after);
        case kMcuFinish:
            return Finish(request, AmpImageKind::kMcu, replies, after);
        case kBlFinish:
            return Finish(request, AmpImageKind::kBootloader, replies, after);
        case kReboot:
            Ack(request, kAckReady, replies);
            active_ = false;
            after = AmpAfterRequest::kRestartIntoApplication;
            return true;
        default:
            return false;
    }
}

bool AmpUpgrade::Enter(const AmpRequest& request, const AmpIdentity& identity,
                       std::vector<InputReport>& replies, AmpAfterRequest& after) {
    switch (faults_.enterReply) {
        case AmpUpgradeReply::kSilent:
            return true;
        case AmpUpgradeReply::kRefused:
            Ack(request, kAckNotReady, replies);
            return true;
        case AmpUpgradeReply::kReady:
            break;
    }
    Ack(request, kAckReady, replies);
    // The application hands over to the loader by restarting; the bootloader is replaced by the
    // running application, so its enter command restarts nothing.
    if (request.subcmd == kMcuEnter && !identity.loaderMode) {
        after = faults_.staysAwayAfterEnter ? AmpAfterRequest::kGoAway
                                            : AmpAfterRequest::kRestartIntoLoader;
    }
    return true;
}

bool AmpUpgrade::Start(const AmpRequest& request, AmpImageKind kind, bool allowed,
                       std::vector<InputReport>& replies) {
    if (faults_.startReply == AmpUpgradeReply::kSilent) {
        return true;
    }
    // MCU and flash images are taken by the loader only.
    if (!allowed || request.payload.size() != 4 ||
        faults_.startReply == AmpUpgradeReply::kRefused) {
        Ack(request, kAckNotReady, replies);
        return true;
    }
    Transfer transfer;
    transfer.record.kind = kind;
    std::copy_n(request.payload.begin(), 4, transfer.record.startParameters.begin());
    transfers_.push_back(std::move(transfer));
    active_ = true;
    WriteLog("VirtualAmplifier: upgrade transfer %d started\n", static_cast<int>(kind));
    Ack(request, kAckReady, replies);
    return true;
}

bool AmpUpgrade::Data(const AmpRequest& request, AmpImageKind kind,
                      std::vector<InputReport>& replies, AmpAfterRequest& after) {
    Transfer* transfer = Active(kind);
    if (transfer == nullptr) {
        return true;  // no transfer started: the device ignores the block
    }
    const std::vector<uint8_t>& p = request.payload;
    size_t count = 0;
    const uint8_t* data = nullptr;
    if (kind == AmpImageKind::kFlash) {
        if (p.size() < 5 || p[4] == 0 || p[4] > kFlashBlockMax || p.size() < 5u + p[4]) {
            return true;
        }
        count = p[4];
        data = p.data() + 5;
    } else {
        if (p.size() != 4 + kMcuBlockBytes) {
            return true;
        }
        count = kMcuBlockBytes;
        data = p.data() + 4;
    }
    const size_t block = ++transfer->record.blocks;
    if (block == faults_.unplugAtBlock) {
        after = AmpAfterRequest::kUnplug;
        return true;
    }
    const size_t offset = Offset(p);
    if (offset + count > kMaxBody) {
        Ack(request, kAmpStatusRefused, replies);
        return true;
    }
    std::vector<uint8_t>& body = transfer->body;
    body.resize(std::max(body.size(), offset + count), 0);
    std::copy_n(data, count, body.begin() + static_cast<std::ptrdiff_t>(offset));
    if (block == faults_.notReadyAtBlock) {
        Ack(request, kAckNotReady, replies);
    }
    Ack(request, kAckReady, replies);
    return true;
}

bool AmpUpgrade::Finish(const AmpRequest& request, AmpImageKind kind,
                        std::vector<InputReport>& replies, AmpAfterRequest& after) {
    Transfer* transfer = Active(kind);
    if (transfer == nullptr) {
        return true;
    }
    transfer->record.finished = true;
    active_ = false;
    WriteLog("VirtualAmplifier: upgrade transfer %d finished, %d bytes\n", static_cast<int>(kind),
             static_cast<int>(transfer->body.size()));
    Ack(request, kAckReady, replies);
    // New application firmware runs at once; a flash image waits for the reboot command.
    if (kind == AmpImageKind::kMcu) {
        after = AmpAfterRequest::kRestartIntoApplication;
    }
    return true;
}

}  // namespace korvel
