#pragma once
// What differs between a profile file and the amplifier. Every value the amplifier holds and
// reports is compared at the resolution the amplifier keeps it: the value an upload of the file
// would send against the value the amplifier reports, both as the device commands encode them
// (band gain and Q in tenths, delay in microseconds, trims in whole dB). Values the amplifier
// does not hold (curve display, current channel, equaliser band enable switches, the subwoofer
// volume, derived flags) are not compared.

#include <string>
#include <vector>

#include "model/model_store.h"

namespace korvel {

struct ValueDifference {
    int scene = 0;          // 0 the live scene, 1..10 a stored scene
    std::string place;      // "channel 3 band 12 gain", "main volume", "name"
    std::string fileValue;  // "-3.0 dB"
    std::string ampValue;   // "+1.5 dB"
};

// The live scene of a scene profile against the amplifier's live scene (main volume and mute
// included), or stored scene `scene` (1..10) against the amplifier's copy of it.
std::vector<ValueDifference> DiffScene(const SceneRecord& file, const SceneRecord& amp, int scene);
// A whole profile: live scene, the ten stored scenes and their names.
std::vector<ValueDifference> DiffWhole(const ModelStore& file, const ModelStore& amp);

// "scene 0 channel 3 band 12 gain: file -3.0 dB, amplifier +1.5 dB"
std::string DescribeDifference(const ValueDifference& difference);

}  // namespace korvel
