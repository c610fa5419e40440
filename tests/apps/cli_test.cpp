// korvel-cli run as a separate process against the in-process virtual amplifier and against
// korvel-virtual-amp over a Unix socket.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>

#include "apps/process_runner.h"
#include "korvel_version.h"

namespace korvel::test {
namespace {

ProcessResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), KORVEL_CLI_PATH);
    return RunProcess(args);
}

int LineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(CliInfo, VirtualAmplifierReportsModelAndFirmware) {
    ProcessResult r = Cli({"--device", "virtual", "info"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("model: 72"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("firmware: 16.25"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("mode: normal"), std::string::npos) << r.out;
}

class CliOverSocket : public ::testing::Test {
  protected:
    std::string socket_ = TempSocketPath("cli");
    void TearDown() override { unlink(socket_.c_str()); }
};

TEST_F(CliOverSocket, InfoFromTheStandaloneAmplifier) {
    BackgroundProcess amp({KORVEL_AMP_PATH, "--listen", socket_, "--report-delay-ms", "0"});
    ASSERT_TRUE(WaitForSocket(socket_));
    ProcessResult r = Cli({"--device", "unix:" + socket_, "info"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("model: 72"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("firmware: 16.25"), std::string::npos) << r.out;
    // The amplifier accepts the next connection after the first one closed.
    ProcessResult again = Cli({"--device", "unix:" + socket_, "info"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
}

TEST_F(CliOverSocket, LoaderModeIsReported) {
    BackgroundProcess amp({KORVEL_AMP_PATH, "--listen", socket_, "--loader"});
    ASSERT_TRUE(WaitForSocket(socket_));
    ProcessResult r = Cli({"--device", "unix:" + socket_, "info"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("mode: loader"), std::string::npos) << r.out;
}

TEST(CliRaw, PrintsTheDecodedReplies) {
    ProcessResult r = Cli({"--device", "virtual", "raw", "1", "0x05", "0x66", "0", "0", "0", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(LineCount(r.out), 2) << r.out;  // one filter report per channel 0..1
    EXPECT_NE(r.out.find("channel 1 high-pass"), std::string::npos) << r.out;
}

TEST(ProgramVersion, BothProgramsPrintTheProjectVersion) {
    for (const auto& [path, name] : {std::pair{KORVEL_CLI_PATH, "korvel-cli"},
                                     std::pair{KORVEL_AMP_PATH, "korvel-virtual-amp"}}) {
        ProcessResult r = RunProcess({path, "--version"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, std::string(name) + " " KORVEL_VERSION "\n");
    }
}

struct FailureCase {
    std::vector<std::string> args;
    int exitCode;
    std::string says = {};  // part of the line, when the case checks the wording
};

class CliFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(CliFailures, OneClearLineAndTheRightStatus) {
    ProcessResult r = Cli(GetParam().args);
    EXPECT_EQ(r.exitCode, GetParam().exitCode) << r.err;
    EXPECT_EQ(LineCount(r.err), 1) << r.err;
    EXPECT_EQ(r.err.rfind("korvel-cli: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(GetParam().says), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliFailures,
    ::testing::Values(
        FailureCase{{}, 2}, FailureCase{{"frobnicate"}, 2},
        FailureCase{{"--device", "serial:/dev/ttyS0", "info"}, 2},
        FailureCase{{"--device", "virtual", "raw", "1", "2"}, 2},
        FailureCase{{"--device", "virtual", "raw", "1", "2", "0x166"}, 2},
        FailureCase{{"--device", "virtual", "info", "extra"}, 2},
        FailureCase{{"--device", "unix:/nonexistent/amp.sock", "info"}, 1},
        FailureCase{{"--device"}, 2, "--device needs a value"},
        FailureCase{{"--device", "info"}, 2, "--device needs a value"},
        FailureCase{{"curve", "/nonexistent/all.wpf"}, 2, "is a whole profile"},
        FailureCase{{"--device", "virtual", "pull", "/proc/none/x.wpf"}, 2, "cannot be written"},
        FailureCase{
            {"--device", "virtual", "scene", "save", "1", "a\nb"}, 2, "control characters"}));

}  // namespace
}  // namespace korvel::test
