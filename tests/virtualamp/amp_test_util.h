#pragma once
// Raw-byte helpers for the virtual amplifier tests: build output reports by hand and unpack the
// amplifier's input reports, checking their frame independently of the amplifier's code.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "virtualamp/virtual_amplifier.h"

namespace korvel::test {

inline constexpr uint8_t kDsp = 1;
inline constexpr uint8_t kFlash = 2;
inline constexpr uint8_t kMcu = 3;
inline constexpr uint8_t kKtv = 7;
inline constexpr uint8_t kSet = 0xBB;
inline constexpr uint8_t kGet = 0x66;
inline constexpr uint8_t kData = 0xDD;
inline constexpr uint8_t kAck = 0xEE;

using Bytes = std::vector<uint8_t>;

inline std::array<uint8_t, 65> OutputReport(uint8_t mcmd, uint8_t subcmd, uint8_t optype,
                                            const Bytes& payload) {
    std::array<uint8_t, 65> report{};
    report[1] = 0xAA;
    report[2] = 0x55;
    report[3] = static_cast<uint8_t>(payload.size() + 3);
    report[4] = mcmd;
    report[5] = subcmd;
    report[6] = optype;
    uint8_t sum = static_cast<uint8_t>(report[3] + mcmd + subcmd + optype);
    for (size_t i = 0; i < payload.size(); ++i) {
        report[7 + i] = payload[i];
        sum = static_cast<uint8_t>(sum + payload[i]);
    }
    report[7 + payload.size()] = static_cast<uint8_t>(-sum);
    return report;
}

// Range requests: scene, source, first, last.
inline Bytes Range(uint8_t scene, uint8_t first, uint8_t last, uint8_t source = 0) {
    return {scene, source, first, last};
}

inline Bytes Concat(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

struct Reply {
    uint8_t type = 0;
    uint8_t subcmd = 0;
    uint8_t optype = 0;
    Bytes data;
    bool checksumOk = false;
};

// Unpacks an input report the way the host's parser reads it.
inline Reply Unpack(const InputReport& report) {
    Reply reply;
    EXPECT_EQ(report[0], 0xAA);
    EXPECT_EQ(report[1], 0x55);
    const uint8_t length = report[2];
    EXPECT_GE(length, 3);
    EXPECT_LE(length + 3, 63) << "packet must fit one input report";
    reply.type = report[3];
    reply.subcmd = report[4];
    reply.optype = report[5];
    reply.data.assign(report.begin() + 6, report.begin() + 3 + length);
    uint8_t sum = 0;
    for (size_t i = 2; i <= static_cast<size_t>(length) + 3; ++i) {
        sum = static_cast<uint8_t>(sum + report[i]);
    }
    reply.checksumOk = sum == 0;
    for (size_t i = static_cast<size_t>(length) + 4; i < report.size(); ++i) {
        EXPECT_EQ(report[i], 0) << "padding at " << i;
    }
    return reply;
}

inline std::vector<Reply> Exchange(VirtualAmplifier& amp, uint8_t mcmd, uint8_t subcmd,
                                   uint8_t optype, const Bytes& payload = {}) {
    const auto report = OutputReport(mcmd, subcmd, optype, payload);
    std::vector<Reply> replies;
    for (const auto& input : amp.HandleOutputReport(report.data(), report.size())) {
        replies.push_back(Unpack(input));
    }
    return replies;
}

// A get answered with exactly one valid data report; returns its data.
inline Bytes Get(VirtualAmplifier& amp, uint8_t mcmd, uint8_t subcmd, const Bytes& payload = {}) {
    const auto replies = Exchange(amp, mcmd, subcmd, kGet, payload);
    EXPECT_EQ(replies.size(), 1u) << "subcmd " << int(subcmd);
    if (replies.size() != 1) {
        return {};
    }
    EXPECT_TRUE(replies[0].checksumOk);
    EXPECT_EQ(replies[0].type, mcmd);
    EXPECT_EQ(replies[0].subcmd, subcmd);
    EXPECT_EQ(replies[0].optype, kData);
    return replies[0].data;
}

// A set acknowledged with exactly one report [subcmd, 0xEE, 0x0A, ...]; returns the data.
inline Bytes Set(VirtualAmplifier& amp, uint8_t mcmd, uint8_t subcmd, const Bytes& payload) {
    const auto replies = Exchange(amp, mcmd, subcmd, kSet, payload);
    EXPECT_EQ(replies.size(), 1u) << "subcmd " << int(subcmd);
    if (replies.size() != 1) {
        return {};
    }
    EXPECT_TRUE(replies[0].checksumOk);
    EXPECT_EQ(replies[0].subcmd, subcmd);
    EXPECT_EQ(replies[0].optype, kAck);
    EXPECT_FALSE(replies[0].data.empty());
    if (!replies[0].data.empty()) {
        EXPECT_EQ(replies[0].data[0], 0x0A);
    }
    return replies[0].data;
}

}  // namespace korvel::test
