// The calibration window against the virtual amplifier's simulated car (offscreen): the start
// rules, the status texts, the decision rules, stop and close, and the main window's reconnect
// after an applied result.
#include <gtest/gtest.h>

#include "auto_cal_test_support.h"
#include "eqgraph/widget/ui_equalizer_ac.h"
#include "uiframework/language.h"
#include "uiframework/popup_menu.h"

namespace korvel::test {
namespace {

constexpr uint8_t kIrcSubcmd = 0x13;

// The IRC_Ctrl "on" values the amplifier received, in order.
std::vector<int> ControlsSent(const VirtualAmplifier& amp) {
    std::vector<int> on;
    for (const AmpRequest& r : amp.RequestLog()) {
        if (r.mcmd == MCMD_DSP && r.subcmd == kIrcSubcmd && r.optype == OP_SET) {
            on.push_back(r.payload.at(0));
        }
    }
    return on;
}

QString Tr(const char* key) {
    return ui::Tr(QString::fromLatin1(key));
}

class AutoCalWndTest : public ::testing::Test {
  protected:
    void SetUp() override { ui::LanguageManager::Instance().Select(ui::kLanguageEnglish); }
    ui::ModalAnswerer answers;
};

TEST_F(AutoCalWndTest, StartNeedsAnItemAndSendsChannelsItemsAndMode) {
    AutoCalRig rig({}, std::chrono::milliseconds(1), [](SceneRecord& s) { s.outputs[3] = 0; });
    EXPECT_FALSE(rig.Checked(QStringLiteral("ch_checkbox_3"))) << "no speaker role";
    EXPECT_FALSE(rig.window->FindControl(QStringLiteral("ch_checkbox_3"))->isEnabled());

    rig.window->Click(QStringLiteral("start_auto_cal"));
    ASSERT_EQ(answers.Questions().size(), 1u);
    EXPECT_EQ(answers.Questions()[0].text, Tr("${irc_option_warning_tips}"));
    EXPECT_EQ(answers.Questions()[0].buttons.size(), 1);
    EXPECT_TRUE(rig.amp->RequestLog().empty());

    rig.SetOption(QStringLiteral("audio_effect_3"), true);
    rig.SetOption(QStringLiteral("irc_phase"), true);
    rig.StartThreeChannels();  // channels 0, 2, 5 with eq and delay
    ASSERT_TRUE(rig.RunToEnd());
    const auto log = rig.amp->RequestLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0].subcmd, 0x1E);
    EXPECT_EQ(log[0].payload,
              (std::vector<uint8_t>{kIrcModuleEq | kIrcModuleDelay | kIrcModulePhase}));
    EXPECT_EQ(log[1].payload, (std::vector<uint8_t>{1, 0x00, 0x25, 4}));
}

TEST_F(AutoCalWndTest, CompletedRunDrawsItsCurvesAndIsAppliedOnce) {
    AutoCalRig rig;
    rig.StartThreeChannels();
    EXPECT_EQ(rig.window->Text(QStringLiteral("start_auto_cal")), Tr("${stop}"));
    EXPECT_FALSE(rig.window->FindControl(QStringLiteral("closebtn"))->isEnabled());
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Tips(), Tr("${irc_completed}"));
    EXPECT_EQ(rig.window->Text(QStringLiteral("start_auto_cal")), Tr("${start_irc}"));
    EXPECT_TRUE(rig.window->FindControl(QStringLiteral("closebtn"))->isEnabled());
    const UIEqualizerAc* graph = rig.window->Graph();
    EXPECT_EQ(graph->ShortCount(), 6);
    EXPECT_EQ(graph->PredictedCount(), 6);

    rig.window->Click(QStringLiteral("irc_save_data"));
    EXPECT_EQ(rig.Tips(), Tr("${irc_applyed}"));
    rig.window->Click(QStringLiteral("irc_save_data"));
    EXPECT_EQ(rig.Tips(), Tr("${irc_start_tips}"));
    rig.window->Click(QStringLiteral("irc_cancel_data"));
    EXPECT_EQ(rig.Tips(), Tr("${irc_start_tips}"));
    EXPECT_EQ(ControlsSent(*rig.amp), (std::vector<int>{1, 2}));
    rig.window->Click(QStringLiteral("closebtn"));
    EXPECT_TRUE(rig.window->IsClosed());
    EXPECT_EQ(rig.window->Result(), 1);
    EXPECT_EQ(ControlsSent(*rig.amp), (std::vector<int>{1, 2})) << "nothing more on closing";
}

TEST_F(AutoCalWndTest, ClosingAnUndecidedResultAsksAndDiscardsWhenDeclined) {
    AutoCalRig rig;
    rig.StartThreeChannels();
    ASSERT_TRUE(rig.RunToEnd());
    answers.Reply(QStringLiteral("msgwnd"), 0);
    rig.window->Click(QStringLiteral("closebtn"));
    EXPECT_EQ(answers.Questions().back().text, Tr("${irc_apply_tips}"));
    EXPECT_EQ(rig.window->Result(), 0);
    EXPECT_EQ(ControlsSent(*rig.amp), (std::vector<int>{1, 3}));
    EXPECT_EQ(rig.amp->State().live.channels[0].eqBypass, 1) << "nothing applied";
}

