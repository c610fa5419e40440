// Undo and redo through the main window's buttons and keys, drags as single steps, the status
// text, and the filter items of the scene menu; each checked in the controls, the model and the
// virtual amplifier.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include "main_wnd_tuning_support.h"
#include "profiles/profile_file.h"
#include "uiframework/modal_answerer.h"

namespace korvel {
namespace {

class MainWndHistoryTest : public ::testing::Test {
  protected:
    MainWndHistoryTest() { ui::LanguageManager::Instance().Select(ui::kLanguageEnglish); }

    void SetUp() override {
        rig.amp->ModifyState(test::ApplyTunedState);
        rig.window->Create();
        rig.window->ShowWindow();
        ASSERT_TRUE(rig.ConnectAndSettle());
    }
    void TearDown() override {
        EXPECT_EQ(drive.Failures(), 0);
        for (const QString& file : files) {
            QFile::remove(file);
        }
    }

    CMainWnd& W() { return *rig.window; }
    const SceneRecord& Live() { return W().Controller().LiveScene(); }
    AmpScene Device() {
        EXPECT_TRUE(drive.Drain());
        return rig.amp->State().live;
    }
    bool Enabled(const char* name) {
        return W().FindControl(QString::fromLatin1(name))->isEnabled();
    }
    QString TempFile(const QString& name, const QByteArray& content = {}) {
        files << QDir::tempPath() + QStringLiteral("/korvel-history-") + name;
        if (!content.isEmpty()) {
            QFile file(files.back());
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        return files.back();
    }
    // Press, moves and release on a slider's handle, as a mouse would.
    void DragSlider(const QString& name, int dy) {
        auto* slider = W().FindControl<QSlider>(name);
        ASSERT_NE(slider, nullptr);
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = slider->sliderPosition();
        option.sliderValue = slider->value();
        option.upsideDown = slider->orientation() == Qt::Vertical;
        option.subControls = QStyle::SC_SliderHandle;
        const QPoint at =
            slider->style()
                ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
                .center();
        const auto send = [&](QEvent::Type type, QPoint p, Qt::MouseButtons held) {
            QMouseEvent e(type, QPointF(p), slider->mapToGlobal(QPointF(p)), Qt::LeftButton, held,
                          Qt::NoModifier);
            QCoreApplication::sendEvent(slider, &e);
        };
        send(QEvent::MouseButtonPress, at, Qt::LeftButton);
        for (int i = 1; i <= 6; ++i) {
            send(QEvent::MouseMove, at + QPoint(0, dy * i / 6), Qt::LeftButton);
        }
        send(QEvent::MouseButtonRelease, at + QPoint(0, dy), Qt::NoButton);
        test::PumpFor(std::chrono::milliseconds(20));
    }

    ui::ModalAnswerer answers;
    test::MainWindowRig rig;
    test::TuningDriver drive{*rig.window};
    QStringList files;
};

TEST_F(MainWndHistoryTest, ButtonsAndKeysStepBackAndForthInControlsModelAndAmplifier) {
    EXPECT_FALSE(Enabled("btn_undo"));
    EXPECT_FALSE(Enabled("btn_redo"));
    drive.Type(QStringLiteral("edit_ch_volume_2"), QStringLiteral("-20"));
    drive.Type(QStringLiteral("edit_ch_delay_0"), QStringLiteral("2.5"));
    ASSERT_EQ(Device().channels[2].gainHundredths, -2000);
    EXPECT_TRUE(Enabled("btn_undo"));

    ASSERT_TRUE(drive.Click(QStringLiteral("btn_undo")));  // the delay
    EXPECT_EQ(drive.Text("edit_ch_delay_0"), QStringLiteral("0.000 ms"));
    EXPECT_EQ(drive.Text("lbl_status"), QStringLiteral("Edit undone."));
    // Ctrl+Z in an edit nobody is typing into undoes the volume; Ctrl+Y and Ctrl+Shift+Z redo.
    drive.Key(QStringLiteral("edit_ch_volume_2"), Qt::Key_Escape);
    QTest::keyClick(W().FindControl(QStringLiteral("edit_ch_volume_2")), Qt::Key_Z,
                    Qt::ControlModifier);
    EXPECT_EQ(drive.Text("edit_ch_volume_2"), QStringLiteral("-12dB"));
    EXPECT_FLOAT_EQ(Live().channels[2].gain, -12.0f);
    EXPECT_EQ(Device().channels[2].gainHundredths, -1200);
    EXPECT_FALSE(Enabled("btn_undo"));
    QTest::keyClick(&W(), Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(&W(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(drive.Text("edit_ch_volume_2"), QStringLiteral("-20dB"));
    EXPECT_EQ(drive.Text("edit_ch_delay_0"), QStringLiteral("2.500 ms"));
    EXPECT_EQ(Device().channels[0].delayMicroseconds, 2500u);
    EXPECT_FALSE(Enabled("btn_redo"));
    // The same in a band value, whose edit is made when it first takes the focus.
    W().activateWindow();
    QWidget* band = W().FindControl(QStringLiteral("eq_gain_3"));
    band->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ui::EditorOf(band)->hasFocus(); }, 2000));
    drive.Type(QStringLiteral("eq_gain_3"), QStringLiteral("2.5"));
    QTest::keyClick(ui::EditorOf(band), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(drive.Text("eq_gain_3"), QStringLiteral("0.0"));
    QTest::keyClick(&W(), Qt::Key_Y, Qt::ControlModifier);

    ASSERT_TRUE(drive.Click(QStringLiteral("ch_synchronize_4")));
    ASSERT_TRUE(drive.Checked(QStringLiteral("ch_synchronize_4")));
    ASSERT_TRUE(drive.Click(QStringLiteral("btn_undo")));
    EXPECT_FALSE(drive.Checked(QStringLiteral("ch_synchronize_4")));
    EXPECT_TRUE(Enabled("btn_link_output"));
}

TEST_F(MainWndHistoryTest, AGraphOrSliderDragIsOneStep) {
    const EqBand band5 = Live().eqStore[0][5];
    const EqBand band9 = Live().eqStore[0][9];  // 3.5 dB
    const QPoint from = drive.Graph().HandleRect(5).center();
    drive.Drag(from, from + QPoint(0, -40));
    DragSlider(QStringLiteral("eq_slider_9"), 30);
    ASSERT_NE(Live().eqStore[0][5].eqGain, band5.eqGain);
    ASSERT_LT(Live().eqStore[0][9].eqGain, band9.eqGain - 1.0f);

    W().UndoEdit();
    EXPECT_EQ(Live().eqStore[0][9].eqGain, band9.eqGain);
    EXPECT_EQ(drive.Text("eq_gain_9"), QStringLiteral("3.5"));
    EXPECT_EQ(Device().channels[0].bands[9].gainTenthsPlus18, 215);
    W().UndoEdit();
    EXPECT_EQ(Live().eqStore[0][5].eqGain, band5.eqGain);
    EXPECT_EQ(Device().channels[0].bands[5].gainTenthsPlus18, 180);
    EXPECT_FALSE(W().Controller().CanUndo()) << "two drags, two steps";
}

TEST_F(MainWndHistoryTest, ReconnectClearsTheHistoryAndSaysSo) {
    drive.Type(QStringLiteral("edit_ch_volume_1"), QStringLiteral("-30"));
    ASSERT_TRUE(Enabled("btn_undo"));
    W().Controller().Disconnect();
    ASSERT_TRUE(rig.ConnectAndSettle());
    EXPECT_FALSE(Enabled("btn_undo"));
    EXPECT_EQ(drive.Text("lbl_status"),
              QStringLiteral("Undo history cleared: the amplifier was connected again."));
}

TEST_F(MainWndHistoryTest, FilterItemsImportThroughTheBandEditAndExport) {
    const QString filters = TempFile(
        QStringLiteral("in.txt"),
        "Filter 1: ON PK Fc 63 Hz Gain -4.5 dB Q 2.10\nFilter 2: ON HS Fc 8000 Hz Gain 3 dB\n"
        "Filter 3: ON PK Fc 1000 Hz Gain 0.5 dB Q 1.41\n");
    const QString exported = TempFile(QStringLiteral("out.txt"));
    QString chosen = filters;
    W().SetFilterFileChooser([&](bool) { return chosen; });
    answers.Reply(QStringLiteral("msgwnd"), 1);  // "Import the first 31 peaking filters"
    answers.Reply(QStringLiteral("msgwnd"), 1);  // the report
    ASSERT_TRUE(drive.Click(QStringLiteral("ch_enable_3")));
    ASSERT_TRUE(drive.Click(QStringLiteral("btn_scene")));
    ASSERT_TRUE(W().OpenMenu()->ClickItem(QStringLiteral("scene_item_import_filters")));
    test::PumpFor(std::chrono::milliseconds(50));
    ASSERT_EQ(answers.Questions().size(), 2u);
    EXPECT_TRUE(answers.Questions()[0].text.contains(QStringLiteral("Line 2: HS is not a peaking")))
        << answers.Questions()[0].text.toStdString();

    EXPECT_EQ(drive.Text("eq_freq_0"), QStringLiteral("63"));
    EXPECT_EQ(drive.Text("eq_gain_1"), QStringLiteral("0.5"));
    EXPECT_EQ(Live().channels[3].bypass, 0) << "gentle filters keep the equaliser in effect";
    const AmpScene device = Device();
    EXPECT_EQ(device.channels[3].bands[0].gainTenthsPlus18, 135);
    EXPECT_EQ(device.channels[3].bands[1].freq, 1000);
    EXPECT_EQ(device.channels[3].eqBypass, 0);

    chosen = exported;
    answers.Reply(QStringLiteral("msgwnd"), 1);
    ASSERT_TRUE(drive.Click(QStringLiteral("btn_scene")));
    ASSERT_TRUE(W().OpenMenu()->ClickItem(QStringLiteral("scene_item_export_filters")));
    test::PumpFor(std::chrono::milliseconds(50));
    QFile out(exported);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_TRUE(
        out.readAll().contains("\nFilter 1: ON PK Fc 63 Hz Gain -4.5 dB Q 2.10\n"
                               "Filter 2: ON PK Fc 1000 Hz Gain 0.5 dB Q 1.41\n"));

    W().UndoEdit();  // the whole import is one step
    EXPECT_EQ(Live().eqStore[3][0].freq, 20);
    EXPECT_EQ(Device().channels[3].bands[0].gainTenthsPlus18, 180);
    EXPECT_FALSE(W().Controller().CanUndo());
}

TEST_F(MainWndHistoryTest, SceneProfileLoadEndsWithTheNumberOfChangedValues) {
    SceneRecord scene = Live();
    scene.channels[4].delay = 3.0f;
    const QString file = TempFile(QStringLiteral("load.spf"));
    ASSERT_TRUE(WriteProfileFile(scene, file.toStdString()).ok());
    ASSERT_TRUE(W().Controller().LoadSenceConfigFromFile(file.toStdString()));
    ASSERT_TRUE(rig.Settle());
    ASSERT_FALSE(answers.Questions().empty());
    EXPECT_EQ(answers.Questions().back().text,
              QStringLiteral("Profile loaded. Values changed on the amplifier: 1"));
    EXPECT_EQ(W().LoadingWindow(), nullptr);
}

}  // namespace
}  // namespace korvel
