#include "virtualamp/amp_car.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "eqgraph/calibration_curves.h"

namespace korvel {
namespace {

constexpr double kPi = std::numbers::pi;

// --- Deterministic numbers from (seed, channel, what) -------------------------------------------

uint64_t Mix(uint64_t x) {  // splitmix64 finaliser
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

class CarRandom {
  public:
    CarRandom(uint32_t seed, int channel)
        : state_(Mix((static_cast<uint64_t>(seed) << 8) ^ static_cast<uint64_t>(channel))) {}
    double Unit() {  // [0, 1)
        state_ = Mix(state_);
        return static_cast<double>(state_ >> 11) * 0x1.0p-53;
    }
    double Between(double low, double high) { return low + (high - low) * Unit(); }
    double LogBetween(double low, double high) {
        return std::exp(Between(std::log(low), std::log(high)));
    }

  private:
    uint64_t state_;
};

// --- Speakers by role -------------------------------------------------------------------------

enum class Kind { kTweeter, kMidrange, kWoofer, kMidTweeter, kMidWoofer, kFull, kSub };

Kind KindOfRole(int role) {
    switch (role) {
        case 1:
        case 7:
        case 13:
        case 16:
        case 19:
            return Kind::kTweeter;
        case 2:
        case 8:
        case 20:
            return Kind::kMidrange;
        case 3:
        case 9:
        case 14:
        case 17:
            return Kind::kWoofer;
        case 4:
        case 10:
            return Kind::kMidTweeter;
        case 5:
        case 11:
            return Kind::kMidWoofer;
        case 22:
        case 23:
        case 24:
            return Kind::kSub;
        default:
            return Kind::kFull;
    }
}

struct RollOffs {
    double hpLow, hpHigh;  // range of the speaker's own high-pass corner
    int hpOrder;
    double lpLow, lpHigh;  // 0: no low-pass of its own
    int lpOrder;
};

RollOffs RollOffsOf(Kind kind) {
    switch (kind) {
        case Kind::kTweeter:
            return {1800, 2800, 3, 0, 0, 0};
        case Kind::kMidrange:
            return {180, 320, 2, 7000, 11000, 2};
        case Kind::kWoofer:
            return {45, 70, 2, 2500, 4000, 2};
        case Kind::kMidTweeter:
            return {250, 400, 2, 0, 0, 0};
        case Kind::kMidWoofer:
            return {50, 80, 2, 4000, 6000, 2};
        case Kind::kSub:
            return {22, 32, 2, 110, 170, 2};
        case Kind::kFull:
        default:
            return {60, 100, 2, 0, 0, 0};
    }
}

// Distance to the listener by the role's place in a left-hand-drive car.
double DistanceOf(int role, CarRandom& random) {
    if (role >= 1 && role <= 6) {
        return random.Between(0.75, 1.0);  // front left, beside the driver
    }
    if (role >= 7 && role <= 12) {
        return random.Between(1.15, 1.45);
    }
    if (role >= 13 && role <= 18) {
        return random.Between(1.5, 2.1);
    }
    if (role >= 19 && role <= 21) {
        return random.Between(0.9, 1.1);
    }
    if (role >= 22 && role <= 24) {
        return random.Between(1.8, 2.6);  // in the boot
    }
    return random.Between(1.0, 1.6);
}

// |H| in dB of a Butterworth high-pass (lowPass = false) or low-pass of `order` at f.
double ButterworthDb(double f, double corner, int order, bool lowPass) {
    const double ratio = lowPass ? f / corner : corner / f;
    return -10.0 * std::log10(1.0 + std::pow(ratio, 2.0 * order));
}

// A bell of `gainDb` at `centre`, `widthOct` octaves wide (one standard deviation).
double BellDb(double f, double centre, double gainDb, double widthOct) {
    const double octaves = std::log2(f / centre) / widthOct;
    return gainDb * std::exp(-0.5 * octaves * octaves);
}

double Hundredths(double value) {
    return std::round(value * 100.0) / 100.0;
}

double Mean(const CarCurve& curve, const std::vector<size_t>& points) {
    double sum = 0.0;
    for (size_t i : points) {
        sum += curve[i];
    }
    return points.empty() ? 0.0 : sum / static_cast<double>(points.size());
}

std::vector<size_t> UsablePoints(const CarSpeaker& speaker) {
    std::vector<size_t> points;
    const CarCurve& freqs = CarSpectrumFrequencies();
    for (size_t i = 0; i < freqs.size(); ++i) {
        if (freqs[i] >= speaker.usableLowHz && freqs[i] <= speaker.usableHighHz) {
            points.push_back(i);
        }
    }
    return points;
}

// --- Equaliser fitting ------------------------------------------------------------------------

constexpr double kMaxBoostDb = 6.0;
constexpr double kMaxCutDb = -12.0;
constexpr double kFitToleranceDb = 0.75;  // deviations below this are left alone
constexpr double kMinBandwidthOct = 1.0 / 3.0;

// Quality factor of a peaking band `bandwidthOct` octaves wide.
double QForBandwidth(double bandwidthOct) {
    const double ratio = std::pow(2.0, bandwidthOct);
    return std::sqrt(ratio) / (ratio - 1.0);
}

AmpBand WireBand(double freq, double q, double gainDb) {
    AmpBand band;
    band.freq = static_cast<uint16_t>(std::clamp(std::lround(freq), 20L, 20000L));
    band.qHundredths = static_cast<uint16_t>(std::clamp(std::lround(q * 100.0), 50L, 900L));
    band.gainTenthsPlus18 = static_cast<int16_t>(std::lround((gainDb + 18.0) * 10.0));
    return band;
}

EqBand ModelBand(const AmpBand& band) {
    return EqBand{band.gainTenthsPlus18 / 10.0f - 18.0f, band.qHundredths / 100.0f, band.freq, 1};
}

CarCurve BandsDb(std::span<const AmpBand> bands) {
    std::vector<EqBand> model;
    for (const AmpBand& band : bands) {
        model.push_back(ModelBand(band));
    }
    CarCurve out{};
    BandsResponseAt(model, CarSpectrumFrequencies(), out);
    return out;
}

// Index range around `peak` where the error keeps its sign and at least half its size.
double HalfHeightBandwidthOct(const CarCurve& error, const std::vector<size_t>& usable,
                              size_t peakPos) {
    const CarCurve& freqs = CarSpectrumFrequencies();
    const double half = error[usable[peakPos]] / 2.0;
    const auto inside = [&](size_t pos) { return error[usable[pos]] / half >= 1.0; };
    size_t left = peakPos;
    while (left > 0 && inside(left - 1)) {
        --left;
    }
    size_t right = peakPos;
    while (right + 1 < usable.size() && inside(right + 1)) {
        ++right;
    }
    return std::max(std::log2(freqs[usable[right]] / freqs[usable[left]]), kMinBandwidthOct);
}

}  // namespace

const CarCurve& CarSpectrumFrequencies() {
    static const CarCurve frequencies = [] {
        CarCurve f{};
        for (size_t i = 0; i < f.size(); ++i) {
            f[i] = Hundredths(20.0 * std::pow(10.0, static_cast<double>(i) / 40.0));
        }
        return f;
    }();
    return frequencies;
}

CarSpeaker SimulateSpeaker(uint32_t seed, int channel, int role) {
    CarRandom random(seed, channel);
    const Kind kind = KindOfRole(role);
    const RollOffs r = RollOffsOf(kind);
    const double hp = random.LogBetween(r.hpLow, r.hpHigh);
    const double lp = r.lpOrder > 0 ? random.LogBetween(r.lpLow, r.lpHigh) : 0.0;
    const double cabinCorner = random.Between(50.0, 80.0);
    const double cabinMaxDb = random.Between(8.0, 12.0);
    const double modeHz = random.LogBetween(80.0, 160.0);
    const double modeDb = random.Between(4.0, 8.0);
    const double modeWidth = random.Between(0.15, 0.3);
    const int dips = random.Unit() < 0.5 ? 1 : 2;
    std::array<double, 2> dipHz{}, dipDb{}, dipWidth{};
    for (int d = 0; d < dips; ++d) {
        dipHz[d] = random.LogBetween(300.0, 3000.0);
        dipDb[d] = -random.Between(3.0, 8.0);
        dipWidth[d] = random.Between(0.1, 0.3);
    }
    const double rippleRate = random.Between(1.5, 3.0);
    const double ripplePhase = random.Between(0.0, 2.0 * kPi);

    CarSpeaker speaker;
    speaker.distanceM = std::round(DistanceOf(role, random) * 100.0) / 100.0;
    speaker.levelDb = random.Between(-4.0, 2.0);
    speaker.inverted = random.Unit() < 0.15;
    speaker.usableLowHz = std::max(hp * 1.25, 25.0);
    speaker.usableHighHz = lp > 0.0 ? lp / 1.25 : 16000.0;

    const CarCurve& freqs = CarSpectrumFrequencies();
    for (size_t i = 0; i < freqs.size(); ++i) {
        const double f = freqs[i];
        double db = speaker.levelDb + ButterworthDb(f, hp, r.hpOrder, false);
        if (lp > 0.0) {
            db += ButterworthDb(f, lp, r.lpOrder, true);
        }
        db += std::min(cabinMaxDb, 10.0 * std::log10(1.0 + std::pow(cabinCorner / f, 4.0)));
        db += BellDb(f, modeHz, modeDb, modeWidth);
        for (int d = 0; d < dips; ++d) {
            db += BellDb(f, dipHz[d], dipDb[d], dipWidth[d]);
        }
        db += 0.4 * std::sin(2.0 * kPi * rippleRate * std::log2(f) + ripplePhase);
        db += random.Between(-0.25, 0.25);
        // The wire carries whole dB and hundredths as two signed bytes.
        speaker.measuredDb[i] = Hundredths(std::clamp(db, -120.0, 120.0));
    }
    return speaker;
}

std::array<AmpBand, kCarDerivedBands> DeriveEqualizer(const CarSpeaker& speaker,
                                                      const CarCurve& targetDb) {
    const std::vector<size_t> usable = UsablePoints(speaker);
    const CarCurve& freqs = CarSpectrumFrequencies();
    // Only the shape is corrected: the level is the channel volume's business.
    const double measuredMean = Mean(speaker.measuredDb, usable);
    const double targetMean = Mean(targetDb, usable);
    CarCurve error{};
    for (size_t i : usable) {
        error[i] = (targetDb[i] - targetMean) - (speaker.measuredDb[i] - measuredMean);
    }

    std::vector<AmpBand> used;
    while (!usable.empty() && used.size() < kCarDerivedBands) {
        size_t peak = 0;
        for (size_t pos = 1; pos < usable.size(); ++pos) {
            if (std::abs(error[usable[pos]]) > std::abs(error[usable[peak]])) {
                peak = pos;
            }
        }
        const double deviation = error[usable[peak]];
        if (std::abs(deviation) < kFitToleranceDb) {
            break;
        }
        const double q = QForBandwidth(HalfHeightBandwidthOct(error, usable, peak));
        const AmpBand band =
            WireBand(freqs[usable[peak]], q, std::clamp(deviation, kMaxCutDb, kMaxBoostDb));
        const CarCurve response = BandsDb(std::span(&band, 1));
        for (size_t i : usable) {
            error[i] -= response[i];
        }
        used.push_back(band);
    }
    // Unused bands stay flat at the 11-band table's centres; all sorted by frequency.
    static constexpr std::array<uint16_t, kCarDerivedBands> kFlatCentres = {
        20, 40, 80, 160, 315, 630, 1250, 2500, 5000, 10000, 20000};
    std::array<AmpBand, kCarDerivedBands> bands{};
    for (size_t k = 0; k < bands.size(); ++k) {
        bands[k] = k < used.size() ? used[k] : WireBand(kFlatCentres[k], 1.0, 0.0);
    }
    std::stable_sort(bands.begin(), bands.end(),
                     [](const AmpBand& a, const AmpBand& b) { return a.freq < b.freq; });
    return bands;
}

CarCurve CorrectedResponse(const CarSpeaker& speaker,
                           std::span<const AmpBand, kCarDerivedBands> bands) {
    CarCurve out = BandsDb(bands);
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] += speaker.measuredDb[i];
    }
    return out;
}

uint32_t AlignmentDelayUs(double distanceM, double farthestM) {
    const double seconds = std::max(farthestM - distanceM, 0.0) / kSpeedOfSoundMps;
    return std::min(static_cast<uint32_t>(std::lround(seconds * 1e6)), kMaxCalibratedDelayUs);
}

}  // namespace korvel
