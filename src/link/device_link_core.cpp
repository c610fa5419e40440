#include "link/device_link_core.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>

#include "link/device_lock.h"
#include "link/framing.h"
#include "link/packet_parser.h"
#include "log/log.h"

namespace korvel {
namespace {

constexpr int kWorkerReadWaitMs = 10000;
constexpr size_t kDeviceStringChars = 255;  // 256-character buffer, one for the terminator
constexpr int kMaxStringFailures = 2;
constexpr uint8_t kPcConnectSubcmd = 0x1F;

long TickMs() {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count());
}

// Byte dumps are formatted first and written with one call, so a line written by another thread
// can never land in the middle of a dump.
std::string HexBytes(const uint8_t* bytes, size_t count) {
    std::string text;
    if (!IsLogOpen()) {
        return text;  // a closed log takes nothing: formatting every report costs each transfer
    }
    char item[8];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(item, std::size(item), "%02x ", bytes[i]);
        text += item;
    }
    return text;
}

void LogRecord(const CommandRecord& record) {
    WriteLog("get mcmd 0x%02x subcmd 0x%02x optype 0x%02x len 0x%02x ", record.mcmd, record.subcmd,
             record.optype, static_cast<unsigned>(record.payload.size()));
    for (size_t i = 0; i < record.payload.size(); ++i) {
        WriteLog("cmd_data[%d](0x%02x) ", static_cast<int>(i), record.payload[i]);
    }
    WriteLog("\n");
}

// A device string cut to the 255 characters the shared buffer holds.
std::optional<std::wstring> CutDeviceString(std::optional<std::wstring> text) {
    if (text && text->size() > kDeviceStringChars)
        text->resize(kDeviceStringChars);
    return text;
}

// Reads the four device strings and logs each; returns how many could not be read.
int ReadDeviceStrings(HidTransport& transport) {
    int failures = 0;
    if (auto text = CutDeviceString(transport.ManufacturerString())) {
        WriteLog("Manufacturer String: %s\n", WideToUtf8(*text).c_str());
    } else {
        WriteLog("Unable to read manufacturer string\n");
        ++failures;
    }
    if (auto text = CutDeviceString(transport.ProductString())) {
        WriteLog("Product String: %s\n", WideToUtf8(*text).c_str());
    } else {
        WriteLog("Unable to read product string\n");
        ++failures;
    }
    if (auto text = CutDeviceString(transport.SerialNumberString())) {
        WriteLog("Serial Number String: (%d) %s", text->empty() ? 0 : static_cast<int>((*text)[0]),
                 WideToUtf8(*text).c_str());
    } else {
        WriteLog("Unable to read serial number string\n");
        ++failures;
    }
    if (auto text = CutDeviceString(transport.IndexedString(1))) {
        WriteLog("Indexed String 1: %s\n", WideToUtf8(*text).c_str());
    } else {
        WriteLog("Unable to read indexed string 1\n");
        ++failures;
    }
    return failures;
}

// Slice of the reads that wait for one answer: another thread (the queue worker and an
// immediate sender read at once) may take the answer's report, so the waiter looks at the
// answers seen so far at least this often.
constexpr int kAnswerSliceMs = 100;
// Answers remembered for matching; far more than can arrive while one command waits.
constexpr size_t kRememberedAnswers = 64;

// One verified packet, as far as matching a command to its answer needs it.
struct SeenAnswer {
    uint64_t serial = 0;
    uint8_t mcmd = 0;
    uint8_t subcmd = 0;
    uint8_t optype = 0;
    int status = -1;  // first data byte, -1 when the packet has none
};

bool Answers(const SeenAnswer& a, uint8_t mcmd, uint8_t subcmd, uint8_t optype, AnswerRule rule) {
    if (a.mcmd != mcmd || a.subcmd != subcmd) {
        return false;
    }
    if (rule == AnswerRule::kAckDone) {
        return a.optype == OP_ACK && a.status == kAckStatusDone;
    }
    return a.optype == OP_DATA || (optype == OP_SET && a.optype == OP_ACK);
}

