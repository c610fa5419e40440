// The shell around a real main window on the offscreen platform: scale from the screens and its
// re-application in place, the second-instance box, USB events and a device that goes away.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <thread>

#include "common/qt_test_app.h"
#include "shell/application.h"
#include "uiframework/framework.h"
#include "uiframework/language.h"
#include "uiframework/modal_answerer.h"
#include "virtualamp/socket_server.h"
#include "windows/main_wnd.h"
#include "windows/msg_wnd.h"

namespace korvel {
namespace {

using namespace std::chrono_literals;
using test::PumpUntil;

// Two screens side by side; the wider one (2560 x 1440) decides: 192 DPI, 200 per cent.
QApplication& App() {
    static QTemporaryDir dir;
    static bool configured = false;
    if (!configured) {
        configured = true;
        const QString config = dir.filePath(QStringLiteral("screens.json"));
        QFile file(config);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(R"({"screens": [
                {"name": "laptop", "x": 0, "y": 0, "width": 1366, "height": 768,
                 "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
                {"name": "monitor", "x": 1366, "y": 0, "width": 2560, "height": 1440,
                 "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        }
        file.close();
        qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    }
    return test::EnsureQtApp();
}

class ShellWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { App(); }

    ShellOptions Options(std::string device = "virtual") {
        ShellOptions options;
        options.device = std::move(device);
        options.instanceDirectory = dir_.path();
        options.settingsPath = dir_.filePath(QStringLiteral("korvel.ini"));
        options.watchUsb = false;
        return options;
    }

    static bool Connected(ApplicationShell& shell) {
        const EqualizerManager& c = shell.MainWindow()->Controller();
        return c.State() == ConnectState::kConnected && !c.Busy();
    }

    QTemporaryDir dir_;
    ui::ModalAnswerer answers_;  // every box is answered with its default
};

TEST_F(ShellWindowTest, ScaleFromTheWidestScreenAndReappliedInPlace) {
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    ApplicationShell shell(Options());
    ASSERT_TRUE(shell.Start(nullptr));
    CMainWnd* window = shell.MainWindow();
    ui::UiFramework& framework = ui::UiFramework::Instance();
    EXPECT_EQ(framework.Dpi(), 192);
    EXPECT_EQ(window->size(), QSize(2460, 1300));
    const QRect monitor = QGuiApplication::screens()[1]->geometry();
    EXPECT_EQ(window->geometry().center(), monitor.center());

    // A display change picks another scale: the same window follows without a restart.
    framework.SetDpi(96);
    EXPECT_EQ(window->size(), QSize(1230, 650));
    EXPECT_EQ(window->ScalePercent(), 100);
    EXPECT_EQ(window->geometry().center(), monitor.center());
    // Any screen event runs the rule again over the screens as they are now.
    emit qApp->screenAdded(QGuiApplication::screens()[0]);
    EXPECT_EQ(framework.Dpi(), 192);
    EXPECT_EQ(window->size(), QSize(2460, 1300));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(shell.MainWindow(), window);
}

TEST_F(ShellWindowTest, SecondInstanceIsToldAndTheFirstRunsOn) {
    ApplicationShell first(Options());
    ASSERT_TRUE(first.Start(nullptr));
    // The window is painted first; the amplifier is contacted from the event loop after it.
    EXPECT_FALSE(first.MainWindow()->Controller().Link().IsOpen());
    ASSERT_TRUE(PumpUntil([&] { return Connected(first); }));

    ApplicationShell second(Options());
    QString error;
    EXPECT_FALSE(second.Start(&error));
    ASSERT_EQ(answers_.Questions().size(), 1u);
    const ui::ModalQuestion& box = answers_.Questions()[0];
    EXPECT_EQ(box.window, QStringLiteral("msgwnd"));
    EXPECT_EQ(box.title, ui::Tr(QStringLiteral("${tips}")));
    EXPECT_EQ(box.text, ui::Tr(QStringLiteral("${mutex_tips}")));
    EXPECT_EQ(box.buttons, QStringList{ui::Tr(QStringLiteral("${confirm}"))});
    EXPECT_FALSE(second.MainWindow()->Controller().Link().IsOpen());  // never connected

    EXPECT_TRUE(first.Guard().Acquired());
    EXPECT_TRUE(first.MainWindow()->isVisible());
    EXPECT_TRUE(Connected(first));
}

TEST_F(ShellWindowTest, OnlyTipsBoxesAreClosedForUsbEvents) {
    CMsgWnd tips(nullptr);
    tips.Create();
    tips.SetMessage(QStringLiteral("${tips}"), QStringLiteral("${device_connect_fail}"));
    tips.ShowWindow();
    CMsgWnd other(nullptr);
    other.Create();
    other.SetMessage(QStringLiteral("Question"), QStringLiteral("text"));
    other.ShowWindow();

    EXPECT_EQ(ApplicationShell::CloseTipsMessageBoxes(), 1);
    EXPECT_TRUE(tips.IsClosed());
    EXPECT_FALSE(tips.isVisible());
    EXPECT_FALSE(other.IsClosed());
    EXPECT_EQ(ApplicationShell::CloseTipsMessageBoxes(), 0);
    other.Close(0);
}

TEST_F(ShellWindowTest, UsbEventsOfTheAmplifierPlugOutAndIn) {
    ApplicationShell shell(Options());
    ASSERT_TRUE(shell.Start(nullptr));
    ASSERT_TRUE(PumpUntil([&] { return Connected(shell); }));
    EqualizerManager& controller = shell.MainWindow()->Controller();
    UsbDeviceWatcher& usb = shell.UsbWatcher();
    const UdevDeviceFacts amp = {{"/devices/x/0003:0483:5750.0001/hidraw/hidraw0", {}}};
    const UdevDeviceFacts mouse = {{"/devices/x/0003:046D:C077.0002/hidraw/hidraw1", {}}};

    usb.HandleEvent("remove", mouse);
    EXPECT_TRUE(controller.Link().IsOpen());

    usb.HandleEvent("remove", amp);
    EXPECT_FALSE(controller.Link().IsOpen());
    EXPECT_EQ(controller.State(), ConnectState::kDisconnected);

    usb.HandleEvent("add", mouse);
    EXPECT_FALSE(controller.Link().IsOpen());
    usb.HandleEvent("add", amp);
    EXPECT_TRUE(PumpUntil([&] { return Connected(shell); }));
}

TEST_F(ShellWindowTest, DeviceClosingItsEndCountsAsRemoval) {
    auto amp = std::make_shared<VirtualAmplifier>();
    AmpSocketServer server(amp);
    const std::string socket = dir_.filePath(QStringLiteral("amp.sock")).toStdString();
    std::string error;
    ASSERT_TRUE(server.Listen(socket, &error)) << error;
    std::thread serving([&] { server.Serve(); });

    ApplicationShell shell(Options("unix:" + socket));
    ASSERT_TRUE(shell.Start(nullptr));
    ASSERT_TRUE(PumpUntil([&] { return Connected(shell); }));
    EqualizerManager& controller = shell.MainWindow()->Controller();

    server.Stop();  // the amplifier's end of the connection closes
    serving.join();
    // The link learns of it with its next exchange, here a volume change.
    controller.Link().Main_Volume_Ctrl(-20.0f, true);
    EXPECT_TRUE(controller.Link().DeviceGone());
    EXPECT_TRUE(PumpUntil([&] { return controller.State() == ConnectState::kDisconnected; }, 5s));
    EXPECT_FALSE(controller.Link().DeviceGone());  // the handle was released
}

}  // namespace
}  // namespace korvel
