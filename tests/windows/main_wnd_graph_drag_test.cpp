// Mouse drags on the main window's equaliser graph: the band handles in both presentations, the
// Q handles and the crossover markers. Each drag is checked in the graph, the parameter model,
// the band controls and the virtual amplifier once the command queue has drained.

#include <gtest/gtest.h>

#include "common/qt_test_app.h"
#include "main_wnd_tuning_support.h"
#include "uiframework/modal_answerer.h"

namespace korvel {
namespace {

using test::DeviceGain;
using test::DeviceQ;

constexpr int kBand = 10;  // 200 Hz, flat in the tuned state

// The tuned car with channel 0's bands flat, so the crossover markers lie clear of them.
void FlatBandsOnChannel0(AmpState& s) {
    test::ApplyTunedState(s);
    for (AmpBand& band : s.live.channels[0].bands) {
        band.gainTenthsPlus18 = 180;
    }
}

class GraphDragTest : public ::testing::Test {
  protected:
    void Start(bool parametric, const std::function<void(AmpState&)>& state = FlatBandsOnChannel0) {
        rig.amp->ModifyState(state);
        rig.window->Create();
        rig.window->ShowWindow();
        ASSERT_TRUE(rig.ConnectAndSettle());
        if (parametric) {
            answers.Reply(QStringLiteral("msgwnd"), 1);
            ASSERT_TRUE(ui.Click(QStringLiteral("btn_arg_eq")));
        }
        ASSERT_EQ(rig.window->ParametricMode(), parametric);
        ASSERT_TRUE(ui.Graph().LayoutValid());
        rig.amp->ClearRequestLog();
    }
    const EqBand& ModelBand(int band) {
        return rig.window->Controller().LiveScene().eqStore[0][static_cast<size_t>(band)];
    }
    const CrossoverSettings& ModelCrossover() {
        return rig.window->Controller().LiveScene().channels[0].crossover;
    }
    AmpChannel Device() { return rig.amp->State().live.channels[0]; }

    // The model, the band row, the graph and the device all hold the same band.
    void ExpectBandEverywhere(int band) {
        const EqBand& m = ModelBand(band);
        const EqBand g = ui.Graph().Band(band);
        EXPECT_EQ(g.freq, m.freq);
        EXPECT_NEAR(g.eqGain, m.eqGain, 0.001f);
        EXPECT_NEAR(g.eqFactor, m.eqFactor, 0.001f);
        EXPECT_EQ(ui.Text(QStringLiteral("eq_freq_%1").arg(band)), QString::number(m.freq));
        EXPECT_EQ(ui.Text(QStringLiteral("eq_gain_%1").arg(band)),
                  QString::number(static_cast<double>(m.eqGain), 'f', 1));
        const AmpBand d = Device().bands[static_cast<size_t>(band)];
        EXPECT_EQ(d.freq, m.freq);
        EXPECT_NEAR(DeviceGain(d), m.eqGain, 0.001f);
        EXPECT_NEAR(DeviceQ(d), m.eqFactor, 0.1f);  // Q travels in tenths
    }

    void TearDown() override { EXPECT_EQ(ui.Failures(), 0); }

