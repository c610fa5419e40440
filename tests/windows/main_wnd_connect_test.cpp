// The main window against the in-process virtual amplifier: the values it shows after connecting,
// the connect button, plugging the device out and in, and closing.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QSlider>

#include "common/qt_test_app.h"
#include "eqgraph/widget/ui_equalizer.h"
#include "main_wnd_test_support.h"
#include "uiframework/framework.h"
#include "uiframework/language.h"
#include "uiframework/modal_answerer.h"

namespace korvel {
namespace {

using test::MainWindowRig;

class MainWndConnectTest : public ::testing::Test {
  protected:
    MainWndConnectTest() {
        test::EnsureQtApp();
        ui::LanguageManager::Instance().Select(ui::kLanguageEnglish);
    }

    void Start(const std::function<void(AmpState&)>& change = {}) {
        if (change) {
            rig.amp->ModifyState(change);
        }
        rig.window->Create();
        rig.window->ShowWindow();
        ASSERT_TRUE(rig.ConnectAndSettle());
    }

    CMainWnd& W() { return *rig.window; }
    QString Text(const QString& name) { return W().Text(name); }
    bool Checked(const QString& name) {
        auto* button = W().FindControl<QAbstractButton>(name);
        return button && button->isChecked();
    }
    int SliderValue(const QString& name) {
        auto* slider = W().FindControl<QSlider>(name);
        return slider ? slider->value() : -99999;
    }
    int ComboIndex(const QString& name) {
        auto* combo = W().FindControl<QComboBox>(name);
        return combo ? combo->currentIndex() : -1;
    }
    bool Visible(const QString& name) {
        QWidget* control = W().FindControl(name);
        return control && !control->isHidden();
    }

