#include <gtest/gtest.h>

#include "model/scene_name.h"
#include "profiles/scene_name_file.h"

namespace korvel {
namespace {

TEST(SceneNameFile, EncodesSixteenBytesOfUtf16) {
    struct Case {
        std::u16string name;
        const char* base64;
    };
    const Case cases[] = {
        {u"", "AAAAAAAAAAAAAAAAAAAAAA=="},
        {u"Rock", "UgBvAGMAawAAAAAAAAAAAA=="},
        {u"中文", "LU6HZQAAAAAAAAAAAAAAAA=="},
        // Eight units fill the 16 bytes without a terminator.
        {u"ABCDEFGH", "QQBCAEMARABFAEYARwBIAA=="},
    };
    for (const Case& c : cases) {
        const std::string encoded = EncodeSceneNameForFile(Utf16ToDeviceName(c.name));
        EXPECT_EQ(encoded, c.base64);
        EXPECT_EQ(encoded.size(), 24u);
        EXPECT_EQ(DeviceNameToUtf16(DecodeSceneNameFromFile(encoded)), c.name);
    }
}

TEST(SceneNameFile, LongerDeviceNamesKeepTheirFirstEightUnits) {
    const SceneName device = Utf16ToDeviceName(u"0123456789AB");
    EXPECT_EQ(DeviceNameToUtf16(DecodeSceneNameFromFile(EncodeSceneNameForFile(device))),
              u"01234567");
}

TEST(SceneNameFile, SurrogatePairIsNotSplit) {
    const std::u16string text = u"1234567\U0001F600";
    const FileNameBytes bytes = Utf16ToFileNameBytes(text);
    EXPECT_EQ(FileNameBytesToUtf16(bytes), u"1234567");
}

TEST(SceneNameFile, OverlongOrBrokenBase64IsCutToSixteenBytes) {
    // 20 units of 'A': decodes to 40 bytes; the name keeps the first eight units.
    const std::string overlong = "QQBBAEEAQQBBAEEAQQBBAEEAQQBBAEEAQQBBAEEAQQBBAEEA";
    EXPECT_EQ(DeviceNameToUtf16(DecodeSceneNameFromFile(overlong)), u"AAAAAAAA");
    EXPECT_EQ(DecodeSceneNameFromFile("!!!"), SceneName{});
    EXPECT_EQ(DecodeSceneNameFromFile(""), SceneName{});
}

}  // namespace
}  // namespace korvel
