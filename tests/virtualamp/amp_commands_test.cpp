// Set-then-get round trips at the byte level: each set is acknowledged, and the following get
// reports bytes that decode (with the host's decodings) to the value that was set.

#include <gtest/gtest.h>

#include <cmath>

#include "amp_test_util.h"

namespace korvel::test {
namespace {

double ReportedQ(const uint8_t* b) {
    return b[0] + b[1] / 100.0;
}
double ReportedEqGain(const uint8_t* b) {
    return b[0] + b[1] / 10.0 - 18.0;
}
double ReportedDelay(const uint8_t* b) {
    return b[0] + ((b[1] << 8) | b[2]) / 1000.0;
}

TEST(AmpCommands, EqualiserBandRoundTripReportsQInHundredths) {
    VirtualAmplifier amp;
    // EQ_Ctrl scene 1, source 0, channel 2, band 5: 1000 Hz, Q 4.3 (tenths), gain -3.5 dB.
    Set(amp, kDsp, 0x06, {0x01, 0x00, 0x02, 0x05, 0x03, 0xE8, 0x04, 0x03, 0x0E, 0x05});
    const Bytes data = Get(amp, kDsp, 0x06, {1, 0, 2, 5, 5});
    ASSERT_EQ(data.size(), 5u + 6u);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 5), (Bytes{1, 0, 2, 5, 5}));
    EXPECT_EQ(Bytes(data.begin() + 5, data.end()), (Bytes{0x03, 0xE8, 0x04, 0x1E, 0x0E, 0x05}));
    EXPECT_NEAR(ReportedQ(&data[7]), 4.3, 1e-9);
    EXPECT_NEAR(ReportedEqGain(&data[9]), -3.5, 1e-9);
    // The live scene was not touched.
    const Bytes live = Get(amp, kDsp, 0x06, {0, 0, 2, 5, 5});
    EXPECT_EQ(Bytes(live.begin() + 5, live.end()), (Bytes{0x00, 63, 5, 80, 18, 0}));
}

TEST(AmpCommands, EqualiserRangeIsCutToEightBands) {
    VirtualAmplifier amp;
    const Bytes data = Get(amp, kDsp, 0x06, {0, 0, 0, 0, 30});
    ASSERT_EQ(data.size(), 5u + 8u * 6u);
    EXPECT_EQ(data[4], 7) << "reported last band";
}

TEST(AmpCommands, DelayRoundTrip) {
    VirtualAmplifier amp;
    Set(amp, kDsp, 0x07, Concat(Range(0, 0, 1), {0x01, 0x00, 0xFA, 0x0E, 0x03, 0xE7}));
    const Bytes data = Get(amp, kDsp, 0x07, Range(0, 0, 2));
    ASSERT_EQ(data.size(), 4u + 3u * 3u);
    EXPECT_NEAR(ReportedDelay(&data[4]), 1.25, 1e-9);
    EXPECT_NEAR(ReportedDelay(&data[7]), 14.999, 1e-9);
    EXPECT_NEAR(ReportedDelay(&data[10]), 0.0, 1e-9);
}

TEST(AmpCommands, TrimCarriesAttenuationAndReportsGain) {
    VirtualAmplifier amp;
    // The host sends -gain: 12 dB attenuation on channel 3, 0 on channel 4.
    Set(amp, kDsp, 0x08, Concat(Range(0, 3, 4), {12, 0}));
    const Bytes data = Get(amp, kDsp, 0x08, Range(0, 3, 4));
    ASSERT_EQ(data.size(), 6u);
    EXPECT_EQ(static_cast<int8_t>(data[4]), -12);  // F4
    EXPECT_EQ(data[5], 0);
}

TEST(AmpCommands, FineTrimIsRecognisedByItsLength) {
    VirtualAmplifier amp;
    Set(amp, kDsp, 0x08, Concat(Range(0, 0, 1), {20, 50, 3, 0}));
    const Bytes data = Get(amp, kDsp, 0x08, Range(0, 0, 1));
    EXPECT_EQ(static_cast<int8_t>(data[4]), -20);
    EXPECT_EQ(static_cast<int8_t>(data[5]), -3);
}

