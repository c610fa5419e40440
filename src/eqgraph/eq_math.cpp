#include "eqgraph/eq_math.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numbers>

namespace korvel {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kStopBandPower = 1e-8;  // |H|^2 at or below this reads kStopBandDb

// Digital corner frequencies are kept between 0.0025 Hz and 22000 Hz at 48 kHz.
constexpr double kMinCornerW = 3.272492347489368e-7;
constexpr double kMaxCornerW = 2.8797932657906435;

constexpr int kMaxOrder = 8;

// Linkwitz-Riley stage dampings by order/2.
constexpr double kLinkwitzRiley[5][kCrossoverSlots] = {
    {0.0, 0.0, 0.0, 0.0},
    {2.0, 0.0, 0.0, 0.0},
    {1.414213562, 1.414213562, 0.0, 0.0},
    {2.0, 1.0, 1.0, 0.0},
    {1.847759065, 0.7653668647, 1.847759065, 0.7653668647},
};

// Bessel: overall frequency normalisation, stage dampings and stage frequency factors by order.
constexpr double kBesselNorm[kMaxOrder + 1] = {1.0,          1.0,          0.5773502692,
                                               0.4030076571, 0.3086066999, 0.2496411504,
                                               0.2093977333, 0.1802208568, 0.1581178777};
constexpr double kBesselDamping[kMaxOrder + 1][kCrossoverSlots] = {
    {0, 0, 0, 0},
    {0, 0, 0, 0},
    {1.732050808, 0, 0, 0},
    {1.44708036, 0, 0, 0},
    {1.915948924, 1.24140593, 0, 0},
    {1.77451072, 1.091134411, 0, 0},
    {1.959563142, 1.636140252, 0.9772172032, 0},
    {1.878443311, 1.513268209, 0.8878963849, 0},
    {1.976319466, 1.786961442, 1.406762442, 0.8158806765},
};
constexpr double kBesselFreq[kMaxOrder + 1][kCrossoverSlots] = {
    {1, 1, 1, 1},
    {1, 1, 1, 1},
    {1.732050808, 1, 1, 1},
    {2.541541401, 1, 1, 1},
    {3.023264939, 3.389365793, 1, 1},
    {3.777893661, 4.261022801, 1, 1},
    {4.336027051, 4.566489152, 5.149177152, 1},
    {5.06620615, 5.379270034, 6.04952768, 1},
    {5.654840869, 5.825353215, 6.210414904, 6.959311651},
};
// Bessel first-order factor by the slot the first-order stage falls in.
constexpr double kBesselFirstOrder[kCrossoverSlots] = {1.0, 2.322185355, 3.646738595, 4.971786859};

enum FilterType { kTypeFixedQ = 0, kTypeButterworth = 1, kTypeLinkwitzRiley = 2, kTypeBessel = 3 };

double ClampCornerW(double w) {
    if (!(w >= kMinCornerW)) {  // also catches NaN
        return kMinCornerW;
    }
    return std::min(w, kMaxCornerW);
}

// Scales a corner by a factor: down for a high-pass, up for a low-pass.
double ScaleCorner(double w, double factor, bool lowPass) {
    return lowPass ? w * factor : w / factor;
}

int NormaliseOrder(int order, int type) {
    if (type == kTypeFixedQ) {
        order = 2;
    } else if (type == kTypeLinkwitzRiley && order % 2 != 0) {
        order = order < kMaxOrder ? order + 1 : kMaxOrder;
    }
    return std::clamp(order, 1, kMaxOrder);
}

double SecondOrderDamping(int type, int order, int slot) {
    switch (type) {
        case kTypeFixedQ:
            return 1.0;
        case kTypeButterworth:
            return 2.0 * std::sin(((order / 2 - 1 - slot) * 2 + 1) * kPi / (2.0 * order));
        case kTypeLinkwitzRiley:
            return kLinkwitzRiley[order / 2][slot];
        default:
            return kBesselDamping[order][slot];
    }
}

double Log10Power(double gainDb) {
    return gainDb / 10.0;
}

// ---------------------------------------------------------------------------------------------
// Shared evaluation of many sections on one grid.
//
// The unit-circle points of the grid are computed once per call; each section then costs a few
// multiplications per point. Stage powers are multiplied (a stage at or below the stop-band
// floor counts as -400 dB and is left out of the product) and one logarithm per point turns the
// product into dB. The product stays within the double range when the sum of the stages'
// log10 bounds allows it; otherwise every stage is converted to dB on its own.

constexpr size_t kLane = 4;  // points handled together; the scratch arrays are padded to it
constexpr double kSafeLog10Range = 280.0;

// log10 |H|^2 bounds of a stage away from its stop band.
struct PowerBounds {
    double low = -8.0;
    double high = 1.0;
};

PowerBounds PeakingBounds(double gainDb) {
    const double g = Log10Power(gainDb);
    return {std::max(-8.0, std::min(0.0, g) - 1.0), std::max(0.0, g) + 1.0};
}

// The grid's points e^{-jw} on the unit circle, padded with z = 1 to whole blocks of kLane.
class UnitCircle {
  public:
    explicit UnitCircle(std::span<const double> grid) : count_(grid.size()) {
        const size_t padded = (count_ + kLane - 1) / kLane * kLane;
        re_.assign(padded, 1.0);
        im_.assign(padded, 0.0);
        // The second-to-last grid point stands for fs/2.
        const double nyquist = grid.size() >= 2 ? grid[grid.size() - 2] : kEqSampleRate / 2.0;
        for (size_t i = 0; i < count_; ++i) {
            const double omega = 2.0 * kPi * grid[i] / (2.0 * nyquist);
            re_[i] = std::cos(omega);
            im_[i] = -std::sin(omega);
        }
    }

