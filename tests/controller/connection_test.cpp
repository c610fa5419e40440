// Connecting to the virtual amplifier: the initial synchronisation's request order and result,
// the device checks after the handshake, and taking the connection down again.

#include <gtest/gtest.h>

#include <algorithm>

#include "controller_fixture.h"

namespace korvel::testing {
namespace {

Request DspGet(uint8_t id, std::vector<uint8_t> payload = {}) {
    return {MCMD_DSP, id, OP_GET, std::move(payload)};
}

const Request kPcConnect1{MCMD_MCU, mcu::PC_CONNECT, OP_SET, {1}};
const Request kPcConnect0{MCMD_MCU, mcu::PC_CONNECT, OP_SET, {0}};
const Request kHandshake{MCMD_MCU, mcu::HANDSHAKE, OP_SET, {}};

// The initial read of the live scene, in its fixed order.
std::vector<Request> ExpectedSyncRequests() {
    const std::vector<uint8_t> channels{0, 0, 0, 5};
    std::vector<Request> r{kPcConnect1,
                           kHandshake,
                           DspGet(dsp::SOURCE_SWITCH),
                           DspGet(dsp::VOLUME),
                           DspGet(dsp::SUBWOOFER_VOLUME),
                           DspGet(dsp::MUTE),
                           DspGet(dsp::AMP_MUTE),
                           DspGet(dsp::SPEAKER_CONFIG),
                           {MCMD_FLASH, flash::SCENE_VALID, OP_GET, {}},
                           DspGet(dsp::DELAY, channels),
                           DspGet(dsp::CH_TYPE, channels),
                           DspGet(dsp::SOLO, channels),
                           DspGet(dsp::CH_LINK, {0}),
                           DspGet(dsp::CH_LOCK, {0}),
                           DspGet(dsp::FILTER, {0, 0, 0, 3}),
                           DspGet(dsp::FILTER, {0, 0, 4, 7}),
                           DspGet(dsp::PEQ_BYPASS, channels)};
    for (uint8_t ch = 0; ch < 6; ++ch) {
        for (uint8_t first : {0, 8, 16, 24}) {
            const uint8_t last = first == 24 ? 30 : static_cast<uint8_t>(first + 7);
            r.push_back(DspGet(dsp::EQ, {0, 0, ch, first, last}));
        }
    }
    r.push_back(DspGet(dsp::TRIM, channels));
    r.push_back(DspGet(dsp::MUTE_CH, channels));
    r.push_back(DspGet(dsp::PHASE, channels));
    for (uint8_t source = 0; source < 9; ++source) {
        r.push_back(DspGet(dsp::MIX_CH, {0, source, 0, 5}));
    }
    for (auto [source, inputs] : {std::pair<uint8_t, uint8_t>{2, 2}, {5, 4}, {6, 2}}) {
        for (uint8_t input = 0; input < inputs; ++input) {
            r.push_back(DspGet(dsp::INPUT_MIX_TRIM, {0, source, input, 0, 5}));
        }
    }
    for (uint8_t scene = 1; scene <= 10; ++scene) {
        r.push_back({MCMD_FLASH, flash::SCENE_NAME, OP_GET, {scene}});
    }
    return r;
}

using ConnectionTest = ControllerTest;

TEST_F(ConnectionTest, SyncSendsEveryRequestInTheFixedOrder) {
    ASSERT_TRUE(ConnectAndSync());
    const auto requests = Requests(*amp);
    const auto expected = ExpectedSyncRequests();
    EXPECT_EQ(requests, expected) << "got:\n" << Describe(requests);
    EXPECT_EQ(manager.State(), ConnectState::kConnected);
    EXPECT_TRUE(manager.Link().QueueEnabled());
    EXPECT_EQ(view.loadingOpen, 0);
    EXPECT_EQ(view.states.front(), ConnectState::kConnecting);
    EXPECT_TRUE(view.DidRefresh(RefreshWhat::kEqualizerGraph));
    const auto ids = PostedIds();
    // The loading window opens before anything else and closes after the connected message.
    EXPECT_EQ(ids.front(), kMsgOpenLoading);
    const auto connected = std::find(ids.begin(), ids.end(), kMsgConnected);
    ASSERT_NE(connected, ids.end());
    EXPECT_EQ(*(connected + 1), kMsgCloseLoading);
}

TEST_F(ConnectionTest, SyncCopiesTheDeviceStateIntoTheModel) {
    amp->ModifyState([](AmpState& s) {
        s.live.mainVolumeDb = -6;
        s.live.sourceCode = 0x56;
        s.live.ampMute = 1;
        AmpChannel& ch = s.live.channels[2];
        ch.gainHundredths = -1200;
        ch.delayMicroseconds = 2500;
        ch.mute = 1;
        ch.phase = 1;
        ch.speakerType = 3;
        ch.eqBypass = 0;
        ch.highPass = {3, 90, 2};
        ch.bands[30] = {16000, 430, 145};  // Q 4.30, gain -3.5 dB
        s.live.routing[5][2] = 0x0C;
        s.live.mixTrim[5][3][2] = 42;
        s.names[6] = {'C', 'l', 'u', 'b'};
        s.sceneValidMask = 0x0041;
    });
    ASSERT_TRUE(ConnectAndSync());
    const SceneRecord& live = manager.LiveScene();
    EXPECT_EQ(live.deviceModel, kSupportedModel);
    EXPECT_EQ(live.mainVersion, 16);
    EXPECT_EQ(live.slaveVersion, 25);
    EXPECT_EQ(live.mainVolume, 20);
    EXPECT_EQ(live.sourceIndex, 5);
    EXPECT_EQ(live.ampOn, 0);
    const ChannelSettings& ch = live.channels[2];
    EXPECT_FLOAT_EQ(ch.gain, -12.0f);
    EXPECT_FLOAT_EQ(ch.delay, 2.5f);
    EXPECT_EQ(ch.mute, 1);
    EXPECT_EQ(ch.phase, 1);
    EXPECT_EQ(ch.bypass, 0);
    EXPECT_EQ(live.outputs[2], 3);
    EXPECT_EQ(ch.crossover.hp.fs, 90);
    EXPECT_EQ(ch.crossover.hp.type, 3);
    EXPECT_EQ(ch.crossover.hp.slope, 2);
    const EqBand& band = live.eqStore[2][30];
    EXPECT_EQ(band.freq, 16000);
    EXPECT_NEAR(band.eqFactor, 4.3f, 1e-5);
    EXPECT_NEAR(band.eqGain, -3.5f, 1e-5);
    EXPECT_EQ(live.inputs[5][2], 0x0C);
    EXPECT_EQ(live.inputMixVolume[5][3][2], 42);
    EXPECT_EQ((*manager.StoredSceneName(7))[0], 'C');
    EXPECT_EQ(manager.SceneValidMask(), 0x0041);
}

class LoaderModeTest : public ControllerTest {
  protected:
    LoaderModeTest() : ControllerTest(LoaderIdentity()) {}
    static AmpIdentity LoaderIdentity() {
        AmpIdentity id;
        id.loaderMode = true;
        return id;
    }
};

TEST_F(LoaderModeTest, NoRequestFollowsTheHandshake) {
    manager.Connect(true);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Requests(*amp), (std::vector<Request>{kPcConnect1, kHandshake}));
    EXPECT_TRUE(view.Showed("${device_status_unnormal}"));
    EXPECT_EQ(view.forcedUpdates, 1);
    EXPECT_FALSE(manager.IsConnected());
    EXPECT_NE(manager.State(), ConnectState::kConnected);
}

class WrongModelTest : public ControllerTest {
  protected:
    WrongModelTest() : ControllerTest(Model73()) {}
    static AmpIdentity Model73() {
        AmpIdentity id;
        id.model = 73;
        return id;
    }
};

TEST_F(WrongModelTest, DisconnectsAfterTheHandshake) {
    manager.Connect(true);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Requests(*amp), (std::vector<Request>{kPcConnect1, kHandshake, kPcConnect0}));
    EXPECT_TRUE(view.Showed("${device_not_match} 73"));
    EXPECT_FALSE(manager.Link().IsOpen());
    EXPECT_EQ(manager.LiveScene().deviceModel, -1);
    EXPECT_EQ(manager.State(), ConnectState::kDisconnected);
    EXPECT_EQ(view.forcedUpdates, 0);
}

