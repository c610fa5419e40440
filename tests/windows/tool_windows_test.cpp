// The mixer, noise threshold, memory access and about windows against the virtual amplifier,
// and the main window's items that open them: each case checked in the model, in the controls
// and in the amplifier.

#include <QProgressBar>

#include "korvel_version.h"
#include "tool_windows_support.h"
#include "uiframework/dpi_scale.h"
#include "windows/about_wnd.h"
#include "windows/mem_wr_wnd.h"
#include "windows/mixer_wnd.h"
#include "windows/noise_threshold_wnd.h"

namespace korvel {
namespace {

using test::PumpFor;
using namespace std::chrono_literals;

constexpr int kHighLevel = 5;  // four mixable inputs
constexpr size_t kHi = kHighLevel;

// --- Mixer ------------------------------------------------------------------------------------

// High-level source live. Input 1 into CH1: not mixed, level 0. Input 2 into CH2: not mixed,
// level 40 kept. Input 0 into CH3: mixed at 60.
void MixerState(AmpState& s) {
    s.live.sourceCode = 0x56;
    s.live.routing[kHi][0] = 0x1;
    s.live.mixTrim[kHi][1][0] = 0;
    s.live.routing[kHi][1] = 0x0;
    s.live.mixTrim[kHi][2][1] = 40;
    s.live.routing[kHi][2] = 0x1;
    s.live.mixTrim[kHi][0][2] = 60;
}

class MixerWndTest : public test::ToolWindowTest {
  protected:
    void SetUp() override { Connect(MixerState); }

