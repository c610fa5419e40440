#pragma once
// Magnitude response of a channel's crossover and equaliser, modelled on the PC for display.
// The device does the filtering; these functions only reproduce its curves. Pure functions, no
// state between calls, double precision throughout, fixed 48 kHz device rate.

#include <array>
#include <span>
#include <vector>

#include "model/scene_record.h"

namespace korvel {

inline constexpr double kEqSampleRate = 48000.0;
inline constexpr int kResponsePoints = 512;    // grid size used by every caller
inline constexpr int kCrossoverSlots = 4;      // a filter has at most four stages (order 8)
inline constexpr double kStopBandDb = -400.0;  // value of a stage whose |H|^2 <= 1e-8

// One second-order section, b0 + b1 z^-1 + b2 z^-2 over 1 + a1 z^-1 + a2 z^-2.
struct Biquad {
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;

    bool IsIdentity() const { return b0 == 1.0 && b1 == a1 && b2 == a2; }
    friend bool operator==(const Biquad&, const Biquad&) = default;
};

// A designed crossover stage: feedback coefficient k, cosine of the stage's digital corner c,
// kind 1.0 = second order, 0.0 = first order, -1.0 = empty slot.
struct CrossoverSection {
    double k = 0.0;
    double c = 1.0;
    double kind = -1.0;
};
inline constexpr double kSecondOrderStage = 1.0;
inline constexpr double kFirstOrderStage = 0.0;
inline constexpr double kEmptyStage = -1.0;
using CrossoverSections = std::array<CrossoverSection, kCrossoverSlots>;

// Fills grid.size() frequencies: logarithmic from about 1 Hz up to fs/2 at index n-2; the last
// point holds fs itself.
void BuildFrequencyGrid(double fs, std::span<double> grid);

// Peaking equaliser band. A band that cannot be designed (f0, Q or gain not finite, f0 or Q not
// positive, or a design whose coefficients are not finite) comes back flat (the identity).
Biquad DesignPeaking(double fs, double f0, double gainDb, double q);

// Crossover stages, second-order first, a first-order stage of an odd order last, empty slots
// after. type: 0 fixed Q=1 second order, 1 Butterworth, 2 Linkwitz-Riley, 3 Bessel; any other
// code is designed as Butterworth.
CrossoverSections DesignCrossoverSections(bool lowPass, double fc, int order, int type);

// The biquad of one designed stage; the identity for an empty slot.
Biquad CrossoverStageBiquad(const CrossoverSection& section, bool lowPass);

// |H|^2 in dB of the product of `sections` sections of the given order (coefficients per
// section: order+1 numerator values in b, order+1 denominator values in a, a[0] taken as 1).
// The frequency of point i maps to the unit circle with grid[n-2] standing for fs/2. Points
// whose |H|^2 <= 1e-8 (or is not a number) read -400 dB. Writes min(grid, out) points.
void EvaluateCascadeDb(std::span<const double> b, std::span<const double> a, int order,
                       int sections, std::span<const double> grid, std::span<double> out);

void PeakingResponseDb(double fs, double f0, double gainDb, double q, std::span<const double> grid,
                       std::span<double> out);

// Sum of the filter's stage responses (each stage with its own -400 dB floor). The stages are
// always designed for the device's 48 kHz rate; fs only keeps the call shape of the peaking one.
void HighPassResponseDb(double fs, double fc, int order, int type, std::span<const double> grid,
                        std::span<double> out);
void LowPassResponseDb(double fs, double fc, int order, int type, std::span<const double> grid,
                       std::span<double> out);

// Total response of one channel: high-pass + low-pass + every band (gain 0 for disabled bands
// and when eqBypassed). Writes the grid into `frequencies` and the total into `totalDb`
// (kResponsePoints-sized spans expected; fewer points are computed if they are shorter).
// The band count is the channel's eqSize limited to bands.size(); with no bands nothing is
// written and the result is false.
bool ComputeChannelResponse(const ChannelSettings& channel, std::span<const EqBand> bands,
                            bool eqBypassed, std::span<double> frequencies,
                            std::span<double> totalDb);

// Every channel slot of a scene, each with its own equaliser bypass flag.
struct SceneCurves {
    std::vector<double> frequencies;
    std::array<std::vector<double>, kChannelSlots> totalDb;
};
SceneCurves ComputeSceneCurves(const SceneRecord& scene);

}  // namespace korvel
