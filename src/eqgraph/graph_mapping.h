#pragma once
// Coordinate mapping of the equaliser graphs: frequency <-> x on a logarithmic 20 Hz .. 20 kHz
// axis, gain <-> y on a linear dB axis, pointer clamping and the DPI-scaled lengths. Plain
// functions without Qt so the integer rounding rules can be tested on their own.
//
// Every result that becomes a pixel position is limited to +/- kCoordinateLimit before it is
// converted to an integer: a band at 0 Hz or a curve point at -1e300 dB lands far outside the
// graph instead of overflowing the conversion.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace korvel::eqgraph {

inline constexpr double kGraphMinFrequency = 20.0;
inline constexpr double kGraphMaxFrequency = 20000.0;
inline constexpr double kCoordinateLimit = 1.0e6;

struct GraphRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const GraphRect&, const GraphRect&) = default;
};

struct GraphPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const GraphPoint&, const GraphPoint&) = default;
};

// The dB span of a graph: the interactive graph shows +12 .. -18 dB, the calibration graph
// +20 .. -20 dB.
struct GainRange {
    int maxDb = 12;
    int minDb = -18;
};
inline constexpr GainRange kEqualizerGainRange{12, -18};
inline constexpr GainRange kCalibrationGainRange{20, -20};

// top + (height * maxDb) / (maxDb - minDb), integer arithmetic with truncating division.
int ZeroLineY(const GraphRect& rect, GainRange range);

// left + width * (log10 f - log10 20) / (log10 20000 - log10 20), truncated. Frequencies that are
// not positive or not finite map to the left edge.
int FrequencyToX(const GraphRect& rect, double frequency);

// The inverse, rounded to the nearest whole Hz (halves away from zero). A graph without width
// reads 20 Hz.
int XToFrequency(const GraphRect& rect, int x);

// Interactive graph: y0 - round((y0 - top) * g) / maxDb above zero and
// y0 - round((bottom - y0) * g) / -minDb below, the product rounded before the division, the
// result truncated. A gain that is not a number maps to the zero line.
int GainToY(const GraphRect& rect, double zeroY, double gainDb, GainRange range);

// Calibration graph: the same proportions without the intermediate rounding.
int GainToYUnrounded(const GraphRect& rect, double zeroY, double gainDb, GainRange range);

// maxDb * (y - y0) / (top - y0) above the zero line, minDb * (y - y0) / (bottom - y0) below it,
// 0 on it.
double YToGain(const GraphRect& rect, double zeroY, int y, GainRange range);

GraphPoint ClampToRect(const GraphRect& rect, GraphPoint point);

// A layout length of `percentOfBase` pixels at 100 % scaled to `scalePercent`, truncated.
inline int Scaled(int scalePercent, int percentOfBase) {
    return scalePercent * percentOfBase / 100;
}

// Q of the selected band from the horizontal distance between the pointer and the band's handle:
// distance limited to 3 % .. 162 % (scaled), Q = (s * 81 / 100) / distance within 0.5 .. 9.0.
double QFromHandleDistance(int scalePercent, int distance);

// Distance of a Q handle from its band handle: round(81 / Q) * s / 100 with Q limited to
// 0.5 .. 9.0 (a Q that is not a number counts as 9.0).
int QHandleDistance(int scalePercent, double q);

// Colours of a "curvecolor" attribute: "#AARRGGBB #AARRGGBB ...". A leading "#" is skipped, the
// rest is split at " #" and each piece read as hexadecimal ARGB. At most `maxColors` entries are
// kept (later ones are ignored); a piece that is not hexadecimal keeps its slot with `fallback`
// so the colours of the following channels do not shift.
std::vector<std::uint32_t> ParseCurveColors(std::string_view attribute, std::size_t maxColors,
                                            std::uint32_t fallback);

}  // namespace korvel::eqgraph
