#include "model/invariants.h"

#include <algorithm>
#include <cmath>

namespace korvel {

int32_t FilterBypassFromSlope(int32_t slope) {
    return slope <= 0 ? 1 : 0;
}

void SetFilterSlope(FilterSettings& filter, int32_t slope) {
    filter.slope = ReportedSlope(slope);
    filter.bypass = FilterBypassFromSlope(filter.slope);
}

int32_t BpTypeFromSlopes(const CrossoverSettings& crossover) {
    return (crossover.hp.slope > 0 ? 1 : 0) | (crossover.lp.slope > 0 ? 2 : 0);
}

int32_t ClampFrequency(int32_t hz) {
    return std::clamp(hz, kMinFrequency, kMaxFrequency);
}

int32_t ReportedFrequency(int32_t hz) {
    return (hz < kMinFrequency || hz > kMaxFrequency) ? kMinFrequency : hz;
}

int32_t ReportedFilterType(int32_t type) {
    return (type < kMinFilterType || type > kMaxFilterType) ? kMinFilterType : type;
}

int32_t ReportedSlope(int32_t slope) {
    return slope < 0 ? 0 : slope;
}

void ApplyFilterReport(FilterSettings& filter, int32_t fs, int32_t type, int32_t slope) {
    filter.fs = ReportedFrequency(fs);
    filter.type = ReportedFilterType(type);
    SetFilterSlope(filter, slope);
}

int32_t ClampHighPassCorner(int32_t hz, int32_t lowPassHz) {
    return ClampFrequency(std::min(hz, lowPassHz));
}

int32_t ClampLowPassCorner(int32_t hz, int32_t highPassHz) {
    return ClampFrequency(std::max(hz, highPassHz));
}

float ClampQ(double q) {
    if (std::isnan(q)) {
        return kDefaultQ;
    }
    return static_cast<float>(
        std::clamp(q, static_cast<double>(kMinQ), static_cast<double>(kMaxQ)));
}

float ClampEqGain(double gainDb) {
    if (std::isnan(gainDb)) {
        return 0.0f;
    }
    const double limit = kEqGainLimitDb;
    return static_cast<float>(std::clamp(gainDb, -limit, limit));
}

bool IsNonZeroGain(float gainDb) {
    return std::fabs(gainDb) > kZeroGainEpsilon;
}

bool BandsAreFlat(std::span<const EqBand> bands) {
    // Same outcome as a running sum of magnitudes that drops its fraction after each band and
    // must stay 0, without converting large gains to an integer.
    return std::all_of(bands.begin(), bands.end(),
                       [](const EqBand& band) { return std::fabs(band.eqGain) < 1.0f; });
}

}  // namespace korvel
