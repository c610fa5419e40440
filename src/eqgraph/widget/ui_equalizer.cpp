#include "eqgraph/widget/ui_equalizer.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <climits>
#include <cmath>

#include "eqgraph/widget/graph_painting.h"
#include "log/log.h"

namespace korvel {

using eqgraph::GraphPoint;
using eqgraph::kEqualizerGainRange;

namespace {

constexpr QRgb kSelectedColor = 0xFFFF0000;
constexpr QRgb kLabelColor = 0xFFFFFFFF;
constexpr QRgb kBypassTextColor = 0x77777777;
// Disc behind each band number so the handles read as grabbable on top of the curves.
constexpr QRgb kHandleFill = 0xD0262A31;
constexpr QRgb kHandleRing = 0x80FFFFFF;
constexpr int kBypassTextTopOffset = 40;
constexpr double kMinGainChange = 0.001;
constexpr double kMinQChange = 0.01;
constexpr std::array<int, 5> kGainLines = {-15, -10, -5, 5, 10};
constexpr std::array<int, 5> kLabelledGains = {10, 5, -5, -10, -15};

QString DefaultTranslation(const QString& key) {
    if (key == QStringLiteral("${all_bypass}")) {
        return QStringLiteral("All bands flat \u2013 equaliser bypassed");
    }
    return key;
}

Qt::Alignment HorizontalAlign(const QString& value) {
    if (value == QStringLiteral("left")) {
        return Qt::AlignLeft;
    }
    if (value == QStringLiteral("right")) {
        return Qt::AlignRight;
    }
    return Qt::AlignHCenter;
}

Qt::Alignment VerticalAlign(const QString& value) {
    if (value == QStringLiteral("top")) {
        return Qt::AlignTop;
    }
    if (value == QStringLiteral("bottom")) {
        return Qt::AlignBottom;
    }
    return Qt::AlignVCenter;
}

QColor ParseAttributeColor(const QString& value) {
    const auto colors = eqgraph::ParseCurveColors(value.trimmed().toStdString(), 1, 0);
    return colors.empty() ? QColor() : QColor::fromRgba(colors.front());
}

void DrawCurve(QPainter& painter, std::span<const QPointF> points, QColor color, int width) {
    if (points.size() < 2) {
        return;
    }
    QPen pen(color);
    pen.setWidth(std::max(1, width));
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // The last point (the lowest frequency, left of the graph) only closes the list.
    painter.drawPath(eqgraph::BezierPath(points.first(points.size() - 1)));
}

}  // namespace

UIEqualizer::UIEqualizer(QWidget* parent)
    : QWidget(parent),
      background_(QColor::fromRgba(eqgraph::kDefaultBackground)),
      grid_(QColor::fromRgba(eqgraph::kGridColor)),
      translator_(DefaultTranslation) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    for (int i = 0; i < kMaxBands; ++i) {
        bands_[i].label = QString::number(i + 1);
    }
}

UIEqualizer::~UIEqualizer() = default;

// --- Controller side ---------------------------------------------------------------------------

void UIEqualizer::SetBands(std::span<const EqBand> bands, int count, int selected) {
    const int available = static_cast<int>(std::min<std::size_t>(bands.size(), kMaxBands));
    bandCount_ = std::clamp(count, 0, available);
    for (int i = 0; i < kMaxBands; ++i) {
        bands_[i].band = i < bandCount_ ? bands[i] : EqBand{};
    }
    UpdateAllFlat();
    // A selection outside the bands would make painting and dragging read a band that is not
    // there, so it is dropped instead of stored.
    if (ValidBand(selected)) {
        mCurrentControlIndex = selected;
        SetText(QString::number(selected));
    } else {
        mCurrentControlIndex = -1;
    }
    FullLayout();
    update();
}

void UIEqualizer::setCurEqHpLp(int hpFreq, int lpFreq) {
    const auto shown = [](int f) { return f >= kMinFrequency && f <= kMaxFrequency ? f : -1; };
    mHpFreq = shown(hpFreq);
    mLpFreq = shown(lpFreq);
    WriteLog("setCurEqHpLp mHpFreq(%d)\n", mHpFreq);
    LayoutMarkers();
    update();
}

