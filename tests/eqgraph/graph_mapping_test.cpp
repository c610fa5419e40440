#include "eqgraph/graph_mapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace korvel::eqgraph {
namespace {

constexpr GraphRect kRect{0, 0, 900, 300};  // zero line at 120
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(GraphMappingTest, ZeroLineUsesTruncatingIntegerDivision) {
    struct Case {
        GraphRect rect;
        GainRange range;
        int expected;
    };
    const Case cases[] = {
        {kRect, kEqualizerGainRange, 120},
        {{0, 0, 900, 301}, kEqualizerGainRange, 120},  // 120.4 truncated
        {{5, 7, 100, 107}, kEqualizerGainRange, 47},
        {kRect, kCalibrationGainRange, 150},
        {{0, 0, 0, 0}, kEqualizerGainRange, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZeroLineY(c.rect, c.range), c.expected) << c.rect.bottom;
    }
}

TEST(GraphMappingTest, FrequencyToXIsLogarithmicAndTruncated) {
    struct Case {
        GraphRect rect;
        double frequency;
        int expected;
    };
    const Case cases[] = {
        {kRect, 20.0, 0},
        {kRect, 100.0, 209},  // 209.69
        {kRect, 1000.0, 509},
        {kRect, 10000.0, 809},
        {kRect, 20000.0, 900},
        {kRect, 1.0e6, 1409},               // right of the graph, not clamped
        {{10, 20, 910, 320}, 1000.0, 519},  // offset by the graph's left edge
        {kRect, 0.0, 0},                    // not positive: left edge
        {kRect, -5.0, 0},
        {kRect, kNaN, 0},
        {kRect, kInf, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FrequencyToX(c.rect, c.frequency), c.expected) << c.frequency;
    }
}

TEST(GraphMappingTest, XToFrequencyRoundsToWholeHertz) {
    struct Case {
        GraphRect rect;
        int x;
        int expected;
    };
    const Case cases[] = {
        {kRect, 0, 20},   {kRect, 450, 632},    {kRect, 509, 995},        {kRect, 900, 20000},
        {kRect, -100, 9}, {kRect, 1000, 43089}, {{0, 0, 0, 300}, 50, 20},  // no width: the bottom
                                                                           // of the axis
    };
    for (const Case& c : cases) {
        EXPECT_EQ(XToFrequency(c.rect, c.x), c.expected) << c.x;
    }
    // Far outside positions stay finite.
    EXPECT_GT(XToFrequency(kRect, 1'000'000), 0);
}

TEST(GraphMappingTest, GainToYRoundsTheProductBeforeDividing) {
    struct Case {
        double gain;
        int expected;
    };
    const Case cases[] = {
        {12.0, 0},           {6.0, 60},          {1.0, 110},
        {0.104, 119},  // round(12.48) = 12 -> 119; without the rounding it would be 118
        {0.0, 120},          {-0.0975, 121},  // round(-17.55) = -18 -> 121; unrounded 120
        {-9.0, 210},         {-18.0, 300},       {-400.0, 4120},
        {-1e300, 1'000'000},  // limited instead of overflowing
        {-kInf, 1'000'000},  {kInf, -1'000'000}, {kNaN, 120},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GainToY(kRect, 120.0, c.gain, kEqualizerGainRange), c.expected) << c.gain;
    }
}

TEST(GraphMappingTest, CalibrationGainToYIsProportional) {
    struct Case {
        double gain;
        int expected;
    };
    const Case cases[] = {{20.0, 0},    {0.104, 149}, {0.0, 150},
                          {-10.0, 225}, {-20.0, 300}, {kNaN, 150}};
    for (const Case& c : cases) {
        EXPECT_EQ(GainToYUnrounded(kRect, 150.0, c.gain, kCalibrationGainRange), c.expected)
            << c.gain;
    }
}

