#include "link/unix_socket_transport.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>

namespace korvel {
namespace {

using Clock = std::chrono::steady_clock;

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

class UnixSocketTransport final : public HidTransport {
  public:
    explicit UnixSocketTransport(std::string path) : path_(std::move(path)) {}
    ~UnixSocketTransport() override { Close(); }

    bool Open() override {
        Close();
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path_.empty() || path_.size() >= sizeof(address.sun_path)) {
            SetError(L"socket path too long or empty");
            return false;
        }
        std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            SetErrnoError(L"socket");
            return false;
        }
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
            SetErrnoError(L"connect");
            ::close(fd);
            return false;
        }
        fd_ = fd;
        disconnected_ = false;
        pending_ = 0;
        return true;
    }

    void Close() override {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    std::optional<std::wstring> ManufacturerString() override { return L"Korvel"; }
    std::optional<std::wstring> ProductString() override {
        return L"Virtual amplifier (unix socket)";
    }
    std::optional<std::wstring> SerialNumberString() override { return L"unix"; }
    std::optional<std::wstring> IndexedString(int) override { return L"unix:" + Widen(path_); }

    int SetNonblocking(bool) override { return fd_ >= 0 ? 0 : -1; }

    int Write(const uint8_t* data, size_t length) override {
        if (fd_ < 0 || disconnected_) {
            SetError(L"device disconnected");
            return -1;
        }
        // The stream is framed by size alone, so anything but one whole report would shift
        // every later report.
        if (length != kOutputReportSize) {
            SetError(L"output report must be 65 bytes");
            return -1;
        }
        size_t sent = 0;
        while (sent < length) {
            const ssize_t n = ::send(fd_, data + sent, length - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (errno == EPIPE || errno == ECONNRESET)
                    disconnected_ = true;
                SetErrnoError(L"send");
                return -1;
            }
            sent += static_cast<size_t>(n);
        }
        return static_cast<int>(length);
    }

    int ReadTimeout(uint8_t* buffer, size_t length, int timeoutMs) override {
        const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
        // Two threads may read; the partial report belongs to whichever holds the reader slot.
        ReaderSlot slot(*this);
        if (!slot.Acquire(timeoutMs < 0 ? std::optional<Clock::time_point>{} : deadline))
            return 0;
        while (pending_ < kInputReportSize) {
            if (fd_ < 0 || disconnected_)
                return -1;
            const int ready = WaitReadable(timeoutMs < 0 ? -1 : RemainingMs(deadline));
            if (ready < 0)
                return -1;
            if (ready == 0)
                return 0;  // time-out; a partial report stays for the next read
            const ssize_t n =
                ::recv(fd_, report_.data() + pending_, kInputReportSize - pending_, MSG_DONTWAIT);
            if (n == 0) {
                disconnected_ = true;
                SetError(L"device disconnected");
                return -1;
            }
            if (n < 0) {
                if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                    continue;
                if (errno == ECONNRESET)
                    disconnected_ = true;
                SetErrnoError(L"recv");
                return -1;
            }
            pending_ += static_cast<size_t>(n);
        }
        const size_t count = std::min(length, kInputReportSize);
        std::copy_n(report_.begin(), count, buffer);
        pending_ = 0;
        return static_cast<int>(count);
    }

    std::wstring ErrorText() override {
        std::lock_guard lock(errorMutex_);
        return error_;
    }

    bool Disconnected() const override { return disconnected_; }

  private:
    static int RemainingMs(Clock::time_point deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
    }

    // 1: readable (or hung up, which the following recv reports), 0: time-out, -1: error.
    int WaitReadable(int timeoutMs) {
        pollfd entry{fd_, POLLIN, 0};
        for (;;) {
            const int result = ::poll(&entry, 1, timeoutMs);
            if (result < 0 && errno == EINTR)
                continue;
            if (result < 0) {
                SetErrnoError(L"poll");
                return -1;
            }
            return result > 0 ? 1 : 0;
        }
    }

    void SetError(std::wstring text) {
        std::lock_guard lock(errorMutex_);
        error_ = std::move(text);
    }

    void SetErrnoError(const wchar_t* call) {
        const int code = errno;
        SetError(std::wstring(call) + L": " + Widen(std::strerror(code)));
    }

    std::string path_;
    int fd_ = -1;
    std::atomic<bool> disconnected_{false};

    // One reader at a time. A flag under a mutex and condition variable rather than a timed
    // mutex, whose timed lock the thread sanitizer does not follow.
    class ReaderSlot {
      public:
        explicit ReaderSlot(UnixSocketTransport& owner) : owner_(owner) {}
        ~ReaderSlot() {
            if (!held_)
                return;
            {
                std::lock_guard lock(owner_.readerMutex_);
                owner_.readerBusy_ = false;
            }
            owner_.readerFree_.notify_one();
        }
        bool Acquire(std::optional<Clock::time_point> deadline) {
            std::unique_lock lock(owner_.readerMutex_);
            auto free = [this] { return !owner_.readerBusy_; };
            if (deadline) {
                if (!owner_.readerFree_.wait_until(lock, *deadline, free))
                    return false;
            } else {
                owner_.readerFree_.wait(lock, free);
            }
            owner_.readerBusy_ = true;
            held_ = true;
            return true;
        }

      private:
        UnixSocketTransport& owner_;
        bool held_ = false;
    };

    std::mutex readerMutex_;
    std::condition_variable readerFree_;
    bool readerBusy_ = false;
    std::array<uint8_t, kInputReportSize> report_{};
    size_t pending_ = 0;

    std::mutex errorMutex_;
    std::wstring error_;
};

}  // namespace

TransportFactory MakeUnixSocketTransportFactory(const std::string& path) {
    TransportFactory factory;
    factory.create = [path] { return std::make_unique<UnixSocketTransport>(path); };
    return factory;
}

}  // namespace korvel
