// Every answer accounted for: lost answers asked again, values that stay unknown named and never
// written, unconfirmed sets counted, refusals and a vanished or busy amplifier reported.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "controller_fixture.h"
#include "link/device_lock.h"
#include "model/conversions.h"
#include "model/scene_name.h"

namespace korvel::testing {
namespace {

namespace fs = std::filesystem;

// Plays an amplifier that never answers (or refuses) one kind of request.
class Swallow : public AmpExtension {
  public:
    Swallow(uint8_t mcmd, uint8_t subcmd, uint8_t optype, std::optional<uint8_t> refusal = {})
        : mcmd_(mcmd), subcmd_(subcmd), optype_(optype), refusal_(refusal) {}
    bool Handle(const AmpRequest& r, AmpState&, std::vector<InputReport>& replies) override {
        if (r.mcmd != mcmd_ || r.subcmd != subcmd_ || r.optype != optype_)
            return false;
        if (refusal_)
            replies.push_back(BuildInputReport(r.mcmd, r.subcmd, OP_ACK, {*refusal_}));
        return true;
    }

  private:
    uint8_t mcmd_, subcmd_, optype_;
    std::optional<uint8_t> refusal_;
};

class OutcomeTest : public ControllerTest {
  protected:
    void SetUp() override {
        manager.Link().SetWaitCapForTesting(30);
        dir_ = fs::path(::testing::TempDir()) / "korvel_outcomes";
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    size_t CountOf(uint8_t mcmd, uint8_t subcmd, uint8_t optype) const {
        size_t n = 0;
        for (const auto& r : amp->RequestLog())
            n += r.mcmd == mcmd && r.subcmd == subcmd && r.optype == optype;
        return n;
    }
    const OperationResult& Last() const { return view.results.back(); }

    fs::path dir_;
};

TEST_F(OutcomeTest, ALostAnswerIsAskedForAgain) {
    amp->ModifyState([](AmpState& s) { s.live.mainVolumeDb = -6; });
    FaultPlan plan;
    plan.dropReplyTo = 4;     // PC_Connect, handshake, source, main volume
    plan.corruptReplyTo = 5;  // and its first repeat
    amp->SetFaultPlan(plan);
    ASSERT_TRUE(ConnectAndSync());
    EXPECT_EQ(CountOf(MCMD_DSP, dsp::VOLUME, OP_GET), 3u);
    EXPECT_EQ(manager.LiveScene().mainVolume, 20);
    ASSERT_FALSE(view.results.empty());
    EXPECT_TRUE(Last().ok);
}

// A value the amplifier never reports is named, the connection ends, and no file is written
// from the model that lacks it.
TEST_F(OutcomeTest, AValueThatStaysUnknownEndsTheConnection) {
    amp->AddExtension(std::make_shared<Swallow>(MCMD_DSP, dsp::VOLUME, OP_GET));
    manager.Connect(true);
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(view.Showed("${device_no_answer} main volume"));
    EXPECT_FALSE(manager.IsConnected());
    EXPECT_FALSE(Last().ok);
    EXPECT_EQ(Last().detail, "main volume");
    EXPECT_EQ(view.loadingOpen, 0);
    EXPECT_FALSE(manager.SaveSenceConfigToFile(dir_ / "live.spf"));
    EXPECT_FALSE(fs::exists(dir_ / "live.spf"));
}

TEST_F(OutcomeTest, AnUnconfirmedSetIsSentOnceMoreAndCounted) {
    ASSERT_TRUE(ConnectAndSync());
    ASSERT_TRUE(manager.SaveSenceConfigToFile(dir_ / "live.spf"));
    amp->AddExtension(std::make_shared<Swallow>(MCMD_DSP, dsp::TRIM, OP_SET));
    amp->ClearRequestLog();
    ASSERT_TRUE(manager.LoadSenceConfigFromFile(dir_ / "live.spf"));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(CountOf(MCMD_DSP, dsp::TRIM, OP_SET), 2u);
    EXPECT_FALSE(Last().ok);
    EXPECT_EQ(Last().messageKey, "${upload_unconfirmed}");
    EXPECT_EQ(Last().detail, "1 / " + std::to_string(amp->RequestLog().size() - 1));
    EXPECT_EQ(view.loadingOpen, 0);
}

// A save the device refuses keeps the old name and says so; a delete likewise.
TEST_F(OutcomeTest, RefusedSceneChangesKeepTheNames) {
    amp->ModifyState([](AmpState& s) { s.names[2] = Utf16ToDeviceName(u"Old"); });
    ASSERT_TRUE(ConnectAndSync());
    amp->AddExtension(std::make_shared<Swallow>(MCMD_FLASH, flash::SAVE_SCENE, OP_SET, 0xE0));
    amp->AddExtension(std::make_shared<Swallow>(MCMD_FLASH, flash::DELETE_SCENE, OP_SET, 0xE0));
    ASSERT_TRUE(manager.SaveSceneToDevice(3, u"New"));
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(view.Showed("${scene_save_fail}"));
    EXPECT_FALSE(view.Showed("${save_scene_ok}"));
    ASSERT_TRUE(manager.DeleteSceneFromDevice(3));
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(view.Showed("${scene_delete_fail}"));
    EXPECT_EQ(DeviceNameToUtf16(*manager.StoredSceneName(3)), u"Old");
    EXPECT_EQ(view.loadingOpen, 0);
    EXPECT_FALSE(manager.SaveSceneToDevice(3, u"two\nlines"));
    EXPECT_TRUE(view.Showed("${scene_name_invalid}"));
}

// The amplifier going away during the long wait after a whole upload ends it at once.
TEST_F(OutcomeTest, DeviceLossInterruptsTheStorePause) {
    ASSERT_TRUE(ConnectAndSync());
    ASSERT_TRUE(manager.SaveWholeConfigToFile(dir_ / "all.wpf"));
    ASSERT_TRUE(Settle());
    ControllerTimings timings = NoPauses();
    timings.wholeUploadSettle = std::chrono::seconds(20);
    manager.SetTimings(timings);
    ASSERT_TRUE(manager.LoadWholeConfigFromFile(dir_ / "all.wpf"));
    ASSERT_TRUE(manager.RunUntil(
        queue,
        [&] {
            return !view.progress.empty() &&
                   view.progress.back().phase == SequencePhase::kWaitForStore;
        },
        std::chrono::seconds(30)));
    // The ten scene saves of the upload are its own steps, not a scene save of the user's.
    EXPECT_FALSE(view.Showed("${save_scene_ok}"));
    EXPECT_EQ(view.loadingOpen, 1);
    const auto unplugged = std::chrono::steady_clock::now();
    amp->Unplug();
    ASSERT_TRUE(Settle());
    EXPECT_LT(std::chrono::steady_clock::now() - unplugged, std::chrono::seconds(2));
    EXPECT_FALSE(Last().ok);
    EXPECT_EQ(Last().messageKey, "${device_plugout}");
    EXPECT_TRUE(view.Showed("${device_plugout}"));
}

// A whole read the device leaves incomplete writes nothing over the previous file.
TEST_F(OutcomeTest, AnIncompleteWholeReadLeavesThePreviousFile) {
    ASSERT_TRUE(ConnectAndSync());
    const fs::path file = dir_ / "backup.wpf";
    std::ofstream(file) << "previous";
    FaultPlan plan;
    plan.unplugAfter = 300;
    amp->SetFaultPlan(plan);
    ASSERT_TRUE(manager.SaveWholeConfigToFile(file));
    ASSERT_TRUE(Settle());
    EXPECT_FALSE(Last().ok);
    std::stringstream text;
    text << std::ifstream(file).rdbuf();
    EXPECT_EQ(text.str(), "previous");
    EXPECT_FALSE(view.Showed("${profile_save_ok}"));
}

TEST_F(OutcomeTest, AnAmplifierHeldByAnotherProgramIsNotOpened) {
    TransportFactory factory = MakeVirtualTransportFactory(amp);
    factory.lockKey = "unix:/tmp/korvel-outcome-lock-" + std::to_string(getpid());
    auto held = DeviceLock::Acquire(factory.lockKey, nullptr);
    ASSERT_NE(held, nullptr);
    EqualizerManager second(factory, queue, view);
    second.Connect(true);
    EXPECT_FALSE(second.Link().IsOpen());
    EXPECT_EQ(view.messages.back().rfind("${device_in_use} ", 0), 0u) << view.messages.back();
    EXPECT_NE(view.messages.back().find("(pid "), std::string::npos);
    EXPECT_TRUE(amp->RequestLog().empty());
}

// Every main volume level comes back as the level the amplifier can hold, and that one
// survives any further round trip.
TEST_F(OutcomeTest, MainVolumeLevelsRoundTripThroughTheAmplifier) {
    ASSERT_TRUE(ConnectAndSync());
    for (int level = kMainVolumeMinLevel; level <= kMainVolumeMaxLevel; ++level) {
        SCOPED_TRACE(level);
        manager.SetMainVolume(level);
        ASSERT_TRUE(manager.Link().WaitUntilIdle(std::chrono::seconds(5)));
        manager.Connect(true);  // disconnect, then read the amplifier again
        ASSERT_TRUE(ConnectAndSync());
        const int stored = MainVolumeLevelStored(level);
        EXPECT_EQ(manager.LiveScene().mainVolume, stored);
        EXPECT_EQ(MainVolumeLevelStored(stored), stored);
    }
}

}  // namespace
}  // namespace korvel::testing
