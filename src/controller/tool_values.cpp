#include "controller/tool_values.h"

#include <algorithm>
#include <cstdio>

#include "controller/tuning_values.h"
#include "model/conversions.h"
#include "model/scene_name.h"

namespace korvel {

namespace {

constexpr uint64_t kWordMax = 0xFFFFFFFFu;

// The value of `c` as a digit of `base` (8, 10 or 16), or -1.
int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < base ? value : -1;
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

bool StoredExactly(std::u16string_view text) {
    return DeviceNameToUtf16(Utf16ToDeviceName(text)) == text;
}

}  // namespace

int ClampThreshold(long long dbu) {
    return static_cast<int>(std::clamp<long long>(dbu, kThresholdOffDbu, kThresholdMaxDbu));
}

int StepThreshold(int dbu, bool up) {
    // Anything below the range is shown as "${off}" and steps from there.
    const long long shown = std::max(dbu, kThresholdOffDbu);
    return ClampThreshold(shown + (up ? 1 : -1));
}

std::optional<int> ParseThresholdText(std::string_view text, std::string_view offText) {
    if ((!offText.empty() && text == offText) || text == kOffText) {
        return kThresholdOffDbu;
    }
    const std::optional<int> typed = ParseWholeNumber(text);
    if (!typed) {
        return std::nullopt;
    }
    return ClampThreshold(*typed);
}

std::string ThresholdText(int dbu) {
    if (dbu < kThresholdOffDbu + 1) {
        return kOffText;
    }
    return std::to_string(dbu) + "dBu";
}

int ClampMixLevel(long long level) {
    return static_cast<int>(std::clamp<long long>(level, kMixLevelMin, kMixLevelMax));
}

std::string InputRowTitle(std::string_view sourceName, int input, int inputCount) {
    std::string title(sourceName);
    if (inputCount == 2) {
        return title + (input == 0 ? " L" : " R");
    }
    return title + std::to_string(input + 1);
}

std::optional<uint32_t> ParseMemWord(std::string_view text) {
    int base = 10;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && text[0] == '0') {
        base = 8;
        text.remove_prefix(1);
    }
    uint64_t value = 0;
    for (char c : text) {
        const int digit = DigitValue(c, base);
        if (digit < 0) {
            break;
        }
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (value > kWordMax) {
            return std::nullopt;  // refused rather than wrapped
        }
    }
    return static_cast<uint32_t>(value);
}

std::string MemWordText(uint32_t word) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", word);
    return text;
}

std::u16string FitDeviceName(std::u16string_view text) {
    std::u16string fitted;
    size_t i = 0;
    while (i < text.size()) {
        // One whole character: a surrogate pair stays together.
        const size_t length =
            IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]) ? 2 : 1;
        const std::u16string_view character = text.substr(i, length);
        i += length;
        if (!StoredExactly(character)) {
            continue;  // the code page has no such character
        }
        std::u16string longer = fitted;
        longer.append(character);
        if (!StoredExactly(longer)) {
            break;  // the field is full
        }
        fitted = std::move(longer);
    }
    return fitted;
}

}  // namespace korvel