TEST_F(ConnectionTest, MissingHandshakeReportsFailureAndDisconnects) {
    manager.Link().SetWaitCapForTesting(50);
    FaultPlan plan;
    plan.dropReplyTo = 2;  // PC_Connect is request 1, the handshake request 2
    amp->SetFaultPlan(plan);
    manager.Connect(true);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(PostedIds(), (std::vector<int>{kMsgOpenLoading, kMsgCloseLoading, kMsgConnectFailed,
                                             kMsgDisconnect}));
    EXPECT_TRUE(view.Showed("${device_connect_fail}"));
    EXPECT_FALSE(manager.Link().IsOpen());
    EXPECT_EQ(manager.State(), ConnectState::kDisconnected);
    EXPECT_EQ(view.loadingOpen, 0);
}

struct FirmwareCase {
    uint8_t main;
    uint8_t slave;
    bool tooOld;
};

class FirmwareCheckTest : public ControllerTest,
                          public ::testing::WithParamInterface<FirmwareCase> {};

TEST_P(FirmwareCheckTest, OldFirmwareStartsTheForcedUpdate) {
    AmpIdentity id;
    id.mainVersion = GetParam().main;
    id.slaveVersion = GetParam().slave;
    amp->SetIdentity(id);
    ASSERT_TRUE(ConnectAndSync());
    const auto ids = PostedIds();
    const bool posted = std::find(ids.begin(), ids.end(), kMsgFirmwareTooOld) != ids.end();
    EXPECT_EQ(posted, GetParam().tooOld);
    EXPECT_EQ(view.forcedUpdates, GetParam().tooOld ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Versions, FirmwareCheckTest,
                         ::testing::Values(FirmwareCase{16, 24, true}, FirmwareCase{16, 25, false},
                                           FirmwareCase{15, 99, true}, FirmwareCase{17, 0, false},
                                           FirmwareCase{0, 0, true}));

TEST_F(ConnectionTest, ConnectWhileOpenDisconnects) {
    ASSERT_TRUE(ConnectAndSync());
    amp->ClearRequestLog();
    manager.Connect(true);
    EXPECT_FALSE(manager.Link().IsOpen());
    EXPECT_FALSE(manager.Link().QueueEnabled());
    EXPECT_EQ(manager.LiveScene().deviceModel, -1);
    EXPECT_EQ(manager.State(), ConnectState::kDisconnected);
    EXPECT_EQ(Requests(*amp), (std::vector<Request>{kPcConnect0}));
}

TEST_F(ConnectionTest, OpenFailureShowsTheMessageOnlyWhenAsked) {
    amp->Unplug();
    manager.DevicePlugin();
    EXPECT_TRUE(view.messages.empty());
    manager.Connect(true);
    EXPECT_TRUE(view.Showed("${device_connect_fail}"));
    EXPECT_EQ(view.states.back(), ConnectState::kDisconnected);
    EXPECT_FALSE(manager.Busy());
}

TEST_F(ConnectionTest, NothingHappensWhileAnUpgradeRuns) {
    int status = 32;
    manager.SetUpgradeStatusQuery([&] { return status; });
    manager.Connect(true);
    manager.DevicePlugin();
    EXPECT_FALSE(manager.Link().IsOpen());
    EXPECT_TRUE(amp->RequestLog().empty());
    status = 0;
    ASSERT_TRUE(ConnectAndSync());
    status = 16;
    manager.DevicePlugOut();
    manager.Disconnect();
    EXPECT_TRUE(manager.Link().IsOpen());
}

TEST_F(ConnectionTest, PlugOutDisconnectsAndTellsTheUser) {
    ASSERT_TRUE(ConnectAndSync());
    manager.DevicePlugOut();
    ASSERT_TRUE(Settle());
    EXPECT_FALSE(manager.Link().IsOpen());
    EXPECT_TRUE(view.Showed("${device_plugout}"));
}

TEST_F(ConnectionTest, UnlockReportWhileLinkedSwitchesLinkOffOnTheDevice) {
    ASSERT_TRUE(ConnectAndSync());
    amp->ClearRequestLog();
    Message link;
    link.id = kMsgDspReport;
    link.wParam = dsp::CH_LINK;
    link.record = LinkReport{0, 1, {}};
    manager.HandleMessage(link);
    Message lock;
    lock.id = kMsgDspReport;
    lock.wParam = dsp::CH_LOCK;
    lock.record = LockReport{0, 0};
    manager.HandleMessage(lock);
    EXPECT_EQ(manager.LiveScene().linkMode, 0);
    EXPECT_EQ(manager.LiveScene().lockMode, 0);
    ASSERT_TRUE(manager.Link().WaitUntilIdle(std::chrono::seconds(10)));
    EXPECT_EQ(Requests(*amp), (std::vector<Request>{{MCMD_DSP, dsp::CH_LINK, OP_SET, {0, 0, 0}}}));
}

}  // namespace
}  // namespace korvel::testing

namespace korvel::testing {
namespace {

TEST(ControllerLifetimeTest, DestroyingTheControllerEndsARunningSequence) {
    auto amp = std::make_shared<VirtualAmplifier>();
    amp->SetReportDelay(std::chrono::microseconds(0));
    MessageQueue queue;
    RecordingView view;
    const auto start = std::chrono::steady_clock::now();
    {
        EqualizerManager manager(MakeVirtualTransportFactory(amp), queue, view);
        ControllerTimings timings = NoPauses();
        timings.syncSettle = std::chrono::seconds(60);  // the read-all thread waits at its end
        manager.SetTimings(timings);
        manager.Connect(true);
        ASSERT_TRUE(manager.Busy());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

}  // namespace
}  // namespace korvel::testing
