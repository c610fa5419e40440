// The parser operations of the upgrade: each loads one image file into the upgrader, with the
// log lines of the device link's upgrade context.

#include <optional>

#include "firmware/upgrade_procedure.h"
#include "log/log.h"

namespace korvel {

namespace {

void LogChecksums(bool flash, const SingleImage& image) {
    if (flash) {
        WriteLog("cal FLASH checksum=0x%x!\n", image.computedChecksum);
    } else {
        WriteLog("cal MCU encrypt_checksum=0x%x!\n", image.computedChecksum);
    }
    WriteLog("encrypt_checksum=0x%x!\n", image.storedChecksum);
}

}  // namespace

int FirmwareUpgrader::LoadSingle(const std::string& path, ImageKind kind) {
    const bool flash = kind == ImageKind::kFlash;
    std::vector<uint8_t> bytes;
    const ImageProblem read = ReadImageFile(path, kMaxSingleImageSize, bytes);
    if (read == ImageProblem::kCannotOpen) {
        WriteLog("Error: Open file %s error!\n", path.c_str());
        return kUpgResultOpenFailed;
    }
    if (read != ImageProblem::kNone) {
        WriteLog(flash ? "FlashUpgParsingFile UPG_FILE_INVALID!\n" : "UPG_FILE_INVALID\n");
        return UPG_FILE_INVALID;
    }
    SingleImage image;
    // A standalone flash image's kind byte is not tested.
    const auto problem = CheckSingleImage(
        bytes, flash ? std::nullopt : std::optional<uint8_t>(kImageKindMcu), modelId_, image);
    kindByte_ = image.kindByte;
    modelByte_ = image.modelByte;
    if (!flash) {
        WriteLog("noCheckID=false, FW_ID=0x%x, FW_MODEL_ID=0x%x, pc_model_id=0x%x\n",
                 image.kindByte, image.modelByte, modelId_);
    }
    LogChecksums(flash, image);
    if (problem != ImageProblem::kNone) {
        WriteLog("%s (%s)\n", flash ? "UPG_FILE_INVALIE!" : "UPG_FILE_INVALID",
                 DescribeImageProblem(problem));
        return UPG_FILE_INVALID;
    }
    if (flash) {
        flashStart_ = image.startParameters;
        flashBody_ = std::move(image.body);
        WriteLog("FlashUpgParsingFile return ok!\n");
    } else {
        mcuStart_ = image.startParameters;
        mcuBody_ = std::move(image.body);
        mcuRemaining_ = static_cast<uint32_t>(mcuBody_.size());
    }
    return kUpgResultOk;
}

int FirmwareUpgrader::CopyFileToBuffer(const std::string& path) {
    return LoadSingle(path, ImageKind::kMcu);
}

int FirmwareUpgrader::MCUUpgParsingFile(const std::string& path) {
    kind_ = ImageKind::kMcu;
    state_ = UPG_ENTER;
    if (!link_.IsOpen()) {
        WriteLog("MCUUpgParsingFile return UPG_CONNECT_FAIL!\n");
        return UPG_CONNECT_FAIL;
    }
    return CopyFileToBuffer(path);
}

int FirmwareUpgrader::MCUUpgBLParsingFile(const std::string& path) {
    kind_ = ImageKind::kBootloader;
    state_ = UPG_ENTER;
    if (!link_.IsOpen()) {
        WriteLog("MCUUpgBLParsingFile return UPG_CONNECT_FAIL!\n");
        return UPG_CONNECT_FAIL;
    }
    return CopyFileToBuffer(path);
}

int FirmwareUpgrader::FlashUpgParsingFile(const std::string& path) {
    if (!link_.IsOpen()) {
        WriteLog("FlashUpgParsingFile return USB disconnected!\n");
        return UPG_CONNECT_FAIL;
    }
    kind_ = ImageKind::kFlash;
    state_ = UPG_START;
    link_.Core().ClearReceiveRing();
    return LoadSingle(path, ImageKind::kFlash);
}

int FirmwareUpgrader::ParsingUpgFWFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (ReadImageFile(path, kMaxMergedImageSize, bytes) != ImageProblem::kNone) {
        WriteLog("read FW error!\n");
        return UPG_FILE_INVALID;
    }
    MergedImage image;
    const ImageProblem problem = CheckMergedImage(bytes, modelId_, image);
    if (problem == ImageProblem::kNotMerged) {
        WriteLog("upg FW not match!\n");
        return UPG_FILE_INVALID;
    }
    WriteLog("totalFW=%d\n", image.count);
    for (size_t i = 0; i < image.sizes.size(); ++i) {
        WriteLog("FWSize[%d]=0x%x\n", static_cast<int>(i), image.sizes[i]);
    }
    if (problem != ImageProblem::kNone) {
        WriteLog("%s (%s)\n",
                 image.flashFailed ? "DSP checksum error!"
                 : image.mcuFailed ? "MCU checksum error!"
                                   : "upg FW not match!",
                 DescribeImageProblem(problem));
        return UPG_FILE_INVALID;
    }
    WriteLog("MCU imgfilesize=0x%x\n", static_cast<unsigned>(image.mcu.body.size()));
    kindByte_ = image.flash.kindByte;
    modelByte_ = image.flash.modelByte;
    mcuStart_ = image.mcu.startParameters;
    mcuBody_ = std::move(image.mcu.body);
    mcuRemaining_ = static_cast<uint32_t>(mcuBody_.size());
    flashStart_ = image.flash.startParameters;
    flashBody_ = std::move(image.flash.body);
    // Only the flash image is transferred; like a standalone flash image it goes on even
    // without an acknowledgement of the enter command.
    kind_ = ImageKind::kFlash;
    state_ = UPG_START;
    return kUpgResultOk;
}

}  // namespace korvel
