// The calibration sequence against the virtual amplifier's simulated car.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "controller/auto_cal_session.h"
#include "virtualamp/amp_calibration.h"
#include "virtualamp/virtual_transport.h"

namespace korvel::testing {
namespace {

using std::chrono::milliseconds;

constexpr uint8_t kIrcSubcmd = 0x13;
constexpr uint8_t kSpectrumSubcmd = 0x1A;

class AutoCalSessionTest : public ::testing::Test {
  protected:
    void Open(const CarOptions& options = {}, milliseconds pause = milliseconds(1)) {
        session_.reset();
        link_.reset();
        events_.Clear();
        amp_ = std::make_shared<VirtualAmplifier>();
        amp_->SetReportDelay(std::chrono::microseconds(0));
        car_ = InstallSimulatedCar(*amp_, options);
        link_ = std::make_unique<DeviceLink>(MakeVirtualTransportFactory(amp_));
        ASSERT_EQ(link_->OpenHIDDevice(), 0);
        session_ = std::make_unique<AutoCalSession>(*link_, &events_, AutoCalTimings{pause, pause});
    }
    void TearDown() override {
        session_.reset();
        link_.reset();
    }
    // Every message forwarded until the worker's end message (included).
    std::vector<Message> RunToEnd() {
        std::vector<Message> seen;
        while (auto m = events_.Take(std::chrono::seconds(10))) {
            seen.push_back(*m);
            if (m->id == kMsgAutoCalEnded) {
                session_->Release();
                break;
            }
        }
        return seen;
    }
    std::vector<AmpRequest> Sent(uint8_t subcmd, uint8_t optype) const {
        std::vector<AmpRequest> out;
        for (const AmpRequest& r : amp_->RequestLog()) {
            if (r.mcmd == MCMD_DSP && r.subcmd == subcmd && r.optype == optype) {
                out.push_back(r);
            }
        }
        return out;
    }

    std::shared_ptr<VirtualAmplifier> amp_;
    std::shared_ptr<AmpCalibration> car_;
    std::unique_ptr<DeviceLink> link_;
    MessageQueue events_;
    std::unique_ptr<AutoCalSession> session_;
};

TEST(AutoCalRules, ModeAndMaskFromTheOptions) {
    const bool none[kIrcEffectModes] = {};
    const bool threeAndFive[kIrcEffectModes] = {false, false, false, true, false, true};
    const bool first[kIrcEffectModes] = {true};
    EXPECT_EQ(IrcEqMode(none), 0);
    EXPECT_EQ(IrcEqMode(threeAndFive), 4);
    EXPECT_EQ(IrcEqMode(first), 1);
    const bool channels[kChannelSlots] = {true, false, true, false, false, true};
    EXPECT_EQ(IrcChannelMask(channels), 0x25);
    EXPECT_STREQ(IrcFailureText(6).key, "");
    EXPECT_STREQ(IrcStatusText(8).key, "");
}

TEST_F(AutoCalSessionTest, CompletedRunCollectsWhatTheAmplifierMeasuredAndDerived) {
    Open();
    EXPECT_EQ(session_->Start({0, 0x25, 0}), AutoCalSession::StartResult::kNothingToCalibrate);
    EXPECT_TRUE(amp_->RequestLog().empty());
    ASSERT_EQ(session_->Start({kIrcModuleEq, 0x25, 4}), AutoCalSession::StartResult::kStarted);
    const auto seen = RunToEnd();
    ASSERT_EQ(session_->End(), AutoCalEnd::kCompleted);
    EXPECT_TRUE(session_->Completed());
    EXPECT_EQ(session_->Progress(), 100);

    ASSERT_EQ(Sent(0x1E, OP_SET).size(), 1u);
    EXPECT_EQ(Sent(0x1E, OP_SET)[0].payload, (std::vector<uint8_t>{kIrcModuleEq}));
    EXPECT_EQ(Sent(kIrcSubcmd, OP_SET)[0].payload, (std::vector<uint8_t>{1, 0x00, 0x25, 4}));
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](const Message& m) {
        return m.id == kMsgCalibrationProgress && m.wParam > 0;
    }));

    // Code 7 for channel 2: fourteen spectrum requests for it before the next poll.
    const auto log = amp_->RequestLog();
    auto at = std::find_if(log.begin(), log.end(), [](const AmpRequest& r) {
        return r.subcmd == kSpectrumSubcmd && r.payload.size() == 3 && r.payload[2] == 2;
    });
    std::vector<std::vector<uint8_t>> requests;
    for (; at != log.end() && !(at->subcmd == kIrcSubcmd && at->optype == OP_GET); ++at) {
        requests.push_back(at->payload);
    }
    ASSERT_EQ(requests.size(), 14u);
    EXPECT_EQ(requests[1], (std::vector<uint8_t>{9, 17, 2}));
    EXPECT_EQ(requests[13], (std::vector<uint8_t>{117, 120, 2}));

    for (const int ch : {0, 2, 5}) {
        SCOPED_TRACE(ch);
        const AutoCalChannel data = session_->Channel(ch);
        const auto& served = car_->Result(ch);
        ASSERT_TRUE(data.received.all());
        EXPECT_FLOAT_EQ(data.spectrum[120].freq, 20000.0f);
        for (int i = 0; i < kIrcSpectrumPoints; ++i) {
            EXPECT_NEAR(data.spectrum[i].level, served.speaker.measuredDb[i], 1e-4);
        }
        ASSERT_EQ(data.bandReports.size(), 11u);
        for (int b = 0; b < 11; ++b) {
            EXPECT_EQ(data.bands[b].freq, served.bands[b].freq);
            EXPECT_NEAR(data.bands[b].eqGain, served.bands[b].gainTenthsPlus18 / 10.0 - 18, 1e-4);
            EXPECT_NEAR(data.bands[b].eqFactor, served.bands[b].qHundredths / 100.0, 1e-4);
        }
        EXPECT_EQ(data.bands[11].eqGain, 0.0f) << "bands the amplifier does not derive stay flat";
    }
    EXPECT_TRUE(session_->Channel(1).bandReports.empty());
}

