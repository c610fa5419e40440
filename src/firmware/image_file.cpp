#include "firmware/image_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace korvel {

namespace {

constexpr size_t kChecksumSize = 4;
constexpr size_t kMergedSizesOffset = 3;

uint32_t ReadBigEndian32(std::span<const uint8_t> bytes, size_t at) {
    return (static_cast<uint32_t>(bytes[at]) << 24) | (static_cast<uint32_t>(bytes[at + 1]) << 16) |
           (static_cast<uint32_t>(bytes[at + 2]) << 8) | static_cast<uint32_t>(bytes[at + 3]);
}

// Closes the descriptor when the read is done.
struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

}  // namespace

const char* DescribeImageProblem(ImageProblem problem) {
    switch (problem) {
        case ImageProblem::kNone:
            return "the image is valid";
        case ImageProblem::kUnknownName:
            return "the file name names no upgrade image (expected *MCU_UPG.bin, *FLASH_UPG.bin, "
                   "*BL_UPG.bin or *UPG_FW.bin)";
        case ImageProblem::kCannotOpen:
            return "the file cannot be opened";
        case ImageProblem::kReadFailed:
            return "the file cannot be read";
        case ImageProblem::kTooLong:
            return "the file is too long for an upgrade image";
        case ImageProblem::kTooShort:
            return "the file is too short for an upgrade image";
        case ImageProblem::kEmptyBody:
            return "the image carries no firmware bytes";
        case ImageProblem::kWrongKind:
            return "the image is of the wrong kind for its file name";
        case ImageProblem::kWrongModel:
            return "the image is for another amplifier model";
        case ImageProblem::kChecksum:
            return "the image checksum does not match (damaged file)";
        case ImageProblem::kNotMerged:
            return "the file is not a merged image";
        case ImageProblem::kBadCount:
            return "the merged image count is not between 2 and 5";
        case ImageProblem::kSizesPastEnd:
            return "the merged image sizes run past the end of the file";
    }
    return "unknown problem";
}

const char* ImageKindName(ImageKind kind) {
    switch (kind) {
        case ImageKind::kMcu:
            return "MCU image";
        case ImageKind::kBootloader:
            return "bootloader image";
        case ImageKind::kFlash:
            return "flash image";
        case ImageKind::kNone:
            break;
    }
    return "no image";
}

