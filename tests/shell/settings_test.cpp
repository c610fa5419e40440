// The settings file, the command line of korvel-dsp and the single-instance guard.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "shell/app_settings.h"
#include "shell/application.h"
#include "shell/single_instance.h"

namespace korvel {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

TEST(IniSettingsTest, MissingFileReadsDefaultsAndFirstWriteCreatesIt) {
    QTemporaryDir dir;
    IniSettings settings(dir.filePath(QStringLiteral("korvel.ini")));
    EXPECT_EQ(settings.ReadLan(), 0);
    EXPECT_EQ(settings.ReadInt(QStringLiteral("mem_addr")), 0);
    EXPECT_FALSE(QFileInfo::exists(settings.FilePath()));

    settings.WriteLan(2);
    EXPECT_TRUE(ReadAll(settings.FilePath()).contains("[config]\nlan=2"));
    EXPECT_EQ(IniSettings(settings.FilePath()).ReadLan(), 2);  // a fresh reader sees it
}

TEST(IniSettingsTest, KeysOfTheSectionAreKeptTogether) {
    QTemporaryDir dir;
    IniSettings settings(dir.filePath(QStringLiteral("korvel.ini")));
    settings.WriteInt(QStringLiteral("mem_addr"), 4660);
    settings.WriteInt(QStringLiteral("mem_data"), -7);
    settings.WriteLan(1);
    settings.WriteLan(0);
    EXPECT_EQ(settings.ReadLan(), 0);
    EXPECT_EQ(settings.ReadInt(QStringLiteral("mem_addr")), 4660);
    EXPECT_EQ(settings.ReadInt(QStringLiteral("mem_data")), -7);
}

TEST(IniSettingsTest, HandWrittenValues) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("korvel.ini"));
    const struct {
        QByteArray content;
        int lan;
    } cases[] = {
        {"[config]\nlan=1\n", 1},        {"[config]\nlan = 2 \n", 2},
        {"[config]\nlan=7\n", 7},  // kept: the language selection ignores unknown codes
        {"[config]\nlan=cn\n", 0},       {"[other]\nlan=1\n", 0},
        {"garbage without sections", 0},
    };
    for (const auto& c : cases) {
        WriteAll(path, c.content);
        EXPECT_EQ(IniSettings(path).ReadLan(), c.lan) << c.content.toStdString();
    }
}

TEST(IniSettingsTest, FolderIsCreatedOrTheCurrentDirectoryIsUsed) {
    QTemporaryDir dir;
    const QString nested = dir.filePath(QStringLiteral("config/korvel"));
    EXPECT_EQ(IniSettings::FilePathIn(nested), QDir(nested).filePath(QStringLiteral("korvel.ini")));
    EXPECT_TRUE(QFileInfo(nested).isDir());

    const QString inCurrent = QDir::current().filePath(QStringLiteral("korvel.ini"));
    EXPECT_EQ(IniSettings::FilePathIn(QString()), inCurrent);
    // A folder that cannot be created: below a plain file.
    const QString file = dir.filePath(QStringLiteral("plain"));
    WriteAll(file, "x");
    EXPECT_EQ(IniSettings::FilePathIn(file + QStringLiteral("/korvel")), inCurrent);
}

TEST(IniSettingsTest, DefaultLocationFollowsTheUserConfigurationFolder) {
    QTemporaryDir dir;
    const QByteArray before = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    EXPECT_EQ(IniSettings::DefaultFilePath(), dir.filePath(QStringLiteral("korvel/korvel.ini")));
    qputenv("XDG_CONFIG_HOME", before);
}

struct CommandLineCase {
    QStringList arguments;
    bool valid;
    std::string device;
    QString screenshot;
};