void UIEqualizer::SetCurves(std::span<const CurveArray> frequencies,
                            std::span<const CurveArray> totalsDb, int count, int current,
                            std::span<const int> show, int /*reserved*/) {
    if (count <= 0) {
        return;
    }
    const std::size_t limit =
        std::min({static_cast<std::size_t>(count), static_cast<std::size_t>(kCurveSlots),
                  frequencies.size(), totalsDb.size()});
    curves_.fill(CurveSlot{});
    for (std::size_t i = 0; i < limit; ++i) {
        curves_[i].frequencies = frequencies[i];
        curves_[i].totalsDb = totalsDb[i];
        curves_[i].show = i < show.size() && show[i] != 0;
    }
    curveCount_ = static_cast<int>(limit);
    currentChannel_ = current;
    update();
}

void UIEqualizer::SetDragAllDirection(bool parametric) {
    mDragAllDirection = parametric;
    LayoutSelection();
    update();
}

EqBand UIEqualizer::Band(int index) const {
    return ValidBand(index) ? bands_[index].band : EqBand{};
}

QRect UIEqualizer::HandleRect(int band) const {
    return ValidBand(band) ? bands_[band].handle : QRect();
}

GraphPoint UIEqualizer::HandlePoint(int band) const {
    return ValidBand(band) ? bands_[band].point : GraphPoint{};
}

// --- Appearance ----------------------------------------------------------------------------------

void UIEqualizer::SetScalePercent(int percent) {
    scale_ = std::clamp(percent, 25, 800);
    FullLayout();
    update();
}

void UIEqualizer::SetBackgroundColor(const QColor& color) {
    background_ = color;
    update();
}

void UIEqualizer::SetGridColor(const QColor& color) {
    grid_ = color;
    update();
}

void UIEqualizer::SetCurveColors(std::vector<QRgb> colors) {
    if (colors.size() > kMaxCurveColors) {
        colors.resize(kMaxCurveColors);
    }
    curveColors_ = std::move(colors);
    update();
}

void UIEqualizer::SetTranslator(Translator translator) {
    translator_ = translator ? std::move(translator) : Translator(DefaultTranslation);
    update();
}

void UIEqualizer::SetLogo(const QImage& logo) {
    logo_ = logo;
    update();
}

void UIEqualizer::SetLabelFont(const QFont& font) {
    labelFont_ = font;
    labelFontSet_ = true;
    update();
}

void UIEqualizer::SetBypassFont(const QFont& font) {
    bypassFont_ = font;
    bypassFontSet_ = true;
    update();
}

void UIEqualizer::SetShowAxisLabels(bool show) {
    showAxisLabels_ = show;
    update();
}

QString UIEqualizer::BypassText() const {
    return translator_(QStringLiteral("${all_bypass}"));
}

bool UIEqualizer::SetAttribute(const QString& name, const QString& value) {
    const bool on = value == QStringLiteral("true");
    if (name == QStringLiteral("curvecolor")) {
        const auto parsed =
            eqgraph::ParseCurveColors(value.toStdString(), kMaxCurveColors, kOtherCurveColor);
        SetCurveColors({parsed.begin(), parsed.end()});
    } else if (name == QStringLiteral("curvelogo")) {
        SetLogo(QImage(value));
    } else if (name == QStringLiteral("bypassfont")) {
        bypassFontIndex_ = value.toInt();
    } else if (name == QStringLiteral("font")) {
        labelFontIndex_ = value.toInt();
    } else if (name == QStringLiteral("align")) {
        textAlign_ = HorizontalAlign(value) | (textAlign_ & Qt::AlignVertical_Mask);
    } else if (name == QStringLiteral("valign")) {
        textAlign_ = VerticalAlign(value) | (textAlign_ & Qt::AlignHorizontal_Mask);
    } else if (name == QStringLiteral("wordbreak")) {
        wordBreak_ = on;
    } else if (name == QStringLiteral("endellipsis") || name == QStringLiteral("noprefix")) {
        // Single-line labels never need an ellipsis and carry no mnemonic prefixes.
    } else if (name == QStringLiteral("textcolor")) {
        textColor_ = ParseAttributeColor(value);
    } else if (name == QStringLiteral("disabledtextcolor")) {
        disabledTextColor_ = ParseAttributeColor(value);
    } else if (name == QStringLiteral("textpadding")) {
        const QStringList parts = value.split(QLatin1Char(','));
        if (parts.size() == 4) {
            textPadding_ = QRect(QPoint(parts[0].toInt(), parts[1].toInt()),
                                 QPoint(parts[2].toInt(), parts[3].toInt()));
        }
    } else if (name == QStringLiteral("autocalcwidth")) {
        autoCalcWidth_ = on;
    } else {
        return false;
    }
    update();
    return true;
}

