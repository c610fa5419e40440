// DSP replies turned into report messages, including replies cut short by the device.

#include "command_fixture.h"

namespace korvel::testing {
namespace {

using Bytes = std::vector<uint8_t>;

class DspDecoderTest : public CommandFixture {
  protected:
    std::vector<Message> FeedDsp(Bytes payload) {
        Feed(MCMD_DSP, std::move(payload));
        return Drain(reports);
    }
};

TEST_F(DspDecoderTest, EqBandDecodesFrequencyQAndGain) {
    auto msgs = FeedDsp({0x06, OP_DATA, 0, 0, 2, 5, 5, 0x03, 0xE8, 0x04, 0x1E, 0x0E, 0x05});
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].id, kMsgDspReport);
    EXPECT_EQ(msgs[0].wParam, 0x06);
    const auto& r = std::get<EqBandReport>(msgs[0].record);
    EXPECT_EQ(r.channel, 2);
    EXPECT_EQ(r.band, 5);
    EXPECT_EQ(r.freq, 1000);
    EXPECT_NEAR(r.q, 4.30f, 1e-5);
    EXPECT_FLOAT_EQ(r.gain, -3.5f);
}

TEST_F(DspDecoderTest, DelayAndTrimGroups) {
    auto delays = FeedDsp({0x07, OP_DATA, 0, 0, 1, 2, 0x01, 0x00, 0xFA, 0x00, 0x00, 0x07});
    ASSERT_EQ(delays.size(), 2u);
    EXPECT_EQ(std::get<ChannelFloatReport>(delays[0].record).channel, 1);
    EXPECT_FLOAT_EQ(std::get<ChannelFloatReport>(delays[0].record).value, 1.25f);
    EXPECT_FLOAT_EQ(std::get<ChannelFloatReport>(delays[1].record).value, 0.007f);

    auto trims = FeedDsp({0x08, OP_DATA, 0, 0, 0, 0, 0xF4});
    ASSERT_EQ(trims.size(), 1u);
    EXPECT_FLOAT_EQ(std::get<ChannelFloatReport>(trims[0].record).value, -12.0f);
}

TEST_F(DspDecoderTest, CompressorSecondChannelStartsElevenBytesLater) {
    Bytes p{0x3E, OP_DATA, 0, 0, 2, 3};
    const Bytes first{1, 80, 5, 2, 5, 1, 5, 0x00, 0x0A, 0x00, 0xC8};
    const Bytes second{0, 100, 0, 4, 0, 0, 3, 0x01, 0x00, 0x02, 0x00};
    p.insert(p.end(), first.begin(), first.end());
    p.insert(p.end(), second.begin(), second.end());
    auto msgs = FeedDsp(p);
    ASSERT_EQ(msgs.size(), 2u);
    const auto& a = std::get<CompressorReport>(msgs[0].record);
    EXPECT_EQ(a.channel, 2);
    EXPECT_EQ(a.bypass, 1);
    EXPECT_EQ(a.threshold, -19);
    EXPECT_FLOAT_EQ(a.ratio, 2.5f);
    EXPECT_FLOAT_EQ(a.knee, 1.5f);
    EXPECT_EQ(a.attack, 10);
    EXPECT_EQ(a.release, 200);
    const auto& b = std::get<CompressorReport>(msgs[1].record);
    EXPECT_EQ(b.channel, 3);
    EXPECT_EQ(b.threshold, 0);
    EXPECT_FLOAT_EQ(b.ratio, 4.0f);
    EXPECT_FLOAT_EQ(b.knee, 0.3f);
    EXPECT_EQ(b.attack, 256);
    EXPECT_EQ(b.release, 512);
}

TEST_F(DspDecoderTest, FilterGroupsAndMixMasks) {
    auto filters = FeedDsp({0x05, OP_DATA, 0, 0, 4, 4, 1, 0x00, 0x50, 2, 3, 0x4E, 0x20, 4});
    ASSERT_EQ(filters.size(), 1u);
    const auto& f = std::get<FilterReport>(filters[0].record);
    EXPECT_EQ(f.channel, 4);
    EXPECT_EQ(f.hp_freq, 80);
    EXPECT_EQ(f.hp_slope, 2);
    EXPECT_EQ(f.lp_type, 3);
    EXPECT_EQ(f.lp_freq, 20000);
    EXPECT_EQ(f.lp_slope, 4);

    auto mix = FeedDsp({0x0B, OP_DATA, 0, 0x51, 0, 1, 0x03, 0x0C});
    ASSERT_EQ(mix.size(), 2u);
    EXPECT_EQ(std::get<MixReport>(mix[1].record).mask, 0x0C);
    EXPECT_EQ(std::get<MixReport>(mix[1].record).source, 0x51);
    link.SetInputCount(10);
    auto wide = FeedDsp({0x0B, OP_DATA, 0, 0x51, 0, 0, 0x01, 0x03});
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(std::get<MixReport>(wide[0].record).mask, 0x0103);
}

