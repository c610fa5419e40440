#pragma once
// Drawing pieces shared by the interactive equaliser graph and the calibration graph: grid,
// axis labels, curve point selection, smoothing and the Bezier / cardinal spline paths.

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <functional>
#include <span>
#include <vector>

#include "eqgraph/graph_mapping.h"

class QPainter;

namespace korvel::eqgraph {

// Curve points outside this band are not drawn (the graph shows 20 Hz .. 20 kHz; the small
// margin lets the curve run into the edges).
inline constexpr double kCurveMinFrequency = 10.0;
inline constexpr double kCurveMaxFrequency = 20100.0;

inline constexpr QRgb kGridColor = 0xFF444444;
inline constexpr QRgb kDefaultBackground = 0xFF1B1D21;
inline constexpr QRgb kAxisLabelColor = 0xFF8C919A;

// Vertical grid lines: 20..90 Hz in tens, 100..1000 in hundreds, 2000..10000 in thousands, and
// 20000 Hz (which falls on the right border and is not drawn as a line).
std::span<const int> VerticalGridFrequencies();

struct GridLayout {
    GraphRect rect;
    int scalePercent = 100;
    int zeroY = 0;
    std::vector<int> gainLineYs;  // dotted lines
    QColor background{kDefaultBackground};
    QColor grid{kGridColor};
};

// The grid of a graph with a dotted line at each of `gains`, placed by `yOf(gain)`.
template <typename YOf>
GridLayout GridFor(GraphRect rect, int scalePercent, int zeroY, QColor background,
                   std::span<const int> gains, YOf yOf) {
    GridLayout grid;
    grid.rect = rect;
    grid.scalePercent = scalePercent;
    grid.zeroY = zeroY;
    grid.background = background;
    for (const int gain : gains) {
        grid.gainLineYs.push_back(static_cast<int>(yOf(gain)));
    }
    return grid;
}

// Background, border, zero line, dotted gain lines and the vertical frequency lines.
void PaintGrid(QPainter& painter, const GridLayout& layout);

struct AxisLabel {
    int position = 0;  // x for frequencies, y for gains
    QString text;
};

// Frequency labels along the bottom and dB labels along the left edge, inside the graph, in a
// muted colour so that they never compete with curves and handles.
void PaintAxisLabels(QPainter& painter, const GraphRect& rect, int scalePercent,
                     std::span<const AxisLabel> frequencyLabels,
                     std::span<const AxisLabel> gainLabels);

std::vector<AxisLabel> FrequencyAxisLabels(const GraphRect& rect);

// The points of one curve that are drawn: walked from the last to the first, kept when the
// frequency lies in [10, 20100] Hz and both values are finite, mapped through `toY`.
std::vector<GraphPoint> SelectCurvePoints(std::span<const double> frequencies,
                                          std::span<const double> gainsDb, const GraphRect& rect,
                                          const std::function<int(double)>& toY);

// Running average with the previous smoothed point; points left of the graph's left edge repeat
// the previous smoothed point. Results are rounded to whole pixels.
std::vector<QPointF> SmoothCurvePoints(std::span<const GraphPoint> points, int left);
std::vector<QPointF> ToPointsF(std::span<const GraphPoint> points);

// Connected cubic Bezier segments in the usual "start, then control, control, end" layout;
// points that do not fill a whole segment at the end are joined by straight lines.
QPainterPath BezierPath(std::span<const QPointF> points);

// Cardinal spline through every point (tension 0.5).
QPainterPath CardinalSplinePath(std::span<const QPointF> points, double tension = 0.5);

}  // namespace korvel::eqgraph