// Sits between the parser and the decoders: every verified packet is decoded first (so its
// reports are posted before anyone learns that it arrived) and then remembered as an answer.
class AnswerBook : public PacketSink {
  public:
    explicit AnswerBook(PacketSink& sink) : sink_(sink) {}

    void packet_process(uint8_t length, uint8_t type, const uint8_t* payload) override {
        sink_.packet_process(length, type, payload);
        const size_t size = (length > 0 && payload != nullptr) ? length - 1u : 0u;
        SeenAnswer seen;
        seen.mcmd = type;
        seen.subcmd = size > 0 ? payload[0] : 0;
        seen.optype = size > 1 ? payload[1] : 0;
        seen.status = size > 2 ? payload[2] : -1;
        std::lock_guard lock(mutex_);
        seen.serial = ++serial_;
        seen_.push_back(seen);
        if (seen_.size() > kRememberedAnswers) {
            seen_.pop_front();
        }
    }

    uint64_t Serial() const {
        std::lock_guard lock(mutex_);
        return serial_;
    }

    enum class Found { kNothing, kAnswer, kRefusal };

    // An answer fitting the rule, or (for storage commands) the device's refusal: an
    // acknowledgement of the command that does not report the work done.
    Found Arrived(uint8_t mcmd, uint8_t subcmd, uint8_t optype, AnswerRule rule,
                  uint64_t after) const {
        std::lock_guard lock(mutex_);
        Found found = Found::kNothing;
        for (const SeenAnswer& a : seen_) {
            if (a.serial <= after || a.mcmd != mcmd || a.subcmd != subcmd) {
                continue;
            }
            if (Answers(a, mcmd, subcmd, optype, rule)) {
                return Found::kAnswer;
            }
            if (rule == AnswerRule::kAckDone && a.optype == OP_ACK) {
                found = Found::kRefusal;
            }
        }
        return found;
    }

  private:
    PacketSink& sink_;
    mutable std::mutex mutex_;
    uint64_t serial_ = 0;
    std::deque<SeenAnswer> seen_;
};

}  // namespace

struct LinkCore::Impl {
    Impl(TransportFactory f, PacketSink& sink)
        : factory(std::move(f)), answers(sink), parser(answers) {}

    TransportFactory factory;

    // The open device. Readers and writers take a copy of the pointer, so closing only drops
    // the link's reference and the transport is released when the last user returns.
    mutable std::mutex deviceMutex;
    std::shared_ptr<HidTransport> device;
    std::unique_ptr<DeviceLock> lock;  // held while `device` is open
    std::string holder;                // who had the device at the last refused open
    std::atomic<int> handleNumber{0};  // logged as the HidDeviceObject of the open device

    // Write-busy flag: one output report at a time.
    std::mutex writeMutex;
    std::condition_variable writeIdle;
    bool writeBusy = false;

    // Receive ring and parser, fed and run by one reader at a time; the parser hands every
    // verified packet to the answer book, which passes it on to the decoders.
    AnswerBook answers;
    std::mutex parseMutex;
    PacketParser parser;

    // Command queue and worker.
    std::mutex queueMutex;
    std::condition_variable queueChanged;
    std::deque<CommandRecord> queue;
    bool inFlight = false;
    bool running = true;
    std::atomic<bool> queueEnabled{false};
    std::atomic<bool> stopping{false};
    std::atomic<uint64_t> unconfirmedSets{0};
    std::atomic<int> waitCapMs{0};
    std::thread worker;
    std::mutex stopMutex;  // one joiner

    std::shared_ptr<HidTransport> Device() const {
        std::lock_guard lock(deviceMutex);
        return device;
    }

    static bool Usable(const std::shared_ptr<HidTransport>& t) { return t && !t->Disconnected(); }

    // True while `t` is still the link's device and has not gone away.
    bool StillOpen(const std::shared_ptr<HidTransport>& t) const {
        std::lock_guard lock(deviceMutex);
        return t && device == t && !t->Disconnected();
    }

    int CappedWait(int waitMs) const {
        const int cap = waitCapMs.load();
        return cap > 0 ? std::min(waitMs, cap) : waitMs;
    }
};

