#pragma once
// One command as one output report, and the checksum shared by both directions.
//
// Output report: report number 0, 0xAA 0x55, packet_length (payload + 3), mcmd, subcmd, optype,
// payload, checksum, zero fill to 65 bytes. The checksum makes the bytes from packet_length
// through the checksum sum to 0 modulo 256.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "link/transport.h"

namespace korvel {

inline constexpr uint8_t kFrameHeader1 = 0xAA;
inline constexpr uint8_t kFrameHeader2 = 0x55;
// Largest payload after mcmd/subcmd/optype that still fits one output report.
inline constexpr size_t kMaxFramePayload = 57;

using OutputReport = std::array<uint8_t, kOutputReportSize>;

// The negated 8-bit sum of `length`, `type` and the first `length - 1` bytes of `payload`.
// `payload` must hold at least `length - 1` bytes; a shorter span is summed as far as it goes.
uint8_t packet_checksum(uint8_t length, uint8_t type, std::span<const uint8_t> payload);

// The same sum before truncation to 8 bits (the negated 32-bit sum the parser logs).
uint32_t packet_checksum_wide(uint8_t length, uint8_t type, std::span<const uint8_t> payload);

// Builds the 65-byte output report. Throws std::length_error for payloads over 57 bytes;
// SendCtrlCommand checks the length first and reports the refusal as a failed send.
OutputReport BuildOutputReport(uint8_t mcmd, uint8_t subcmd, uint8_t optype,
                               std::span<const uint8_t> payload);

// A device-to-host frame (0xAA 0x55 length type subcmd optype data checksum), as the amplifier
// sends it. Used by the virtual amplifier and by tests. Throws std::length_error when the data
// make packet_length exceed 61, the largest the parser accepts.
std::vector<uint8_t> BuildReplyFrame(uint8_t type, uint8_t subcmd, uint8_t optype,
                                     std::span<const uint8_t> data);

// Splits a byte stream into 64-byte input reports, the last one zero-filled.
std::vector<std::vector<uint8_t>> SplitIntoInputReports(std::span<const uint8_t> bytes);

}  // namespace korvel
