// Typed values and the value steps of the tuning controls.

#include <gtest/gtest.h>

#include <optional>

#include "controller/tuning_values.h"

namespace korvel {
namespace {

struct FrequencyText {
    const char* text;
    std::optional<int> hz;
};

class FrequencyTextTest : public ::testing::TestWithParam<FrequencyText> {};

TEST_P(FrequencyTextTest, ReadsIntegersAndTheThousandsForm) {
    EXPECT_EQ(ParseFrequencyText(GetParam().text), GetParam().hz);
}

INSTANTIATE_TEST_SUITE_P(Texts, FrequencyTextTest,
                         ::testing::Values(FrequencyText{"2k5", 2500}, FrequencyText{"3k", 3000},
                                           FrequencyText{"25k", 25000}, FrequencyText{"2K57", 2500},
                                           FrequencyText{"k5", 500}, FrequencyText{"1000Hz", 1000},
                                           FrequencyText{" 80", 80}, FrequencyText{"-5", -5},
                                           FrequencyText{"99999999999999999999", 1000000000},
                                           FrequencyText{"999999999999k9", 1000000000},
                                           FrequencyText{"", std::nullopt},
                                           FrequencyText{"Hz", std::nullopt},
                                           FrequencyText{"k", std::nullopt}));

TEST(FrequencyStepTest, WalksTheWholeGridMonotonicallyBothWays) {
    int hz = 20;
    int steps = 0;
    while (hz < 20000) {
        const int next = StepFrequency(hz, true);
        ASSERT_GT(next, hz);
        hz = next;
        ASSERT_LE(++steps, 200);
    }
    EXPECT_EQ(hz, 20000);
    EXPECT_GT(steps, 150);  // a few grid points round to the same integer and are skipped
    EXPECT_EQ(StepFrequency(20000, true), 20000);
    while (hz > 20) {
        const int next = StepFrequency(hz, false);
        ASSERT_LT(next, hz);
        hz = next;
    }
    EXPECT_EQ(StepFrequency(20, false), 20);
}

TEST(FrequencyStepTest, OutOfRangeFrequenciesStepFromTheNearestEnd) {
    EXPECT_EQ(StepFrequency(0, false), 20);
    EXPECT_EQ(StepFrequency(-100, true), StepFrequency(20, true));
    EXPECT_EQ(StepFrequency(50000, true), 20000);
}

TEST(BandStepTest, QAndGainStopAtTheirEnds) {
    EXPECT_FLOAT_EQ(*StepQ(0.52f, false), 0.5f);
    EXPECT_EQ(StepQ(0.505f, false), std::nullopt);
    EXPECT_FLOAT_EQ(*StepQ(5.8f, true), 5.85f);
    EXPECT_EQ(StepQ(8.995f, true), std::nullopt);
    EXPECT_FLOAT_EQ(*StepBandGain(-17.95f, false), -18.0f);
    EXPECT_EQ(StepBandGain(-18.0f, false), std::nullopt);
    EXPECT_FLOAT_EQ(*StepBandGain(0.0f, true), 0.1f);
    EXPECT_EQ(StepBandGain(12.0f, true), std::nullopt);
}

}  // namespace
}  // namespace korvel
