#include "virtualamp/amp_frames.h"

#include <algorithm>

namespace korvel {
namespace {

constexpr uint8_t kHeader0 = 0xAA;
constexpr uint8_t kHeader1 = 0x55;
constexpr size_t kOutLengthIndex = 3;  // after report number and header
constexpr size_t kOutPayloadIndex = 7;
constexpr size_t kInLengthIndex = 2;
constexpr size_t kInDataIndex = 6;
constexpr uint8_t kFrameOverhead = 3;  // mcmd/type, subcmd, optype

}  // namespace

uint8_t NegatedSum(const uint8_t* bytes, size_t length) {
    uint8_t sum = 0;
    for (size_t i = 0; i < length; ++i) {
        sum = static_cast<uint8_t>(sum + bytes[i]);
    }
    return static_cast<uint8_t>(-sum);
}

std::optional<AmpRequest> ParseOutputReport(const uint8_t* data, size_t length) {
    if (data == nullptr || length < kOutPayloadIndex + 1) {
        return std::nullopt;
    }
    if (data[0] != 0 || data[1] != kHeader0 || data[2] != kHeader1) {
        return std::nullopt;
    }
    const uint8_t packetLength = data[kOutLengthIndex];
    if (packetLength < kFrameOverhead) {
        return std::nullopt;
    }
    const size_t payloadLength = packetLength - kFrameOverhead;
    const size_t checksumIndex = kOutPayloadIndex + payloadLength;
    if (checksumIndex >= length || checksumIndex >= kOutputReportSize) {
        return std::nullopt;
    }
    const size_t summed = checksumIndex - kOutLengthIndex;
    if (NegatedSum(data + kOutLengthIndex, summed) != data[checksumIndex]) {
        return std::nullopt;
    }
    AmpRequest request;
    request.mcmd = data[4];
    request.subcmd = data[5];
    request.optype = data[6];
    request.payload.assign(data + kOutPayloadIndex, data + checksumIndex);
    return request;
}

InputReport BuildInputReport(uint8_t packetType, uint8_t subcmd, uint8_t optype,
                             const std::vector<uint8_t>& data) {
    InputReport report{};
    const size_t dataLength = std::min(data.size(), kMaxReplyData);
    report[0] = kHeader0;
    report[1] = kHeader1;
    report[kInLengthIndex] = static_cast<uint8_t>(kFrameOverhead + dataLength);
    report[3] = packetType;
    report[4] = subcmd;
    report[5] = optype;
    std::copy_n(data.begin(), dataLength, report.begin() + kInDataIndex);
    const size_t checksumIndex = kInDataIndex + dataLength;
    report[checksumIndex] =
        NegatedSum(report.data() + kInLengthIndex, checksumIndex - kInLengthIndex);
    return report;
}

size_t ChecksumIndex(const InputReport& report) {
    return std::min<size_t>(report[kInLengthIndex] + 3, kInputReportSize - 1);
}

}  // namespace korvel
