#include "firmware/upgrade_procedure.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "firmware/upgrade_commands.h"
#include "log/log.h"

namespace korvel {

namespace {

// How long UpgradeStart lets commands already queued before the upgrade drain, so that the queue
// worker's read can never take an upgrade acknowledgement.
constexpr int kQueueDrainMs = kWaitDefaultMs;

const char* StartName(ImageKind kind) {
    switch (kind) {
        case ImageKind::kBootloader:
            return "BL";
        case ImageKind::kFlash:
            return "FLASH";
        default:
            return "MCU";
    }
}

}  // namespace

const char* DescribeUpgradeResult(int result) {
    switch (result) {
        case kUpgResultOk:
            return "the transfer started";
        case kUpgResultOpenFailed:
            return "the image file could not be opened";
        case UPG_FILE_INVALID:
            return "the image file is not a valid upgrade image";
        case UPG_CONNECT_FAIL:
            return "the amplifier is not connected, or did not come back in its upgrade loader";
        case kUpgResultNotEntered:
            return "the amplifier did not enter upgrade mode or refused to start the transfer";
        default:
            return "unknown result";
    }
}

FirmwareUpgrader::FirmwareUpgrader(DeviceLink& link, uint8_t modelId)
    : link_(link), modelId_(modelId) {
    link_.SetUpgradeAckHandler(
        [this](uint8_t mcmd, std::span<const uint8_t> payload) { HandleAck(mcmd, payload); });
}

FirmwareUpgrader::~FirmwareUpgrader() {
    link_.SetUpgradeAckHandler({});
}

void FirmwareUpgrader::Stop() {
    {
        std::lock_guard lock(stopMutex_);
        stop_.store(true);
    }
    stopSignal_.notify_all();
}

void FirmwareUpgrader::Pause(int ms) {
    std::unique_lock lock(stopMutex_);
    stopSignal_.wait_for(lock, std::chrono::milliseconds(link_.Core().CappedWaitMs(ms)),
                         [this] { return stop_.load(); });
}

void FirmwareUpgrader::FreeBodies() {
    mcuBody_ = {};
    flashBody_ = {};
}

// --- UpgradeStart ---------------------------------------------------------------------------

int FirmwareUpgrader::UpgradeStart(const std::string& path) {
    {
        std::lock_guard lock(stopMutex_);
        stop_.store(false);
    }
    FreeBodies();
    flashSent_ = 0;
    mcuRemaining_ = 0;
    silentReads_ = 0;
    kind_ = ImageKind::kNone;
    link_.DisableQueue();
    link_.WaitUntilIdle(std::chrono::milliseconds(link_.Core().CappedWaitMs(kQueueDrainMs)));

    int result = UPG_FILE_INVALID;
    switch (ChooseImageParser(path)) {
        case ImageParser::kBootloader:
            result = MCUUpgBLParsingFile(path);
            break;
        case ImageParser::kFlash:
            result = FlashUpgParsingFile(path);
            break;
        case ImageParser::kMcu:
            result = MCUUpgParsingFile(path);
            break;
        case ImageParser::kMerged:
            result = ParsingUpgFWFile(path);
            break;
        case ImageParser::kNone:
            WriteLog("UpgradeStart UPG_FILE_INVALID\n");
            break;
    }
    WriteLog("Parsing return 0x%0x\n", result);
    if (result != kUpgResultOk) {
        FreeBodies();
        state_ = UPG_IDLE;
        return result;
    }

    if (!EnterUpgradeMode()) {
        FreeBodies();
        state_ = UPG_IDLE;
        return kUpgResultNotEntered;
    }
    if (link_.mcu_is_normal_mode() && kind_ != ImageKind::kBootloader) {
        ReopenAfterRestart();
    }
    if (!link_.IsOpen()) {
        WriteLog("UpgradeStart Device not Connected\n");
        FreeBodies();
        state_ = UPG_IDLE;
        WriteLog("UpgradeStart UPG_CONNECT_FAIL\n");
        return UPG_CONNECT_FAIL;
    }
    WriteLog("UpgradeStart Device Connected\n");
    link_.Core().ClearReceiveRing();
    const int started = SendStart();
    WriteLog("UpgradeStart %sStart return 0x%0x\n", StartName(kind_), started);
    // A refused bootloader start is not passed on: the first UpgradeStep ends it with 255.
    if (started != kUpgResultOk && kind_ != ImageKind::kBootloader) {
        FreeBodies();
        state_ = UPG_IDLE;
        return started;
    }
    return kUpgResultOk;
}

bool FirmwareUpgrader::EnterUpgradeMode() {
    if (kind_ == ImageKind::kBootloader) {
        upgrade::BL_Enter_Upg_Mode(link_);
    } else {
        upgrade::MCU_Enter_Upg_Mode(link_);
    }
    // A flash image set UPG_START when it was parsed, so it goes on without an acknowledgement.
    return state_.load() == UPG_START;
}

bool FirmwareUpgrader::ReopenAfterRestart() {
    link_.CloseHIDDevice(false);
    Pause(kReopenPauseMs);
    for (int attempt = 1; attempt <= kReopenAttempts; ++attempt) {
        if (stop_.load()) {
            break;
        }
        link_.OpenHIDDevice();
        if (link_.IsOpen()) {
            return true;
        }
        Pause(kReopenRetryMs);
    }
    return false;
}

int FirmwareUpgrader::SendStart() {
    bool answered = false;
    switch (kind_) {
        case ImageKind::kBootloader:
            answered = upgrade::BL_UPG_START(link_, mcuStart_);
            break;
        case ImageKind::kMcu:
            answered = upgrade::MCU_UPG_START(link_, mcuStart_);
            break;
        default:
            answered = upgrade::FLASH_UPG_START(link_, flashStart_);
            break;
    }
    if (state_.load() == UPG_NOT_READY) {
        return kUpgResultNotEntered;
    }
    // A start that got no answer counts as the first silent read of the transfer.
    silentReads_ = answered ? 0 : 1;
    phase_ = 0;
    return kUpgResultOk;
}

// --- UpgradeStep -----------------------------------------------------------------------------

uint8_t FirmwareUpgrader::UpgradeStep() {
    if (stop_.load() && state_.load() != UPG_IDLE) {
        state_ = UPG_NOT_READY;
        phase_ = 3;
    }
    const int phase = phase_.load();
    if (phase == 1) {
        phase_ = 2;
        return Progress();
    }
    if (phase == 2) {
        ReadReply();
        return Progress();
    }
    switch (state_.load()) {
        case UPG_READY:
            if (IsMcuKind()) {
                SendNextMcuBlock();
            } else {
                SendNextFlashBlock();
            }
            break;
        case UPG_FINISH:
        case UPG_NOT_READY:
            return Finish();
        case UPG_IDLE:
            return kUpgradeFailed;  // no upgrade started
        default:
            // Waiting for the start's acknowledgement, or a report that was not the expected
            // acknowledgement arrived: read the next reply (bounded like every other read).
            ReadReply();
            break;
    }
    return Progress();
}

void FirmwareUpgrader::ReadReply() {
    if (!link_.IsOpen()) {
        phase_ = 3;
        state_ = UPG_NOT_READY;
        return;
    }
    WriteLog("begain to read data...\n");
    if (link_.ReadHIDData(kWaitDefaultMs)) {
        silentReads_ = 0;
        // An ACK_NOT_READY has set phase 1 (wait for a further reply); keep that.
        int expected = 2;
        phase_.compare_exchange_strong(expected, 0);
        return;
    }
    WriteLog("read data error! %d\n", errno);
    if (++silentReads_ >= kMaxSilentReads) {
        WriteLog("UpgradeStep: no reply in %d reads, upgrade given up\n", silentReads_);
        phase_ = 3;
        state_ = UPG_NOT_READY;
    }
}

void FirmwareUpgrader::SendNextMcuBlock() {
    const bool bootloader = kind_ == ImageKind::kBootloader;
    if (mcuRemaining_ == 0) {
        if (bootloader) {
            upgrade::BL_UPG_FINISH(link_);
        } else {
            upgrade::MCU_UPG_FINISH(link_);
        }
        phase_ = 3;
        state_ = UPG_FINISH;
        WriteLog(bootloader ? "upgrade mcu bootloader finished!\n" : "upgrade mcu finished!\n");
        return;
    }
    if (!link_.IsOpen()) {
        phase_ = 3;
        state_ = UPG_NOT_READY;
        return;
    }
    // The odd-sized tail goes first, then 32-byte blocks down to offset 0.
    const uint32_t size = static_cast<uint32_t>(mcuBody_.size());
    uint32_t length = kMcuBlockSize;
    if (mcuRemaining_ == size && size % kMcuBlockSize != 0) {
        length = size % kMcuBlockSize;
    }
    mcuRemaining_ -= length;
    const uint32_t offset = mcuRemaining_;
    const std::span<const uint8_t> block(mcuBody_.data() + offset, length);
    WriteLogTimeStamp();
    if (bootloader) {
        upgrade::BL_UPG_DATA(link_, offset, block);
    } else {
        upgrade::MCU_UPG_DATA(link_, offset, block);
    }
    state_ = UPG_WAITING_BIN_DATA_ACK;
    phase_ = 1;
}

void FirmwareUpgrader::SendNextFlashBlock() {
    const uint32_t size = static_cast<uint32_t>(flashBody_.size());
    if (flashSent_ >= size) {
        upgrade::FLASH_UPG_FINISH(link_);
        phase_ = 3;
        state_ = UPG_FINISH;
        WriteLog("upgrade dsp finished!\n");
        return;
    }
    const uint32_t count = std::min<uint32_t>(kFlashBlockSize, size - flashSent_);
    const uint32_t offset = flashSent_;
    flashSent_ += count;
    WriteLog("Total file len %ld; current read pos: %ld;  has read len %ld.\n",
             static_cast<long>(size), static_cast<long>(count), static_cast<long>(flashSent_));
    if (!link_.IsOpen()) {
        phase_ = 3;
        state_ = UPG_NOT_READY;
        return;
    }
    WriteLogTimeStamp();
    upgrade::FLASH_UPG_DATA(link_, offset,
                            std::span<const uint8_t>(flashBody_.data() + offset, count));
    state_ = UPG_WAITING_BIN_DATA_ACK;
    phase_ = 1;
}

uint8_t FirmwareUpgrader::Finish() {
    const bool succeeded = state_.load() == UPG_FINISH;
    if (kind_ == ImageKind::kFlash) {
        // The device leaves its loader only when told, after a failed transfer as well.
        link_.MCU_Reboot_Ctrl();
    }
    FreeBodies();
    state_ = UPG_IDLE;
    phase_ = 3;
    return succeeded ? kUpgradeSucceeded : kUpgradeFailed;
}

uint8_t FirmwareUpgrader::Progress() const {
    if (IsMcuKind()) {
        const uint64_t size = mcuBody_.size();
        return size == 0 ? 100 : static_cast<uint8_t>((size - mcuRemaining_) * 100 / size);
    }
    const uint64_t size = flashBody_.size();
    return size == 0 ? 100 : static_cast<uint8_t>(uint64_t{flashSent_} * 100 / size);
}

}  // namespace korvel