LinkCore::LinkCore(TransportFactory factory, PacketSink& sink)
    : impl_(std::make_unique<Impl>(std::move(factory), sink)) {
    impl_->worker = std::thread([this] { McuCmdThread(); });
}

LinkCore::~LinkCore() {
    StopWorker();
}

void LinkCore::StopWorker() {
    impl_->stopping = true;
    {
        std::lock_guard lock(impl_->queueMutex);
        impl_->running = false;
    }
    impl_->queueChanged.notify_all();
    std::lock_guard stopLock(impl_->stopMutex);
    if (impl_->worker.joinable())
        impl_->worker.join();
}

int LinkCore::OpenHIDDevice() {
    if (impl_->Device())
        CloseHIDDevice(false);
    std::unique_ptr<DeviceLock> lock;
    if (!impl_->factory.lockKey.empty()) {
        std::string holder;
        lock = DeviceLock::Acquire(impl_->factory.lockKey, &holder);
        if (!lock) {
            WriteLog("the amplifier is in use by %s\n", holder.c_str());
            std::lock_guard guard(impl_->deviceMutex);
            impl_->holder = holder;
            return kOpenDeviceInUse;
        }
    }
    if (const int initResult = impl_->factory.init ? impl_->factory.init() : 0; initResult != 0) {
        return initResult;
    }
    std::shared_ptr<HidTransport> transport =
        impl_->factory.create ? impl_->factory.create() : nullptr;
    if (!transport || !transport->Open()) {
        WriteLog("unable to open device\n");
        return -1;
    }

    const int failures = ReadDeviceStrings(*transport);
    if (failures > kMaxStringFailures) {
        WriteLog("read HID info error, unable open device correctly\n");
        return -1;
    }

    const int result = transport->SetNonblocking(true);
    std::lock_guard guard(impl_->deviceMutex);
    impl_->device = std::move(transport);
    impl_->lock = std::move(lock);
    ++impl_->handleNumber;
    return result;
}

std::string LinkCore::DeviceHolder() const {
    std::lock_guard guard(impl_->deviceMutex);
    return impl_->holder;
}

bool LinkCore::IsOpen() const {
    return Impl::Usable(impl_->Device());
}

bool LinkCore::DeviceGone() const {
    auto device = impl_->Device();
    return device && device->Disconnected();
}

void LinkCore::CloseHIDDevice(bool notifyDevice) {
    if (!impl_->Device())
        return;
    if (notifyDevice) {
        const uint8_t value = 0;
        WriteLog("PC_Connect = %d\n", value);
        SendCtrlCommand(MCMD_MCU, kPcConnectSubcmd, OP_SET, &value, 1);
    }
    std::shared_ptr<HidTransport> released;
    std::unique_ptr<DeviceLock> unlocked;
    {
        std::lock_guard lock(impl_->deviceMutex);
        released = std::move(impl_->device);
        unlocked = std::move(impl_->lock);
    }
    // The transport goes first: another program may take the lock only once the device is
    // really closed (a reader thread may still hold the transport a moment longer).
    released.reset();
    unlocked.reset();
    WriteLog("CloseHIDDevice!\n");
}

