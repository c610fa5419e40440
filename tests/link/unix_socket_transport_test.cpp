#include "link/unix_socket_transport.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <future>
#include <thread>
#include <vector>

#include "link/device_link_core.h"
#include "link/framing.h"
#include "link/recording_sink.h"

namespace korvel {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

// A one-connection socket server playing the device end.
class SocketServer {
  public:
    SocketServer() {
        char pattern[] = "/tmp/korvel_link_XXXXXX";
        dir_ = ::mkdtemp(pattern);
        path_ = dir_ + "/amp.sock";
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path_.c_str(), sizeof(address.sun_path) - 1);
        EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        EXPECT_EQ(::listen(listener_, 1), 0);
    }
    ~SocketServer() {
        CloseClient();
        ::close(listener_);
        std::filesystem::remove_all(dir_);
    }

    const std::string& Path() const { return path_; }
    void Accept() { client_ = ::accept(listener_, nullptr, nullptr); }
    void Send(const Bytes& bytes) {
        ASSERT_EQ(::send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    Bytes Receive(size_t count) {
        Bytes bytes(count);
        size_t got = 0;
        while (got < count) {
            const ssize_t n = ::recv(client_, bytes.data() + got, count - got, 0);
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        bytes.resize(got);
        return bytes;
    }
    void CloseClient() {
        if (client_ >= 0)
            ::close(client_);
        client_ = -1;
    }

  private:
    std::string dir_;
    std::string path_;
    int listener_ = -1;
    int client_ = -1;
};

Bytes Pattern(size_t count, uint8_t start) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(start + i);
    return bytes;
}

class UnixSocketTransportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        transport = MakeUnixSocketTransportFactory(server.Path()).create();
        ASSERT_TRUE(transport->Open());
        server.Accept();
    }
    int Read(Bytes& into, int timeoutMs) {
        into.assign(kInputReportSize, 0);
        const int n = transport->ReadTimeout(into.data(), into.size(), timeoutMs);
        into.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return n;
    }

    SocketServer server;
    std::unique_ptr<HidTransport> transport;
};

TEST(UnixSocketTransport, OpenFailsWithoutServer) {
    auto transport = MakeUnixSocketTransportFactory("/tmp/korvel-no-such-socket").create();
    EXPECT_FALSE(transport->Open());
    EXPECT_FALSE(transport->ErrorText().empty());
}

TEST_F(UnixSocketTransportTest, DeviceStringsNameTheTransport) {
    EXPECT_EQ(transport->ManufacturerString(), L"Korvel");
    EXPECT_EQ(transport->ProductString(), L"Virtual amplifier (unix socket)");
    EXPECT_EQ(transport->SerialNumberString(), L"unix");
    const std::wstring indexed = transport->IndexedString(1).value_or(L"");
    EXPECT_EQ(indexed, L"unix:" + std::wstring(server.Path().begin(), server.Path().end()));
    EXPECT_EQ(transport->SetNonblocking(true), 0);
}

TEST_F(UnixSocketTransportTest, WritesWholeOutputReportsOnly) {
    const Bytes report = Pattern(kOutputReportSize, 0);
    EXPECT_EQ(transport->Write(report.data(), report.size()), 65);
    EXPECT_EQ(server.Receive(kOutputReportSize), report);
    EXPECT_EQ(transport->Write(report.data(), 64), -1);
}

TEST_F(UnixSocketTransportTest, TimesOutWithZero) {
    Bytes report;
    EXPECT_EQ(Read(report, 20), 0);
    EXPECT_FALSE(transport->Disconnected());
}

TEST_F(UnixSocketTransportTest, AssemblesReportsFromSplitWrites) {
    const Bytes first = Pattern(64, 1);
    const Bytes second = Pattern(64, 100);
    std::thread writer([&] {
        server.Send(Bytes(first.begin(), first.begin() + 10));
        std::this_thread::sleep_for(20ms);
        Bytes rest(first.begin() + 10, first.end());
        rest.insert(rest.end(), second.begin(), second.begin() + 3);
        server.Send(rest);
        std::this_thread::sleep_for(20ms);
        server.Send(Bytes(second.begin() + 3, second.end()));
    });
    Bytes report;
    EXPECT_EQ(Read(report, 2000), 64);
    EXPECT_EQ(report, first);
    EXPECT_EQ(Read(report, 2000), 64);
    EXPECT_EQ(report, second);
    writer.join();
}

TEST_F(UnixSocketTransportTest, KeepsAPartialReportAcrossATimeOut) {
    const Bytes full = Pattern(64, 7);
    server.Send(Bytes(full.begin(), full.begin() + 30));
    Bytes report;
    EXPECT_EQ(Read(report, 30), 0);
    server.Send(Bytes(full.begin() + 30, full.end()));
    EXPECT_EQ(Read(report, 2000), 64);
    EXPECT_EQ(report, full);
}

TEST_F(UnixSocketTransportTest, PeerCloseIsADisconnect) {
    server.CloseClient();
    Bytes report;
    EXPECT_EQ(Read(report, 2000), -1);
    EXPECT_TRUE(transport->Disconnected());
    EXPECT_EQ(Read(report, 2000), -1);
    const Bytes out(kOutputReportSize, 0);
    EXPECT_EQ(transport->Write(out.data(), out.size()), -1);
}

// The link over a real socket: a command goes out, the reply comes back through the parser,
// and the device closing the connection shows as DeviceGone.
TEST(UnixSocketLink, RoundTripAndPeerClose) {
    SocketServer server;
    testing::RecordingSink sink;
    LinkCore link(MakeUnixSocketTransportFactory(server.Path()), sink);
    link.SetWaitCapForTesting(2000);
    auto accepted = std::async(std::launch::async, [&] { server.Accept(); });
    ASSERT_EQ(link.OpenHIDDevice(), 0);
    accepted.get();

    auto device = std::async(std::launch::async, [&] {
        const Bytes request = server.Receive(kOutputReportSize);
        Bytes reply =
            BuildReplyFrame(MCMD_DSP, request.size() > 5 ? request[5] : 0, OP_DATA, Bytes{0x33});
        reply.resize(kInputReportSize, 0);
        server.Send(reply);
        return request;
    });
    EXPECT_TRUE(link.SendImmediate(MCMD_DSP, 0x44, OP_GET, {}, kWaitDefaultMs));
    const Bytes request = device.get();
    const OutputReport expected = BuildOutputReport(MCMD_DSP, 0x44, OP_GET, {});
    EXPECT_EQ(request, Bytes(expected.begin(), expected.end()));
    ASSERT_EQ(sink.Count(), 1u);
    EXPECT_EQ(sink.Packets()[0].payload, (Bytes{0x44, OP_DATA, 0x33}));

    server.CloseClient();
    EXPECT_FALSE(link.ReadHIDData(kWaitDefaultMs));
    EXPECT_TRUE(link.DeviceGone());
    EXPECT_FALSE(link.IsOpen());
}

}  // namespace
}  // namespace korvel