// Single values travel in the message; signed ones are sign-extended.
struct SingleCase {
    uint8_t id;
    Bytes data;
    int64_t value;
};

class DspSingleValueTest : public DspDecoderTest,
                           public ::testing::WithParamInterface<SingleCase> {};

TEST_P(DspSingleValueTest, PostsTheValueItself) {
    const SingleCase& c = GetParam();
    Bytes p{c.id, OP_DATA};
    p.insert(p.end(), c.data.begin(), c.data.end());
    auto msgs = FeedDsp(p);
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].wParam, c.id);
    EXPECT_EQ(msgs[0].value, c.value);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(msgs[0].record));
}

INSTANTIATE_TEST_SUITE_P(
    Values, DspSingleValueTest,
    ::testing::Values(SingleCase{0x01, {0x53}, 0x53}, SingleCase{0x02, {0xF4}, -12},
                      SingleCase{0x03, {0xFE}, -2}, SingleCase{0x04, {1}, 1},
                      SingleCase{0x26, {0xC4}, -60}, SingleCase{0x32, {0x01, 0x02}, 0x0102},
                      SingleCase{0x39, {2}, 2}, SingleCase{0x3A, {3}, 3}, SingleCase{0x3B, {1}, 1},
                      SingleCase{0x3F, {1}, 1}, SingleCase{0x44, {0x55}, 0x55}));

TEST_F(DspDecoderTest, RepliesThatPostNothing) {
    EXPECT_TRUE(FeedDsp({0x06, OP_SET, 0, 0, 2, 5, 5, 0x03, 0xE8, 0x04, 0x1E, 0x0E, 0x05}).empty());
    EXPECT_TRUE(FeedDsp({0x0D, OP_ACK}).empty());
    EXPECT_TRUE(FeedDsp({0x00, OP_DATA, 3, 0x51, 0x52, 0x53}).empty());
    EXPECT_TRUE(FeedDsp({0x11, OP_DATA, 0}).empty());
    EXPECT_TRUE(FeedDsp({0x0C, OP_DATA, 1, 2, 3}).empty());
    EXPECT_TRUE(FeedDsp({0x07, OP_DATA, 0, 0, 3, 2}).empty());  // last below first
}

TEST_F(DspDecoderTest, ChannelTypeLinkAndLock) {
    auto types = FeedDsp({0x0D, OP_DATA, 0, 0, 0, 1, 0x11, 0x22});
    ASSERT_EQ(types.size(), 2u);
    EXPECT_EQ(std::get<ChannelIntReport>(types[1].record).value, 0x22);

    auto link_msgs = FeedDsp({0x0E, OP_DATA, 0, 1, 0x10, 0x32, 0x54, 0x76});
    ASSERT_EQ(link_msgs.size(), 1u);
    const auto& l = std::get<LinkReport>(link_msgs[0].record);
    EXPECT_EQ(l.link, 1);
    EXPECT_EQ(l.pairs[0], 0x10);
    EXPECT_EQ(l.pairs[2], 0x54);
    EXPECT_EQ(l.pairs[3], 0);  // only half the six outputs are pair bytes

    auto lock = FeedDsp({0x0F, OP_DATA, 0, 1});
    ASSERT_EQ(lock.size(), 1u);
    EXPECT_EQ(std::get<LockReport>(lock[0].record).lock, 1);
}

TEST_F(DspDecoderTest, WholeRangeRecordsStoreByChannelNumber) {
    auto inputs = FeedDsp({0x20, OP_DATA, 0, 0x51, 1, 3, 0xFF, 0x05, 0x80});
    ASSERT_EQ(inputs.size(), 1u);
    const auto& in = std::get<InputRangeReport>(inputs[0].record);
    EXPECT_EQ(in.values[0], 0);
    EXPECT_EQ(in.values[1], -1);
    EXPECT_EQ(in.values[3], -128);

    auto noise = FeedDsp({0x27, OP_DATA, 2, 3, 40, 5, 100, 0});
    const auto& n = std::get<NoiseReport>(noise.at(0).record);
    EXPECT_FLOAT_EQ(n.noise[2], -59.5f);
    EXPECT_FLOAT_EQ(n.noise[3], 0.0f);

    auto mix = FeedDsp({0x24, OP_DATA, 0, 0x51, 2, 3, 4, 0xFE, 0x03});
    const auto& m = std::get<InputMixTrimReport>(mix.at(0).record);
    EXPECT_EQ(m.trims[0], -2);  // output 3 at index 0
    EXPECT_EQ(m.trims[1], 3);

    auto dist = FeedDsp({0x43, OP_DATA, 0, 0, 5, 5, 0x04, 0xD2});
    EXPECT_EQ(std::get<SpeakerDistanceReport>(dist.at(0).record).distances[5], 1234);

    auto q = FeedDsp({0x37, OP_DATA, 0, 0, 0, 1, 2, 3});
    EXPECT_EQ(std::get<QFactorReport>(q.at(0).record).modes[1], 3);

    auto out = FeedDsp({0x41, OP_DATA, 0x51, 0, 1, 0xF0, 0x10});
    const auto& o = std::get<OutputDistortReport>(out.at(0).record);
    EXPECT_EQ(o.levels[0], -16);
    EXPECT_EQ(o.levels[1], 16);
}

