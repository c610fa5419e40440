// Which path a command takes: queued, sent at once, or dropped while the queue is disabled.

#include <chrono>
#include <cstring>

#include "command_fixture.h"

namespace korvel::testing {
namespace {

using namespace std::chrono_literals;

TEST_F(CommandFixture, QueuedCommandIsDroppedWhileQueueDisabled) {
    EXPECT_FALSE(link.EQ_Ctrl(0, 0, 1, 2, 100, 1.0f, 0.0f, false));
    EXPECT_FALSE(link.CS_Auto_Ctrl(MakeDefaultCsAutoBlock(0)));
    EXPECT_TRUE(link.WaitUntilIdle(2s));
    EXPECT_EQ(device->WriteCount(), 0u);
}

TEST_F(CommandFixture, QueuedCommandsAreWrittenInOrder) {
    // The device acknowledges every command, so none is sent twice.
    device->SetResponder([](std::span<const uint8_t> report) {
        const std::vector<uint8_t> done{0x0A};
        std::vector<uint8_t> ack = BuildReplyFrame(report[4], report[5], OP_ACK, done);
        ack.resize(kInputReportSize, 0);
        return std::vector<ScriptedRead>{ScriptedRead::Data(ack)};
    });
    link.EnableQueue();
    const std::array<uint8_t, 1> mute{1};
    EXPECT_TRUE(link.Mute_Ch_Ctrl(0, 0, 2, 2, mute, false));
    EXPECT_TRUE(link.Main_Volume_Ctrl(-5.0f, false));
    ASSERT_TRUE(device->WaitForWrites(2, 5s));
    const auto written = device->Written();
    EXPECT_EQ(ParseOutputReport(written[0]).subcmd, dsp::MUTE_CH);
    EXPECT_EQ(ParseOutputReport(written[1]).subcmd, dsp::VOLUME);
}

TEST_F(CommandFixture, ImmediateCommandIgnoresDisabledQueue) {
    link.DisableQueue();
    link.Amp_Mute_Ctrl(1, true);
    EXPECT_EQ(device->WriteCount(), 1u);
    EXPECT_EQ(LastSent(), (SentCommand{1, dsp::AMP_MUTE, OP_SET, {1}}));
}

TEST_F(CommandFixture, CsAutoBlockIsAlwaysQueuedWithRestoreValues) {
    link.EnableQueue();
    EXPECT_TRUE(link.CS_Auto_Ctrl(MakeDefaultCsAutoBlock(7)));
    ASSERT_TRUE(device->WaitForWrites(1, 5s));
    const SentCommand sent = LastSent();
    ASSERT_EQ(sent.payload.size(), kCsAutoBlockSize);
    EXPECT_EQ(sent.payload[0], 7);
    for (int i = 1; i <= 11; ++i) {
        EXPECT_EQ(sent.payload[i], 1) << i;
    }
    for (int g = 0; g < 9; ++g) {
        float gain = 0;
        std::memcpy(&gain, &sent.payload[12 + 4 * g], 4);
        EXPECT_EQ(gain, 1.0f);
    }
    EXPECT_EQ(sent.payload[12], 0x00);
    EXPECT_EQ(sent.payload[15], 0x3F);  // 1.0f low byte first
    EXPECT_EQ(sent.payload[48], 0);
    EXPECT_EQ(sent.payload[49], 5);
    EXPECT_EQ(sent.payload[51], 5);
}

TEST_F(CommandFixture, PcConnectWritesWithoutReading) {
    const int readsBefore = device->ReadCalls();
    EXPECT_TRUE(link.PC_Connect(1));
    EXPECT_EQ(LastSent(), (SentCommand{3, mcu::PC_CONNECT, OP_SET, {1}}));
    EXPECT_EQ(device->ReadCalls(), readsBefore);
}

TEST_F(CommandFixture, HandConnectReportsWhetherAnAnswerArrived) {
    EXPECT_FALSE(link.Hand_Connect());
    const std::vector<uint8_t> data{0x01, 72, 3, 4};
    device->PushReport(BuildReplyFrame(MCMD_MCU, mcu::HANDSHAKE, OP_DATA, data));
    EXPECT_TRUE(link.Hand_Connect());
    EXPECT_EQ(link.DeviceModel(), 72);
    EXPECT_TRUE(link.mcu_is_normal_mode());
    auto m = reports.Take();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->id, kMsgMcuReport);
    const auto* hs = std::get_if<HandshakeReport>(&m->record);
    ASSERT_NE(hs, nullptr);
    EXPECT_EQ(hs->model, 72);
    EXPECT_EQ(hs->master_version, 3);
    EXPECT_EQ(hs->slave_version, 4);
}

TEST_F(CommandFixture, GetRequestDecodesTheAnswerOnTheCallingThread) {
    const std::vector<uint8_t> data{0, 0x51, 0, 1, 0x01, 0x00, 0xFA, 0x00, 0x00, 0x00};
    device->PushReport(BuildReplyFrame(MCMD_DSP, dsp::DELAY, OP_DATA, data));
    EXPECT_TRUE(link.Get_Delay(0, 0x51, 0, 1));
    auto msgs = Drain(reports);
    ASSERT_EQ(msgs.size(), 2u);
    EXPECT_FLOAT_EQ(std::get<ChannelFloatReport>(msgs[0].record).value, 1.25f);
    EXPECT_EQ(std::get<ChannelFloatReport>(msgs[1].record).channel, 1);
}

TEST_F(CommandFixture, QueuedCommandWithoutDeviceIsConsumed) {
    link.CloseHIDDevice(false);
    link.EnableQueue();
    EXPECT_TRUE(link.Mute_Ctrl(1, false));
    EXPECT_TRUE(link.WaitUntilIdle(2s));
    EXPECT_EQ(device->WriteCount(), 0u);
}

TEST_F(CommandFixture, TargetsCanBeClearedWhileRepliesArrive) {
    // One thread keeps feeding replies while another swaps the report target.
    std::atomic<bool> stop{false};
    std::thread feeder([&] {
        const std::vector<uint8_t> reply{dsp::VOLUME, OP_DATA, 0xF4};
        while (!stop) {
            link.packet_process(4, MCMD_DSP, reply.data());
        }
    });
    for (int i = 0; i < 200; ++i) {
        link.SetReportTarget(i % 2 ? &reports : nullptr);
    }
    link.SetReportTarget(nullptr);
    reports.Clear();
    const std::vector<uint8_t> reply{dsp::VOLUME, OP_DATA, 0xF4};
    link.packet_process(4, MCMD_DSP, reply.data());
    stop = true;
    feeder.join();
    EXPECT_EQ(reports.Size(), 0u);
}

}  // namespace
}  // namespace korvel::testing