// --- Layout --------------------------------------------------------------------------------------

int UIEqualizer::YOf(double gain) const {
    return eqgraph::GainToY(rect_, zeroY_, gain, kEqualizerGainRange);
}

double UIEqualizer::GainAt(int y) const {
    return eqgraph::YToGain(rect_, zeroY_, y, kEqualizerGainRange);
}

GraphPoint UIEqualizer::ClampedPointer(const QPointF& position) const {
    const QPoint p = position.toPoint();
    return eqgraph::ClampToRect(rect_, {p.x(), p.y()});
}

void UIEqualizer::FullLayout() {
    rect_ = {0, 0, width(), height()};
    zeroY_ = eqgraph::ZeroLineY(rect_, kEqualizerGainRange);
    if (rect_.Width() != 0 && rect_.Height() != 0 && zeroY_ != 0) {
        layoutValid_ = true;
    }
    for (int i = 0; i < bandCount_; ++i) {
        BandSlot& slot = bands_[i];
        slot.point = eqgraph::ClampToRect(rect_, {XOf(slot.band.freq), YOf(slot.band.eqGain)});
        LayoutBandHandle(slot);
    }
    LayoutSelection();
    LayoutMarkers();
}

void UIEqualizer::PartialLayout() {
    if (ValidBand(mCurrentControlIndex)) {
        LayoutBandHandle(bands_[mCurrentControlIndex]);
    }
    LayoutSelection();
    LayoutMarkers();
}

void UIEqualizer::LayoutBandHandle(BandSlot& slot) const {
    const int size = P(16);
    const int half = P(8);
    const auto pushInside = [&](int centre, int low, int high) {
        if (centre - low < half) {
            return low;
        }
        if (high - centre < half) {
            return high - size;
        }
        return centre - half;
    };
    slot.handle = QRect(pushInside(slot.point.x, rect_.left, rect_.right),
                        pushInside(slot.point.y, rect_.top, rect_.bottom), size, size);
}

QRect UIEqualizer::PushedInsideH(int centreX, int width, int top, int height) const {
    int left = centreX - width / 2;
    if (left + width > rect_.right) {
        left = rect_.right - width;
    }
    if (left < rect_.left) {
        left = rect_.left;
    }
    return QRect(left, top, width, height);
}

// The selected band's decorations go above the handle in the lower zone, below it elsewhere, and
// to fixed rows when the handle sits at the top or bottom edge.
QRect UIEqualizer::VerticalZoneBox(int y, int topNear, int bottomNear, int aboveFrom, int aboveTo,
                                   int belowFrom, int belowTo, int left, int width) const {
    int from = 0;
    int to = 0;
    if (y - rect_.top < P(14)) {
        from = rect_.top + topNear;
        to = rect_.top + topNear + (belowTo - belowFrom);
    } else if (y >= rect_.bottom - P(29) && y < rect_.bottom - P(10)) {
        from = y - aboveFrom;
        to = y - aboveTo;
    } else if (y < rect_.bottom - P(10)) {
        from = y + belowFrom;
        to = y + belowTo;
    } else {
        from = rect_.bottom - bottomNear;
        to = rect_.bottom - bottomNear + (belowTo - belowFrom);
    }
    return QRect(left, from, width, to - from);
}

