// pull, push and scene against korvel-virtual-amp: files written by pull load back into the
// amplifier through push and come out the same, and scene commands change the amplifier.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "apps/process_runner.h"
#include "link/device_lock.h"

namespace korvel::test {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class CliSync : public ::testing::Test {
  protected:
    void SetUp() override {
        amp_ = std::make_unique<BackgroundProcess>(std::vector<std::string>{
            KORVEL_AMP_PATH, "--listen", socket_, "--report-delay-ms", "0"});
        ASSERT_TRUE(WaitForSocket(socket_));
    }
    void TearDown() override {
        amp_.reset();
        for (const auto& file : files_)
            unlink(file.c_str());
        unlink(socket_.c_str());
    }
    ProcessResult Cli(std::vector<std::string> args, const std::string& input = "") {
        args.insert(args.begin(), {KORVEL_CLI_PATH, "--device", "unix:" + socket_});
        return RunProcess(args, input);
    }
    std::string TempFile(const std::string& name) {
        files_.push_back("/tmp/korvel-" + std::to_string(getpid()) + "-" + name);
        return files_.back();
    }

    std::string socket_ = TempSocketPath("sync");
    std::unique_ptr<BackgroundProcess> amp_;
    std::vector<std::string> files_;
};

TEST_F(CliSync, SceneProfileRoundTripThroughTheAmplifier) {
    // Tune the amplifier with raw commands: main volume -10 dB, channel 2 delay 1.25 ms.
    ASSERT_EQ(Cli({"raw", "1", "0x02", "0xBB", "16"}).exitCode, 0);
    ASSERT_EQ(Cli({"raw", "1", "0x07", "0xBB", "0", "0", "2", "2", "1", "0", "250"}).exitCode, 0);
    const std::string first = TempFile("first.spf");
    const std::string second = TempFile("second.spf");
    ProcessResult pulled = Cli({"pull", first});
    ASSERT_EQ(pulled.exitCode, 0) << pulled.err;
    // The progress bar's total is the request count of the initial synchronisation.
    EXPECT_NE(pulled.err.find("pull: 71 reports"), std::string::npos) << pulled.err;
    EXPECT_NE(ReadFile(first).find("\"delay\":1.25"), std::string::npos);

    ASSERT_EQ(Cli({"factory-reset", "--yes"}).exitCode, 0);
    ProcessResult pushed = Cli({"push", first});
    ASSERT_EQ(pushed.exitCode, 0) << pushed.err;
    ASSERT_EQ(Cli({"pull", second}).exitCode, 0);
    EXPECT_EQ(ReadFile(first), ReadFile(second));
}

TEST_F(CliSync, ScenesAreSavedListedLoadedAndDeleted) {
    ASSERT_EQ(Cli({"scene", "save", "4", "Front stage"}).exitCode, 0);
    ProcessResult list = Cli({"scene", "list"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find(" 4  stored Front stage"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find(" 5  empty"), std::string::npos) << list.out;
    EXPECT_EQ(Cli({"scene", "load", "4"}).exitCode, 0);
    ASSERT_EQ(Cli({"scene", "delete", "4"}).exitCode, 0);
    EXPECT_NE(Cli({"scene", "list"}).out.find(" 4  empty"), std::string::npos);
}

TEST_F(CliSync, FactoryResetNeedsConfirmation) {
    ASSERT_EQ(Cli({"scene", "save", "2", "Keep"}).exitCode, 0);
    EXPECT_EQ(Cli({"factory-reset"}, "n\n").exitCode, 2);
    EXPECT_NE(Cli({"scene", "list"}).out.find(" 2  stored Keep"), std::string::npos);
    EXPECT_EQ(Cli({"factory-reset"}, "y\n").exitCode, 0);
    EXPECT_NE(Cli({"scene", "list"}).out.find(" 2  empty"), std::string::npos);
}

TEST_F(CliSync, ABadProfileNeverReachesTheAmplifier) {
    const std::string bad = TempFile("bad.spf");
    std::ofstream(bad) << "{\"model\":72,\"channels\":[]}";
    ProcessResult r = Cli({"push", bad});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find(bad), std::string::npos) << r.err;
    EXPECT_EQ(Cli({"push", TempFile("missing.spf")}).exitCode, 2);
    EXPECT_EQ(Cli({"pull", TempFile("profile.txt")}).exitCode, 2);
}

// A write that fails half-way (a file size limit stands in for a full disk) leaves the previous
// backup whole and no temporary file behind.
TEST_F(CliSync, AFailedWriteLeavesThePreviousBackup) {
    const std::string file = TempFile("limited.spf");
    std::ofstream(file) << "previous backup";
    ProcessResult r = RunProcess({"/bin/sh", "-c",
                                  std::string("ulimit -f 4; exec ") + KORVEL_CLI_PATH +
                                      " --device unix:" + socket_ + " pull " + file});
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("could not be written"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(file), "previous backup");
    const std::string name = std::filesystem::path(file).filename().string();
    for (const auto& entry : std::filesystem::directory_iterator("/tmp")) {
        EXPECT_NE(entry.path().filename().string().rfind("." + name, 0), 0u) << entry.path();
    }
}

// A second program on the same amplifier stops at once and says who has it.
TEST_F(CliSync, ASecondProgramIsToldWhoHasTheAmplifier) {
    auto held = DeviceLock::Acquire("unix:" + socket_, nullptr);
    ASSERT_NE(held, nullptr);
    ProcessResult r = Cli({"info"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("the amplifier is in use by"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("(pid " + std::to_string(getpid()) + ")"), std::string::npos) << r.err;
    held.reset();
    EXPECT_EQ(Cli({"info"}).exitCode, 0);
}

TEST(CliSyncFailures, NoAmplifierIsStatusOne) {
    ProcessResult r = RunProcess({KORVEL_CLI_PATH, "--device", "unix:/nonexistent/amp.sock", "pull",
                                  "/tmp/korvel-never-written.spf"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(access("/tmp/korvel-never-written.spf", F_OK), 0);
}

}  // namespace
}  // namespace korvel::test
