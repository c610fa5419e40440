#include "link/framing.h"

#include <algorithm>
#include <stdexcept>

namespace korvel {
namespace {

constexpr size_t kLargestReplyLength = 61;

}  // namespace

uint32_t packet_checksum_wide(uint8_t length, uint8_t type, std::span<const uint8_t> payload) {
    uint32_t sum = length + type;
    const size_t count = std::min<size_t>(length > 0 ? length - 1u : 0u, payload.size());
    for (size_t i = 0; i < count; ++i)
        sum += payload[i];
    return 0u - sum;
}

uint8_t packet_checksum(uint8_t length, uint8_t type, std::span<const uint8_t> payload) {
    return static_cast<uint8_t>(packet_checksum_wide(length, type, payload));
}

OutputReport BuildOutputReport(uint8_t mcmd, uint8_t subcmd, uint8_t optype,
                               std::span<const uint8_t> payload) {
    if (payload.size() > kMaxFramePayload) {
        throw std::length_error("command payload exceeds one output report");
    }
    OutputReport report{};
    report[1] = kFrameHeader1;
    report[2] = kFrameHeader2;
    report[3] = static_cast<uint8_t>(payload.size() + 3);
    report[4] = mcmd;
    report[5] = subcmd;
    report[6] = optype;
    std::copy(payload.begin(), payload.end(), report.begin() + 7);
    // The checksum covers packet_length through the last payload byte; the parser's view of
    // that range is length, type, then the bytes from subcmd on.
    report[7 + payload.size()] =
        packet_checksum(report[3], mcmd, std::span<const uint8_t>(report).subspan(5));
    return report;
}

std::vector<uint8_t> BuildReplyFrame(uint8_t type, uint8_t subcmd, uint8_t optype,
                                     std::span<const uint8_t> data) {
    const size_t length = data.size() + 3;
    if (length > kLargestReplyLength) {
        throw std::length_error("reply frame longer than the parser accepts");
    }
    std::vector<uint8_t> frame;
    frame.reserve(length + 3);
    for (uint8_t byte :
         {kFrameHeader1, kFrameHeader2, static_cast<uint8_t>(length), type, subcmd, optype}) {
        frame.push_back(byte);
    }
    for (uint8_t byte : data) {
        frame.push_back(byte);
    }
    frame.push_back(packet_checksum(static_cast<uint8_t>(length), type,
                                    std::span<const uint8_t>(frame).subspan(4)));
    return frame;
}

std::vector<std::vector<uint8_t>> SplitIntoInputReports(std::span<const uint8_t> bytes) {
    std::vector<std::vector<uint8_t>> reports;
    for (size_t offset = 0; offset < bytes.size(); offset += kInputReportSize) {
        std::vector<uint8_t> report(kInputReportSize, 0);
        const size_t count = std::min(kInputReportSize, bytes.size() - offset);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), count, report.begin());
        reports.push_back(std::move(report));
    }
    return reports;
}

}  // namespace korvel