void UIEqualizer::LayoutSelection() {
    if (!ValidBand(mCurrentControlIndex)) {
        infoText_.clear();
        infoRect_ = QRect();
        qRects_ = {};
        return;
    }
    const BandSlot& slot = bands_[mCurrentControlIndex];
    const EqBand& band = slot.band;
    const int x = slot.point.x;
    const int y = slot.point.y;
    const int infoWidth = mDragAllDirection ? P(150) : P(50);
    if (mDragAllDirection) {
        infoText_ = QString::asprintf(
            "%d Hz %s Q %.1f dB", band.freq,
            QString::asprintf("%0.2f", band.eqFactor).toUtf8().constData(), band.eqGain);
    } else {
        infoText_ = QString::asprintf("%.1f dB", band.eqGain);
    }
    const QRect horizontal = PushedInsideH(x, infoWidth, 0, 0);
    infoRect_ =
        VerticalZoneBox(y, P(22), P(37), P(29), P(14), P(14), P(29), horizontal.left(), infoWidth);

    if (!mDragAllDirection) {
        qRects_ = {};
        return;
    }
    const int distance = eqgraph::QHandleDistance(scale_, band.eqFactor);
    const int boxWidth = P(8);
    for (int side = 0; side < 2; ++side) {
        const int centre = side == 0 ? x - distance : x + distance;
        qRects_[side] = VerticalZoneBox(y, P(12), P(20), P(12), P(4), P(4), P(12),
                                        centre - boxWidth / 2, boxWidth);
    }
}

void UIEqualizer::LayoutMarkers() {
    const int width = P(14);
    const int height = P(10);
    hpRect_ = mHpFreq == -1 ? QRect() : PushedInsideH(XOf(mHpFreq), width, YOf(-8.0), height);
    lpRect_ = mLpFreq == -1 ? QRect() : PushedInsideH(XOf(mLpFreq), width, YOf(-11.0), height);
}

void UIEqualizer::resizeEvent(QResizeEvent* event) {
    // Handle points are cached in pixels, so a new size needs them recomputed from the values.
    FullLayout();
    QWidget::resizeEvent(event);
}

// --- Pointer -------------------------------------------------------------------------------------

int UIEqualizer::HitBand(const QPoint& p) const {
    for (int i = 0; i < bandCount_; ++i) {
        if (bands_[i].handle.contains(p)) {
            return i;
        }
    }
    return -1;
}

int UIEqualizer::HitQHandle(const QPoint& p) const {
    if (!mDragAllDirection || !ValidBand(mCurrentControlIndex)) {
        return -1;
    }
    for (int side = 0; side < 2; ++side) {
        if (qRects_[side].contains(p)) {
            return side;
        }
    }
    return -1;
}

void UIEqualizer::SelectBand(int index) {
    mCurrentControlIndex = index;
    SetText(QString::number(index));
    LayoutSelection();
}

void UIEqualizer::Notify(const char* type) {
    const std::string name(type);
    if (notifyHandler_) {
        notifyHandler_(name);
    }
    emit EqualizerNotify(QString::fromLatin1(type));
}

void UIEqualizer::UpdateAllFlat() {
    allFlat_ = std::none_of(bands_.begin(), bands_.begin() + bandCount_,
                            [](const BandSlot& slot) { return slot.band.eqGain != 0.0f; });
}

void UIEqualizer::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (!layoutValid_ || rect_ != eqgraph::GraphRect{0, 0, width(), height()}) {
            FullLayout();
        }
        const QPoint p = event->position().toPoint();
        int band = -1;
        if (HitQHandle(p) >= 0) {
            captureMode_ = kFactorCaptured;
            setCursor(Qt::SizeHorCursor);
        } else if ((band = HitBand(p)) >= 0) {
            SelectBand(band);
            captureMode_ = kIndexCaptured;
            setCursor(mDragAllDirection ? Qt::SizeAllCursor : Qt::SizeVerCursor);
        } else if (HitHp(p) || HitLp(p)) {
            captureMode_ = HitHp(p) ? kHpCaptured : kLpCaptured;
            mCurrentControlIndex = -1;
            LayoutSelection();
            setCursor(Qt::SizeHorCursor);
        }
        update();
    }
    QWidget::mousePressEvent(event);
}

