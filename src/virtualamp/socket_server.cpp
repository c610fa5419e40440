#include "virtualamp/socket_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <thread>

#include "log/log.h"

namespace korvel {
namespace {

void SetError(std::string* error, const std::string& text) {
    if (error != nullptr) {
        *error = text;
    }
}

std::string ErrnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool MakeAddress(const std::string& path, sockaddr_un& address) {
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// True when a server answers on the socket file at `address`.
bool SocketIsLive(const sockaddr_un& address) {
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        return false;
    }
    const bool live =
        ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(probe);
    return live;
}

bool RemoveStaleSocket(const std::string& path, const sockaddr_un& address, std::string* error) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return true;  // nothing there
    }
    if (!S_ISSOCK(info.st_mode)) {
        SetError(error, path + " exists and is not a socket");
        return false;
    }
    if (SocketIsLive(address)) {
        SetError(error, path + " is in use by another server");
        return false;
    }
    if (::unlink(path.c_str()) != 0) {
        SetError(error, ErrnoText("unlink " + path));
        return false;
    }
    return true;
}

bool WriteAll(int fd, const uint8_t* data, size_t length) {
    while (length > 0) {
        const ssize_t written = ::send(fd, data, length, MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

// Waits until `fd` or the wake pipe is readable; returns false when the wake pipe fired.
bool WaitReadable(int fd, int wakeFd) {
    std::array<pollfd, 2> fds = {pollfd{fd, POLLIN, 0}, pollfd{wakeFd, POLLIN, 0}};
    while (true) {
        const int ready = ::poll(fds.data(), fds.size(), -1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || (fds[1].revents & POLLIN) != 0) {
            return false;
        }
        if (fds[0].revents != 0) {
            return true;
        }
    }
}

}  // namespace

AmpSocketServer::AmpSocketServer(std::shared_ptr<VirtualAmplifier> amp) : amp_(std::move(amp)) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_ = fds[0];
        wakeWrite_ = fds[1];
    }
}

AmpSocketServer::~AmpSocketServer() {
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(path_.c_str());
    }
    if (wakeRead_ >= 0) {
        ::close(wakeRead_);
        ::close(wakeWrite_);
    }
}

bool AmpSocketServer::Listen(const std::string& path, std::string* error) {
    sockaddr_un address{};
    if (wakeRead_ < 0) {
        SetError(error, "cannot create the wake-up pipe");
        return false;
    }
    if (!MakeAddress(path, address)) {
        SetError(error, "socket path is empty or too long: " + path);
        return false;
    }
    if (!RemoveStaleSocket(path, address, error)) {
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetError(error, ErrnoText("socket"));
        return false;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(fd, 1) != 0) {
        SetError(error, ErrnoText("bind/listen " + path));
        ::close(fd);
        return false;
    }
    listenFd_ = fd;
    path_ = path;
    WriteLog("VirtualAmplifier: listening on %s\n", path.c_str());
    return true;
}

void AmpSocketServer::Stop() {
    if (wakeWrite_ >= 0) {
        const uint8_t byte = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(wakeWrite_, &byte, 1);
    }
}

bool AmpSocketServer::StopRequested() const {
    pollfd wake{wakeRead_, POLLIN, 0};
    return ::poll(&wake, 1, 0) > 0;
}

bool AmpSocketServer::Serve() {
    if (listenFd_ < 0) {
        return false;
    }
    while (WaitReadable(listenFd_, wakeRead_)) {
        const int connection = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return false;
        }
        ++accepted_;
        WriteLog("VirtualAmplifier: host connected\n");
        const ConnectionEnd end = ServeConnection(connection);
        ::close(connection);
        WriteLog("VirtualAmplifier: host connection ended\n");
        if (end == ConnectionEnd::Stopped) {
            break;
        }
        if (end == ConnectionEnd::Unplugged) {
            amp_->Replug();  // the device is back for the next connection
        }
        if (end == ConnectionEnd::Restarted && !WaitUntilPresent()) {
            break;
        }
    }
    return true;
}

bool AmpSocketServer::WaitUntilPresent() const {
    while (!amp_->Present()) {
        if (StopRequested()) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

AmpSocketServer::ConnectionEnd AmpSocketServer::ServeConnection(int connection) {
    const uint64_t generation = amp_->ConnectionGeneration();
    std::array<uint8_t, kOutputReportSize> report{};
    size_t filled = 0;
    while (true) {
        if (!WaitReadable(connection, wakeRead_)) {
            return ConnectionEnd::Stopped;
        }
        const ssize_t got = ::recv(connection, report.data() + filled, report.size() - filled, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return ConnectionEnd::PeerClosed;
        }
        filled += static_cast<size_t>(got);
        if (filled < report.size()) {
            continue;
        }
        filled = 0;
        const auto replies = amp_->HandleOutputReport(report.data(), report.size());
        if (!SendReplies(connection, replies)) {
            return StopRequested() ? ConnectionEnd::Stopped : ConnectionEnd::PeerClosed;
        }
        if (amp_->Unplugged()) {
            return ConnectionEnd::Unplugged;
        }
        if (amp_->ConnectionGeneration() != generation) {
            return ConnectionEnd::Restarted;
        }
    }
}

bool AmpSocketServer::SendReplies(int connection, const std::vector<InputReport>& replies) {
    const auto delay = amp_->ReportDelay();
    for (const auto& reply : replies) {
        std::this_thread::sleep_for(delay);
        if (StopRequested() || !WriteAll(connection, reply.data(), reply.size())) {
            return false;
        }
    }
    return true;
}

}  // namespace korvel
