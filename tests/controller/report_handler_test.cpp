// Applying device reports to the model: every report kind, for the live scene and for stored
// scenes, with the values and numbers the device may send that the model cannot hold.

#include <gtest/gtest.h>

#include <cstring>

#include "commands/reply_kinds.h"
#include "controller_fixture.h"
#include "log/log.h"
#include "model/scene_reset.h"

namespace korvel::testing {
namespace {

// The handlers' log lines are formatted too, so the sanitizers see every format and argument.
class OpenLogEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { OpenLog(std::string(::testing::TempDir()) + "controller_reports.log"); }
    void TearDown() override { CloseLog(); }
};

const auto* const kLogEnvironment = ::testing::AddGlobalTestEnvironment(new OpenLogEnvironment);

Message Dsp(uint8_t id, ReportRecord record) {
    Message m;
    m.id = kMsgDspReport;
    m.wParam = id;
    m.record = std::move(record);
    return m;
}

Message DspValue(uint8_t id, int64_t value) {
    Message m;
    m.id = kMsgDspReport;
    m.wParam = id;
    m.value = value;
    return m;
}

class ReportTest : public ControllerTest {
  protected:
    const SceneRecord& Live() const { return manager.LiveScene(); }
    const SceneRecord& Stored(int scene) const { return *manager.StoredScene(scene); }
    void Apply(const Message& m) { manager.HandleMessage(m); }
    size_t RefreshCount(RefreshWhat what) const {
        size_t n = 0;
        for (const auto& r : view.refreshes)
            n += r.what == what;
        return n;
    }
};

struct SourceCase {
    int code;
    int index;
};

class SourceReportTest : public ReportTest, public ::testing::WithParamInterface<SourceCase> {};

TEST_P(SourceReportTest, CodeSelectsIndex) {
    Apply(DspValue(dsp::SOURCE_SWITCH, GetParam().code));
    EXPECT_EQ(Live().sourceIndex, GetParam().index);
    EXPECT_TRUE(view.DidRefresh(RefreshWhat::kSource));
}

INSTANTIATE_TEST_SUITE_P(Codes, SourceReportTest,
                         ::testing::Values(SourceCase{0x51, 0}, SourceCase{0x52, 1},
                                           SourceCase{0x53, 2}, SourceCase{0x54, 3},
                                           SourceCase{0x55, 4}, SourceCase{0x56, 5},
                                           SourceCase{0x57, 6}, SourceCase{0x58, 7},
                                           SourceCase{0x59, 8}, SourceCase{0x50, 4},
                                           SourceCase{0x5A, 4}, SourceCase{0, 4}));

struct VolumeCase {
    int db;
    int level;
};

class MainVolumeReportTest : public ReportTest, public ::testing::WithParamInterface<VolumeCase> {};

TEST_P(MainVolumeReportTest, DecibelsGiveLevel) {
    Apply(DspValue(dsp::VOLUME, GetParam().db));
    EXPECT_EQ(Live().mainVolume, GetParam().level);
}

// -60 dB is level 1 (not 0); 0 dB level 28; values beyond the scale stay on the slider.
INSTANTIATE_TEST_SUITE_P(Levels, MainVolumeReportTest,
                         ::testing::Values(VolumeCase{-60, 1}, VolumeCase{0, 28},
                                           VolumeCase{-6, 20}, VolumeCase{6, 39},
                                           VolumeCase{127, 40}, VolumeCase{-128, 0}));

TEST_F(ReportTest, SingleValueReportsOfTheLiveScene) {
    Apply(DspValue(dsp::MUTE, 1));
    Apply(DspValue(dsp::INPUT_THRESHOLD, -80));
    Apply(DspValue(dsp::AUTO_ON, 1));
    Apply(DspValue(dsp::AMP_MUTE, 1));
    EXPECT_EQ(Live().mainVolumeMute, 1);
    EXPECT_EQ(Live().inputThreshold, -80);
    EXPECT_EQ(Live().autoEffectOn, 1);
    EXPECT_EQ(Live().ampOn, 0);
    Apply(DspValue(dsp::AMP_MUTE, 0));
    EXPECT_EQ(Live().ampOn, 1);
    EXPECT_TRUE(view.DidRefresh(RefreshWhat::kMainMute));
    EXPECT_TRUE(view.DidRefresh(RefreshWhat::kEffectSwitch));
    EXPECT_TRUE(view.DidRefresh(RefreshWhat::kAmpSwitch));
}

struct FilterCase {
    const char* name;
    FilterReport report;
    FilterSettings hp;
    FilterSettings lp;
};

class FilterReportTest : public ReportTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(FilterReportTest, StoresBothFilters) {
    Apply(Dsp(dsp::FILTER, GetParam().report));
    const CrossoverSettings& x = Live().channels[GetParam().report.channel].crossover;
    const FilterSettings& hp = GetParam().hp;
    const FilterSettings& lp = GetParam().lp;
    EXPECT_EQ(x.hp.fs, hp.fs);
    EXPECT_EQ(x.hp.type, hp.type);
    EXPECT_EQ(x.hp.slope, hp.slope);
    EXPECT_EQ(x.hp.bypass, hp.bypass);
    EXPECT_EQ(x.lp.fs, lp.fs);
    EXPECT_EQ(x.lp.type, lp.type);
    EXPECT_EQ(x.lp.slope, lp.slope);
    EXPECT_EQ(x.lp.bypass, lp.bypass);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FilterReportTest,
    ::testing::Values(
        FilterCase{"Plain", {0, 1, 3, 80, 2, 1, 500, 4}, {80, 3, 2, 0}, {500, 1, 4, 0}},
        FilterCase{
            "FrequencyOutOfRange", {0, 0, 2, 25000, 2, 2, 10, 2}, {20, 2, 2, 0}, {20, 2, 2, 0}},
        FilterCase{"TypeOutOfRange", {0, 2, 0, 100, 2, 4, 200, 2}, {100, 1, 2, 0}, {200, 1, 2, 0}},
        FilterCase{"SlopeZeroTurnsFilterOff",
                   {0, 3, 2, 100, 0, 2, 200, -1},
                   {100, 2, 0, 1},
                   {200, 2, 0, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReportTest, FilterRefreshesOnlyTheCurrentChannel) {
    Apply(Dsp(dsp::FILTER, FilterReport{0, 3, 2, 100, 2, 2, 200, 2}));
    EXPECT_FALSE(view.DidRefresh(RefreshWhat::kCrossover));
    Apply(Dsp(dsp::FILTER, FilterReport{0, 0, 2, 100, 2, 2, 200, 2}));
    EXPECT_TRUE(view.DidRefresh(RefreshWhat::kCrossover));
}

TEST_F(ReportTest, StoredSceneReportsChangeOnlyThatSceneAndNoControl) {
    const SceneRecord liveBefore = Live();
    Apply(Dsp(dsp::FILTER, FilterReport{4, 0, 2, 300, 2, 2, 3000, 2}));
    Apply(Dsp(dsp::EQ, EqBandReport{4, 0, 3, 250, 2.5f, -4.0f}));
    Apply(Dsp(dsp::DELAY, ChannelFloatReport{4, 1, 2.5f}));
    Apply(Dsp(dsp::TRIM, ChannelFloatReport{4, 1, -12.0f}));
    Apply(Dsp(dsp::MUTE_CH, ChannelIntReport{4, 2, 1}));
    Apply(Dsp(dsp::CH_TYPE, ChannelIntReport{4, 2, 1}));
    Apply(Dsp(dsp::MIX_CH, MixReport{4, 0, 5, 0x0F}));
    Apply(Dsp(dsp::CH_LINK, LinkReport{4, 1, {}}));
    Apply(Dsp(dsp::CH_LOCK, LockReport{4, 1}));
    EXPECT_TRUE(view.refreshes.empty());
    EXPECT_EQ(Live().channels[0].crossover.hp.fs, liveBefore.channels[0].crossover.hp.fs);
    const SceneRecord& s = Stored(4);
    EXPECT_EQ(s.channels[0].crossover.hp.fs, 300);
    EXPECT_EQ(s.eqStore[0][3].freq, 250);
    EXPECT_FLOAT_EQ(s.eqStore[0][3].eqGain, -4.0f);
    EXPECT_FLOAT_EQ(s.channels[1].delay, 2.5f);
    EXPECT_FLOAT_EQ(s.channels[1].gain, -12.0f);
    EXPECT_EQ(s.channels[2].mute, 1);
    EXPECT_EQ(s.outputs[2], 1);
    EXPECT_EQ(s.inputs[0][5], 0x0F);
    EXPECT_EQ(s.linkMode, 1);
    EXPECT_EQ(s.lockMode, 1);
    // A stored scene's link report does not derive pairs.
    EXPECT_EQ(s.linkOutputs[0], -1);
}

TEST_F(ReportTest, EqBandOfTheLiveSceneEnablesTheBand) {
    Apply(Dsp(dsp::EQ, EqBandReport{0, 0, 5, 1000, 4.3f, -3.5f}));
    const EqBand& band = Live().eqStore[0][5];
    EXPECT_EQ(band.freq, 1000);
    EXPECT_FLOAT_EQ(band.eqFactor, 4.3f);
    EXPECT_FLOAT_EQ(band.eqGain, -3.5f);
    EXPECT_EQ(band.enable, 1);
    ASSERT_EQ(view.refreshes.size(), 1u);
    EXPECT_EQ(view.refreshes[0].what, RefreshWhat::kEqBand);
    EXPECT_EQ(view.refreshes[0].index, 5);
}

// Numbers outside the model's arrays: the report changes nothing and refreshes nothing.
class OutOfRangeReportTest : public ReportTest, public ::testing::WithParamInterface<Message> {};

TEST_P(OutOfRangeReportTest, ChangesNothing) {
    const ModelStore before = manager.Model();
    Apply(GetParam());
    const ModelStore& after = manager.Model();
    EXPECT_EQ(std::memcmp(&before.live, &after.live, sizeof(SceneRecord)), 0);
    for (int scene = 1; scene <= kStoredScenes; ++scene) {
        EXPECT_EQ(std::memcmp(before.Scene(scene), after.Scene(scene), sizeof(SceneRecord)), 0);
    }
    EXPECT_EQ(before.names, after.names);
    EXPECT_TRUE(view.refreshes.empty());
}

Message SceneNameMessage(int index) {
    SceneNameReport r;
    r.scene_index = index;
    r.name = {'x'};
    Message m;
    m.id = kMsgSceneReport;
    m.wParam = flash::SCENE_NAME;
    m.record = r;
    return m;
}

INSTANTIATE_TEST_SUITE_P(
    Reports, OutOfRangeReportTest,
    ::testing::Values(
        Dsp(dsp::FILTER, FilterReport{0, 6, 2, 100, 2, 2, 200, 2}),  // Get_Filter 4..7
        Dsp(dsp::FILTER, FilterReport{0, 7, 2, 100, 2, 2, 200, 2}),
        Dsp(dsp::FILTER, FilterReport{11, 0, 2, 100, 2, 2, 200, 2}),  // scene 11
        Dsp(dsp::FILTER, FilterReport{-1, 0, 2, 100, 2, 2, 200, 2}),
        Dsp(dsp::EQ, EqBandReport{0, 0, 31, 100, 1.0f, 1.0f}),  // beyond eqSize
        Dsp(dsp::EQ, EqBandReport{0, 0, -1, 100, 1.0f, 1.0f}),
        Dsp(dsp::EQ, EqBandReport{0, 6, 0, 100, 1.0f, 1.0f}),
        Dsp(dsp::EQ, EqBandReport{12, 0, 0, 100, 1.0f, 1.0f}),
        Dsp(dsp::DELAY, ChannelFloatReport{0, 6, 1.0f}),
        Dsp(dsp::TRIM, ChannelFloatReport{0, -1, 1.0f}),
        Dsp(dsp::MUTE_CH, ChannelIntReport{0, 8, 1}), Dsp(dsp::PHASE, ChannelIntReport{255, 0, 1}),
        Dsp(dsp::CH_TYPE, ChannelIntReport{0, 6, 1}),
        Dsp(dsp::PEQ_BYPASS, ChannelIntReport{0, 6, 0}),
        Dsp(dsp::MIX_CH, MixReport{0, 9, 0, 1}),  // source 9
        Dsp(dsp::MIX_CH, MixReport{0, 0, 6, 1}), Dsp(dsp::CH_LINK, LinkReport{11, 1, {}}),
        Dsp(dsp::CH_LOCK, LockReport{11, 1}),
        Dsp(dsp::INPUT_MIX_TRIM, InputMixTrimReport{0, 9, 0, 0, 5, {}}),
        Dsp(dsp::INPUT_MIX_TRIM, InputMixTrimReport{0, 2, 8, 0, 5, {}}),   // input 8
        Dsp(dsp::INPUT_MIX_TRIM, InputMixTrimReport{0, 2, 0, 6, 15, {}}),  // outputs 6..15
        Dsp(dsp::COMPRESSOR, CompressorReport{0, 6, 0, 1, 1.0f, 1, 1, 1.0f}),
        Dsp(dsp::SPK_DIST, SpeakerDistanceReport{}),  // not handled here
        // Log-only reports, with ranges beyond their records' 16 slots.
        Dsp(dsp::INPUT_NOISE, NoiseReport{-3, 40, {}}),
        Dsp(dsp::HPF_Q_FACT, QFactorReport{0, 0, 0, 255, {}}),
        Dsp(dsp::LPF_Q_FACT, QFactorReport{0, 0, 3, 2, {}}), DspValue(dsp::FACTORY_PRESET, 1),
        DspValue(dsp::SETUP_MODE, 2), DspValue(dsp::SOURCE_CONFIG, 3), SceneNameMessage(10),
        SceneNameMessage(-1)));

TEST_F(ReportTest, EqBandOfAStoredSceneKeepsTheEnableFlag) {
    Apply(Dsp(dsp::EQ, EqBandReport{2, 1, 0, 20, 1.0f, 0.0f}));
    EXPECT_EQ(Stored(2).eqStore[1][0].freq, 20);
}

TEST_F(ReportTest, ChannelReportsOfTheLiveScene) {
    Apply(Dsp(dsp::DELAY, ChannelFloatReport{0, 2, 1.25f}));
    Apply(Dsp(dsp::TRIM, ChannelFloatReport{0, 2, -12.0f}));
    Apply(Dsp(dsp::MUTE_CH, ChannelIntReport{0, 2, 1}));
    Apply(Dsp(dsp::PHASE, ChannelIntReport{0, 2, 0x101}));  // the low byte counts
    Apply(Dsp(dsp::PEQ_BYPASS, ChannelIntReport{0, 2, 0x100}));
    const ChannelSettings& c = Live().channels[2];
    EXPECT_FLOAT_EQ(c.delay, 1.25f);
    EXPECT_FLOAT_EQ(c.gain, -12.0f);
    EXPECT_EQ(c.mute, 1);
    EXPECT_EQ(c.phase, 1);
    EXPECT_EQ(c.bypass, 0);
    for (RefreshWhat what : {RefreshWhat::kChannelDelay, RefreshWhat::kChannelVolume,
                             RefreshWhat::kChannelMute, RefreshWhat::kChannelPhase}) {
        EXPECT_EQ(RefreshCount(what), 1u);
    }
    // The bypass button belongs to the current channel (0) only.
    EXPECT_FALSE(view.DidRefresh(RefreshWhat::kEqBypass));
}

TEST_F(ReportTest, SpeakerRoleOutsideTheTableCountsAsEmpty) {
    Apply(Dsp(dsp::CH_TYPE, ChannelIntReport{0, 1, 7}));
    EXPECT_EQ(Live().outputs[1], 7);
    Apply(Dsp(dsp::CH_TYPE, ChannelIntReport{0, 1, 200}));
    EXPECT_EQ(Live().outputs[1], 0);
    EXPECT_EQ(RefreshCount(RefreshWhat::kSpeakerRoles), 2u);
}

TEST_F(ReportTest, RoutingRefreshesOnlyTheSelectedSource) {
    Apply(Dsp(dsp::MIX_CH, MixReport{0, 3, 1, 0x05}));
    EXPECT_EQ(Live().inputs[3][1], 0x05);
    EXPECT_FALSE(view.DidRefresh(RefreshWhat::kInputSwitches));
    Apply(Dsp(dsp::MIX_CH, MixReport{0, Live().sourceIndex, 1, 0x06}));
    EXPECT_TRUE(view.DidRefresh(RefreshWhat::kInputSwitches));
}

TEST_F(ReportTest, LinkReportPairsPartnersFromTheRoles) {
    // Default roles 6, 12, 15, 18, 22, 23: front, rear and subwoofer pairs.
    Apply(Dsp(dsp::CH_LINK, LinkReport{0, 1, {}}));
    EXPECT_EQ(Live().linkMode, 1);
    EXPECT_EQ(Live().lockMode, 1);
    const std::array<int32_t, kChannelSlots> pairs{1, 0, 3, 2, 5, 4};
    EXPECT_EQ(Live().linkOutputs, pairs);
    EXPECT_TRUE(view.DidRefresh(RefreshWhat::kLinkLock));
    Apply(Dsp(dsp::CH_LINK, LinkReport{0, 2, {}}));
    EXPECT_EQ(Live().linkMode, 0);
    EXPECT_EQ(Live().lockMode, 1);
    for (int32_t partner : Live().linkOutputs)
        EXPECT_EQ(partner, -1);
}

TEST_F(ReportTest, MixLevelsOfZeroBecomeFullForRoutedInputs) {
    // Source 5, input 1 (bit 1): default masks 1, 2, 4, 8, 3, 3 route it to outputs 1, 4, 5.
    InputMixTrimReport r{0, 5, 1, 1, 4, {}};
    r.trims = {0, 0, 0, 50};  // outputs 1..4
    Apply(Dsp(dsp::INPUT_MIX_TRIM, r));
    const auto& levels = Live().inputMixVolume[5][1];
    EXPECT_EQ(levels[0], 100);  // outside the range: unchanged
    EXPECT_EQ(levels[1], 100);  // 0, routed
    EXPECT_EQ(levels[2], 0);    // 0, not routed
    EXPECT_EQ(levels[3], 0);
    EXPECT_EQ(levels[4], 50);
    EXPECT_EQ(levels[5], 100);
}

TEST_F(ReportTest, MixLevelRangePastTheLastOutputIsCut) {
    InputMixTrimReport r{3, 2, 0, 4, 9, {}};
    r.trims = {7, 8, 9, 9, 9, 9};
    Apply(Dsp(dsp::INPUT_MIX_TRIM, r));
    EXPECT_EQ(Stored(3).inputMixVolume[2][0][4], 7);
    EXPECT_EQ(Stored(3).inputMixVolume[2][0][5], 8);
}

TEST_F(ReportTest, CompressorValuesAreStored) {
    Apply(Dsp(dsp::COMPRESSOR, CompressorReport{0, 3, 0, -20, 4.5f, 10, 200, 6.0f}));
    const CompressorBlock& c = Live().compressor;
    EXPECT_EQ(c.bypass[3], 0);
    EXPECT_FLOAT_EQ(c.threshold[3], -20.0f);
    EXPECT_FLOAT_EQ(c.ratio[3], 4.5f);
    EXPECT_EQ(c.attack[3], 10);
    EXPECT_EQ(c.release[3], 200);
    EXPECT_FLOAT_EQ(c.knee[3], 6.0f);
}

TEST_F(ReportTest, KtvItemsLandInTheirSlots) {
    struct Case {
        int item;
        int slot;
    };
    for (const Case c : {Case{3, 0}, Case{1, 1}, Case{2, 2}, Case{8, 3}, Case{4, 4}, Case{5, 5},
                         Case{7, 7}, Case{10, 9}}) {
        Message m;
        m.id = kMsgKtvReport;
        m.wParam = c.item;
        m.value = 40 + c.item;
        Apply(m);
        EXPECT_EQ(Live().ktvSettings[c.slot], 40 + c.item) << "item " << c.item;
    }
    const auto before = Live().ktvSettings;
    Message unknown;
    unknown.id = kMsgKtvReport;
    unknown.wParam = 11;
    unknown.value = 1;
    Apply(unknown);
    EXPECT_EQ(Live().ktvSettings, before);
}

TEST_F(ReportTest, SceneNamesAndValidity) {
    Apply(SceneNameMessage(2));
    EXPECT_EQ((*manager.StoredSceneName(3))[0], 'x');
    Message valid;
    valid.id = kMsgSceneReport;
    valid.wParam = flash::SCENE_VALID;
    valid.record = SceneValidReport{0x0205};
    Apply(valid);
    EXPECT_EQ(manager.SceneValidMask(), 0x0205);
    EXPECT_TRUE(view.DidRefresh(RefreshWhat::kSceneNames));
}

TEST_F(ReportTest, SystemReports) {
    Message versions;
    versions.id = kMsgMcuReport;
    versions.wParam = mcu::FLASH_VERSION;
    FlashVersionReport fv;
    fv.versions = {1, 2, 3, 4};
    versions.record = fv;
    Apply(versions);
    EXPECT_EQ(Live().flashVersions, fv.versions);

    Message powerOff;
    powerOff.id = kMsgMcuReport;
    powerOff.wParam = mcu::POWER_OFF_TIME;
    powerOff.value = 1500;
    Apply(powerOff);
    EXPECT_EQ(Live().powerOffDelay, 1500);
}

// One reply of every kind in the reply table, decoded by DeviceLink and handed to the controller:
// each carries the record the table names, and no handler refuses it.
TEST_F(ReportTest, EveryDecodedReportReachesItsHandler) {
    DeviceLink decoder(TransportFactory{});
    MessageQueue posted;
    decoder.SetReportTarget(&posted);
    for (const ReplyKind& kind : kReplyKinds) {
        SCOPED_TRACE(::testing::Message()
                     << "report " << kind.message << " id 0x" << std::hex << int(kind.id));
        // Scene 0, source 0x51, channels 0..0, then plenty of value bytes for any layout.
        std::vector<uint8_t> payload{kind.id, OP_DATA, 0x00, 0x51, 0x00, 0x00};
        payload.resize(60, 0x01);
        const uint8_t type = kind.message == kMsgDspReport   ? MCMD_DSP
                             : kind.message == kMsgMcuReport ? MCMD_MCU
                                                             : MCMD_FLASH;
        decoder.packet_process(static_cast<uint8_t>(payload.size() + 1), type, payload.data());
        int seen = 0;
        while (auto m = posted.Take()) {
            ++seen;
            EXPECT_EQ(m->id, kind.message);
            EXPECT_EQ(m->record.index(), kind.record);
            EXPECT_NE(manager.RouteReport(*m), EqualizerManager::ReportOutcome::kDropped);
        }
        EXPECT_GT(seen, 0) << "the decoder posted nothing";
    }
    decoder.SetReportTarget(nullptr);
}

TEST_F(ReportTest, AReportWithAnotherRecordIsDroppedLoudly) {
    const Message wrong = Dsp(dsp::FILTER, EqBandReport{});
    EXPECT_FALSE(DeviceLink::CarriesExpectedRecord(wrong));
    EXPECT_EQ(manager.RouteReport(wrong), EqualizerManager::ReportOutcome::kDropped);
    EXPECT_TRUE(DeviceLink::CarriesExpectedRecord(DspValue(dsp::VOLUME, 3)));
    EXPECT_EQ(manager.RouteReport(DspValue(dsp::SUBWOOFER_VOLUME, 3)),
              EqualizerManager::ReportOutcome::kNoEffect);
}

}  // namespace
}  // namespace korvel::testing
