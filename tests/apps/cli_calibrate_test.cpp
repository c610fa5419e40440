// korvel-cli calibrate against korvel-virtual-amp: the JSON holds what the amplifier served,
// failures carry their reason, Ctrl+C stops the run.
#include <cjson/cJSON.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "apps/process_runner.h"
#include "eqgraph/calibration_curves.h"
#include "model/calibration_targets.h"
#include "virtualamp/amp_car.h"

namespace korvel::test {
namespace {

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

JsonPtr ReadJson(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return JsonPtr(cJSON_Parse(text.str().c_str()), cJSON_Delete);
}

double Number(const cJSON* object, const char* key) {
    return cJSON_GetObjectItemCaseSensitive(object, key)->valuedouble;
}

class CliCalibrate : public ::testing::Test {
  protected:
    void SetUp() override { setenv("KORVEL_CAL_POLL_MS", "2", 1); }
    void TearDown() override {
        amp_.reset();
        unlink(socket_.c_str());
        unlink(json_.c_str());
    }
    void StartAmp(std::vector<std::string> extra) {
        std::vector<std::string> argv = {KORVEL_AMP_PATH, "--listen", socket_, "--report-delay-ms",
                                         "0"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        amp_ = std::make_unique<BackgroundProcess>(argv);
        ASSERT_TRUE(WaitForSocket(socket_));
    }
    ProcessResult Calibrate(std::vector<std::string> args) {
        args.insert(args.begin(), {KORVEL_CLI_PATH, "--device", "unix:" + socket_, "calibrate"});
        return RunProcess(args);
    }

    std::string socket_ = TempSocketPath("calibrate");
    std::string json_ = "/tmp/korvel-calibrate-" + std::to_string(getpid()) + ".json";
    std::unique_ptr<BackgroundProcess> amp_;
};

TEST_F(CliCalibrate, JsonHoldsWhatTheAmplifierServed) {
    StartAmp({"--car-seed", "3"});
    const ProcessResult r = Calibrate(
        {"--channels", "4,1", "--measure", "eq,delay", "--mode", "1", "--apply", "--json", json_});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("Calibration completed."), std::string::npos) << r.err;
    const JsonPtr root = ReadJson(json_);
    ASSERT_TRUE(root);
    EXPECT_STREQ(cJSON_GetObjectItemCaseSensitive(root.get(), "status")->valuestring, "completed");
    EXPECT_TRUE(cJSON_IsNull(cJSON_GetObjectItemCaseSensitive(root.get(), "reason")));
    const cJSON* channels = cJSON_GetObjectItemCaseSensitive(root.get(), "channels");
    ASSERT_EQ(cJSON_GetArraySize(channels), 2);

    CarCurve target{};
    BandsResponseAt(CalibrationTargetPreset(CalibrationTargetForMode(1)), CarSpectrumFrequencies(),
                    target);
    const int factoryRoles[] = {6, 12, 15, 18, 22, 23};
    const int expectedChannels[] = {1, 4};
    for (int k = 0; k < 2; ++k) {
        const cJSON* channel = cJSON_GetArrayItem(channels, k);
        const int ch = expectedChannels[k];
        SCOPED_TRACE(ch);
        EXPECT_EQ(Number(channel, "channel"), ch);
        const CarSpeaker speaker = SimulateSpeaker(3, ch, factoryRoles[ch]);
        const cJSON* spectrum = cJSON_GetObjectItemCaseSensitive(channel, "spectrum");
        ASSERT_EQ(cJSON_GetArraySize(spectrum), 121);
        for (int i = 0; i < 121; ++i) {
            const cJSON* point = cJSON_GetArrayItem(spectrum, i);
            ASSERT_EQ(cJSON_GetArraySize(point), 2);
            EXPECT_DOUBLE_EQ(cJSON_GetArrayItem(point, 0)->valuedouble,
                             CarSpectrumFrequencies()[i]);
            EXPECT_DOUBLE_EQ(cJSON_GetArrayItem(point, 1)->valuedouble, speaker.measuredDb[i]);
        }
        const auto bands = DeriveEqualizer(speaker, target);
        const cJSON* eq = cJSON_GetObjectItemCaseSensitive(channel, "eq");
        ASSERT_EQ(cJSON_GetArraySize(eq), 11);
        for (int b = 0; b < 11; ++b) {
            const cJSON* band = cJSON_GetArrayItem(eq, b);
            EXPECT_EQ(Number(band, "band"), b);
            EXPECT_EQ(Number(band, "freq"), bands[b].freq);
            EXPECT_DOUBLE_EQ(Number(band, "q"), bands[b].qHundredths / 100.0);
            EXPECT_DOUBLE_EQ(Number(band, "gain"), (bands[b].gainTenthsPlus18 - 180) / 10.0);
        }
    }
}

TEST_F(CliCalibrate, FailureAndStopEndWithStatusOne) {
    struct Case {
        std::vector<std::string> ampOptions;
        std::string pollMs;
        bool interrupt;
        std::string status;
        int reason;  // -1: null
        std::string text;
    };
    const Case cases[] = {
        {{"--cal-fail", "1"}, "2", false, "failed", 1, "no microphone detected"},
        {{"--cal-fail", "4"}, "2", false, "failed", 4, "channel volumes could not be adjusted"},
        {{}, "100", true, "stopped", -1, "calibration stopped"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status + " " + std::to_string(c.reason));
        TearDown();
        StartAmp(c.ampOptions);
        setenv("KORVEL_CAL_POLL_MS", c.pollMs.c_str(), 1);
        const std::string command = std::string(KORVEL_CLI_PATH) + " --device unix:" + socket_ +
                                    " calibrate --channels 0,1,2 --measure eq --apply --json " +
                                    json_;
        // The shell sends Ctrl+C's signal to the running calibration.
        const ProcessResult r =
            RunProcess({"/bin/sh", "-c",
                        c.interrupt ? command + " & sleep 0.5; kill -INT $!; wait $!" : command});
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_NE(r.err.find(c.text), std::string::npos) << r.err;
        const JsonPtr root = ReadJson(json_);
        ASSERT_TRUE(root);
        EXPECT_EQ(cJSON_GetObjectItemCaseSensitive(root.get(), "status")->valuestring, c.status);
        const cJSON* reason = cJSON_GetObjectItemCaseSensitive(root.get(), "reason");
        EXPECT_EQ(c.reason < 0 ? cJSON_IsNull(reason) : reason->valueint == c.reason, true);
    }
}

TEST_F(CliCalibrate, UsageErrors) {
    const std::vector<std::string> cases[] = {
        {"--channels", "0", "--measure", "eq"},
        {"--channels", "6", "--measure", "eq", "--apply"},
        {"--channels", "0,,1", "--measure", "eq", "--apply"},
        {"--channels", "0", "--measure", "eq,volume", "--apply"},
        {"--channels", "0", "--apply"},
        {"--channels", "0", "--measure", "eq", "--apply", "--discard"},
        {"--channels", "0", "--measure", "eq", "--mode", "10", "--discard"},
        {"--channels", "0", "--measure", "eq", "--apply", "--json", "/nonexistent/run.json"},
    };
    for (const auto& args : cases) {
        EXPECT_EQ(Calibrate(args).exitCode, 2) << args[1];
    }
}

}  // namespace
}  // namespace korvel::test
