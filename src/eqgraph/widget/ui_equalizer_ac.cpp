#include "eqgraph/widget/ui_equalizer_ac.h"

#include <QPainter>
#include <QPen>
#include <algorithm>

#include "eqgraph/widget/graph_painting.h"

namespace korvel {

namespace {

constexpr std::array<QRgb, UIEqualizerAc::kSlots> kShortColors = {
    0xFFEF0000, 0xFFEF7030, 0xFFEFEF27, 0xFFA7EF3A, 0xFF009E9E, 0xFF0000D3, 0xFF7600EF, 0xFFE00068};
constexpr std::array<QRgb, UIEqualizerAc::kSlots> kDashedColors = {
    0xFFFF0000, 0xFFFF8040, 0xFFFFFF37, 0xFFB7FF4A, 0xFF00AEAE, 0xFF0000E3, 0xFF8600FF, 0xFFF00078};
constexpr std::array<int, 6> kGainLines = {-15, -10, -5, 5, 10, 15};
constexpr int kCurveWidth = 2;

QPen CurvePen(QRgb color, Qt::PenStyle style) {
    QPen pen(QColor::fromRgba(color));
    pen.setWidth(kCurveWidth);
    pen.setStyle(style);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

}  // namespace

UIEqualizerAc::UIEqualizerAc(QWidget* parent)
    : QWidget(parent), background_(QColor::fromRgba(eqgraph::kDefaultBackground)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

UIEqualizerAc::~UIEqualizerAc() = default;

template <std::size_t N>
void UIEqualizerAc::Store(Family<N>& family, std::span<const std::array<double, N>> frequencies,
                          std::span<const std::array<double, N>> gainsDb, int count,
                          std::span<const int> show) {
    family = Family<N>{};
    const std::size_t limit = std::min({static_cast<std::size_t>(std::clamp(count, 0, kSlots)),
                                        frequencies.size(), gainsDb.size()});
    for (std::size_t i = 0; i < limit; ++i) {
        family.frequencies[i] = frequencies[i];
        family.gainsDb[i] = gainsDb[i];
        family.show[i] = i < show.size() && show[i] != 0;
    }
    family.count = static_cast<int>(limit);
}

void UIEqualizerAc::SetShortCurves(std::span<const ShortCurve> frequencies,
                                   std::span<const ShortCurve> gainsDb, int count, int /*reserved*/,
                                   std::span<const int> show) {
    Store(short_, frequencies, gainsDb, count, show);
    update();
}

void UIEqualizerAc::SetDashedCurves(std::span<const LongCurve> frequencies,
                                    std::span<const LongCurve> gainsDb, int count, int /*reserved*/,
                                    std::span<const int> show) {
    Store(dashed_, frequencies, gainsDb, count, show);
    update();
}

void UIEqualizerAc::SetSolidCurves(std::span<const LongCurve> frequencies,
                                   std::span<const LongCurve> gainsDb, int count, int /*reserved*/,
                                   std::span<const int> show) {
    Store(solid_, frequencies, gainsDb, count, show);
    update();
}

void UIEqualizerAc::SetPredictedCurves(std::span<const ShortCurve> frequencies,
                                       std::span<const ShortCurve> gainsDb, int count,
                                       int /*reserved*/, std::span<const int> show) {
    Store(predicted_, frequencies, gainsDb, count, show);
    update();
}

void UIEqualizerAc::SetSolidCurveColor(const QColor& color) {
    solidColor_ = color;
    update();
}

QColor UIEqualizerAc::ShortCurveColor(int slot) {
    return QColor::fromRgba(kShortColors[static_cast<size_t>(std::clamp(slot, 0, kSlots - 1))]);
}

void UIEqualizerAc::SetScalePercent(int percent) {
    scale_ = std::clamp(percent, 25, 800);
    update();
}

void UIEqualizerAc::SetBackgroundColor(const QColor& color) {
    background_ = color;
    update();
}

void UIEqualizerAc::SetShowAxisLabels(bool show) {
    showAxisLabels_ = show;
    update();
}

void UIEqualizerAc::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    Paint(painter);
}

void UIEqualizerAc::focusInEvent(QFocusEvent* event) {
    hasFocus_ = true;
    QWidget::focusInEvent(event);
}

void UIEqualizerAc::focusOutEvent(QFocusEvent* event) {
    hasFocus_ = false;
    QWidget::focusOutEvent(event);
}

void UIEqualizerAc::Paint(QPainter& painter) {
    const eqgraph::GraphRect rect = GraphRect();
    const int zeroY = eqgraph::ZeroLineY(rect, eqgraph::kCalibrationGainRange);
    const auto toY = [&](double gain) {
        return eqgraph::GainToYUnrounded(rect, zeroY, gain, eqgraph::kCalibrationGainRange);
    };

    eqgraph::PaintGrid(painter,
                       eqgraph::GridFor(rect, scale_, zeroY, background_, kGainLines, toY));
    if (showAxisLabels_) {
        std::vector<eqgraph::AxisLabel> gains;
        for (const int gain : kGainLines) {
            gains.push_back({toY(gain), QStringLiteral("%1%2").arg(gain > 0 ? "+" : "").arg(gain)});
        }
        gains.push_back({zeroY, QStringLiteral("0 dB")});
        eqgraph::PaintAxisLabels(painter, rect, scale_, eqgraph::FrequencyAxisLabels(rect), gains);
    }

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    for (int i = 0; i < short_.count; ++i) {
        if (!short_.show[i]) {
            continue;
        }
        const auto points =
            eqgraph::SelectCurvePoints(short_.frequencies[i], short_.gainsDb[i], rect, toY);
        painter.setPen(CurvePen(kShortColors[i], Qt::SolidLine));
        painter.drawPath(eqgraph::CardinalSplinePath(eqgraph::ToPointsF(points)));
    }
    for (int i = 0; i < dashed_.count; ++i) {
        if (!dashed_.show[i]) {
            continue;
        }
        const auto points =
            eqgraph::SelectCurvePoints(dashed_.frequencies[i], dashed_.gainsDb[i], rect, toY);
        painter.setPen(CurvePen(kDashedColors[i], Qt::DashLine));
        painter.drawPath(eqgraph::BezierPath(eqgraph::SmoothCurvePoints(points, rect.left)));
    }
    // The solid family has no colour table of its own: one colour when set, else the measured
    // curves' colours.
    for (int i = 0; i < solid_.count; ++i) {
        if (!solid_.show[i]) {
            continue;
        }
        const auto points =
            eqgraph::SelectCurvePoints(solid_.frequencies[i], solid_.gainsDb[i], rect, toY);
        painter.setPen(
            CurvePen(solidColor_.isValid() ? solidColor_.rgba() : kShortColors[i], Qt::SolidLine));
        painter.drawPath(
            eqgraph::CardinalSplinePath(eqgraph::SmoothCurvePoints(points, rect.left)));
    }
    for (int i = 0; i < predicted_.count; ++i) {
        if (!predicted_.show[i]) {
            continue;
        }
        const auto points =
            eqgraph::SelectCurvePoints(predicted_.frequencies[i], predicted_.gainsDb[i], rect, toY);
        painter.setPen(CurvePen(kShortColors[i], Qt::DotLine));
        painter.drawPath(eqgraph::CardinalSplinePath(eqgraph::ToPointsF(points)));
    }
    painter.restore();
}

}  // namespace korvel
