#pragma once
// Unit conversions between control positions, model values, display texts and device values.

#include <string>

namespace korvel {

// Main volume: level 0..40 on the slider.
inline constexpr int kMainVolumeMinLevel = 0;
inline constexpr int kMainVolumeMaxLevel = 40;
inline constexpr int kMainVolumeSliderStart = 30;
inline constexpr double kMainVolumeOffDb = -60.0;
inline constexpr double kMainVolumeMaxDb = 6.0;
inline constexpr const char* kOffText = "${off}";

// dB of a level: 0 (and below) is -60 dB, 40 (and above) exactly +6 dB, else
// 41.25 * log10(level) - 60.
double MainVolumeDb(int level);
// The attenuation a volume command carries: 6 - dB.
double MainVolumeAttenuation(int level);
// Level of a reported dB value: integer part of 10^((dB + 60) / 41.25), bounded to 0..40.
int MainVolumeLevelFromDb(double db);
// The level a device report gives back after a volume command for `level`. The command carries
// whole decibels, fewer than the 41 levels near the top, so 0, 23, 27, 29, 32, 34, 36, 38 and
// 40 come back as a neighbour; every other level, and every level this returns, is kept.
int MainVolumeLevelStored(int level);
// "%d", or "${off}" at level 0 and below.
std::string MainVolumeText(int level);

// Channel volume: slider -600..0 in tenths of a dB, step 10.
inline constexpr int kChannelSliderMin = -600;
inline constexpr int kChannelSliderMax = 0;
inline constexpr int kChannelSliderStep = 10;
inline constexpr float kChannelGainMinDb = -60.0f;
inline constexpr float kChannelGainMaxDb = 0.0f;

float ChannelGainFromSlider(int slider);
int ChannelSliderFromGain(double gainDb);
float ClampChannelGain(double gainDb);
// The attenuation a trim command carries: -gain.
double ChannelTrim(double gainDb);
// Whole dB as "%ddB", or "${off}" at the bottom of the range.
std::string ChannelVolumeText(double gainDb);

// Delay: slider in microseconds 0..15000; model in milliseconds.
inline constexpr int kDelayMaxUs = 15000;
inline constexpr double kDelayMaxMs = 15.0;

enum class DelayUnit { Milliseconds = 0, Centimetres = 1, Inches = 2 };

// Unit of the "comb_ch_unit" selector index; unknown indices show milliseconds.
DelayUnit DelayUnitFromIndex(int index);
float DelayMsFromSlider(int us);
// Nearest slider position of a delay, bounded to 0..15000.
int DelaySliderFromMs(double ms);
double ClampDelayMs(double ms);
double DelayCmFromUs(double us);  // us * 519 / 15 / 1000 (15 ms = 519 cm)
double DelayInFromUs(double us);  // us * 204 / 15 / 1000 (15 ms = 204 in)
double DelayMsFromCm(double cm);  // cm * 15 / 519
double DelayMsFromIn(double in);  // in * 15 / 204
// A typed value in the given unit as milliseconds, bounded to 0..15.
double DelayMsFromTyped(double value, DelayUnit unit);
// "%.3f ms", "%.2f cm" or "%.2f in".
std::string DelayText(int us, DelayUnit unit);
// "%.3f ms", or whole units "%d cm" / "%d in" rounded to the nearest unit.
std::string DelayTextWhole(int us, DelayUnit unit);

// Equaliser band controls.
int EqGainSliderFromGain(double gainDb);     // tenths of a dB
std::string EqGainText(double gainDb);       // "%.1f"
std::string EqQText(double q);               // "%.2f"
std::string BandFrequencyText(int hz);       // "%d"
std::string CrossoverFrequencyText(int hz);  // "%dHz"

}  // namespace korvel