TEST(CommandLineTest, OptionsAndMistakes) {
    const CommandLineCase cases[] = {
        {{}, true, "usb", {}},
        {{"--device", "virtual"}, true, "virtual", {}},
        {{"--device=unix:/tmp/amp.sock"}, true, "unix:/tmp/amp.sock", {}},
        {{"--screenshot", "a.png", "--device", "usb"}, true, "usb", "a.png"},
        {{"--device"}, false, {}, {}},
        {{"--device", "serial"}, false, {}, {}},
        {{"--device", "unix:"}, false, {}, {}},
        {{"--screenshot"}, false, {}, {}},
        {{"--screenshot="}, false, {}, {}},
        {{"--verbose"}, false, {}, {}},
        {{"virtual"}, false, {}, {}},
    };
    for (const CommandLineCase& c : cases) {
        QString error;
        const auto options = ParseCommandLine(c.arguments, &error);
        ASSERT_EQ(options.has_value(), c.valid) << c.arguments.join(' ').toStdString();
        if (options) {
            EXPECT_EQ(options->device, c.device);
            EXPECT_EQ(options->screenshotPath, c.screenshot);
        } else {
            EXPECT_FALSE(error.isEmpty());
        }
    }
}

TEST(SingleInstanceGuardTest, SecondHolderOfTheNameFailsAndTheFirstKeepsIt) {
    QTemporaryDir dir;
    SingleInstanceGuard first(InstanceGuardName(), dir.path());
    ASSERT_TRUE(first.TryAcquire());
    EXPECT_TRUE(first.LockFilePath().endsWith(QStringLiteral("KORVELAMP_Tarvik7.lock")));
    {
        SingleInstanceGuard second(InstanceGuardName(), dir.path());
        EXPECT_FALSE(second.TryAcquire());
        EXPECT_FALSE(second.Acquired());
        SingleInstanceGuard otherModel(InstanceGuardName(QStringLiteral("Tarvik9")), dir.path());
        EXPECT_TRUE(otherModel.TryAcquire());
    }
    EXPECT_TRUE(first.Acquired());
    EXPECT_TRUE(QFileInfo::exists(first.LockFilePath()));  // the failed copy left it alone
    EXPECT_TRUE(first.TryAcquire());
}

TEST(SingleInstanceGuardTest, NameIsFreeAgainWhenTheHolderEnds) {
    QTemporaryDir dir;
    {
        SingleInstanceGuard first(InstanceGuardName(), dir.path());
        ASSERT_TRUE(first.TryAcquire());
    }
    SingleInstanceGuard next(InstanceGuardName(), dir.path());
    EXPECT_TRUE(next.TryAcquire());
}

TEST(SingleInstanceGuardTest, LockOfACrashedProcessIsTakenOver) {
    QTemporaryDir dir;
    const pid_t child = fork();
    if (child == 0) {
        SingleInstanceGuard guard(InstanceGuardName(), dir.path());
        _exit(guard.TryAcquire() ? 0 : 1);  // ends without releasing, like a crash
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    SingleInstanceGuard guard(InstanceGuardName(), dir.path());
    ASSERT_TRUE(QFileInfo::exists(guard.LockFilePath()));
    EXPECT_TRUE(guard.TryAcquire());
}

TEST(SingleInstanceGuardTest, UnusableFolderRunsUnguardedInsteadOfClaimingAnotherCopy) {
    SingleInstanceGuard guard(InstanceGuardName(), QStringLiteral("/dev/null/korvel"));
    EXPECT_TRUE(guard.TryAcquire());
}

TEST(SingleInstanceGuardTest, EnvironmentChoosesTheDefaultDirectory) {
    QTemporaryDir dir;
    qputenv("KORVEL_INSTANCE_DIR", dir.path().toLocal8Bit());
    SingleInstanceGuard guard;
    EXPECT_EQ(QFileInfo(guard.LockFilePath()).absolutePath(),
              QFileInfo(dir.path()).absoluteFilePath());
    qunsetenv("KORVEL_INSTANCE_DIR");
    EXPECT_NE(SingleInstanceGuard::DefaultDirectory(), dir.path());
}

}  // namespace
}  // namespace korvel
