#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "model/invariants.h"

namespace korvel {
namespace {

TEST(FilterReport, BringsEveryFieldIntoRange) {
    struct Case {
        int fs, type, slope;
        int wantFs, wantType, wantSlope, wantBypass;
    };
    for (const Case c : {Case{25000, 2, 4, 20, 2, 4, 0}, Case{19, 3, 2, 20, 3, 2, 0},
                         Case{1000, 0, 4, 1000, 1, 4, 0}, Case{1000, 4, 4, 1000, 1, 4, 0},
                         Case{1000, 2, 0, 1000, 2, 0, 1}, Case{1000, 2, -3, 1000, 2, 0, 1},
                         Case{20000, 1, 8, 20000, 1, 8, 0}}) {
        FilterSettings filter;
        ApplyFilterReport(filter, c.fs, c.type, c.slope);
        EXPECT_EQ(filter.fs, c.wantFs);
        EXPECT_EQ(filter.type, c.wantType);
        EXPECT_EQ(filter.slope, c.wantSlope);
        EXPECT_EQ(filter.bypass, c.wantBypass);
    }
}

TEST(CrossoverCorners, HighPassNeverExceedsLowPass) {
    EXPECT_EQ(ClampHighPassCorner(5000, 4000), 4000);
    EXPECT_EQ(ClampHighPassCorner(10, 4000), 20);
    EXPECT_EQ(ClampHighPassCorner(300, 4000), 300);
    EXPECT_EQ(ClampLowPassCorner(50, 80), 80);
    EXPECT_EQ(ClampLowPassCorner(30000, 80), 20000);
    EXPECT_EQ(ClampFrequency(-5), 20);
}

TEST(CrossoverCorners, BpTypeFollowsTheSlopes) {
    CrossoverSettings crossover;
    EXPECT_EQ(BpTypeFromSlopes(crossover), 0);
    crossover.hp.slope = 4;
    EXPECT_EQ(BpTypeFromSlopes(crossover), 1);
    crossover.lp.slope = 2;
    EXPECT_EQ(BpTypeFromSlopes(crossover), 3);
    crossover.hp.slope = 0;
    EXPECT_EQ(BpTypeFromSlopes(crossover), 2);
}

TEST(BandValues, QAndGainAreBounded) {
    EXPECT_FLOAT_EQ(ClampQ(0.2), 0.5f);
    EXPECT_FLOAT_EQ(ClampQ(12.0), 9.0f);
    EXPECT_FLOAT_EQ(ClampQ(4.3), 4.3f);
    EXPECT_FLOAT_EQ(ClampQ(std::nan("")), 5.8f);
    EXPECT_FLOAT_EQ(ClampEqGain(1e30), kEqGainLimitDb);
    EXPECT_FLOAT_EQ(ClampEqGain(-1e30), -kEqGainLimitDb);
    EXPECT_FLOAT_EQ(ClampEqGain(-3.5), -3.5f);
}

TEST(BandValues, FlatnessUsesTheOneDecibelRule) {
    std::array<EqBand, 3> bands{};
    EXPECT_TRUE(BandsAreFlat(bands));
    bands[1].eqGain = -0.99f;
    bands[2].eqGain = 0.9f;
    EXPECT_TRUE(BandsAreFlat(bands));  // several sub-dB bands still count as flat
    bands[2].eqGain = -1.0f;
    EXPECT_FALSE(BandsAreFlat(bands));
    EXPECT_FALSE(IsNonZeroGain(0.0005f));
    EXPECT_TRUE(IsNonZeroGain(-0.01f));
}

}  // namespace
}  // namespace korvel
