#pragma once
// The firmware images the application carries for the forced update (device firmware, embedded
// at build time with -DKORVEL_FIRMWARE_DIR=DIR after the image checks), and the files they are
// written to for the upgrade: "MCU_UPG.bin" and "FLASH_UPG.bin" in a private temporary folder
// that is removed with its files when the EmbeddedImageFiles object goes.

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <optional>

namespace korvel {

inline constexpr const char* kEmbeddedMcuResource = ":/firmware/IDR_MCU_BIN";
inline constexpr const char* kEmbeddedFlashResource = ":/firmware/IDR_FLASH_BIN";

struct FirmwareVersion {
    int main = 0;
    int sub = 0;
};

// The version of the embedded images: the one the forced update brings a device to (the about
// window's "inner firmware").
FirmwareVersion InnerFirmwareVersion();

// True when this build embeds both images.
bool EmbeddedFirmwarePresent();

// The version of the images this build carries, or nullopt when it embeds none (the about window
// then shows no "inner firmware" line rather than claim a version it does not carry).
std::optional<FirmwareVersion> EmbeddedFirmwareVersion();

class EmbeddedImageFiles {
  public:
    // Codes of the failing step; the flash image's codes are these plus 6.
    enum PrepareError : int {
        kOk = 0,
        kResourceNotFound = 1,
        kResourceNotLoadable = 2,
        kResourceEmpty = 3,
        kResourceNotLockable = 4,  // kept for the numbering; Qt resources cannot fail to lock
        kFileNotCreatable = 5,
        kShortWrite = 6,
    };
    static constexpr int kFlashCodeOffset = 6;

    EmbeddedImageFiles() = default;
    ~EmbeddedImageFiles();  // removes the folder and the files
    EmbeddedImageFiles(const EmbeddedImageFiles&) = delete;
    EmbeddedImageFiles& operator=(const EmbeddedImageFiles&) = delete;

    // Writes the MCU image, then the flash image. On failure both files are removed and the
    // code of the failing step is returned (flash codes + 6).
    int Prepare(const QString& mcuResource = QLatin1String(kEmbeddedMcuResource),
                const QString& flashResource = QLatin1String(kEmbeddedFlashResource));

    QString McuPath() const { return mcuPath_; }
    QString FlashPath() const { return flashPath_; }

  private:
    void Remove();

    std::unique_ptr<QTemporaryDir> dir_;
    QString mcuPath_;
    QString flashPath_;
};

}  // namespace korvel
