#include "windows/main_wnd_speaker_map.h"

#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include "uiframework/controls.h"

namespace korvel {

namespace {

// Where each role's marker sits: a group centre in the car body (0..1 across, 0..1 front to
// back) and the marker's offset in the group, in marker pitches.
struct MarkerPlace {
    double x;
    double y;
    double dx;
    double dy;
};

constexpr double kFrontY = 0.33;
constexpr double kRearY = 0.72;
constexpr double kLeftX = 0.2;
constexpr double kRightX = 0.8;

// Roles 1..24 in order: front left 1..6 and front right 7..12 (tweeter, midrange, woofer in the
// outer column, the combined bands in the inner one), rear left 13..15 and rear right 16..18
// (tweeter, woofer, full), centre 19..21 on the dashboard, subwoofers 22..24 in the boot.
constexpr std::array<MarkerPlace, SpeakerMapUI::kMarkers> kPlaces = {{
    {kLeftX, kFrontY, -0.5, -1},
    {kLeftX, kFrontY, -0.5, 0},
    {kLeftX, kFrontY, -0.5, 1},
    {kLeftX, kFrontY, 0.5, -1},
    {kLeftX, kFrontY, 0.5, 0},
    {kLeftX, kFrontY, 0.5, 1},
    {kRightX, kFrontY, 0.5, -1},
    {kRightX, kFrontY, 0.5, 0},
    {kRightX, kFrontY, 0.5, 1},
    {kRightX, kFrontY, -0.5, -1},
    {kRightX, kFrontY, -0.5, 0},
    {kRightX, kFrontY, -0.5, 1},
    {kLeftX, kRearY, 0, -1},
    {kLeftX, kRearY, 0, 0},
    {kLeftX, kRearY, 0, 1},
    {kRightX, kRearY, 0, -1},
    {kRightX, kRearY, 0, 0},
    {kRightX, kRearY, 0, 1},
    {0.5, 0.17, -1, 0},
    {0.5, 0.17, 0, 0},
    {0.5, 0.17, 1, 0},
    {0.5, 0.9, -1, 0},
    {0.5, 0.9, 1, 0},
    {0.5, 0.9, 0, 0},
}};

}  // namespace

SpeakerMapUI::SpeakerMapUI(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_StyledBackground, false);
    for (int role = 1; role <= kMarkers; ++role) {
        auto* marker = new QPushButton(this);
        marker->setObjectName(QStringLiteral("speaker_%1").arg(role));
        marker->setProperty("skin", QStringLiteral("speaker"));
        marker->setCheckable(true);
        marker->setFocusPolicy(Qt::NoFocus);
        marker->setCursor(Qt::PointingHandCursor);
        ui::SetControlUserData(marker, QString::number(role));
        ui::WireButton(marker);
        marker->hide();
        markers_[static_cast<size_t>(role - 1)] = marker;
    }
}

QPushButton* SpeakerMapUI::Marker(int role) const {
    if (role < 1 || role > kMarkers) {
        return nullptr;
    }
    return markers_[static_cast<size_t>(role - 1)];
}

QRectF SpeakerMapUI::CarBody() const {
    const double height = this->height() - 8.0;
    const double width = std::min(this->width() - 8.0, height * 0.62);
    return {(this->width() - width) / 2.0, 4.0, width, height};
}

void SpeakerMapUI::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceMarkers();
}

void SpeakerMapUI::PlaceMarkers() {
    const QRectF body = CarBody();
    const int size = std::max(6, static_cast<int>(body.width() / 8.0));
    const double pitch = size * 1.35;
    for (size_t i = 0; i < markers_.size(); ++i) {
        const MarkerPlace& place = kPlaces[i];
        const double cx = body.left() + body.width() * place.x + place.dx * pitch;
        const double cy = body.top() + body.height() * place.y + place.dy * pitch;
        markers_[i]->setGeometry(static_cast<int>(cx - size / 2.0),
                                 static_cast<int>(cy - size / 2.0), size, size);
    }
}

void SpeakerMapUI::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(0x1b, 0x1e, 0x23));
    painter.setPen(QPen(QColor(0x2b, 0x30, 0x38), 1));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);

    const QRectF body = CarBody();
    const double w = body.width();
    const double h = body.height();
    painter.setPen(QPen(QColor(0x4a, 0x52, 0x60), 1.5));
    painter.setBrush(QColor(0x23, 0x28, 0x2f));
    painter.drawRoundedRect(body, w * 0.3, w * 0.3);

    // Cabin glass: windscreen, rear window and the roof between them.
    QPainterPath cabin;
    const double inset = w * 0.14;
    cabin.moveTo(body.left() + inset, body.top() + h * 0.3);
    cabin.lineTo(body.left() + inset * 1.6, body.top() + h * 0.22);
    cabin.lineTo(body.right() - inset * 1.6, body.top() + h * 0.22);
    cabin.lineTo(body.right() - inset, body.top() + h * 0.3);
    cabin.lineTo(body.right() - inset, body.top() + h * 0.76);
    cabin.lineTo(body.right() - inset * 1.5, body.top() + h * 0.82);
    cabin.lineTo(body.left() + inset * 1.5, body.top() + h * 0.82);
    cabin.lineTo(body.left() + inset, body.top() + h * 0.76);
    cabin.closeSubpath();
    painter.setPen(QPen(QColor(0x3a, 0x41, 0x4c), 1));
    painter.setBrush(QColor(0x1a, 0x1e, 0x24));
    painter.drawPath(cabin);

    // Seats.
    painter.setBrush(QColor(0x2c, 0x32, 0x3b));
    painter.setPen(Qt::NoPen);
    const double seatW = w * 0.24;
    const double seatH = h * 0.1;
    for (double y : {0.42, 0.6}) {
        painter.drawRoundedRect(QRectF(body.left() + w * 0.22, body.top() + h * y, seatW, seatH), 3,
                                3);
        painter.drawRoundedRect(
            QRectF(body.right() - w * 0.22 - seatW, body.top() + h * y, seatW, seatH), 3, 3);
    }
}

}  // namespace korvel
