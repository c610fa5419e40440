// The in-process transport: report delay, read time-out, unplugging, state across reopen,
// and the host's link talking to the amplifier through it.

#include "virtualamp/virtual_transport.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "amp_test_util.h"
#include "link/device_link_core.h"

namespace korvel::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Fixture {
    std::shared_ptr<VirtualAmplifier> amp = std::make_shared<VirtualAmplifier>();
    TransportFactory factory = MakeVirtualTransportFactory(amp);
    std::unique_ptr<HidTransport> transport = factory.create();

    int Write(uint8_t mcmd, uint8_t subcmd, uint8_t optype, const Bytes& payload = {}) {
        const auto report = OutputReport(mcmd, subcmd, optype, payload);
        return transport->Write(report.data(), report.size());
    }
    int Read(InputReport& buffer, int timeoutMs) {
        return transport->ReadTimeout(buffer.data(), buffer.size(), timeoutMs);
    }
};

TEST(VirtualTransport, ReplyArrivesAfterTheReportDelay) {
    Fixture f;
    f.amp->SetReportDelay(40ms);
    ASSERT_TRUE(f.transport->Open());
    const auto start = Clock::now();
    ASSERT_EQ(f.Write(kDsp, 0x02, kGet), 65);
    InputReport buffer{};
    EXPECT_EQ(f.Read(buffer, 0), 0) << "not yet released";
    EXPECT_EQ(f.Read(buffer, 1000), 64);
    EXPECT_GE(Clock::now() - start, 40ms);
    const Reply reply = Unpack(buffer);
    EXPECT_TRUE(reply.checksumOk);
    EXPECT_EQ(reply.subcmd, 0x02);
}

TEST(VirtualTransport, ReadTimesOutWhenTheDeviceStaysSilent) {
    Fixture f;
    ASSERT_TRUE(f.transport->Open());
    ASSERT_EQ(f.Write(kDsp, 0x50, kGet), 65);  // unknown: no reply
    InputReport buffer{};
    const auto start = Clock::now();
    EXPECT_EQ(f.Read(buffer, 30), 0);
    EXPECT_GE(Clock::now() - start, 30ms);
    EXPECT_FALSE(f.transport->Disconnected());
}

TEST(VirtualTransport, RepliesQueueInOrder) {
    Fixture f;
    f.amp->SetReportDelay(0us);
    ASSERT_TRUE(f.transport->Open());
    f.Write(kDsp, 0x01, kGet);
    f.Write(kDsp, 0x02, kGet);
    InputReport buffer{};
    ASSERT_EQ(f.Read(buffer, 100), 64);
    EXPECT_EQ(Unpack(buffer).subcmd, 0x01);
    ASSERT_EQ(f.Read(buffer, 100), 64);
    EXPECT_EQ(Unpack(buffer).subcmd, 0x02);
}

TEST(VirtualTransport, UnplugAfterRequestDisconnects) {
    Fixture f;
    f.amp->SetFaultPlan(FaultPlan{0, 0, 1});
    ASSERT_TRUE(f.transport->Open());
    ASSERT_EQ(f.Write(kMcu, 0x08, kSet), 65);
    InputReport buffer{};
    EXPECT_EQ(f.Read(buffer, 100), 64) << "the last answer is still delivered";
    EXPECT_TRUE(f.transport->Disconnected());
    EXPECT_EQ(f.Read(buffer, 100), -1);
    EXPECT_EQ(f.Write(kMcu, 0x08, kSet), -1);
    EXPECT_FALSE(f.factory.create()->Open()) << "no device to open while unplugged";
    f.amp->Replug();
    EXPECT_EQ(f.Read(buffer, 0), -1) << "a transport whose device went away stays gone";
    auto fresh = f.factory.create();
    EXPECT_TRUE(fresh->Open());
}

TEST(VirtualTransport, UnplugWakesAWaitingReader) {
    Fixture f;
    ASSERT_TRUE(f.transport->Open());
    std::thread unplugger([&] {
        std::this_thread::sleep_for(20ms);
        f.amp->Unplug();
    });
    InputReport buffer{};
    const auto start = Clock::now();
    EXPECT_EQ(f.Read(buffer, 5000), -1);
    EXPECT_LT(Clock::now() - start, 2s);
    unplugger.join();
}

TEST(VirtualTransport, StateSurvivesCloseAndReopen) {
    Fixture f;
    ASSERT_TRUE(f.transport->Open());
    f.Write(kDsp, 0x04, kSet, {1});
    f.transport->Close();
    f.transport = f.factory.create();
    ASSERT_TRUE(f.transport->Open());
    f.Write(kDsp, 0x04, kGet);
    InputReport buffer{};
    ASSERT_EQ(f.Read(buffer, 100), 64);
    // Only the get's reply is queued: the set's acknowledgement went with the closed handle.
    EXPECT_EQ(Unpack(buffer).optype, kData);
    EXPECT_EQ(Unpack(buffer).data, (Bytes{1}));
}

TEST(VirtualTransport, DeviceStringsNameTheVirtualTransport) {
    Fixture f;
    EXPECT_EQ(f.transport->ManufacturerString(), std::wstring(kVirtualManufacturer));
    EXPECT_NE(f.transport->ProductString()->find(L"virtual"), std::wstring::npos);
    EXPECT_TRUE(f.transport->SerialNumberString());
    EXPECT_TRUE(f.transport->IndexedString(1));
    EXPECT_EQ(f.factory.init(), 0);
}

class CollectingSink : public PacketSink {
  public:
    void packet_process(uint8_t length, uint8_t type, const uint8_t* payload) override {
        std::lock_guard lock(mutex_);
        packets_.push_back({type, Bytes(payload, payload + length - 1)});
    }
    std::vector<std::pair<uint8_t, Bytes>> Packets() {
        std::lock_guard lock(mutex_);
        return packets_;
    }

  private:
    std::mutex mutex_;
    std::vector<std::pair<uint8_t, Bytes>> packets_;
};

TEST(VirtualTransport, HostLinkReadsTheAmplifier) {
    auto amp = std::make_shared<VirtualAmplifier>();
    CollectingSink sink;
    LinkCore link(MakeVirtualTransportFactory(amp), sink);
    link.OpenHIDDevice();
    ASSERT_TRUE(link.IsOpen());
    EXPECT_TRUE(link.SendImmediate(MCMD_MCU, 0x08, OP_SET, {}, 1000));
    EXPECT_TRUE(link.SendImmediate(MCMD_DSP, 0x07, OP_GET, {0, 0, 0, 5}, 1000));
    const auto packets = sink.Packets();
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[0].first, MCMD_MCU);
    EXPECT_EQ(packets[0].second, (Bytes{0x08, 0xDD, 0x0A, 72, 16, 25}));
    EXPECT_EQ(packets[1].second.size(), 2u + 4u + 18u);
    link.CloseHIDDevice(true);
    const auto log = amp->RequestLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[2].subcmd, 0x1F) << "PC_Connect 0 on close";
    EXPECT_EQ(log[2].payload, (Bytes{0}));
}

}  // namespace
}  // namespace korvel::test
