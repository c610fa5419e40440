#include <gtest/gtest.h>

#include <memory>

#include "model/invariants.h"
#include "model/model_store.h"
#include "model/scene_reset.h"
#include "model/speaker_roles.h"

namespace korvel {
namespace {

std::unique_ptr<SceneRecord> ResetRecord(bool sixChannels = true) {
    auto scene = std::make_unique<SceneRecord>();
    SetChannelCount(*scene, sixChannels);
    return scene;
}

TEST(ResetScene, ScalarsTakeTheirResetValues) {
    auto scene = std::make_unique<SceneRecord>();
    scene->deviceModel = 72;
    scene->mainVersion = 16;
    scene->slaveVersion = 25;
    scene->mainVolume = 30;
    scene->linkMode = 1;
    scene->lockMode = 1;
    scene->currChannel = 3;
    scene->sourceIndex = 7;
    scene->ampOn = 0;
    scene->mainVolumeMute = 1;
    scene->subVolume = 9;
    scene->inputThreshold = -100;
    scene->ktvSettings = {9, 9, 9, 9, 9, 9, 9, 9, 41, 42};
    ResetScene(*scene);

    EXPECT_EQ(scene->deviceModel, -1);
    EXPECT_EQ(scene->mainVersion, -1);
    EXPECT_EQ(scene->slaveVersion, -1);
    EXPECT_EQ(scene->mainVolume, -5);  // below the 0..40 slider range on purpose
    EXPECT_EQ(scene->linkMode, 0);
    EXPECT_EQ(scene->lockMode, 0);
    EXPECT_EQ(scene->currChannel, 0);
    EXPECT_EQ(scene->sourceIndex, 0);
    EXPECT_EQ(scene->ampOn, 1);
    EXPECT_EQ(scene->mainVolumeMute, 0);
    EXPECT_EQ(scene->subVolume, 0);
    EXPECT_EQ(scene->inputThreshold, -60);
    const std::array<int32_t, kKtvItems> ktv{0, 60, 60, 0, 0, 0, 0, 0, 41, 42};
    EXPECT_EQ(scene->ktvSettings, ktv);  // the last two survive a reset
    for (int n = 0; n < kChannelSlots; ++n) {
        const auto i = static_cast<size_t>(n);
        EXPECT_EQ(scene->linkOutputs[i], -1);
        EXPECT_EQ(scene->syncVolume[i], 1);
        EXPECT_FLOAT_EQ(scene->syncGain[i], 1.0f);
        EXPECT_EQ(scene->showChEqualizer[i], 0);
        EXPECT_EQ(scene->compressor.bypass[i], 1);
        EXPECT_FLOAT_EQ(scene->compressor.threshold[i], 23.0f);
        EXPECT_FLOAT_EQ(scene->compressor.ratio[i], 100.0f);
        EXPECT_EQ(scene->compressor.attack[i], 1000);
        EXPECT_EQ(scene->compressor.release[i], 30000);
        EXPECT_FLOAT_EQ(scene->compressor.knee[i], 24.0f);
    }
}

TEST(ResetScene, RoutingMasksAndMixLevels) {
    auto scene = ResetRecord();
    const std::array<int32_t, kChannelSlots> lowHigh{1, 2, 4, 8, 3, 3};
    const std::array<int32_t, kChannelSlots> other{1, 2, 1, 2, 3, 3};
    for (int source = 0; source < kSourceCount; ++source) {
        EXPECT_EQ(scene->inputs[static_cast<size_t>(source)],
                  (source == 4 || source == 5) ? lowHigh : other)
            << "source " << source;
        for (const auto& perInput : scene->inputMixVolume[static_cast<size_t>(source)]) {
            for (int32_t level : perInput) {
                ASSERT_EQ(level, 100);
            }
        }
    }
}

TEST(ResetScene, ChannelsFollowTheirDefaultRoles) {
    auto scene = ResetRecord();
    const std::array<int32_t, kChannelSlots> roles{6, 12, 15, 18, 22, 23};
    EXPECT_EQ(scene->outputs, roles);
    for (int n = 0; n < kChannelSlots; ++n) {
        const ChannelSettings& channel = scene->channels[static_cast<size_t>(n)];
        const CrossoverSettings expected = RoleDefaultCrossover(roles[static_cast<size_t>(n)]);
        EXPECT_EQ(channel.crossover.bpType, expected.bpType);
        EXPECT_EQ(channel.crossover.hp.fs, expected.hp.fs);
        EXPECT_EQ(channel.crossover.hp.slope, expected.hp.slope);
        EXPECT_EQ(channel.crossover.lp.fs, expected.lp.fs);
        EXPECT_EQ(channel.crossover.lp.bypass, expected.lp.bypass);
        EXPECT_EQ(channel.crossover.hp.type, 2);
        EXPECT_EQ(channel.eqSize, kBandCount);
        EXPECT_EQ(channel.bypass, 1);
        EXPECT_EQ(channel.gain, 0.0f);
        EXPECT_EQ(channel.delay, 0.0f);
        EXPECT_EQ(channel.mute, 0);
        EXPECT_EQ(channel.phase, 0);
        const auto bands = ChannelBands(*scene, n);
        ASSERT_EQ(bands.size(), static_cast<size_t>(kBandCount));
        EXPECT_TRUE(BandsAreFlat(bands));
        const auto table = BandTable(kBandCount);
        for (size_t b = 0; b < bands.size(); ++b) {
            EXPECT_EQ(bands[b].freq, table[b]);
            EXPECT_FLOAT_EQ(bands[b].eqFactor, 5.8f);
            EXPECT_EQ(bands[b].enable, 1);
            EXPECT_EQ(bands[b].eqGain, 0.0f);
        }
    }
    // Subwoofer channels: high-pass 20 Hz and low-pass 70 Hz, both active.
    EXPECT_EQ(scene->channels[4].crossover.lp.fs, 70);
    EXPECT_EQ(scene->channels[4].crossover.bpType, 3);
}

TEST(ResetScene, EightChannelConfigurationFillsOnlyTheSixSlots) {
    auto scene = ResetRecord(false);
    EXPECT_EQ(scene->channelCount, kMaxChannels);
    const std::array<int32_t, kChannelSlots> roles{6, 12, 15, 18, 19, 20};
    EXPECT_EQ(scene->outputs, roles);
    EXPECT_EQ(scene->channels[5].crossover.lp.fs, 500);  // role 20 default
}

TEST(BandTable, SizeFollowsTheBandCount) {
    struct Case {
        int count;
        size_t size;
        int32_t second;
    };
    for (const Case c : {Case{-1, 11, 40}, Case{0, 11, 40}, Case{11, 11, 40}, Case{12, 21, 28},
                         Case{21, 21, 28}, Case{22, 31, 25}, Case{31, 31, 25}, Case{99, 31, 25}}) {
        const auto table = BandTable(c.count);
        EXPECT_EQ(table.size(), c.size) << c.count;
        EXPECT_EQ(table[1], c.second) << c.count;
        EXPECT_EQ(table.front(), 20);
        EXPECT_EQ(table.back(), 20000);
    }
}

TEST(ChannelBands, StayInsideTheBandRow) {
    auto scene = ResetRecord();
    EXPECT_TRUE(ChannelBands(*scene, -1).empty());
    EXPECT_TRUE(ChannelBands(*scene, kChannelSlots).empty());
    scene->channels[1].eqSize = 500;
    EXPECT_EQ(ChannelBands(*scene, 1).size(), static_cast<size_t>(kBandCount));
    scene->channels[1].eqSize = -3;
    EXPECT_EQ(BandCount(*scene, 1), 0);
    scene->channels[1].eqSize = 11;
    EXPECT_EQ(BandCount(*scene, 1), 11);
}

TEST(ModelStore, SceneNumbersMapToLiveAndStoredScenes) {
    auto store = std::make_unique<ModelStore>();
    EXPECT_EQ(store->Scene(0), &store->live);
    EXPECT_EQ(store->Scene(1), &store->stored[0]);
    EXPECT_EQ(store->Scene(10), &store->stored[9]);
    EXPECT_EQ(store->Scene(11), nullptr);
    EXPECT_EQ(store->Scene(-1), nullptr);
    EXPECT_EQ(store->Name(0), nullptr);
    EXPECT_EQ(store->Name(10), &store->names[9]);
    EXPECT_EQ(store->Name(11), nullptr);
    EXPECT_EQ(store->stored[9].mainVolume, -5);
    EXPECT_EQ(store->live.outputs[5], 23);
}

}  // namespace
}  // namespace korvel
