// Channel strip, main controls, output configuration and speaker roles, driven headless against
// the virtual amplifier. Each case checks the controller's model and the amplifier's state after
// the command queue has drained. Factory roles: 0 FL full (6), 1 FR full (12), 2 RL full (15),
// 3 RR full (18), 4 subwoofer left (22), 5 subwoofer right (23).

#include "tuning_fixture.h"

namespace korvel::testing {
namespace {

using ChannelOpsTest = TuningTest;

// --- Channel volume ---------------------------------------------------------------------------

struct TypedVolume {
    const char* text;
    float gain;
};

class TypedVolumeTest : public TuningTest, public ::testing::WithParamInterface<TypedVolume> {};

TEST_P(TypedVolumeTest, StoresTheClampedWholeDbAndSendsItsTrim) {
    manager.SetChVolumeEdit(1, GetParam().text);
    const AmpState s = Drained();
    EXPECT_FLOAT_EQ(Ch(1).gain, GetParam().gain);
    EXPECT_FLOAT_EQ(AmpGainDb(s, 1), GetParam().gain);
    EXPECT_EQ(Live().currChannel, 1);  // editing another channel's volume selects it
}

INSTANTIATE_TEST_SUITE_P(Texts, TypedVolumeTest,
                         ::testing::Values(TypedVolume{"${off}", -60.0f},
                                           TypedVolume{"-70dB", -60.0f}, TypedVolume{"5", 0.0f},
                                           TypedVolume{"-12dB", -12.0f}));

TEST_F(ChannelOpsTest, OffVolumeShowsOffAndStepsDownNoFurther) {
    manager.SetChVolumeEdit(0, "${off}");
    EXPECT_EQ(ChannelVolumeText(Ch(0).gain), "${off}");
    const size_t before = RequestCount();
    manager.SetChVolumeUp(0, false);
    EXPECT_EQ(RequestCount(), before);
    manager.SetChVolumeUp(0, true);
    const AmpState s = Drained();
    EXPECT_FLOAT_EQ(Ch(0).gain, -59.0f);
    EXPECT_FLOAT_EQ(AmpGainDb(s, 0), -59.0f);
}

TEST_F(ChannelOpsTest, UnreadableVolumeTextChangesNothing) {
    manager.SetChVolumeEdit(2, "loud");
    EXPECT_EQ(RequestCount(), 0u);
    EXPECT_FLOAT_EQ(Ch(2).gain, 0.0f);
}

TEST_F(ChannelOpsTest, SubwooferVolumesStayCoupledBothWays) {
    manager.SetChVolume(4, -120);  // subwoofer left
    AmpState s = Drained();
    EXPECT_FLOAT_EQ(Ch(5).gain, -12.0f);
    EXPECT_FLOAT_EQ(AmpGainDb(s, 5), -12.0f);
    manager.SetChVolume(5, -30);  // subwoofer right
    s = Drained();
    EXPECT_FLOAT_EQ(Ch(4).gain, -3.0f);
    EXPECT_FLOAT_EQ(AmpGainDb(s, 4), -3.0f);
    EXPECT_FLOAT_EQ(Ch(0).gain, 0.0f);
}

TEST_F(ChannelOpsTest, SynchronisedGroupFollowsTheVolume) {
    manager.SetChSynchronize(0, true);
    manager.SetChSynchronize(1, true);
    EXPECT_EQ(view.linkButtonEnabled, std::optional<bool>(false));
    manager.SetChVolume(0, -150);
    const AmpState s = Drained();
    EXPECT_FLOAT_EQ(Ch(1).gain, -15.0f);
    EXPECT_FLOAT_EQ(AmpGainDb(s, 1), -15.0f);
    EXPECT_FLOAT_EQ(Ch(2).gain, 0.0f);
    manager.SetChSynchronize(0, false);
    manager.SetChSynchronize(1, false);
    EXPECT_EQ(view.linkButtonEnabled, std::optional<bool>(true));
    EXPECT_FLOAT_EQ(Live().syncGain[0], 1.0f);
    EXPECT_EQ(Live().syncVolume[1], 1);
}

// --- Delay --------------------------------------------------------------------------------------

TEST_F(ChannelOpsTest, DelayStepStopsAtTheTop) {
    manager.SetChDelay(2, 14990);
    manager.SetChDelayUp(2, true);
    AmpState s = Drained();
    EXPECT_FLOAT_EQ(Ch(2).delay, 15.0f);
    EXPECT_EQ(AmpCh(s, 2).delayMicroseconds, 15000u);
    const size_t before = RequestCount();
    manager.SetChDelayUp(2, true);
    EXPECT_EQ(RequestCount(), before);
    manager.SetChDelayUp(2, false);
    s = Drained();
    EXPECT_EQ(AmpCh(s, 2).delayMicroseconds, 14979u);
}

struct TypedDelay {
    int unit;
    const char* text;
    uint32_t us;
};

class TypedDelayTest : public TuningTest, public ::testing::WithParamInterface<TypedDelay> {};

TEST_P(TypedDelayTest, ConvertsFromTheSelectedUnitAndClamps) {
    manager.SetDelayUnit(GetParam().unit);
    manager.SetChDelayEdit(3, GetParam().text);
    const AmpState s = Drained();
    EXPECT_EQ(DelaySliderFromMs(Ch(3).delay), static_cast<int>(GetParam().us));
    EXPECT_EQ(AmpCh(s, 3).delayMicroseconds, GetParam().us);
    EXPECT_EQ(AmpCh(s, 2).delayMicroseconds, 0u);
}

INSTANTIATE_TEST_SUITE_P(Units, TypedDelayTest,
                         ::testing::Values(TypedDelay{0, "2.5", 2500}, TypedDelay{0, "99", 15000},
                                           TypedDelay{0, "-3", 0}, TypedDelay{1, "519", 15000},
                                           TypedDelay{2, "102 in", 7500}));

// --- Mute, phase, routing, source, main volume --------------------------------------------------

TEST_F(ChannelOpsTest, MutePhaseAndSwitchesReachTheDevice) {
    manager.SetChMute(3, true);
    manager.SetChPhase(4, true);
    manager.SetMainMute(true);
    manager.SetAmpOnOff(true);  // the button showed "on" when clicked
    manager.SetAutoEffect(true);
    manager.SetNoiseGate(false);
    const AmpState s = Drained();
    EXPECT_EQ(s.live.autoOn, 1);
    EXPECT_EQ(s.live.inputThreshold, -100);
    EXPECT_EQ(Ch(3).mute, 1);
    EXPECT_EQ(AmpCh(s, 3).mute, 1);
    EXPECT_EQ(Ch(4).phase, 1);
    EXPECT_EQ(AmpCh(s, 4).phase, 1);
    EXPECT_EQ(s.live.mute, 1);
    EXPECT_EQ(Live().ampOn, 0);
    EXPECT_EQ(s.live.ampMute, 1);
}

TEST_F(ChannelOpsTest, RoutingAnInputWithoutLevelRaisesItsLevel) {
    amp->ModifyState([](AmpState& s) {
        s.live.routing[2][0] = 0x1;   // Bluetooth: channel 0 fed by input 1 only
        s.live.mixTrim[2][1][0] = 0;  // input 2 silent on channel 0
    });
    manager.Disconnect();
    ASSERT_TRUE(Settle());  // a connection made while the old one still ends is refused
    manager.Connect(true);
    ASSERT_TRUE(Settle());
    manager.SetInputSource(2);
    ASSERT_EQ(Live().inputMixVolume[2][1][0], 0);
    manager.SetChInput(0, 2, true);
    const AmpState s = Drained();
    EXPECT_EQ(Live().inputs[2][0], 0x3);
    EXPECT_EQ(s.live.routing[2][0], 0x3);
    EXPECT_EQ(Live().inputMixVolume[2][1][0], 100);
    EXPECT_EQ(s.live.mixTrim[2][1][0], 100);
    EXPECT_EQ(s.live.sourceCode, 0x53);
}

TEST_F(ChannelOpsTest, MainVolumeTextsAndSteps) {
    manager.SetMainVolumeEdit("${off}");
    AmpState s = Drained();
    EXPECT_EQ(Live().mainVolume, 0);
    EXPECT_EQ(s.live.mainVolumeDb, -60);
    manager.SetMainVolumeEdit("55");
    s = Drained();
    EXPECT_EQ(Live().mainVolume, 40);
    EXPECT_EQ(s.live.mainVolumeDb, 6);
    const size_t before = RequestCount();
    manager.SetMainVolumeUp(true);
    EXPECT_EQ(RequestCount(), before);
}

// --- Lock, link, reset --------------------------------------------------------------------------

// Gives channels 0, 2 and 4 (the left roles) and 1, 3 and 5 (the right ones) different settings.
void MakeSidesDiffer(EqualizerManager& manager) {
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        manager.SetCurChannelChange(ch);
        const bool left = ch % 2 == 0;
        manager.SetChEqEdit(4, {"500", "2.00", left ? "4.0" : "-6.0"});
        manager.SetHpFreq(left ? "30" : "40");
        manager.SetChVolume(ch, left ? -50 : -80);
    }
    manager.SetCurChannelChange(0);
}

struct LinkCase {
    int choice;
    int from[3];
    int to[3];
};

class LinkCopyTest : public TuningTest, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(LinkCopyTest, CopiesOneSideOntoTheOther) {
    MakeSidesDiffer(manager);
    view.linkChoice = GetParam().choice;
    manager.SetOutputLink();
    const AmpState s = Drained();
    EXPECT_EQ(Live().linkMode, 1);
    EXPECT_EQ(Live().lockMode, 1);
    EXPECT_EQ(s.live.link, 1);
    EXPECT_EQ(s.live.lock, 1);
    ASSERT_EQ(s.live.linkPairCount, 3);
    for (int i = 0; i < 3; ++i) {
        const int from = GetParam().from[i];
        const int to = GetParam().to[i];
        EXPECT_EQ(s.live.linkPairs[static_cast<size_t>(i)].from, from);
        EXPECT_EQ(s.live.linkPairs[static_cast<size_t>(i)].to, to);
        EXPECT_FLOAT_EQ(Band(to, 4).eqGain, Band(from, 4).eqGain) << "pair " << i;
        EXPECT_EQ(Ch(to).crossover.hp.fs, Ch(from).crossover.hp.fs);
        EXPECT_FLOAT_EQ(Ch(to).gain, Ch(from).gain);
        EXPECT_EQ(Live().linkOutputs[static_cast<size_t>(from)], to);
    }
    // The current channel's partner got its trim.
    const int partnerOfCurrent = Live().linkOutputs[0];
    EXPECT_FLOAT_EQ(AmpGainDb(s, partnerOfCurrent), Ch(0).gain);
}

INSTANTIATE_TEST_SUITE_P(Directions, LinkCopyTest,
                         ::testing::Values(LinkCase{1, {0, 2, 4}, {1, 3, 5}},
                                           LinkCase{2, {1, 3, 5}, {0, 2, 4}}));

TEST_F(ChannelOpsTest, CancelledLinkQuestionLeavesLinkOff) {
    view.linkChoice = 0;
    manager.SetOutputLink();
    const AmpState s = Drained();
    EXPECT_EQ(view.linkQuestions, 1);
    EXPECT_EQ(Live().linkMode, 0);
    EXPECT_EQ(Live().lockMode, 0);
    EXPECT_EQ(s.live.link, 0);
}

TEST_F(ChannelOpsTest, NothingLinkableShowsTheNoticeAndLeavesLinkOff) {
    view.threeAnswer = 2;  // emptied: no role has a partner
    manager.SetOutputReset();
    manager.SetOutputLink();
    const AmpState s = Drained();
    EXPECT_TRUE(view.Showed("${not_linkable_tips}"));
    EXPECT_EQ(view.linkQuestions, 0);
    EXPECT_EQ(Live().linkMode, 0);
    EXPECT_EQ(s.live.link, 0);
}

TEST_F(ChannelOpsTest, UnlockingSwitchesLinkOff) {
    manager.SetOutputLink();
    ASSERT_EQ(Live().linkMode, 1);
    view.answers = {true};
    manager.SetOutpuLock();
    const AmpState s = Drained();
    EXPECT_EQ(view.questions.back(), "${unlock_output_tips}");
    EXPECT_EQ(Live().lockMode, 0);
    EXPECT_EQ(Live().linkMode, 0);
    for (int32_t partner : Live().linkOutputs) {
        EXPECT_EQ(partner, -1);
    }
    EXPECT_EQ(s.live.lock, 0);
    EXPECT_EQ(s.live.link, 0);
    EXPECT_EQ(s.live.linkPairCount, 0);
}

TEST_F(ChannelOpsTest, DeclinedUnlockKeepsLinkAndLock) {
    manager.SetOutputLink();
    view.answers = {false};
    manager.SetOutpuLock();
    const AmpState s = Drained();
    EXPECT_EQ(Live().lockMode, 1);
    EXPECT_EQ(Live().linkMode, 1);
    EXPECT_EQ(s.live.link, 1);
}

TEST_F(ChannelOpsTest, OutputResetEmptiesOrRestoresRoles) {
    manager.SetOutputLink();
    view.threeAnswer = 2;  // "${emptied}"
    manager.SetOutputReset();
    AmpState s = Drained();
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        EXPECT_EQ(Live().outputs[static_cast<size_t>(ch)], 0);
        EXPECT_EQ(AmpCh(s, ch).speakerType, 0);
        EXPECT_EQ(Ch(ch).crossover.hp.slope, 0);
        EXPECT_EQ(AmpCh(s, ch).lowPass.freq, 20000);
        EXPECT_EQ(AmpCh(s, ch).lowPass.slope, 0);
    }
    EXPECT_EQ(Live().lockMode, 0);
    EXPECT_EQ(Live().linkMode, 0);
    EXPECT_EQ(s.live.link, 0);
    EXPECT_EQ(s.live.lock, 0);