    ui::ModalAnswerer answers;
    MainWindowRig rig;
};

TEST_F(MainWndConnectTest, ShowsTheDeviceStateAfterConnecting) {
    Start(test::ApplyTunedState);

    struct TextCase {
        const char* control;
        QString expected;
    };
    const TextCase texts[] = {
        {"btnConnect", ui::Tr("${btn_connected}")},
        {"edit_main_volume", "16"},  // -10 dB
        {"edit_ch_volume_0", "0dB"},
        {"edit_ch_volume_2", "-12dB"},
        {"edit_ch_volume_5", ui::Tr("${off}")},
        {"edit_ch_delay_1", "1.250 ms"},
        {"edit_ch_delay_0", "0.000 ms"},
        {"ch_phase_4", ui::Tr("${reverse phase}")},
        {"ch_phase_0", ui::Tr("${positive_phase}")},
        {"ch_output_btn_0", ui::Tr("${front_left_full}")},
        {"ch_output_btn_5", ui::Tr("${subwoofer_freq}")},
        {"eq_freq_0", "20"},
        {"eq_freq_30", "20000"},
        {"eq_q_0", "3.00"},
        {"eq_gain_0", "4.0"},
        {"eq_gain_4", "-5.5"},
        {"eq_gain_2", "0.0"},
        {"hp_freq", "80Hz"},
        {"lp_freq", "12000Hz"},
        {"btn_amp_onoff", ui::Tr("${amp_on}")},
        {"btn_bypass", ui::Tr("${bypass_eq}")},
    };
    for (const TextCase& c : texts) {
        EXPECT_EQ(Text(c.control), c.expected) << c.control;
    }

    struct StateCase {
        const char* control;
        bool checked;
    };
    const StateCase states[] = {
        {"ch_mute_3", true},        {"ch_mute_2", false},       {"ch_phase_4", true},
        {"pt_enable_0", true},      {"pt_enable_2", false},     {"option_ch_in1_0", true},
        {"option_ch_in2_0", false}, {"option_ch_in3_0", true},  {"option_ch_in2_1", true},
        {"option_ch_in4_1", true},  {"option_ch_in1_1", false}, {"ch_enable_0", true},
        {"ch_enable_1", false},     {"main_mute", false},
    };
    for (const StateCase& c : states) {
        EXPECT_EQ(Checked(c.control), c.checked) << c.control;
    }

    EXPECT_EQ(SliderValue("slider_main_volume"), 16);
    EXPECT_EQ(SliderValue("slider_ch_volume_2"), -120);
    EXPECT_EQ(SliderValue("slider_ch_delay_1"), 1250);
    EXPECT_EQ(SliderValue("eq_slider_0"), 40);
    EXPECT_EQ(ComboIndex("btn_input_source"), 5);
    EXPECT_EQ(ComboIndex("hp_slop"), 2);
    EXPECT_EQ(ComboIndex("hp_type"), 2);
    EXPECT_EQ(ComboIndex("lp_slop"), 4);
    EXPECT_EQ(ComboIndex("lp_type"), 1);

    // Role markers: the factory roles 6, 12, 15, 18, 22 and role 24 on channel 5.
    for (int role = 1; role <= kRoleCount; ++role) {
        const bool assigned =
            role == 6 || role == 12 || role == 15 || role == 18 || role == 22 || role == 24;
        EXPECT_EQ(Visible(QStringLiteral("speaker_%1").arg(role)), assigned) << role;
    }

    UIEqualizer* graph = W().Graph();
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->BandCount(), kBandCount);
    EXPECT_EQ(graph->HpFreq(), 80);
    EXPECT_EQ(graph->LpFreq(), 12000);
    EXPECT_NEAR(graph->Band(0).eqGain, 4.0f, 0.01f);
    EXPECT_FALSE(graph->AllFlat());
    EXPECT_TRUE(answers.Questions().empty());
}

TEST_F(MainWndConnectTest, DelayUnitRewritesEveryDelayText) {
    Start(test::ApplyTunedState);
    auto* unit = W().FindControl<QComboBox>(QStringLiteral("comb_ch_unit"));
    ASSERT_NE(unit, nullptr);
    const std::pair<int, QString> cases[] = {{1, "43.25 cm"}, {2, "17.00 in"}, {0, "1.250 ms"}};
    for (const auto& [index, text] : cases) {
        unit->setCurrentIndex(index);
        emit unit->activated(index);  // as the user's choice
        EXPECT_EQ(Text("edit_ch_delay_1"), text) << index;
    }
}

TEST_F(MainWndConnectTest, AmplifierOffShowsTheOffSwitch) {
    Start([](AmpState& s) { s.live.ampMute = 1; });
    EXPECT_EQ(Text("btn_amp_onoff"), ui::Tr("${amp_off}"));
    EXPECT_EQ(W().FindControl(QStringLiteral("btn_amp_onoff"))->property("state").toString(),
              "off");
}

TEST_F(MainWndConnectTest, ConnectButtonTogglesTheConnection) {
    Start();
    ASSERT_TRUE(rig.amp->State().hostConnected);
    auto* button = W().FindControl<QAbstractButton>(QStringLiteral("btnConnect"));
    ASSERT_TRUE(W().Click(QStringLiteral("btnConnect")));
    EXPECT_FALSE(W().Controller().IsConnected());
    EXPECT_EQ(button->text(), ui::Tr("${btn_disconnected}"));
    EXPECT_EQ(button->property("state").toString(), "disconnected");
    EXPECT_FALSE(rig.amp->State().hostConnected);  // PC_Connect 0 on the way out

    ASSERT_TRUE(W().Click(QStringLiteral("btnConnect")));
    ASSERT_TRUE(rig.Settle());
    EXPECT_TRUE(W().Controller().IsConnected());
    EXPECT_EQ(button->text(), ui::Tr("${btn_connected}"));
    EXPECT_EQ(button->property("state").toString(), "connected");
}

TEST_F(MainWndConnectTest, PlugOutTellsTheUserAndPlugInReconnects) {
    Start();
    W().Controller().DevicePlugOut();
    ASSERT_TRUE(test::PumpUntil([&] { return !answers.Questions().empty(); }));
    EXPECT_EQ(answers.Questions().back().text, ui::Tr("${device_plugout}"));
    EXPECT_EQ(Text("btnConnect"), ui::Tr("${btn_disconnected}"));

    W().Controller().DevicePlugin();
    ASSERT_TRUE(rig.Settle());
    EXPECT_TRUE(W().Controller().IsConnected());
    EXPECT_EQ(Text("btnConnect"), ui::Tr("${btn_connected}"));
    EXPECT_EQ(answers.Questions().size(), 1u);  // a plug-in asks nothing
}

TEST_F(MainWndConnectTest, ClosingTheWindowDisconnects) {
    Start();
    W().close();
    EXPECT_FALSE(W().Controller().IsConnected());
    EXPECT_FALSE(rig.amp->State().hostConnected);
}

TEST_F(MainWndConnectTest, UnansweredHandshakeReportsTheFailure) {
    rig.window->Create();
    rig.amp->Unplug();
    rig.window->Controller().Connect(true);
    ASSERT_TRUE(rig.Settle());
    ASSERT_FALSE(answers.Questions().empty());
    EXPECT_EQ(answers.Questions().back().text, ui::Tr("${device_connect_fail}"));
    EXPECT_FALSE(W().Controller().IsConnected());
    EXPECT_EQ(Text("btnConnect"), ui::Tr("${btn_disconnected}"));
    EXPECT_EQ(W().LoadingWindow(), nullptr);
}

TEST_F(MainWndConnectTest, OldFirmwareIsOfferedTheUpdate) {
    AmpIdentity old;
    old.mainVersion = 16;
    old.slaveVersion = 24;
    rig.amp->SetIdentity(old);
    Start();
    ASSERT_TRUE(test::PumpUntil([&] { return !answers.Questions().empty(); }));
    const QString text = answers.Questions().back().text;
    EXPECT_TRUE(text.contains("16.24")) << text.toStdString();
    EXPECT_TRUE(text.contains("16.25")) << text.toStdString();
    EXPECT_FALSE(text.contains("%d"));
}

}  // namespace
}  // namespace korvel
