#pragma once
// The car the virtual amplifier's calibration measures: for every output channel a speaker
// response as the microphone at the listening position hears it (the speaker's own roll-offs,
// which depend on its role, the cabin's low-frequency gain and room mode, midrange dips and a
// small ripple), a sensitivity, a polarity and a distance to the listener. Everything follows
// from a seed, so a test or a demo sees the same car every time.
//
// Also here: what the amplifier derives from a measurement (equaliser bands towards a target
// curve, delays from the distances, channel volumes from the sensitivities). Plain functions,
// no state.

#include <array>
#include <cstdint>
#include <span>

#include "virtualamp/amp_state.h"

namespace korvel {

inline constexpr int kCarSpectrumPoints = 121;  // 20 Hz .. 20 kHz, 40 points per decade
inline constexpr int kCarDerivedBands = 11;     // equaliser bands a calibration derives
inline constexpr double kSpeedOfSoundMps = 343.0;
inline constexpr uint32_t kMaxCalibratedDelayUs = 15000;  // the channel delay's upper limit

using CarCurve = std::array<double, kCarSpectrumPoints>;

// Frequencies of the measured points, rounded to the hundredths the wire carries.
const CarCurve& CarSpectrumFrequencies();

struct CarSpeaker {
    double distanceM = 1.0;   // to the listening position, whole centimetres
    double levelDb = 0.0;     // sensitivity relative to the nominal level
    bool inverted = false;    // wired with reversed polarity
    double usableLowHz = 20;  // the band the equaliser may correct
    double usableHighHz = 20000;
    CarCurve measuredDb{};  // level + response at CarSpectrumFrequencies(), in hundredths
};

// The speaker of `channel` (0..5) playing speaker role `role` (0..24) in the car of `seed`.
CarSpeaker SimulateSpeaker(uint32_t seed, int channel, int role);

// Equaliser bands (sorted by frequency, unused bands flat) that bring `measuredDb` towards the
// shape of `targetDb` inside the speaker's usable band. Values are those the wire can carry.
std::array<AmpBand, kCarDerivedBands> DeriveEqualizer(const CarSpeaker& speaker,
                                                      const CarCurve& targetDb);

// The measured response after the derived bands (what applying the equaliser gives).
CarCurve CorrectedResponse(const CarSpeaker& speaker,
                           std::span<const AmpBand, kCarDerivedBands> bands);

// Delay that makes the speaker's sound arrive together with that of the farthest one.
uint32_t AlignmentDelayUs(double distanceM, double farthestM);

}  // namespace korvel