    size_t Count() const { return count_; }
    size_t Padded() const { return re_.size(); }
    const double* Re() const { return re_.data(); }
    const double* Im() const { return im_.data(); }

  private:
    size_t count_;
    std::vector<double> re_;
    std::vector<double> im_;
};

class CascadePower {
  public:
    explicit CascadePower(const UnitCircle& points) : points_(points) {}

    void Add(const Biquad& stage, PowerBounds bounds) {
        if (stage.IsIdentity()) {
            return;  // exactly 0 dB everywhere
        }
        stages_.push_back(stage);
        lowSum_ += bounds.low;
        highSum_ += bounds.high;
    }

    void WriteDb(std::span<double> out) const {
        const size_t n = std::min(points_.Count(), out.size());
        if (stages_.empty()) {
            std::fill_n(out.begin(), n, 0.0);
        } else if (lowSum_ >= -kSafeLog10Range && highSum_ <= kSafeLog10Range) {
            WriteDbFromProduct(out.first(n));
        } else {
            WriteDbPerStage(out.first(n));
        }
    }

  private:
    // |H|^2 of one section, Horner's rule in z^-1 for numerator and denominator. T is double
    // or a vector of doubles (with the coefficients broadcast); every lane does exactly the
    // arithmetic of the scalar version.
    template <typename Coefficients, typename T>
    static T SectionPower(const Coefficients& s, T ur, T ui) {
        const T tr = s.b2 * ur + s.b1;
        const T ti = s.b2 * ui;
        const T br = tr * ur - ti * ui + s.b0;
        const T bi = tr * ui + ti * ur;
        const T vr = s.a2 * ur + s.a1;
        const T vi = s.a2 * ui;
        const T ar = vr * ur - vi * ui + 1.0;
        const T ai = vr * ui + vi * ur;
        return (br * br + bi * bi) / (ar * ar + ai * ai);
    }

#if defined(__GNUC__)
    // Two doubles per vector: plain SSE2 on x86-64, no wider instruction set assumed.
    using Vec = double __attribute__((vector_size(2 * sizeof(double))));
    using Mask = int64_t __attribute__((vector_size(2 * sizeof(double))));
    static_assert(kLane == 4);  // two vectors per block

    // A stage's coefficients broadcast to both lanes once per call.
    struct VecBiquad {
        Vec b0, b1, b2, a1, a2;
    };

    static Vec Broadcast(double x) {
        return Vec{x, x};
    }

    // Multiplies a stage's |H|^2 into prod, or counts the point as stop band.
    static void Accumulate(Vec power, Vec& prod, Vec& count) {
        const Vec one = Broadcast(1.0);
        const Mask pass = power > kStopBandPower;  // false for NaN as well
        prod *= reinterpret_cast<Vec>((reinterpret_cast<Mask>(power) & pass) |
                                      (reinterpret_cast<Mask>(one) & ~pass));
        count += reinterpret_cast<Vec>(reinterpret_cast<Mask>(one) & ~pass);
    }

