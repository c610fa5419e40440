#pragma once
// Reset state of a scene record and the equaliser band tables.

#include <array>
#include <cstdint>
#include <span>

#include "model/scene_record.h"

namespace korvel {

inline constexpr int32_t kMainVolumeReset = -5;
inline constexpr int32_t kInputThresholdReset = -60;
inline constexpr int32_t kMixVolumeReset = 100;

// The 11-, 21- or 31-entry band frequency table for a band count (<= 11, <= 21, more).
std::span<const int32_t> BandTable(int bandCount);

// Puts one band row into its reset state: gain 0, Q 5.8, enabled, 31-band frequencies.
void ResetBands(std::span<EqBand, kBandCount> row);

// Default speaker roles for a channel count (6: 6, 12, 15, 18, 22, 23; 8 adds 19 and 20 before
// the subwoofers). Only the record's six slots are filled.
std::array<int32_t, kChannelSlots> DefaultRoles(int channelCount);

// Puts a record into the reset state. Keeps channelCount, the last two KTV values, the
// identity-independent device values (flashVersions, powerOffDelay, autoEffectOn) and
// syncChannels.
void ResetScene(SceneRecord& scene);

// 6 channels when sixChannels is set, else 8; then ResetScene.
void SetChannelCount(SceneRecord& scene, bool sixChannels);

// The usable band row of a channel (BandCount bands); empty for a channel outside 0..5.
std::span<EqBand> ChannelBands(SceneRecord& scene, int channel);
std::span<const EqBand> ChannelBands(const SceneRecord& scene, int channel);
inline int BandCount(const SceneRecord& scene, int channel) {
    return scene.BandCount(channel);
}

}  // namespace korvel
