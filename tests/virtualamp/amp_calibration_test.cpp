// The simulated car and the calibration commands of the virtual amplifier, on raw reports.
#include <gtest/gtest.h>

#include <cmath>

#include "amp_test_util.h"
#include "eqgraph/calibration_curves.h"
#include "model/calibration_targets.h"
#include "virtualamp/amp_calibration.h"

namespace korvel::test {
namespace {

constexpr uint8_t kIrc = 0x13;
constexpr uint8_t kIrcModule = 0x1E;

// RMS of (curve - target) over the speaker's usable band, both taken relative to their means.
double ShapeError(const CarSpeaker& speaker, const CarCurve& curve, const CarCurve& target) {
    std::vector<size_t> points;
    for (size_t i = 0; i < curve.size(); ++i) {
        const double f = CarSpectrumFrequencies()[i];
        if (f >= speaker.usableLowHz && f <= speaker.usableHighHz) {
            points.push_back(i);
        }
    }
    double meanC = 0, meanT = 0;
    for (size_t i : points) {
        meanC += curve[i];
        meanT += target[i];
    }
    meanC /= static_cast<double>(points.size());
    meanT /= static_cast<double>(points.size());
    double sum = 0;
    for (size_t i : points) {
        const double d = (curve[i] - meanC) - (target[i] - meanT);
        sum += d * d;
    }
    return std::sqrt(sum / static_cast<double>(points.size()));
}

TEST(SimulatedCar, IsTheSameForOneSeedAndDiffersBetweenSeeds) {
    const CarSpeaker a = SimulateSpeaker(7, 2, 15);
    const CarSpeaker b = SimulateSpeaker(7, 2, 15);
    const CarSpeaker c = SimulateSpeaker(8, 2, 15);
    EXPECT_EQ(a.measuredDb, b.measuredDb);
    EXPECT_EQ(a.distanceM, b.distanceM);
    EXPECT_NE(a.measuredDb, c.measuredDb);
    // The speaker's role shapes its low end: a tweeter is far below a subwoofer at 40 Hz.
    const size_t at40Hz = 12;
    EXPECT_LT(SimulateSpeaker(7, 0, 1).measuredDb[at40Hz] + 20.0,
              SimulateSpeaker(7, 0, 22).measuredDb[at40Hz]);
}

TEST(SimulatedCar, DerivedEqualiserBringsEveryKindOfSpeakerTowardsTheTarget) {
    struct Case {
        uint32_t seed;
        int role;
        int eqMode;
    };
    const Case cases[] = {{1, 6, 0},  {2, 12, 1}, {3, 1, 0}, {4, 3, 1},  {5, 22, 0},
                          {6, 15, 4}, {7, 2, 0},  {8, 5, 1}, {9, 24, 1}, {10, 19, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "seed " << c.seed << " role " << c.role);
        const CarSpeaker speaker = SimulateSpeaker(c.seed, 1, c.role);
        CarCurve target{};
        BandsResponseAt(CalibrationTargetPreset(CalibrationTargetForMode(c.eqMode)),
                        CarSpectrumFrequencies(), target);
        const auto bands = DeriveEqualizer(speaker, target);
        for (size_t k = 1; k < bands.size(); ++k) {
            EXPECT_LE(bands[k - 1].freq, bands[k].freq) << "bands sorted by frequency";
        }
        const double before = ShapeError(speaker, speaker.measuredDb, target);
        const double after = ShapeError(speaker, CorrectedResponse(speaker, bands), target);
        EXPECT_LT(after, 0.35 * before) << before << " -> " << after;
    }
}

TEST(SimulatedCar, DelaysAlignEverySpeakerWithTheFarthest) {
    EXPECT_EQ(AlignmentDelayUs(2.0, 2.0), 0u);
    EXPECT_EQ(AlignmentDelayUs(1.0, 2.0), 2915u);  // 1 m at 343 m/s
    EXPECT_EQ(AlignmentDelayUs(0.0, 9.0), kMaxCalibratedDelayUs);
}

class AmpCalibrationRun : public ::testing::Test {
  protected:
    void SetUp() override { calibration_ = InstallSimulatedCar(amp_, options_); }
    void Start(uint16_t mask, uint8_t module, uint8_t mode = 0) {
        Set(amp_, kDsp, kIrcModule, {module});
        Set(amp_, kDsp, kIrc,
            {1, static_cast<uint8_t>(mask >> 8), static_cast<uint8_t>(mask), mode});
    }
    // One poll: code, channel (byte 3), progress, reason.
    std::array<int, 4> Poll() {
        const Bytes d = Get(amp_, kDsp, kIrc);
        return d.size() >= 5 ? std::array<int, 4>{d[0], d[1], d[3], d[4]}
                             : std::array<int, 4>{-1, -1, -1, -1};
    }
    void Control(uint8_t on) { Set(amp_, kDsp, kIrc, {on, 0, 0, 0}); }