TEST_F(DspDecoderTest, ChannelsBeyondSixteenSlotsAreNotStored) {
    auto inputs = FeedDsp({0x20, OP_DATA, 0, 0, 14, 20, 1, 2, 3, 4, 5, 6, 7});
    const auto& in = std::get<InputRangeReport>(inputs.at(0).record);
    EXPECT_EQ(in.values[14], 1);
    EXPECT_EQ(in.values[15], 2);

    auto noise = FeedDsp({0x27, OP_DATA, 250, 255, 1, 2, 3, 4});
    EXPECT_EQ(noise.size(), 1u);

    auto dist = FeedDsp({0x43, OP_DATA, 0, 0, 15, 16, 0, 1, 0, 2});
    EXPECT_EQ(std::get<SpeakerDistanceReport>(dist.at(0).record).distances[15], 1);

    Bytes mixTrim{0x24, OP_DATA, 0, 0, 0, 0, 40};
    mixTrim.resize(7 + 41, 1);
    auto mix = FeedDsp(mixTrim);
    EXPECT_EQ(std::get<InputMixTrimReport>(mix.at(0).record).trims[15], 1);
}

// The announced range is trusted only as far as the bytes that arrived.
struct TruncatedCase {
    std::string name;
    Bytes payload;
    size_t posted;
};

void PrintTo(const TruncatedCase& c, std::ostream* os) {
    *os << c.name;
}

class DspTruncatedTest : public DspDecoderTest,
                         public ::testing::WithParamInterface<TruncatedCase> {};

TEST_P(DspTruncatedTest, DecodesOnlyCompleteGroups) {
    EXPECT_EQ(FeedDsp(GetParam().payload).size(), GetParam().posted);
}

INSTANTIATE_TEST_SUITE_P(
    ShortReplies, DspTruncatedTest,
    ::testing::Values(
        TruncatedCase{
            "DelayFourAnnouncedTwoArrived", {0x07, OP_DATA, 0, 0, 0, 3, 1, 0, 0, 2, 0, 0, 9}, 2},
        TruncatedCase{"EqEightAnnouncedOneArrived",
                      {0x06, OP_DATA, 0, 0, 0, 0, 7, 0x03, 0xE8, 4, 30, 14, 5, 0x03},
                      1},
        TruncatedCase{"FilterHeaderOnly", {0x05, OP_DATA, 0, 0, 0, 3}, 0},
        TruncatedCase{"FilterHeaderCut", {0x05, OP_DATA, 0, 0}, 0},
        TruncatedCase{"CompressorPartialGroup", {0x3E, OP_DATA, 0, 0, 0, 1, 1, 2, 3}, 0},
        TruncatedCase{"MuteRangeTo255", {0x09, OP_DATA, 0, 0, 250, 255, 1, 1}, 2},
        TruncatedCase{"VolumeWithoutValue", {0x02, OP_DATA}, 0},
        TruncatedCase{"RemoteChannelOneByte", {0x32, OP_DATA, 1}, 0},
        TruncatedCase{"LinkWithoutPairs", {0x0E, OP_DATA, 0, 1}, 1},
        TruncatedCase{"LockCut", {0x0F, OP_DATA, 0}, 0},
        TruncatedCase{"MixTypeCut", {0x36, OP_DATA, 0, 0}, 0},
        TruncatedCase{"IdentifierOnly", {0x07}, 0}),
    [](const auto& info) { return info.param.name; });

TEST_F(DspDecoderTest, MemoryWordGoesToTheMemoryWindow) {
    Feed(MCMD_DSP, {0x42, OP_DATA, 0x00, 0x20, 0x00, 0x00, 0x01, 0x00, 0x00, 0x80});
    EXPECT_EQ(reports.Size(), 0u);
    auto m = memory.Take();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->id, kMsgMemData);
    const auto& r = std::get<MemDataReport>(m->record);
    EXPECT_EQ(r.address, 0x2000u);
    EXPECT_EQ(r.data, 0x80000001u);
}