bool LinkCore::SendCtrlCommand(uint8_t mcmd, uint8_t subcmd, uint8_t optype, const uint8_t* data,
                               uint8_t length) {
    if (!Impl::Usable(impl_->Device()))
        return false;
    if (length > kMaxCommandPayload || (length > 0 && data == nullptr)) {
        WriteLog("SendCtrlCommand: payload length %d refused\n", length);
        return false;
    }

    std::unique_lock lock(impl_->writeMutex);
    impl_->writeIdle.wait(lock, [this] { return !impl_->writeBusy; });
    impl_->writeBusy = true;
    lock.unlock();
    auto clearBusy = [this] {
        {
            std::lock_guard guard(impl_->writeMutex);
            impl_->writeBusy = false;
        }
        impl_->writeIdle.notify_one();
    };

    WriteLogTimeStamp();
    WriteLog("SendCtrlCommand\n");
    const OutputReport report =
        BuildOutputReport(mcmd, subcmd, optype, std::span<const uint8_t>(data, length));
    WriteLog("begain to write data to devices:\n%s\n",
             HexBytes(report.data(), report.size()).c_str());
    WriteLog("set WRITE_ROPRT = TRUE\n");

    std::shared_ptr<HidTransport> device = impl_->Device();
    if (!device) {
        WriteLog("mHidHandle is NULL, can't send cmd\n");
        clearBusy();
        return false;
    }
    const int handle = impl_->handleNumber;
    if (device->Write(report.data(), report.size()) < 0) {
        WriteLog("Write HidDeviceObject = %d errot = %s\n", handle,
                 WideToUtf8(device->ErrorText()).c_str());
        clearBusy();
        return false;
    }
    WriteLog("write data ok! HidDeviceObject = %d\n", handle);
    WriteLogTimeStamp();
    clearBusy();
    return true;
}

bool LinkCore::ReadHIDData(int timeoutMs) {
    const int waitMs = impl_->CappedWait(timeoutMs);
    const long start = TickMs();
    WriteLog("ReadHIDData timestart = %ld\n", start);

    // Each read has its own buffer: the worker and an immediate sender may read at once.
    std::array<uint8_t, kOutputReportSize> buffer{};
    std::shared_ptr<HidTransport> device;
    int count = 0;
    for (;;) {
        device = impl_->Device();
        if (!Impl::Usable(device)) {
            WriteLog("mHidHandle is NULL\n");
            return false;
        }
        // A failed read is retried with what is left of the wait, so the whole call stays
        // within it; a time-out (0) is final.
        const long elapsed = TickMs() - start;
        count = device->ReadTimeout(buffer.data(), kInputReportSize,
                                    static_cast<int>(std::max<long>(waitMs - elapsed, 0)));
        if (count >= 0 || !impl_->StillOpen(device) || TickMs() - start > waitMs)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    WriteLog("ReadHIDData done timeend-timestart = %ld\n", TickMs() - start);
    WriteLog("ReadHIDData NumberOfBytesRead = %d\n", count);
    if (count <= 0)
        return false;

    const size_t received = std::min<size_t>(static_cast<size_t>(count), kInputReportSize);
    std::lock_guard lock(impl_->parseMutex);
    for (size_t i = 0; i < received; ++i) {
        if (!impl_->StillOpen(device)) {
            WriteLog("mHidHandle is NULL\n");
            return false;
        }
        impl_->parser.Feed(buffer[i]);
    }
    WriteLog("read data: %s\n", HexBytes(buffer.data(), received).c_str());
    impl_->parser.Parse([this, &device] { return impl_->StillOpen(device); });
    return true;
}

bool LinkCore::SendImmediate(uint8_t mcmd, uint8_t subcmd, uint8_t optype,
                             const std::vector<uint8_t>& payload, int waitMs, AnswerRule rule) {
    if (payload.size() > kMaxCommandPayload) {
        WriteLog("SendCtrlCommand: payload length %d refused\n", static_cast<int>(payload.size()));
        return false;
    }
    const uint64_t before = impl_->answers.Serial();
    SendCtrlCommand(mcmd, subcmd, optype, payload.data(), static_cast<uint8_t>(payload.size()));
    if (waitMs == kNoRead)
        return false;
    return AwaitAnswer(mcmd, subcmd, optype, rule, before, waitMs);
}

bool LinkCore::AwaitAnswer(uint8_t mcmd, uint8_t subcmd, uint8_t optype, AnswerRule rule,
                           uint64_t after, int waitMs) {
    const long deadline = TickMs() + impl_->CappedWait(waitMs);
    for (;;) {
        const AnswerBook::Found found = impl_->answers.Arrived(mcmd, subcmd, optype, rule, after);
        if (found == AnswerBook::Found::kAnswer)
            return true;
        if (found == AnswerBook::Found::kRefusal) {
            WriteLog("mcmd 0x%02x subcmd 0x%02x refused by the device\n", mcmd, subcmd);
            return false;
        }
        const long left = deadline - TickMs();
        if (left <= 0 || impl_->stopping.load() || !Impl::Usable(impl_->Device())) {
            WriteLog("no answer to mcmd 0x%02x subcmd 0x%02x optype 0x%02x\n", mcmd, subcmd,
                     optype);
            return false;
        }
        ReadHIDData(static_cast<int>(std::min<long>(left, kAnswerSliceMs)));
    }
}

bool LinkCore::SendQueuedRecord(const CommandRecord& record) {
    const uint64_t before = impl_->answers.Serial();
    SendCtrlCommand(record.mcmd, record.subcmd, record.optype, record.payload.data(),
                    static_cast<uint8_t>(record.payload.size()));
    return AwaitAnswer(record.mcmd, record.subcmd, record.optype, AnswerRule::kReply, before,
                       kWorkerReadWaitMs);
}

uint64_t LinkCore::UnconfirmedSets() const {
    return impl_->unconfirmedSets.load();
}

bool LinkCore::Enqueue(CommandRecord record) {
    if (!impl_->queueEnabled.load())
        return false;
    if (record.payload.size() > kMaxCommandPayload) {
        WriteLog("SendCtrlCommand: payload length %d refused\n",
                 static_cast<int>(record.payload.size()));
        return false;
    }
    {
        std::lock_guard lock(impl_->queueMutex);
        if (!impl_->running)
            return false;  // no worker left to send it
        impl_->queue.push_back(std::move(record));
    }
    impl_->queueChanged.notify_all();
    return true;
}

void LinkCore::EnableQueue() {
    impl_->queueEnabled = true;
}
void LinkCore::DisableQueue() {
    impl_->queueEnabled = false;
}
bool LinkCore::QueueEnabled() const {
    return impl_->queueEnabled.load();
}

size_t LinkCore::QueuedCount() const {
    std::lock_guard lock(impl_->queueMutex);
    return impl_->queue.size();
}

bool LinkCore::WaitUntilIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(impl_->queueMutex);
    return impl_->queueChanged.wait_for(
        lock, timeout, [this] { return impl_->queue.empty() && !impl_->inFlight; });
}

