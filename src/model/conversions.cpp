#include "model/conversions.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace korvel {
namespace {

constexpr double kMainVolumeSlope = 41.25;

__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...) {
    char buffer[64];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length < 0) {
        return {};
    }
    return std::string(buffer, static_cast<size_t>(std::min<int>(length, sizeof buffer - 1)));
}

// Rounds a finite or non-finite value into [low, high] without an out-of-range conversion.
int RoundedClamp(double value, int low, int high) {
    if (std::isnan(value)) {
        return low;
    }
    return static_cast<int>(
        std::lround(std::clamp(value, static_cast<double>(low), static_cast<double>(high))));
}

}  // namespace

double MainVolumeDb(int level) {
    if (level <= kMainVolumeMinLevel) {
        return kMainVolumeOffDb;
    }
    if (level >= kMainVolumeMaxLevel) {
        return kMainVolumeMaxDb;
    }
    return kMainVolumeSlope * std::log10(static_cast<double>(level)) - 60.0;
}

double MainVolumeAttenuation(int level) {
    return kMainVolumeMaxDb - MainVolumeDb(level);
}

int MainVolumeLevelFromDb(double db) {
    if (std::isnan(db)) {
        return kMainVolumeMinLevel;
    }
    const double level = std::pow(10.0, (db + 60.0) / kMainVolumeSlope);
    return static_cast<int>(std::clamp(level, static_cast<double>(kMainVolumeMinLevel),
                                       static_cast<double>(kMainVolumeMaxLevel)));
}

int MainVolumeLevelStored(int level) {
    // The command's value is truncated to a signed byte; the device reports 6 minus it.
    const int attenuation = static_cast<int>(static_cast<float>(MainVolumeAttenuation(level)));
    return MainVolumeLevelFromDb(kMainVolumeMaxDb - attenuation);
}

std::string MainVolumeText(int level) {
    return level <= kMainVolumeMinLevel ? std::string(kOffText) : std::to_string(level);
}

float ChannelGainFromSlider(int slider) {
    return static_cast<float>(std::clamp(slider, kChannelSliderMin, kChannelSliderMax)) / 10.0f;
}

int ChannelSliderFromGain(double gainDb) {
    return RoundedClamp(gainDb * 10.0, kChannelSliderMin, kChannelSliderMax);
}

float ClampChannelGain(double gainDb) {
    if (std::isnan(gainDb)) {
        return kChannelGainMaxDb;
    }
    return static_cast<float>(std::clamp(gainDb, static_cast<double>(kChannelGainMinDb),
                                         static_cast<double>(kChannelGainMaxDb)));
}

double ChannelTrim(double gainDb) {
    return -gainDb;
}

std::string ChannelVolumeText(double gainDb) {
    if (ChannelSliderFromGain(gainDb) <= kChannelSliderMin) {
        return kOffText;
    }
    return Format("%ddB", static_cast<int>(ClampChannelGain(gainDb)));
}

DelayUnit DelayUnitFromIndex(int index) {
    switch (index) {
        case 1:
            return DelayUnit::Centimetres;
        case 2:
            return DelayUnit::Inches;
        default:
            return DelayUnit::Milliseconds;
    }
}

float DelayMsFromSlider(int us) {
    return static_cast<float>(std::clamp(us, 0, kDelayMaxUs)) / 1000.0f;
}

int DelaySliderFromMs(double ms) {
    return RoundedClamp(ms * 1000.0, 0, kDelayMaxUs);
}

double ClampDelayMs(double ms) {
    if (std::isnan(ms)) {
        return 0.0;
    }
    return std::clamp(ms, 0.0, kDelayMaxMs);
}

double DelayCmFromUs(double us) {
    return us * 519.0 / 15.0 / 1000.0;
}
double DelayInFromUs(double us) {
    return us * 204.0 / 15.0 / 1000.0;
}
double DelayMsFromCm(double cm) {
    return cm * 15.0 / 519.0;
}
double DelayMsFromIn(double in) {
    return in * 15.0 / 204.0;
}

double DelayMsFromTyped(double value, DelayUnit unit) {
    switch (unit) {
        case DelayUnit::Centimetres:
            return ClampDelayMs(DelayMsFromCm(value));
        case DelayUnit::Inches:
            return ClampDelayMs(DelayMsFromIn(value));
        case DelayUnit::Milliseconds:
            break;
    }
    return ClampDelayMs(value);
}

std::string DelayText(int us, DelayUnit unit) {
    switch (unit) {
        case DelayUnit::Centimetres:
            return Format("%.2f cm", DelayCmFromUs(us));
        case DelayUnit::Inches:
            return Format("%.2f in", DelayInFromUs(us));
        case DelayUnit::Milliseconds:
            break;
    }
    return Format("%.3f ms", us / 1000.0);
}

std::string DelayTextWhole(int us, DelayUnit unit) {
    switch (unit) {
        case DelayUnit::Centimetres:
            return Format("%d cm", static_cast<int>(std::lround(DelayCmFromUs(us))));
        case DelayUnit::Inches:
            return Format("%d in", static_cast<int>(std::lround(DelayInFromUs(us))));
        case DelayUnit::Milliseconds:
            break;
    }
    return Format("%.3f ms", us / 1000.0);
}

int EqGainSliderFromGain(double gainDb) {
    return RoundedClamp(gainDb * 10.0, -10000, 10000);
}

std::string EqGainText(double gainDb) {
    return Format("%.1f", gainDb);
}
std::string EqQText(double q) {
    return Format("%.2f", q);
}
std::string BandFrequencyText(int hz) {
    return Format("%d", hz);
}
std::string CrossoverFrequencyText(int hz) {
    return Format("%dHz", hz);
}

}  // namespace korvel
