// DeviceLink core services: construction, report targets, the two dispatch paths of the
// encoders, and routing of verified packets to the decoders.

#include "commands/device_link.h"

#include "commands/reply_kinds.h"

#include "commands/wire_values.h"
#include "log/log.h"

namespace korvel {

CsAutoBlock MakeDefaultCsAutoBlock(uint8_t byte0) {
    std::vector<uint8_t> bytes;
    bytes.push_back(byte0);
    for (int i = 0; i < 11; ++i) {
        bytes.push_back(1);
    }
    for (int i = 0; i < 9; ++i) {
        wire::PutFloatLE(bytes, 1.0f);
    }
    bytes.push_back(0);  // mode index
    for (int i = 0; i < 3; ++i) {
        bytes.push_back(5);  // front, surround and subwoofer selections
    }
    CsAutoBlock block{};
    std::copy(bytes.begin(), bytes.end(), block.begin());
    return block;
}

DeviceLink::DeviceLink(TransportFactory factory) : core_(std::move(factory), *this) {}

DeviceLink::~DeviceLink() = default;

void DeviceLink::SetReportTarget(MessageTarget* target) {
    std::lock_guard lock(targets_mutex_);
    report_target_ = target;
}

void DeviceLink::SetSceneTarget(MessageTarget* target) {
    std::lock_guard lock(targets_mutex_);
    scene_target_ = target;
}

void DeviceLink::SetCalibrationTarget(MessageTarget* target) {
    std::lock_guard lock(targets_mutex_);
    calibration_target_ = target;
}

void DeviceLink::SetMemoryTarget(MessageTarget* target) {
    std::lock_guard lock(targets_mutex_);
    memory_target_ = target;
}

void DeviceLink::SetUpgradeAckHandler(UpgradeAckHandler handler) {
    std::lock_guard lock(targets_mutex_);
    upgrade_ack_handler_ = std::move(handler);
}

void DeviceLink::ResetDeviceState() {
    mcu_is_normal_mode_ = 0;
    device_model_ = -1;
    bootloader_version_ = 0;
}

// --- Dispatch ------------------------------------------------------------------------------

bool DeviceLink::Refuse(const char* name, size_t bytes, size_t limit) {
    WriteLog("%s: request refused, %d payload bytes exceed the limit of %d\n", name,
             static_cast<int>(bytes), static_cast<int>(limit));
    return false;
}

bool DeviceLink::SendNow(uint8_t mcmd, uint8_t subcmd, uint8_t optype, std::vector<uint8_t> payload,
                         int waitMs, AnswerRule rule) {
    if (payload.size() > kMaxCommandPayload) {
        return Refuse("SendCtrlCommand", payload.size(), kMaxCommandPayload);
    }
    return core_.SendImmediate(mcmd, subcmd, optype, payload, waitMs, rule);
}

bool DeviceLink::Dispatch(uint8_t mcmd, uint8_t subcmd, uint8_t optype,
                          std::vector<uint8_t> payload, bool immediately, int waitMs) {
    if (payload.size() > kMaxCommandPayload) {
        return Refuse("SendCtrlCommand", payload.size(), kMaxCommandPayload);
    }
    if (immediately) {
        return core_.SendImmediate(mcmd, subcmd, optype, payload, waitMs);
    }
    CommandRecord record;
    record.mcmd = mcmd;
    record.subcmd = subcmd;
    record.optype = optype;
    record.payload = std::move(payload);
    return core_.Enqueue(std::move(record));
}

// --- Posting -------------------------------------------------------------------------------

// A report to the report window must carry the record its table entry names; anything else is a
// decoder fault, which is logged and dropped rather than handed to a handler that cannot take it.
bool DeviceLink::CarriesExpectedRecord(const Message& m) {
    const std::optional<size_t> expected = ExpectedRecord(m.id, static_cast<uint8_t>(m.wParam));
    if (expected && *expected == m.record.index()) {
        return true;
    }
    WriteLog("Post: report %d of 0x%02x carries record %d, expected %d; dropped\n", m.id,
             static_cast<unsigned>(m.wParam), static_cast<int>(m.record.index()),
             expected ? static_cast<int>(*expected) : -1);
    return false;
}

void DeviceLink::Post(Target target, Message m) {
    if (target == Target::Report && IsTabledReport(m.id) && !CarriesExpectedRecord(m)) {
        return;
    }
    // The lock is held across the post so that a window clearing its target while it closes
    // never receives a post afterwards.
    std::lock_guard lock(targets_mutex_);
    MessageTarget* t = nullptr;
    switch (target) {
        case Target::Report:
            t = report_target_;
            break;
        case Target::Scene:
            t = scene_target_;
            break;
        case Target::Calibration:
            t = calibration_target_;
            break;
        case Target::Memory:
            t = memory_target_;
            break;
    }
    if (t != nullptr) {
        t->PostMessage(std::move(m));
    }
}

void DeviceLink::PostValue(Target target, int id, int64_t wParam, int64_t value) {
    Message m;
    m.id = id;
    m.wParam = wParam;
    m.value = value;
    Post(target, std::move(m));
}

void DeviceLink::PostRecord(Target target, int id, int64_t wParam, ReportRecord record) {
    Message m;
    m.id = id;
    m.wParam = wParam;
    m.record = std::move(record);
    Post(target, std::move(m));
}

// --- Routing -------------------------------------------------------------------------------

void DeviceLink::packet_process(uint8_t length, uint8_t type, const uint8_t* payload) {
    WriteLog("packet_process: packet_type(0x%08x)\n", type);
    // The payload holds length - 1 bytes: command identifier, operation, data.
    const size_t size = (length > 0 && payload != nullptr) ? length - 1u : 0u;
    const std::span<const uint8_t> bytes(payload, size);
    switch (type) {
        case MCMD_DSP:
            dsp_ack_process(bytes);
            break;
        case MCMD_FLASH:
            flash_ack_process(bytes);
            break;
        case MCMD_MCU:
            mcu_ack_process(bytes);
            break;
        case MCMD_KTV:
            ktv_ack_process(bytes);
            break;
        default:
            break;
    }
}

}  // namespace korvel
