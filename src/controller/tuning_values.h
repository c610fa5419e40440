#pragma once
// Pure helpers of the tuning operations: reading typed values, the logarithmic frequency grid of
// the up/down buttons, and the band controls' value steps. No model, no device.

#include <optional>
#include <string_view>

namespace korvel {

// Equaliser band gain range: the band slider runs -180..120 tenths of a dB.
inline constexpr int kBandSliderMin = -180;
inline constexpr int kBandSliderMax = 120;
inline constexpr float kBandGainMinDb = -18.0f;
inline constexpr float kBandGainMaxDb = 12.0f;
inline constexpr float kBandQStep = 0.05f;
inline constexpr float kBandGainStep = 0.1f;
// Two Q or gain values closer than this count as equal.
inline constexpr float kBandValueTolerance = 0.01f;

inline constexpr int kFrequencyGridSteps = 200;
inline constexpr int kDelayStepUs = 21;

// A typed frequency. With "K" or "k", the digits before it count thousands and the one digit
// after it hundreds ("2k5" = 2500, "3k" = 3000); otherwise the leading integer ("1000Hz" =
// 1000). Very long numbers saturate instead of overflowing. nullopt when there is no number.
std::optional<int> ParseFrequencyText(std::string_view text);

// A typed whole number (the leading integer, e.g. "-12dB" gives -12); nullopt without one.
std::optional<int> ParseWholeNumber(std::string_view text);
// A typed decimal number; nullopt without one or when it is not finite.
std::optional<double> ParseDecimal(std::string_view text);

// One step on the 200-step logarithmic grid between 20 and 20000 Hz. Returns `hz` itself when
// it already is at the end of the grid in that direction.
int StepFrequency(int hz, bool up);

// Q one step up or down (0.05), bounded to 0.5..9.0, rounded to hundredths as the "%.2f" text
// shows it; nullopt when already at that end (within 0.01).
std::optional<float> StepQ(float q, bool up);
// Gain one step up or down (0.1 dB) within the band slider range, rounded to tenths as "%.1f";
// nullopt when already at that end (within 0.01).
std::optional<float> StepBandGain(float gainDb, bool up);

float ClampBandGain(double gainDb);

}  // namespace korvel
