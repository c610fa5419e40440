// The socket server end to end with a raw client, the command line, and device selection.

#include "virtualamp/socket_server.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "amp_test_util.h"
#include "virtualamp/device_select.h"
#include "virtualamp/server_options.h"

namespace korvel::test {
namespace {

std::string TempSocketPath(const char* tag) {
    return (std::filesystem::temp_directory_path() /
            ("korvel-va-" + std::to_string(::getpid()) + "-" + tag + ".sock"))
        .string();
}

// A raw client: exactly 65 bytes out, exactly 64 bytes in.
class RawClient {
  public:
    explicit RawClient(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
        timeval timeout{2, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    }
    ~RawClient() { ::close(fd_); }

    bool connected() const { return connected_; }

    bool Send(uint8_t mcmd, uint8_t subcmd, uint8_t optype, const Bytes& payload = {}) {
        const auto report = OutputReport(mcmd, subcmd, optype, payload);
        // Two pieces, to check the server reassembles the stream.
        return ::send(fd_, report.data(), 10, MSG_NOSIGNAL) == 10 &&
               ::send(fd_, report.data() + 10, 55, MSG_NOSIGNAL) == 55;
    }

    // 64: a whole report; 0: the server closed; -1: time-out or error.
    int Receive(InputReport& report) {
        size_t filled = 0;
        while (filled < report.size()) {
            const ssize_t got = ::recv(fd_, report.data() + filled, report.size() - filled, 0);
            if (got <= 0) {
                return got == 0 ? 0 : -1;
            }
            filled += static_cast<size_t>(got);
        }
        return static_cast<int>(filled);
    }

  private:
    int fd_ = -1;
    bool connected_ = false;
};

struct RunningServer {
    explicit RunningServer(const std::string& socketPath) : path(socketPath) {
        amp->SetReportDelay(std::chrono::microseconds(0));
        std::string error;
        listening = server.Listen(path, &error);
        EXPECT_TRUE(listening) << error;
        if (listening) {
            thread = std::thread([this] { served = server.Serve(); });
        }
    }
    ~RunningServer() {
        server.Stop();
        if (thread.joinable()) {
            thread.join();
        }
    }

