// Upgrade image files: parser choice by name, the single and merged layouts, the limits and the
// result codes.
#include <gtest/gtest.h>

#include "common/firmware_images.h"
#include "firmware/image_file.h"

namespace korvel {
namespace {

using testing::ImageBytes;
using testing::MergedImage;
using testing::PatternBody;
using testing::ScratchDir;
using testing::SingleImage;

TEST(ImageFileName, ParserFollowsTheUpperCasedNameAfterTheLastSeparator) {
    const struct {
        const char* path;
        ImageParser parser;
    } cases[] = {
        {"/home/me/Tarvik7_MCU_UPG.bin", ImageParser::kMcu},
        {"tarvik7_mcu_upg.bin", ImageParser::kMcu},
        {"Tarvik7_FLASH_UPG.bin", ImageParser::kFlash},
        {"C:\\fw\\Tarvik7_BL_UPG.BIN.old", ImageParser::kBootloader},
        {"Tarvik7_BL_UPG.BIN_FLASH_UPG.BIN", ImageParser::kBootloader},
        {"Tarvik7_upg_fw.bin", ImageParser::kMerged},
        {"firmware.bin", ImageParser::kNone},
        {"/MCU_UPG.BIN/firmware.bin", ImageParser::kNone},  // only the file name counts
        {"Tarvik7_MCU_UPG.bi", ImageParser::kNone},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseImageParser(c.path), c.parser) << c.path;
    }
}

struct SingleCase {
    const char* name;
    ImageBytes bytes;
    std::optional<uint8_t> requiredKind;
    ImageProblem problem;
};

TEST(SingleImageCheck, KindModelChecksumAndLengthRules) {
    const ImageBytes valid = SingleImage(1, PatternBody(100));
    ImageBytes sameSum = valid;
    sameSum[10] += 1;     // one body byte +1 ...
    sameSum.back() += 1;  // ... and the last checksum byte +1: still a plain byte sum
    ImageBytes badSum = valid;
    badSum[10] += 1;
    ImageBytes trailerChanged = valid;
    trailerChanged.at(valid.size() - 6) ^= 0x01;
    const SingleCase cases[] = {
        {"valid MCU image", valid, kImageKindMcu, ImageProblem::kNone},
        {"compensated change", sameSum, kImageKindMcu, ImageProblem::kNone},
        {"changed body byte", badSum, kImageKindMcu, ImageProblem::kChecksum},
        {"trailer is summed", trailerChanged, kImageKindMcu, ImageProblem::kChecksum},
        {"MCU image with kind 2", SingleImage(2, PatternBody(100)), kImageKindMcu,
         ImageProblem::kWrongKind},
        {"flash kind not tested", SingleImage(1, PatternBody(100)), std::nullopt,
         ImageProblem::kNone},
        {"other model", SingleImage(1, PatternBody(10), {}, 73), kImageKindMcu,
         ImageProblem::kWrongModel},
        {"13 bytes", ImageBytes(13, 0), std::nullopt, ImageProblem::kTooShort},
        {"empty body", SingleImage(2, {}), std::nullopt, ImageProblem::kEmptyBody},
    };
    for (const auto& c : cases) {
        korvel::SingleImage image;
        EXPECT_EQ(CheckSingleImage(c.bytes, c.requiredKind, 72, image), c.problem) << c.name;
        if (c.problem == ImageProblem::kNone) {
            EXPECT_EQ(image.body.size(), c.bytes.size() - kImageOverhead) << c.name;
            EXPECT_EQ(image.startParameters, (std::array<uint8_t, 4>{0x11, 0x22, 0x33, 0x44}));
        } else {
            EXPECT_TRUE(image.body.empty()) << c.name;
        }
    }
}

TEST(MergedImageCheck, HeadCountSizesAndBothImages) {
    const ImageBytes mcu = SingleImage(1, PatternBody(64, 3));
    const ImageBytes flash = SingleImage(2, PatternBody(120, 5));
    ImageBytes pastEnd = MergedImage(mcu, flash);
    pastEnd.pop_back();
    ImageBytes hugeSize = MergedImage(mcu, flash);
    hugeSize[3] = hugeSize[4] = hugeSize[5] = hugeSize[6] = 0xFF;  // size 0 = 4 GiB - 1
    ImageBytes badMcu = MergedImage(mcu, flash);
    badMcu[20] ^= 0x40;
    const struct {
        const char* name;
        ImageBytes bytes;
        ImageProblem problem;
    } cases[] = {
        {"valid", MergedImage(mcu, flash), ImageProblem::kNone},
        {"head 0x73 0x00", MergedImage(mcu, flash, 2, 0x73, 0x00), ImageProblem::kNone},
        {"head 0x00 0x73", MergedImage(mcu, flash, 2, 0x00, 0x73), ImageProblem::kNone},
        {"five entries", MergedImage(mcu, flash, 5), ImageProblem::kNone},
        {"head 0x00 0x00", MergedImage(mcu, flash, 2, 0x00, 0x00), ImageProblem::kNotMerged},
        {"count 1", MergedImage(mcu, flash, 1), ImageProblem::kBadCount},
        {"count 6", MergedImage(mcu, flash, 6), ImageProblem::kBadCount},
        {"flash image cut short", pastEnd, ImageProblem::kSizesPastEnd},
        {"size beyond any file", hugeSize, ImageProblem::kSizesPastEnd},
        {"table cut short", ImageBytes{0x73, 0x73, 5, 0, 0, 0}, ImageProblem::kSizesPastEnd},
        {"bad MCU checksum", badMcu, ImageProblem::kChecksum},
        {"images swapped", MergedImage(flash, mcu), ImageProblem::kWrongKind},
    };
    for (const auto& c : cases) {
        korvel::MergedImage image;
        EXPECT_EQ(CheckMergedImage(c.bytes, 72, image), c.problem) << c.name;
        if (c.problem == ImageProblem::kNone) {
            EXPECT_EQ(image.mcu.body, PatternBody(64, 3)) << c.name;
            EXPECT_EQ(image.flash.body, PatternBody(120, 5)) << c.name;
        } else {
            EXPECT_TRUE(image.mcu.body.empty() && image.flash.body.empty()) << c.name;
        }
    }
}

TEST(ImageFileCheck, ResultCodesAndSizeLimits) {
    ScratchDir dir;
    const ImageBytes atLimit = SingleImage(2, PatternBody(kMaxSingleImageSize - kImageOverhead));
    ImageBytes overLimit = SingleImage(2, PatternBody(kMaxSingleImageSize - kImageOverhead + 1));
    const struct {
        std::string path;
        int result;
        ImageProblem problem;
        ImageKind kind;
    } cases[] = {
        {dir.Write("Tarvik7_FLASH_UPG.bin", atLimit), 0, ImageProblem::kNone, ImageKind::kFlash},
        {dir.Write("big_FLASH_UPG.bin", overLimit), 2, ImageProblem::kTooLong, ImageKind::kNone},
        {dir.Write("Tarvik7_BL_UPG.bin", SingleImage(1, PatternBody(40))), 0, ImageProblem::kNone,
         ImageKind::kBootloader},
        {dir.Write("a_UPG_FW.bin",
                   MergedImage(SingleImage(1, PatternBody(8)), SingleImage(2, PatternBody(9)))),
         0, ImageProblem::kNone, ImageKind::kFlash},
        {dir.Path("missing_MCU_UPG.bin"), 1, ImageProblem::kCannotOpen, ImageKind::kNone},
        {dir.Path("missing_UPG_FW.bin"), 2, ImageProblem::kCannotOpen, ImageKind::kNone},
        {dir.Folder() + "/firmware.bin", 2, ImageProblem::kUnknownName, ImageKind::kNone},
    };
    for (const auto& c : cases) {
        const ImageFileCheck check = CheckImageFile(c.path, 72);
        EXPECT_EQ(check.result, c.result) << c.path;
        EXPECT_EQ(check.problem, c.problem) << c.path;
        EXPECT_EQ(check.kind, c.kind) << c.path;
    }
}

}  // namespace
}  // namespace korvel
