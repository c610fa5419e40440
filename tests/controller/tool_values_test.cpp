// The typed values of the tool windows and their command-line twins: memory words, the noise
// threshold, and scene names cut to the device's field.

#include <gtest/gtest.h>

#include <optional>

#include "controller/tool_values.h"
#include "model/scene_name.h"

namespace korvel {
namespace {

struct WordCase {
    const char* text;
    std::optional<uint32_t> word;
};

class MemWordTest : public ::testing::TestWithParam<WordCase> {};

TEST_P(MemWordTest, ReadsTheBaseFromThePrefixAndStopsAtTheFirstNonDigit) {
    EXPECT_EQ(ParseMemWord(GetParam().text), GetParam().word) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MemWordTest,
    ::testing::Values(WordCase{"0x10", 16u}, WordCase{"010", 8u}, WordCase{"10", 10u},
                      WordCase{"12ab", 12u}, WordCase{"abc", 0u}, WordCase{"", 0u},
                      WordCase{"012", 10u}, WordCase{"08", 0u}, WordCase{"0x", 0u},
                      WordCase{"0X1f/2", 31u}, WordCase{"0x2000/1", 8192u}, WordCase{"-5", 0u},
                      // The 32-bit limit in every base; leading zeros do not count.
                      WordCase{"0xffffffff", 0xFFFFFFFFu}, WordCase{"4294967295", 0xFFFFFFFFu},
                      WordCase{"037777777777", 0xFFFFFFFFu}, WordCase{"0x0000000000000001", 1u},
                      WordCase{"0x100000000", std::nullopt}, WordCase{"4294967296", std::nullopt},
                      WordCase{"040000000000", std::nullopt},
                      WordCase{"99999999999999999999999", std::nullopt}));

TEST(MemWordTest, ShowsEightHexDigits) {
    EXPECT_EQ(MemWordText(8192), "0x00002000");
    EXPECT_EQ(MemWordText(0xFFFFFFFFu), "0xffffffff");
}

struct ThresholdCase {
    const char* text;
    std::optional<int> dbu;
};

class ThresholdTextTest : public ::testing::TestWithParam<ThresholdCase> {};

TEST_P(ThresholdTextTest, ClampsToTheRangeAndKnowsOff) {
    EXPECT_EQ(ParseThresholdText(GetParam().text, "OFF"), GetParam().dbu) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, ThresholdTextTest,
                         ::testing::Values(ThresholdCase{"-20", -40}, ThresholdCase{"-39", -40},
                                           ThresholdCase{"-40", -40}, ThresholdCase{"-52dBu", -52},
                                           ThresholdCase{"-81", -81}, ThresholdCase{"-100", -81},
                                           ThresholdCase{"OFF", -81}, ThresholdCase{"${off}", -81},
                                           ThresholdCase{"99999999999999", -40},
                                           ThresholdCase{"abc", std::nullopt},
                                           ThresholdCase{"", std::nullopt}));

TEST(ThresholdStepTest, StopsAtBothEndsAndStepsFromOff) {
    const struct {
        int from;
        bool up;
        int to;
    } cases[] = {{-80, false, -81}, {-81, false, -81}, {-81, true, -80}, {-40, true, -40},
                 {-41, true, -40},  {-100, true, -80}, {-30, false, -40}};
    for (const auto& c : cases) {
        EXPECT_EQ(StepThreshold(c.from, c.up), c.to) << c.from << (c.up ? " up" : " down");
    }
    EXPECT_EQ(ThresholdText(-81), "${off}");
    EXPECT_EQ(ThresholdText(-80), "-80dBu");
}

TEST(InputRowTitleTest, TwoInputsAreLeftAndRightOthersCountFromOne) {
    EXPECT_EQ(InputRowTitle("Bluetooth", 0, 2), "Bluetooth L");
    EXPECT_EQ(InputRowTitle("Bluetooth", 1, 2), "Bluetooth R");
    EXPECT_EQ(InputRowTitle("High Level", 3, 4), "High Level4");
}

struct NameCase {
    std::u16string typed;
    std::u16string kept;
};

class FitDeviceNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(FitDeviceNameTest, KeepsWholeCharactersThatTheFieldHolds) {
    const std::u16string kept = FitDeviceName(GetParam().typed);
    EXPECT_EQ(kept, GetParam().kept);
    // What is kept is exactly what the device stores and reads back.
    EXPECT_EQ(DeviceNameToUtf16(Utf16ToDeviceName(kept)), kept);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FitDeviceNameTest,
    ::testing::Values(NameCase{u"Front stage", u"Front stage"},
                      NameCase{u"0123456789abcdefXYZ", u"0123456789abcdef"},
                      // Eight two-byte characters fill the field; a ninth does not fit.
                      NameCase{u"\u4e00\u4e01\u4e03\u4e07\u4e08\u4e09\u4e0a\u4e0b\u4e0d",
                               u"\u4e00\u4e01\u4e03\u4e07\u4e08\u4e09\u4e0a\u4e0b"},
                      // Fifteen bytes used: a two-byte character would be cut, so it is left out.
                      NameCase{u"0123456789abcde\u4e00", u"0123456789abcde"},
                      // Characters without a code in the device's code page are left out.
                      NameCase{u"a\U0001F600b\u0e01", u"ab"}, NameCase{u"", u""}));

}  // namespace
}  // namespace korvel
