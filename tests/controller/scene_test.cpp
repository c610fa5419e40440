// Scenes stored in the device: save, load and delete round trips against the virtual amplifier,
// and the factory reset.

#include <gtest/gtest.h>

#include <algorithm>

#include "controller_fixture.h"
#include "model/scene_name.h"

namespace korvel::testing {
namespace {

class SceneTest : public ControllerTest {
  protected:
    void SetUp() override { ASSERT_TRUE(ConnectAndSync()); }
};

TEST_F(SceneTest, SaveStoresTheLiveSettingsUnderTheName) {
    amp->ModifyState([](AmpState& s) { s.live.channels[1].gainHundredths = -700; });
    ASSERT_TRUE(manager.SaveSceneToDevice(3, u"Club"));
    ASSERT_TRUE(Settle());
    const AmpState state = amp->State();
    EXPECT_EQ(state.stored[2].channels[1].gainHundredths, -700);
    EXPECT_EQ(DeviceNameToUtf16(state.names[2]), u"Club");
    EXPECT_NE(state.sceneValidMask & (1u << 2), 0u);
    EXPECT_EQ(DeviceNameToUtf16(*manager.StoredSceneName(3)), u"Club");
    EXPECT_TRUE(view.Showed("${save_scene_ok}"));
    EXPECT_EQ(view.loadingOpen, 0);
}

TEST_F(SceneTest, LoadMakesTheStoredSceneLiveAndReadsItBack) {
    amp->ModifyState([](AmpState& s) {
        AmpScene scene = s.live;
        scene.mainVolumeDb = -18;
        scene.channels[4].delayMicroseconds = 1250;
        scene.channels[4].speakerType = 24;
        scene.channels[0].bands[7] = {2000, 120, 230};  // Q 1.2, gain +5 dB
        s.stored[4] = scene;
        s.sceneValidMask |= 1u << 4;
    });
    ASSERT_TRUE(manager.LoadSceneFromDevice(5));
    ASSERT_TRUE(Settle());
    const SceneRecord& live = manager.LiveScene();
    EXPECT_EQ(live.mainVolume, 10);
    EXPECT_FLOAT_EQ(live.channels[4].delay, 1.25f);
    EXPECT_EQ(live.outputs[4], 24);
    EXPECT_EQ(live.eqStore[0][7].freq, 2000);
    EXPECT_NEAR(live.eqStore[0][7].eqGain, 5.0f, 1e-5);
    EXPECT_TRUE(manager.Link().QueueEnabled());
    EXPECT_TRUE(view.DidRefresh(RefreshWhat::kSpeakerRoles));
    EXPECT_EQ(view.loadingOpen, 0);
}

TEST_F(SceneTest, DeleteErasesTheSlotAndItsName) {
    ASSERT_TRUE(manager.SaveSceneToDevice(2, u"Road"));
    ASSERT_TRUE(Settle());
    ASSERT_TRUE(manager.DeleteSceneFromDevice(2));
    EXPECT_EQ(DeviceNameToUtf16(*manager.StoredSceneName(2)), u"");
    ASSERT_TRUE(Settle());
    const AmpState state = amp->State();
    EXPECT_EQ(state.sceneValidMask & (1u << 1), 0u);
    EXPECT_EQ(state.names[1][0], 0xFF);
    EXPECT_EQ(view.loadingOpen, 0);
}

TEST_F(SceneTest, UnansweredSaveStillClosesTheLoadingWindow) {
    manager.Link().SetWaitCapForTesting(50);
    FaultPlan plan;
    plan.dropReplyTo = 2;     // SetSceneName is request 1, SaveScene request 2
    plan.corruptReplyTo = 3;  // and the SaveScene sent again
    amp->SetFaultPlan(plan);
    ASSERT_TRUE(manager.SaveSceneToDevice(4, u"Quiet"));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(view.loadingOpen, 0);
    EXPECT_FALSE(view.Showed("${save_scene_ok}"));
}

TEST_F(SceneTest, SceneNumbersOutsideTheStoredRangeAreRefused) {
    for (int scene : {0, 11, -1}) {
        EXPECT_FALSE(manager.SaveSceneToDevice(scene, u"x"));
        EXPECT_FALSE(manager.LoadSceneFromDevice(scene));
        EXPECT_FALSE(manager.DeleteSceneFromDevice(scene));
    }
    EXPECT_FALSE(manager.Busy());
}

TEST_F(SceneTest, ReadingAStoredSceneFillsOnlyItsCacheEntry) {
    amp->ModifyState([](AmpState& s) {
        s.stored[7].channels[3].gainHundredths = -900;
        s.stored[7].channels[3].speakerType = 9;
        s.stored[7].channels[5].lowPass = {3, 900, 2};
        s.stored[7].link = 1;
        s.names[7] = {'E', 'i', 'g', 'h', 't'};
    });
    amp->ClearRequestLog();
    const SceneRecord liveBefore = manager.LiveScene();
    ASSERT_TRUE(manager.ReadStoredScene(8));
    ASSERT_TRUE(Settle());
    const SceneRecord& stored = *manager.StoredScene(8);
    EXPECT_FLOAT_EQ(stored.channels[3].gain, -9.0f);
    EXPECT_EQ(stored.outputs[3], 9);
    EXPECT_EQ(stored.channels[5].crossover.lp.fs, 900);
    EXPECT_EQ(stored.linkMode, 1);
    EXPECT_EQ(DeviceNameToUtf16(*manager.StoredSceneName(8)), u"Eight");
    EXPECT_FLOAT_EQ(manager.LiveScene().channels[3].gain, liveBefore.channels[3].gain);

    const auto requests = Requests(*amp);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front(), (Request{MCMD_FLASH, flash::READ_SCENE, OP_SET, {8, 255}}));
    const std::vector<uint8_t> channels{8, 0, 0, 5};
    const std::vector<Request> head{{MCMD_DSP, dsp::CH_TYPE, OP_GET, channels},
                                    {MCMD_DSP, dsp::CH_LINK, OP_GET, {8}},
                                    {MCMD_DSP, dsp::CH_LOCK, OP_GET, {8}},
                                    {MCMD_DSP, dsp::SOLO, OP_GET, channels},
                                    {MCMD_DSP, dsp::FILTER, OP_GET, {8, 0, 0, 3}},
                                    {MCMD_DSP, dsp::FILTER, OP_GET, {8, 0, 4, 7}},
                                    {MCMD_DSP, dsp::PEQ_BYPASS, OP_GET, channels}};
    ASSERT_GE(requests.size(), 1 + head.size());
    EXPECT_TRUE(std::equal(head.begin(), head.end(), requests.begin() + 1)) << Describe(requests);
    // 24 band requests, delay, trim, mute, phase, 9 routing, 8 mix levels, 10 names.
    EXPECT_EQ(requests.size(), 1 + head.size() + 24 + 4 + 9 + 8 + 10);
    for (const Request& r : requests) {
        if (r.mcmd == MCMD_DSP) {
            EXPECT_EQ(r.payload[0], 8) << "scene byte";
        }
    }
}

TEST_F(SceneTest, FactoryResetAsksFirst) {
    amp->ModifyState([](AmpState& s) { s.live.mainVolumeDb = -30; });
    amp->ClearRequestLog();
    view.confirmAnswer = false;
    EXPECT_FALSE(manager.ResetMcuFactoryDefault());
    EXPECT_TRUE(amp->RequestLog().empty());
    view.confirmAnswer = true;
    ASSERT_TRUE(manager.ResetMcuFactoryDefault());
    ASSERT_TRUE(Settle());
    EXPECT_EQ(view.questions.back(), "${factory_default_tips}");
    EXPECT_EQ(amp->State().live.mainVolumeDb, FactoryScene().mainVolumeDb);
    EXPECT_TRUE(view.Showed("${device_reboot}"));
    EXPECT_EQ(view.loadingOpen, 0);
}

TEST(SceneWithoutDeviceTest, DeviceOperationsNeedAnOpenDevice) {
    auto amp = std::make_shared<VirtualAmplifier>();
    MessageQueue queue;
    RecordingView view;
    EqualizerManager manager(MakeVirtualTransportFactory(amp), queue, view);
    EXPECT_FALSE(manager.SaveSceneToDevice(1, u"a"));
    EXPECT_FALSE(manager.LoadSceneFromDevice(1));
    EXPECT_FALSE(manager.DeleteSceneFromDevice(1));
    EXPECT_FALSE(manager.ResetMcuFactoryDefault());
    EXPECT_TRUE(view.questions.empty());
}

}  // namespace
}  // namespace korvel::testing
