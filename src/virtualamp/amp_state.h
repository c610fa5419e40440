#pragma once
// The amplifier's own memory: the live scene, the ten stored scenes, their names and the
// device-wide values. Values are held in the device's wire units (what the commands carry and
// the reports return), not in the application's model units.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>

#include "model/scene_record.h"

namespace korvel {

inline constexpr int kAmpChannels = kChannelSlots;  // output channels the device has
inline constexpr int kAmpNoiseInputs = kMixInputs;  // inputs with a noise level
inline constexpr uint8_t kFirstSourceCode = 0x51;

struct AmpFilter {
    uint8_t type = 2;
    uint16_t freq = 20;
    uint8_t slope = 0;
};

// One equaliser band as the device keeps it: Q in hundredths, gain offset by 18 dB in tenths.
struct AmpBand {
    uint16_t freq = 1000;
    uint16_t qHundredths = 580;
    int16_t gainTenthsPlus18 = 180;
};

struct AmpChannel {
    uint32_t delayMicroseconds = 0;
    int32_t gainHundredths = 0;  // channel gain in 1/100 dB (0 or below)
    uint8_t mute = 0;
    uint8_t phase = 0;
    uint8_t solo = 0;
    uint8_t speakerType = 0;
    uint8_t eqBypass = 1;
    AmpFilter highPass;
    AmpFilter lowPass;
    std::array<AmpBand, kBandCount> bands{};
};

struct AmpLinkPair {
    uint8_t from = 0;
    uint8_t to = 0;
};

inline constexpr int kMaxLinkPairs = 16;

struct AmpScene {
    uint8_t sourceCode = kFirstSourceCode;
    int8_t mainVolumeDb = 0;
    int8_t subVolume = 0;
    uint8_t mute = 0;
    uint8_t ampMute = 0;
    uint8_t speakerConfig = 0;
    int8_t inputThreshold = -60;
    uint8_t autoOn = 0;
    uint8_t dspOption = 0;
    uint8_t link = 0;
    uint8_t lock = 0;
    uint8_t linkPairCount = 0;
    std::array<AmpLinkPair, kMaxLinkPairs> linkPairs{};
    std::array<AmpChannel, kAmpChannels> channels{};
    // routing[source][channel]: bit k = input k+1 feeds the channel.
    std::array<std::array<uint16_t, kAmpChannels>, kSourceCount> routing{};
    // mixTrim[source][input][output]
    std::array<std::array<std::array<int8_t, kAmpChannels>, kMixInputs>, kSourceCount> mixTrim{};
};

// KTV items 1..10; item k lives at index k - 1. Item 5 (echo delay) is 16-bit.
using KtvValues = std::array<uint16_t, kKtvItems>;

struct AmpState {
    AmpScene live;
    std::array<AmpScene, kStoredScenes> stored{};  // stored[k - 1] is scene k
    std::array<SceneName, kStoredScenes> names{};
    uint16_t sceneValidMask = 0;  // bit k - 1 set: scene k holds saved data
    uint8_t currentScene = 0;
    KtvValues ktv{};
    std::array<int16_t, kAmpNoiseInputs> inputNoiseTenths{};  // measured noise, 1/10 dB
    std::map<uint32_t, uint32_t> memory;                      // DSP memory words
    uint16_t powerOffDelayMs = 0;
    int8_t accDelay = 0;
    bool hostConnected = false;  // last PC_Connect value
};

// The device's factory contents of one scene: roles 6, 12, 15, 18, 22, 23 with their default
// crossovers, flat 31-band equalisers, default routing and mix levels.
AmpScene FactoryScene();

// The whole device after a factory reset: every stored slot erased (name 0xFF, not valid).
AmpState FactoryState();

// The default crossover the device applies for a speaker role (0..24; others count as 0).
void RoleDefaultFilters(uint8_t role, AmpFilter& highPass, AmpFilter& lowPass);

// The 31 equaliser band centre frequencies.
const std::array<uint16_t, kBandCount>& FactoryBandFrequencies();

// Equaliser bands at their factory values: gain 0, Q 5.8, the 31 standard frequencies.
std::array<AmpBand, kBandCount> FactoryBands();

}  // namespace korvel
