#include "model/scene_reset.h"

#include <algorithm>
#include <array>

#include "model/invariants.h"
#include "model/speaker_roles.h"

namespace korvel {
namespace {

constexpr std::array<int32_t, 11> kBands11{20,   40,   80,   160,   315,  630,
                                           1250, 2500, 5000, 10000, 20000};
constexpr std::array<int32_t, 21> kBands21{20,   28,   40,   56,   80,    112,   160,
                                           220,  315,  450,  630,  890,   1250,  1800,
                                           2500, 3600, 5000, 7100, 10000, 14000, 20000};
constexpr std::array<int32_t, 31> kBands31{
    20,  25,   31,   40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

constexpr std::array<int32_t, 8> kKtvReset{0, 60, 60, 0, 0, 0, 0, 0};

constexpr std::array<int32_t, kMaxChannels> kRoles8{6, 12, 15, 18, 19, 20, 22, 23};
constexpr std::array<int32_t, kChannelSlots> kRoles6{6, 12, 15, 18, 22, 23};

constexpr std::array<int32_t, kChannelSlots> kRoutingLowHigh{1, 2, 4, 8, 3, 3};
constexpr std::array<int32_t, kChannelSlots> kRoutingOther{1, 2, 1, 2, 3, 3};

void ResetKtvThresholdCompressor(SceneRecord& scene) {
    std::copy(kKtvReset.begin(), kKtvReset.end(), scene.ktvSettings.begin());
    scene.inputThreshold = kInputThresholdReset;
    CompressorBlock& c = scene.compressor;
    c.bypass.fill(1);
    c.threshold.fill(23.0f);
    c.ratio.fill(100.0f);
    c.attack.fill(1000);
    c.release.fill(30000);
    c.knee.fill(24.0f);
}

void ResetRoutingAndMix(SceneRecord& scene) {
    for (int source = 0; source < kSourceCount; ++source) {
        const bool lowOrHigh = source == 4 || source == 5;
        scene.inputs[static_cast<size_t>(source)] = lowOrHigh ? kRoutingLowHigh : kRoutingOther;
    }
    for (auto& perSource : scene.inputMixVolume) {
        for (auto& perInput : perSource) {
            perInput.fill(kMixVolumeReset);
        }
    }
}

void ResetChannelFromRole(ChannelSettings& channel, int role) {
    channel.crossover = RoleDefaultCrossover(role);
    channel.gain = 0.0f;
    channel.delay = 0.0f;
    channel.mute = 0;
    channel.phase = 0;
    channel.bypass = 1;
    channel.eqSize = kBandCount;
}

}  // namespace

std::span<const int32_t> BandTable(int bandCount) {
    if (bandCount <= static_cast<int>(kBands11.size())) {
        return kBands11;
    }
    if (bandCount <= static_cast<int>(kBands21.size())) {
        return kBands21;
    }
    return kBands31;
}

void ResetBands(std::span<EqBand, kBandCount> row) {
    for (size_t band = 0; band < row.size(); ++band) {
        row[band] = EqBand{0.0f, kDefaultQ, kBands31[band], 1};
    }
}

std::array<int32_t, kChannelSlots> DefaultRoles(int channelCount) {
    std::array<int32_t, kChannelSlots> roles{};
    if (channelCount == kChannelSlots) {
        return kRoles6;
    }
    std::copy_n(kRoles8.begin(), kChannelSlots, roles.begin());
    return roles;
}

void ResetScene(SceneRecord& scene) {
    scene.deviceModel = -1;
    scene.mainVersion = -1;
    scene.slaveVersion = -1;
    ResetKtvThresholdCompressor(scene);
    scene.outputs = DefaultRoles(scene.channelCount);
    scene.linkMode = 0;
    scene.lockMode = 0;
    scene.currChannel = 0;
    scene.linkOutputs.fill(kNoLinkedChannel);
    scene.sourceIndex = 0;
    scene.mainVolume = kMainVolumeReset;
    scene.mainVolumeMute = 0;
    scene.ampOn = 1;
    scene.subVolume = 0;
    ResetRoutingAndMix(scene);
    scene.syncVolume.fill(1);
    scene.syncGain.fill(1.0f);
    scene.showChEqualizer.fill(0);
    for (auto& row : scene.eqStore) {
        ResetBands(row);
    }
    for (int n = 0; n < kChannelSlots; ++n) {
        ResetChannelFromRole(scene.channels[static_cast<size_t>(n)],
                             scene.outputs[static_cast<size_t>(n)]);
    }
}

void SetChannelCount(SceneRecord& scene, bool sixChannels) {
    scene.channelCount = sixChannels ? kChannelSlots : kMaxChannels;
    ResetScene(scene);
}

std::span<EqBand> ChannelBands(SceneRecord& scene, int channel) {
    const int count = scene.BandCount(channel);
    if (count == 0) {
        return {};
    }
    return std::span<EqBand>(scene.eqStore[static_cast<size_t>(channel)].data(),
                             static_cast<size_t>(count));
}

std::span<const EqBand> ChannelBands(const SceneRecord& scene, int channel) {
    const int count = scene.BandCount(channel);
    if (count == 0) {
        return {};
    }
    return std::span<const EqBand>(scene.eqStore[static_cast<size_t>(channel)].data(),
                                   static_cast<size_t>(count));
}

}  // namespace korvel
