#include "eqgraph/widget/graph_painting.h"

#include <QFont>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <array>
#include <cmath>

namespace korvel::eqgraph {

namespace {

constexpr std::array<int, 28> kVerticalGrid = {
    20,  30,  40,  50,   60,   70,   80,   90,   100,  200,  300,  400,  500,   600,
    700, 800, 900, 1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000, 20000};

constexpr std::array<int, 10> kLabelledFrequencies = {20,   50,   100,  200,   500,
                                                      1000, 2000, 5000, 10000, 20000};

QPen GridPen(const QColor& color, int scalePercent, Qt::PenStyle style) {
    QPen pen(color);
    pen.setWidthF(std::max(1.0, scalePercent / 100.0));
    pen.setStyle(style);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

QString FrequencyText(int frequency) {
    if (frequency >= 1000) {
        return QStringLiteral("%1k").arg(frequency / 1000);
    }
    return QString::number(frequency);
}

}  // namespace

std::span<const int> VerticalGridFrequencies() {
    return kVerticalGrid;
}

void PaintGrid(QPainter& painter, const GridLayout& layout) {
    const GraphRect& r = layout.rect;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRect(r.left, r.top, r.Width(), r.Height()), layout.background);

    const QPen solid = GridPen(layout.grid, layout.scalePercent, Qt::SolidLine);
    const QPen dotted = GridPen(layout.grid, layout.scalePercent, Qt::DotLine);
    painter.setPen(solid);
    painter.drawLine(r.left, layout.zeroY, r.right, layout.zeroY);
    for (const int frequency : kVerticalGrid) {
        if (frequency == kVerticalGrid.back()) {
            continue;
        }
        const int x = FrequencyToX(r, frequency);
        painter.drawLine(x, r.top, x, r.bottom);
    }
    painter.setPen(dotted);
    for (const int y : layout.gainLineYs) {
        painter.drawLine(r.left, y, r.right, y);
    }
    // The border last so the lines that touch it do not paint over its edge.
    painter.setPen(solid);
    painter.setBrush(Qt::NoBrush);
    const int inset = std::max(1, layout.scalePercent / 100);
    painter.drawRect(QRect(r.left, r.top, r.Width() - inset, r.Height() - inset));
    painter.restore();
}

std::vector<AxisLabel> FrequencyAxisLabels(const GraphRect& rect) {
    std::vector<AxisLabel> labels;
    for (const int frequency : kLabelledFrequencies) {
        labels.push_back({FrequencyToX(rect, frequency), FrequencyText(frequency)});
    }
    return labels;
}

void PaintAxisLabels(QPainter& painter, const GraphRect& rect, int scalePercent,
                     std::span<const AxisLabel> frequencyLabels,
                     std::span<const AxisLabel> gainLabels) {
    painter.save();
    QFont font = painter.font();
    font.setPixelSize(std::max(6, Scaled(scalePercent, 10)));
    painter.setFont(font);
    painter.setPen(QColor::fromRgba(kAxisLabelColor));
    const int pad = std::max(1, Scaled(scalePercent, 3));
    const int height = Scaled(scalePercent, 12);
    const int width = Scaled(scalePercent, 40);
    for (const AxisLabel& label : frequencyLabels) {
        // Centred under the line, kept inside the graph at both ends.
        int left = label.position - width / 2;
        left =
            std::clamp(left, rect.left + pad, std::max(rect.left + pad, rect.right - pad - width));
        Qt::Alignment align = Qt::AlignHCenter;
        if (left == rect.left + pad) {
            align = Qt::AlignLeft;
        } else if (left + width == rect.right - pad) {
            align = Qt::AlignRight;
        }
        painter.drawText(QRect(left, rect.bottom - pad - height, width, height),
                         align | Qt::AlignBottom, label.text);
    }
    for (const AxisLabel& label : gainLabels) {
        painter.drawText(QRect(rect.left + pad, label.position - height, width, height),
                         Qt::AlignLeft | Qt::AlignBottom, label.text);
    }
    painter.restore();
}

std::vector<GraphPoint> SelectCurvePoints(std::span<const double> frequencies,
                                          std::span<const double> gainsDb, const GraphRect& rect,
                                          const std::function<int(double)>& toY) {
    std::vector<GraphPoint> points;
    const std::size_t count = std::min(frequencies.size(), gainsDb.size());
    points.reserve(count);
    for (std::size_t i = count; i-- > 0;) {
        const double frequency = frequencies[i];
        const double gain = gainsDb[i];
        if (!(frequency >= kCurveMinFrequency && frequency <= kCurveMaxFrequency) ||
            !std::isfinite(gain)) {
            continue;
        }
        points.push_back({FrequencyToX(rect, frequency), toY(gain)});
    }
    return points;
}

std::vector<QPointF> SmoothCurvePoints(std::span<const GraphPoint> points, int left) {
    std::vector<QPointF> smoothed;
    smoothed.reserve(points.size());
    double px = 0.0;
    double py = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i == 0) {
            px = points[i].x;
            py = points[i].y;
        } else if (points[i].x >= left) {
            px = (points[i].x + px) / 2.0;
            py = (points[i].y + py) / 2.0;
        }
        smoothed.emplace_back(std::round(px), std::round(py));
    }
    return smoothed;
}

std::vector<QPointF> ToPointsF(std::span<const GraphPoint> points) {
    std::vector<QPointF> result;
    result.reserve(points.size());
    for (const GraphPoint& p : points) {
        result.emplace_back(p.x, p.y);
    }
    return result;
}

QPainterPath BezierPath(std::span<const QPointF> points) {
    QPainterPath path;
    if (points.empty()) {
        return path;
    }
    path.moveTo(points[0]);
    std::size_t i = 1;
    for (; i + 2 < points.size(); i += 3) {
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    }
    for (; i < points.size(); ++i) {
        path.lineTo(points[i]);
    }
    return path;
}

QPainterPath CardinalSplinePath(std::span<const QPointF> points, double tension) {
    QPainterPath path;
    if (points.empty()) {
        return path;
    }
    path.moveTo(points[0]);
    const double t = tension / 3.0;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const QPointF& p0 = points[i == 0 ? 0 : i - 1];
        const QPointF& p1 = points[i];
        const QPointF& p2 = points[i + 1];
        const QPointF& p3 = points[i + 2 < points.size() ? i + 2 : i + 1];
        path.cubicTo(p1 + (p2 - p0) * t, p2 - (p3 - p1) * t, p2);
    }
    return path;
}

}  // namespace korvel::eqgraph