TEST_F(AutoCalWndTest, FailedRunShowsItsReason) {
    const char* texts[] = {"${irc_failed_level}",     "${irc_failed_mic}",
                           "${irc_failed_speaker}",   "${irc_failed_delay}",
                           "${irc_failed_ch_volume}", "${irc_failed_eq}"};
    for (int reason = 0; reason <= 5; ++reason) {
        SCOPED_TRACE(reason);
        AutoCalRig rig({1, reason, -1, -1});
        rig.StartThreeChannels();
        ASSERT_TRUE(rig.RunToEnd());
        EXPECT_EQ(rig.Tips(), Tr(texts[reason]));
        EXPECT_TRUE(rig.window->FindControl(QStringLiteral("closebtn"))->isEnabled());
        rig.window->Click(QStringLiteral("irc_save_data"));
        EXPECT_EQ(rig.Tips(), Tr("${irc_start_tips}"));
        rig.window->Click(QStringLiteral("closebtn"));
        EXPECT_EQ(rig.window->Result(), 0);
        EXPECT_EQ(ControlsSent(*rig.amp), (std::vector<int>{1, 3}));
    }
}

TEST_F(AutoCalWndTest, StopAndCloseStopTheRunOnTheAmplifier) {
    for (const bool close : {false, true}) {
        SCOPED_TRACE(close);
        AutoCalRig rig({}, std::chrono::milliseconds(20));
        rig.StartThreeChannels();
        ASSERT_TRUE(PumpUntil([&] { return rig.window->Session().Status() >= kIrcLevelTest; }));
        if (close) {
            rig.window->reject();  // Escape or the window manager's close
            EXPECT_TRUE(rig.window->IsClosed());
            EXPECT_EQ(rig.window->Result(), 0);
            EXPECT_EQ(ControlsSent(*rig.amp), (std::vector<int>{1, 0, 3}));
        } else {
            rig.window->Click(QStringLiteral("start_auto_cal"));
            PumpFor(std::chrono::milliseconds(100));
            EXPECT_EQ(rig.Tips(), Tr("${irc_stoped}"));
            EXPECT_EQ(rig.window->Text(QStringLiteral("start_auto_cal")), Tr("${start_irc}"));
            EXPECT_TRUE(rig.window->FindControl(QStringLiteral("closebtn"))->isEnabled());
            EXPECT_EQ(ControlsSent(*rig.amp), (std::vector<int>{1, 0}));
        }
        EXPECT_FALSE(rig.window->Session().Running());
    }
}

// Through the main window: minimised while the calibration window is open, restored after it,
// and an applied result is read back by the reconnect.
TEST_F(AutoCalWndTest, AppliedResultIsReadBackByTheMainWindow) {
    MainWindowRig main;
    const auto car = InstallSimulatedCar(*main.amp, {5, -1, -1, -1});
    main.window->SetAutoCalTimings({std::chrono::milliseconds(1), std::chrono::milliseconds(1)});
    main.window->Create();
    main.window->ShowWindow();
    ASSERT_TRUE(main.ConnectAndSettle());

    bool minimised = false;
    answers.Reply(QStringLiteral("msgwnd"), 1);  // start the calibration
    answers.Script(QStringLiteral("autocalwnd"), [&](ui::WindowImplBase& w) {
        auto& window = static_cast<CAutoCalWnd&>(w);
        minimised = main.window->isMinimized();
        for (const char* item : {"irc_eq", "irc_delay"}) {
            window.Click(QLatin1String(item));
        }
        window.Click(QStringLiteral("ch_checkbox_1"));  // channels 0, 2..5
        window.Click(QStringLiteral("start_auto_cal"));
        PumpUntil([&] { return !window.Session().Running(); });
        PumpFor(std::chrono::milliseconds(30));
        window.Click(QStringLiteral("irc_save_data"));
        window.Click(QStringLiteral("closebtn"));
    });
    main.window->Click(QStringLiteral("btn_irc"));
    ASSERT_TRUE(main.Settle());
    EXPECT_TRUE(minimised);
    EXPECT_FALSE(main.window->isMinimized());
    ASSERT_TRUE(main.window->Controller().IsConnected()) << "connected again";

    const SceneRecord& live = main.window->Controller().LiveScene();
    for (int ch : {0, 2, 3, 4, 5}) {
        SCOPED_TRACE(ch);
        const auto& derived = car->Result(ch);
        EXPECT_NEAR(live.channels[ch].delay, derived.delayUs / 1000.0, 0.0015);
        EXPECT_NEAR(live.channels[ch].gain, derived.gainHundredths / 100.0, 0.51);
        for (int band = 0; band < kCarDerivedBands; ++band) {
            const EqBand& shown = live.eqStore[ch][band];
            EXPECT_EQ(shown.freq, derived.bands[band].freq);
            EXPECT_NEAR(shown.eqGain, derived.bands[band].gainTenthsPlus18 / 10.0 - 18.0, 0.051);
        }
    }
    EXPECT_EQ(live.channels[1].delay, 0.0f) << "not calibrated";

    // The advance menu opens the same window; closing it undecided keeps the connection.
    answers.Reply(QStringLiteral("autocalwnd"), 0);
    const size_t asked = answers.Questions().size();
    ASSERT_TRUE(main.window->Click(QStringLiteral("btn_advance")) && main.window->OpenMenu());
    EXPECT_TRUE(main.window->OpenMenu()->ClickItem(QStringLiteral("advance_item_autocal")));
    PumpFor(std::chrono::milliseconds(50));
    ASSERT_EQ(answers.Questions().size(), asked + 1);
    EXPECT_EQ(answers.Questions().back().window, QStringLiteral("autocalwnd"));
    EXPECT_TRUE(main.window->Controller().IsConnected());
}

}  // namespace
}  // namespace korvel::test