    std::string path;
    std::shared_ptr<VirtualAmplifier> amp = std::make_shared<VirtualAmplifier>();
    AmpSocketServer server{amp};
    bool listening = false;
    bool served = false;
    std::thread thread;
};

TEST(AmpSocketServer, AnswersAndAcceptsReconnection) {
    RunningServer running(TempSocketPath("reconnect"));
    {
        RawClient client(running.path);
        ASSERT_TRUE(client.connected());
        ASSERT_TRUE(client.Send(kDsp, 0x04, kSet, {1}));
        InputReport report{};
        ASSERT_EQ(client.Receive(report), 64);
        EXPECT_EQ(Unpack(report).optype, kAck);
    }
    RawClient again(running.path);
    ASSERT_TRUE(again.connected());
    ASSERT_TRUE(again.Send(kDsp, 0x04, kGet));
    InputReport report{};
    ASSERT_EQ(again.Receive(report), 64);
    EXPECT_EQ(Unpack(report).data, (Bytes{1})) << "state kept across connections";
    EXPECT_EQ(running.server.ConnectionsAccepted(), 2u);
}

TEST(AmpSocketServer, UnplugEndsTheConnectionAndTheDeviceComesBack) {
    RunningServer running(TempSocketPath("unplug"));
    running.amp->SetFaultPlan(FaultPlan{0, 0, 1});
    RawClient client(running.path);
    ASSERT_TRUE(client.Send(kMcu, 0x08, kSet));
    InputReport report{};
    ASSERT_EQ(client.Receive(report), 64);
    EXPECT_EQ(client.Receive(report), 0) << "server closed the connection";
    RawClient next(running.path);
    ASSERT_TRUE(next.Send(kMcu, 0x08, kSet));
    ASSERT_EQ(next.Receive(report), 64);
}

TEST(AmpSocketServer, StopEndsServeAndRemovesTheSocketFile) {
    const std::string path = TempSocketPath("stop");
    {
        RunningServer running(path);
        RawClient client(running.path);  // a connection is open while stopping
        ASSERT_TRUE(client.connected());
        running.server.Stop();
        running.thread.join();
        EXPECT_TRUE(running.served);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(AmpSocketServer, ReplacesAStaleSocketButNotOtherFiles) {
    const std::string path = TempSocketPath("stale");
    {
        // A bound socket whose server is gone leaves its file behind.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ::close(fd);
    }
    {
        AmpSocketServer server(std::make_shared<VirtualAmplifier>());
        std::string error;
        EXPECT_TRUE(server.Listen(path, &error)) << error;
        AmpSocketServer second(std::make_shared<VirtualAmplifier>());
        EXPECT_FALSE(second.Listen(path, &error)) << "a live server is not replaced";
    }
    const std::string plain = TempSocketPath("plain");
    std::ofstream(plain) << "keep me";
    AmpSocketServer server(std::make_shared<VirtualAmplifier>());
    std::string error;
    EXPECT_FALSE(server.Listen(plain, &error));
    EXPECT_TRUE(std::filesystem::exists(plain));
    std::filesystem::remove(plain);
}

TEST(AmpSocketServer, HostSocketTransportTalksToTheServer) {
    RunningServer running(TempSocketPath("transport"));
    std::string error;
    auto factory = TransportFactoryForDevice("unix:" + running.path, &error);
    ASSERT_TRUE(factory) << error;
    auto transport = factory->create();
    ASSERT_TRUE(transport->Open());
    const auto request = OutputReport(kMcu, 0x08, kSet, {});
    ASSERT_EQ(transport->Write(request.data(), request.size()), 65);
    InputReport report{};
    ASSERT_EQ(transport->ReadTimeout(report.data(), report.size(), 2000), 64);
    EXPECT_EQ(Unpack(report).data, (Bytes{0x0A, 72, 16, 25}));
}

TEST(DeviceSelect, KnowsUsbVirtualAndUnix) {
    std::string error;
    std::shared_ptr<VirtualAmplifier> amp;
    EXPECT_TRUE(TransportFactoryForDevice("usb", &error));
    auto virtualFactory = TransportFactoryForDevice("virtual", &error, &amp);
    ASSERT_TRUE(virtualFactory);
    ASSERT_TRUE(amp);
    EXPECT_TRUE(virtualFactory->create()->Open());
    EXPECT_FALSE(TransportFactoryForDevice("unix:", &error));
    EXPECT_NE(error.find("path"), std::string::npos);
    EXPECT_FALSE(TransportFactoryForDevice("serial", &error));
    EXPECT_NE(error.find("serial"), std::string::npos);
}

struct OptionsCase {
    const char* name;
    std::vector<std::string> args;
    bool ok;
};

class ServerOptionsParse : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(ServerOptionsParse, AcceptsOrRefuses) {
    std::string error;
    const auto options = ParseServerOptions(GetParam().args, &error);
    EXPECT_EQ(options.has_value(), GetParam().ok) << error;
    EXPECT_EQ(error.empty(), GetParam().ok);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, ServerOptionsParse,
    ::testing::Values(OptionsCase{"ListenOnly", {"--listen", "/tmp/a"}, true},
                      OptionsCase{"HelpAlone", {"--help"}, true},
                      OptionsCase{"NoListen", {"--model", "72"}, false},
                      OptionsCase{"MissingValue", {"--listen"}, false},
                      OptionsCase{"UnknownOption", {"--listen", "/a", "--fast"}, false},
                      OptionsCase{"BadVersion", {"--listen", "/a", "--version", "16"}, false},
                      OptionsCase{"Firmware", {"--listen", "/a", "--firmware", "15.3"}, true},
                      OptionsCase{"ModelTooLarge", {"--listen", "/a", "--model", "300"}, false},
                      OptionsCase{"ZeroRequest", {"--listen", "/a", "--drop-reply", "0"}, false},
                      OptionsCase{"Trailing", {"--listen", "/a", "--unplug-after", "3x"}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ServerOptions, FillsIdentityDelayAndFaults) {
    std::string error;
    const auto options =
        ParseServerOptions({"--listen", "/tmp/amp.sock", "--model", "71", "--version", "15.3",
                            "--loader", "--report-delay-ms", "0", "--drop-reply", "4",
                            "--corrupt-reply", "5", "--unplug-after", "6"},
                           &error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->listenPath, "/tmp/amp.sock");
    EXPECT_EQ(options->identity.model, 71);
    EXPECT_EQ(options->identity.mainVersion, 15);
    EXPECT_EQ(options->identity.slaveVersion, 3);
    EXPECT_TRUE(options->identity.loaderMode);
    EXPECT_EQ(options->reportDelayMs, 0);
    EXPECT_EQ(options->faults.dropReplyTo, 4u);
    EXPECT_EQ(options->faults.corruptReplyTo, 5u);
    EXPECT_EQ(options->faults.unplugAfter, 6u);
}

}  // namespace
}  // namespace korvel::test
