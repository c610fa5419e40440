// eq and diff against korvel-virtual-amp: a pulled profile compares equal, one edit shows as
// exactly that value, a renamed scene as its name; filters go onto channels live and in files
// alike and come back out the same.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "apps/process_runner.h"

namespace korvel::test {
namespace {

class CliEqDiff : public ::testing::Test {
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
    ProcessResult Cli(std::vector<std::string> args) {
        args.insert(args.begin(), {KORVEL_CLI_PATH, "--device", "unix:" + socket_});
        return RunProcess(args);
    }
    std::string TempFile(const std::string& name, const std::string& content = "") {
        files_.push_back("/tmp/korvel-eqdiff-" + std::to_string(getpid()) + "-" + name);
        if (!content.empty())
            std::ofstream(files_.back(), std::ios::binary) << content;
        return files_.back();
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // The filter lines of an exported file (its heading names the channel and the source).
    static std::string Filters(const std::string& path) {
        const std::string text = Read(path);
        return text.substr(text.find("\nFilter 1:") + 1);
    }

    std::string socket_ = TempSocketPath("eqdiff");
    std::unique_ptr<BackgroundProcess> amp_;
    std::vector<std::string> files_;
};

constexpr const char* kFilters =
    "Filter Settings file\r\n"
    "Filter  1: ON  PK  Fc  63.0 Hz  Gain -4.50 dB  Q 2.100\r\n"
    "Filter  2: ON  PK  Fc 1000 Hz  Gain  0.5 dB  Q 1.41\r\n"
    "Filter  3: OFF PK  Fc 2000 Hz  Gain  3.0 dB  Q 1.00\r\n";

TEST_F(CliEqDiff, PulledProfileIsEqualAndOneEditIsExactlyThatValue) {
    const std::string file = TempFile("pulled.spf");
    ASSERT_EQ(Cli({"pull", file}).exitCode, 0);
    ProcessResult same = Cli({"diff", file});
    EXPECT_EQ(same.exitCode, 0) << same.out << same.err;

    // Channel 2 delay 1.25 ms, written as a raw command.
    ASSERT_EQ(Cli({"raw", "1", "0x07", "0xBB", "0", "0", "2", "2", "1", "0", "250"}).exitCode, 0);
    ProcessResult one = Cli({"diff", file});
    EXPECT_EQ(one.exitCode, 1);
    EXPECT_EQ(one.out,
              "scene 0 channel 2 delay: file 0.000 ms, amplifier 1.250 ms\n"
              "1 value differs from " +
                  file + "\n");
    ProcessResult json = Cli({"diff", file, "--json"});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_NE(json.out.find("\"equal\":false,\"differences\":[{\"scene\":0,\"place\":\"channel 2 "
                            "delay\",\"file\":\"0.000 ms\",\"amplifier\":\"1.250 ms\"}]"),
              std::string::npos)
        << json.out;

    EXPECT_EQ(Cli({"diff", TempFile("broken.spf", "{\"model\":")}).exitCode, 2);
    EXPECT_EQ(Cli({"diff", TempFile("profile.txt", "x")}).exitCode, 2);
}

TEST_F(CliEqDiff, WholeProfileShowsARenamedScene) {
    ASSERT_EQ(Cli({"scene", "save", "3", "Club"}).exitCode, 0);
    const std::string file = TempFile("whole.wpf");
    ASSERT_EQ(Cli({"pull", file}).exitCode, 0);
    ASSERT_EQ(Cli({"scene", "save", "3", "Home"}).exitCode, 0);
    ProcessResult diff = Cli({"diff", file});
    EXPECT_EQ(diff.exitCode, 1);
    EXPECT_EQ(diff.out.substr(0, diff.out.find('\n')),
              "scene 3 name: file \"Club\", amplifier \"Home\"")
        << diff.out;
    EXPECT_NE(diff.out.find("\n1 value differs"), std::string::npos) << diff.out;
}

TEST_F(CliEqDiff, FiltersGoOntoAChannelLiveAndInAProfileAlike) {
    const std::string filters = TempFile("filters.txt", kFilters);
    const std::string pulled = TempFile("before.spf");
    const std::string expected = TempFile("expected.spf");
    ASSERT_EQ(Cli({"pull", pulled}).exitCode, 0);
    ProcessResult inFile =
        Cli({"eq", "import", filters, "--channel", "2", "--profile", pulled, "--out", expected});
    ASSERT_EQ(inFile.exitCode, 0) << inFile.err;

    ProcessResult live = Cli({"eq", "import", filters, "--channel", "2"});
    ASSERT_EQ(live.exitCode, 0) << live.err;
    EXPECT_EQ(live.out, "imported 2 filters onto channel 2\n");
    ProcessResult diff = Cli({"diff", expected});
    EXPECT_EQ(diff.exitCode, 0) << diff.out;

    // Exported from the amplifier, imported into another channel of the file, exported again.
    const std::string fromAmp = TempFile("from-amp.txt");
    const std::string fromFile = TempFile("from-file.txt");
    ASSERT_EQ(Cli({"eq", "export", fromAmp, "--channel", "2"}).exitCode, 0);
    ASSERT_EQ(Cli({"eq", "import", fromAmp, "--channel", "4", "--profile", expected}).exitCode, 0);
    ASSERT_EQ(Cli({"eq", "export", fromFile, "--channel", "4", "--profile", expected}).exitCode, 0);
    EXPECT_EQ(Filters(fromAmp), Filters(fromFile));
    EXPECT_EQ(Filters(fromAmp).substr(0, 45), "Filter 1: ON PK Fc 63 Hz Gain -4.5 dB Q 2.10\n");
}

TEST_F(CliEqDiff, TooManyFiltersAreRefusedUnlessTheFirst31AreAsked) {
    std::string text;
    for (int i = 1; i <= 40; ++i)
        text += "Filter " + std::to_string(i) + ": ON PK Fc " + std::to_string(20 * i) +
                " Hz Gain -1 dB Q 1\n";
    const std::string filters = TempFile("forty.txt", text);
    const std::string profile = TempFile("p.spf");
    ASSERT_EQ(Cli({"pull", profile}).exitCode, 0);
    const std::string before = Read(profile);

    ProcessResult refused = Cli({"eq", "import", filters, "--channel", "0", "--profile", profile});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("line 32: more than 31 peaking filters"), std::string::npos)
        << refused.err;
    EXPECT_EQ(Read(profile), before) << "a refused import leaves the file as it was";

    ProcessResult first =
        Cli({"eq", "import", filters, "--channel", "0", "--profile", profile, "--first-31"});
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.out.find("skipped line 32:"), std::string::npos) << first.out;
    EXPECT_NE(Read(profile), before);
}

}  // namespace
}  // namespace korvel::test