    view.threeAnswer = 1;  // "${default}"
    manager.SetOutputReset();
    s = Drained();
    EXPECT_EQ(Live().outputs[4], 22);
    EXPECT_EQ(AmpCh(s, 4).speakerType, 22);
    EXPECT_EQ(AmpCh(s, 4).lowPass.freq, 70);
    EXPECT_EQ(AmpCh(s, 4).lowPass.slope, 4);

    const size_t before = RequestCount();
    view.threeAnswer = 0;  // "${cancel}"
    manager.SetOutputReset();
    EXPECT_EQ(RequestCount(), before);
}

TEST_F(ChannelOpsTest, OutputResetGivesTheLeftSubwooferVolumeToTheRightOne) {
    view.threeAnswer = 2;
    manager.SetOutputReset();
    manager.SetChVolume(4, -90);  // role 0 now: no coupling
    manager.SetChVolume(5, -20);
    view.threeAnswer = 1;
    manager.SetOutputReset();
    const AmpState s = Drained();
    EXPECT_FLOAT_EQ(Ch(5).gain, -9.0f);
    EXPECT_FLOAT_EQ(AmpGainDb(s, 5), -9.0f);
}

// --- Speaker roles ------------------------------------------------------------------------------

TEST_F(ChannelOpsTest, AssigningALeftSubwooferGivesTheRightOneItsVolume) {
    manager.SetOutputValue(4, "output_item_empty");
    manager.SetChVolume(4, -200);
    ASSERT_FLOAT_EQ(Ch(5).gain, 0.0f);
    manager.SetOutputValue(4, "output_menu_subwoof_left");
    const AmpState s = Drained();
    EXPECT_EQ(Live().outputs[4], 22);
    EXPECT_FLOAT_EQ(Ch(5).gain, -20.0f);
    EXPECT_FLOAT_EQ(AmpGainDb(s, 5), -20.0f);
    EXPECT_EQ(AmpCh(s, 4).speakerType, 22);
    EXPECT_EQ(Live().currChannel, 4);
}

