#include "uiframework/busy_indicator.h"

#include <QPainter>
#include <QtMath>

namespace korvel::ui {

namespace {
constexpr int kDots = 12;
constexpr int kStepMs = 80;
}  // namespace

BusyIndicator::BusyIndicator(QWidget* parent) : QWidget(parent) {
    timer_.setInterval(kStepMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        phase_ = (phase_ + 1) % kDots;
        update();
    });
    setAttribute(Qt::WA_TranslucentBackground);
}

void BusyIndicator::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    timer_.start();
}

void BusyIndicator::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_.stop();
}

void BusyIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = qMin(width(), height());
    const QPointF centre(width() / 2.0, height() / 2.0);
    const qreal orbit = side * 0.38;
    const qreal dot = side * 0.075;
    const QColor accent = palette().color(QPalette::Highlight);
    for (int i = 0; i < kDots; ++i) {
        // The dot at the current phase is brightest; the trail behind it fades out.
        const int age = (phase_ - i + kDots) % kDots;
        QColor colour = accent;
        colour.setAlphaF(1.0 - 0.8 * age / kDots);
        const qreal angle = 2.0 * M_PI * i / kDots - M_PI / 2.0;
        const QPointF position = centre + QPointF(qCos(angle), qSin(angle)) * orbit;
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(position, dot * (1.0 - 0.4 * age / kDots),
                            dot * (1.0 - 0.4 * age / kDots));
    }
}

}  // namespace korvel::ui
