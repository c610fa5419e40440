#pragma once
// Serves a VirtualAmplifier on a Unix-domain stream socket. The host writes every output report
// as exactly 65 bytes, the device every input report as exactly 64 bytes. One connection is
// served at a time; when it closes, the next one is accepted. An unplug (fault injection) ends
// the connection and plugs the device in again for the next one. A restart of the amplifier
// (firmware upgrade) ends the connection after its replies, and the next one is accepted once
// the amplifier is back.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "virtualamp/virtual_amplifier.h"

namespace korvel {

class AmpSocketServer {
  public:
    explicit AmpSocketServer(std::shared_ptr<VirtualAmplifier> amp);
    ~AmpSocketServer();  // closes the sockets and removes the socket file

    AmpSocketServer(const AmpSocketServer&) = delete;
    AmpSocketServer& operator=(const AmpSocketServer&) = delete;

    // Binds and listens on `path`. A stale socket file left by an earlier run is removed; a
    // socket with a live server behind it, or any other file, is left alone and refused.
    bool Listen(const std::string& path, std::string* error);

    // Accepts and serves connections until Stop. Returns false when the loop failed.
    bool Serve();

    // Ends Serve from any thread or from a signal handler (it only writes to a pipe).
    void Stop();

    uint64_t ConnectionsAccepted() const { return accepted_.load(); }

  private:
    enum class ConnectionEnd { PeerClosed, Stopped, Unplugged, Restarted };

    ConnectionEnd ServeConnection(int connection);
    bool SendReplies(int connection, const std::vector<InputReport>& replies);
    bool StopRequested() const;
    // After a restart: waits until the amplifier is back (false when stopped first).
    bool WaitUntilPresent() const;

    std::shared_ptr<VirtualAmplifier> amp_;
    std::string path_;
    int listenFd_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::atomic<uint64_t> accepted_{0};
};

}  // namespace korvel
