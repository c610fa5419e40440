#include "eqgraph/graph_mapping.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace korvel::eqgraph {

namespace {

constexpr double kMinQ = 0.5;
constexpr double kMaxQ = 9.0;

const double kLogMin = std::log10(kGraphMinFrequency);
const double kLogSpan = std::log10(kGraphMaxFrequency) - std::log10(kGraphMinFrequency);

int ToPixel(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<int>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

std::optional<std::uint32_t> ParseHexColor(std::string_view piece) {
    if (piece.empty() || piece.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value, 16);
    if (error != std::errc{} || end != piece.data() + piece.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

int ZeroLineY(const GraphRect& rect, GainRange range) {
    const int span = range.maxDb - range.minDb;
    if (span == 0) {
        return rect.top;
    }
    return rect.top + (rect.Height() * range.maxDb) / span;
}

int FrequencyToX(const GraphRect& rect, double frequency) {
    if (!(frequency > 0.0) || !std::isfinite(frequency)) {
        return rect.left;
    }
    const double fraction = (std::log10(frequency) - kLogMin) / kLogSpan;
    return ToPixel(rect.left + rect.Width() * fraction);
}

int XToFrequency(const GraphRect& rect, int x) {
    if (rect.Width() == 0) {
        return static_cast<int>(kGraphMinFrequency);
    }
    const double exponent = kLogMin + (x - rect.left) * kLogSpan / rect.Width();
    // Keep the power finite for positions far outside the graph.
    return static_cast<int>(std::round(std::pow(10.0, std::clamp(exponent, -3.0, 9.0))));
}

int GainToY(const GraphRect& rect, double zeroY, double gainDb, GainRange range) {
    if (std::isnan(gainDb)) {
        return ToPixel(zeroY);
    }
    // Clamp first so the product stays finite for -inf or absurd stop-band values.
    const double gain = std::clamp(gainDb, -kCoordinateLimit, kCoordinateLimit);
    if (gain > 0.0) {
        return ToPixel(zeroY - std::round((zeroY - rect.top) * gain) / range.maxDb);
    }
    if (gain < 0.0) {
        return ToPixel(zeroY - std::round((rect.bottom - zeroY) * gain) / -range.minDb);
    }
    return ToPixel(zeroY);
}

int GainToYUnrounded(const GraphRect& rect, double zeroY, double gainDb, GainRange range) {
    if (std::isnan(gainDb)) {
        return ToPixel(zeroY);
    }
    const double gain = std::clamp(gainDb, -kCoordinateLimit, kCoordinateLimit);
    if (gain > 0.0) {
        return ToPixel(zeroY - (zeroY - rect.top) * gain / range.maxDb);
    }
    if (gain < 0.0) {
        return ToPixel(zeroY + (rect.bottom - zeroY) * gain / range.minDb);
    }
    return ToPixel(zeroY);
}

double YToGain(const GraphRect& rect, double zeroY, int y, GainRange range) {
    if (y < zeroY && rect.top != zeroY) {
        return range.maxDb * (y - zeroY) / (rect.top - zeroY);
    }
    if (y > zeroY && rect.bottom != zeroY) {
        return range.minDb * (y - zeroY) / (rect.bottom - zeroY);
    }
    return 0.0;
}

GraphPoint ClampToRect(const GraphRect& rect, GraphPoint point) {
    return {std::clamp(point.x, rect.left, std::max(rect.left, rect.right)),
            std::clamp(point.y, rect.top, std::max(rect.top, rect.bottom))};
}

double QFromHandleDistance(int scalePercent, int distance) {
    const int nearest = std::max(1, Scaled(scalePercent, 3));
    const int farthest = std::max(nearest, Scaled(scalePercent, 162));
    const int d = std::clamp(distance < 0 ? -distance : distance, nearest, farthest);
    const double q = static_cast<double>(scalePercent * 81 / 100) / d;
    return std::clamp(q, kMinQ, kMaxQ);
}

int QHandleDistance(int scalePercent, double q) {
    const double limited = std::isnan(q) ? kMaxQ : std::clamp(q, kMinQ, kMaxQ);
    return static_cast<int>(std::lround(81.0 / limited)) * scalePercent / 100;
}

std::vector<std::uint32_t> ParseCurveColors(std::string_view attribute, std::size_t maxColors,
                                            std::uint32_t fallback) {
    std::vector<std::uint32_t> colors;
    if (!attribute.empty() && attribute.front() == '#') {
        attribute.remove_prefix(1);
    }
    while (!attribute.empty() && colors.size() < maxColors) {
        const std::size_t separator = attribute.find(" #");
        const std::string_view piece = attribute.substr(0, separator);
        colors.push_back(ParseHexColor(piece).value_or(fallback));
        if (separator == std::string_view::npos) {
            break;
        }
        attribute.remove_prefix(separator + 2);
    }
    return colors;
}

}  // namespace korvel::eqgraph
