// Crossover and equaliser editing driven headless against the virtual amplifier: typed corners
// and band values with their clamps, the value steps at their ends, the flat-channel bypass rule,
// the bypass and reset buttons, the graph's handles, and the synchronised group. After a factory
// sync every channel's equaliser is flat and bypassed; channel 0 is front left full range
// (high-pass 20 Hz, low-pass 20000 Hz), channel 4 subwoofer left (20 Hz .. 70 Hz).

#include <cmath>

#include "controller/tuning_values.h"
#include "tuning_fixture.h"

namespace korvel::testing {
namespace {

using EqOpsTest = TuningTest;

constexpr float kWireTolerance = 0.11f;  // the device keeps tenths, truncated

// --- Crossover corners --------------------------------------------------------------------------

struct CornerCase {
    int channel;
    bool highPass;
    const char* text;
    int stored;
};

class TypedCornerTest : public TuningTest, public ::testing::WithParamInterface<CornerCase> {};

TEST_P(TypedCornerTest, StoresTheClampedCornerInModelAndDevice) {
    const CornerCase& c = GetParam();
    manager.SetCurChannelChange(c.channel);
    if (c.highPass) {
        manager.SetHpFreq(c.text);
    } else {
        manager.SetLpFreq(c.text);
    }
    const AmpState s = Drained();
    const CrossoverSettings& x = Ch(c.channel).crossover;
    EXPECT_EQ(c.highPass ? x.hp.fs : x.lp.fs, c.stored);
    const AmpChannel& device = AmpCh(s, c.channel);
    EXPECT_EQ(c.highPass ? device.highPass.freq : device.lowPass.freq, c.stored);
    EXPECT_LE(x.hp.fs, x.lp.fs);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TypedCornerTest,
    ::testing::Values(CornerCase{0, false, "2k5", 2500},    // thousands form
                      CornerCase{0, false, "25k", 20000},   // above the range
                      CornerCase{0, true, "3k", 3000},      //
                      CornerCase{4, true, "2k5", 70},       // high-pass above low-pass
                      CornerCase{4, false, "10", 20},       // low-pass below high-pass
                      CornerCase{0, true, "5", 20},         // below the range
                      CornerCase{0, true, "150Hz", 150}));  // the shown form

TEST_F(EqOpsTest, UnreadableCornerTextChangesNothing) {
    manager.SetHpFreq("abc");
    EXPECT_EQ(RequestCount(), 0u);
    EXPECT_EQ(Ch(0).crossover.hp.fs, 20);
}

TEST_F(EqOpsTest, CornerStepsFollowTheGridAndStopAtTheOtherCorner) {
    manager.SetCurChannelChange(4);  // 20 .. 70 Hz
    size_t before = RequestCount();
    manager.SetHpFreqUp(false);  // already at 20 Hz
    EXPECT_EQ(RequestCount(), before);
    for (int i = 0; i < 40; ++i) {
        manager.SetHpFreqUp(true);
    }
    const AmpState s = Drained();
    EXPECT_EQ(Ch(4).crossover.hp.fs, 70);
    EXPECT_EQ(AmpCh(s, 4).highPass.freq, 70);
    before = RequestCount();
    manager.SetHpFreqUp(true);
    EXPECT_EQ(RequestCount(), before);
}

TEST_F(EqOpsTest, SlopeAndTypeSelections) {
    manager.SetCurChannelChange(4);
    manager.SetLpSlop(0, "off");
    manager.SetHpType(7);  // clamped to the last type
    AmpState s = Drained();
    EXPECT_EQ(Ch(4).crossover.lp.slope, 0);
    EXPECT_EQ(Ch(4).crossover.lp.bypass, 1);
    EXPECT_EQ(AmpCh(s, 4).lowPass.slope, 0);
    EXPECT_EQ(Ch(4).crossover.hp.type, 3);
    EXPECT_EQ(AmpCh(s, 4).highPass.type, 3);
    const size_t before = RequestCount();
    manager.SetLpSlop(0);   // unchanged
    manager.SetLpSlop(-1);  // no selection
    manager.SetLpSlop(99);  // no such slope
    EXPECT_EQ(RequestCount(), before);
}

// --- Band edits ---------------------------------------------------------------------------------

TEST_F(EqOpsTest, TypedBandValuesAreClampedOrRestored) {
    const int storedFreq = Band(0, 3).freq;
    manager.SetChEqEdit(3, {"25k", "12", "3.0"});
    AmpState s = Drained();
    EXPECT_EQ(Band(0, 3).freq, storedFreq);  // 25000 Hz is above the range: not taken
    EXPECT_FLOAT_EQ(Band(0, 3).eqFactor, 9.0f);
    EXPECT_NEAR(Band(0, 3).eqGain, 3.0f, 1e-6);
    EXPECT_EQ(AmpCh(s, 0).bands[3].freq, storedFreq);
    EXPECT_EQ(AmpCh(s, 0).bands[3].qHundredths, 900);
    EXPECT_NEAR(AmpBandGainDb(s, 0, 3), 3.0f, kWireTolerance);

    manager.SetChEqEdit(3, {"2k5", "0.1", "40"});
    s = Drained();
    EXPECT_EQ(Band(0, 3).freq, 2500);
    EXPECT_FLOAT_EQ(Band(0, 3).eqFactor, 0.5f);
    EXPECT_FLOAT_EQ(Band(0, 3).eqGain, kBandGainMaxDb);
    EXPECT_EQ(AmpCh(s, 0).bands[3].freq, 2500);
    EXPECT_NEAR(AmpBandGainDb(s, 0, 3), kBandGainMaxDb, kWireTolerance);
}

TEST_F(EqOpsTest, QStepsStopAtBothEnds) {
    manager.SetChEqEdit(5, {"63", "0.52", "1.0"});
    manager.SetEqQUp(5, false);
    AmpState s = Drained();
    EXPECT_FLOAT_EQ(Band(0, 5).eqFactor, 0.5f);
    EXPECT_EQ(AmpCh(s, 0).bands[5].qHundredths, 50);
    size_t before = RequestCount();
    manager.SetEqQUp(5, false);
    EXPECT_EQ(RequestCount(), before);

    manager.SetChEqEdit(5, {"63", "8.97", "1.0"});
    manager.SetEqQUp(5, true);
    EXPECT_FLOAT_EQ(Band(0, 5).eqFactor, 9.0f);
    before = RequestCount();
    manager.SetEqQUp(5, true);
    EXPECT_EQ(RequestCount(), before);
}

TEST_F(EqOpsTest, GainAndFrequencyStepsStopAtTheirEnds) {
    manager.SetChEqEdit(0, {"20", "5.80", "11.95"});
    manager.SetEqGainUp(0, true);
    EXPECT_FLOAT_EQ(Band(0, 0).eqGain, kBandGainMaxDb);
    size_t before = RequestCount();
    manager.SetEqGainUp(0, true);
    manager.SetEqFreqUp(0, false);  // 20 Hz is the bottom of the grid
    EXPECT_EQ(RequestCount(), before);
    manager.SetEqFreqUp(0, true);
    const AmpState s = Drained();
    EXPECT_GT(Band(0, 0).freq, 20);
    EXPECT_EQ(AmpCh(s, 0).bands[0].freq, Band(0, 0).freq);
}

TEST_F(EqOpsTest, ChannelWithSmallGainsCountsAsFlatWhenOneIsSetToZero) {
    manager.SetChEqEdit(0, {"20", "5.80", "0.9"});
    AmpState s = Drained();
    EXPECT_EQ(Ch(0).bypass, 0);  // a non-zero gain ends the bypass
    EXPECT_EQ(AmpCh(s, 0).eqBypass, 0);
    manager.SetChEqEdit(1, {"25", "5.80", "0.5"});
    manager.SetChEqEdit(2, {"31", "5.80", "-0.9"});
    EXPECT_EQ(Ch(0).bypass, 0);
    manager.SetChEqEdit(0, {"20", "5.80", "0.0"});
    s = Drained();
    EXPECT_EQ(Ch(0).bypass, 1);
    EXPECT_EQ(AmpCh(s, 0).eqBypass, 1);
    EXPECT_EQ(view.bypassButton, std::optional<bool>(false));
}

TEST_F(EqOpsTest, ChannelWithAOneDbBandStaysActiveWhenAnotherIsSetToZero) {
    manager.SetChEqEdit(0, {"20", "5.80", "2.0"});
    manager.SetChEqEdit(1, {"25", "5.80", "-1.0"});
    manager.SetChEqEdit(0, {"20", "5.80", "0.0"});
    const AmpState s = Drained();
    EXPECT_EQ(Ch(0).bypass, 0);
    EXPECT_EQ(AmpCh(s, 0).eqBypass, 0);
    EXPECT_EQ(view.bypassButton, std::optional<bool>(true));
}

TEST_F(EqOpsTest, EditingABypassedChannelZeroesItsOtherBands) {
    manager.SetChEqEdit(1, {"25", "5.80", "4.0"});
    manager.SetChEqEdit(2, {"31", "5.80", "-3.0"});
    manager.SetOutputBypass();  // confirmed
    ASSERT_EQ(Ch(0).bypass, 1);
    manager.SetChEqEdit(7, {"80", "5.80", "2.0"});
    const AmpState s = Drained();
    EXPECT_EQ(Ch(0).bypass, 0);
    EXPECT_FLOAT_EQ(Band(0, 1).eqGain, 0.0f);
    EXPECT_FLOAT_EQ(Band(0, 2).eqGain, 0.0f);
    EXPECT_NEAR(AmpBandGainDb(s, 0, 1), 0.0f, kWireTolerance);
    EXPECT_NEAR(AmpBandGainDb(s, 0, 7), 2.0f, kWireTolerance);
    EXPECT_EQ(AmpCh(s, 0).eqBypass, 0);
}

TEST_F(EqOpsTest, CommittingTheShownValuesOfABypassedChannelKeepsItsBands) {
    manager.SetChEqEdit(1, {"25", "5.80", "4.0"});
    manager.SetOutputBypass();
    ASSERT_EQ(Ch(0).bypass, 1);
    const size_t before = RequestCount();
    // The row shows gain 0.0 while bypassed; a focus change commits exactly that.
    manager.SetChEqEdit(1, {"25", "5.80", "0.0"});
    EXPECT_EQ(RequestCount(), before);
    EXPECT_EQ(Ch(0).bypass, 1);
    EXPECT_FLOAT_EQ(Band(0, 1).eqGain, 4.0f);
}

TEST_F(EqOpsTest, BandsBeyondTheChannelDoNothing) {
    manager.SetChEqEdit(kBandCount, {"100", "1.00", "3.0"});
    manager.SetChEqEdit(-1, {"100", "1.00", "3.0"});
    manager.SetChEqSlider(40, 30, "100", "1.00");
    manager.SetEqFreqUp(31, true);
    manager.SetEqQUp(-3, true);
    manager.SetEqGainUp(99, true);
    manager.OnEqEnable(31);
    manager.EqualizerCallback(kGraphBandMoved, 31, {});
    manager.EqualizerCallback(7, 0, {});
    EXPECT_EQ(RequestCount(), 0u);
}

// --- Enable switch, bypass button, reset --------------------------------------------------------

TEST_F(EqOpsTest, EnableSwitchKeepsTheStoredGain) {
    manager.SetChEqEdit(4, {"50", "5.80", "5.0"});
    manager.OnEqEnable(4);
    AmpState s = Drained();
    EXPECT_EQ(Band(0, 4).enable, 0);
    EXPECT_FLOAT_EQ(Band(0, 4).eqGain, 5.0f);
    EXPECT_NEAR(AmpBandGainDb(s, 0, 4), 0.0f, kWireTolerance);
    EXPECT_FALSE(manager.BandControlRows(0)[4].enableOn);
    manager.OnEqEnable(4);
    s = Drained();
    EXPECT_EQ(Band(0, 4).enable, 1);
    EXPECT_NEAR(AmpBandGainDb(s, 0, 4), 5.0f, kWireTolerance);
    EXPECT_EQ(manager.BandControlRows(0)[4].gainText, "5.0");
}

TEST_F(EqOpsTest, BypassButtonAsksAndTogglesTheChannel) {
    manager.SetChEqEdit(6, {"80", "5.80", "3.0"});
    manager.SetOutputBypass();
    AmpState s = Drained();
    EXPECT_EQ(view.questions.back(), "${bypass_all_eq_tips}");
    EXPECT_EQ(Ch(0).bypass, 1);
    EXPECT_EQ(AmpCh(s, 0).eqBypass, 1);
    EXPECT_EQ(view.rows[6].gainText, "0.0");  // bypassed rows show 0
    EXPECT_EQ(view.rows[6].slider, 0);

    view.answers = {false};
    manager.SetOutputBypass();
    EXPECT_EQ(view.questions.back(), "${restore_all_eq_tips}");
    EXPECT_EQ(Ch(0).bypass, 1);

    manager.SetOutputBypass();
    s = Drained();
    EXPECT_EQ(Ch(0).bypass, 0);
    EXPECT_EQ(AmpCh(s, 0).eqBypass, 0);
    EXPECT_EQ(view.rows[6].gainText, "3.0");
}

TEST_F(EqOpsTest, ResetRestoresTheFactoryBands) {
    manager.SetChEqEdit(9, {"777", "1.50", "-4.0"});
    view.answers = {false};
    manager.SetOutputEqReset();
    EXPECT_EQ(Band(0, 9).freq, 777);
    manager.SetOutputEqReset();
    const AmpState s = Drained();
    EXPECT_EQ(Band(0, 9).freq, 160);
    EXPECT_FLOAT_EQ(Band(0, 9).eqGain, 0.0f);
    EXPECT_EQ(AmpCh(s, 0).bands[9].freq, 160);
    EXPECT_NEAR(AmpBandGainDb(s, 0, 9), 0.0f, kWireTolerance);
    EXPECT_EQ(view.bypassButton, std::optional<bool>(true));
}

// --- Presentation and graph -------------------------------------------------------------------

TEST_F(EqOpsTest, GraphicModeKeepsBandsAndDisablesTheirTexts) {
    manager.SetChEqEdit(2, {"333", "2.50", "1.0"});
    EXPECT_TRUE(manager.SetEqParametric(true));
    EXPECT_TRUE(view.rows[2].freqQEditable);
    const size_t before = RequestCount();
    EXPECT_FALSE(manager.SetEqParametric(false));
    EXPECT_EQ(view.questions.back(), "${geq_mode_tips}");
    EXPECT_EQ(RequestCount(), before);
    EXPECT_EQ(Band(0, 2).freq, 333);
    EXPECT_FLOAT_EQ(Band(0, 2).eqFactor, 2.5f);
    EXPECT_FALSE(view.rows[2].freqQEditable);
    EXPECT_EQ(view.rows[2].freqText, "333");
    EXPECT_EQ(view.presentation, std::optional<bool>(false));
}

TEST_F(EqOpsTest, GraphDragsEditBandsAndCorners) {
    EqualizerGraphValues values;
    values.band = EqBand{-6.0f, 3.0f, 1234, 1};
    manager.EqualizerCallback(kGraphBandMoved, 12, values);
    values.hpFreq = 30000;  // the high-pass never passes the low-pass corner
    manager.EqualizerCallback(kGraphHighPassMoved, 12, values);
    values.lpFreq = -1;  // hidden marker
    manager.EqualizerCallback(kGraphLowPassMoved, 12, values);
    const AmpState s = Drained();
    EXPECT_EQ(Band(0, 12).freq, 1234);
    EXPECT_NEAR(AmpBandGainDb(s, 0, 12), -6.0f, kWireTolerance);
    EXPECT_EQ(Ch(0).crossover.hp.fs, 20000);
    EXPECT_EQ(Ch(0).crossover.lp.fs, 20000);
    EXPECT_EQ(AmpCh(s, 0).highPass.freq, 20000);
    ASSERT_TRUE(view.graph.has_value());
    EXPECT_EQ(view.graph->hpFreq, 20000);
    EXPECT_EQ(view.graph->frequencies.size(), 512u);
}

TEST_F(EqOpsTest, GraphGetsDisplayedBandsAndTheHighlightedBand) {
    manager.SetChEqEdit(3, {"40", "5.80", "2.0"});
    manager.SetChEqEdit(5, {"63", "5.80", "-2.0"});
    manager.OnEqEnable(5);
    manager.SelectEqBand(3);
    ASSERT_TRUE(view.graph.has_value());
    const EqualizerGraphData& g = *view.graph;
    EXPECT_EQ(g.selectedBand, 3);
    EXPECT_EQ(g.bandCount, kBandCount);
    EXPECT_FLOAT_EQ(g.bands[3].eqGain, 2.0f);
    EXPECT_FLOAT_EQ(g.bands[5].eqGain, 0.0f);  // disabled band
    ASSERT_EQ(g.totalsDb[0].size(), g.frequencies.size());
    // Channels 0 and 1 share their crossover; channel 0 adds the +2 dB band at 40 Hz, while
    // channel 1 is bypassed.
    const auto nearest = [&](double hz) {
        size_t best = 0;
        for (size_t i = 0; i < g.frequencies.size(); ++i) {
            if (std::fabs(g.frequencies[i] - hz) < std::fabs(g.frequencies[best] - hz)) {
                best = i;
            }
        }
        return best;
    };
    const size_t at40 = nearest(40.0);
    EXPECT_NEAR(g.totalsDb[0][at40] - g.totalsDb[1][at40], 2.0, 0.3);
    EXPECT_NEAR(g.totalsDb[1][nearest(1000.0)], 0.0, 0.1);
}

TEST_F(EqOpsTest, CurveDisplayFlagRedrawsWithTheChannelShown) {
    manager.SetChShow(3, true);
    ASSERT_TRUE(view.graph.has_value());
    EXPECT_EQ(view.graph->show[3], 1);
    EXPECT_EQ(Live().showChEqualizer[3], 1);
    EXPECT_EQ(RequestCount(), 0u);
}

// --- Group and partner --------------------------------------------------------------------------

TEST_F(EqOpsTest, GroupMembersTakeBandAndCornerEdits) {
    manager.SetChSynchronize(0, true);
    manager.SetChSynchronize(2, true);
    manager.SetCurChannelChange(0);
    manager.SetChEqEdit(8, {"125", "1.00", "-5.0"});
    manager.SetLpFreq("8000");
    const AmpState s = Drained();
    EXPECT_FLOAT_EQ(Band(2, 8).eqGain, -5.0f);
    EXPECT_NEAR(AmpBandGainDb(s, 2, 8), -5.0f, kWireTolerance);
    EXPECT_EQ(Ch(2).bypass, 0);
    EXPECT_EQ(AmpCh(s, 2).eqBypass, 0);
    EXPECT_EQ(Ch(2).crossover.lp.fs, 8000);
    EXPECT_EQ(AmpCh(s, 2).lowPass.freq, 8000);
    EXPECT_FLOAT_EQ(Band(1, 8).eqGain, 0.0f);  // not in the group
}

TEST_F(EqOpsTest, LinkedPartnerTakesBandEdits) {
    manager.SetOutputLink();  // left to right
    manager.SetCurChannelChange(2);
    manager.SetChEqEdit(10, {"200", "4.00", "6.0"});
    const AmpState s = Drained();
    EXPECT_FLOAT_EQ(Band(3, 10).eqGain, 6.0f);
    EXPECT_EQ(Ch(3).bypass, 0);
    EXPECT_NEAR(AmpBandGainDb(s, 3, 10), 6.0f, kWireTolerance);
    EXPECT_EQ(AmpCh(s, 3).eqBypass, 0);
}

}  // namespace
}  // namespace korvel::testing
