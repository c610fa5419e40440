#include "virtualamp/virtual_transport.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>

namespace korvel {
namespace {

using Clock = std::chrono::steady_clock;

// While waiting for a reply the reader looks at the amplifier this often, so that an unplug
// made from elsewhere ends the wait promptly.
constexpr auto kUnplugPollInterval = std::chrono::milliseconds(10);

// After the amplifier restarted, the transport reports itself gone to a mere observer this long
// after the last reply it delivered, so the reader that took that reply still dispatches it.
constexpr auto kRestartNoticeDelay = std::chrono::milliseconds(100);

class VirtualTransport : public HidTransport {
  public:
    explicit VirtualTransport(std::shared_ptr<VirtualAmplifier> amp) : amp_(std::move(amp)) {}

    bool Open() override {
        std::lock_guard lock(mutex_);
        if (!amp_ || !amp_->Present()) {
            error_ = L"virtual amplifier not present";
            return false;
        }
        open_ = true;
        gone_ = false;
        generation_ = amp_->ConnectionGeneration();
        lastDelivery_ = Clock::now();
        pending_.clear();
        return true;
    }

    void Close() override {
        std::lock_guard lock(mutex_);
        open_ = false;
        pending_.clear();
        arrived_.notify_all();
    }

    std::optional<std::wstring> ManufacturerString() override { return kVirtualManufacturer; }
    std::optional<std::wstring> ProductString() override { return kVirtualProduct; }
    std::optional<std::wstring> SerialNumberString() override { return kVirtualSerial; }
    std::optional<std::wstring> IndexedString(int) override { return kVirtualIndexed; }

    int SetNonblocking(bool) override { return 0; }

    int Write(const uint8_t* data, size_t length) override {
        std::unique_lock lock(mutex_);
        if (!open_ || NoteUnplug() || Restarted()) {
            error_ = L"virtual amplifier unplugged";
            return -1;
        }
        lock.unlock();
        // The amplifier has its own lock; it is not called under ours.
        auto replies = amp_->HandleOutputReport(data, length);
        const auto delay = amp_->ReportDelay();
        lock.lock();
        auto release = std::max(Clock::now(), lastRelease_);
        for (const auto& report : replies) {
            release += delay;
            pending_.push_back(Pending{release, report});
        }
        if (!replies.empty()) {
            lastRelease_ = release;
        }
        arrived_.notify_all();
        return static_cast<int>(length);
    }

    int ReadTimeout(uint8_t* buffer, size_t length, int timeoutMs) override {
        std::unique_lock lock(mutex_);
        const bool forever = timeoutMs < 0;
        const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
        while (true) {
            if (!open_) {
                error_ = L"virtual transport closed";
                return -1;
            }
            const auto now = Clock::now();
            if (!pending_.empty() && pending_.front().release <= now) {
                return TakeFront(buffer, length);
            }
            if (pending_.empty() && NoteUnplug()) {
                error_ = L"virtual amplifier unplugged";
                return -1;
            }
            if (!forever && now >= deadline) {
                return 0;
            }
            auto wakeAt = now + kUnplugPollInterval;
            if (!pending_.empty()) {
                wakeAt = std::min(wakeAt, pending_.front().release);
            }
            if (!forever) {
                wakeAt = std::min(wakeAt, deadline);
            }
            arrived_.wait_until(lock, wakeAt);
        }
    }

    std::wstring ErrorText() override {
        std::lock_guard lock(mutex_);
        return error_;
    }

    bool Disconnected() const override {
        std::lock_guard lock(mutex_);
        return gone_ || amp_->Unplugged() ||
               (Restarted() && pending_.empty() &&
                Clock::now() - lastDelivery_ >= kRestartNoticeDelay);
    }

  private:
    struct Pending {
        Clock::time_point release;
        InputReport report;
    };

    // The amplifier restarted since this transport opened: its connection is over.
    bool Restarted() const { return amp_->ConnectionGeneration() != generation_; }

    // Once the device went away this transport stays gone, even if it is plugged in again. A
    // restarted amplifier still delivers the replies it sent before the restart.
    bool NoteUnplug() {
        if (amp_->Unplugged() || (Restarted() && pending_.empty())) {
            gone_ = true;
        }
        return gone_;
    }

    int TakeFront(uint8_t* buffer, size_t length) {
        const InputReport& report = pending_.front().report;
        const size_t count = std::min(length, report.size());
        std::memcpy(buffer, report.data(), count);
        pending_.pop_front();
        lastDelivery_ = Clock::now();
        return static_cast<int>(count);
    }

    std::shared_ptr<VirtualAmplifier> amp_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<Pending> pending_;
    Clock::time_point lastRelease_{};
    bool open_ = false;
    bool gone_ = false;
    uint64_t generation_ = 0;
    Clock::time_point lastDelivery_{};
    std::wstring error_;
};

}  // namespace

std::unique_ptr<HidTransport> MakeVirtualTransport(std::shared_ptr<VirtualAmplifier> amp) {
    return std::make_unique<VirtualTransport>(std::move(amp));
}

TransportFactory MakeVirtualTransportFactory(std::shared_ptr<VirtualAmplifier> amp) {
    TransportFactory factory;
    factory.create = [amp = std::move(amp)]() { return MakeVirtualTransport(amp); };
    return factory;
}

}  // namespace korvel
