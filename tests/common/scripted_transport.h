#pragma once
// A scripted HID device for tests. ScriptedDevice holds the state shared by every transport its
// factory creates: the device strings, the input reports to hand out (or time-outs, errors and
// an unplug), and a record of every output report written. An optional responder turns each
// written report into input reports, so a test can play a simple device.
//
//   auto device = std::make_shared<korvel::testing::ScriptedDevice>();
//   korvel::LinkCore link(device->Factory(), sink);
//   device->PushReport(korvel::BuildReplyFrame(1, 7, korvel::OP_DATA, {{5}}));

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "link/transport.h"

namespace korvel::testing {

struct ScriptedRead {
    enum class Kind { Data, Timeout, Error, Unplug };
    Kind kind = Kind::Timeout;
    std::vector<uint8_t> bytes;

    static ScriptedRead Data(std::vector<uint8_t> bytes) { return {Kind::Data, std::move(bytes)}; }
    static ScriptedRead Timeout() { return {Kind::Timeout, {}}; }
    static ScriptedRead Error() { return {Kind::Error, {}}; }
    static ScriptedRead Unplug() { return {Kind::Unplug, {}}; }
};

enum class DeviceString { Manufacturer = 0, Product = 1, Serial = 2, Indexed = 3 };

class ScriptedDevice : public std::enable_shared_from_this<ScriptedDevice> {
    // Defined first: the members below deduce their return types from them.
    template <typename F>
    auto Locked(F&& f) const {
        std::lock_guard lock(mutex_);
        return f();
    }
    template <typename T>
    T Get(const T& field) const {
        std::lock_guard lock(mutex_);
        return field;
    }

  public:
    using Responder = std::function<std::vector<ScriptedRead>(std::span<const uint8_t> report)>;

    // --- configuration ----------------------------------------------------------------------
    void SetInitResult(int result) {
        Locked([&] { initResult_ = result; });
    }
    void SetOpenSucceeds(bool ok) {
        Locked([&] { openSucceeds_ = ok; });
    }
    void SetString(DeviceString which, std::optional<std::wstring> text) {
        Locked([&] { strings_[static_cast<size_t>(which)] = std::move(text); });
    }
    // Makes the first `count` of the four string calls fail.
    void FailStrings(int count) {
        for (size_t i = 0; i < strings_.size(); ++i) {
            if (static_cast<int>(i) < count)
                SetString(static_cast<DeviceString>(i), std::nullopt);
        }
    }
    void SetNonblockingResult(int result) {
        Locked([&] { nonblockingResult_ = result; });
    }
    void FailNextWrites(int count) {
        Locked([&] { failWrites_ = count; });
    }
    // Every write takes this long, so overlapping writers would be caught in the act.
    void SetWriteDelay(std::chrono::milliseconds delay) {
        Locked([&] { writeDelay_ = delay; });
    }
    void SetResponder(Responder responder) {
        Locked([&] { responder_ = std::move(responder); });
    }

    // --- input ------------------------------------------------------------------------------
    void PushRead(ScriptedRead read) {
        Locked([&] { reads_.push_back(std::move(read)); });
        changed_.notify_all();
    }
    void PushReport(std::vector<uint8_t> bytes) { PushRead(ScriptedRead::Data(std::move(bytes))); }
    void Unplug() {
        Locked([&] { unplugged_ = true; });
        changed_.notify_all();
    }