void UIEqualizer::mouseMoveEvent(QMouseEvent* event) {
    const GraphPoint p = ClampedPointer(event->position());
    switch (captureMode_) {
        case kIndexCaptured:
            if (DragBand(p, false)) {
                Notify(kNotifyEqualizerEq);
            }
            break;
        case kFactorCaptured:
            if (DragQ(p)) {
                Notify(kNotifyEqualizerEq);
            }
            break;
        case kHpCaptured:
            if (DragHp(p, false)) {
                Notify(kNotifyEqualizerHp);
            }
            break;
        case kLpCaptured:
            if (DragLp(p, false)) {
                Notify(kNotifyEqualizerLp);
            }
            break;
        default:
            HoverAt(event->position().toPoint());
            return;
    }
    update();
}

void UIEqualizer::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && captureMode_ != kNoCapture) {
        const GraphPoint p = ClampedPointer(event->position());
        const int mode = captureMode_;
        captureMode_ = kNoCapture;
        switch (mode) {
            case kIndexCaptured:
                setCursor(Qt::PointingHandCursor);
                if (DragBand(p, true)) {
                    Notify(kNotifyEqualizerEq);
                }
                break;
            case kFactorCaptured:
                setCursor(Qt::ArrowCursor);
                DragQStore(p);
                Notify(kNotifyEqualizerEq);
                break;
            case kHpCaptured:
                setCursor(Qt::ArrowCursor);
                DragHp(p, true);
                Notify(kNotifyEqualizerHp);
                break;
            case kLpCaptured:
                setCursor(Qt::ArrowCursor);
                DragLp(p, true);
                Notify(kNotifyEqualizerLp);
                break;
            default:
                break;
        }
        update();
    }
    QWidget::mouseReleaseEvent(event);
}

void UIEqualizer::focusInEvent(QFocusEvent* event) {
    hasFocus_ = true;
    QWidget::focusInEvent(event);
}

void UIEqualizer::focusOutEvent(QFocusEvent* event) {
    hasFocus_ = false;
    QWidget::focusOutEvent(event);
}

bool UIEqualizer::DragBand(GraphPoint p, bool release) {
    if (!ValidBand(mCurrentControlIndex)) {
        return false;
    }
    BandSlot& slot = bands_[mCurrentControlIndex];
    if (mDragAllDirection) {
        slot.point = p;
    } else {
        slot.point.y = p.y;
    }
    bool changed = release;
    const double gain = GainAt(p.y);
    if (release || std::fabs(gain - slot.band.eqGain) > kMinGainChange) {
        slot.band.eqGain = static_cast<float>(gain);
        changed = true;
    }
    const int frequency = FrequencyAt(slot.point.x);
    if (mDragAllDirection && (release || frequency != slot.band.freq)) {
        slot.band.freq = frequency;
        changed = true;
    }
    LayoutBandHandle(slot);
    LayoutSelection();
    UpdateAllFlat();
    return changed;
}

bool UIEqualizer::DragQ(GraphPoint p) {
    if (!ValidBand(mCurrentControlIndex)) {
        return false;
    }
    EqBand& band = bands_[mCurrentControlIndex].band;
    const double q =
        eqgraph::QFromHandleDistance(scale_, p.x - bands_[mCurrentControlIndex].point.x);
    if (std::fabs(q - band.eqFactor) < kMinQChange) {
        return false;
    }
    band.eqFactor = static_cast<float>(q);
    LayoutSelection();
    return true;
}

void UIEqualizer::DragQStore(GraphPoint p) {
    if (!ValidBand(mCurrentControlIndex)) {
        return;
    }
    BandSlot& slot = bands_[mCurrentControlIndex];
    slot.band.eqFactor =
        static_cast<float>(eqgraph::QFromHandleDistance(scale_, p.x - slot.point.x));
    LayoutSelection();
}

// A hidden marker (-1) sets no limit: the other marker may then use the whole axis.
bool UIEqualizer::DragHp(GraphPoint p, bool release) {
    const int frequency = FrequencyAt(p.x);
    const int limit = mLpFreq == -1 ? INT_MAX : mLpFreq;
    if (frequency >= limit || (!release && frequency == mHpFreq)) {
        return false;
    }
    mHpFreq = frequency;
    LayoutMarkers();
    return true;
}

bool UIEqualizer::DragLp(GraphPoint p, bool release) {
    const int frequency = FrequencyAt(p.x);
    if (frequency <= mHpFreq || (!release && frequency == mLpFreq)) {
        return false;
    }
    mLpFreq = frequency;
    LayoutMarkers();
    return true;
}

