// Live tuning through the main window's controls: each case drives the controls by name and
// checks the parameter model, what the controls show, and what the virtual amplifier holds once
// the command queue has drained.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>

#include "common/qt_test_app.h"
#include "main_wnd_tuning_support.h"
#include "model/conversions.h"
#include "model/scene_reset.h"
#include "uiframework/framework.h"
#include "uiframework/modal_answerer.h"

namespace korvel {
namespace {

using test::DeviceGain;
using test::DeviceQ;

class MainWndTuningTest : public ::testing::Test {
  protected:
    MainWndTuningTest() { ui::LanguageManager::Instance().Select(ui::kLanguageEnglish); }

    void Start(const std::function<void(AmpState&)>& state = test::ApplyTunedState) {
        rig.amp->ModifyState(state);
        rig.window->Create();
        rig.window->ShowWindow();
        ASSERT_TRUE(rig.ConnectAndSettle());
        rig.amp->ClearRequestLog();
    }
    CMainWnd& W() { return *rig.window; }
    const SceneRecord& Live() { return W().Controller().LiveScene(); }
    const ChannelSettings& Ch(int ch) { return Live().channels[static_cast<size_t>(ch)]; }
    const EqBand& ModelBand(int ch, int band) {
        return Live().eqStore[static_cast<size_t>(ch)][static_cast<size_t>(band)];
    }
    AmpChannel DeviceChannel(int ch) {
        return rig.amp->State().live.channels[static_cast<size_t>(ch)];
    }
    void Drain() { ASSERT_TRUE(ui.Drain()); }

    // Switches the equaliser to parametric mode, answering its question.
    void Parametric() {
        answers.Reply(QStringLiteral("msgwnd"), 1);
        ASSERT_TRUE(ui.Click(QStringLiteral("btn_arg_eq")));
        ASSERT_TRUE(W().ParametricMode());
    }

    void TearDown() override { EXPECT_EQ(ui.Failures(), 0); }

