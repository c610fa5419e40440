#include "eqgraph/eq_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "eqgraph/eq_reference.h"

namespace korvel {
namespace {

constexpr double kAgreeDb = 1e-6;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<double> Grid() {
    std::vector<double> grid(kResponsePoints);
    BuildFrequencyGrid(kEqSampleRate, grid);
    return grid;
}

// A grid whose first point is f and whose Nyquist point is exactly 24000 Hz, so point 0 is
// evaluated at exactly 2*pi*f/48000.
std::vector<double> GridAt(double f) {
    return {f, 100.0, 24000.0, 48000.0};
}

double DampingOf(const CrossoverSection& s) {
    const double sinW = std::sqrt(1.0 - s.c * s.c);
    return 2.0 * (1.0 - s.k) / ((1.0 + s.k) * sinW);
}

void ExpectClose(const std::vector<double>& expected, const std::vector<double>& actual,
                 const std::string& what) {
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_NEAR(expected[i], actual[i], kAgreeDb) << what << " at point " << i;
    }
}

TEST(FrequencyGrid, LogarithmicUpToNyquistThenSampleRate) {
    const std::vector<double> grid = Grid();
    EXPECT_EQ(grid, reference::Grid());
    EXPECT_NEAR(grid[0], std::pow(10.0, std::log10(24000.0) / 511.0), 1e-12);
    EXPECT_NEAR(grid[510], 24000.0, 1e-8);
    EXPECT_EQ(grid[511], 48000.0);
    for (size_t i = 1; i < 511; ++i) {
        ASSERT_LT(grid[i - 1], grid[i]);
    }
}

TEST(FrequencyGrid, TinySizesAreSafe) {
    std::vector<double> one(1);
    BuildFrequencyGrid(kEqSampleRate, one);
    EXPECT_EQ(one[0], kEqSampleRate);
    BuildFrequencyGrid(kEqSampleRate, std::span<double>());
}

// ---- peaking bands -----------------------------------------------------------------------

struct BandCase {
    double f0;
    double q;
};
class PeakingBand : public ::testing::TestWithParam<BandCase> {};

TEST_P(PeakingBand, ZeroGainIsExactlyFlat) {
    const std::vector<double> grid = Grid();
    std::vector<double> db(grid.size(), 1.0);
    PeakingResponseDb(kEqSampleRate, GetParam().f0, 0.0, GetParam().q, grid, db);
    for (double v : db) {
        ASSERT_EQ(v, 0.0);
    }
}

TEST_P(PeakingBand, BoostAndCutCancelAndPeakEqualsGain) {
    const auto [f0, q] = GetParam();
    for (double gain : {6.0, 12.0, 18.0}) {
        const std::vector<double> grid = GridAt(f0);
        std::vector<double> up(grid.size()), down(grid.size());
        PeakingResponseDb(kEqSampleRate, f0, gain, q, grid, up);
        PeakingResponseDb(kEqSampleRate, f0, -gain, q, grid, down);
        EXPECT_NEAR(up[0], gain, 1e-9) << "f0 " << f0 << " Q " << q;
        EXPECT_NEAR(down[0], -gain, 1e-9);
        const std::vector<double> full = Grid();
        std::vector<double> a(full.size()), b(full.size());
        PeakingResponseDb(kEqSampleRate, f0, gain, q, full, a);
        PeakingResponseDb(kEqSampleRate, f0, -gain, q, full, b);
        for (size_t i = 0; i < full.size(); ++i) {
            ASSERT_NEAR(a[i] + b[i], 0.0, 1e-9) << "point " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Bands, PeakingBand,
                         ::testing::Values(BandCase{20, 0.5}, BandCase{1000, 5.8},
                                           BandCase{1000, 9.0}, BandCase{20000, 0.7},
                                           BandCase{63, 9.0}));

// Values that may arrive from a device report or a file: the band is drawn flat, never NaN.
struct BadBand {
    double f0;
    double gain;
    double q;
};
class UnusableBand : public ::testing::TestWithParam<BadBand> {};

TEST_P(UnusableBand, IsFlat) {
    const auto [f0, gain, q] = GetParam();
    EXPECT_EQ(DesignPeaking(kEqSampleRate, f0, gain, q), Biquad{});
    const std::vector<double> grid = Grid();
    std::vector<double> db(grid.size(), 1.0);
    PeakingResponseDb(kEqSampleRate, f0, gain, q, grid, db);
    for (double v : db) {
        ASSERT_EQ(v, 0.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, UnusableBand,
                         ::testing::Values(BadBand{1000, 6, 0.0}, BadBand{1000, 6, -2.0},
                                           BadBand{1000, 6, kNaN}, BadBand{1000, 6, kInf},
                                           BadBand{0, 6, 5.8}, BadBand{-100, 6, 5.8},
                                           BadBand{kNaN, 6, 5.8}, BadBand{kInf, 6, 5.8},
                                           BadBand{1000, kNaN, 5.8}, BadBand{1000, kInf, 5.8},
                                           BadBand{1000, -kInf, 5.8},
                                           BadBand{1000, 6, 1e300},    // design overflows
                                           BadBand{1e-300, 6, 5.8}));  // corner rounds to zero

TEST(PeakingBand, ExtremeButFiniteValuesStayFinite) {
    const std::vector<double> grid = Grid();
    std::vector<double> db(grid.size());
    for (const BadBand& b :
         {BadBand{1000, 6, 1e-300}, BadBand{1, 12, 1000}, BadBand{23999, -18, 9},
          BadBand{30000, 6, 5.8}, BadBand{1000, 3000, 5.8}, BadBand{1000, -3000, 5.8}}) {
        PeakingResponseDb(kEqSampleRate, b.f0, b.gain, b.q, grid, db);
        for (double v : db) {
            ASSERT_FALSE(std::isnan(v)) << b.f0 << " " << b.gain << " " << b.q;
        }
    }
}

// ---- crossover design ----------------------------------------------------------------------

TEST(CrossoverDesign, LinkwitzRileyOrderThreeIsTwoStagesOfRootTwoDamping) {
    for (bool lowPass : {false, true}) {
        const CrossoverSections s = DesignCrossoverSections(lowPass, 1000, 3, 2);
        for (int i : {0, 1}) {
            EXPECT_EQ(s[i].kind, kSecondOrderStage);
            EXPECT_NEAR(DampingOf(s[i]), 1.414213562, 1e-9);
        }
        EXPECT_EQ(s[2].kind, kEmptyStage);
        EXPECT_EQ(s[3].kind, kEmptyStage);
    }
}

TEST(CrossoverDesign, ButterworthOddOrdersEndWithOneFirstOrderStage) {
    const CrossoverSections three = DesignCrossoverSections(false, 1000, 3, 1);
    EXPECT_EQ(three[0].kind, kSecondOrderStage);
    EXPECT_NEAR(DampingOf(three[0]), 1.0, 1e-12);
    EXPECT_EQ(three[1].kind, kFirstOrderStage);
    EXPECT_EQ(three[2].kind, kEmptyStage);
    const CrossoverSections one = DesignCrossoverSections(true, 1000, 1, 1);
    EXPECT_EQ(one[0].kind, kFirstOrderStage);
    EXPECT_EQ(one[1].kind, kEmptyStage);
    const CrossoverSections bessel5 = DesignCrossoverSections(true, 1000, 5, 3);
    EXPECT_EQ(bessel5[1].kind, kSecondOrderStage);
    EXPECT_EQ(bessel5[2].kind, kFirstOrderStage);
}

bool SameSections(const CrossoverSections& a, const CrossoverSections& b) {
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].k != b[i].k || a[i].c != b[i].c || a[i].kind != b[i].kind) {
            return false;
        }
    }
    return true;
}

TEST(CrossoverDesign, TypeZeroIgnoresTheOrder) {
    const CrossoverSections two = DesignCrossoverSections(false, 500, 2, 0);
    EXPECT_NEAR(DampingOf(two[0]), 1.0, 1e-12);
    EXPECT_EQ(two[1].kind, kEmptyStage);
    for (int order : {0, 1, 3, 4, 8, 12}) {
        EXPECT_TRUE(SameSections(two, DesignCrossoverSections(false, 500, order, 0))) << order;
    }
}

struct Equivalent {
    double fcA;
    int orderA;
    int typeA;
    double fcB;
    int orderB;
    int typeB;
};
class CrossoverNormalisation : public ::testing::TestWithParam<Equivalent> {};

TEST_P(CrossoverNormalisation, DesignsTheSameStages) {
    const Equivalent e = GetParam();
    for (bool lowPass : {false, true}) {
        EXPECT_TRUE(SameSections(DesignCrossoverSections(lowPass, e.fcA, e.orderA, e.typeA),
                                 DesignCrossoverSections(lowPass, e.fcB, e.orderB, e.typeB)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CrossoverNormalisation,
    ::testing::Values(Equivalent{1000, 0, 1, 1000, 1, 1},   // order 0 reads as 1
                      Equivalent{1000, -7, 3, 1000, 1, 3},  // negative orders too
                      Equivalent{1000, 9, 1, 1000, 8, 1},   // 9 and above read as 8
                      Equivalent{1000, 100, 3, 1000, 8, 3},
                      Equivalent{1000, 7, 2, 1000, 8, 2},  // Linkwitz-Riley rounds odd up
                      Equivalent{1000, 9, 2, 1000, 8, 2},
                      Equivalent{30000, 4, 1, 22000, 4, 1},  // corner above 22 kHz
                      Equivalent{0, 4, 1, 0.0025, 4, 1},     // corner at the lower limit
                      Equivalent{-50, 4, 2, 0.0025, 4, 2}, Equivalent{kNaN, 4, 1, 0.0025, 4, 1},
                      Equivalent{1000, 4, 4, 1000, 4, 1},  // unknown type codes: Butterworth
                      Equivalent{1000, 3, -1, 1000, 3, 1}, Equivalent{1000, 5, 99, 1000, 5, 1}));

// ---- responses against independently computed values ---------------------------------------

TEST(CrossoverResponse, ButterworthAndLinkwitzRileyAtTheCorner) {
    for (int order = 1; order <= 8; ++order) {
        const std::vector<double> grid = GridAt(1000.0);
        std::vector<double> hp(grid.size()), lp(grid.size());
        HighPassResponseDb(kEqSampleRate, 1000, order, 1, grid, hp);
        LowPassResponseDb(kEqSampleRate, 1000, order, 1, grid, lp);
        EXPECT_NEAR(hp[0], -3.0103, 5e-5) << "Butterworth order " << order;
        EXPECT_NEAR(lp[0], -3.0103, 5e-5) << "Butterworth order " << order;
        if (order % 2 == 0) {
            HighPassResponseDb(kEqSampleRate, 1000, order, 2, grid, hp);
            EXPECT_NEAR(hp[0], -6.0206, 5e-5) << "Linkwitz-Riley order " << order;
        }
    }
}

TEST(CrossoverResponse, DeepStopBandReadsMinus400PerStage) {
    // An order-8 high-pass at 20 kHz has all four stages below the floor at the lowest point.
    const std::vector<double> grid = Grid();
    std::vector<double> hp(grid.size());
    HighPassResponseDb(kEqSampleRate, 20000, 8, 1, grid, hp);
    EXPECT_EQ(hp[0], 4 * kStopBandDb);
    ExpectClose(reference::FilterDb(false, 20000, 8, 1, grid), hp, "order-8 high-pass");
}

TEST(CrossoverResponse, SlopeIsSixDbPerOctavePerOrder) {
    for (int order : {2, 4, 8}) {
        const std::vector<double> grid = {125.0, 250.0, 24000.0, 48000.0};
        std::vector<double> hp(grid.size());
        HighPassResponseDb(kEqSampleRate, 4000, order, 1, grid, hp);
        EXPECT_NEAR(hp[1] - hp[0], 6.0206 * order, 0.05 * order) << order;
    }
}

// ---- channel totals ------------------------------------------------------------------------

ChannelSettings FlatChannel() {
    ChannelSettings ch;
    ch.bypass = 0;
    ch.crossover.hp = {80, 1, 4, 1};  // bypassed although a slope is set
    ch.crossover.lp = {5000, 2, 8, 1};
    return ch;
}

TEST(ChannelResponse, BypassedFiltersAndFlatBandsAreExactlyZero) {
    SceneRecord scene;
    const ChannelSettings ch = FlatChannel();
    std::vector<double> freq(kResponsePoints), total(kResponsePoints, 7.0);
    ASSERT_TRUE(ComputeChannelResponse(ch, scene.eqStore[0], false, freq, total));
    EXPECT_EQ(freq, Grid());
    for (double v : total) {
        ASSERT_EQ(v, 0.0);
    }
}

TEST(ChannelResponse, BypassedOrDisabledBandsCountAsZeroGain) {
    SceneRecord scene;
    ChannelSettings ch = FlatChannel();
    for (EqBand& b : scene.eqStore[0]) {
        b.eqGain = 9.0f;
        b.enable = 0;
    }
    std::vector<double> freq(kResponsePoints), total(kResponsePoints);
    ComputeChannelResponse(ch, scene.eqStore[0], false, freq, total);
    EXPECT_EQ(total, std::vector<double>(kResponsePoints, 0.0));
    for (EqBand& b : scene.eqStore[0]) {
        b.enable = 1;
    }
    ComputeChannelResponse(ch, scene.eqStore[0], true, freq, total);
    EXPECT_EQ(total, std::vector<double>(kResponsePoints, 0.0));
}

TEST(ChannelResponse, BandCountComesFromTheModelButNeverPastTheRow) {
    SceneRecord scene;
    for (EqBand& b : scene.eqStore[0]) {
        b.eqGain = 3.0f;
    }
    ChannelSettings ch = FlatChannel();
    std::vector<double> freq(kResponsePoints), expected(kResponsePoints), total(kResponsePoints);
    ComputeChannelResponse(ch, scene.eqStore[0], false, freq, expected);
    ch.eqSize = 5000;
    ComputeChannelResponse(ch, scene.eqStore[0], false, freq, total);
    EXPECT_EQ(total, expected);

    for (int size : {0, -3}) {
        ch.eqSize = size;
        std::vector<double> untouched(kResponsePoints, 42.0);
        EXPECT_FALSE(ComputeChannelResponse(ch, scene.eqStore[0], false, freq, untouched));
        EXPECT_EQ(untouched, std::vector<double>(kResponsePoints, 42.0));
    }
}

TEST(ChannelResponse, SceneCurvesUseEachChannelsBypassFlag) {
    SceneRecord scene;
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        scene.channels[ch].bypass = ch % 2;
        scene.channels[ch].crossover.hp = {100 * (ch + 1), 1, ch + 1, 0};
        scene.eqStore[ch][ch].eqGain = 6.0f;
    }
    const SceneCurves curves = ComputeSceneCurves(scene);
    EXPECT_EQ(curves.frequencies, Grid());
    const std::vector<double> grid = Grid();
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        ExpectClose(reference::ChannelDb(scene.channels[ch], scene.ChannelBands(ch),
                                         scene.channels[ch].bypass != 0, grid),
                    curves.totalDb[ch], "channel " + std::to_string(ch));
    }
}

// ---- agreement with the plain implementation over many random settings --------------------

class RandomSettings {
  public:
    explicit RandomSettings(uint64_t seed) : rng_(seed) {}

    double Uniform(double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng_); }
    int Int(int lo, int hi) { return std::uniform_int_distribution<>(lo, hi)(rng_); }
    double LogUniform(double lo, double hi) {
        return std::exp(Uniform(std::log(lo), std::log(hi)));
    }

    FilterSettings Filter() {
        const int fc = Int(0, 9) == 0 ? Int(-100, 40000) : static_cast<int>(LogUniform(20, 20000));
        const int slope = Int(-2, 10);
        return {fc, Int(0, 3), slope, slope <= 0 ? 1 : Int(0, 4) == 0};
    }

    EqBand Band(bool extreme) {
        EqBand b;
        b.freq = extreme ? Int(1, 23999) : static_cast<int>(LogUniform(20, 20000));
        b.eqFactor = static_cast<float>(extreme ? LogUniform(0.01, 200) : Uniform(0.5, 9.0));
        b.eqGain = static_cast<float>(extreme ? Uniform(-1000, 1000) : Uniform(-18, 12));
        b.enable = Int(0, 7) != 0;
        return b;
    }

  private:
    std::mt19937_64 rng_;
};

TEST(Agreement, ChannelTotalsMatchThePlainEvaluation) {
    RandomSettings random(20240611);
    const std::vector<double> grid = Grid();
    std::vector<double> freq(kResponsePoints), total(kResponsePoints);
    for (int trial = 0; trial < 300; ++trial) {
        const bool extreme = trial % 3 == 0;
        ChannelSettings ch;
        ch.bypass = random.Int(0, 5) == 0;
        ch.crossover.hp = random.Filter();
        ch.crossover.lp = random.Filter();
        std::array<EqBand, kBandCount> bands;
        for (EqBand& b : bands) {
            b = random.Band(extreme);
        }
        ASSERT_TRUE(ComputeChannelResponse(ch, bands, ch.bypass != 0, freq, total));
        ExpectClose(reference::ChannelDb(ch, bands.data(), ch.bypass != 0, grid), total,
                    "trial " + std::to_string(trial));
    }
}

TEST(Agreement, SingleFiltersAndBandsMatchThePlainEvaluation) {
    RandomSettings random(77);
    const std::vector<double> grid = Grid();
    std::vector<double> db(grid.size());
    for (int trial = 0; trial < 200; ++trial) {
        const FilterSettings f = random.Filter();
        HighPassResponseDb(kEqSampleRate, f.fs, f.slope, f.type, grid, db);
        ExpectClose(reference::FilterDb(false, f.fs, f.slope, f.type, grid), db, "high-pass");
        LowPassResponseDb(kEqSampleRate, f.fs, f.slope, f.type, grid, db);
        ExpectClose(reference::FilterDb(true, f.fs, f.slope, f.type, grid), db, "low-pass");

        const EqBand b = random.Band(trial % 2 == 0);
        const reference::Section s =
            reference::Peaking(kEqSampleRate, b.freq, b.eqGain, b.eqFactor);
        const std::vector<double> expected = reference::SectionDb(s, grid);
        PeakingResponseDb(kEqSampleRate, b.freq, b.eqGain, b.eqFactor, grid, db);
        ExpectClose(expected, db, "peaking");
        EvaluateCascadeDb(s.b, s.a, 2, 1, grid, db);
        ExpectClose(expected, db, "cascade");
    }
}

TEST(Agreement, CascadeOfSeveralSectionsIsTheProduct) {
    const std::vector<double> grid = Grid();
    const reference::Section a = reference::Peaking(kEqSampleRate, 300, 9, 2);
    const reference::Section b = reference::Peaking(kEqSampleRate, 3000, -7, 4);
    const double num[6] = {a.b[0], a.b[1], a.b[2], b.b[0], b.b[1], b.b[2]};
    const double den[6] = {1, a.a[1], a.a[2], 1, b.a[1], b.a[2]};
    std::vector<double> expected(grid.size(), 0.0), db(grid.size());
    reference::AddTo(expected, reference::SectionDb(a, grid));
    reference::AddTo(expected, reference::SectionDb(b, grid));
    EvaluateCascadeDb(num, den, 2, 2, grid, db);
    ExpectClose(expected, db, "two sections");
    // Too few coefficients for the stated shape: nothing is read past the arrays.
    std::vector<double> flat(grid.size(), 5.0);
    EvaluateCascadeDb(num, den, 2, 3, grid, flat);
    EXPECT_EQ(flat, std::vector<double>(grid.size(), 0.0));
}

}  // namespace
}  // namespace korvel