TEST(AmpCommands, MainVolumeCommandCarriesSixMinusDb) {
    struct Case {
        int8_t attenuation;
        int8_t reportedDb;
    };
    // Level 40 (+6 dB) sends 0, level 30 (0.93 dB) sends 5, level 0 (-60 dB) sends 66.
    for (const Case& c : {Case{0, 6}, Case{5, 1}, Case{66, -60}, Case{-4, 10}}) {
        VirtualAmplifier amp;
        Set(amp, kDsp, 0x02, {static_cast<uint8_t>(c.attenuation)});
        const Bytes data = Get(amp, kDsp, 0x02);
        ASSERT_EQ(data.size(), 1u);
        EXPECT_EQ(static_cast<int8_t>(data[0]), c.reportedDb) << int(c.attenuation);
    }
}

TEST(AmpCommands, FilterRoundTripKeepsTheTwoFiltersApart) {
    VirtualAmplifier amp;
    // Filter_Ctrl: scene, source, channel, filter (2 high-pass, 1 low-pass), type, freq, slope.
    Set(amp, kDsp, 0x05, {0, 0, 1, 2, 3, 0x01, 0xF4, 5});  // high-pass 500 Hz
    Set(amp, kDsp, 0x05, {0, 0, 1, 1, 1, 0x0F, 0xA0, 2});  // low-pass 4000 Hz
    const Bytes data = Get(amp, kDsp, 0x05, Range(0, 1, 1));
    EXPECT_EQ(Bytes(data.begin() + 4, data.end()), (Bytes{3, 0x01, 0xF4, 5, 1, 0x0F, 0xA0, 2}));
}

TEST(AmpCommands, FilterRangePastTheLastChannelReadsZeros) {
    VirtualAmplifier amp;
    const Bytes data = Get(amp, kDsp, 0x05, Range(0, 4, 7));
    ASSERT_EQ(data.size(), 4u + 4u * 8u);
    EXPECT_EQ(data[3], 7);
    EXPECT_EQ(Bytes(data.begin() + 4 + 16, data.end()), Bytes(16, 0));
    // A range too long for one report is shortened and says so in its header.
    const Bytes all = Get(amp, kDsp, 0x05, Range(0, 0, 7));
    EXPECT_EQ(all[3], 5);
    EXPECT_EQ(all.size(), 4u + 6u * 8u);
}

struct ByteRangeCase {
    const char* name;
    uint8_t subcmd;
};

class AmpChannelFlags : public ::testing::TestWithParam<ByteRangeCase> {};

TEST_P(AmpChannelFlags, RangeSetIsReportedBack) {
    VirtualAmplifier amp;
    const uint8_t subcmd = GetParam().subcmd;
    Set(amp, kDsp, subcmd, Concat(Range(0, 1, 3), {1, 0, 17}));
    const Bytes data = Get(amp, kDsp, subcmd, Range(0, 0, 5));
    ASSERT_EQ(data.size(), 10u);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 4), Range(0, 0, 5));
    EXPECT_EQ(data[5], 1);
    EXPECT_EQ(data[6], 0);
    EXPECT_EQ(data[7], 17);
}