    CarOptions options_;
    VirtualAmplifier amp_;
    std::shared_ptr<AmpCalibration> calibration_;
};

TEST_F(AmpCalibrationRun, WalksTheCodesAndServesTheMeasurementAndTheBands) {
    EXPECT_EQ(Poll()[0], 12) << "idle";
    Start(0x05, 1);
    std::vector<std::array<int, 2>> codes;
    int lastProgress = -1;
    for (int i = 0; i < 14; ++i) {
        const auto p = Poll();
        codes.push_back({p[0], p[0] == 7 || p[0] == 8 ? p[1] : 0});
        EXPECT_GE(p[2], lastProgress);
        lastProgress = p[2];
    }
    const std::vector<std::array<int, 2>> expected = {{0, 0}, {1, 0}, {2, 0},  {3, 0}, {4, 0},
                                                      {5, 0}, {6, 0}, {7, 0},  {8, 0}, {7, 2},
                                                      {8, 2}, {9, 0}, {10, 0}, {10, 0}};
    EXPECT_EQ(codes, expected);
    EXPECT_EQ(lastProgress, 100);

    const Bytes spectrum = Get(amp_, kDsp, 0x1A, {117, 120, 2});
    ASSERT_EQ(spectrum.size(), 3u + 4 * 5);
    EXPECT_EQ(spectrum[2], 120);
    EXPECT_EQ((spectrum[3 + 15] << 8) | spectrum[3 + 16], 20000);  // point 120 is 20 kHz
    const double level =
        static_cast<int8_t>(spectrum[3 + 18]) + static_cast<int8_t>(spectrum[3 + 19]) / 100.0;
    EXPECT_NEAR(level, calibration_->Result(2).speaker.measuredDb[120], 1e-9);

    const Bytes bands = Get(amp_, kDsp, 0x16, {6, 30, 0});
    ASSERT_EQ(bands[2], 10) << "eleven bands are derived";
    const AmpBand& band6 = calibration_->Result(0).bands[6];
    EXPECT_EQ((bands[3] << 8) | bands[4], band6.freq);
    EXPECT_EQ(bands[5] * 100 + bands[6], band6.qHundredths);
    EXPECT_EQ(bands[7] * 10 + bands[8], band6.gainTenthsPlus18);
    EXPECT_EQ(Get(amp_, kDsp, 0x16, {0, 5, 1}).size(), 3u + 6 * 6) << "unmeasured: zeros";
}

TEST_F(AmpCalibrationRun, ApplyWritesTheResultIntoTheLiveSceneAndDiscardDoesNot) {
    for (const uint8_t on : {2, 3}) {
        SCOPED_TRACE(int(on));
        amp_.FactoryReset();
        Start(0x03, 1 | 2 | 4);
        while (Poll()[0] != 10) {
        }
        Control(on);
        EXPECT_EQ(Poll()[0], 12) << "the result is consumed";
        const AmpScene live = amp_.State().live;
        for (size_t ch = 0; ch < 2; ++ch) {
            const auto& r = calibration_->Result(static_cast<int>(ch));
            const bool applied = on == 2;
            EXPECT_EQ(live.channels[ch].bands[3].gainTenthsPlus18 == r.bands[3].gainTenthsPlus18 &&
                          live.channels[ch].bands[3].freq == r.bands[3].freq,
                      applied);
            EXPECT_EQ(live.channels[ch].delayMicroseconds, applied ? r.delayUs : 0u);
            EXPECT_EQ(live.channels[ch].gainHundredths, applied ? r.gainHundredths : 0);
            EXPECT_EQ(live.channels[ch].eqBypass, applied ? 0 : 1);
        }
        for (const AmpBand& band : live.channels[2].bands) {
            EXPECT_EQ(band.gainTenthsPlus18, 180) << "channel 2 was not selected";
        }
    }
}

TEST_F(AmpCalibrationRun, StopEndsTheRunWithTheExitCode) {
    Start(0x01, 1);
    Poll();
    Control(0);
    EXPECT_EQ(Poll()[0], 12);
    Control(2);
    EXPECT_EQ(amp_.State().live.channels[0].eqBypass, 1) << "nothing to apply after a stop";
}

TEST(AmpCalibrationFaults, FailsWithTheReasonAtItsStageOrGoesAway) {
    struct Case {
        CarOptions options;
        uint16_t mask;
        int failCode;  // code replaced by the failure; -1: none
        int reason;
    };
    const Case cases[] = {
        {{1, 0, -1, -1}, 1, 2, 0}, {{1, 1, -1, -1}, 1, 1, 1},  {{1, 2, -1, -1}, 1, 1, 2},
        {{1, 3, -1, -1}, 1, 3, 3}, {{1, 4, -1, -1}, 1, 4, 4},  {{1, 5, -1, -1}, 1, 5, 5},
        {{1, 5, 7, -1}, 1, 7, 5},  {{1, -1, -1, -1}, 0, 1, 2},  // no channel: no speaker
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "reason " << c.reason << " at " << c.failCode);
        VirtualAmplifier amp;
        InstallSimulatedCar(amp, c.options);
        Set(amp, kDsp, kIrcModule, {1});
        Set(amp, kDsp, kIrc, {1, 0, static_cast<uint8_t>(c.mask), 0});
        for (int code = 0; code < c.failCode; ++code) {
            EXPECT_EQ(Get(amp, kDsp, kIrc)[0], code);
        }
        const Bytes failed = Get(amp, kDsp, kIrc);
        ASSERT_EQ(failed.size(), 5u);
        EXPECT_EQ(failed[0], 11);
        EXPECT_EQ(failed[4], c.reason);
        EXPECT_EQ(Get(amp, kDsp, kIrc)[0], 12) << "idle after the failure";
    }

    VirtualAmplifier amp;
    InstallSimulatedCar(amp, {1, -1, -1, 3});
    Set(amp, kDsp, kIrc, {1, 0, 1, 0});
    for (int code = 0; code <= 3; ++code) {
        EXPECT_FALSE(amp.Unplugged());
        EXPECT_EQ(Get(amp, kDsp, kIrc)[0], code);
    }
    EXPECT_TRUE(amp.Unplugged());
}

}  // namespace
}  // namespace korvel::test
