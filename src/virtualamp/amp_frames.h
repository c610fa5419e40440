#pragma once
// The amplifier's end of the report framing: it unpacks the host's 65-byte output reports and
// builds its own 64-byte input reports. Kept apart from the host's framing on purpose, so that
// the two ends check each other.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "link/transport.h"

namespace korvel {

// One command as the device received it.
struct AmpRequest {
    uint8_t mcmd = 0;
    uint8_t subcmd = 0;
    uint8_t optype = 0;
    std::vector<uint8_t> payload;
};

using InputReport = std::array<uint8_t, kInputReportSize>;

// Largest data part of a reply that still fits one input report together with the header,
// packet type, command identifier, operation and checksum.
inline constexpr size_t kMaxReplyData = kInputReportSize - 7;

// Unpacks an output report (report number 0, 0xAA 0x55, length, mcmd, subcmd, optype,
// payload, checksum). Returns nullopt for anything a device would drop: short buffers, a wrong
// report number or header, an impossible length or a checksum mismatch.
std::optional<AmpRequest> ParseOutputReport(const uint8_t* data, size_t length);

// Builds one input report: 0xAA 0x55, length (= 3 + data size), packet type, command
// identifier, operation, data, checksum, zero padding. Data beyond kMaxReplyData is cut.
InputReport BuildInputReport(uint8_t packetType, uint8_t subcmd, uint8_t optype,
                             const std::vector<uint8_t>& data);

// Index of the checksum byte within a report built by BuildInputReport.
size_t ChecksumIndex(const InputReport& report);

// Two's complement of the 8-bit sum of `length` bytes.
uint8_t NegatedSum(const uint8_t* bytes, size_t length);

}  // namespace korvel
