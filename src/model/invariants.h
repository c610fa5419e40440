#pragma once
// The value ranges of the parameter model and the helpers that keep records inside them.
// "Report" helpers bring a value from the device (or a file) into range the way the device
// report handler does; "Clamp" helpers bound a user edit.

#include <cstdint>
#include <span>

#include "model/scene_record.h"

namespace korvel {

inline constexpr int kMinFilterType = 1;
inline constexpr int kMaxFilterType = 3;
inline constexpr int kDefaultFilterType = 2;
inline constexpr int kDefaultSlope = 4;
// The slope index is the filter order; the response mathematics handles orders up to 8.
inline constexpr int kMaxSlope = 8;

inline constexpr float kMinQ = 0.5f;
inline constexpr float kMaxQ = 9.0f;
inline constexpr float kDefaultQ = 5.8f;
// Widest band gain the model keeps; the device's gain encoding offsets by 18 dB.
inline constexpr float kEqGainLimitDb = 18.0f;
// A gain at or below this magnitude counts as zero (flat).
inline constexpr float kZeroGainEpsilon = 0.001f;

// 1 when the filter is off (slope <= 0), else 0.
int32_t FilterBypassFromSlope(int32_t slope);
// Stores a slope (negative becomes 0) and recomputes the filter's bypass.
void SetFilterSlope(FilterSettings& filter, int32_t slope);
// bpType from the two filters' slopes: 0 none, 1 high-pass only, 2 low-pass only, 3 both.
int32_t BpTypeFromSlopes(const CrossoverSettings& crossover);

// Bounds a frequency to 20..20000 Hz.
int32_t ClampFrequency(int32_t hz);
// A reported corner outside 20..20000 Hz is replaced by 20.
int32_t ReportedFrequency(int32_t hz);
// A reported filter type outside 1..3 is stored as 1.
int32_t ReportedFilterType(int32_t type);
// A negative slope is stored as 0 (filter off).
int32_t ReportedSlope(int32_t slope);
// Applies one filter of a crossover report: corner, type, slope and the derived bypass.
void ApplyFilterReport(FilterSettings& filter, int32_t fs, int32_t type, int32_t slope);

// A typed high-pass corner: capped at the low-pass corner, then bounded to 20..20000.
int32_t ClampHighPassCorner(int32_t hz, int32_t lowPassHz);
// A typed low-pass corner: raised to the high-pass corner, then bounded to 20..20000.
int32_t ClampLowPassCorner(int32_t hz, int32_t highPassHz);

float ClampQ(double q);
float ClampEqGain(double gainDb);

bool IsNonZeroGain(float gainDb);
// True when every band's absolute gain is below 1 dB (the channel's equaliser is flat).
bool BandsAreFlat(std::span<const EqBand> bands);

}  // namespace korvel