TEST(GraphMappingTest, YToGainIsLinearOnEachSideOfTheZeroLine) {
    struct Case {
        int y;
        double expected;
    };
    const Case cases[] = {{0, 12.0}, {60, 6.0}, {120, 0.0}, {210, -9.0}, {300, -18.0}, {-60, 18.0}};
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(YToGain(kRect, 120.0, c.y, kEqualizerGainRange), c.expected) << c.y;
    }
    // A degenerate graph whose zero line is its top edge never divides by zero.
    EXPECT_EQ(YToGain({0, 0, 10, 0}, 0.0, -5, kEqualizerGainRange), 0.0);
}

TEST(GraphMappingTest, PointerIsClampedIntoTheGraph) {
    struct Case {
        GraphPoint in;
        GraphPoint out;
    };
    const Case cases[] = {{{-5, -5}, {0, 0}},
                          {{950, 400}, {900, 300}},
                          {{450, 150}, {450, 150}},
                          {{900, 0}, {900, 0}},
                          {{-1, 301}, {0, 300}}};
    for (const Case& c : cases) {
        EXPECT_EQ(ClampToRect(kRect, c.in), c.out) << c.in.x << "," << c.in.y;
    }
}

TEST(GraphMappingTest, QFromHandleDistanceLimitsDistanceAndQ) {
    struct Case {
        int scale;
        int distance;
        double expected;
    };
    const Case cases[] = {
        {100, 0, 9.0},
        {100, 2, 9.0},
        {100, 9, 9.0},
        {100, 10, 8.1},
        {100, 81, 1.0},
        {100, -81, 1.0},
        {100, 162, 0.5},
        {100, 500, 0.5},
        {150, 121, 1.0},  // 150 * 81 / 100 = 121
                          // in integers
        {150, 300, 0.5},  // limited to 243: 121 / 243 is below 0.5
        {10, 0, 8.0},     // 8 / 1: the nearest distance never becomes zero
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(QFromHandleDistance(c.scale, c.distance), c.expected)
            << c.scale << " " << c.distance;
    }
}

TEST(GraphMappingTest, QHandleDistanceFollowsTheLimitedQ) {
    struct Case {
        int scale;
        double q;
        int expected;
    };
    const Case cases[] = {{100, 1.0, 81},  {100, 9.0, 9},   {100, 0.1, 162}, {100, 20.0, 9},
                          {100, 1.41, 57}, {150, 1.0, 121}, {100, kNaN, 9}};
    for (const Case& c : cases) {
        EXPECT_EQ(QHandleDistance(c.scale, c.q), c.expected) << c.scale << " " << c.q;
    }
}

TEST(GraphMappingTest, ScaledLengthsTruncate) {
    EXPECT_EQ(Scaled(100, 16), 16);
    EXPECT_EQ(Scaled(125, 15), 18);  // 18.75
    EXPECT_EQ(Scaled(150, 8), 12);
}

TEST(GraphMappingTest, ParsesCurveColorAttributes) {
    constexpr std::uint32_t kFallback = 0xFF646464;
    struct Case {
        const char* attribute;
        std::vector<std::uint32_t> expected;
    };
    const Case cases[] = {
        {"#FF112233 #80445566", {0xFF112233, 0x80445566}},
        {"FF112233", {0xFF112233}},
        {"", {}},
        {"#", {}},
        {"#FF112233 #zz #FF000000", {0xFF112233, kFallback, 0xFF000000}},
        {"#123456789", {kFallback}},  // more than eight digits
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseCurveColors(c.attribute, 12, kFallback), c.expected) << c.attribute;
    }
    std::string many;
    for (int i = 0; i < 14; ++i) {
        many += (i ? " #" : "#") + std::string("FF0000") + (i < 10 ? "0" : "") + std::to_string(i);
    }
    const auto parsed = ParseCurveColors(many, 12, kFallback);
    ASSERT_EQ(parsed.size(), 12u);
    EXPECT_EQ(parsed.back(), 0xFF000011u);
}

}  // namespace
}  // namespace korvel::eqgraph