    ui::ModalAnswerer answers;
    test::MainWindowRig rig;
    test::TuningDriver ui{*rig.window};
};

// --- Band frequency, Q and gain ------------------------------------------------------------------

struct FrequencyCase {
    const char* typed;
    int stored;  // what the band holds afterwards
};

class BandFrequencyTypingTest : public MainWndTuningTest,
                                public ::testing::WithParamInterface<FrequencyCase> {};

TEST_P(BandFrequencyTypingTest, StoresOrRestoresTheFrequency) {
    Start();
    Parametric();
    const int before = ModelBand(0, 12).freq;  // 250 Hz
    ui.Type(QStringLiteral("eq_freq_12"), QString::fromLatin1(GetParam().typed));
    Drain();
    const int expected = GetParam().stored == 0 ? before : GetParam().stored;
    EXPECT_EQ(ModelBand(0, 12).freq, expected);
    EXPECT_EQ(ui.Text("eq_freq_12"), QString::number(expected));
    EXPECT_EQ(DeviceChannel(0).bands[12].freq, expected);
    EXPECT_EQ(ui.Graph().Band(12).freq, expected);
}

INSTANTIATE_TEST_SUITE_P(Typed, BandFrequencyTypingTest,
                         ::testing::Values(FrequencyCase{"2k5", 2500},  // thousands form
                                           FrequencyCase{"315", 315},
                                           FrequencyCase{"25k", 0},  // above 20 kHz: restored
                                           FrequencyCase{"19", 0},   // below 20 Hz: restored
                                           FrequencyCase{"abc", 0}));

TEST_F(MainWndTuningTest, QStepsStopAtBothEnds) {
    Start();
    Parametric();
    ui.Type(QStringLiteral("eq_q_4"), QStringLiteral("0.52"));
    ui.Key(QStringLiteral("eq_q_4"), Qt::Key_Down);
    Drain();
    EXPECT_FLOAT_EQ(ModelBand(0, 4).eqFactor, 0.5f);
    EXPECT_EQ(ui.Text("eq_q_4"), QStringLiteral("0.50"));
    EXPECT_EQ(DeviceChannel(0).bands[4].qHundredths, 50);

    rig.amp->ClearRequestLog();
    ui.Key(QStringLiteral("eq_q_4"), Qt::Key_Down);  // at the end: nothing happens
    Drain();
    EXPECT_FLOAT_EQ(ModelBand(0, 4).eqFactor, 0.5f);
    EXPECT_TRUE(rig.amp->RequestLog().empty());

    ui.Type(QStringLiteral("eq_q_4"), QStringLiteral("8.98"));
    ui.Key(QStringLiteral("eq_q_4"), Qt::Key_Up);
    ui.Key(QStringLiteral("eq_q_4"), Qt::Key_Up);
    Drain();
    EXPECT_FLOAT_EQ(ModelBand(0, 4).eqFactor, 9.0f);
    EXPECT_EQ(ui.Text("eq_q_4"), QStringLiteral("9.00"));
    EXPECT_EQ(DeviceChannel(0).bands[4].qHundredths, 900);
}

TEST_F(MainWndTuningTest, GainStepsTypedGainAndSliderMeetInModelAndDevice) {
    Start();
    ui.Key(QStringLiteral("eq_gain_2"), Qt::Key_Up);  // 0.0 -> 0.1
    ui.Key(QStringLiteral("eq_gain_2"), Qt::Key_Up);
    Drain();
    EXPECT_NEAR(ModelBand(0, 2).eqGain, 0.2f, 0.001f);
    EXPECT_EQ(ui.Text("eq_gain_2"), QStringLiteral("0.2"));
    EXPECT_NEAR(DeviceGain(DeviceChannel(0).bands[2]), 0.2f, 0.001f);

    ui.Type(QStringLiteral("eq_gain_2"), QStringLiteral("30"));  // clamped to the slider's top
    Drain();
    EXPECT_FLOAT_EQ(ModelBand(0, 2).eqGain, 12.0f);
    EXPECT_EQ(ui.Text("eq_gain_2"), QStringLiteral("12.0"));
    EXPECT_EQ(W().FindControl<QSlider>(QStringLiteral("eq_slider_2"))->value(), 120);
    EXPECT_NEAR(DeviceGain(DeviceChannel(0).bands[2]), 12.0f, 0.001f);
}

// A drag ("movevaluechanged") and a release or key step ("valuechanged") are one operation.
class SliderNotificationTest : public MainWndTuningTest,
                               public ::testing::WithParamInterface<const char*> {};

TEST_P(SliderNotificationTest, EverySliderReachesModelAndDevice) {
    Start();
    const QString type = QString::fromLatin1(GetParam());
    ui.Slide(QStringLiteral("eq_slider_6"), -35, type);
    EXPECT_EQ(ui.Text("eq_gain_6"), QStringLiteral("-3.5"));
    ui.Slide(QStringLiteral("slider_ch_volume_3"), -130, type);  // makes channel 3 current
    ui.Slide(QStringLiteral("slider_ch_delay_3"), 2100, type);
    ui.Slide(QStringLiteral("slider_main_volume"), 20, type);
    Drain();
    EXPECT_NEAR(ModelBand(0, 6).eqGain, -3.5f, 0.001f);
    EXPECT_NEAR(DeviceGain(DeviceChannel(0).bands[6]), -3.5f, 0.001f);
    EXPECT_EQ(Live().currChannel, 3);
    EXPECT_NEAR(Ch(3).gain, -13.0f, 0.001f);
    EXPECT_EQ(ui.Text("edit_ch_volume_3"), QStringLiteral("-13dB"));
    EXPECT_EQ(DeviceChannel(3).gainHundredths, -1300);
    EXPECT_NEAR(Ch(3).delay, 2.1f, 0.0005f);
    EXPECT_EQ(ui.Text("edit_ch_delay_3"), QStringLiteral("2.100 ms"));
    EXPECT_EQ(DeviceChannel(3).delayMicroseconds, 2100u);
    EXPECT_EQ(Live().mainVolume, 20);
    EXPECT_EQ(ui.Text("edit_main_volume"), QStringLiteral("20"));
    EXPECT_EQ(rig.amp->State().live.mainVolumeDb,
              static_cast<int8_t>(std::lround(MainVolumeDb(20))));
}

INSTANTIATE_TEST_SUITE_P(Types, SliderNotificationTest,
                         ::testing::Values("valuechanged", "movevaluechanged"));

// --- Bypass rule ---------------------------------------------------------------------------------

struct FlatCase {
    float otherGain;  // the gain of the bands that stay
    bool flat;        // the channel counts as flat after band 0 is set to 0
};

class FlatChannelTest : public MainWndTuningTest, public ::testing::WithParamInterface<FlatCase> {};

TEST_P(FlatChannelTest, ChannelWithSmallGainsIsBypassedWhenABandGoesToZero) {
    const int tenths = static_cast<int>(std::lround(GetParam().otherGain * 10));
    Start([tenths](AmpState& s) {
        AmpChannel& ch = s.live.channels[2];
        ch.eqBypass = 0;
        ch.bands[0].gainTenthsPlus18 = 180 + 5;
        for (int band : {3, 9, 17}) {
            ch.bands[static_cast<size_t>(band)].gainTenthsPlus18 =
                static_cast<int16_t>(180 + tenths);
        }
    });
    ASSERT_TRUE(ui.Click(QStringLiteral("ch_enable_2")));
    ASSERT_EQ(Live().currChannel, 2);
    ui.Type(QStringLiteral("eq_gain_0"), QStringLiteral("0"));
    Drain();
    EXPECT_EQ(Ch(2).bypass, GetParam().flat ? 1 : 0);
    EXPECT_EQ(DeviceChannel(2).eqBypass, GetParam().flat ? 1 : 0);
    EXPECT_EQ(ui.Text("btn_bypass"), ui::Tr(GetParam().flat ? QStringLiteral("${restore_eq}")
                                                            : QStringLiteral("${bypass_eq}")));
    // A bypassed channel shows every gain as 0, in the rows and in the graph.
    EXPECT_EQ(ui.Text("eq_gain_3"), GetParam().flat
                                        ? QStringLiteral("0.0")
                                        : QString::number(GetParam().otherGain, 'f', 1));
    EXPECT_EQ(ui.Graph().AllFlat(), GetParam().flat);
}

INSTANTIATE_TEST_SUITE_P(Gains, FlatChannelTest,
                         ::testing::Values(FlatCase{0.9f, true}, FlatCase{-0.9f, true},
                                           FlatCase{1.0f, false}, FlatCase{-1.5f, false}));

// --- Crossover -----------------------------------------------------------------------------------

TEST_F(MainWndTuningTest, HighPassTypedAboveTheLowPassStopsAtIt) {
    Start();  // channel 0: high-pass 80 Hz, low-pass 12000 Hz
    ui.Type(QStringLiteral("hp_freq"), QStringLiteral("15k"));
    Drain();
    EXPECT_EQ(Ch(0).crossover.hp.fs, 12000);
    EXPECT_EQ(ui.Text("hp_freq"), QStringLiteral("12000Hz"));
    EXPECT_EQ(DeviceChannel(0).highPass.freq, 12000);
    EXPECT_EQ(ui.Graph().HpFreq(), 12000);

    ui.Type(QStringLiteral("lp_freq"), QStringLiteral("100"));  // below the high-pass
    Drain();
    EXPECT_EQ(Ch(0).crossover.lp.fs, 12000);
    EXPECT_EQ(DeviceChannel(0).lowPass.freq, 12000);
}

TEST_F(MainWndTuningTest, CrossoverStepsAndCombosReachTheDevice) {
    Start();
    ui.Key(QStringLiteral("hp_freq"), Qt::Key_Up);
    ui.Choose(QStringLiteral("lp_slop"), 2);
    ui.Choose(QStringLiteral("hp_type"), 3);
    Drain();
    const int stepped = Ch(0).crossover.hp.fs;
    EXPECT_GT(stepped, 80);
    EXPECT_LT(stepped, 90);
    EXPECT_EQ(DeviceChannel(0).highPass.freq, stepped);
    EXPECT_EQ(DeviceChannel(0).highPass.type, 3);
    EXPECT_EQ(Ch(0).crossover.lp.slope, 2);
    EXPECT_EQ(DeviceChannel(0).lowPass.slope, 2);
    EXPECT_EQ(W().FindControl<QComboBox>(QStringLiteral("lp_slop"))->currentIndex(), 2);
}

// --- Channel volume and delay ------------------------------------------------------------------

TEST_F(MainWndTuningTest, VolumeTypedAsOffIsTheBottomOfTheRange) {
    Start();
    ui.Type(QStringLiteral("edit_ch_volume_1"), ui::Tr(QStringLiteral("${off}")));
    Drain();
    EXPECT_FLOAT_EQ(Ch(1).gain, -60.0f);
    EXPECT_EQ(ui.Text("edit_ch_volume_1"), ui::Tr(QStringLiteral("${off}")));
    EXPECT_EQ(W().FindControl<QSlider>(QStringLiteral("slider_ch_volume_1"))->value(), -600);
    EXPECT_EQ(DeviceChannel(1).gainHundredths, -6000);

    ui.Type(QStringLiteral("edit_main_volume"), ui::Tr(QStringLiteral("${off}")));
    Drain();
    EXPECT_EQ(Live().mainVolume, 0);
    EXPECT_EQ(ui.Text("edit_main_volume"), ui::Tr(QStringLiteral("${off}")));
    EXPECT_EQ(rig.amp->State().live.mainVolumeDb, -60);
}

TEST_F(MainWndTuningTest, VolumeStepsAndTypedValuesAreClamped) {
    Start();  // channel 2 at -12 dB
    ui.Key(QStringLiteral("edit_ch_volume_2"), Qt::Key_Up);
    Drain();
    EXPECT_FLOAT_EQ(Ch(2).gain, -11.0f);
    EXPECT_EQ(DeviceChannel(2).gainHundredths, -1100);
    ui.Type(QStringLiteral("edit_ch_volume_2"), QStringLiteral("7"));
    Drain();
    EXPECT_FLOAT_EQ(Ch(2).gain, 0.0f);
    EXPECT_EQ(ui.Text("edit_ch_volume_2"), QStringLiteral("0dB"));
    EXPECT_EQ(DeviceChannel(2).gainHundredths, 0);
}

TEST_F(MainWndTuningTest, DelayStepStopsAtTheTop) {
    Start();
    ui.Type(QStringLiteral("edit_ch_delay_1"), QStringLiteral("14.990"));
    ui.Key(QStringLiteral("edit_ch_delay_1"), Qt::Key_Up);
    Drain();
    EXPECT_NEAR(Ch(1).delay, 15.0f, 0.0005f);
    EXPECT_EQ(ui.Text("edit_ch_delay_1"), QStringLiteral("15.000 ms"));
    EXPECT_EQ(W().FindControl<QSlider>(QStringLiteral("slider_ch_delay_1"))->value(), 15000);
    EXPECT_EQ(DeviceChannel(1).delayMicroseconds, 15000u);

    rig.amp->ClearRequestLog();
    ui.Key(QStringLiteral("edit_ch_delay_1"), Qt::Key_Up);
    Drain();
    EXPECT_TRUE(rig.amp->RequestLog().empty());
}

TEST_F(MainWndTuningTest, DelayTypedInCentimetresFollowsTheUnit) {
    Start();
    ui.Choose(QStringLiteral("comb_ch_unit"), 1);
    ui.Type(QStringLiteral("edit_ch_delay_2"), QStringLiteral("51.9"));  // 1.5 ms
    Drain();
    EXPECT_NEAR(Ch(2).delay, 1.5f, 0.001f);
    EXPECT_EQ(ui.Text("edit_ch_delay_2"), QStringLiteral("51.90 cm"));
    EXPECT_EQ(DeviceChannel(2).delayMicroseconds, 1500u);
}

TEST_F(MainWndTuningTest, OptionsReachModelAndDevice) {
    Start();
    ASSERT_TRUE(ui.Click(QStringLiteral("ch_mute_1")));
    ASSERT_TRUE(ui.Click(QStringLiteral("ch_phase_2")));
    ASSERT_TRUE(ui.Click(QStringLiteral("main_mute")));
    ASSERT_TRUE(ui.Click(QStringLiteral("option_ch_in2_0")));
    Drain();
    EXPECT_EQ(Ch(1).mute, 1);
    EXPECT_EQ(DeviceChannel(1).mute, 1);
    EXPECT_EQ(Ch(2).phase, 1);
    EXPECT_EQ(DeviceChannel(2).phase, 1);
    EXPECT_EQ(ui.Text("ch_phase_2"), ui::Tr(QStringLiteral("${reverse phase}")));
    EXPECT_EQ(Live().mainVolumeMute, 1);
    EXPECT_EQ(rig.amp->State().live.mute, 1);
    const int source = Live().sourceIndex;
    EXPECT_EQ(Live().inputs[static_cast<size_t>(source)][0] & 0x2, 0x2);
    EXPECT_EQ(rig.amp->State().live.routing[static_cast<size_t>(source)][0] & 0x2, 0x2);
}

TEST_F(MainWndTuningTest, ChannelStripSwitchesAndSourceReachModelAndDevice) {
    Start();
    ASSERT_TRUE(ui.Click(QStringLiteral("ch_show_3")));
    ASSERT_TRUE(ui.Click(QStringLiteral("ch_synchronize_4")));
    ASSERT_TRUE(ui.Click(QStringLiteral("btn_amp_onoff")));
    ui.Choose(QStringLiteral("btn_input_source"), 3);
    Drain();
    EXPECT_EQ(Live().showChEqualizer[3], 1);
    EXPECT_TRUE(ui.Checked(QStringLiteral("ch_show_3")));
    EXPECT_EQ(Live().syncChannels[4], 1);
    EXPECT_FALSE(W().FindControl(QStringLiteral("btn_link_output"))->isEnabled());
    EXPECT_EQ(Live().ampOn, 0);
    EXPECT_EQ(rig.amp->State().live.ampMute, 1);
    EXPECT_EQ(ui.Text("btn_amp_onoff"), ui::Tr(QStringLiteral("${amp_off}")));
    EXPECT_EQ(Live().sourceIndex, 3);
    EXPECT_EQ(rig.amp->State().live.sourceCode, kFirstSourceCode + 3);

    ASSERT_TRUE(ui.Click(QStringLiteral("ch_synchronize_4")));
    EXPECT_TRUE(W().FindControl(QStringLiteral("btn_link_output"))->isEnabled());
}

TEST_F(MainWndTuningTest, SpeakerIconSelectsTheChannelsOfItsRole) {
    Start();  // channel 2 plays role 15 (rear left full range)
    ASSERT_TRUE(ui.Click(QStringLiteral("speaker_15")));
    EXPECT_EQ(Live().currChannel, 2);
    EXPECT_TRUE(ui.Checked(QStringLiteral("speaker_15")));
    EXPECT_TRUE(ui.Checked(QStringLiteral("ch_enable_2")));
    EXPECT_FALSE(ui.Checked(QStringLiteral("ch_enable_0")));
    EXPECT_TRUE(ui.Text("xover_title").contains(QStringLiteral("CH3")));
}

TEST_F(MainWndTuningTest, BandEnableSwitchMutesAndRestoresTheBand) {
    Start();  // channel 0 band 0 at +4.0 dB
    ASSERT_TRUE(ui.Click(QStringLiteral("pt_enable_0")));
    Drain();
    EXPECT_EQ(ModelBand(0, 0).enable, 0);
    EXPECT_FLOAT_EQ(ModelBand(0, 0).eqGain, 4.0f);  // kept for the restore
    EXPECT_EQ(ui.Text("eq_gain_0"), QStringLiteral("0.0"));
    EXPECT_FALSE(ui.Checked(QStringLiteral("pt_enable_0")));
    EXPECT_NEAR(DeviceGain(DeviceChannel(0).bands[0]), 0.0f, 0.001f);
    EXPECT_FLOAT_EQ(ui.Graph().Band(0).eqGain, 0.0f);

    ASSERT_TRUE(ui.Click(QStringLiteral("pt_enable_0")));
    Drain();
    EXPECT_EQ(ModelBand(0, 0).enable, 1);
    EXPECT_EQ(ui.Text("eq_gain_0"), QStringLiteral("4.0"));
    EXPECT_TRUE(ui.Checked(QStringLiteral("pt_enable_0")));
    EXPECT_NEAR(DeviceGain(DeviceChannel(0).bands[0]), 4.0f, 0.001f);
}

TEST_F(MainWndTuningTest, BypassAndResetAskFirst) {
    Start();
    answers.Reply(QStringLiteral("msgwnd"), 0);
    ASSERT_TRUE(ui.Click(QStringLiteral("btn_bypass")));
    EXPECT_EQ(answers.Questions().back().text, ui::Tr(QStringLiteral("${bypass_all_eq_tips}")));
    EXPECT_EQ(Ch(0).bypass, 0);

    answers.Reply(QStringLiteral("msgwnd"), 1);
    ASSERT_TRUE(ui.Click(QStringLiteral("btn_bypass")));
    Drain();
    EXPECT_EQ(Ch(0).bypass, 1);
    EXPECT_EQ(DeviceChannel(0).eqBypass, 1);
    EXPECT_EQ(ui.Text("btn_bypass"), ui::Tr(QStringLiteral("${restore_eq}")));
    EXPECT_EQ(ui.Text("eq_gain_0"), QStringLiteral("0.0"));
    EXPECT_TRUE(ui.Graph().AllFlat());

    answers.Reply(QStringLiteral("msgwnd"), 1);
    ASSERT_TRUE(ui.Click(QStringLiteral("btn_reset_eq")));
    Drain();
    EXPECT_EQ(answers.Questions().back().text, ui::Tr(QStringLiteral("${reset_all_eq_tips}")));
    for (int band = 0; band < kBandCount; ++band) {
        EXPECT_FLOAT_EQ(ModelBand(0, band).eqGain, 0.0f) << band;
        EXPECT_NEAR(DeviceGain(DeviceChannel(0).bands[static_cast<size_t>(band)]), 0.0f, 0.001f)
            << band;
    }
    EXPECT_EQ(ui.Text("eq_q_0"), QStringLiteral("5.80"));
}

// --- Speaker roles, link, lock -------------------------------------------------------------------

TEST_F(MainWndTuningTest, RoleMenuMarksAssignedRolesAndSetsTheDefaultCrossover) {
    Start();
    ASSERT_TRUE(ui.AssignRole(2, "output_menu_front_left_mid_freq"));  // role 2: 500 / 4000 Hz
    Drain();
    EXPECT_EQ(Live().outputs[2], 2);
    EXPECT_EQ(DeviceChannel(2).speakerType, 2);
    EXPECT_EQ(Ch(2).crossover.hp.fs, 500);
    EXPECT_EQ(DeviceChannel(2).highPass.freq, 500);
    EXPECT_EQ(DeviceChannel(2).lowPass.freq, 4000);
    EXPECT_EQ(Live().currChannel, 2);  // the channel becomes the current one
    EXPECT_EQ(ui.Text("hp_freq"), QStringLiteral("500Hz"));
    EXPECT_FALSE(W().FindControl(QStringLiteral("speaker_2"))->isHidden());

    ASSERT_TRUE(W().Click(QStringLiteral("ch_output_btn_4")));
    ui::PopupMenu* menu = W().OpenMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->Item(QStringLiteral("output_menu_front_left_mid_freq"))->isChecked());
    EXPECT_TRUE(menu->Item(QStringLiteral("output_menu_subwoof_low"))->isChecked());  // channel 5
    EXPECT_FALSE(menu->Item(QStringLiteral("output_menu_front_right_mid_freq"))->isChecked());
    EXPECT_FALSE(menu->Item(QStringLiteral("output_item_empty"))->isChecked());
    menu->close();
}

TEST_F(MainWndTuningTest, SubwooferChannelsShareTheirVolume) {
    Start();  // channel 4 at 0 dB, channel 5 at -60 dB
    ASSERT_TRUE(ui.AssignRole(5, "output_menu_subwoof_right"));
    ASSERT_TRUE(ui.AssignRole(4, "output_menu_subwoof_left"));
    Drain();
    EXPECT_FLOAT_EQ(Ch(5).gain, Ch(4).gain);
    EXPECT_EQ(DeviceChannel(5).gainHundredths, DeviceChannel(4).gainHundredths);

    ui.Slide(QStringLiteral("slider_ch_volume_4"), -180, ui::notify::kValueChanged);
    Drain();
    EXPECT_FLOAT_EQ(Ch(5).gain, -18.0f);
    EXPECT_EQ(ui.Text("edit_ch_volume_5"), QStringLiteral("-18dB"));
    EXPECT_EQ(W().FindControl<QSlider>(QStringLiteral("slider_ch_volume_5"))->value(), -180);
    EXPECT_EQ(DeviceChannel(5).gainHundredths, -1800);
    EXPECT_EQ(DeviceChannel(4).gainHundredths, -1800);
}

struct LinkCase {
    const char* option;  // "check_box_0" left to right, "check_box_1" right to left
    int from;
    int to;
};

class LinkCopyTest : public MainWndTuningTest, public ::testing::WithParamInterface<LinkCase> {
  protected:
    // Channel 0 front left tweeter, channel 1 front right tweeter, with different settings.
    void StartWithPair() {
        Start([](AmpState& s) {
            test::ApplyTunedState(s);
            s.live.channels[0].speakerType = 1;
            s.live.channels[1].speakerType = 7;
            s.live.channels[1].gainHundredths = -700;
            s.live.channels[1].highPass = {2, 3000, 4};
        });
    }
    void Link(const char* option) {
        answers.Click(QStringLiteral("msgcbwnd"),
                      {QString::fromLatin1(option), QStringLiteral("confirm_btn")});
        ASSERT_TRUE(ui.Click(QStringLiteral("btn_link_output")));
        Drain();
    }
};

TEST_P(LinkCopyTest, CopiesOneSideOntoTheOther) {
    StartWithPair();
    const int from = GetParam().from;
    const int to = GetParam().to;
    const std::array<EqBand, kBandCount> bands = Live().eqStore[static_cast<size_t>(from)];
    const float gain = Ch(from).gain;
    const int hp = Ch(from).crossover.hp.fs;
    Link(GetParam().option);

    ASSERT_FALSE(answers.Questions().empty());
    EXPECT_EQ(answers.Questions()[0].window, QStringLiteral("msgcbwnd"));
    EXPECT_EQ(answers.Questions()[0].text, ui::Tr(QStringLiteral("${link_tips}")));
    EXPECT_EQ(Live().linkMode, 1);
    EXPECT_EQ(Live().lockMode, 1);
    EXPECT_TRUE(ui.Checked(QStringLiteral("btn_link_output")));
    EXPECT_TRUE(ui.Checked(QStringLiteral("btn_lock_output")));
    EXPECT_FALSE(W().FindControl(QStringLiteral("ch_output_btn_0"))->isEnabled());
    for (int band = 0; band < kBandCount; ++band) {
        EXPECT_NEAR(ModelBand(to, band).eqGain, bands[static_cast<size_t>(band)].eqGain, 0.001f);
        EXPECT_NEAR(DeviceGain(DeviceChannel(to).bands[static_cast<size_t>(band)]),
                    bands[static_cast<size_t>(band)].eqGain, 0.051f)
            << band;
    }
    EXPECT_FLOAT_EQ(Ch(to).gain, gain);
    EXPECT_EQ(Ch(to).crossover.hp.fs, hp);
    EXPECT_EQ(DeviceChannel(to).gainHundredths, static_cast<int>(std::lround(gain * 100)));
    const AmpState device = rig.amp->State();
    EXPECT_EQ(device.live.link, 1);
    EXPECT_EQ(device.live.lock, 1);
}

INSTANTIATE_TEST_SUITE_P(Directions, LinkCopyTest,
                         ::testing::Values(LinkCase{"check_box_0", 0, 1},
                                           LinkCase{"check_box_1", 1, 0}));

TEST_F(LinkCopyTest, CancelledQuestionLeavesLinkOff) {
    StartWithPair();
    answers.Reply(QStringLiteral("msgcbwnd"), 0);
    ASSERT_TRUE(ui.Click(QStringLiteral("btn_link_output")));
    Drain();
    EXPECT_EQ(Live().linkMode, 0);
    EXPECT_FALSE(ui.Checked(QStringLiteral("btn_link_output")));
    EXPECT_FLOAT_EQ(Ch(1).gain, -7.0f);
}

TEST_F(LinkCopyTest, UnlockingClearsTheLink) {
    StartWithPair();
    Link("check_box_0");
    ASSERT_EQ(Live().linkMode, 1);
    answers.Reply(QStringLiteral("msgwnd"), 1);
    ASSERT_TRUE(ui.Click(QStringLiteral("btn_lock_output")));
    Drain();
    EXPECT_EQ(answers.Questions().back().text, ui::Tr(QStringLiteral("${unlock_output_tips}")));
    EXPECT_EQ(Live().lockMode, 0);
    EXPECT_EQ(Live().linkMode, 0);
    EXPECT_FALSE(ui.Checked(QStringLiteral("btn_link_output")));
    EXPECT_FALSE(ui.Checked(QStringLiteral("btn_lock_output")));
    EXPECT_TRUE(W().FindControl(QStringLiteral("ch_output_btn_0"))->isEnabled());
    const AmpState device = rig.amp->State();
    EXPECT_EQ(device.live.lock, 0);
    EXPECT_EQ(device.live.link, 0);
}

TEST_F(MainWndTuningTest, NothingToLinkShowsTheNotice) {
    Start([](AmpState& s) {
        for (AmpChannel& ch : s.live.channels) {
            ch.speakerType = 0;
        }
        s.live.channels[5].speakerType = 24;  // a role without a partner
    });
    ASSERT_TRUE(ui.Click(QStringLiteral("btn_link_output")));
    ASSERT_EQ(answers.Questions().size(), 1u);
    EXPECT_EQ(answers.Questions()[0].text, ui::Tr(QStringLiteral("${not_linkable_tips}")));
    EXPECT_EQ(Live().linkMode, 0);
    EXPECT_FALSE(ui.Checked(QStringLiteral("btn_link_output")));
}

struct ResetCase {
    int answer;     // 1 "${default}", 0 "${cancel}", 2 "${emptied}"
    int roleOfCh0;  // afterwards
};

class OutputResetTest : public MainWndTuningTest,
                        public ::testing::WithParamInterface<ResetCase> {};

TEST_P(OutputResetTest, ThreeButtonQuestionChoosesTheRoles) {
    Start([](AmpState& s) {
        test::ApplyTunedState(s);
        s.live.channels[0].speakerType = 13;
    });
    answers.Reply(QStringLiteral("msgwnd"), GetParam().answer);
    ASSERT_TRUE(ui.Click(QStringLiteral("btn_reset_output")));
    Drain();
    ASSERT_EQ(answers.Questions().size(), 1u);
    EXPECT_EQ(answers.Questions()[0].text, ui::Tr(QStringLiteral("${empty_output_tips}")));
    EXPECT_THAT(answers.Questions()[0].buttons,
                ::testing::UnorderedElementsAre(ui::Tr(QStringLiteral("${default}")),
                                                ui::Tr(QStringLiteral("${cancel}")),
                                                ui::Tr(QStringLiteral("${emptied}"))));
    EXPECT_EQ(Live().outputs[0], GetParam().roleOfCh0);
    EXPECT_EQ(DeviceChannel(0).speakerType, GetParam().roleOfCh0);
}

INSTANTIATE_TEST_SUITE_P(Answers, OutputResetTest,
                         ::testing::Values(ResetCase{0, 13}, ResetCase{2, 0},
                                           ResetCase{1, DefaultRoles(kChannelSlots)[0]}));

}  // namespace
}  // namespace korvel
