#include <gtest/gtest.h>

#include <string>

#include "model/scene_name.h"

namespace korvel {
namespace {

SceneName Bytes(std::string_view text) {
    SceneName name{};
    for (size_t i = 0; i < text.size() && i < name.size(); ++i) {
        name[i] = static_cast<uint8_t>(text[i]);
    }
    return name;
}

TEST(SceneName, AsciiPassesUnchanged) {
    const SceneName name = Utf16ToDeviceName(u"Bass Demo");
    EXPECT_EQ(name, Bytes("Bass Demo"));
    EXPECT_EQ(DeviceNameToUtf16(name), u"Bass Demo");
}

TEST(SceneName, FullSixteenBytesCarryNoTerminator) {
    const SceneName name = Utf16ToDeviceName(u"0123456789ABCDEFGH");
    EXPECT_EQ(name, Bytes("0123456789ABCDEF"));
    EXPECT_EQ(DeviceNameToUtf16(name), u"0123456789ABCDEF");
}

TEST(SceneName, ChineseUsesTwoByteGbkCodes) {
    const SceneName name = Utf16ToDeviceName(u"中文");
    EXPECT_EQ(name, Bytes("\xD6\xD0\xCE\xC4"));
    EXPECT_EQ(DeviceNameToUtf16(name), u"中文");
}

TEST(SceneName, MultiByteCharacterIsNeverCut) {
    // 15 ASCII bytes leave one byte, too few for a two-byte character.
    const SceneName name = Utf16ToDeviceName(u"123456789012345中");
    EXPECT_EQ(name, Bytes("123456789012345"));
    EXPECT_EQ(name[15], 0);
}

TEST(SceneName, UnmappableAndBrokenInput) {
    EXPECT_EQ(Utf16ToDeviceName(u"a\U0001F600b"), Bytes("a?b"));  // emoji: not in GBK
    const std::u16string loneSurrogate{u'x', static_cast<char16_t>(0xD800), u'y'};
    EXPECT_EQ(Utf16ToDeviceName(loneSurrogate), Bytes("x?y"));
    const std::u16string embeddedNul{u'a', 0, u'b'};
    EXPECT_EQ(Utf16ToDeviceName(embeddedNul), Bytes("a"));
    // 0xFF is no GBK lead byte; a lead byte at the very end is cut off.
    EXPECT_EQ(DeviceNameToUtf16(Bytes("A\xFF"
                                      "B")),
              u"A\uFFFDB");
    EXPECT_EQ(DeviceNameToUtf16(Bytes("AB\xD6")), u"AB\uFFFD");
    SceneName erased;
    erased.fill(0xFF);
    EXPECT_EQ(DeviceNameToUtf16(erased), std::u16string(16, u'\uFFFD'));
    EXPECT_EQ(DeviceNameToUtf16(SceneName{}), u"");
}

TEST(SceneName, TerminalTextInUtf8) {
    EXPECT_EQ(Utf8ToUtf16("Bass \xE4\xBD\x8E\xE9\x9F\xB3"), std::u16string(u"Bass \u4F4E\u97F3"));
    EXPECT_EQ(Utf16ToUtf8(u"Bass \u4F4E\u97F3"), "Bass \xE4\xBD\x8E\xE9\x9F\xB3");
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), std::u16string(u"\U0001F600"));
    EXPECT_FALSE(Utf8ToUtf16("bad \xC3").has_value());  // cut-off sequence
    EXPECT_FALSE(Utf8ToUtf16("\xFF").has_value());
}

}  // namespace
}  // namespace korvel