TEST_F(ChannelOpsTest, EmptyRoleTurnsBothFiltersOff) {
    manager.SetOutputValue(2, "output_item_empty");
    const AmpState s = Drained();
    const CrossoverSettings& x = Ch(2).crossover;
    EXPECT_EQ(x.hp.fs, 20);
    EXPECT_EQ(x.lp.fs, 20000);
    EXPECT_EQ(x.hp.slope, 0);
    EXPECT_EQ(x.lp.slope, 0);
    EXPECT_EQ(x.hp.bypass, 1);
    EXPECT_EQ(x.bpType, 0);
    EXPECT_EQ(AmpCh(s, 2).highPass.freq, 20);
    EXPECT_EQ(AmpCh(s, 2).highPass.slope, 0);
    EXPECT_EQ(AmpCh(s, 2).lowPass.slope, 0);
    EXPECT_EQ(AmpCh(s, 2).speakerType, 0);
}

TEST_F(ChannelOpsTest, RoleChangeIsRefusedWhileLocked) {
    manager.SetOutpuLock();
    ASSERT_EQ(Live().lockMode, 1);
    const size_t before = RequestCount();
    manager.SetOutputValue(1, "output_menu_center_all_freq");
    EXPECT_EQ(RequestCount(), before);
    EXPECT_EQ(Live().outputs[1], 12);
}