struct IrcStatusCase {
    Bytes data;
    bool posted;
    int64_t wParam;
    int64_t value;
};

class IrcStatusTest : public DspDecoderTest, public ::testing::WithParamInterface<IrcStatusCase> {};

TEST_P(IrcStatusTest, PostsStatusAndItsValue) {
    const IrcStatusCase& c = GetParam();
    Bytes p{0x13, OP_DATA};
    p.insert(p.end(), c.data.begin(), c.data.end());
    Feed(MCMD_DSP, p);
    auto msgs = Drain(calibration);
    ASSERT_EQ(msgs.size(), c.posted ? 1u : 0u);
    if (c.posted) {
        EXPECT_EQ(msgs[0].id, kMsgCalibration);
        EXPECT_EQ(msgs[0].wParam, c.wParam);
        EXPECT_EQ(msgs[0].value, c.value);
    }
}

INSTANTIATE_TEST_SUITE_P(Statuses, IrcStatusTest,
                         ::testing::Values(IrcStatusCase{{5, 9, 0, 55, 0}, true, 5, 55},
                                           IrcStatusCase{{7, 9, 0, 55, 0}, true, 7, 9},
                                           IrcStatusCase{{8, 4, 0, 55, 0}, true, 8, 4},
                                           IrcStatusCase{{11, 0, 0, 0, 2}, true, 11, 2},
                                           IrcStatusCase{{11, 0, 0, 0, 6}, false, 0, 0},
                                           IrcStatusCase{{13, 0, 0, 0, 0}, false, 0, 0},
                                           IrcStatusCase{{10, 0, 0, 100, 0}, true, 10, 100},
                                           IrcStatusCase{{5, 0}, false, 0, 0},
                                           IrcStatusCase{{11, 0, 0, 0}, false, 0, 0}));

TEST_F(DspDecoderTest, CalibrationChannelBandAndSpectrumReports) {
    Feed(MCMD_DSP, {0x14, OP_DATA, 0, 1, 2, 50, 0, 7});
    auto dist = Drain(calibration);
    ASSERT_EQ(dist.size(), 2u);
    EXPECT_FLOAT_EQ(std::get<IrcChannelReport>(dist[0].record).value, 2.5f);
    EXPECT_EQ(std::get<IrcChannelReport>(dist[1].record).channel, 1);

    Feed(MCMD_DSP, {0x19, OP_DATA, 3, 3, 200});
    auto level = Drain(calibration);
    ASSERT_EQ(level.size(), 1u);
    EXPECT_EQ(std::get<IrcChannelReport>(level[0].record).int_value, 200);

    Feed(MCMD_DSP, {0x16, OP_DATA, 2, 6, 6, 0x03, 0xE8, 0x04, 0x1E, 0x0E, 0x05});
    auto eq = Drain(calibration);
    ASSERT_EQ(eq.size(), 1u);
    EXPECT_EQ(std::get<IrcEqBandReport>(eq[0].record).band, 6);
    EXPECT_FLOAT_EQ(std::get<IrcEqBandReport>(eq[0].record).gain, -3.5f);

    Feed(MCMD_DSP, {0x1A, OP_DATA, 1, 0, 0, 0x03, 0xE8, 50, 0xFD, 0xF6});
    auto spectrum = Drain(calibration);
    ASSERT_EQ(spectrum.size(), 1u);
    const auto& s = std::get<IrcSpectrumReport>(spectrum[0].record);
    EXPECT_FLOAT_EQ(s.freq, 1000.5f);
    EXPECT_FLOAT_EQ(s.gain, -3.1f);
    EXPECT_EQ(reports.Size(), 0u);
}

TEST_F(DspDecoderTest, ReportForUnsetTargetIsDropped) {
    link.SetCalibrationTarget(nullptr);
    link.SetReportTarget(nullptr);
    Feed(MCMD_DSP, {0x13, OP_DATA, 5, 0, 0, 50, 0});
    Feed(MCMD_DSP, {0x02, OP_DATA, 1});
    EXPECT_EQ(calibration.Size() + reports.Size(), 0u);
}

TEST_F(DspDecoderTest, MixType2AndSpeakerConfig) {
    auto mt = FeedDsp({0x83, OP_DATA, 2});
    const auto& r = std::get<MixType2Report>(mt.at(0).record);
    EXPECT_EQ(r.reserved, 0);
    EXPECT_EQ(r.marker, 5);
    EXPECT_EQ(r.mix_type, 2);
    auto sc = FeedDsp({0x35, OP_DATA, 0x21});
    EXPECT_EQ(std::get<SpeakerConfigReport>(sc.at(0).record).config, 0x21);
}

}  // namespace
}  // namespace korvel::testing