    std::unique_ptr<CMixerWnd> Open(int source) {
        auto window = std::make_unique<CMixerWnd>(&W(), M(), source);
        window->Create();
        window->show();
        PumpFor(20ms);
        return window;
    }
    MixCell Cell(int input, int output) const {
        return *rig.window->Controller().MixerCell(kHighLevel, input, output);
    }
    static QString Name(const char* prefix, int output, int input) {
        return QStringLiteral("%1_%2_%3").arg(QLatin1String(prefix)).arg(output).arg(input);
    }
    int Slider(const CMixerWnd& w, int output, int input) const {
        return w.FindControl<QSlider>(Name("box_volume", output, input))->value();
    }
    int AmpTrim(int input, int output) const {
        return Amp().live.mixTrim[kHi][static_cast<size_t>(input)][static_cast<size_t>(output)];
    }
    bool AmpRouted(int input, int output) const {
        return (Amp().live.routing[kHi][static_cast<size_t>(output)] >> input) & 1;
    }
};

TEST_F(MixerWndTest, RowsTitlesAndSizeFollowTheSourcesInputs) {
    const struct {
        int source;
        int inputs;
        const char* lastTitle;
    } cases[] = {{0, 0, nullptr}, {2, 2, "Bluetooth R"}, {kHighLevel, 4, "High Level4"}};
    for (const auto& c : cases) {
        auto w = Open(c.source);
        EXPECT_EQ(w->Inputs(), c.inputs);
        for (int input = 0; input < CMixerWnd::kRows; ++input) {
            const bool row = input < c.inputs;
            EXPECT_EQ(Shown(*w, Name("box", 0, input)), row) << c.source << " " << input;
            EXPECT_EQ(Shown(*w, QStringLiteral("title_label_%1").arg(input)), row);
            EXPECT_EQ(Shown(*w, Name("box_grap", 5, input)), input < c.inputs - 1);
        }
        EXPECT_FALSE(Shown(*w, QStringLiteral("column_6")));
        EXPECT_EQ(Shown(*w, QStringLiteral("no_inputs")), c.inputs == 0);
        if (c.lastTitle != nullptr) {
            EXPECT_EQ(w->Text(QStringLiteral("title_label_%1").arg(c.inputs - 1)), c.lastTitle);
        }
        if (c.inputs == 2) {
            EXPECT_EQ(w->Text("title_label_0"), "Bluetooth L");
        }
        // The layout's height without its six rows of 83, and one row for each input.
        EXPECT_EQ(w->height(), ui::ScaleLength(w->DesignSize().height() - 6 * 83 + 83 * c.inputs,
                                               w->ScalePercent()));
    }
}

TEST_F(MixerWndTest, CheckingACellAtLevelZeroSends100) {
    auto w = Open(kHighLevel);
    EXPECT_FALSE(Checked(*w, Name("box_enable", 0, 1)));
    w->Click(Name("box_enable", 0, 1));
    ASSERT_TRUE(Drain());
    EXPECT_EQ(Cell(1, 0), (MixCell{true, 100}));
    EXPECT_EQ(w->Text(Name("box_edit", 0, 1)), "100");
    EXPECT_EQ(Slider(*w, 0, 1), 100);
    EXPECT_EQ(AmpTrim(1, 0), 100);
    EXPECT_TRUE(AmpRouted(1, 0));
    // The main window's input switch of that output follows.
    EXPECT_TRUE(Checked(W(), QStringLiteral("option_ch_in2_0")));
}

TEST_F(MixerWndTest, CheckingACellWithAStoredLevelSendsNoLevel) {
    auto w = Open(kHighLevel);
    EXPECT_EQ(w->Text(Name("box_edit", 1, 2)), "0");  // not mixed: shown as 0
    rig.amp->ModifyState([](AmpState& s) { s.live.mixTrim[kHi][2][1] = 77; });
    w->Click(Name("box_enable", 1, 2));
    ASSERT_TRUE(Drain());
    EXPECT_EQ(Cell(2, 1), (MixCell{true, 40}));
    EXPECT_EQ(w->Text(Name("box_edit", 1, 2)), "40");
    EXPECT_EQ(AmpTrim(2, 1), 77);  // no level command
    EXPECT_TRUE(AmpRouted(2, 1));
}

TEST_F(MixerWndTest, TypedLevelsAreClampedAndTheEnableFollowsTheLevel) {
    auto w = Open(kHighLevel);
    const struct {
        const char* typed;
        MixCell cell;
        const char* shown;
    } cases[] = {{"250", {true, 100}, "100"},
                 {"35", {true, 35}, "35"},
                 {"abc", {true, 35}, "35"},
                 {"-5", {false, 0}, "0"},
                 {"12", {true, 12}, "12"}};
    for (const auto& c : cases) {
        Type(*w, Name("box_edit", 3, 0), QString::fromLatin1(c.typed));
        ASSERT_TRUE(Drain());
        EXPECT_EQ(Cell(0, 3), c.cell) << c.typed;
        EXPECT_EQ(w->Text(Name("box_edit", 3, 0)), c.shown) << c.typed;
        EXPECT_EQ(Checked(*w, Name("box_enable", 3, 0)), c.cell.enabled) << c.typed;
        EXPECT_EQ(Slider(*w, 3, 0), c.cell.level) << c.typed;
        EXPECT_EQ(AmpTrim(0, 3), c.cell.level) << c.typed;
        EXPECT_EQ(AmpRouted(0, 3), c.cell.enabled) << c.typed;
    }
}

TEST_F(MixerWndTest, SlidingToZeroClearsTheBoxAndTheMaskBit) {
    auto w = Open(kHighLevel);
    ASSERT_TRUE(Checked(*w, Name("box_enable", 2, 0)));
    Slide(*w, Name("box_volume", 2, 0), 0);
    ASSERT_TRUE(Drain());
    EXPECT_EQ(Cell(0, 2), (MixCell{false, 0}));
    EXPECT_FALSE(Checked(*w, Name("box_enable", 2, 0)));
    EXPECT_EQ(w->Text(Name("box_edit", 2, 0)), "0");
    EXPECT_EQ(M().LiveScene().inputs[kHi][2] & 1, 0);
    EXPECT_FALSE(AmpRouted(0, 2));
    EXPECT_EQ(AmpTrim(0, 2), 0);
}

TEST_F(MixerWndTest, ArrowKeysWalkTheEditsAndWrap) {
    auto w = Open(kHighLevel);
    const struct {
        int output, input;
        bool forward;
        const char* next;
    } cases[] = {{0, 0, true, "box_edit_1_0"},  {5, 0, true, "box_edit_0_1"},
                 {5, 3, true, "box_edit_0_0"},  {0, 0, false, "box_edit_5_3"},
                 {0, 2, false, "box_edit_5_1"}, {3, 1, false, "box_edit_2_1"}};
    for (const auto& c : cases) {
        EXPECT_EQ(w->NeighbourEdit(c.output, c.input, c.forward), c.next);
    }
    auto* edit = w->FindControl<QLineEdit>(Name("box_edit", 5, 0));
    edit->setFocus();
    edit->end(false);
    Key(*w, Name("box_edit", 5, 0), Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), w->FindControl(Name("box_edit", 0, 1)));
}

// --- Noise threshold --------------------------------------------------------------------------

class NoiseThresholdWndTest : public test::ToolWindowTest {
  protected:
    // Opens the window from the advanced menu and runs `script` in it.
    void Open(std::function<void(CNoiseThresholdWnd&)> script) {
        answers.Script("msgwnd", [script](ui::WindowImplBase& w) {
            auto* threshold = dynamic_cast<CNoiseThresholdWnd*>(&w);
            ASSERT_NE(threshold, nullptr);
            threshold->show();  // scripted windows are not shown by themselves
            PumpFor(50ms);      // the device's threshold arrives
            script(*threshold);
        });
        ASSERT_TRUE(W().Click(QStringLiteral("btn_advance")));
        ASSERT_TRUE(W().OpenMenu()->ClickItem(QStringLiteral("advance_item_noise_threshold")));
        ASSERT_TRUE(test::PumpUntil([&] { return !answers.Questions().empty(); }));
    }
    int AmpThreshold() const { return Amp().live.inputThreshold; }
};

void HighLevelAtMinus80(AmpState& s) {
    s.live.sourceCode = 0x56;
    s.live.inputThreshold = -80;
    s.inputNoiseTenths = {-720, -655, -803, -590, -500, -500, -500, -500};
}

TEST_F(NoiseThresholdWndTest, StepsAndTypedValuesAreClampedAndOffIsMinus81) {
    Connect(HighLevelAtMinus80);
    const QString off = ui::Tr("${off}");
    Open([&](CNoiseThresholdWnd& w) {
        EXPECT_EQ(w.Text("value_edt"), "-80dBu");  // the device's value, not the model's default
        const struct {
            const char* typed;  // nullptr: a key instead
            Qt::Key key;
            int dbu;
            QString shown;
        } steps[] = {
            {nullptr, Qt::Key_Down, -81, off},      {nullptr, Qt::Key_Down, -81, off},
            {nullptr, Qt::Key_Up, -80, "-80dBu"},   {"-20", Qt::Key_unknown, -40, "-40dBu"},
            {"-100", Qt::Key_unknown, -81, off},    {"-52", Qt::Key_unknown, -52, "-52dBu"},
            {"abc", Qt::Key_unknown, -52, "-52dBu"}};
        for (const auto& s : steps) {
            if (s.typed != nullptr) {
                Type(w, "value_edt", QString::fromLatin1(s.typed));
            } else {
                Key(w, "value_edt", s.key);
            }
            ASSERT_TRUE(Drain());
            EXPECT_EQ(w.Text("value_edt"), s.shown) << (s.typed ? s.typed : "key");
            EXPECT_EQ(M().InputThreshold(), s.dbu);
            EXPECT_EQ(AmpThreshold(), s.dbu);
        }
    });
    // Six changes reached the device; the text without a number sent nothing.
    EXPECT_EQ(Requests(MCMD_DSP, dsp::INPUT_THRESHOLD, OP_SET), 6);
}

TEST_F(NoiseThresholdWndTest, PollsTheInputsOfTheSourceOnlyWhileOpen) {
    Connect(HighLevelAtMinus80);
    Open([&](CNoiseThresholdWnd& w) {
        EXPECT_TRUE(w.Polling());
        PumpFor(std::chrono::milliseconds(CNoiseThresholdWnd::kPollMs * 2 + 200));
        EXPECT_EQ(w.Text("noise_0"), " -72.0");
        EXPECT_EQ(w.Text("noise_3"), " -59.0");
        EXPECT_EQ(w.FindControl<QProgressBar>("progress_1")->value(), -66);
        EXPECT_TRUE(Shown(w, "prg_group_3"));
        EXPECT_FALSE(Shown(w, "prg_group_4"));
        EXPECT_FALSE(Shown(w, "in_4"));
    });
    const int polls = Requests(MCMD_DSP, dsp::INPUT_NOISE, OP_GET);
    EXPECT_GE(polls, 2);
    PumpFor(std::chrono::milliseconds(CNoiseThresholdWnd::kPollMs * 2));
    EXPECT_EQ(Requests(MCMD_DSP, dsp::INPUT_NOISE, OP_GET), polls);
}

TEST_F(NoiseThresholdWndTest, NothingIsPolledWhenTheDeviceIsClosedAtOpening) {
    Connect(HighLevelAtMinus80);
    M().Disconnect();
    PumpFor(50ms);
    rig.amp->ClearRequestLog();
    CNoiseThresholdWnd w(&W(), M());
    w.Create();
    w.show();
    PumpFor(std::chrono::milliseconds(CNoiseThresholdWnd::kPollMs * 2 + 100));
    EXPECT_FALSE(w.Polling());
    EXPECT_EQ(Requests(MCMD_DSP, dsp::INPUT_NOISE, OP_GET), 0);
}

// --- Memory access ----------------------------------------------------------------------------

class MemWrWndTest : public test::ToolWindowTest {
  protected:
    void SetUp() override {
        Connect([](AmpState& s) { s.memory[10] = 0xABCD; });
    }
    std::unique_ptr<CMemWrWnd> Open() {
        auto window = std::make_unique<CMemWrWnd>(&W(), M().Link(), rig.settings);
        window->Create();
        window->show();
        return window;
    }
    static void Enter(CMemWrWnd& w, const char* address, const char* data) {
        w.FindControl<QLineEdit>("addr_edit")->setText(QString::fromLatin1(address));
        w.FindControl<QLineEdit>("data_edit")->setText(QString::fromLatin1(data));
    }
};

TEST_F(MemWrWndTest, WriteStoresTheWordAndRemembersBothValues) {
    auto w = Open();
    Enter(*w, "0x2000", "1");
    w->Click("write_btn");
    ASSERT_TRUE(Drain());
    EXPECT_EQ(Amp().memory[0x2000], 1u);
    EXPECT_EQ(rig.settings.ReadInt("mem_addr"), 8192);
    EXPECT_EQ(rig.settings.ReadInt("mem_data"), 1);
    EXPECT_EQ(w->Text("addr_edit"), "0x00002000");
    EXPECT_EQ(w->Text("data_edit"), "0x00000001");
}

TEST_F(MemWrWndTest, AnOctalAddressIsReadAndTheAnswerIsRememberedForTheNextOpening) {
    {
        auto w = Open();
        Enter(*w, "012", "");
        w->Click("read_btn");
        PumpFor(30ms);
        EXPECT_EQ(w->Text("addr_edit"), "0x0000000a");
        EXPECT_EQ(w->Text("data_edit"), "0x0000abcd");
    }
    auto again = Open();
    EXPECT_EQ(again->Text("addr_edit"), "0x0000000a");
    EXPECT_EQ(again->Text("data_edit"), "0x0000abcd");
}

TEST_F(MemWrWndTest, ANumberBeyond32BitsIsRefusedNotWrapped) {
    auto w = Open();
    Enter(*w, "0x100000000", "1");
    w->Click("write_btn");
    w->Click("read_btn");
    ASSERT_TRUE(Drain());
    EXPECT_EQ(Requests(MCMD_DSP, dsp::MEM_DATA, OP_SET) + Requests(MCMD_DSP, dsp::MEM_DATA, OP_GET),
              0);
    EXPECT_TRUE(Amp().memory.empty() || Amp().memory.count(0) == 0);
    ASSERT_EQ(answers.Questions().size(), 2u);
    EXPECT_EQ(answers.Questions()[0].text, ui::Tr("${mem_too_large}"));
    EXPECT_EQ(w->Text("addr_edit"), "0x100000000");  // left for the user to correct
}

// --- About and the main window's items ----------------------------------------------------------

class MainItemsTest : public test::ToolWindowTest {};

TEST_F(MainItemsTest, AboutShowsTheDeviceAndApplicationVersions) {
    test::EnsureQtApp();
    const struct {
        DeviceIdentity device;
        QString firmware;
    } cases[] = {{{-1, -1, -1}, "Tarvik7"}, {{72, 16, 3}, "Tarvik7 Firmware v16.3"}};
    for (const auto& c : cases) {
        CAboutWnd about(nullptr, c.device);
        about.Create();
        EXPECT_EQ(about.Text("fw_version"), c.firmware);
        EXPECT_EQ(about.Text("soft_version"), "Software version v" KORVEL_VERSION);
        EXPECT_FALSE(Shown(about, "company_title"));
        EXPECT_FALSE(Shown(about, "inner_fw_version"));  // no images embedded in this build
    }
}

TEST_F(MainItemsTest, MenuItemsAndTheDebugButtonOpenTheirWindows) {
    Connect([](AmpState& s) { s.live.sourceCode = 0x53; });  // Bluetooth
    answers.Script("msgwnd", [](ui::WindowImplBase& w) {
        EXPECT_EQ(w.Text("fw_version"), "Tarvik7 Firmware v16.25");
    });
    answers.Script("mixerwnd", [](ui::WindowImplBase& w) {
        EXPECT_EQ(static_cast<CMixerWnd&>(w).Source(), 2);
    });
    answers.Script("memwrwnd", [](ui::WindowImplBase& w) { EXPECT_TRUE(Shown(w, "read_btn")); });
    const char* items[][2] = {{"btn_option", "option_item_about"},
                              {"btn_advance", "advance_item_mixer"}};
    for (const auto& [button, item] : items) {
        ASSERT_TRUE(W().Click(QString::fromLatin1(button)));
        ASSERT_TRUE(W().OpenMenu()->ClickItem(QString::fromLatin1(item))) << item;
        PumpFor(30ms);
    }
    W().SendNotify(W().FindControl("btn_debug"), ui::notify::kClick);
    EXPECT_EQ(answers.PendingAnswers(), 0);
    ASSERT_EQ(answers.Questions().size(), 3u);
}

}  // namespace
}  // namespace korvel
