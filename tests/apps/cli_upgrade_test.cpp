// korvel-cli upgrade as a user runs it: the file is checked before the amplifier is touched, an
// amplifier in its loader is recovered, one in normal mode is backed up first, and failures end
// with exit status 1.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "apps/process_runner.h"
#include "common/firmware_images.h"

namespace korvel::test {
namespace {

using korvel::testing::PatternBody;
using korvel::testing::ScratchDir;
using korvel::testing::SingleImage;

ProcessResult Cli(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), KORVEL_CLI_PATH);
    return RunProcess(args, input);
}

int LineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

TEST(CliUpgrade, ABadFileIsReportedBeforeAnyDeviceIsContacted) {
    ScratchDir dir;
    auto damaged = SingleImage(2, PatternBody(200));
    damaged[20] ^= 0x10;
    const std::string files[] = {
        dir.Write("firmware.bin", SingleImage(2, PatternBody(200))),
        dir.Write("T_FLASH_UPG.bin", damaged),
        dir.Write("T_MCU_UPG.bin", SingleImage(1, PatternBody(200), {}, 73)),
        dir.Path("missing_MCU_UPG.bin"),
    };
    for (const std::string& file : files) {
        // The socket does not exist: reaching for the device would give exit status 1.
        ProcessResult r = Cli({"--device", "unix:/nonexistent/amp.sock", "upgrade", file, "--yes"});
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_EQ(LineCount(r.err), 1) << r.err;
        EXPECT_NE(r.err.find(file + ": "), std::string::npos) << r.err;
    }
}

class CliUpgradeOverSocket : public ::testing::Test {
  protected:
    std::string socket_ = TempSocketPath("upgrade");
    ScratchDir dir_;
    void TearDown() override { unlink(socket_.c_str()); }

    std::vector<std::string> Amp(std::vector<std::string> extra) const {
        std::vector<std::string> argv = {
            KORVEL_AMP_PATH, "--listen", socket_, "--report-delay-ms", "0", "--restart-ms", "0"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        return argv;
    }
    std::string Device() const { return "unix:" + socket_; }
};

TEST_F(CliUpgradeOverSocket, AnAmplifierInItsLoaderIsRecoveredAndRestartsNormally) {
    BackgroundProcess amp(Amp({"--loader"}));
    ASSERT_TRUE(WaitForSocket(socket_));
    const std::string image = dir_.Write("T_FLASH_UPG.bin", SingleImage(2, PatternBody(5000)));
    ProcessResult r = Cli({"--device", Device(), "upgrade", image, "--yes"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("recovering"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("flash image, 5000 bytes"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("upgraded"), std::string::npos) << r.out;
    ProcessResult info = Cli({"--device", Device(), "info"});
    EXPECT_NE(info.out.find("mode: normal"), std::string::npos) << info.out << info.err;
}

TEST_F(CliUpgradeOverSocket, FailuresEndWithStatusOneAndTheirMeaning) {
    const std::string image = dir_.Write("T_MCU_UPG.bin", SingleImage(1, PatternBody(500)));
    const struct {
        std::vector<std::string> ampOptions;
        const char* meaning;
    } cases[] = {
        {{"--loader", "--refuse-upgrade"}, "refused to start the transfer (result 4)"},
        {{"--loader", "--unplug-at-block", "3"}, "result 255"},
    };
    for (const auto& c : cases) {
        BackgroundProcess amp(Amp(c.ampOptions));
        ASSERT_TRUE(WaitForSocket(socket_));
        ProcessResult r = Cli({"--device", Device(), "upgrade", image, "--yes"});
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_NE(r.err.find(c.meaning), std::string::npos) << r.err;
    }
}

TEST(CliUpgrade, ANormalAmplifierIsBackedUpFirstUnlessDeclined) {
    ScratchDir dir;
    const std::string image = dir.Write("T_BL_UPG.bin", SingleImage(1, PatternBody(300)));
    const std::string backup = dir.Path("before.wpf");
    ProcessResult declined =
        Cli({"--device", "virtual", "upgrade", image, "--backup", backup}, "n\n");
    EXPECT_EQ(declined.exitCode, 2) << declined.err;
    EXPECT_FALSE(Exists(backup));

    ProcessResult r = Cli({"--device", "virtual", "upgrade", image, "--backup", backup}, "y\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Exists(backup));
    EXPECT_NE(r.err.find("backup of the amplifier saved to " + backup), std::string::npos) << r.err;
}

}  // namespace
}  // namespace korvel::test
