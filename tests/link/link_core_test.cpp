#include "link/device_link_core.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "common/scripted_transport.h"
#include "link/device_lock.h"
#include "link/framing.h"
#include "link/recording_sink.h"
#include "log/log.h"

namespace korvel {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using testing::DeviceString;
using testing::RecordingSink;
using testing::ScriptedDevice;
using testing::ScriptedRead;

Bytes Reply(uint8_t subcmd, uint8_t value) {
    Bytes frame = BuildReplyFrame(MCMD_DSP, subcmd, OP_DATA, Bytes{value});
    frame.resize(kInputReportSize, 0);
    return frame;
}

CommandRecord Record(uint8_t subcmd, Bytes payload = {}) {
    return CommandRecord{MCMD_DSP, subcmd, OP_SET, std::move(payload)};
}

class LinkCoreTest : public ::testing::Test {
  protected:
    void SetUp() override { link.SetWaitCapForTesting(300); }
    void OpenDevice() { ASSERT_EQ(link.OpenHIDDevice(), 0); }

    std::shared_ptr<ScriptedDevice> device = std::make_shared<ScriptedDevice>();
    RecordingSink sink;
    LinkCore link{device->Factory(), sink};
};

// --- opening and closing ---------------------------------------------------------------------

class OpenWithStringFailures : public LinkCoreTest, public ::testing::WithParamInterface<int> {};

TEST_P(OpenWithStringFailures, OpensUnlessThreeOrMoreStringsFail) {
    const int failures = GetParam();
    device->FailStrings(failures);
    device->SetNonblockingResult(0);
    const int result = link.OpenHIDDevice();
    const bool expectOpen = failures < 3;
    EXPECT_EQ(link.IsOpen(), expectOpen);
    EXPECT_EQ(device->LastNonblocking().has_value(), expectOpen);
    if (expectOpen) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(device->LastNonblocking(), true);
    } else {
        EXPECT_NE(result, 0);
        EXPECT_EQ(device->LiveTransports(), 0) << "a rejected device must be released";
    }
}

INSTANTIATE_TEST_SUITE_P(Failures, OpenWithStringFailures, ::testing::Values(0, 1, 2, 3, 4));

TEST_F(LinkCoreTest, OpenReturnsInitErrorAndCreatesNoDevice) {
    device->SetInitResult(-7);
    EXPECT_EQ(link.OpenHIDDevice(), -7);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(device->OpenCount(), 0);
}

TEST_F(LinkCoreTest, OpenFailureLeavesLinkClosed) {
    device->SetOpenSucceeds(false);
    EXPECT_NE(link.OpenHIDDevice(), 0);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(device->LiveTransports(), 0);
}

TEST_F(LinkCoreTest, OpenReturnsTheNonblockingResult) {
    device->SetNonblockingResult(5);
    EXPECT_EQ(link.OpenHIDDevice(), 5);
    EXPECT_TRUE(link.IsOpen());
}

TEST_F(LinkCoreTest, ReopeningReleasesThePreviousDevice) {
    OpenDevice();
    OpenDevice();
    EXPECT_EQ(device->LiveTransports(), 1);
}

TEST_F(LinkCoreTest, CloseWithNotifySendsPcConnectZeroWithoutReading) {
    OpenDevice();
    link.CloseHIDDevice(true);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(device->LiveTransports(), 0);
    EXPECT_EQ(device->ReadCalls(), 0);
    ASSERT_EQ(device->WriteCount(), 1u);
    const OutputReport expected = BuildOutputReport(MCMD_MCU, 0x1F, OP_SET, Bytes{0});
    EXPECT_EQ(device->Written()[0], Bytes(expected.begin(), expected.end()));
}

TEST_F(LinkCoreTest, CloseWithoutNotifyOrWhileClosedWritesNothing) {
    link.CloseHIDDevice(true);  // nothing open: no effect
    OpenDevice();
    link.CloseHIDDevice(false);
    EXPECT_EQ(device->WriteCount(), 0u);
    EXPECT_FALSE(link.IsOpen());
}

// --- sending -------------------------------------------------------------------------------

