#pragma once
// Upgrade image files: which parser a file name selects, and the byte checks of the single and
// the merged layout. Everything here works on byte buffers and sends nothing to the device; the
// upgrade procedure (upgrade_procedure.h) keeps what a successful check loaded.
//
// Single image (MCU, bootloader and flash images), N bytes, N <= 1 MiB:
//   0 kind byte (1 MCU or bootloader, 2 flash) | 1 model byte | 2..5 start parameters |
//   6..N-9 body (transferred) | N-8..N-5 trailer | N-4..N-1 checksum, big-endian
// The checksum is the wrapping 32-bit sum of every byte before it.
//
// Merged image, N <= 2 MiB: two head bytes (one of them 0x73), the image count C (2..5), C
// big-endian 32-bit sizes, then the MCU image and the flash image, each a single image of the
// size the table gives. Entries beyond the second are read and ignored.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

inline constexpr size_t kMaxSingleImageSize = 1048576;
inline constexpr size_t kMaxMergedImageSize = 2097152;
inline constexpr size_t kImageHeaderSize = 6;  // kind, model, four start-parameter bytes
inline constexpr size_t kImageTailSize = 8;    // trailer and checksum
inline constexpr size_t kImageOverhead = kImageHeaderSize + kImageTailSize;
inline constexpr uint8_t kImageKindMcu = 1;    // kind byte of MCU and bootloader images
inline constexpr uint8_t kImageKindFlash = 2;  // kind byte of flash images
inline constexpr uint8_t kMergedHeadByte = 0x73;
inline constexpr size_t kMinMergedCount = 2;
inline constexpr size_t kMaxMergedCount = 5;

// Result codes of the parsers and of UpgradeStart.
inline constexpr int kUpgResultOk = 0;
inline constexpr int kUpgResultOpenFailed = 1;  // a single image file could not be opened
inline constexpr int UPG_FILE_INVALID = 2;
inline constexpr int UPG_CONNECT_FAIL = 3;
inline constexpr int kUpgResultNotEntered = 4;  // upgrade mode not entered, or start refused

// The parser a file name selects.
enum class ImageParser { kNone, kBootloader, kFlash, kMcu, kMerged };

// The image kind in progress, with the values the upgrade context keeps.
enum class ImageKind : uint8_t { kNone = 0, kFlash = 1, kMcu = 2, kBootloader = 3 };

// Why a file was refused; kNone when it passed.
enum class ImageProblem {
    kNone,
    kUnknownName,  // the name selects no parser
    kCannotOpen,   // missing, unreadable or not a regular file
    kReadFailed,
    kTooLong,
    kTooShort,  // shorter than the fixed header and tail
    kEmptyBody,
    kWrongKind,
    kWrongModel,
    kChecksum,
    kNotMerged,     // neither head byte is 0x73
    kBadCount,      // merged image count outside 2..5
    kSizesPastEnd,  // the size table reaches past the end of the file
};

// One sentence (English) for the command line and the log.
const char* DescribeImageProblem(ImageProblem problem);

// The file name after the last '/' or '\\'.
std::string_view ImageFileName(std::string_view path);

// Upper-cases the file name and tests, in this order, for "BL_UPG.BIN", "FLASH_UPG.BIN",
// "MCU_UPG.BIN" and "UPG_FW.BIN".
ImageParser ChooseImageParser(std::string_view path);

// The wrapping 32-bit sum of the bytes.
uint32_t ImageByteSum(std::span<const uint8_t> bytes);

// One checked single image. The fields before `body` are filled as far as the file reached, so
// a refused image can still be logged.
struct SingleImage {
    uint8_t kindByte = 0;
    uint8_t modelByte = 0;
    std::array<uint8_t, 4> startParameters{};
    std::vector<uint8_t> body;
    uint32_t computedChecksum = 0;
    uint32_t storedChecksum = 0;
};

// Checks one single image held in `bytes` (no length limit here). `requiredKind` is the kind
// byte the caller insists on (none for a standalone flash image). On success `image` holds the
// body; on failure its body is empty.
ImageProblem CheckSingleImage(std::span<const uint8_t> bytes, std::optional<uint8_t> requiredKind,
                              uint8_t modelId, SingleImage& image);

struct MergedImage {
    uint8_t count = 0;
    std::vector<uint32_t> sizes;  // as the table gives them
    SingleImage mcu;
    SingleImage flash;
    // Which of the two images failed, for the log.
    bool mcuFailed = false;
    bool flashFailed = false;
};

// Checks a merged image held in `bytes` (no length limit here): head, count, sizes within the
// file, the MCU image (kind byte 1) and the flash image (kind byte 2) behind it.
ImageProblem CheckMergedImage(std::span<const uint8_t> bytes, uint8_t modelId, MergedImage& image);

// Reads a whole file of at most `maxSize` bytes. A longer file gives kTooLong without being
// read beyond the limit.
ImageProblem ReadImageFile(const std::string& path, size_t maxSize, std::vector<uint8_t>& bytes);

// The whole check of an image file as the upgrade would make it, without a device: name, size,
// layout, kind, model and checksum.
struct ImageFileCheck {
    ImageProblem problem = ImageProblem::kNone;
    int result = kUpgResultOk;  // the parser's result code for this problem
    ImageParser parser = ImageParser::kNone;
    ImageKind kind = ImageKind::kNone;  // the kind that would be transferred
    size_t bodySize = 0;                // bytes that would be transferred
};
ImageFileCheck CheckImageFile(const std::string& path, uint8_t modelId);

// "MCU image", "bootloader image", "flash image".
const char* ImageKindName(ImageKind kind);

}  // namespace korvel
