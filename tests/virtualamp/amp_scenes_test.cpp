// Factory contents, stored scenes, the handshake, the request log and fault injection.

#include <gtest/gtest.h>

#include "amp_test_util.h"

namespace korvel::test {
namespace {

Bytes Tail(const Bytes& data, size_t from) {
    return Bytes(data.begin() + from, data.end());
}

TEST(AmpFactory, RolesAndTheirCrossovers) {
    VirtualAmplifier amp;
    EXPECT_EQ(Tail(Get(amp, kDsp, 0x0D, Range(0, 0, 5)), 4), (Bytes{6, 12, 15, 18, 22, 23}));
    // Full-range roles: high-pass 20 Hz slope 4, low-pass 20000 Hz off; type 2.
    EXPECT_EQ(Tail(Get(amp, kDsp, 0x05, Range(0, 0, 0)), 4),
              (Bytes{2, 0x00, 20, 4, 2, 0x4E, 0x20, 0}));
    // Subwoofers: high-pass 20 Hz slope 4, low-pass 70 Hz slope 4.
    EXPECT_EQ(Tail(Get(amp, kDsp, 0x05, Range(0, 5, 5)), 4),
              (Bytes{2, 0x00, 20, 4, 2, 0x00, 70, 4}));
}

TEST(AmpFactory, FlatThirtyOneBandEqualisers) {
    VirtualAmplifier amp;
    const Bytes data = Get(amp, kDsp, 0x06, {0, 0, 4, 24, 30});
    const uint16_t expected[] = {5000, 6300, 8000, 10000, 12500, 16000, 20000};
    for (size_t band = 0; band < 7; ++band) {
        const uint8_t* group = &data[5 + band * 6];
        EXPECT_EQ((group[0] << 8) | group[1], expected[band]);
        EXPECT_EQ(group[2], 5);  // Q 5.80
        EXPECT_EQ(group[3], 80);
        EXPECT_EQ(group[4], 18);  // gain 0 dB
        EXPECT_EQ(group[5], 0);
    }
    EXPECT_EQ(Tail(Get(amp, kDsp, 0x12, Range(0, 0, 5)), 4), Bytes(6, 1));
}

TEST(AmpFactory, RoutingMixAndDeviceValues) {
    VirtualAmplifier amp;
    EXPECT_EQ(Tail(Get(amp, kDsp, 0x0B, Range(0, 0, 5, 4)), 4), (Bytes{1, 2, 4, 8, 3, 3}));
    EXPECT_EQ(Tail(Get(amp, kDsp, 0x0B, Range(0, 0, 5, 2)), 4), (Bytes{1, 2, 1, 2, 3, 3}));
    EXPECT_EQ(Tail(Get(amp, kDsp, 0x24, {0, 2, 1, 0, 5}), 5), Bytes(6, 100));
    EXPECT_EQ(Get(amp, kDsp, 0x26, {0, 0}), (Bytes{static_cast<uint8_t>(-60)}));
    EXPECT_EQ(Get(amp, kDsp, 0x01), (Bytes{0x51}));
    EXPECT_EQ(Get(amp, kFlash, 0x0F), (Bytes{0, 0}));
    EXPECT_EQ(Get(amp, kKtv, 0x02), (Bytes{60}));
    EXPECT_EQ(Get(amp, kFlash, 0x0B, {4}), Concat({4}, Bytes(16, 0xFF)));
}

TEST(AmpScenes, SaveCopiesLiveIntoTheSlotAndMarksItValid) {
    VirtualAmplifier amp;
    Set(amp, kDsp, 0x09, Concat(Range(0, 2, 2), {1}));
    EXPECT_EQ(Set(amp, kFlash, 0x08, {3, 0}), (Bytes{0x0A, 3}));
    EXPECT_EQ(Get(amp, kFlash, 0x0F), (Bytes{0x00, 0x04}));
    EXPECT_EQ(Get(amp, kFlash, 0x0E), (Bytes{3}));
    EXPECT_EQ(Tail(Get(amp, kDsp, 0x09, Range(3, 2, 2)), 4), (Bytes{1}));
    // The slot is a copy: changing live afterwards leaves it alone.
    Set(amp, kDsp, 0x09, Concat(Range(0, 2, 2), {0}));
    EXPECT_EQ(Tail(Get(amp, kDsp, 0x09, Range(3, 2, 2)), 4), (Bytes{1}));
}

TEST(AmpScenes, SetsAddressedToAStoredSceneLeaveLiveAlone) {
    VirtualAmplifier amp;
    Set(amp, kDsp, 0x0A, Concat(Range(7, 0, 1), {1, 1}));
    EXPECT_EQ(Tail(Get(amp, kDsp, 0x0A, Range(7, 0, 1)), 4), (Bytes{1, 1}));
    EXPECT_EQ(Tail(Get(amp, kDsp, 0x0A, Range(0, 0, 1)), 4), (Bytes{0, 0}));
}

TEST(AmpScenes, ReadSceneIntoLiveLoadsTheStoredValues) {
    VirtualAmplifier amp;
    Set(amp, kDsp, 0x0D, Concat(Range(0, 0, 0), {1}));
    Set(amp, kFlash, 0x08, {2, 0});
    Set(amp, kDsp, 0x0D, Concat(Range(0, 0, 0), {9}));
    Set(amp, kFlash, 0x09, {2, 0});
    EXPECT_EQ(Tail(Get(amp, kDsp, 0x0D, Range(0, 0, 0)), 4), (Bytes{1}));
    EXPECT_EQ(Get(amp, kFlash, 0x0E), (Bytes{2}));
}

TEST(AmpScenes, ReadSceneForQueryLeavesLiveAndServesTheSlot) {
    VirtualAmplifier amp;
    Set(amp, kDsp, 0x07, Concat(Range(0, 0, 0), {2, 0, 0}));
    Set(amp, kFlash, 0x08, {5, 0});
    Set(amp, kDsp, 0x07, Concat(Range(0, 0, 0), {0, 0, 0}));
    Set(amp, kFlash, 0x09, {5, 255});
    EXPECT_EQ(Tail(Get(amp, kDsp, 0x07, Range(5, 0, 0)), 4), (Bytes{2, 0, 0}));
    EXPECT_EQ(Tail(Get(amp, kDsp, 0x07, Range(0, 0, 0)), 4), (Bytes{0, 0, 0}));
}

TEST(AmpScenes, LoadingAnErasedSlotIsRefused) {
    VirtualAmplifier amp;
    Set(amp, kDsp, 0x04, {1});
    const auto replies = Exchange(amp, kFlash, 0x09, kSet, {6, 0});
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].data, (Bytes{kAmpStatusRefused}));
    EXPECT_EQ(Get(amp, kDsp, 0x04), (Bytes{1}));
}