std::string_view ImageFileName(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

ImageParser ChooseImageParser(std::string_view path) {
    std::string name(ImageFileName(path));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (name.find("BL_UPG.BIN") != std::string::npos) {
        return ImageParser::kBootloader;
    }
    if (name.find("FLASH_UPG.BIN") != std::string::npos) {
        return ImageParser::kFlash;
    }
    if (name.find("MCU_UPG.BIN") != std::string::npos) {
        return ImageParser::kMcu;
    }
    if (name.find("UPG_FW.BIN") != std::string::npos) {
        return ImageParser::kMerged;
    }
    return ImageParser::kNone;
}

uint32_t ImageByteSum(std::span<const uint8_t> bytes) {
    uint32_t sum = 0;
    for (const uint8_t byte : bytes) {
        sum += byte;
    }
    return sum;
}

ImageProblem CheckSingleImage(std::span<const uint8_t> bytes, std::optional<uint8_t> requiredKind,
                              uint8_t modelId, SingleImage& image) {
    image = SingleImage{};
    if (bytes.size() < kImageOverhead) {
        return ImageProblem::kTooShort;
    }
    image.kindByte = bytes[0];
    image.modelByte = bytes[1];
    std::copy_n(bytes.begin() + 2, image.startParameters.size(), image.startParameters.begin());
    image.computedChecksum = ImageByteSum(bytes.first(bytes.size() - kChecksumSize));
    image.storedChecksum = ReadBigEndian32(bytes, bytes.size() - kChecksumSize);
    if (requiredKind && image.kindByte != *requiredKind) {
        return ImageProblem::kWrongKind;
    }
    if (image.modelByte != modelId) {
        return ImageProblem::kWrongModel;
    }
    if (image.computedChecksum != image.storedChecksum) {
        return ImageProblem::kChecksum;
    }
    // An image without body bytes has nothing to transfer (and no progress to count).
    if (bytes.size() == kImageOverhead) {
        return ImageProblem::kEmptyBody;
    }
    const auto body = bytes.subspan(kImageHeaderSize, bytes.size() - kImageOverhead);
    image.body.assign(body.begin(), body.end());
    return ImageProblem::kNone;
}

ImageProblem CheckMergedImage(std::span<const uint8_t> bytes, uint8_t modelId, MergedImage& image) {
    image = MergedImage{};
    if (bytes.size() < kMergedSizesOffset) {
        return ImageProblem::kTooShort;
    }
    if (bytes[0] != kMergedHeadByte && bytes[1] != kMergedHeadByte) {
        return ImageProblem::kNotMerged;
    }
    image.count = bytes[2];
    if (image.count < kMinMergedCount || image.count > kMaxMergedCount) {
        return ImageProblem::kBadCount;
    }
    const size_t tableEnd = kMergedSizesOffset + 4u * image.count;
    if (tableEnd > bytes.size()) {
        return ImageProblem::kSizesPastEnd;
    }
    for (size_t i = 0; i < image.count; ++i) {
        image.sizes.push_back(ReadBigEndian32(bytes, kMergedSizesOffset + 4 * i));
    }
    // Both images must lie inside the file; sizes are 32-bit, so 64-bit sums cannot wrap.
    const uint64_t mcuEnd = uint64_t{tableEnd} + image.sizes[0];
    const uint64_t flashEnd = mcuEnd + image.sizes[1];
    if (flashEnd > bytes.size()) {
        return ImageProblem::kSizesPastEnd;
    }
    const auto mcuBytes = bytes.subspan(tableEnd, image.sizes[0]);
    const auto flashBytes = bytes.subspan(static_cast<size_t>(mcuEnd), image.sizes[1]);
    if (const auto problem = CheckSingleImage(mcuBytes, kImageKindMcu, modelId, image.mcu);
        problem != ImageProblem::kNone) {
        image.mcuFailed = true;
        return problem;
    }
    if (const auto problem = CheckSingleImage(flashBytes, kImageKindFlash, modelId, image.flash);
        problem != ImageProblem::kNone) {
        image.flashFailed = true;
        image.mcu.body.clear();
        return problem;
    }
    return ImageProblem::kNone;
}

ImageProblem ReadImageFile(const std::string& path, size_t maxSize, std::vector<uint8_t>& bytes) {
    bytes.clear();
    FileDescriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat info {};
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return ImageProblem::kCannotOpen;
    }
    if (static_cast<uint64_t>(info.st_size) > maxSize) {
        return ImageProblem::kTooLong;
    }
    // Reads one byte past the limit at most, so a file that grew since fstat is still caught.
    bytes.resize(maxSize + 1);
    size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(file.fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            bytes.clear();
            return ImageProblem::kReadFailed;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<size_t>(got);
    }
    if (filled > maxSize) {
        bytes.clear();
        return ImageProblem::kTooLong;
    }
    bytes.resize(filled);
    return ImageProblem::kNone;
}

ImageFileCheck CheckImageFile(const std::string& path, uint8_t modelId) {
    ImageFileCheck check;
    check.parser = ChooseImageParser(path);
    auto fail = [&check](ImageProblem problem, int result) {
        check.problem = problem;
        check.result = result;
        return check;
    };
    if (check.parser == ImageParser::kNone) {
        return fail(ImageProblem::kUnknownName, UPG_FILE_INVALID);
    }
    const bool merged = check.parser == ImageParser::kMerged;
    std::vector<uint8_t> bytes;
    const ImageProblem read =
        ReadImageFile(path, merged ? kMaxMergedImageSize : kMaxSingleImageSize, bytes);
    if (read != ImageProblem::kNone) {
        // Only a single image that cannot be opened has a code of its own.
        const bool openFailure = read == ImageProblem::kCannotOpen && !merged;
        return fail(read, openFailure ? kUpgResultOpenFailed : UPG_FILE_INVALID);
    }
    if (merged) {
        MergedImage image;
        if (const auto problem = CheckMergedImage(bytes, modelId, image);
            problem != ImageProblem::kNone) {
            return fail(problem, UPG_FILE_INVALID);
        }
        check.kind = ImageKind::kFlash;
        check.bodySize = image.flash.body.size();
        return check;
    }
    SingleImage image;
    const std::optional<uint8_t> kind =
        check.parser == ImageParser::kFlash ? std::nullopt : std::optional<uint8_t>(kImageKindMcu);
    if (const auto problem = CheckSingleImage(bytes, kind, modelId, image);
        problem != ImageProblem::kNone) {
        return fail(problem, UPG_FILE_INVALID);
    }
    check.kind = check.parser == ImageParser::kFlash ? ImageKind::kFlash
                 : check.parser == ImageParser::kMcu ? ImageKind::kMcu
                                                     : ImageKind::kBootloader;
    check.bodySize = image.body.size();
    return check;
}

}  // namespace korvel
