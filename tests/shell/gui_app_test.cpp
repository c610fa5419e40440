// korvel-dsp started as a user or the README's run command starts it, without a display.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "apps/process_runner.h"
#include "korvel_version.h"
#include "link/device_lock.h"
#include "shell/single_instance.h"

namespace korvel {
namespace {

class GuiAppTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("KORVEL_INSTANCE_DIR", dir_.path().toLocal8Bit().constData(), 1);
        setenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit().constData(), 1);
    }
    QTemporaryDir dir_;
};

TEST_F(GuiAppTest, ScreenshotOfTheSynchronisedWindow) {
    const QString png = dir_.filePath(QStringLiteral("main.png"));
    const test::ProcessResult run = test::RunProcess(
        {KORVEL_DSP_PATH, "--device", "virtual", "--screenshot", png.toStdString()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(png.toStdString()), std::string::npos) << run.out;
    QImage image(png);
    ASSERT_FALSE(image.isNull());
    // The offscreen screen (800 x 600) is below 1280 x 720: 77 DPI, 80 per cent of 1230 x 650.
    EXPECT_EQ(image.size(), QSize(984, 520));
}

// Without an amplifier, and with the amplifier held by another program (whose message box
// must not hold the run), the disconnected window is saved and the status says it failed.
TEST_F(GuiAppTest, NoAmplifierGivesTheDisconnectedWindow) {
    const std::string socket = dir_.filePath(QStringLiteral("nobody.sock")).toStdString();
    setenv("KORVEL_SCREENSHOT_TIMEOUT_MS", "15000", 1);
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "held by another program" : "no amplifier");
        std::unique_ptr<DeviceLock> lock;
        if (held) {
            lock = DeviceLock::Acquire("unix:" + socket, nullptr);
            ASSERT_NE(lock, nullptr);
        }
        const QString png =
            dir_.filePath(held ? QStringLiteral("held.png") : QStringLiteral("none.png"));
        const test::ProcessResult run = test::RunProcess(
            {KORVEL_DSP_PATH, "--device", "unix:" + socket, "--screenshot", png.toStdString()});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find("no amplifier answered"), std::string::npos) << run.err;
        EXPECT_NE(run.out.find("disconnected main window"), std::string::npos) << run.out;
        EXPECT_FALSE(QImage(png).isNull());
    }
    unsetenv("KORVEL_SCREENSHOT_TIMEOUT_MS");
}

TEST_F(GuiAppTest, RunningCopyStopsASecondOne) {
    SingleInstanceGuard running(InstanceGuardName(), dir_.path());
    ASSERT_TRUE(running.TryAcquire());
    const QString png = dir_.filePath(QStringLiteral("second.png"));
    const test::ProcessResult run = test::RunProcess(
        {KORVEL_DSP_PATH, "--device", "virtual", "--screenshot", png.toStdString()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("already running"), std::string::npos) << run.err;
    EXPECT_FALSE(QFile::exists(png));
    EXPECT_TRUE(running.Acquired());
}

TEST_F(GuiAppTest, BadCommandLineIsAUsageError) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{KORVEL_DSP_PATH, "--device", "serial"},
          std::vector<std::string>{KORVEL_DSP_PATH, "--bogus"}}) {
        const test::ProcessResult run = test::RunProcess(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find("usage: korvel-dsp"), std::string::npos) << run.err;
    }
}

TEST_F(GuiAppTest, HelpAndVersionNeedNoDisplay) {
    // A platform that does not exist: starting Qt would fail, so these must answer before it.
    setenv("QT_QPA_PLATFORM", "none", 1);
    const test::ProcessResult version = test::RunProcess({KORVEL_DSP_PATH, "--version"});
    EXPECT_EQ(version.exitCode, 0) << version.err;
    EXPECT_EQ(version.out, "korvel-dsp " KORVEL_VERSION "\n");
    const test::ProcessResult help = test::RunProcess({KORVEL_DSP_PATH, "--help"});
    EXPECT_EQ(help.exitCode, 0) << help.err;
    EXPECT_NE(help.out.find("--screenshot FILE.png"), std::string::npos) << help.out;
}

}  // namespace
}  // namespace korvel