TEST_F(ChannelOpsTest, OutputMenuChecksAssignedRoles) {
    manager.SetSubMenu(3);
    ASSERT_TRUE(view.menu.has_value());
    EXPECT_EQ(view.menu->channel, 3);
    EXPECT_EQ(manager.MenuChannel(), 3);
    EXPECT_EQ(view.menu->items.size(), 8u + 25u);
    int checked = 0;
    for (const OutputMenuItem& item : view.menu->items) {
        EXPECT_TRUE(item.enabled);
        EXPECT_FALSE(item.shortKey.empty()) << item.name;
        if (item.checked) {
            ++checked;
            EXPECT_TRUE(item.role == 6 || item.role == 12 || item.role == 15 || item.role == 18 ||
                        item.role == 22 || item.role == 23)
                << item.name;
        }
    }
    EXPECT_EQ(checked, 6);
}

TEST_F(ChannelOpsTest, SpeakerIconSelectsTheChannelsWithThatRole) {
    manager.SetSpeakerFocus(15);
    EXPECT_EQ(Live().currChannel, 2);
    EXPECT_EQ(view.icons, std::vector<int>{15});
    manager.SetSpeakerFocus(0);
    manager.SetSpeakerFocus(25);
    EXPECT_EQ(Live().currChannel, 2);
    EXPECT_EQ(view.icons.size(), 1u);
}