void UIEqualizer::HoverAt(const QPoint& p) {
    // The Q handles win over band handles, as on a press, so a Q handle lying on top of another
    // band stays reachable.
    if (HitQHandle(p) >= 0) {
        setCursor(Qt::SizeHorCursor);
        return;
    }
    const int band = HitBand(p);
    if (band >= 0) {
        setCursor(Qt::PointingHandCursor);
        if (band != mCurrentControlIndex) {
            SelectBand(band);
            Notify(kNotifyEqualizerEq);
            update();
        }
        return;
    }
    setCursor(HitHp(p) || HitLp(p) ? Qt::SizeHorCursor : Qt::ArrowCursor);
}

// --- Painting ------------------------------------------------------------------------------------

void UIEqualizer::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    Paint(painter);
}

void UIEqualizer::Paint(QPainter& painter) {
    // A size change reaches a hidden widget without a resize event, so compare here as well.
    if (!layoutValid_ || rect_ != eqgraph::GraphRect{0, 0, width(), height()}) {
        FullLayout();
    } else {
        PartialLayout();
    }
    eqgraph::GridLayout grid = eqgraph::GridFor(rect_, scale_, zeroY_, background_, kGainLines,
                                                [this](int gain) { return YOf(gain); });
    grid.grid = grid_;
    eqgraph::PaintGrid(painter, grid);
    if (showAxisLabels_) {
        PaintAxisLabels(painter);
    }
    PaintBypassOrLogo(painter);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    PaintCurves(painter);
    PaintBandLabels(painter);
    PaintSelection(painter);
    PaintMarkers(painter);
    painter.restore();
}

void UIEqualizer::PaintAxisLabels(QPainter& painter) {
    // The +12 and -18 dB ends coincide with the borders and the zero line carries the flat band
    // handles, so only the dotted lines are labelled; the top one carries the unit.
    std::vector<eqgraph::AxisLabel> gains;
    for (const int gain : kLabelledGains) {
        QString text = QStringLiteral("%1%2").arg(gain > 0 ? "+" : "").arg(gain);
        if (gains.empty()) {
            text += QStringLiteral(" dB");
        }
        gains.push_back({YOf(gain), text});
    }
    const auto frequencies = eqgraph::FrequencyAxisLabels(rect_);
    eqgraph::PaintAxisLabels(painter, rect_, scale_, frequencies, gains);
}

void UIEqualizer::PaintBypassOrLogo(QPainter& painter) {
    const QRect area(rect_.left, rect_.top + kBypassTextTopOffset, rect_.Width(),
                     std::max(0, rect_.Height() - kBypassTextTopOffset));
    if (!logo_.isNull()) {
        const QSize size = logo_.size() * scale_ / 100;
        painter.drawImage(QRect(area.center() - QPoint(size.width() / 2, size.height() / 2), size),
                          logo_);
        return;
    }
    if (!allFlat_) {
        return;
    }
    QFont font = bypassFontSet_ ? bypassFont_ : painter.font();
    if (!bypassFontSet_) {
        font.setPixelSize(std::max(8, P(16)));
    }
    painter.save();
    painter.setFont(font);
    painter.setPen(QColor::fromRgba(kBypassTextColor));
    const int flags =
        static_cast<int>(textAlign_) | (wordBreak_ ? Qt::TextWordWrap : Qt::TextSingleLine);
    painter.drawText(area, flags, BypassText());
    painter.restore();
}

void UIEqualizer::PaintCurves(QPainter& painter) {
    const auto toY = [this](double gain) { return YOf(gain); };
    const int configured = static_cast<int>(curveColors_.size());
    const int otherWidth = currentChannel_ < configured ? P(2) : P(3);
    for (int channel = 0; channel < curveCount_; ++channel) {
        const CurveSlot& curve = curves_[channel];
        if (channel == currentChannel_ || !curve.show) {
            continue;
        }
        const auto points =
            eqgraph::SelectCurvePoints(curve.frequencies, curve.totalsDb, rect_, toY);
        const auto smoothed = eqgraph::SmoothCurvePoints(points, rect_.left);
        const QRgb color = channel < configured ? curveColors_[channel] : kOtherCurveColor;
        DrawCurve(painter, smoothed, QColor::fromRgba(color), otherWidth);
    }
    if (currentChannel_ < 0 || currentChannel_ >= curveCount_) {
        return;
    }
    const CurveSlot& current = curves_[currentChannel_];
    const auto points =
        eqgraph::SelectCurvePoints(current.frequencies, current.totalsDb, rect_, toY);
    const QRgb color =
        currentChannel_ < configured ? curveColors_[currentChannel_] : kCurrentCurveColor;
    DrawCurve(painter, eqgraph::ToPointsF(points), QColor::fromRgba(color), P(2));
}

