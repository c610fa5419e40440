#pragma once
// Pure helpers of the tool windows and their command-line twins: the noise threshold's range and
// texts, the mixer's level range, DSP memory words as typed, the input row titles and the
// fitting of a scene name into the device's field. No model, no device, no Qt.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvel {

// --- Input noise threshold, whole dBu ----------------------------------------------------------
inline constexpr int kThresholdOffDbu = -81;  // "off": the gate never closes
inline constexpr int kThresholdMaxDbu = -40;

int ClampThreshold(long long dbu);
// The threshold after one step of the edit's buttons or arrow keys, within the range.
int StepThreshold(int dbu, bool up);
// A typed threshold, clamped: `offText` (the shown "${off}") counts as -81, otherwise the leading
// whole number ("-52dBu" gives -52). nullopt when the text holds no number.
std::optional<int> ParseThresholdText(std::string_view text, std::string_view offText);
// "${off}" below -80, otherwise "%ddBu".
std::string ThresholdText(int dbu);

// --- Mixer levels ------------------------------------------------------------------------------
inline constexpr int kMixLevelMin = 0;
inline constexpr int kMixLevelMax = 100;

int ClampMixLevel(long long level);

// Title of input row `input` of a source with `inputCount` inputs: "%s L" / "%s R" for two
// inputs, otherwise "%s%d" counting from 1.
std::string InputRowTitle(std::string_view sourceName, int input, int inputCount);

// --- DSP memory words ----------------------------------------------------------------------------
// A typed address or data word: empty text is 0; "0x"/"0X" starts hexadecimal, another leading
// "0" octal, anything else decimal; digits are taken up to the first character that is not a
// digit of that base, and no digits give 0. nullopt when the number does not fit in 32 bits.
std::optional<uint32_t> ParseMemWord(std::string_view text);
std::string MemWordText(uint32_t word);  // "0x%08x"

// --- Scene names -------------------------------------------------------------------------------
// The longest leading part of `text` that the device's 16-byte name field holds exactly, whole
// characters only; characters its code page cannot represent are left out.
std::u16string FitDeviceName(std::u16string_view text);

}  // namespace korvel
