// Undo and redo of every kind of tuning edit, checked in the model and in the amplifier: after an
// undo both hold what they held before the edit, after a redo what they held after it.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "profiles/filter_text.h"
#include "profiles/profile_file.h"
#include "tuning_fixture.h"

namespace korvel::testing {
namespace {

// The amplifier's tuning values that differ between two states, one line each.
std::string AmpDifferences(const AmpScene& x, const AmpScene& y) {
    std::string out;
    const auto check = [&](bool same, const std::string& what) {
        if (!same) {
            out += what + "\n";
        }
    };
    check(x.sourceCode == y.sourceCode, "source");
    check(x.mainVolumeDb == y.mainVolumeDb, "main volume");
    check(x.mute == y.mute, "main mute");
    check(x.link == y.link && x.lock == y.lock, "link/lock");
    check(x.linkPairCount == y.linkPairCount, "link pair count");
    for (size_t i = 0; i < x.linkPairCount && i < y.linkPairCount; ++i) {
        check(x.linkPairs[i].from == y.linkPairs[i].from && x.linkPairs[i].to == y.linkPairs[i].to,
              "link pair " + std::to_string(i));
    }
    for (size_t n = 0; n < kAmpChannels; ++n) {
        const AmpChannel& a = x.channels[n];
        const AmpChannel& b = y.channels[n];
        const std::string ch = "channel " + std::to_string(n) + " ";
        check(a.delayMicroseconds == b.delayMicroseconds, ch + "delay");
        check(a.gainHundredths == b.gainHundredths, ch + "gain");
        check(a.mute == b.mute && a.phase == b.phase, ch + "mute/phase");
        check(a.speakerType == b.speakerType, ch + "role");
        check(a.eqBypass == b.eqBypass, ch + "bypass");
        for (const auto& [f, g] : {std::pair(a.highPass, b.highPass), {a.lowPass, b.lowPass}}) {
            check(f.type == g.type && f.freq == g.freq && f.slope == g.slope, ch + "filter");
        }
        for (size_t k = 0; k < kBandCount; ++k) {
            const AmpBand& p = a.bands[k];
            const AmpBand& q = b.bands[k];
            check(p.freq == q.freq && p.qHundredths == q.qHundredths &&
                      p.gainTenthsPlus18 == q.gainTenthsPlus18,
                  ch + "band " + std::to_string(k));
        }
    }
    check(x.routing == y.routing, "routing");
    check(x.mixTrim == y.mixTrim, "mix levels");
    return out;
}

using Action = std::function<void(EqualizerManager&, TuningView&)>;

struct EditCase {
    const char* name;
    Action setup;  // not recorded: brings the state the edit needs
    Action edit;   // one user action
};

void PrintTo(const EditCase& c, std::ostream* os) {
    *os << c.name;
}

void Nothing(EqualizerManager&, TuningView&) {}

// Channel 0 (front left) and channel 1 (front right) differ, so a link copy changes something.
void ShapeChannels(EqualizerManager& m, TuningView&) {
    m.SetChEqEdit(4, {"400", "2.5", "-6"});
    m.SetChEqEdit(9, {"1200", "1.2", "3.5"});
    m.SetChVolume(0, -80);
}

class EditUndoRedo : public TuningTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(EditUndoRedo, PutsModelAndAmplifierBack) {
    const EditCase& c = GetParam();
    view.threeAnswer = 2;  // output reset: empty every role
    view.linkChoice = 1;   // link: copy left to right
    c.setup(manager, view);
    const SceneRecord before = Live();
    const AmpScene ampBefore = Drained().live;

    manager.BeginEdit();
    c.edit(manager, view);
    manager.EndEdit();
    const SceneRecord after = Live();
    const AmpScene ampAfter = Drained().live;
    ASSERT_TRUE(TuningDiffers(before, after)) << "the edit changed nothing";
    ASSERT_NE(AmpDifferences(ampBefore, ampAfter), "") << "the amplifier did not change";
    ASSERT_TRUE(manager.CanUndo());
    EXPECT_EQ(view.history, std::make_pair(true, false));