    void WriteDbFromProduct(std::span<double> out) const {
        std::vector<VecBiquad> stages;
        stages.reserve(stages_.size());
        for (const Biquad& s : stages_) {
            stages.push_back({Broadcast(s.b0), Broadcast(s.b1), Broadcast(s.b2), Broadcast(s.a1),
                              Broadcast(s.a2)});
        }
        for (size_t i = 0; i < points_.Padded(); i += kLane) {
            Vec ur0, ui0, ur1, ui1;
            std::memcpy(&ur0, points_.Re() + i, sizeof(Vec));
            std::memcpy(&ui0, points_.Im() + i, sizeof(Vec));
            std::memcpy(&ur1, points_.Re() + i + 2, sizeof(Vec));
            std::memcpy(&ui1, points_.Im() + i + 2, sizeof(Vec));
            Vec prod0 = Broadcast(1.0), prod1 = prod0;
            Vec count0 = Broadcast(0.0), count1 = count0;
            for (const VecBiquad& s : stages) {
                Accumulate(SectionPower(s, ur0, ui0), prod0, count0);
                Accumulate(SectionPower(s, ur1, ui1), prod1, count1);
            }
            double product[kLane];
            double floored[kLane];
            std::memcpy(product, &prod0, sizeof(Vec));
            std::memcpy(product + 2, &prod1, sizeof(Vec));
            std::memcpy(floored, &count0, sizeof(Vec));
            std::memcpy(floored + 2, &count1, sizeof(Vec));
            WriteBlockDb(product, floored, i, out);
        }
    }
#else
    void WriteDbFromProduct(std::span<double> out) const {
        for (size_t i = 0; i < points_.Padded(); i += kLane) {
            double product[kLane];
            double floored[kLane];
            for (size_t l = 0; l < kLane; ++l) {
                product[l] = 1.0;
                floored[l] = 0.0;
                for (const Biquad& s : stages_) {
                    const double power = SectionPower(s, points_.Re()[i + l], points_.Im()[i + l]);
                    const bool pass = power > kStopBandPower;
                    product[l] *= pass ? power : 1.0;
                    floored[l] += pass ? 0.0 : 1.0;
                }
            }
            WriteBlockDb(product, floored, i, out);
        }
    }
#endif

    static void WriteBlockDb(const double* product, const double* floored, size_t first,
                             std::span<double> out) {
        for (size_t l = 0; l < kLane && first + l < out.size(); ++l) {
            out[first + l] = 10.0 * std::log10(product[l]) + kStopBandDb * floored[l];
        }
    }

    void WriteDbPerStage(std::span<double> out) const {
        std::fill(out.begin(), out.end(), 0.0);
        for (const Biquad& s : stages_) {
            for (size_t i = 0; i < out.size(); ++i) {
                const double power = SectionPower(s, points_.Re()[i], points_.Im()[i]);
                out[i] += power > kStopBandPower ? 10.0 * std::log10(power) : kStopBandDb;
            }
        }
    }

    const UnitCircle& points_;
    std::vector<Biquad> stages_;
    double lowSum_ = 0.0;
    double highSum_ = 0.0;
};

void AddCrossover(CascadePower& cascade, PassBand pass, double fc, int order, int type) {
    const bool lowPass = pass == PassBand::kLowPass;
    for (const CrossoverSection& section : DesignCrossoverSections(lowPass, fc, order, type)) {
        if (section.kind != kEmptyStage) {
            cascade.Add(CrossoverStageBiquad(section, lowPass), PowerBounds{});
        }
    }
}

void AddPeaking(CascadePower& cascade, double fs, double f0, double gainDb, double q) {
    const Biquad band = DesignPeaking(fs, f0, gainDb, q);
    cascade.Add(band, PeakingBounds(gainDb));
}

// eqSize comes from the model and may be corrupt; never read past the band row.
size_t BandCount(const ChannelSettings& channel, std::span<const EqBand> bands) {
    return static_cast<size_t>(
        std::clamp<int64_t>(channel.eqSize, 0, static_cast<int64_t>(bands.size())));
}

// total = high-pass + low-pass + every band (gain 0 when disabled or the equaliser is bypassed).
void ChannelTotalDb(const UnitCircle& points, const ChannelSettings& channel,
                    std::span<const EqBand> bands, bool eqBypassed, std::span<double> totalDb) {
    CascadePower cascade(points);
    const FilterSettings& hp = channel.crossover.hp;
    const FilterSettings& lp = channel.crossover.lp;
    if (hp.bypass != 1) {
        AddCrossover(cascade, PassBand::kHighPass, hp.fs, hp.slope, hp.type);
    }
    if (lp.bypass != 1) {
        AddCrossover(cascade, PassBand::kLowPass, lp.fs, lp.slope, lp.type);
    }
    for (size_t i = 0; i < BandCount(channel, bands); ++i) {
        const EqBand& band = bands[i];
        const double gain = (eqBypassed || band.enable != 1) ? 0.0 : band.eqGain;
        AddPeaking(cascade, kEqSampleRate, band.freq, gain, band.eqFactor);
    }
    cascade.WriteDb(totalDb);
}

}  // namespace

