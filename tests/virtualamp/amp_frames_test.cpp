// The amplifier's frame handling: what it accepts from the host and what its reports look like.

#include <gtest/gtest.h>

#include "amp_test_util.h"
#include "virtualamp/amp_frames.h"

namespace korvel::test {
namespace {

TEST(AmpFrames, ParsesAnEmptyPayloadRequestLikeTheHostWritesIt) {
    // The host writes Get_Main_Volume as 00 AA 55 03 01 02 66 94 and zero padding.
    std::array<uint8_t, 65> report{0x00, 0xAA, 0x55, 0x03, 0x01, 0x02, 0x66, 0x94};
    const auto request = ParseOutputReport(report.data(), report.size());
    ASSERT_TRUE(request);
    EXPECT_EQ(request->mcmd, 1);
    EXPECT_EQ(request->subcmd, 2);
    EXPECT_EQ(request->optype, 0x66);
    EXPECT_TRUE(request->payload.empty());
}

TEST(AmpFrames, BuildsTheReplyTheHostParserAccepts) {
    const auto report = BuildInputReport(1, 0x07, 0xDD, {0x05});
    const Bytes expected = {0xAA, 0x55, 0x04, 0x01, 0x07, 0xDD, 0x05, 0x12};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), report.begin()));
    EXPECT_EQ(ChecksumIndex(report), 7u);
    EXPECT_EQ(Unpack(report).checksumOk, true);
}

TEST(AmpFrames, CutsDataThatWouldNotFitOneReport) {
    const auto report = BuildInputReport(1, 0x06, 0xDD, Bytes(80, 0x11));
    const Reply reply = Unpack(report);
    EXPECT_EQ(reply.data.size(), kMaxReplyData);
    EXPECT_TRUE(reply.checksumOk);
}

struct Mangle {
    const char* name;
    size_t index;
    uint8_t value;
};

class AmpFramesRejects : public ::testing::TestWithParam<Mangle> {};

TEST_P(AmpFramesRejects, DropsTheReportSilently) {
    VirtualAmplifier amp;
    auto report = OutputReport(kDsp, 0x02, kGet, {});
    report[GetParam().index] = GetParam().value;
    EXPECT_TRUE(amp.HandleOutputReport(report.data(), report.size()).empty());
    EXPECT_TRUE(amp.RequestLog().empty());
    EXPECT_EQ(amp.RejectedReports(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, AmpFramesRejects,
    ::testing::Values(Mangle{"BadChecksum", 7, 0x95}, Mangle{"ReportNumber", 0, 0x01},
                      Mangle{"FirstHeaderByte", 1, 0xAB}, Mangle{"SecondHeaderByte", 2, 0x54},
                      Mangle{"LengthBelowThree", 3, 0x02}, Mangle{"ChecksumBeyondReport", 3, 0x3D}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AmpFrames, RejectsShortBuffersWithoutReadingPastThem) {
    VirtualAmplifier amp;
    const auto report = OutputReport(kDsp, 0x01, kSet, {0x51, 0x00, 0x00});
    // Length says 6 payload-and-header bytes; cut the buffer before the checksum.
    EXPECT_TRUE(amp.HandleOutputReport(report.data(), 9).empty());
    EXPECT_TRUE(amp.HandleOutputReport(nullptr, 65).empty());
    EXPECT_EQ(amp.RejectedReports(), 2u);
}

TEST(AmpFrames, AcceptsTheLongestPayload) {
    const auto report = OutputReport(kDsp, 0x42, kSet, Bytes(57, 0));
    const auto request = ParseOutputReport(report.data(), report.size());
    ASSERT_TRUE(request);
    EXPECT_EQ(request->payload.size(), 57u);
}

}  // namespace
}  // namespace korvel::test