void UIEqualizer::PaintBandLabels(QPainter& painter) {
    QFont font = labelFontSet_ ? labelFont_ : painter.font();
    if (!labelFontSet_) {
        font.setPixelSize(std::max(6, P(10)));
        font.setBold(true);
    }
    painter.setFont(font);
    const qreal ring = std::max(1.0, scale_ / 100.0);
    for (int i = 0; i < bandCount_; ++i) {
        const BandSlot& slot = bands_[i];
        const bool selected = i == mCurrentControlIndex;
        painter.setPen(QPen(QColor::fromRgba(selected ? kSelectedColor : kHandleRing), ring));
        painter.setBrush(QColor::fromRgba(kHandleFill));
        painter.drawEllipse(QRectF(slot.handle).adjusted(ring / 2, ring / 2, -ring / 2, -ring / 2));
        painter.setPen(QColor::fromRgba(selected ? kSelectedColor : kLabelColor));
        painter.drawText(slot.handle, static_cast<int>(textAlign_) | Qt::TextSingleLine,
                         slot.label);
    }
    painter.setBrush(Qt::NoBrush);
}

void UIEqualizer::PaintSelection(QPainter& painter) {
    if (!ValidBand(mCurrentControlIndex)) {
        return;
    }
    QFont font = labelFontSet_ ? labelFont_ : painter.font();
    if (!labelFontSet_) {
        font.setPixelSize(std::max(6, P(11)));
        font.setBold(false);
    }
    painter.setFont(font);
    const int flags = static_cast<int>(textAlign_) | Qt::TextSingleLine;
    // A backing in the graph colour keeps the red text readable where curves cross it.
    const QRect textBox = painter.boundingRect(infoRect_, flags, infoText_).adjusted(-3, 0, 3, 0);
    QColor backing = background_;
    backing.setAlpha(160);
    painter.setPen(Qt::NoPen);
    painter.setBrush(backing);
    painter.drawRoundedRect(textBox, 3, 3);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QColor::fromRgba(kSelectedColor));
    painter.drawText(infoRect_, flags, infoText_);
    if (!mDragAllDirection) {
        return;
    }
    QPen outline(QColor::fromRgba(kSelectedColor));
    outline.setWidth(std::max(1, scale_ / 100));
    painter.setPen(outline);
    painter.setBrush(Qt::NoBrush);
    for (const QRect& box : qRects_) {
        painter.drawRect(box);
    }
}

void UIEqualizer::PaintMarkers(QPainter& painter) {
    QFont font = labelFontSet_ ? labelFont_ : painter.font();
    if (!labelFontSet_) {
        font.setPixelSize(std::max(6, P(11)));
        font.setBold(true);
    }
    painter.setFont(font);
    const auto draw = [&](const QRect& box, bool captured, const QString& letter) {
        // A small tab behind the letter shows where the marker can be grabbed.
        const QRgb color = captured ? kSelectedColor : kLabelColor;
        painter.setPen(QPen(QColor::fromRgba(captured ? kSelectedColor : kHandleRing), 1));
        painter.setBrush(QColor::fromRgba(kHandleFill));
        painter.drawRoundedRect(QRectF(box).adjusted(0.5, -1.5, -0.5, 1.5), 2, 2);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QColor::fromRgba(color));
        painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, letter);
    };
    if (mHpFreq != -1) {
        draw(hpRect_, captureMode_ == kHpCaptured, QStringLiteral("H"));
    }
    if (mLpFreq != -1) {
        draw(lpRect_, captureMode_ == kLpCaptured, QStringLiteral("L"));
    }
}

}  // namespace korvel