    // --- observation ------------------------------------------------------------------------
    std::vector<std::vector<uint8_t>> Written() const {
        std::lock_guard lock(mutex_);
        return written_;
    }
    size_t WriteCount() const {
        std::lock_guard lock(mutex_);
        return written_.size();
    }
    bool WaitForWrites(size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return written_.size() >= count; });
    }
    int MaxConcurrentWrites() const { return Get(maxActiveWrites_); }
    int OpenCount() const { return Get(opens_); }
    int LiveTransports() const { return Get(live_); }
    int ReadCalls() const { return Get(readCalls_); }
    size_t PendingReads() const {
        std::lock_guard lock(mutex_);
        return reads_.size();
    }
    std::optional<bool> LastNonblocking() const {
        std::lock_guard lock(mutex_);
        return lastNonblocking_;
    }

    TransportFactory Factory() {
        TransportFactory factory;
        std::shared_ptr<ScriptedDevice> self = shared_from_this();
        factory.init = [self] { return self->Get(self->initResult_); };
        factory.create = [self] { return std::make_unique<Transport>(self); };
        return factory;
    }

  private:
    class Transport final : public HidTransport {
      public:
        explicit Transport(std::shared_ptr<ScriptedDevice> device) : device_(std::move(device)) {
            device_->Locked([&] { ++device_->live_; });
        }
        ~Transport() override {
            device_->Locked([&] { --device_->live_; });
        }

        bool Open() override {
            return device_->Locked([&] {
                ++device_->opens_;
                device_->unplugged_ = false;
                return device_->openSucceeds_;
            });
        }
        void Close() override {}
        std::optional<std::wstring> ManufacturerString() override { return String(0); }
        std::optional<std::wstring> ProductString() override { return String(1); }
        std::optional<std::wstring> SerialNumberString() override { return String(2); }
        std::optional<std::wstring> IndexedString(int) override { return String(3); }
        int SetNonblocking(bool nonblocking) override {
            return device_->Locked([&] {
                device_->lastNonblocking_ = nonblocking;
                return device_->nonblockingResult_;
            });
        }
        int Write(const uint8_t* data, size_t length) override {
            return device_->Write(std::vector<uint8_t>(data, data + length));
        }
        int ReadTimeout(uint8_t* buffer, size_t length, int timeoutMs) override {
            return device_->Read(buffer, length, timeoutMs);
        }
        std::wstring ErrorText() override { return L"scripted failure"; }
        bool Disconnected() const override { return device_->Get(device_->unplugged_); }

      private:
        std::optional<std::wstring> String(size_t index) {
            return device_->Locked([&] { return device_->strings_[index]; });
        }
        std::shared_ptr<ScriptedDevice> device_;
    };

    int Write(std::vector<uint8_t> report) {
        std::chrono::milliseconds delay{};
        {
            std::lock_guard lock(mutex_);
            if (unplugged_)
                return -1;
            if (failWrites_ > 0) {
                --failWrites_;
                return -1;
            }
            maxActiveWrites_ = std::max(maxActiveWrites_, ++activeWrites_);
            delay = writeDelay_;
        }
        if (delay.count() > 0)
            std::this_thread::sleep_for(delay);
        Responder responder;
        {
            std::lock_guard lock(mutex_);
            --activeWrites_;
            written_.push_back(report);
            responder = responder_;
        }
        if (responder) {
            for (ScriptedRead& read : responder(report))
                PushRead(std::move(read));
        }
        changed_.notify_all();
        return static_cast<int>(report.size());
    }

    int Read(uint8_t* buffer, size_t length, int timeoutMs) {
        std::unique_lock lock(mutex_);
        ++readCalls_;
        changed_.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                          [&] { return unplugged_ || !reads_.empty(); });
        if (unplugged_)
            return -1;
        if (reads_.empty())
            return 0;
        ScriptedRead read = std::move(reads_.front());
        reads_.pop_front();
        switch (read.kind) {
            case ScriptedRead::Kind::Data: {
                const size_t count = std::min(length, read.bytes.size());
                std::copy_n(read.bytes.begin(), count, buffer);
                return static_cast<int>(count);
            }
            case ScriptedRead::Kind::Timeout:
                return 0;
            case ScriptedRead::Kind::Error:
                return -1;
            case ScriptedRead::Kind::Unplug:
                unplugged_ = true;
                return -1;
        }
        return -1;
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;

    int initResult_ = 0;
    bool openSucceeds_ = true;
    std::array<std::optional<std::wstring>, 4> strings_{
        std::wstring(L"Korvel"), std::wstring(L"Scripted amplifier"), std::wstring(L"0001"),
        std::wstring(L"scripted")};
    int nonblockingResult_ = 0;
    std::optional<bool> lastNonblocking_;
    int failWrites_ = 0;
    std::chrono::milliseconds writeDelay_{0};
    Responder responder_;

    std::deque<ScriptedRead> reads_;
    bool unplugged_ = false;

    std::vector<std::vector<uint8_t>> written_;
    int activeWrites_ = 0;
    int maxActiveWrites_ = 0;
    int opens_ = 0;
    int live_ = 0;
    int readCalls_ = 0;
};

}  // namespace korvel::testing
