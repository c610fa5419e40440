#pragma once
// The parameter model's records: one scene's complete tuning. Plain data, no Qt; the profile
// files use the same field names as JSON keys. A default-constructed record is not yet in the
// reset state (roles, routing, mix levels, bands): call ResetScene (scene_reset.h).

#include <array>
#include <cstddef>
#include <cstdint>

namespace korvel {

inline constexpr int kChannelSlots = 6;  // output channels per scene
inline constexpr int kMaxChannels = 8;   // the design's 8-channel variant (never used here)
inline constexpr int kInputBits = 6;     // in1..in6 in a routing mask
inline constexpr int kMixInputs = 8;     // inputs of the mix-level matrix
inline constexpr int kSourceCount = 9;
inline constexpr int kBandCount = 31;     // equaliser bands per output channel
inline constexpr int kStoredScenes = 10;  // scenes 1..10 in the device; 0 is the live scene
inline constexpr int kSceneNameBytes = 16;
inline constexpr int kRoleCount = 24;  // speaker roles 1..24, 0 = empty
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
    int32_t fs = kMinFrequency;  // corner frequency, Hz
    int32_t type = 2;            // 1..3
    int32_t slope = 0;           // slope index (filter order); 0 = off
    int32_t bypass = 1;          // 1 when slope <= 0
};

// The two filters of a crossover.
enum class PassBand { kHighPass, kLowPass };

// Defaults to the "empty" role's crossover: both filters off, 20 Hz and 20000 Hz.
struct CrossoverSettings {
    int32_t bpType = 0;  // 0 none, 1 high-pass only, 2 low-pass only, 3 both
    FilterSettings hp{kMinFrequency, 2, 0, 1};
    FilterSettings lp{kMaxFrequency, 2, 0, 1};
};

struct ChannelSettings {
    int32_t eqSize = kBandCount;
    float gain = 0.0f;  // dB, -60..0 (-60 is "off")
    int32_t mute = 0;
    float delay = 0.0f;  // ms, 0..15
    int32_t phase = 0;   // 0 normal, 1 inverted
    uint8_t bypass = 1;  // 1 = equaliser flat/bypassed
    CrossoverSettings crossover;
};

// Per-channel compressor values; only stored (reports fill them, no window edits them).
struct CompressorBlock {
    std::array<int32_t, kChannelSlots> bypass{};
    std::array<float, kChannelSlots> threshold{};
    std::array<float, kChannelSlots> ratio{};
    std::array<int32_t, kChannelSlots> attack{};   // attack time
    std::array<int32_t, kChannelSlots> release{};  // release time
    std::array<float, kChannelSlots> knee{};       // soft knee
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
    std::array<int32_t, kChannelSlots> linkOutputs{-1, -1, -1, -1, -1, -1};
    std::array<int32_t, kChannelSlots> syncVolume{1, 1, 1, 1, 1, 1};                // 1 = none
    std::array<float, kChannelSlots> syncGain{1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};  // 1.0 = none
    std::array<int32_t, kChannelSlots> showChEqualizer{};
    int32_t currChannel = 0;
    int32_t linkMode = 0;
    int32_t lockMode = 0;
    std::array<int32_t, kChannelSlots> syncChannels{};
    int32_t inputThreshold = -60;
    int32_t powerOffDelay = 0;
    std::array<int32_t, kKtvItems> ktvSettings{0, 60, 60, 0, 0, 0, 0, 0, 0, 0};
    CompressorBlock compressor;
    // eqStore[n] is the band row of channel n (ChannelSettings.eqArray in the device's layout).
    std::array<std::array<EqBand, kBandCount>, kChannelSlots> eqStore{};

    // Band row of channel 0..kChannelSlots-1 (callers check the channel first).
    EqBand* ChannelBands(int channel) { return eqStore[static_cast<std::size_t>(channel)].data(); }
    const EqBand* ChannelBands(int channel) const {
        return eqStore[static_cast<std::size_t>(channel)].data();
    }
    // Number of usable bands of a channel: its eqSize bounded by the row, 0 for a bad channel.
    int BandCount(int channel) const {
        if (channel < 0 || channel >= kChannelSlots) {
            return 0;
        }
        const int size = channels[static_cast<std::size_t>(channel)].eqSize;
        return size < 0 ? 0 : (size > kBandCount ? kBandCount : size);
    }
    // True when `band` is one of the channel's usable bands.
    bool HasBand(int channel, int band) const { return band >= 0 && band < BandCount(channel); }
};

// A stored scene's name as the device holds it: 16 raw bytes in the device code page (see
// scene_name.h), zero-padded, not terminated when full.
using SceneName = std::array<uint8_t, kSceneNameBytes>;

}  // namespace korvel