void LinkCore::SetWaitCapForTesting(int maxMs) {
    impl_->waitCapMs = std::max(maxMs, 0);
}

int LinkCore::CappedWaitMs(int waitMs) const {
    return impl_->CappedWait(waitMs);
}

void LinkCore::ClearReceiveRing() {
    std::lock_guard lock(impl_->parseMutex);
    impl_->parser.Clear();
}

void LinkCore::McuCmdThread() {
    WriteLog("McuCmdThread start\n");
    std::unique_lock lock(impl_->queueMutex);
    for (;;) {
        impl_->queueChanged.wait(lock, [this] { return !impl_->running || !impl_->queue.empty(); });
        if (!impl_->running)
            break;
        CommandRecord record = std::move(impl_->queue.front());
        impl_->queue.pop_front();
        impl_->inFlight = true;
        lock.unlock();

        LogRecord(record);
        bool answered = SendQueuedRecord(record);
        if (!answered && record.optype == OP_SET && IsOpen() && !impl_->stopping.load()) {
            WriteLog("McuCmdThread: no acknowledgement, sending it once more\n");
            answered = SendQueuedRecord(record);
        }
        if (!answered && record.optype == OP_SET) {
            ++impl_->unconfirmedSets;
            WriteLog("McuCmdThread: mcmd 0x%02x subcmd 0x%02x stays unconfirmed\n", record.mcmd,
                     record.subcmd);
        }
        record.payload = {};

        lock.lock();
        impl_->inFlight = false;
        impl_->queueChanged.notify_all();
    }
    std::deque<CommandRecord> discarded = std::move(impl_->queue);
    impl_->queue.clear();
    impl_->queueChanged.notify_all();
    lock.unlock();
    for (const CommandRecord& record : discarded)
        LogRecord(record);
    WriteLog("McuCmdThread end\n");
}

}  // namespace korvel
