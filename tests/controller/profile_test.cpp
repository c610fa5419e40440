// Profiles through the device: read the device into a profile file, make the device forget,
// load the file back into it, read it again and compare. And files that must not load.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "controller_fixture.h"
#include "model/scene_name.h"
#include "profiles/profile_file.h"

namespace korvel::testing {
namespace {

namespace fs = std::filesystem;

// Values the uploads carry, distinct per scene `k` and channel, all exactly representable on the
// wire (whole dB trims, quarter-millisecond delays, Q in halves, band gains in half dB).
void MakeDistinct(AmpScene& s, int k) {
    for (int ch = 0; ch < kAmpChannels; ++ch) {
        AmpChannel& c = s.channels[ch];
        const int n = k + ch;
        c.gainHundredths = -100 * n;
        c.delayMicroseconds = static_cast<uint32_t>(250 * n);
        c.mute = static_cast<uint8_t>(n % 2);
        c.phase = static_cast<uint8_t>((n + 1) % 2);
        c.eqBypass = static_cast<uint8_t>(ch % 2);
        c.speakerType = static_cast<uint8_t>(1 + n % 24);
        c.highPass = {static_cast<uint8_t>(1 + k % 3), static_cast<uint16_t>(50 + 10 * k), 2};
        c.lowPass = {2, static_cast<uint16_t>(5000 + 100 * k), 3};
        c.bands[n % kBandCount] = {static_cast<uint16_t>(500 + 10 * k),
                                   static_cast<uint16_t>(100 + 50 * (k % 10)),
                                   static_cast<int16_t>(180 + 5 * (k % 20) - 50)};
        s.routing[0][ch] = static_cast<uint16_t>(n % 16);
        s.mixTrim[2][1][ch] = static_cast<int8_t>(10 + k);
        s.mixTrim[5][3][ch] = static_cast<int8_t>(20 + ch);
    }
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ProfileTest : public ControllerTest {
  protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("controller_profiles_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path File(const char* name) const { return dir_ / name; }

    // Reads the live state again, as a fresh connection does.
    bool Pull() {
        if (manager.Link().IsOpen()) {
            manager.Connect(true);
        }
        return ConnectAndSync();
    }

    std::string WholeText(const ModelStore& m) const {
        return WholeProfileText(m.live, m.stored, m.names);
    }

    fs::path dir_;
};

TEST_F(ProfileTest, SceneProfileRoundTripThroughTheDevice) {
    amp->ModifyState([](AmpState& s) {
        MakeDistinct(s.live, 0);
        s.live.mainVolumeDb = -6;
        s.live.mute = 1;
    });
    ASSERT_TRUE(ConnectAndSync());
    const SceneRecord before = manager.LiveScene();
    ASSERT_EQ(before.mainVolume, 20);
    ASSERT_TRUE(manager.SaveSenceConfigToFile(File("live.spf")));
    EXPECT_TRUE(view.Showed("${profile_save_ok}"));

    amp->FactoryReset();
    ASSERT_TRUE(manager.LoadSenceConfigFromFile(File("live.spf")));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(view.loadingOpen, 0);
    EXPECT_TRUE(view.DidRefresh(RefreshWhat::kAllControls));

    ASSERT_TRUE(Pull());
    EXPECT_EQ(ProfileText(manager.LiveScene()), ProfileText(before));
}

TEST_F(ProfileTest, WholeProfileRoundTripThroughTheDevice) {
    amp->ModifyState([](AmpState& s) {
        MakeDistinct(s.live, 0);
        s.live.mainVolumeDb = -18;
        for (int k = 1; k <= kStoredScenes; ++k) {
            MakeDistinct(s.stored[k - 1], k);
            const std::u16string name = u"Scene " + std::u16string(1, u'A' + k);
            s.names[k - 1] = Utf16ToDeviceName(name);
        }
        s.sceneValidMask = 0x3FF;
    });
    ASSERT_TRUE(ConnectAndSync());
    ASSERT_TRUE(manager.SaveWholeConfigToFile(File("device.wpf")));
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(view.Showed("${profile_save_ok}"));
    const ModelStore before = manager.Model();
    // The stored scenes were read from the device, not left at their reset values.
    EXPECT_FLOAT_EQ(before.Scene(7)->channels[1].gain, -8.0f);
    EXPECT_EQ(before.Scene(4)->channels[0].crossover.lp.fs, 5400);
    EXPECT_EQ(DeviceNameToUtf16(*before.Name(10)), u"Scene K");
    EXPECT_EQ(ReadText(File("device.wpf")), WholeText(before));

    amp->FactoryReset();
    ASSERT_TRUE(manager.LoadWholeConfigFromFile(File("device.wpf")));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(amp->State().sceneValidMask, 0x3FF);

    ASSERT_TRUE(manager.SaveWholeConfigToFile(File("again.wpf")));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(WholeText(manager.Model()), WholeText(before));
    EXPECT_EQ(ReadText(File("again.wpf")), ReadText(File("device.wpf")));
}

TEST_F(ProfileTest, FilesThatDoNotLoadLeaveTheModelAsItWas) {
    ASSERT_TRUE(ConnectAndSync());
    // A whole profile with other names and scenes, whose scene array then has one entry too
    // many: the names come before the error in the file.
    ModelStore other = manager.Model();
    other.names[0] = Utf16ToDeviceName(u"Other");
    other.live.channels[0].gain = -30.0f;
    std::string text = WholeProfileText(other.live, other.stored, other.names);
    const std::string key = "\"sceneArray\":[";
    text.insert(text.find(key) + key.size(), "{},");
    std::ofstream(File("broken.wpf"), std::ios::binary) << text;
    std::ofstream(File("notjson.spf"), std::ios::binary) << "{ not json";
    std::string model73 = ProfileText(other.live);
    model73.replace(model73.find("\"model\":72"), 10, "\"model\":73");
    std::ofstream(File("model73.spf"), std::ios::binary) << model73;

    struct Case {
        fs::path path;
        bool whole;
        const char* message;
    };
    const std::vector<Case> cases{{File("broken.wpf"), true, "${profile_load_error}"},
                                  {File("notjson.spf"), false, "${profile_open_error}"},
                                  {File("model73.spf"), false, "${software_not_match}"},
                                  {File("missing.spf"), false, "${profile_open_error}"},
                                  {File("missing.wpf"), true, "${profile_open_error}"}};
    const std::string before = WholeText(manager.Model());
    amp->ClearRequestLog();
    for (const Case& c : cases) {
        view.messages.clear();
        const bool loaded = c.whole ? manager.LoadWholeConfigFromFile(c.path)
                                    : manager.LoadSenceConfigFromFile(c.path);
        EXPECT_FALSE(loaded) << c.path;
        EXPECT_TRUE(view.Showed(c.message)) << c.path;
        EXPECT_EQ(WholeText(manager.Model()), before) << c.path;
        EXPECT_FALSE(manager.Busy());
    }
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(amp->RequestLog().empty());
    EXPECT_EQ(view.loadingOpen, 0);
}

// "mcmd/subcmd" of each request, with the scene byte of scene-addressed DSP commands.
std::vector<std::string> Signatures(const std::vector<Request>& requests) {
    std::vector<std::string> out;
    for (const Request& r : requests) {
        char text[32];
        std::snprintf(text, sizeof text, "%u/%02X", r.mcmd, r.subcmd);
        out.emplace_back(text);
    }
    return out;
}

void AppendChannelFiltersAndBands(std::vector<std::string>& out) {
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        out.insert(out.end(), {"1/05", "1/05"});
        out.insert(out.end(), kBandCount, "1/06");
    }
}

TEST_F(ProfileTest, SceneUploadSendsItsCommandsInOrder) {
    ASSERT_TRUE(ConnectAndSync());
    ASSERT_TRUE(manager.SaveSenceConfigToFile(File("live.spf")));
    amp->ClearRequestLog();
    ASSERT_TRUE(manager.LoadSenceConfigFromFile(File("live.spf")));
    ASSERT_TRUE(Settle());
    std::vector<std::string> expected{"1/02", "1/04"};
    AppendChannelFiltersAndBands(expected);
    expected.insert(expected.end(), {"1/0D", "1/08", "1/09", "1/0A", "1/07", "1/12", "1/0B"});
    expected.insert(expected.end(), 8, "1/24");  // mix levels: sources 2, 5 and 6
    const auto requests = Requests(*amp);
    ASSERT_EQ(Signatures(requests), expected) << Describe(requests);
    // Low-pass (filter 1) before high-pass (filter 2); routing for the selected source only.
    EXPECT_EQ(requests[2].payload[3], 1);
    EXPECT_EQ(requests[3].payload[3], 2);
    const Request& routing = requests[expected.size() - 9];
    EXPECT_EQ(routing.payload[1], manager.LiveScene().sourceIndex);
    for (const Request& r : requests) {
        if (r.mcmd == MCMD_DSP && r.subcmd != dsp::VOLUME && r.subcmd != dsp::MUTE) {
            EXPECT_EQ(r.payload[0], 0) << "scene byte";
        }
    }
}

TEST_F(ProfileTest, WholeUploadSavesEachStoredSceneThenSetsTheLiveScene) {
    ASSERT_TRUE(ConnectAndSync());
    ASSERT_TRUE(manager.SaveWholeConfigToFile(File("device.wpf")));
    ASSERT_TRUE(Settle());
    amp->ClearRequestLog();
    ASSERT_TRUE(manager.LoadWholeConfigFromFile(File("device.wpf")));
    ASSERT_TRUE(Settle());
    std::vector<std::string> expected;
    for (int scene = 1; scene <= kStoredScenes; ++scene) {
        AppendChannelFiltersAndBands(expected);
        expected.insert(expected.end(), {"1/0D", "1/08", "1/09", "1/0A", "1/07", "1/12", "1/0B"});
        expected.insert(expected.end(), 8, "1/24");
        expected.insert(expected.end(), {"2/0B", "2/08"});
    }
    expected.insert(expected.end(), {"1/02", "1/04"});
    AppendChannelFiltersAndBands(expected);
    expected.insert(expected.end(), {"1/0D", "1/08", "1/09", "1/0A", "1/07", "1/12"});
    expected.insert(expected.end(), kSourceCount, "1/0B");
    expected.insert(expected.end(), 8, "1/24");
    const auto requests = Requests(*amp);
    ASSERT_EQ(Signatures(requests), expected) << Describe(requests);
    // Each stored scene's commands address that scene, and it is saved as uploaded (flag 1).
    const size_t perScene = kChannelSlots * (2 + kBandCount) + 7 + 8 + 2;
    EXPECT_EQ(requests[perScene - 1].payload, (std::vector<uint8_t>{1, 1}));
    EXPECT_EQ(requests[perScene].payload[0], 2);
    EXPECT_EQ(requests.back().payload[0], 0);
}

TEST_F(ProfileTest, SceneProfileThatCannotBeWrittenIsReported) {
    EXPECT_FALSE(manager.SaveSenceConfigToFile(dir_ / "no such folder" / "x.spf"));
    EXPECT_TRUE(view.Showed("${profile_create_error}"));
}

}  // namespace
}  // namespace korvel::testing
