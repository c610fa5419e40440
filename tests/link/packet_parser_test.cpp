#include "link/packet_parser.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "link/device_link_core.h"
#include "link/framing.h"
#include "link/recording_sink.h"

namespace korvel {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::DeliveredPacket;
using testing::RecordingSink;

const Bytes kValidFrame{0xAA, 0x55, 0x04, 0x01, 0x07, 0xDD, 0x05, 0x12};
const DeliveredPacket kValidPacket{0x04, 0x01, {0x07, 0xDD, 0x05}, {}};

class PacketParserTest : public ::testing::Test {
  protected:
    void FeedAndParse(const Bytes& bytes) {
        parser.Feed(bytes);
        parser.Parse();
    }
    RecordingSink sink;
    PacketParser parser{sink};
};

TEST_F(PacketParserTest, DeliversValidPacketWithSubcmdFirst) {
    FeedAndParse(kValidFrame);
    ASSERT_EQ(sink.Count(), 1u);
    EXPECT_EQ(sink.Packets()[0], kValidPacket);
    EXPECT_EQ(parser.StateIndex(), 0);
}

TEST_F(PacketParserTest, DropsEveryOtherChecksumAndResynchronises) {
    for (int checksum = 0; checksum < 256; ++checksum) {
        if (checksum == 0x12)
            continue;
        Bytes frame = kValidFrame;
        frame.back() = static_cast<uint8_t>(checksum);
        FeedAndParse(frame);
        ASSERT_EQ(sink.Count(), 0u) << "checksum " << checksum;
        ASSERT_EQ(parser.StateIndex(), 0);
    }
    FeedAndParse(kValidFrame);
    EXPECT_EQ(sink.Count(), 1u);
}

TEST_F(PacketParserTest, SkipsBytesBetweenAaAnd55) {
    FeedAndParse({0xAA, 0x12, 0x55, 0x04, 0x01, 0x07, 0xDD, 0x05, 0x12});
    ASSERT_EQ(sink.Count(), 1u);
    EXPECT_EQ(sink.Packets()[0], kValidPacket);
}

TEST_F(PacketParserTest, IgnoresStrayBytesBeforeTheHeader) {
    FeedAndParse({0x00, 0x55, 0x12, 0xFF, 0x55});
    EXPECT_EQ(parser.StateIndex(), 0);
    FeedAndParse(kValidFrame);
    ASSERT_EQ(sink.Count(), 1u);
    EXPECT_EQ(sink.Packets()[0], kValidPacket);
}

TEST_F(PacketParserTest, CompletesAPacketSplitAtAnyPoint) {
    for (size_t cut = 1; cut < kValidFrame.size(); ++cut) {
        RecordingSink localSink;
        PacketParser local(localSink);
        local.Feed(std::span<const uint8_t>(kValidFrame).first(cut));
        local.Parse();
        EXPECT_EQ(localSink.Count(), 0u) << "cut " << cut;
        local.Feed(std::span<const uint8_t>(kValidFrame).subspan(cut));
        local.Parse();
        ASSERT_EQ(localSink.Count(), 1u) << "cut " << cut;
        EXPECT_EQ(localSink.Packets()[0], kValidPacket);
    }
}

TEST_F(PacketParserTest, DeliversBackToBackPacketsInOrder) {
    Bytes stream = BuildReplyFrame(MCMD_MCU, 0x01, OP_ACK, {});
    const Bytes second = BuildReplyFrame(MCMD_KTV, 0x02, OP_DATA, Bytes{9, 8});
    stream.insert(stream.end(), second.begin(), second.end());
    FeedAndParse(stream);
    ASSERT_EQ(sink.Count(), 2u);
    EXPECT_EQ(sink.Packets()[0].type, MCMD_MCU);
    EXPECT_EQ(sink.Packets()[1].payload, (Bytes{0x02, OP_DATA, 9, 8}));
}

TEST_F(PacketParserTest, AcceptsTheLongestAndShortestLengths) {
    FeedAndParse(BuildReplyFrame(MCMD_DSP, 0x10, OP_DATA, Bytes(58, 0x5A)));  // length 61
    ASSERT_EQ(sink.Count(), 1u);
    EXPECT_EQ(sink.Packets()[0].length, 61);
    EXPECT_EQ(sink.Packets()[0].payload.size(), 60u);

    FeedAndParse({0xAA, 0x55, 0x01, 0x03, static_cast<uint8_t>(0u - 4u)});  // length 1: no payload
    ASSERT_EQ(sink.Count(), 2u);
    EXPECT_TRUE(sink.Packets()[1].payload.empty());
}

// An announced length that can never complete is dropped when the state index reaches 64; the
// byte after that is the first one examined for a new header. Nothing before the drop point is
// taken as a header, even a complete frame.
class UnreachableLength : public ::testing::TestWithParam<int> {};

TEST_P(UnreachableLength, DropsAtIndexSixtyFourThenResynchronises) {
    RecordingSink sink;
    PacketParser parser(sink);
    Bytes stream{0xAA, 0x55, static_cast<uint8_t>(GetParam()), 0x01};
    Bytes body(61, 0x00);  // indices 4..64
    std::copy(kValidFrame.begin(), kValidFrame.end(), body.begin() + 10);
    body.back() = 0xAA;  // consumed by the drop at index 64, so it starts no header
    stream.insert(stream.end(), body.begin(), body.end());
    parser.Feed(stream);
    parser.Parse();
    EXPECT_EQ(sink.Count(), 0u);
    EXPECT_EQ(parser.StateIndex(), 0);

    parser.Feed(std::span<const uint8_t>(kValidFrame).subspan(1));  // frame without its 0xAA
    parser.Parse();
    EXPECT_EQ(sink.Count(), 0u);
    parser.Feed(kValidFrame);
    parser.Parse();
    ASSERT_EQ(sink.Count(), 1u);
    EXPECT_EQ(sink.Packets()[0], kValidPacket);
}

INSTANTIATE_TEST_SUITE_P(Lengths, UnreachableLength, ::testing::Values(0, 62, 63, 100, 253, 255));

TEST(PacketParserRing, KeepsTheNewestBytesWhenOverfilled) {
    RecordingSink sink;
    PacketParser parser(sink);
    parser.Feed(Bytes(1500, 0x00));
    parser.Feed(kValidFrame);
    EXPECT_EQ(parser.Pending(), PacketParser::kRingSize - 1);
    parser.Parse();
    EXPECT_EQ(parser.Pending(), 0u);
    EXPECT_EQ(sink.Count(), 1u);
}

TEST(PacketParserRing, StopsWhenToldAndResumesLater) {
    RecordingSink sink;
    PacketParser parser(sink);
    parser.Feed(kValidFrame);
    int allowed = 3;
    parser.Parse([&] { return allowed-- > 0; });
    EXPECT_EQ(parser.Pending(), kValidFrame.size() - 3);
    EXPECT_EQ(sink.Count(), 0u);
    parser.Parse();
    EXPECT_EQ(sink.Count(), 1u);
}

// Random input with headers sprinkled in: whatever is delivered stays within the lengths the
// frame allows, and the sanitizers catch any access outside the payload buffer.
TEST(PacketParserRing, RandomBytesStayWithinFrameLimits) {
    RecordingSink sink;
    PacketParser parser(sink);
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 4000; ++round) {
        Bytes chunk(64);
        for (auto& b : chunk)
            b = static_cast<uint8_t>(byte(random));
        if (round % 2 == 0) {
            const size_t at = static_cast<size_t>(byte(random) % 60);
            chunk[at] = 0xAA;
            chunk[at + 1] = 0x55;
            chunk[at + 2] = static_cast<uint8_t>(byte(random) % 8);
        }
        parser.Feed(chunk);
        parser.Parse();
    }
    EXPECT_GT(sink.Count(), 0u);
    for (const DeliveredPacket& p : sink.Packets()) {
        ASSERT_GE(p.length, 1);
        ASSERT_LE(p.length, 61);
        ASSERT_EQ(p.payload.size(), p.length - 1u);
    }
}

}  // namespace
}  // namespace korvel