INSTANTIATE_TEST_SUITE_P(PerChannel, AmpChannelFlags,
                         ::testing::Values(ByteRangeCase{"Mute", 0x09},
                                           ByteRangeCase{"Phase", 0x0A},
                                           ByteRangeCase{"SpeakerType", 0x0D},
                                           ByteRangeCase{"EqBypass", 0x12},
                                           ByteRangeCase{"Solo", 0x34}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AmpCommands, RangeWithLastBelowFirstAnswersTheHeaderOnly) {
    VirtualAmplifier amp;
    Set(amp, kDsp, 0x09, Range(0, 3, 2));
    EXPECT_EQ(Get(amp, kDsp, 0x09, Range(0, 3, 2)), Range(0, 3, 2));
}

TEST(AmpCommands, RoutingMaskIsPerSourceAndChannel) {
    VirtualAmplifier amp;
    Set(amp, kDsp, 0x0B, Concat(Range(0, 2, 2, /*source*/ 5), {0x0C}));
    EXPECT_EQ(Get(amp, kDsp, 0x0B, Range(0, 2, 2, 5)), (Bytes{0, 5, 2, 2, 0x0C}));
    EXPECT_EQ(Get(amp, kDsp, 0x0B, Range(0, 2, 2, 4)), (Bytes{0, 4, 2, 2, 0x04}));
    // Source index outside 0..8 addresses nothing: no reply.
    EXPECT_TRUE(Exchange(amp, kDsp, 0x0B, kGet, Range(0, 0, 5, 9)).empty());
}

TEST(AmpCommands, InputMixTrimRowAndColumn) {
    VirtualAmplifier amp;
    // Row: scene, source, input, first output, last output, trims.
    Set(amp, kDsp, 0x24, {0, 5, 3, 1, 2, 40, static_cast<uint8_t>(-6)});
    // Column: scene, source, first input, last input, output, trims.
    Set(amp, kDsp, 0x28, {0, 5, 2, 3, 0, 7, 8});
    const Bytes row = Get(amp, kDsp, 0x24, {0, 5, 3, 0, 5});
    EXPECT_EQ(row, (Bytes{0, 5, 3, 0, 5, 8, 40, 0xFA, 100, 100, 100}));
    EXPECT_EQ(Get(amp, kDsp, 0x24, {0, 5, 2, 0, 0}), (Bytes{0, 5, 2, 0, 0, 7}));
}

TEST(AmpCommands, LinkAndLockAreScenedValues) {
    VirtualAmplifier amp;
    Set(amp, kDsp, 0x0E, {0, 1, 3, 0, 1, 2, 3, 4, 5});
    Set(amp, kDsp, 0x0F, {0, 1});
    EXPECT_EQ(Get(amp, kDsp, 0x0E, {0}), (Bytes{0, 1, 0x01, 0x23, 0x45}));
    EXPECT_EQ(Get(amp, kDsp, 0x0F, {0}), (Bytes{0, 1}));
    Set(amp, kDsp, 0x0E, {0, 0, 0});
    EXPECT_EQ(Get(amp, kDsp, 0x0E, {0}), (Bytes{0, 0, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Get(amp, kDsp, 0x0F, {4}), (Bytes{4, 0}));
}

TEST(AmpCommands, LinkingCopiesSoundButNotMutePhaseOrDelay) {
    VirtualAmplifier amp;
    // Channel 0: band 3 at 1000 Hz, Q 4.3, -3.5 dB; a 120 Hz high-pass; -12 dB; muted.
    Set(amp, kDsp, 0x06, {0, 0, 0, 3, 0x03, 0xE8, 4, 3, 14, 5});
    Set(amp, kDsp, 0x05, {0, 0, 0, 0, 1, 0, 120, 1, 2, 0x4E, 0x20, 2, 3});
    Set(amp, kDsp, 0x08, {0, 0, 0, 0, 12});
    Set(amp, kDsp, 0x09, {0, 0, 0, 0, 1});
    Set(amp, kDsp, 0x0E, {0, 1, 1, 0, 1});  // link on, one pair: 0 -> 1

    Bytes band = Get(amp, kDsp, 0x06, {0, 0, 0, 3, 3});
    band[2] = 1;  // the same band, reported for channel 1
    EXPECT_EQ(Get(amp, kDsp, 0x06, {0, 0, 1, 3, 3}), band);
    const Bytes filters = Get(amp, kDsp, 0x05, Range(0, 0, 1));
    EXPECT_TRUE(std::equal(filters.begin() + 4, filters.begin() + 12, filters.begin() + 12));
    const Bytes trims = Get(amp, kDsp, 0x08, Range(0, 0, 1));
    EXPECT_EQ(trims[4], trims[5]);
    EXPECT_EQ(Get(amp, kDsp, 0x09, Range(0, 0, 1)), (Bytes{0, 0, 0, 1, 1, 0}));
}

struct SingleValueCase {
    const char* name;
    uint8_t mcmd;
    uint8_t subcmd;
    Bytes setPayload;
    Bytes getPayload;
    Bytes reported;
};

class AmpSingleValues : public ::testing::TestWithParam<SingleValueCase> {};

TEST_P(AmpSingleValues, SetIsReportedBack) {
    VirtualAmplifier amp;
    const auto& c = GetParam();
    Set(amp, c.mcmd, c.subcmd, c.setPayload);
    EXPECT_EQ(Get(amp, c.mcmd, c.subcmd, c.getPayload), c.reported);
}

INSTANTIATE_TEST_SUITE_P(
    Values, AmpSingleValues,
    ::testing::Values(SingleValueCase{"Source", kDsp, 0x01, {0x56}, {}, {0x56}},
                      SingleValueCase{"SubwooferVolume", kDsp, 0x03, {0xFB}, {}, {0xFB}},
                      SingleValueCase{"Mute", kDsp, 0x04, {1}, {}, {1}},
                      SingleValueCase{"AmpMute", kDsp, 0x3F, {1}, {}, {1}},
                      SingleValueCase{"SpeakerConfig", kDsp, 0x35, {0x21}, {}, {0x21}},
                      SingleValueCase{"InputThreshold", kDsp, 0x26, {0x9C}, {0, 0}, {0x9C}},
                      SingleValueCase{"AutoOn", kDsp, 0x3B, {0, 1}, {}, {1}},
                      SingleValueCase{"MemData",
                                      kDsp,
                                      0x42,
                                      {0x00, 0x20, 0, 0, 0x01, 0, 0, 0x80},
                                      {0x00, 0x20, 0, 0, 0, 0, 0, 0},
                                      {0x00, 0x20, 0, 0, 0x01, 0, 0, 0x80}},
                      SingleValueCase{"KtvMicVolume", kKtv, 0x01, {42}, {}, {42}},
                      SingleValueCase{"KtvEchoDelay", kKtv, 0x05, {0x01, 0x2C}, {}, {0x01, 0x2C}},
                      SingleValueCase{"KtvTrebleGain", kKtv, 0x0A, {0xFD}, {}, {0xFD}},
                      SingleValueCase{"PowerOffDelay", kMcu, 0x91, {0x0B, 0xB8}, {}, {0x0B, 0xB8}},
                      SingleValueCase{"Acc", kMcu, 0x92, {0xFE}, {}, {0xFE}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AmpCommands, UnknownMemoryReadsZero) {
    VirtualAmplifier amp;
    EXPECT_EQ(Get(amp, kDsp, 0x42, {4, 3, 2, 1, 0, 0, 0, 0}), (Bytes{4, 3, 2, 1, 0, 0, 0, 0}));
}

TEST(AmpCommands, InputNoiseIsReportedWithItsOffset) {
    VirtualAmplifier amp;
    amp.ModifyState([](AmpState& s) { s.inputNoiseTenths[1] = -725; });
    // (noise + 100) as whole and tenths: -80.0 → 20, 0; -72.5 → 27, 5.
    EXPECT_EQ(Get(amp, kDsp, 0x27, {0, 1}), (Bytes{0, 1, 20, 0, 27, 5}));
}

TEST(AmpCommands, PeqResetRestoresFactoryBandsOfTheListedChannels) {
    VirtualAmplifier amp;
    Set(amp, kDsp, 0x06, {0, 0, 2, 0, 0x00, 0x21, 2, 0, 20, 0});
    Set(amp, kDsp, 0x06, {0, 0, 3, 0, 0x00, 0x21, 2, 0, 20, 0});
    Set(amp, kDsp, 0x11, {0, 0, 1, 2});
    EXPECT_EQ(Get(amp, kDsp, 0x06, {0, 0, 2, 0, 0}), (Bytes{0, 0, 2, 0, 0, 0, 20, 5, 80, 18, 0}));
    EXPECT_EQ(Get(amp, kDsp, 0x06, {0, 0, 3, 0, 0}), (Bytes{0, 0, 3, 0, 0, 0, 0x21, 2, 0, 20, 0}));
}

TEST(AmpCommands, CalibrationStatusIsIdle) {
    VirtualAmplifier amp;
    EXPECT_EQ(Get(amp, kDsp, 0x13), (Bytes{kAmpIrcIdleStatus, 0, 0, 0, 0}));
    Set(amp, kDsp, 0x13, {1, 0x00, 0x3F, 0});
}

TEST(AmpCommands, UnknownAndMalformedCommandsGetNoReply) {
    VirtualAmplifier amp;
    EXPECT_TRUE(Exchange(amp, kDsp, 0x50, kGet).empty());
    EXPECT_TRUE(Exchange(amp, 9, 0x01, kGet).empty());
    EXPECT_TRUE(Exchange(amp, kDsp, 0x02, kData).empty());
    EXPECT_TRUE(Exchange(amp, kDsp, 0x07, kSet, {0, 0, 0, 1, 1}).empty()) << "short range";
    EXPECT_TRUE(Exchange(amp, kDsp, 0x07, kGet, Range(11, 0, 5)).empty()) << "scene 11";
    EXPECT_TRUE(Exchange(amp, kDsp, 0x06, kSet, {0, 0, 1}).empty()) << "short EQ_Ctrl";
    EXPECT_EQ(amp.RequestLog().size(), 6u) << "well-framed requests are still logged";
}

}  // namespace
}  // namespace korvel::test
