#pragma once
// Responses of calibration equalisers and targets: the sum of a list of peaking bands at the
// device's 48 kHz rate, on the graph's 512-point grid or at any list of frequencies (the 121
// points of a measured spectrum).

#include <span>

#include "model/scene_record.h"

namespace korvel {

// Sum of the peaking responses of `bands` on the graph grid; writes the grid into `frequencies`
// and the sum into `totalDb` (min of both sizes). Disabled bands count as flat.
void BandsResponseOnGrid(std::span<const EqBand> bands, std::span<double> frequencies,
                         std::span<double> totalDb);

// The same sum at the given frequencies (each above 0 and below 24 kHz to be meaningful).
void BandsResponseAt(std::span<const EqBand> bands, std::span<const double> frequencies,
                     std::span<double> totalDb);

}  // namespace korvel
