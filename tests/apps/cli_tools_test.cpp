// mem, threshold and mix against korvel-virtual-amp: each command's effect is read back by a
// later run, as a script would check it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>

#include "apps/process_runner.h"

namespace korvel::test {
namespace {

class CliTools : public ::testing::Test {
  protected:
    void SetUp() override {
        amp_ = std::make_unique<BackgroundProcess>(std::vector<std::string>{
            KORVEL_AMP_PATH, "--listen", socket_, "--report-delay-ms", "0"});
        ASSERT_TRUE(WaitForSocket(socket_));
    }
    void TearDown() override {
        amp_.reset();
        unlink(socket_.c_str());
    }
    ProcessResult Cli(std::vector<std::string> args) {
        args.insert(args.begin(), {KORVEL_CLI_PATH, "--device", "unix:" + socket_});
        return RunProcess(args);
    }
    // Runs and expects success; returns standard output.
    std::string Ok(std::vector<std::string> args) {
        ProcessResult r = Cli(std::move(args));
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }

    std::string socket_ = TempSocketPath("tools");
    std::unique_ptr<BackgroundProcess> amp_;
};

TEST_F(CliTools, MemoryWordsAreWrittenAndReadBackWithTheWindowsParsing) {
    EXPECT_EQ(Ok({"mem", "write", "0x2000", "1"}), "addr 0x00002000 data 0x00000001\n");
    EXPECT_EQ(Ok({"mem", "read", "8192"}), "addr 0x00002000 data 0x00000001\n");
    EXPECT_EQ(Ok({"mem", "write", "012", "0xffffffff"}), "addr 0x0000000a data 0xffffffff\n");
    EXPECT_EQ(Ok({"mem", "read", "10junk"}), "addr 0x0000000a data 0xffffffff\n");
}

TEST_F(CliTools, ThresholdIsClampedAndPrintedAsTheAmplifierHoldsIt) {
    EXPECT_EQ(Ok({"threshold"}), "threshold -60 dBu\n");
    EXPECT_EQ(Ok({"threshold", "-20"}), "threshold -40 dBu\n");
    EXPECT_EQ(Ok({"threshold"}), "threshold -40 dBu\n");
    EXPECT_EQ(Ok({"threshold", "-100"}), "threshold off\n");
    EXPECT_EQ(Ok({"threshold", "-52"}), "threshold -52 dBu\n");
    EXPECT_EQ(Ok({"threshold", "off"}), "threshold off\n");
}

TEST_F(CliTools, MixFollowsTheMixerWindowsEnableRule) {
    // Input 1 of the high-level source into output 0: off at level 0, then on at its level.
    EXPECT_EQ(Ok({"mix", "5", "1", "0", "0"}), "source 5 input 1 output 0: off level 0\n");
    EXPECT_EQ(Ok({"mix", "5", "1", "0", "on"}), "source 5 input 1 output 0: on level 100\n");
    EXPECT_EQ(Ok({"mix", "5", "1", "0", "250"}), "source 5 input 1 output 0: on level 100\n");
    EXPECT_EQ(Ok({"mix", "5", "1", "0", "40"}), "source 5 input 1 output 0: on level 40\n");
    EXPECT_EQ(Ok({"mix", "5", "1", "0", "off"}), "source 5 input 1 output 0: off level 0\n");
    // The amplifier kept it: a new connection reads the cell back as it was left.
    EXPECT_EQ(Ok({"mix", "5", "1", "0", "0"}), "source 5 input 1 output 0: off level 0\n");
}

struct UsageCase {
    std::vector<std::string> args;
};

class CliToolsUsage : public CliTools, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(CliToolsUsage, BadInputIsOneLineAndStatus2BeforeTheAmplifierIsTouched) {
    ProcessResult r = Cli(GetParam().args);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.err.rfind("korvel-cli: ", 0), 0u) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Cases, CliToolsUsage,
                         ::testing::Values(UsageCase{{"mem"}}, UsageCase{{"mem", "peek", "1"}},
                                           UsageCase{{"mem", "read", "0x100000000"}},
                                           UsageCase{{"mem", "write", "1", "4294967296"}},
                                           UsageCase{{"mem", "write", "1"}},
                                           UsageCase{{"threshold", "loud"}},
                                           UsageCase{{"threshold", "-50", "-40"}},
                                           UsageCase{{"mix", "0", "0", "0", "10"}},
                                           UsageCase{{"mix", "5", "4", "0", "10"}},
                                           UsageCase{{"mix", "2", "0", "6", "10"}},
                                           UsageCase{{"mix", "9", "0", "0", "10"}},
                                           UsageCase{{"mix", "5", "0", "0", "x"}},
                                           UsageCase{{"mix", "5", "0", "0"}}));

TEST(CliToolsHelp, EachCommandExplainsItself) {
    for (const char* command : {"mem", "threshold", "mix"}) {
        ProcessResult r = RunProcess({KORVEL_CLI_PATH, command, "--help"});
        EXPECT_EQ(r.exitCode, 0) << command;
        EXPECT_EQ(r.out.rfind(std::string("usage: korvel-cli [--device DEVICE] ") + command, 0), 0u)
            << r.out;
    }
}

TEST(CliToolsDevice, NoAmplifierIsStatus1) {
    ProcessResult r =
        RunProcess({KORVEL_CLI_PATH, "--device", "unix:/nonexistent/amp", "mem", "read", "0"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
}

}  // namespace
}  // namespace korvel::test