void BuildFrequencyGrid(double fs, std::span<double> grid) {
    const size_t n = grid.size();
    if (n == 0) {
        return;
    }
    if (n >= 2) {
        const double step = std::log10(fs / 2.0) / static_cast<double>(n - 1);
        for (size_t i = 1; i < n; ++i) {
            grid[i - 1] = std::pow(10.0, static_cast<double>(i) * step);
        }
    }
    grid[n - 1] = fs;
}

Biquad DesignPeaking(double fs, double f0, double gainDb, double q) {
    // Values from a device report or a file can be anything; a band that cannot be designed is
    // drawn flat rather than poisoning the whole curve with NaN.
    const bool usable = std::isfinite(fs) && fs > 0.0 && std::isfinite(f0) && f0 > 0.0 &&
                        std::isfinite(q) && q > 0.0 && std::isfinite(gainDb);
    if (!usable) {
        return Biquad{};
    }
    const double a = std::pow(10.0, gainDb / 20.0);
    const double w0 = 2.0 * kPi * f0 / fs;
    const double s = std::sin(w0);
    const double c = std::cos(w0);
    const double wl = (std::sqrt(4.0 * q * q + 1.0) - 1.0) * w0 / (2.0 * q);
    double t = std::sin(wl) * s / (2.0 * (std::cos(wl) - c));
    if (a < 1.0) {
        t = t * a;  // makes a cut the exact inverse of the boost of the same size
    }
    const double d = 2.0 * t + s;
    Biquad band;
    band.a1 = -4.0 * t * c / d;
    band.a2 = (2.0 * t - s) / d;
    band.b0 = (2.0 * t + a * s) / d;
    band.b1 = band.a1;
    band.b2 = (2.0 * t - a * s) / d;
    const bool finite = std::isfinite(band.a1) && std::isfinite(band.a2) &&
                        std::isfinite(band.b0) && std::isfinite(band.b2);
    return finite ? band : Biquad{};
}

CrossoverSections DesignCrossoverSections(bool lowPass, double fc, int order, int type) {
    // Unknown type codes would give zero damping (poles on the unit circle, division by zero on
    // the grid); they are drawn as Butterworth, the first entry of the type list.
    if (type < kTypeFixedQ || type > kTypeBessel) {
        type = kTypeButterworth;
    }
    const int n = NormaliseOrder(order, type);
    const double w = ClampCornerW(2.0 * kPi * fc / kEqSampleRate);

    CrossoverSections sections{};
    int remaining = n;
    for (int slot = 0; slot < kCrossoverSlots; ++slot) {
        CrossoverSection& out = sections[static_cast<size_t>(slot)];
        double wi = type == kTypeBessel ? ScaleCorner(w, kBesselNorm[n], lowPass) : w;
        if (remaining == 0) {
            out = {0.0, std::cos(wi), kEmptyStage};
        } else if (remaining == 1) {
            if (type == kTypeBessel) {
                wi = ClampCornerW(ScaleCorner(wi, kBesselFirstOrder[slot], lowPass));
            }
            const double cw = std::cos(wi);
            const double sw = std::sin(wi);
            out = {(cw + sw - 1.0) / (cw - sw - 1.0), cw, kFirstOrderStage};
            remaining = 0;
        } else {
            const double d = SecondOrderDamping(type, n, slot);
            if (type == kTypeBessel) {
                wi = ClampCornerW(ScaleCorner(wi, kBesselFreq[n][slot], lowPass));
            }
            const double sd = std::sin(wi) * d;
            out = {(2.0 - sd) / (2.0 + sd), std::cos(wi), kSecondOrderStage};
            remaining -= 2;
        }
    }
    return sections;
}

Biquad CrossoverStageBiquad(const CrossoverSection& section, bool lowPass) {
    const double k = section.k;
    const double c = section.c;
    if (section.kind == kFirstOrderStage) {
        const double e = lowPass ? (1.0 + k) / 2.0 : (1.0 - k) / 2.0;
        return {e, lowPass ? e : -e, 0.0, k, 0.0};
    }
    if (section.kind == kSecondOrderStage) {
        const double e = (1.0 + k) * (lowPass ? 1.0 - c : 1.0 + c) / 4.0;
        return {e, lowPass ? 2.0 * e : -2.0 * e, e, -(1.0 + k) * c, k};
    }
    return Biquad{};
}

