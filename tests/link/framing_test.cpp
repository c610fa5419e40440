#include "link/framing.h"

#include <gtest/gtest.h>

#include <numeric>
#include <stdexcept>
#include <vector>

#include "link/device_link_core.h"
#include "link/packet_parser.h"
#include "link/recording_sink.h"

namespace korvel {
namespace {

using Bytes = std::vector<uint8_t>;

uint8_t SumMod256(const uint8_t* begin, const uint8_t* end) {
    return static_cast<uint8_t>(std::accumulate(begin, end, 0u));
}

TEST(BuildOutputReport, GetRequestWithoutPayloadMatchesKnownBytes) {
    const OutputReport report = BuildOutputReport(MCMD_DSP, 0x02, OP_GET, {});
    Bytes expected{0x00, 0xAA, 0x55, 0x03, 0x01, 0x02, 0x66, 0x94};
    expected.resize(kOutputReportSize, 0);
    EXPECT_EQ(Bytes(report.begin(), report.end()), expected);
}

class OutputReportLayout : public ::testing::TestWithParam<size_t> {};

TEST_P(OutputReportLayout, PlacesPayloadAndChecksumAndZeroFills) {
    const size_t n = GetParam();
    Bytes payload(n);
    for (size_t i = 0; i < n; ++i)
        payload[i] = static_cast<uint8_t>(0xF0 + i * 7);

    const OutputReport report = BuildOutputReport(MCMD_FLASH, 0x33, OP_SET, payload);

    EXPECT_EQ(report[0], 0x00);
    EXPECT_EQ(report[1], 0xAA);
    EXPECT_EQ(report[2], 0x55);
    EXPECT_EQ(report[3], n + 3);
    EXPECT_EQ(report[4], MCMD_FLASH);
    EXPECT_EQ(report[5], 0x33);
    EXPECT_EQ(report[6], OP_SET);
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), report.begin() + 7));
    // Length through checksum sums to zero.
    EXPECT_EQ(SumMod256(&report[3], &report[7 + n] + 1), 0);
    for (size_t i = 8 + n; i < report.size(); ++i)
        EXPECT_EQ(report[i], 0) << "byte " << i;
}

INSTANTIATE_TEST_SUITE_P(PayloadSizes, OutputReportLayout, ::testing::Values(0, 1, 10, 52, 57));

TEST(BuildOutputReport, RefusesPayloadOverFiftySevenBytes) {
    EXPECT_NO_THROW(BuildOutputReport(MCMD_DSP, 1, OP_SET, Bytes(57, 0xFF)));
    EXPECT_THROW(BuildOutputReport(MCMD_DSP, 1, OP_SET, Bytes(58, 0)), std::length_error);
}

TEST(PacketChecksum, KnownReplyExample) {
    // AA 55 04 01 07 DD 05 12: 04+01+07+DD+05 = 0xEE, negated 0x12.
    const Bytes payload{0x07, 0xDD, 0x05};
    EXPECT_EQ(packet_checksum(0x04, 0x01, payload), 0x12);
    EXPECT_EQ(packet_checksum_wide(0x04, 0x01, payload), 0u - 0xEEu);
}

TEST(PacketChecksum, NeverReadsPastAShortPayload) {
    const Bytes payload{0x10};
    EXPECT_EQ(packet_checksum(200, 1, payload), static_cast<uint8_t>(0u - (200 + 1 + 0x10)));
}

TEST(BuildReplyFrame, MatchesKnownReplyAndRejectsOverlongData) {
    EXPECT_EQ(BuildReplyFrame(1, 0x07, OP_DATA, Bytes{0x05}),
              (Bytes{0xAA, 0x55, 0x04, 0x01, 0x07, 0xDD, 0x05, 0x12}));
    EXPECT_NO_THROW(BuildReplyFrame(1, 1, OP_DATA, Bytes(58, 0)));
    EXPECT_THROW(BuildReplyFrame(1, 1, OP_DATA, Bytes(59, 0)), std::length_error);
}

TEST(SplitIntoInputReports, CutsIntoZeroFilledSixtyFourByteReports) {
    const auto reports = SplitIntoInputReports(Bytes(65, 0x11));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], Bytes(64, 0x11));
    Bytes second(64, 0);
    second[0] = 0x11;
    EXPECT_EQ(reports[1], second);
}

// The host frame, minus the report number, is what the device's parser sees; our own parser
// must accept it, which ties the writer's checksum to the reader's.
TEST(BuildOutputReport, IsAcceptedByThePacketParser) {
    testing::RecordingSink sink;
    PacketParser parser(sink);
    const Bytes payload{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    const OutputReport report = BuildOutputReport(MCMD_DSP, 0x06, OP_SET, payload);
    parser.Feed(std::span<const uint8_t>(report).subspan(1));
    parser.Parse();
    ASSERT_EQ(sink.Count(), 1u);
    Bytes expected{0x06, OP_SET};
    expected.insert(expected.end(), payload.begin(), payload.end());
    EXPECT_EQ(sink.Packets()[0].payload, expected);
    EXPECT_EQ(sink.Packets()[0].type, MCMD_DSP);
}

}  // namespace
}  // namespace korvel
