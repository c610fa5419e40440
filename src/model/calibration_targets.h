#pragma once
// Target curves of the automatic calibration. The calibration window draws the target the
// equaliser is derived towards; the amplifier measures against the same curve. Each preset is
// 31 peaking bands.

#include <array>
#include <span>

#include "model/scene_record.h"

namespace korvel {

enum class CalibrationTarget {
    kNull,     // "audio_effect_null": the window's start preset, equaliser mode 0
    kEffect0,  // "audio_effect_0": equaliser mode 1
};

using CalibrationTargetBands = std::array<EqBand, kBandCount>;

const CalibrationTargetBands& CalibrationTargetPreset(CalibrationTarget target);

// The preset a measurement in `eqMode` is aimed at: mode 0 the null preset, every other mode the
// effect-0 preset (the further modes' own curves are the amplifier's and are not known here).
CalibrationTarget CalibrationTargetForMode(int eqMode);

}  // namespace korvel
