#include "windows/embedded_firmware.h"

#include <QFile>

#include "controller/equalizer_manager.h"
#include "log/log.h"

#ifdef KORVEL_EMBEDDED_FIRMWARE
// Resources of a static library must be registered explicitly (outside any namespace).
static void InitFirmwareResources() {
    Q_INIT_RESOURCE(firmware_images);
}
#endif

namespace korvel {

namespace {

void RegisterResources() {
#ifdef KORVEL_EMBEDDED_FIRMWARE
    static const bool registered = [] {
        InitFirmwareResources();
        return true;
    }();
    (void)registered;
#endif
}

// Copies one resource to `path`; returns 0 or the step's error code.
int WriteResource(const QString& resource, const QString& path) {
    RegisterResources();
    if (!QFile::exists(resource)) {
        return EmbeddedImageFiles::kResourceNotFound;
    }
    QFile source(resource);
    if (!source.open(QIODevice::ReadOnly)) {
        return EmbeddedImageFiles::kResourceNotLoadable;
    }
    const QByteArray bytes = source.readAll();
    if (bytes.isEmpty()) {
        return EmbeddedImageFiles::kResourceEmpty;
    }
    QFile target(path);
    if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return EmbeddedImageFiles::kFileNotCreatable;
    }
    const qint64 written = target.write(bytes);
    if (!target.flush() || written != bytes.size()) {
        return EmbeddedImageFiles::kShortWrite;
    }
    return EmbeddedImageFiles::kOk;
}

}  // namespace

FirmwareVersion InnerFirmwareVersion() {
    return {kOldestMainVersion, kOldestSlaveVersion};
}

bool EmbeddedFirmwarePresent() {
    RegisterResources();
    return QFile::exists(QLatin1String(kEmbeddedMcuResource)) &&
           QFile::exists(QLatin1String(kEmbeddedFlashResource));
}

std::optional<FirmwareVersion> EmbeddedFirmwareVersion() {
    if (!EmbeddedFirmwarePresent()) {
        return std::nullopt;
    }
    return InnerFirmwareVersion();
}

EmbeddedImageFiles::~EmbeddedImageFiles() {
    Remove();
}

void EmbeddedImageFiles::Remove() {
    if (!mcuPath_.isEmpty()) {
        QFile::remove(mcuPath_);
    }
    if (!flashPath_.isEmpty()) {
        QFile::remove(flashPath_);
    }
    mcuPath_.clear();
    flashPath_.clear();
    dir_.reset();  // removes the folder
}

int EmbeddedImageFiles::Prepare(const QString& mcuResource, const QString& flashResource) {
    Remove();
    dir_ = std::make_unique<QTemporaryDir>();
    if (!dir_->isValid()) {
        Remove();
        return kFileNotCreatable;
    }
    mcuPath_ = dir_->filePath(QStringLiteral("MCU_UPG.bin"));
    flashPath_ = dir_->filePath(QStringLiteral("FLASH_UPG.bin"));
    int code = WriteResource(mcuResource, mcuPath_);
    if (code == kOk) {
        code = WriteResource(flashResource, flashPath_);
        if (code != kOk) {
            code += kFlashCodeOffset;
        }
    }
    if (code != kOk) {
        WriteLog("EmbeddedImageFiles::Prepare error code %d\n", code);
        Remove();
    }
    return code;
}

}  // namespace korvel