TEST_F(LinkCoreTest, SendWritesOneSixtyFiveByteReport) {
    OpenDevice();
    const Bytes payload{1, 2, 3};
    EXPECT_TRUE(link.SendCtrlCommand(MCMD_DSP, 0x06, OP_SET, payload.data(), 3));
    ASSERT_EQ(device->WriteCount(), 1u);
    const OutputReport expected = BuildOutputReport(MCMD_DSP, 0x06, OP_SET, payload);
    EXPECT_EQ(device->Written()[0], Bytes(expected.begin(), expected.end()));
    EXPECT_EQ(device->ReadCalls(), 0) << "sending never waits for a reply";
}

TEST_F(LinkCoreTest, SendFailsWhenClosedOnWriteErrorOrOverlongPayload) {
    const Bytes payload(58, 0);
    EXPECT_FALSE(link.SendCtrlCommand(MCMD_DSP, 1, OP_SET, nullptr, 0));
    OpenDevice();
    device->FailNextWrites(1);
    EXPECT_FALSE(link.SendCtrlCommand(MCMD_DSP, 1, OP_SET, nullptr, 0));
    EXPECT_FALSE(link.SendCtrlCommand(MCMD_DSP, 1, OP_SET, payload.data(), 58));
    EXPECT_FALSE(link.SendImmediate(MCMD_DSP, 1, OP_SET, Bytes(300, 0), kNoRead));
    EXPECT_EQ(device->WriteCount(), 0u);
    EXPECT_TRUE(link.SendCtrlCommand(MCMD_DSP, 1, OP_SET, payload.data(), 57));
}

// --- reading -------------------------------------------------------------------------------

TEST_F(LinkCoreTest, ReadFailsWithoutDevice) {
    EXPECT_FALSE(link.ReadHIDData(1000));
}

TEST_F(LinkCoreTest, TimeOutReturnsFalseAndLeavesParserUntouched) {
    OpenDevice();
    device->PushReport({0xAA, 0x55, 0x04});  // a packet's start
    EXPECT_TRUE(link.ReadHIDData(1000));
    device->PushRead(ScriptedRead::Timeout());
    EXPECT_FALSE(link.ReadHIDData(1000));
    EXPECT_EQ(device->ReadCalls(), 2) << "a time-out is not retried";
    device->PushReport({0x01, 0x07, 0xDD, 0x05, 0x12});
    EXPECT_TRUE(link.ReadHIDData(1000));
    ASSERT_EQ(sink.Count(), 1u) << "the packet straddling the time-out completes";
    EXPECT_EQ(sink.Packets()[0].payload, (Bytes{0x07, 0xDD, 0x05}));
}

TEST_F(LinkCoreTest, ReadErrorIsRetriedWithinTheWait) {
    OpenDevice();
    device->PushRead(ScriptedRead::Error());
    device->PushRead(ScriptedRead::Error());
    device->PushReport(Reply(0x07, 0x05));
    EXPECT_TRUE(link.ReadHIDData(1000));
    EXPECT_EQ(device->ReadCalls(), 3);
    EXPECT_EQ(sink.Count(), 1u);
}

