#include "controller/tuning_values.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

#include "model/invariants.h"
#include "model/scene_record.h"

namespace korvel {
namespace {

constexpr long long kSaturated = 1'000'000'000LL;

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    return text;
}

// The leading optionally signed digits of `text`, saturated at +-kSaturated.
std::optional<long long> LeadingInteger(std::string_view text) {
    text = TrimLeft(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long value = 0;
    bool any = false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            break;
        }
        any = true;
        value = std::min(value * 10 + (c - '0'), kSaturated);
    }
    if (!any) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

int Saturate(long long value) {
    return static_cast<int>(std::clamp(value, -kSaturated, kSaturated));
}

double GridLogSpan() {
    return std::log10(static_cast<double>(kMaxFrequency)) -
           std::log10(static_cast<double>(kMinFrequency));
}

int GridFrequency(int index) {
    const double exponent = std::log10(static_cast<double>(kMinFrequency)) +
                            GridLogSpan() * index / kFrequencyGridSteps;
    return static_cast<int>(std::lround(std::pow(10.0, exponent)));
}

double RoundTo(double value, double unit) {
    return std::round(value / unit) * unit;
}

}  // namespace

std::optional<int> ParseFrequencyText(std::string_view text) {
    const size_t k = text.find_first_of("Kk");
    if (k == std::string_view::npos) {
        const auto value = LeadingInteger(text);
        return value ? std::optional<int>(Saturate(*value)) : std::nullopt;
    }
    const auto thousands = LeadingInteger(text.substr(0, k));
    const std::string_view after = text.substr(k + 1);
    const bool hasHundreds = !after.empty() && std::isdigit(static_cast<unsigned char>(after[0]));
    if (!thousands && !hasHundreds) {
        return std::nullopt;
    }
    const long long hundreds = hasHundreds ? after[0] - '0' : 0;
    return Saturate(thousands.value_or(0) * 1000 + hundreds * 100);
}

std::optional<int> ParseWholeNumber(std::string_view text) {
    const auto value = LeadingInteger(text);
    return value ? std::optional<int>(Saturate(*value)) : std::nullopt;
}

std::optional<double> ParseDecimal(std::string_view text) {
    const std::string copy(TrimLeft(text));
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end == copy.c_str() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

int StepFrequency(int hz, bool up) {
    const int f = std::clamp(hz, kMinFrequency, kMaxFrequency);
    if ((up && f >= kMaxFrequency) || (!up && f <= kMinFrequency)) {
        return f;
    }
    const double position =
        (std::log10(static_cast<double>(f)) - std::log10(static_cast<double>(kMinFrequency))) *
        kFrequencyGridSteps / GridLogSpan();
    const int base = static_cast<int>(position);
    const auto stepBy = [&](int steps) {
        const int index = std::clamp(up ? base + steps : base - steps, 0, kFrequencyGridSteps);
        return GridFrequency(index);
    };
    int next = stepBy(1);
    if (next == f) {
        next = stepBy(2);
    }
    return next;
}

std::optional<float> StepQ(float q, bool up) {
    if (up ? q >= kMaxQ - kBandValueTolerance : q <= kMinQ + kBandValueTolerance) {
        return std::nullopt;
    }
    const double next = RoundTo(up ? q + kBandQStep : q - kBandQStep, 0.01);
    return ClampQ(next);
}

std::optional<float> StepBandGain(float gainDb, bool up) {
    if (up ? gainDb >= kBandGainMaxDb - kBandValueTolerance
           : gainDb <= kBandGainMinDb + kBandValueTolerance) {
        return std::nullopt;
    }
    const double next = RoundTo(up ? gainDb + kBandGainStep : gainDb - kBandGainStep, 0.1);
    return ClampBandGain(next);
}

float ClampBandGain(double gainDb) {
    if (std::isnan(gainDb)) {
        return 0.0f;
    }
    return static_cast<float>(std::clamp(gainDb, static_cast<double>(kBandGainMinDb),
                                         static_cast<double>(kBandGainMaxDb)));
}

}  // namespace korvel
