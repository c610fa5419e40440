#include "eqgraph/calibration_curves.h"

#include <algorithm>
#include <vector>

#include "eqgraph/eq_math.h"

namespace korvel {
namespace {

// Adds every enabled band's response on `grid` (whose second-last point stands for fs/2).
void SumBands(std::span<const EqBand> bands, std::span<const double> grid, std::span<double> out) {
    std::fill(out.begin(), out.end(), 0.0);
    std::vector<double> band(out.size());
    for (const EqBand& b : bands) {
        if (b.enable == 0 || b.eqGain == 0.0f) {
            continue;
        }
        PeakingResponseDb(kEqSampleRate, b.freq, b.eqGain, b.eqFactor, grid, band);
        for (size_t i = 0; i < out.size(); ++i) {
            out[i] += band[i];
        }
    }
}

}  // namespace

void BandsResponseOnGrid(std::span<const EqBand> bands, std::span<double> frequencies,
                         std::span<double> totalDb) {
    const size_t n = std::min(frequencies.size(), totalDb.size());
    BuildFrequencyGrid(kEqSampleRate, frequencies.first(n));
    SumBands(bands, frequencies.first(n), totalDb.first(n));
}

void BandsResponseAt(std::span<const EqBand> bands, std::span<const double> frequencies,
                     std::span<double> totalDb) {
    const size_t n = std::min(frequencies.size(), totalDb.size());
    // The evaluation maps the grid's second-last point to fs/2: append fs/2 and fs.
    std::vector<double> grid(frequencies.begin(), frequencies.begin() + static_cast<long>(n));
    grid.push_back(kEqSampleRate / 2.0);
    grid.push_back(kEqSampleRate);
    std::vector<double> sum(grid.size());
    SumBands(bands, grid, sum);
    std::copy_n(sum.begin(), n, totalDb.begin());
}

}  // namespace korvel
