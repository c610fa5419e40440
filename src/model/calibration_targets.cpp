#include "model/calibration_targets.h"

namespace korvel {
namespace {

// The null preset's eleventh and thirteenth centres are 194 Hz and 300 Hz, not the standard
// 200 Hz and 315 Hz; the amplifier's curve is built that way.
constexpr std::array<int32_t, kBandCount> kNullFrequencies{
    20,  25,   31,   40,   50,   63,   80,   100,  125,  160,  194,  250,   300,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};
constexpr std::array<float, kBandCount> kNullGains{6,  6,  6, 5, 5, 4,  4, 3,  2,  1,  1,
                                                   0,  0,  0, 0, 0, -3, 0, -1, -2, -2, -2,
                                                   -2, -2, 0, 0, 0, 0,  0, 3,  0};
constexpr std::array<float, kBandCount> kNullQs{5, 5, 5, 5, 5, 3, 1, 5, 5, 5, 1, 5, 1, 5, 5, 5,
                                                3, 5, 3, 5, 5, 5, 5, 3, 5, 5, 5, 3, 5, 1, 5};

constexpr std::array<int32_t, kBandCount> kEffect0Frequencies{
    20,  25,   31,   40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};
constexpr std::array<float, kBandCount> kEffect0Gains{6,  6,  6,  5,  5,  4,  4,  3,  2, 1, 0,
                                                      0,  0,  0,  0,  0,  0,  0,  0,  0, 0, -1,
                                                      -1, -2, -2, -2, -2, -2, -3, -3, -5};
constexpr float kEffect0Q = 4.0f;

CalibrationTargetBands Build(const std::array<int32_t, kBandCount>& frequencies,
                             const std::array<float, kBandCount>& gains,
                             const std::array<float, kBandCount>* qs, float q) {
    CalibrationTargetBands bands{};
    for (size_t i = 0; i < bands.size(); ++i) {
        bands[i] = EqBand{gains[i], qs ? (*qs)[i] : q, frequencies[i], 1};
    }
    return bands;
}

}  // namespace

const CalibrationTargetBands& CalibrationTargetPreset(CalibrationTarget target) {
    static const CalibrationTargetBands null = Build(kNullFrequencies, kNullGains, &kNullQs, 0);
    static const CalibrationTargetBands effect0 =
        Build(kEffect0Frequencies, kEffect0Gains, nullptr, kEffect0Q);
    return target == CalibrationTarget::kNull ? null : effect0;
}

CalibrationTarget CalibrationTargetForMode(int eqMode) {
    return eqMode == 0 ? CalibrationTarget::kNull : CalibrationTarget::kEffect0;
}

}  // namespace korvel