TEST(AmpScenes, NamesAreZeroPaddedAndErasedByDelete) {
    VirtualAmplifier amp;
    Set(amp, kFlash, 0x0B, {4, 3, 'V', 'a', 'n'});
    Set(amp, kFlash, 0x08, {4, 0});
    Bytes expected = {4, 'V', 'a', 'n'};
    expected.resize(17, 0);
    EXPECT_EQ(Get(amp, kFlash, 0x0B, {4}), expected);
    EXPECT_EQ(Set(amp, kFlash, 0x0A, {4}), (Bytes{0x0A, 4}));
    EXPECT_EQ(Get(amp, kFlash, 0x0B, {4}), Concat({4}, Bytes(16, 0xFF)));
    EXPECT_EQ(Get(amp, kFlash, 0x0F), (Bytes{0, 0}));
}

TEST(AmpScenes, ValidMaskHasOneBitPerScene) {
    VirtualAmplifier amp;
    for (uint8_t scene : {1, 10}) {
        Set(amp, kFlash, 0x08, {scene, 0});
    }
    EXPECT_EQ(Get(amp, kFlash, 0x0F), (Bytes{0x02, 0x01}));
    const auto refused = Exchange(amp, kFlash, 0x08, kSet, {11, 0});
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].data, (Bytes{kAmpStatusRefused, 11}));
}