void EvaluateCascadeDb(std::span<const double> b, std::span<const double> a, int order,
                       int sections, std::span<const double> grid, std::span<double> out) {
    const size_t n = std::min(grid.size(), out.size());
    const size_t perSection = order >= 0 ? static_cast<size_t>(order) + 1 : 0;
    const size_t needed = perSection * static_cast<size_t>(std::max(sections, 0));
    if (perSection == 0 || b.size() < needed || a.size() < needed) {
        std::fill_n(out.begin(), n, 0.0);  // nothing to evaluate: no coefficients
        return;
    }
    const double nyquist = grid.size() >= 2 ? grid[grid.size() - 2] : kEqSampleRate / 2.0;
    for (size_t i = 0; i < n; ++i) {
        const double omega = 2.0 * kPi * grid[i] / (2.0 * nyquist);
        const double ur = std::cos(omega);
        const double ui = -std::sin(omega);
        double hr = 1.0;
        double hi = 0.0;
        for (size_t s = 0; s < needed; s += perSection) {
            // Horner's rule from the highest power of z^-1 down; a[0] is taken as 1.
            double br = b[s + perSection - 1];
            double bi = 0.0;
            double ar = perSection > 1 ? a[s + perSection - 1] : 1.0;
            double ai = 0.0;
            for (size_t j = perSection - 1; j-- > 0;) {
                const double nbr = br * ur - bi * ui + b[s + j];
                bi = br * ui + bi * ur;
                br = nbr;
                const double nar = ar * ur - ai * ui + (j == 0 ? 1.0 : a[s + j]);
                ai = ar * ui + ai * ur;
                ar = nar;
            }
            // h *= b / a
            const double den = ar * ar + ai * ai;
            const double qr = (br * ar + bi * ai) / den;
            const double qi = (bi * ar - br * ai) / den;
            const double nhr = hr * qr - hi * qi;
            hi = hr * qi + hi * qr;
            hr = nhr;
        }
        const double power = hr * hr + hi * hi;
        out[i] = power > kStopBandPower ? 10.0 * std::log10(power) : kStopBandDb;
    }
}

void PeakingResponseDb(double fs, double f0, double gainDb, double q, std::span<const double> grid,
                       std::span<double> out) {
    const UnitCircle points(grid);
    CascadePower cascade(points);
    AddPeaking(cascade, fs, f0, gainDb, q);
    cascade.WriteDb(out);
}

void HighPassResponseDb(double /*fs*/, double fc, int order, int type, std::span<const double> grid,
                        std::span<double> out) {
    const UnitCircle points(grid);
    CascadePower cascade(points);
    AddCrossover(cascade, PassBand::kHighPass, fc, order, type);
    cascade.WriteDb(out);
}

void LowPassResponseDb(double /*fs*/, double fc, int order, int type, std::span<const double> grid,
                       std::span<double> out) {
    const UnitCircle points(grid);
    CascadePower cascade(points);
    AddCrossover(cascade, PassBand::kLowPass, fc, order, type);
    cascade.WriteDb(out);
}

bool ComputeChannelResponse(const ChannelSettings& channel, std::span<const EqBand> bands,
                            bool eqBypassed, std::span<double> frequencies,
                            std::span<double> totalDb) {
    const size_t n = std::min(frequencies.size(), totalDb.size());
    if (BandCount(channel, bands) == 0 || n == 0) {
        return false;
    }
    BuildFrequencyGrid(kEqSampleRate, frequencies.first(n));
    const UnitCircle points(frequencies.first(n));
    ChannelTotalDb(points, channel, bands, eqBypassed, totalDb.first(n));
    return true;
}

SceneCurves ComputeSceneCurves(const SceneRecord& scene) {
    SceneCurves curves;
    curves.frequencies.assign(kResponsePoints, 0.0);
    BuildFrequencyGrid(kEqSampleRate, curves.frequencies);
    const UnitCircle points(curves.frequencies);  // shared by all channels of this call
    for (size_t ch = 0; ch < kChannelSlots; ++ch) {
        std::vector<double>& total = curves.totalDb[ch];
        total.assign(kResponsePoints, 0.0);
        const ChannelSettings& channel = scene.channels[ch];
        if (BandCount(channel, scene.eqStore[ch]) > 0) {
            ChannelTotalDb(points, channel, scene.eqStore[ch], channel.bypass != 0, total);
        }
    }
    return curves;
}

}  // namespace korvel