TEST_F(LinkCoreTest, ReadErrorWithNothingMoreEndsWithinTheWait) {
    OpenDevice();
    link.SetWaitCapForTesting(50);
    device->PushRead(ScriptedRead::Error());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(link.ReadHIDData(1000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

TEST_F(LinkCoreTest, UnplugEndsTheReadAndMarksTheDeviceGone) {
    OpenDevice();
    device->PushRead(ScriptedRead::Unplug());
    EXPECT_FALSE(link.ReadHIDData(1000));
    EXPECT_EQ(device->ReadCalls(), 1) << "a vanished device is not retried";
    EXPECT_TRUE(link.DeviceGone());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(link.SendCtrlCommand(MCMD_DSP, 1, OP_GET, nullptr, 0));
    link.CloseHIDDevice(true);
    EXPECT_FALSE(link.DeviceGone());
    EXPECT_EQ(device->LiveTransports(), 0);
}

TEST_F(LinkCoreTest, ImmediateDecodesTheReplyOnTheCallingThread) {
    OpenDevice();
    device->SetResponder([](std::span<const uint8_t> report) {
        return std::vector<ScriptedRead>{ScriptedRead::Data(Reply(report[5], 0x42))};
    });
    EXPECT_TRUE(link.SendImmediate(MCMD_DSP, 0x21, OP_GET, {}, kWaitDefaultMs));
    ASSERT_EQ(sink.Count(), 1u);
    EXPECT_EQ(sink.Packets()[0].payload, (Bytes{0x21, OP_DATA, 0x42}));
    EXPECT_EQ(sink.Packets()[0].thread, std::this_thread::get_id());
}

// The immediate path reads past reports that are not its command's answer (decoding them as
// usual) and counts only an answer that fits the command.
TEST_F(LinkCoreTest, ImmediateWaitsForItsOwnAnswer) {
    struct Case {
        const char* name;
        uint8_t optype;
        AnswerRule rule;
        std::vector<Bytes> replies;
        bool answered;
    };
    auto frame = [](uint8_t subcmd, uint8_t optype, uint8_t status) {
        Bytes f = BuildReplyFrame(MCMD_DSP, subcmd, optype, Bytes{status});
        f.resize(kInputReportSize, 0);
        return f;
    };
    Bytes corrupt = frame(0x21, OP_DATA, 1);
    corrupt[7] ^= 0xFF;
    const Case cases[] = {
        {"another reply first",
         OP_GET,
         AnswerRule::kReply,
         {frame(0x07, OP_DATA, 1), frame(0x21, OP_DATA, 2)},
         true},
        {"an acknowledgement is no data",
         OP_GET,
         AnswerRule::kReply,
         {frame(0x21, OP_ACK, 0x0A)},
         false},
        {"a set's acknowledgement", OP_SET, AnswerRule::kReply, {frame(0x21, OP_ACK, 0x0A)}, true},
        {"refused storage", OP_SET, AnswerRule::kAckDone, {frame(0x21, OP_ACK, 0xE0)}, false},
        {"done storage", OP_SET, AnswerRule::kAckDone, {frame(0x21, OP_ACK, 0x0A)}, true},
        {"bad checksum", OP_GET, AnswerRule::kReply, {corrupt}, false},
    };
    OpenDevice();
    link.SetWaitCapForTesting(30);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const Bytes& reply : c.replies)
            device->PushReport(reply);
        EXPECT_EQ(link.SendImmediate(MCMD_DSP, 0x21, c.optype, {}, kWaitDefaultMs, c.rule),
                  c.answered);
    }
    EXPECT_EQ(sink.Count(), 6u) << "every verified packet was decoded";
}

TEST_F(LinkCoreTest, ImmediateWithoutReadOnlyWrites) {
    OpenDevice();
    EXPECT_FALSE(link.SendImmediate(MCMD_FLASH, 0x05, OP_SET, {1, 2}, kNoRead));
    EXPECT_EQ(device->WriteCount(), 1u);
    EXPECT_EQ(device->ReadCalls(), 0);
}

TEST_F(LinkCoreTest, ImmediateSendsWhileQueueDisabled) {
    OpenDevice();
    link.DisableQueue();
    device->PushReport(Reply(1, 1));
    EXPECT_TRUE(link.SendImmediate(MCMD_DSP, 1, OP_GET, {}, kWaitDefaultMs));
    EXPECT_EQ(device->WriteCount(), 1u);
}

// --- queue and worker ------------------------------------------------------------------------

TEST_F(LinkCoreTest, DisabledQueueDropsCommands) {
    OpenDevice();
    EXPECT_FALSE(link.QueueEnabled());
    EXPECT_FALSE(link.Enqueue(Record(1, {1})));
    EXPECT_EQ(link.QueuedCount(), 0u);
    EXPECT_TRUE(link.WaitUntilIdle(1s));
    EXPECT_EQ(device->WriteCount(), 0u);
}

TEST_F(LinkCoreTest, QueueRefusesOverlongPayload) {
    link.EnableQueue();
    EXPECT_FALSE(link.Enqueue(Record(1, Bytes(58, 0))));
    EXPECT_EQ(link.QueuedCount(), 0u);
}

TEST_F(LinkCoreTest, WorkerSendsInOrderOneCommandPerRead) {
    OpenDevice();
    link.SetWaitCapForTesting(5000);
    link.EnableQueue();
    for (uint8_t id = 1; id <= 3; ++id)
        ASSERT_TRUE(link.Enqueue(Record(id, {id})));

    ASSERT_TRUE(device->WaitForWrites(1, 2s));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(device->WriteCount(), 1u) << "the next command waits for the read";
    EXPECT_FALSE(link.WaitUntilIdle(10ms));

    for (uint8_t id = 1; id <= 3; ++id) {
        device->PushReport(Reply(id, id));
        ASSERT_TRUE(device->WaitForWrites(std::min<size_t>(id + 1, 3), 2s));
    }
    ASSERT_TRUE(link.WaitUntilIdle(2s));
    const auto written = device->Written();
    ASSERT_EQ(written.size(), 3u);
    for (uint8_t id = 1; id <= 3; ++id) {
        const OutputReport expected = BuildOutputReport(MCMD_DSP, id, OP_SET, Bytes{id});
        EXPECT_EQ(written[id - 1u], Bytes(expected.begin(), expected.end()));
    }
    EXPECT_EQ(sink.Count(), 3u);
}

// An unacknowledged set is sent once more; then the worker counts it and moves on.
TEST_F(LinkCoreTest, WorkerMovesOnWhenNoAnswerComes) {
    OpenDevice();
    link.SetWaitCapForTesting(20);
    link.EnableQueue();
    link.Enqueue(Record(1));
    link.Enqueue(Record(2));
    EXPECT_TRUE(link.WaitUntilIdle(2s));
    EXPECT_EQ(device->WriteCount(), 4u);
    EXPECT_EQ(link.UnconfirmedSets(), 2u);
}

TEST_F(LinkCoreTest, CommandQueuedWhileClosedIsConsumed) {
    link.EnableQueue();
    EXPECT_TRUE(link.Enqueue(Record(1, {9})));
    EXPECT_TRUE(link.WaitUntilIdle(2s));
    EXPECT_EQ(link.QueuedCount(), 0u);
    OpenDevice();
    EXPECT_EQ(device->WriteCount(), 0u);
}

TEST_F(LinkCoreTest, ImmediateAndWorkerWritesNeverOverlap) {
    OpenDevice();
    device->SetWriteDelay(2ms);
    device->SetResponder([](std::span<const uint8_t> report) {
        return std::vector<ScriptedRead>{ScriptedRead::Data(Reply(report[5], 0))};
    });
    link.EnableQueue();
    constexpr int kEach = 20;
    std::thread producer([&] {
        for (int i = 0; i < kEach; ++i)
            link.Enqueue(Record(static_cast<uint8_t>(i)));
    });
    for (int i = 0; i < kEach; ++i) {
        link.SendImmediate(MCMD_MCU, static_cast<uint8_t>(i), OP_GET, {}, kWaitDefaultMs);
    }
    producer.join();
    ASSERT_TRUE(link.WaitUntilIdle(5s));
    EXPECT_EQ(device->WriteCount(), 2u * kEach);
    EXPECT_EQ(device->MaxConcurrentWrites(), 1);
}

// The log is what an installer sends back with a fault report; the key lines must be there
// with their exact texts, and the formatting of every line must hold up under the sanitizers.
TEST_F(LinkCoreTest, LogsTheDeviceConversation) {
    const auto path = std::filesystem::temp_directory_path() / "korvel_link_core_test.log";
    ASSERT_TRUE(OpenLog(path));
    OpenDevice();
    device->PushReport(Reply(0x07, 0x05));
    link.SendImmediate(MCMD_DSP, 0x07, OP_GET, {}, kWaitDefaultMs);
    link.EnableQueue();
    link.Enqueue(Record(0x09, {0xAB}));
    ASSERT_TRUE(link.WaitUntilIdle(2s));
    link.CloseHIDDevice(true);
    CloseLog();

    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::filesystem::remove(path);
    std::string text;  // the log is UTF-16LE; these lines are ASCII
    for (size_t i = 0; i < bytes.size(); i += 2)
        text.push_back(bytes[i]);
    for (const char* expected :
         {"Manufacturer String: Korvel\n", "Product String: Scripted amplifier\n",
          "Serial Number String: (48) 0001", "Indexed String 1: scripted\n", "SendCtrlCommand\n",
          "begain to write data to devices:\n00 aa 55 03 01 07 66 ", "set WRITE_ROPRT = TRUE\n",
          "write data ok! HidDeviceObject = ", "ReadHIDData NumberOfBytesRead = 64\n",
          "read data: aa 55 04 01 07 dd 05 12 ", "packet_checksum: temp_sum(0xffffff12)\n",
          "get mcmd 0x01 subcmd 0x09 optype 0xbb len 0x01 cmd_data[0](0xab) \n", "PC_Connect = 0\n",
          "CloseHIDDevice!\n"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }
}

TEST(LinkCoreLifetime, DestructionDiscardsQueuedCommandsUnsent) {
    auto device = std::make_shared<ScriptedDevice>();
    RecordingSink sink;
    {
        LinkCore link(device->Factory(), sink);
        link.SetWaitCapForTesting(100);
        ASSERT_EQ(link.OpenHIDDevice(), 0);
        link.EnableQueue();
        for (uint8_t id = 1; id <= 5; ++id)
            link.Enqueue(Record(id, Bytes(10, id)));
        ASSERT_TRUE(device->WaitForWrites(1, 2s));
    }
    EXPECT_EQ(device->WriteCount(), 1u);
    EXPECT_EQ(device->LiveTransports(), 0);
}

TEST(LinkCoreLifetime, StopWorkerRefusesLaterCommands) {
    auto device = std::make_shared<ScriptedDevice>();
    RecordingSink sink;
    LinkCore link(device->Factory(), sink);
    link.EnableQueue();
    link.StopWorker();
    link.StopWorker();
    EXPECT_FALSE(link.Enqueue(Record(1)));
    EXPECT_TRUE(link.WaitUntilIdle(100ms));
}

// --- one program per amplifier ----------------------------------------------------------------

TEST(DeviceLockTest, SecondHolderIsToldWhoHasTheDevice) {
    const std::string key = "unix:/tmp/korvel-lock-test-" + std::to_string(getpid());
    auto first = DeviceLock::Acquire(key, nullptr);
    ASSERT_NE(first, nullptr);
    std::string holder;
    EXPECT_EQ(DeviceLock::Acquire(key, &holder), nullptr);
    EXPECT_EQ(holder, std::string(program_invocation_short_name) + " (pid " +
                          std::to_string(getpid()) + ")");
    first.reset();
    auto again = DeviceLock::Acquire(key, nullptr);
    ASSERT_NE(again, nullptr);
    const fs::path path = again->Path();
    again.reset();
    // A lock file left by a program that died holds no lock any more: it is taken over.
    std::ofstream(path) << "korvel-dsp 999999999\n";
    EXPECT_NE(DeviceLock::Acquire(key, nullptr), nullptr);
}

TEST(DeviceLockTest, LinksWithTheSameKeyOpenOneAtATime) {
    auto device = std::make_shared<ScriptedDevice>();
    TransportFactory factory = device->Factory();
    factory.lockKey = "unix:/tmp/korvel-link-lock-test-" + std::to_string(getpid());
    RecordingSink sink;
    LinkCore first(factory, sink);
    LinkCore second(factory, sink);
    ASSERT_EQ(first.OpenHIDDevice(), 0);
    EXPECT_EQ(second.OpenHIDDevice(), kOpenDeviceInUse);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_NE(second.DeviceHolder().find("(pid "), std::string::npos);
    first.CloseHIDDevice(false);
    EXPECT_EQ(second.OpenHIDDevice(), 0);
}

}  // namespace
}  // namespace korvel