TEST(AmpScenes, FactoryDefaultResetsEverything) {
    VirtualAmplifier amp;
    Set(amp, kFlash, 0x0B, {1, 1, 'x'});
    Set(amp, kFlash, 0x08, {1, 0});
    Set(amp, kDsp, 0x0D, Concat(Range(0, 0, 0), {3}));
    Set(amp, kKtv, 0x01, {7});
    Set(amp, kMcu, 0x90, {});
    EXPECT_EQ(Get(amp, kFlash, 0x0F), (Bytes{0, 0}));
    EXPECT_EQ(Get(amp, kFlash, 0x0B, {1}), Concat({1}, Bytes(16, 0xFF)));
    EXPECT_EQ(Tail(Get(amp, kDsp, 0x0D, Range(0, 0, 0)), 4), (Bytes{6}));
    EXPECT_EQ(Get(amp, kKtv, 0x01), (Bytes{60}));
}

TEST(AmpHandshake, ReportsStatusModelAndVersions) {
    VirtualAmplifier amp;
    const auto replies = Exchange(amp, kMcu, 0x08, kSet);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].optype, kData);
    EXPECT_EQ(replies[0].data, (Bytes{0x0A, 72, 16, 25}));
    EXPECT_TRUE(Exchange(amp, kMcu, 0x1F, kSet, {1}).empty()) << "PC_Connect is not answered";
    EXPECT_TRUE(amp.State().hostConnected);
}

TEST(AmpHandshake, LoaderAnswersOnlyTheHandshake) {
    AmpIdentity identity;
    identity.loaderMode = true;
    identity.model = 71;
    VirtualAmplifier amp(identity);
    const auto replies = Exchange(amp, kMcu, 0x08, kSet);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].data[0], kAmpStatusLoader);
    EXPECT_EQ(replies[0].data[1], 71);
    EXPECT_TRUE(Exchange(amp, kDsp, 0x02, kGet).empty());
}

TEST(AmpRequestLog, RecordsRequestsInOrderAndClears) {
    VirtualAmplifier amp;
    Exchange(amp, kMcu, 0x1F, kSet, {1});
    Exchange(amp, kMcu, 0x08, kSet);
    Exchange(amp, kDsp, 0x07, kGet, Range(0, 0, 5));
    const auto log = amp.RequestLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].subcmd, 0x1F);
    EXPECT_EQ(log[0].payload, (Bytes{1}));
    EXPECT_EQ(log[1].mcmd, kMcu);
    EXPECT_EQ(log[2].optype, kGet);
    EXPECT_EQ(log[2].payload, Range(0, 0, 5));
    amp.ClearRequestLog();
    EXPECT_TRUE(amp.RequestLog().empty());
}

TEST(AmpFaults, DropCorruptAndUnplugByRequestNumber) {
    VirtualAmplifier amp;
    amp.SetFaultPlan(FaultPlan{2, 3, 4});
    EXPECT_EQ(Exchange(amp, kDsp, 0x04, kGet).size(), 1u);
    EXPECT_TRUE(Exchange(amp, kDsp, 0x04, kSet, {1}).empty()) << "request 2 dropped";
    const auto corrupt = Exchange(amp, kDsp, 0x04, kGet);
    ASSERT_EQ(corrupt.size(), 1u);
    EXPECT_FALSE(corrupt[0].checksumOk) << "request 3 corrupted";
    EXPECT_EQ(Exchange(amp, kDsp, 0x04, kGet).size(), 1u) << "request 4 still answered";
    EXPECT_TRUE(amp.Unplugged());
    EXPECT_TRUE(Exchange(amp, kDsp, 0x04, kGet).empty());
    EXPECT_EQ(amp.RequestLog().size(), 4u) << "an unplugged device hears nothing";
    amp.Replug();
    EXPECT_EQ(Get(amp, kDsp, 0x04), (Bytes{1})) << "the unanswered set was carried out";
}

}  // namespace
}  // namespace korvel::test