    ASSERT_TRUE(manager.Undo());
    EXPECT_FALSE(TuningDiffers(before, Live()));
    EXPECT_EQ(AmpDifferences(ampBefore, Drained().live), "");
    EXPECT_EQ(view.history, std::make_pair(false, true));

    ASSERT_TRUE(manager.Redo());
    EXPECT_FALSE(TuningDiffers(after, Live()));
    EXPECT_EQ(AmpDifferences(ampAfter, Drained().live), "");
    EXPECT_FALSE(manager.Redo());
}

INSTANTIATE_TEST_SUITE_P(
    EditHistory, EditUndoRedo,
    ::testing::Values(
        EditCase{"ChannelVolume", Nothing,
                 [](EqualizerManager& m, TuningView&) { m.SetChVolume(2, -120); }},
        EditCase{"CoupledSubwooferVolume", Nothing,
                 [](EqualizerManager& m, TuningView&) { m.SetChVolume(4, -200); }},
        EditCase{"Delay", Nothing, [](EqualizerManager& m, TuningView&) { m.SetChDelay(1, 2500); }},
        EditCase{"PhaseAndMute", Nothing,
                 [](EqualizerManager& m, TuningView&) {
                     m.SetChPhase(3, true);
                     m.SetChMute(0, true);
                 }},
        EditCase{"MainVolumeAndMute", Nothing,
                 [](EqualizerManager& m, TuningView&) {
                     m.SetMainVolume(20);
                     m.SetMainMute(true);
                 }},
        EditCase{"Routing", Nothing,
                 [](EqualizerManager& m, TuningView&) { m.SetChInput(0, 3, true); }},
        EditCase{"InputSource", Nothing,
                 [](EqualizerManager& m, TuningView&) { m.SetInputSource(5); }},
        EditCase{"CrossoverCornerSlopeType",
                 [](EqualizerManager& m, TuningView&) { m.SetCurChannelChange(1); },
                 [](EqualizerManager& m, TuningView&) {
                     m.SetHpFreq("150");
                     m.SetLpSlop(3);
                     m.SetHpType(3);
                 }},
        EditCase{"BandOfBypassedChannel", Nothing,
                 [](EqualizerManager& m, TuningView&) {
                     m.SetChEqEdit(5, {"1000", "2.5", "-6"});
                 }},
        EditCase{"BandEnableSwitch", ShapeChannels,
                 [](EqualizerManager& m, TuningView&) { m.OnEqEnable(4); }},
        EditCase{"Bypass", ShapeChannels,
                 [](EqualizerManager& m, TuningView&) { m.SetOutputBypass(); }},
        EditCase{"EqualiserReset", ShapeChannels,
                 [](EqualizerManager& m, TuningView&) { m.SetOutputEqReset(); }},
        EditCase{"OutputReset", ShapeChannels,
                 [](EqualizerManager& m, TuningView&) { m.SetOutputReset(); }},
        EditCase{"LinkCopy", ShapeChannels,
                 [](EqualizerManager& m, TuningView&) { m.SetOutputLink(); }},
        EditCase{"Unlink",
                 [](EqualizerManager& m, TuningView& v) {
                     ShapeChannels(m, v);
                     m.SetOutputLink();
                 },
                 [](EqualizerManager& m, TuningView&) { m.SetOutputLink(); }},
        EditCase{"LinkedBandEdit", [](EqualizerManager& m, TuningView&) { m.SetOutputLink(); },
                 [](EqualizerManager& m, TuningView&) {
                     m.SetChEqEdit(2, {"60", "4", "5"});
                 }},
        EditCase{"RoleChange", Nothing,
                 [](EqualizerManager& m, TuningView&) {
                     m.SetOutputValue(1, "output_menu_front_right_high_freq");
                 }},
        EditCase{"SynchroniseGroup",
                 [](EqualizerManager& m, TuningView&) { m.SetChVolume(3, -150); },
                 [](EqualizerManager& m, TuningView&) {
                     m.SetChSynchronize(2, true);
                     m.SetChSynchronize(3, true);
                 }},
        EditCase{"Lock", Nothing, [](EqualizerManager& m, TuningView&) { m.SetOutpuLock(); }},
        EditCase{"ImportedFilters", Nothing,
                 [](EqualizerManager& m, TuningView&) {
                     const FilterImport plan = PlanFilterImport(
                         ParseFilterText("Filter 1: ON PK Fc 63 Hz Gain -4.5 dB Q 2.10\n"
                                         "Filter 2: ON PK Fc 1000 Hz Gain 3 dB Q 1.41\n"),
                         false);
                     m.ImportEqBands(plan.bands);
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

using EditHistoryTest = TuningTest;

TEST_F(EditHistoryTest, DragIsOneStepAndUndoKeepsOtherChanges) {
    const SceneRecord start = Live();
    manager.BeginEdit();  // press
    for (int slider = -10; slider >= -60; slider -= 10) {
        manager.BeginEdit();  // each pointer event is bracketed on its own as well
        manager.SetChEqSlider(7, slider, "125", "3.00");
        manager.EndEdit();
    }
    manager.EndEdit();  // release
    // A value changed outside any step (as a device report would) stays through the undo.
    manager.SetChDelay(2, 700);
    const float delay = Live().channels[2].delay;

    ASSERT_TRUE(manager.Undo());
    EXPECT_FALSE(manager.CanUndo()) << "the drag made one step";
    EXPECT_EQ(Band(0, 7).eqGain, start.eqStore[0][7].eqGain);
    EXPECT_EQ(Live().channels[2].delay, delay);
    EXPECT_EQ(Drained().live.channels[0].bands[7].gainTenthsPlus18, 180);
}

TEST_F(EditHistoryTest, UndoInsideAnOpenBracketIsNoStepOfItsOwn) {
    manager.BeginEdit();
    manager.SetChVolume(1, -100);
    manager.EndEdit();
    manager.BeginEdit();  // the undo button's click is bracketed like any click
    manager.SetChVolume(1, -200);
    ASSERT_TRUE(manager.Undo());  // takes back the open part first
    manager.EndEdit();
    EXPECT_FLOAT_EQ(Ch(1).gain, -10.0f);
    EXPECT_TRUE(manager.CanUndo());
    EXPECT_TRUE(manager.CanRedo());
}

TEST_F(EditHistoryTest, ReconnectSceneLoadAndProfileUploadClearTheHistory) {
    int slider = 0;
    const auto edit = [&] {
        manager.BeginEdit();
        manager.SetChVolume(0, slider -= 10);
        manager.SetChVolume(0, slider -= 10);
        manager.EndEdit();
        ASSERT_TRUE(manager.CanUndo());
    };
    edit();
    manager.Disconnect();
    // A connection made while the old one's sequence is still ending is refused; under a loaded
    // machine that end can take a moment.
    ASSERT_TRUE(Settle());
    manager.Connect(true);
    ASSERT_TRUE(Settle());
    EXPECT_FALSE(manager.CanUndo());

    edit();
    amp->ModifyState([](AmpState& s) { s.sceneValidMask |= 1; });  // scene 1 holds settings
    ASSERT_TRUE(manager.LoadSceneFromDevice(1));
    ASSERT_TRUE(Settle());
    EXPECT_FALSE(manager.CanUndo());

    edit();
    const auto file = std::filesystem::temp_directory_path() / "korvel_history_upload.spf";
    SceneRecord scene = Live();
    scene.channels[3].gain = -9.0f;
    scene.eqStore[3][5].eqGain = 4.0f;
    ASSERT_TRUE(WriteProfileFile(scene, file).ok());
    manager.BeginEdit();  // the menu choice that loads the file makes no step
    ASSERT_TRUE(manager.LoadSenceConfigFromFile(file));
    manager.EndEdit();
    ASSERT_TRUE(Settle());
    std::filesystem::remove(file);
    EXPECT_FALSE(manager.CanUndo());
    EXPECT_EQ(view.statuses,
              (std::vector<std::string>{"${history_cleared_connect}", "${history_cleared_scene}",
                                        "${history_cleared_profile}"}));
    // The loading window gives way to the number of values the file changed.
    EXPECT_TRUE(view.Showed("${profile_loaded_changes} 2"))
        << ::testing::PrintToString(view.messages);
}

}  // namespace
}  // namespace korvel::testing
