#pragma once
// The firmware upgrade over a DeviceLink: loading an image file (the parser operations keep the
// loaded image and its header values here), putting the device into upgrade mode, and carrying
// the body block by block, paced by the device's acknowledgements.
//
//   FirmwareUpgrader upgrader(link);          // takes the link's upgrade acknowledgements
//   link.DisableQueue();
//   if (upgrader.UpgradeStart(path) == 0) {
//       uint8_t step;
//       do { step = upgrader.UpgradeStep(); /* 0..100: progress */ } while (step <= 100);
//       // 101: success, 255: failure; the state is UPG_IDLE again
//   }
//
// Threading: UpgradeStart and UpgradeStep run on one worker thread, one upgrade at a time; the
// acknowledgements arrive on the thread that reads the device, which is that worker. State()
// may be read from any thread (the controller pauses its plug handling while the state is
// UPG_ENTER or UPG_START). Stop() may be called from any thread; it cuts the waits short and
// makes the upgrade end as failed.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "commands/device_link.h"
#include "firmware/image_file.h"

namespace korvel {

// Upgrade states.
inline constexpr int UPG_IDLE = 0;
inline constexpr int UPG_ENTER = 16;
inline constexpr int UPG_START = 32;
inline constexpr int UPG_READY = 48;
inline constexpr int UPG_WAITING_BIN_DATA_ACK = 49;
inline constexpr int UPG_FINISH = 64;
inline constexpr int UPG_NOT_READY = 80;

// UpgradeStep results beyond the progress values 0..100.
inline constexpr uint8_t kUpgradeSucceeded = 101;
inline constexpr uint8_t kUpgradeFailed = 255;

// Block sizes on the wire.
inline constexpr size_t kMcuBlockSize = 32;
inline constexpr size_t kFlashBlockSize = 50;

// After entering upgrade mode a device in normal mode restarts into its loader: the link is
// closed, the device given this long, then reopened with up to kReopenAttempts tries.
inline constexpr int kReopenPauseMs = 8000;
inline constexpr int kReopenAttempts = 10;
inline constexpr int kReopenRetryMs = 500;
// Consecutive reads without any report (10 s each) after which the transfer is given up.
inline constexpr int kMaxSilentReads = 3;

// English meaning of an UpgradeStart result code, for the command line.
const char* DescribeUpgradeResult(int result);

class FirmwareUpgrader {
  public:
    // The application's model id (72) is what image model bytes are compared with.
    explicit FirmwareUpgrader(DeviceLink& link, uint8_t modelId = 72);
    ~FirmwareUpgrader();  // gives the acknowledgements back to the link

    FirmwareUpgrader(const FirmwareUpgrader&) = delete;
    FirmwareUpgrader& operator=(const FirmwareUpgrader&) = delete;

    // Loads the image, enters upgrade mode and starts the transfer. 0: call UpgradeStep next;
    // 1, 2, 3: the parser's result; 3 also when the device did not come back; 4: upgrade mode
    // not entered or the start refused.
    int UpgradeStart(const std::string& path);
    // One step: the progress 0..100 while the transfer goes on, then 101 (success) or 255.
    uint8_t UpgradeStep();

    // Ends the waits at once; the running upgrade ends as failed. Cleared by UpgradeStart.
    void Stop();

    // The parsers (each loads its image into this object and sets the kind and the state).
    int MCUUpgParsingFile(const std::string& path);
    int MCUUpgBLParsingFile(const std::string& path);
    int FlashUpgParsingFile(const std::string& path);
    int ParsingUpgFWFile(const std::string& path);
    int CopyFileToBuffer(const std::string& path);

    // The acknowledgement table; the link calls it for every upgrade acknowledgement.
    void HandleAck(uint8_t mcmd, std::span<const uint8_t> payload);

    int State() const { return state_.load(); }
    int ReadPhase() const { return phase_.load(); }
    ImageKind Kind() const { return kind_; }
    size_t McuBodySize() const { return mcuBody_.size(); }
    size_t FlashBodySize() const { return flashBody_.size(); }
    uint32_t McuBytesRemaining() const { return mcuRemaining_; }
    uint32_t FlashBytesSent() const { return flashSent_; }

  private:
    bool IsMcuKind() const { return kind_ == ImageKind::kMcu || kind_ == ImageKind::kBootloader; }
    void FreeBodies();
    int LoadSingle(const std::string& path, ImageKind kind);
    bool EnterUpgradeMode();
    bool ReopenAfterRestart();
    int SendStart();
    // One read of up to 10 s; counts silent reads and gives up after kMaxSilentReads.
    void ReadReply();
    void SendNextMcuBlock();
    void SendNextFlashBlock();
    uint8_t Finish();
    uint8_t Progress() const;
    // Sleeps `ms` (capped by the link's test hook) unless Stop() is called.
    void Pause(int ms);

    DeviceLink& link_;
    const uint8_t modelId_;

    std::atomic<int> state_{UPG_IDLE};
    std::atomic<int> phase_{3};
    ImageKind kind_ = ImageKind::kNone;
    uint8_t kindByte_ = 0;   // logged as FW_ID
    uint8_t modelByte_ = 0;  // logged as FW_MODEL_ID
    std::array<uint8_t, 4> mcuStart_{};
    std::array<uint8_t, 4> flashStart_{};
    std::vector<uint8_t> mcuBody_;
    std::vector<uint8_t> flashBody_;
    uint32_t mcuRemaining_ = 0;
    uint32_t flashSent_ = 0;
    int silentReads_ = 0;

    std::mutex stopMutex_;
    std::condition_variable stopSignal_;
    std::atomic<bool> stop_{false};
};

}  // namespace korvel
