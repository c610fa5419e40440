// The application's read sequences: every request it sends while connecting, re-reading a
// stored scene or working with scenes must get exactly one well-formed report, or the host
// would sit out its full wait.

#include <gtest/gtest.h>

#include "amp_test_util.h"

namespace korvel::test {
namespace {

struct Request {
    uint8_t mcmd;
    uint8_t subcmd;
    uint8_t optype;
    Bytes payload;
};

// The gets of one scene's complete state, as the application reads it.
void AppendSceneReads(std::vector<Request>& out, uint8_t scene) {
    out.push_back({kDsp, 0x0D, kGet, Range(scene, 0, 5)});
    out.push_back({kDsp, 0x0E, kGet, {scene}});
    out.push_back({kDsp, 0x0F, kGet, {scene}});
    out.push_back({kDsp, 0x34, kGet, Range(scene, 0, 5)});
    out.push_back({kDsp, 0x05, kGet, Range(scene, 0, 3)});
    out.push_back({kDsp, 0x05, kGet, Range(scene, 4, 7)});
    out.push_back({kDsp, 0x12, kGet, Range(scene, 0, 5)});
    for (uint8_t ch = 0; ch < 6; ++ch) {
        for (uint8_t first : {0, 8, 16, 24}) {
            out.push_back(
                {kDsp,
                 0x06,
                 kGet,
                 {scene, 0, ch, first, static_cast<uint8_t>(first == 24 ? 30 : first + 7)}});
        }
    }
    for (uint8_t subcmd : {0x07, 0x08, 0x09, 0x0A}) {
        out.push_back({kDsp, subcmd, kGet, Range(scene, 0, 5)});
    }
    for (uint8_t source = 0; source < 9; ++source) {
        out.push_back({kDsp, 0x0B, kGet, Range(scene, 0, 5, source)});
    }
    for (const auto& [source, inputs] : {std::pair{2, 2}, std::pair{5, 4}, std::pair{6, 2}}) {
        for (int input = 0; input < inputs; ++input) {
            out.push_back(
                {kDsp,
                 0x24,
                 kGet,
                 {scene, static_cast<uint8_t>(source), static_cast<uint8_t>(input), 0, 5}});
        }
    }
    for (uint8_t k = 1; k <= 10; ++k) {
        out.push_back({kFlash, 0x0B, kGet, {k}});
    }
}

std::vector<Request> ConnectSequence() {
    std::vector<Request> out = {{kMcu, 0x08, kSet, {}}};
    for (uint8_t subcmd : {0x01, 0x02, 0x03, 0x04, 0x3F, 0x35}) {
        out.push_back({kDsp, subcmd, kGet, {}});
    }
    out.push_back({kFlash, 0x0F, kGet, {}});
    AppendSceneReads(out, 0);
    return out;
}

void ExpectOneReportEach(VirtualAmplifier& amp, const std::vector<Request>& requests) {
    for (const Request& r : requests) {
        const auto replies = Exchange(amp, r.mcmd, r.subcmd, r.optype, r.payload);
        ASSERT_EQ(replies.size(), 1u) << "mcmd " << int(r.mcmd) << " subcmd " << int(r.subcmd);
        EXPECT_TRUE(replies[0].checksumOk);
        EXPECT_EQ(replies[0].type, r.mcmd);
        EXPECT_EQ(replies[0].subcmd, r.subcmd);
    }
}

TEST(AmpSync, ConnectSequenceIsAnsweredReportByReport) {
    VirtualAmplifier amp;
    EXPECT_TRUE(Exchange(amp, kMcu, 0x1F, kSet, {1}).empty());
    ExpectOneReportEach(amp, ConnectSequence());
}

TEST(AmpSync, StoredSceneReadIsAnsweredWithThatScene) {
    VirtualAmplifier amp;
    Set(amp, kDsp, 0x0D, Concat(Range(0, 0, 0), {1}));
    Set(amp, kFlash, 0x08, {7, 0});
    Set(amp, kDsp, 0x0D, Concat(Range(0, 0, 0), {6}));
    std::vector<Request> requests = {{kFlash, 0x09, kSet, {7, 255}}};
    AppendSceneReads(requests, 7);
    ExpectOneReportEach(amp, requests);
    EXPECT_EQ(Get(amp, kDsp, 0x0D, Range(7, 0, 0))[4], 1);
}

TEST(AmpSync, SceneAndFactoryActionsAreAcknowledged) {
    VirtualAmplifier amp;
    ExpectOneReportEach(amp, {{kFlash, 0x0B, kSet, {2, 2, 'h', 'i'}},
                              {kFlash, 0x08, kSet, {2, 0}},
                              {kFlash, 0x09, kSet, {2, 0}},
                              {kFlash, 0x09, kSet, {0, 0}},
                              {kFlash, 0x0A, kSet, {2}},
                              {kFlash, 0x0E, kGet, {}},
                              {kMcu, 0x90, kSet, {}}});
}

}  // namespace
}  // namespace korvel::test