TEST_F(AutoCalSessionTest, ResultIsAppliedOrDiscardedOnce) {
    Open();
    struct Case {
        bool apply;
        int expectedOn;
    };
    for (const Case c : {Case{true, 2}, Case{false, 3}}) {
        SCOPED_TRACE(c.apply);
        amp_->ClearRequestLog();
        EXPECT_FALSE(session_->CanDecide());
        ASSERT_EQ(session_->Start({kIrcModuleEq | kIrcModuleDelay, 0x03, 1}),
                  AutoCalSession::StartResult::kStarted);
        EXPECT_EQ(session_->Start({kIrcModuleEq, 0x03, 1}), AutoCalSession::StartResult::kBusy);
        EXPECT_FALSE(session_->Apply(1)) << "not while the run goes";
        RunToEnd();
        bool answered = false;
        EXPECT_TRUE(c.apply ? session_->Apply(1, &answered) : session_->Discard(&answered));
        EXPECT_TRUE(answered);
        EXPECT_FALSE(session_->Apply(1));
        EXPECT_FALSE(session_->Discard());
        EXPECT_EQ(session_->Applied(), c.apply);
        const auto controls = Sent(kIrcSubcmd, OP_SET);
        ASSERT_EQ(controls.size(), 2u) << "start and one decision";
        EXPECT_EQ(controls[1].payload[0], c.expectedOn);
        EXPECT_EQ(amp_->State().live.channels[1].delayMicroseconds,
                  c.apply ? car_->Result(1).delayUs : 0u);
    }
}

TEST_F(AutoCalSessionTest, FailedRunEndsWithItsReason) {
    for (int reason = 0; reason <= 5; ++reason) {
        SCOPED_TRACE(reason);
        Open({1, reason, -1, -1});
        ASSERT_EQ(session_->Start({kIrcModuleEq, 0x01, 0}), AutoCalSession::StartResult::kStarted);
        const auto seen = RunToEnd();
        EXPECT_EQ(session_->End(), AutoCalEnd::kFailed);
        EXPECT_EQ(session_->FailureReason(), reason);
        EXPECT_FALSE(session_->CanDecide());
        ASSERT_GE(seen.size(), 2u);
        const Message& failed = seen[seen.size() - 3];  // then a progress post and the end
        EXPECT_EQ(failed.id, kMsgCalibration);
        EXPECT_EQ(failed.wParam, kIrcFailed);
        EXPECT_EQ(failed.value, reason);
        EXPECT_NE(std::string(IrcFailureText(reason).english), "");
    }
}

TEST_F(AutoCalSessionTest, StopEndsTheRunOnTheAmplifierAndHidesItsExit) {
    Open({}, milliseconds(20));
    ASSERT_EQ(session_->Start({kIrcModuleEq, 0x3F, 0}), AutoCalSession::StartResult::kStarted);
    while (session_->Status() < kIrcLevelTest) {
        std::this_thread::sleep_for(milliseconds(1));
    }
    session_->Stop();
    EXPECT_FALSE(session_->Running());
    EXPECT_EQ(session_->End(), AutoCalEnd::kStopped);
    EXPECT_FALSE(session_->CanDecide());
    EXPECT_EQ(Sent(kIrcSubcmd, OP_SET).back().payload[0], 0);
    link_->IRC_Get();  // the amplifier now answers 12; a stopped run does not pass it on
    bool exitForwarded = false;
    while (auto m = events_.Take()) {
        exitForwarded = exitForwarded || (m->id == kMsgCalibration && m->wParam == kIrcExit);
    }
    EXPECT_FALSE(exitForwarded);
}

TEST_F(AutoCalSessionTest, UnpluggedAmplifierEndsTheRun) {
    Open({1, -1, -1, 3});
    ASSERT_EQ(session_->Start({kIrcModuleEq, 0x01, 0}), AutoCalSession::StartResult::kStarted);
    RunToEnd();
    EXPECT_EQ(session_->End(), AutoCalEnd::kDeviceLost);
    EXPECT_FALSE(session_->Completed());
}

TEST_F(AutoCalSessionTest, RecordsOutsideTheArraysChangeNothing) {
    Open();
    const ReportRecord records[] = {
        IrcEqBandReport{6, 3, 100, 1.0f, 5.0f},  IrcEqBandReport{1, 31, 100, 1.0f, 5.0f},
        IrcEqBandReport{-1, 0, 100, 1.0f, 5.0f}, IrcSpectrumReport{9, 0, 20.0f, 3.0f},
        IrcSpectrumReport{0, 121, 20.0f, 3.0f},  IrcSpectrumReport{0, -2, 20.0f, 3.0f},
    };
    for (const ReportRecord& record : records) {
        const int code =
            std::holds_alternative<IrcEqBandReport>(record) ? kIrcEqBandRecord : kIrcSpectrumRecord;
        session_->PostMessage(Message{kMsgCalibration, code, 0, record});
    }
    EXPECT_EQ(events_.Size(), 0u) << "nothing passed on";
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        const AutoCalChannel data = session_->Channel(ch);
        EXPECT_TRUE(data.received.none());
        EXPECT_TRUE(data.bandReports.empty());
    }
}

}  // namespace
}  // namespace korvel::testing