    ui::ModalAnswerer answers;
    test::MainWindowRig rig;
    test::TuningDriver ui{*rig.window};
};

TEST_F(GraphDragTest, GraphicModeMovesABandInGainOnly) {
    Start(false);
    const int freq = ModelBand(kBand).freq;
    const QPoint from = ui.Graph().HandleRect(kBand).center();
    ui.Drag(from, from + QPoint(90, -60));
    ASSERT_TRUE(ui.Drain());
    EXPECT_EQ(ModelBand(kBand).freq, freq);
    EXPECT_GT(ModelBand(kBand).eqGain, 1.0f);
    EXPECT_EQ(ui.Graph().HandleRect(kBand).center().x(), from.x());
    EXPECT_EQ(ui.Graph().Capture(), UIEqualizer::kNoCapture);
    ExpectBandEverywhere(kBand);
}

TEST_F(GraphDragTest, ParametricModeMovesABandInFrequencyAndGain) {
    Start(true);
    const int freq = ModelBand(kBand).freq;
    const QPoint from = ui.Graph().HandleRect(kBand).center();
    ui.Drag(from, from + QPoint(90, 60));
    ASSERT_TRUE(ui.Drain());
    EXPECT_GT(ModelBand(kBand).freq, freq);
    EXPECT_LT(ModelBand(kBand).eqGain, -1.0f);
    EXPECT_EQ(ui.Graph().CurrentControlIndex(), kBand);
    ExpectBandEverywhere(kBand);
}

TEST_F(GraphDragTest, DragBeyondTheGraphStaysInRange) {
    Start(true);
    const QPoint from = ui.Graph().HandleRect(kBand).center();
    ui.Drag(from, QPoint(-500, 5000));  // far left and below the graph
    ASSERT_TRUE(ui.Drain());
    EXPECT_EQ(ModelBand(kBand).freq, kMinFrequency);
    EXPECT_FLOAT_EQ(ModelBand(kBand).eqGain, -18.0f);
    ExpectBandEverywhere(kBand);
}

TEST_F(GraphDragTest, QHandleDragWidensTheBand) {
    Start(true);
    // Focusing the band's Q edit selects the band in the graph, which shows its Q handles.
    rig.window->SendNotify(rig.window->FindControl(QStringLiteral("eq_q_10")), "setfocus");
    ASSERT_EQ(ui.Graph().CurrentControlIndex(), kBand);
    const float q = ModelBand(kBand).eqFactor;
    const QPoint from = ui.Graph().QHandleRects()[1].center();
    ui.Drag(from, from + QPoint(60, 0));
    ASSERT_TRUE(ui.Drain());
    EXPECT_LT(ModelBand(kBand).eqFactor, q - 0.5f);
    EXPECT_GE(ModelBand(kBand).eqFactor, 0.5f);
    EXPECT_EQ(ui.Text(QStringLiteral("eq_q_10")),
              QString::number(static_cast<double>(ModelBand(kBand).eqFactor), 'f', 2));
    ExpectBandEverywhere(kBand);
}

TEST_F(GraphDragTest, CrossoverMarkersCannotCross) {
    Start(false);
    const int lp = ModelCrossover().lp.fs;  // 12000 Hz
    ui.Drag(ui.Graph().HpMarkerRect().center(), QPoint(ui.Graph().width() + 50, 0));
    ASSERT_TRUE(ui.Drain());
    const int hp = ModelCrossover().hp.fs;
    EXPECT_LT(hp, lp);
    EXPECT_GT(hp, 5000);
    EXPECT_EQ(ui.Graph().HpFreq(), hp);
    EXPECT_EQ(ui.Text("hp_freq"), QStringLiteral("%1Hz").arg(hp));
    EXPECT_EQ(Device().highPass.freq, hp);

    ui.Drag(ui.Graph().LpMarkerRect().center(), QPoint(-50, 0));
    ASSERT_TRUE(ui.Drain());
    EXPECT_GT(ModelCrossover().lp.fs, hp);
    EXPECT_EQ(ModelCrossover().hp.fs, hp);
    EXPECT_EQ(ui.Graph().LpFreq(), ModelCrossover().lp.fs);
    EXPECT_EQ(Device().lowPass.freq, ModelCrossover().lp.fs);
    EXPECT_EQ(Device().highPass.freq, hp);
}

// The drag never waits for the device: with a slow device the model and the graph hold the final
// band as soon as the drag ends, while the commands are still on their way; the device ends up
// with the final values.
TEST_F(GraphDragTest, SlowDeviceDoesNotHoldTheDragBack) {
    Start(true);
    rig.amp->SetReportDelay(std::chrono::milliseconds(100));
    const QPoint from = ui.Graph().HandleRect(kBand).center();
    ui.Drag(from, from + QPoint(60, -50), 10);
    EXPECT_LT(rig.amp->RequestLog().size(), 4u);  // most of the commands are still queued
    EXPECT_GT(ModelBand(kBand).eqGain, 1.0f);
    EXPECT_EQ(ui.Graph().Band(kBand).freq, ModelBand(kBand).freq);
    EXPECT_EQ(ui.Text(QStringLiteral("eq_freq_10")), QString::number(ModelBand(kBand).freq));
    ASSERT_TRUE(ui.Drain());
    EXPECT_GE(rig.amp->RequestLog().size(), 10u);
    ExpectBandEverywhere(kBand);
}

TEST_F(GraphDragTest, HoveringABandSelectsItWithoutACommand) {
    Start(true, test::ApplyTunedState);
    const EqBand before = ModelBand(14);
    ui.Hover(ui.Graph().HandleRect(14).center());
    EXPECT_EQ(ui.Graph().CurrentControlIndex(), 14);
    EXPECT_EQ(ui.Graph().Text(), QStringLiteral("14"));
    ASSERT_TRUE(ui.Drain());
    EXPECT_TRUE(rig.amp->RequestLog().empty());
    EXPECT_EQ(ModelBand(14).freq, before.freq);
    EXPECT_FLOAT_EQ(ModelBand(14).eqGain, before.eqGain);
}

TEST_F(GraphDragTest, HoverKeepsAValueBeingTypedInThatBandsRow) {
    Start(false);
    rig.window->activateWindow();
    QLineEdit* edit = ui::EditorOf(rig.window->FindControl(QStringLiteral("eq_gain_5")));
    edit->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }, 2000));
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("3.5"));
    // The focus selected band 5 in the graph; passing over band 6 and back selects it again,
    // which refreshes band 5's row.
    ui.Hover(ui.Graph().HandleRect(6).center());
    ui.Hover(ui.Graph().HandleRect(5).center());
    EXPECT_EQ(ui.Graph().CurrentControlIndex(), 5);
    EXPECT_EQ(edit->text(), QStringLiteral("3.5"));
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_TRUE(ui.Drain());
    EXPECT_FLOAT_EQ(ModelBand(5).eqGain, 3.5f);
    ExpectBandEverywhere(5);
}

TEST_F(GraphDragTest, HoveringABandOfABypassedChannelSendsNothing) {
    Start(false, [](AmpState& s) {
        test::ApplyTunedState(s);
        s.live.channels[0].eqBypass = 1;  // shaped bands, shown flat
    });
    ui.Hover(ui.Graph().HandleRect(3).center());
    ASSERT_TRUE(ui.Drain());
    EXPECT_TRUE(rig.amp->RequestLog().empty());
    EXPECT_EQ(rig.window->Controller().LiveScene().channels[0].bypass, 1);
}

}  // namespace
}  // namespace korvel
