#pragma once
// The parameter model's records: one scene's complete tuning. Plain data, no Qt; the profile
// files use the same field names as JSON keys.

#include <array>
#include <cstdint>

namespace korvel {

inline constexpr int kChannelSlots = 6;      // output channels per scene
inline constexpr int kMaxChannels = 8;       // the design's 8-channel variant (never used here)
inline constexpr int kInputBits = 6;         // in1..in6 in a routing mask
inline constexpr int kMixInputs = 8;         // inputs of the mix-level matrix
inline constexpr int kSourceCount = 9;
inline constexpr int kBandCount = 31;        // equaliser bands per output channel
inline constexpr int kStoredScenes = 10;     // scenes 1..10 in the device; 0 is the live scene
inline constexpr int kSceneNameBytes = 16;
inline constexpr int kRoleCount = 24;        // speaker roles 1..24, 0 = empty
inline constexpr int kKtvItems = 10;
inline constexpr int kSupportedModel = 72;

inline constexpr int kMinFrequency = 20;
inline constexpr int kMaxFrequency = 20000;

struct EqBand {
    float eqGain = 0.0f;    // dB
    float eqFactor = 5.8f;  // Q, 0.5..9.0
    int32_t freq = 1000;    // Hz, 20..20000
    uint8_t enable = 1;
};

struct FilterSettings {
    int32_t fs = 20;     // corner frequency, Hz
    int32_t type = 1;    // 1..3
    int32_t slope = 0;   // slope index; 0 = off
    int32_t bypass = 1;  // 1 when slope <= 0
};

struct CrossoverSettings {
    int32_t bpType = 0;  // 0 none, 1 high-pass only, 2 low-pass only, 3 both
    FilterSettings hp;
    FilterSettings lp;
};

struct ChannelSettings {
    int32_t eqSize = kBandCount;
    float gain = 0.0f;   // dB, -60..0 (-60 is "off")
    int32_t mute = 0;
    float delay = 0.0f;  // ms, 0..15
    int32_t phase = 0;   // 0 normal, 1 inverted
    uint8_t bypass = 1;  // 1 = equaliser flat/bypassed
    CrossoverSettings crossover;
};

struct CompressorBlock {
    std::array<int32_t, kChannelSlots> bypass{};
    std::array<float, kChannelSlots> threshold{};
    std::array<float, kChannelSlots> ratio{};
    std::array<int32_t, kChannelSlots> attack{};
    std::array<int32_t, kChannelSlots> release{};
    std::array<float, kChannelSlots> knee{};
};

struct SceneRecord {
    int32_t deviceModel = -1;
    int32_t mainVersion = -1;
    int32_t slaveVersion = -1;
    std::array<int32_t, 4> flashVersions{};
    int32_t sourceIndex = 0;
    int32_t mainVolume = -5;
    int32_t subVolume = 0;
    uint8_t sceneArgument = 0;
    int32_t mainVolumeMute = 0;
    int32_t ampOn = 1;
    int32_t autoEffectOn = 0;
    int32_t channelCount = kChannelSlots;
    std::array<ChannelSettings, kChannelSlots> channels{};
    std::array<std::array<int32_t, kChannelSlots>, kSourceCount> inputs{};
    std::array<std::array<std::array<int32_t, kChannelSlots>, kMixInputs>, kSourceCount>
        inputMixVolume{};
    std::array<int32_t, kChannelSlots> outputs{};
    std::array<int32_t, kChannelSlots> linkOutputs{};
    std::array<int32_t, kChannelSlots> syncVolume{};
    std::array<float, kChannelSlots> syncGain{};
    std::array<int32_t, kChannelSlots> showChEqualizer{};
    int32_t currChannel = 0;
    int32_t linkMode = 0;
    int32_t lockMode = 0;
    std::array<int32_t, kChannelSlots> syncChannels{};
    int32_t inputThreshold = -60;
    int32_t powerOffDelay = 0;
    std::array<int32_t, kKtvItems> ktvSettings{};
    CompressorBlock compressor;
    // eqStore[n] is the band row of channel n (ChannelSettings.eqArray in the device's layout).
    std::array<std::array<EqBand, kBandCount>, kChannelSlots> eqStore{};

    EqBand* ChannelBands(int channel) { return eqStore[static_cast<size_t>(channel)].data(); }
    const EqBand* ChannelBands(int channel) const {
        return eqStore[static_cast<size_t>(channel)].data();
    }
};

using SceneName = std::array<uint8_t, kSceneNameBytes>;

}  // namespace korvel
