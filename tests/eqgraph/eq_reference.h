#pragma once
// A deliberately plain second implementation of the response curves, written directly from the
// formulas: one sine and cosine per point per section, complex arithmetic, one logarithm per
// section. The production code is compared against it.

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "model/scene_record.h"

namespace korvel::reference {

struct Section {
    double b[3];
    double a[3];
};

inline std::vector<double> Grid(int n = 512, double fs = 48000.0) {
    std::vector<double> g(static_cast<size_t>(n));
    const double step = std::log10(fs / 2.0) / (n - 1);
    for (int i = 1; i < n; ++i) {
        g[static_cast<size_t>(i - 1)] = std::pow(10.0, i * step);
    }
    g.back() = fs;
    return g;
}

inline Section Peaking(double fs, double f0, double gainDb, double q) {
    const double pi = std::numbers::pi;
    const double a = std::pow(10.0, gainDb / 20.0);
    const double w0 = 2 * pi * f0 / fs;
    const double s = std::sin(w0), c = std::cos(w0);
    const double wl = (std::sqrt(4 * q * q + 1) - 1) * w0 / (2 * q);
    double t = std::sin(wl) * s / (2 * (std::cos(wl) - c));
    if (a < 1)
        t *= a;
    const double d = 2 * t + s;
    const double a1 = -4 * t * c / d;
    return {{(2 * t + a * s) / d, a1, (2 * t - a * s) / d}, {1.0, a1, (2 * t - s) / d}};
}

// Stages of a crossover filter as biquads (empty slots left out).
inline std::vector<Section> Crossover(bool lowPass, double fc, int n, int type) {
    static const double lr[5][4] = {{0, 0, 0, 0},
                                    {2.0, 0, 0, 0},
                                    {1.414213562, 1.414213562, 0, 0},
                                    {2.0, 1.0, 1.0, 0},
                                    {1.847759065, 0.7653668647, 1.847759065, 0.7653668647}};
    static const double bn[9] = {0,
                                 1,
                                 0.5773502692,
                                 0.4030076571,
                                 0.3086066999,
                                 0.2496411504,
                                 0.2093977333,
                                 0.1802208568,
                                 0.1581178777};
    static const double bd[9][4] = {{0},
                                    {0},
                                    {1.732050808},
                                    {1.44708036},
                                    {1.915948924, 1.24140593},
                                    {1.77451072, 1.091134411},
                                    {1.959563142, 1.636140252, 0.9772172032},
                                    {1.878443311, 1.513268209, 0.8878963849},
                                    {1.976319466, 1.786961442, 1.406762442, 0.8158806765}};
    static const double bw[9][4] = {{0},
                                    {0},
                                    {1.732050808},
                                    {2.541541401},
                                    {3.023264939, 3.389365793},
                                    {3.777893661, 4.261022801},
                                    {4.336027051, 4.566489152, 5.149177152},
                                    {5.06620615, 5.379270034, 6.04952768},
                                    {5.654840869, 5.825353215, 6.210414904, 6.959311651}};
    static const double creal[4] = {1.0, 2.322185355, 3.646738595, 4.971786859};
    const double pi = std::numbers::pi;
    const double lo = 3.272492347489368e-7, hi = 2.8797932657906435;
    auto clampW = [&](double w) { return std::clamp(w, lo, hi); };
    auto scale = [&](double w, double f) { return lowPass ? w * f : w / f; };

    if (type == 0)
        n = 2;
    if (type == 2 && n % 2 != 0)
        n += 1;
    n = std::clamp(n, 1, 8);
    const double w = clampW(2 * pi * fc / 48000.0);
    std::vector<Section> out;
    int remaining = n;
    for (int i = 0; i < 4 && remaining > 0; ++i) {
        double wi = type == 3 ? scale(w, bn[n]) : w;
        if (remaining == 1) {
            if (type == 3)
                wi = clampW(scale(wi, creal[i]));
            const double k = (std::cos(wi) + std::sin(wi) - 1) / (std::cos(wi) - std::sin(wi) - 1);
            const double e = lowPass ? (1 + k) / 2 : (1 - k) / 2;
            out.push_back({{e, lowPass ? e : -e, 0}, {1, k, 0}});
            remaining = 0;
        } else {
            double d = 0;
            if (type == 0)
                d = 1.0;
            if (type == 1)
                d = 2 * std::sin(((n / 2 - 1 - i) * 2 + 1) * pi / (2 * n));
            if (type == 2)
                d = lr[n / 2][i];
            if (type == 3) {
                d = bd[n][i];
                wi = clampW(scale(wi, bw[n][i]));
            }
            const double k = (2 - std::sin(wi) * d) / (2 + std::sin(wi) * d);
            const double c = std::cos(wi);
            const double e = (1 + k) * (lowPass ? 1 - c : 1 + c) / 4;
            out.push_back({{e, lowPass ? 2 * e : -2 * e, e}, {1, -(1 + k) * c, k}});
            remaining -= 2;
        }
    }
    return out;
}

// dB of one section at every grid point, with the -400 dB floor.
inline std::vector<double> SectionDb(const Section& s, const std::vector<double>& grid) {
    const double pi = std::numbers::pi;
    const double nyquist = grid[grid.size() - 2];
    std::vector<double> db(grid.size());
    for (size_t i = 0; i < grid.size(); ++i) {
        const double omega = 2 * pi * grid[i] / (2 * nyquist);
        const std::complex<double> z(std::cos(omega), -std::sin(omega));
        const std::complex<double> num = (s.b[2] * z + s.b[1]) * z + s.b[0];
        const std::complex<double> den = (s.a[2] * z + s.a[1]) * z + 1.0;
        const double p = std::norm(num / den);
        db[i] = p <= 1e-8 ? -400.0 : 10 * std::log10(p);
    }
    return db;
}

inline void AddTo(std::vector<double>& total, const std::vector<double>& part) {
    for (size_t i = 0; i < total.size(); ++i)
        total[i] += part[i];
}

inline std::vector<double> FilterDb(bool lowPass, double fc, int n, int type,
                                    const std::vector<double>& grid) {
    std::vector<double> total(grid.size(), 0.0);
    for (const Section& s : Crossover(lowPass, fc, n, type))
        AddTo(total, SectionDb(s, grid));
    return total;
}

inline std::vector<double> ChannelDb(const ChannelSettings& ch, const EqBand* bands,
                                     bool eqBypassed, const std::vector<double>& grid) {
    std::vector<double> total(grid.size(), 0.0);
    if (ch.crossover.hp.bypass != 1) {
        const FilterSettings& f = ch.crossover.hp;
        AddTo(total, FilterDb(false, f.fs, f.slope, f.type, grid));
    }
    if (ch.crossover.lp.bypass != 1) {
        const FilterSettings& f = ch.crossover.lp;
        AddTo(total, FilterDb(true, f.fs, f.slope, f.type, grid));
    }
    for (int i = 0; i < ch.eqSize; ++i) {
        const EqBand& b = bands[i];
        const double gain = (eqBypassed || b.enable != 1) ? 0.0 : b.eqGain;
        AddTo(total, SectionDb(Peaking(48000.0, b.freq, gain, b.eqFactor), grid));
    }
    return total;
}

}  // namespace korvel::reference