// --- Indices outside their arrays ---------------------------------------------------------------

TEST_F(ChannelOpsTest, IndicesOutsideTheirArraysDoNothing) {
    const SceneRecord before = Live();
    manager.SetChVolume(6, -100);
    manager.SetChVolume(-1, -100);
    manager.SetChDelay(7, 100);
    manager.SetChMute(-2, true);
    manager.SetChPhase(6, true);
    manager.SetChSynchronize(6, true);
    manager.SetChInput(0, 7, true);
    manager.SetChInput(0, 0, true);
    manager.SetChInput(9, 1, true);
    manager.SetInputSource(9);
    manager.SetInputSource(-1);
    manager.SetCurChannelChange(6);
    manager.SetOutputValue(6, "output_item_empty");
    manager.SetOutputValue(0, "output_menu_front");  // a group entry is not a role
    manager.SetSubMenu(-1);
    EXPECT_EQ(RequestCount(), 0u);
    EXPECT_EQ(Live().currChannel, before.currChannel);
    EXPECT_EQ(Live().sourceIndex, before.sourceIndex);
    EXPECT_EQ(Live().outputs, before.outputs);
    EXPECT_EQ(Live().inputs, before.inputs);
    EXPECT_FALSE(view.menu.has_value());
}

}  // namespace
}  // namespace korvel::testing
