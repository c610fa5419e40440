// Feeds arbitrary bytes to the device link as input reports: through the receive ring and the
// packet parser into every reply decoder.
//
// Input layout: byte 0 selects the link configuration (bit 0 fine trim, bit 1 sixteen-bit mix
// masks); the rest is the byte stream the device sends, cut into 64-byte input reports.
// Replay a corpus without fuzzing: ./fuzz_replies fuzz/replies/corpus -runs=0
// (KORVEL_FUZZ_LOG=1 also formats every log line).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "commands/device_link.h"
#include "log/log.h"

namespace {

using namespace korvel;

// Input reports waiting to be read, shared between the harness and the transport.
struct Reports {
    std::mutex mutex;
    std::deque<std::vector<uint8_t>> queue;
};

class FuzzTransport final : public HidTransport {
  public:
    explicit FuzzTransport(std::shared_ptr<Reports> reports) : reports_(std::move(reports)) {}
    bool Open() override { return true; }
    void Close() override {}
    std::optional<std::wstring> ManufacturerString() override { return L"fuzz"; }
    std::optional<std::wstring> ProductString() override { return L"fuzz"; }
    std::optional<std::wstring> SerialNumberString() override { return L"0"; }
    std::optional<std::wstring> IndexedString(int) override { return L"fuzz"; }
    int SetNonblocking(bool) override { return 0; }
    int Write(const uint8_t*, size_t length) override { return static_cast<int>(length); }
    int ReadTimeout(uint8_t* buffer, size_t length, int) override {
        std::lock_guard lock(reports_->mutex);
        if (reports_->queue.empty()) {
            return 0;
        }
        const std::vector<uint8_t> report = std::move(reports_->queue.front());
        reports_->queue.pop_front();
        const size_t n = std::min(length, report.size());
        std::copy_n(report.begin(), n, buffer);
        return static_cast<int>(n);
    }
    std::wstring ErrorText() override { return L""; }
    bool Disconnected() const override { return false; }

  private:
    std::shared_ptr<Reports> reports_;
};

// Discards every post after looking at it, so the records are built and moved.
class NullTarget : public MessageTarget {
  public:
    void PostMessage(Message m) override { last_id_ = m.id; }

  private:
    int last_id_ = 0;
};

struct Harness {
    std::shared_ptr<Reports> reports = std::make_shared<Reports>();
    NullTarget target;
    std::unique_ptr<DeviceLink> link;

    Harness() {
        // With KORVEL_FUZZ_LOG set every log line is formatted too, so a format that does not
        // match its arguments shows (about fifty times slower).
        if (std::getenv("KORVEL_FUZZ_LOG") != nullptr) {
            OpenLog("/dev/null");
        }
        TransportFactory factory;
        factory.create = [r = reports] { return std::make_unique<FuzzTransport>(r); };
        link = std::make_unique<DeviceLink>(std::move(factory));
        link->SetWaitCapForTesting(1);
        link->OpenHIDDevice();
        link->SetReportTarget(&target);
        link->SetSceneTarget(&target);
        link->SetCalibrationTarget(&target);
        link->SetMemoryTarget(&target);
        link->SetUpgradeAckHandler([](uint8_t, std::span<const uint8_t>) {});
    }

    void Push(const uint8_t* data, size_t size) {
        std::lock_guard lock(reports->mutex);
        for (size_t at = 0; at < size; at += kInputReportSize) {
            const size_t n = std::min(kInputReportSize, size - at);
            reports->queue.emplace_back(data + at, data + at + n);
        }
    }

    void Drain() {
        while (link->ReadHIDData(0)) {
        }
    }
};

Harness& TheHarness() {
    static Harness harness;
    return harness;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    Harness& h = TheHarness();
    h.link->SetFineTrim((data[0] & 1) != 0);
    h.link->SetInputCount((data[0] & 2) != 0 ? 10 : 4);
    h.Push(data + 1, size - 1);
    h.Drain();
    // Bring the parser back to hunting for a header so the next input starts clean: 0x55 ends
    // a header hunt, and 64 zero bytes complete or drop any packet in progress.
    std::vector<uint8_t> reset(1 + 2 * kInputReportSize, 0);
    reset[0] = 0x55;
    h.Push(reset.data(), reset.size());
    h.Drain();
    return 0;
}
