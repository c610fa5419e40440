#pragma once
// UIEqualizer: the interactive frequency-response graph of the main window. It draws the current
// output channel's total curve over a logarithmic 20 Hz .. 20 kHz axis and a +12 .. -18 dB axis,
// the other channels' curves behind it, one numbered handle per equaliser band, two Q handles for
// the selected band (parametric mode) and "H" / "L" markers for the crossover corners.
//
// The user drags the handles; the control changes its own copy of the values and notifies
// "equalizer_eq", "equalizer_hp" or "equalizer_lp". The window then reads the band index from
// Text() and the values from Band(), HpFreq() and LpFreq(), and hands them to the controller,
// which recomputes the curves and calls SetBands / setCurEqHpLp / SetCurves again.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "eqgraph/graph_mapping.h"
#include "model/scene_record.h"

namespace korvel {

inline constexpr char kNotifyEqualizerEq[] = "equalizer_eq";
inline constexpr char kNotifyEqualizerHp[] = "equalizer_hp";
inline constexpr char kNotifyEqualizerLp[] = "equalizer_lp";

class UIEqualizer : public QWidget {
    Q_OBJECT
  public:
    enum CaptureMode {
        kNoCapture = 0,
        kIndexCaptured = 1,   // dragging a band handle
        kFactorCaptured = 2,  // dragging a Q handle of the selected band
        kHpCaptured = 3,      // dragging the high-pass marker
        kLpCaptured = 4,      // dragging the low-pass marker
    };

    static constexpr int kMaxBands = kBandCount;
    static constexpr int kCurveSlots = 8;
    static constexpr int kCurvePoints = 512;
    static constexpr int kMaxCurveColors = 12;
    static constexpr QRgb kOtherCurveColor = 0xFF646464;
    static constexpr QRgb kCurrentCurveColor = 0xFF00C000;

    using CurveArray = std::array<double, kCurvePoints>;
    using NotifyHandler = std::function<void(const std::string& type)>;
    using Translator = std::function<QString(const QString& key)>;

    explicit UIEqualizer(QWidget* parent = nullptr);
    ~UIEqualizer() override;

    static QString ClassName() { return QStringLiteral("UIEqualizer"); }
    static QString InterfaceName() { return QStringLiteral("Curve"); }

    // --- Controller side -----------------------------------------------------------------
    // Stores up to 31 bands (count limited to the bands given), the all-flat flag and the
    // selection; a selection inside 0..count-1 also becomes the control text. Full layout.
    void SetBands(std::span<const EqBand> bands, int count, int selected);
    // Each marker is shown when its frequency lies in 20..20000 Hz, otherwise hidden (-1).
    void setCurEqHpLp(int hpFreq, int lpFreq);
    // Copies `count` channels (at most 8, and at most as many as the arrays hold) of 512 points;
    // a non-positive count is ignored. show[i] != 0 draws channel i when it is not the current.
    void SetCurves(std::span<const CurveArray> frequencies, std::span<const CurveArray> totalsDb,
                   int count, int current, std::span<const int> show, int reserved = 0);
    // true = parametric (frequency and gain, Q handles), false = graphic (gain only).
    void SetDragAllDirection(bool parametric);

    // --- Readers ---------------------------------------------------------------------------
    int BandCount() const { return bandCount_; }
    EqBand Band(int index) const;  // a default band outside 0..BandCount()-1
    int HpFreq() const { return mHpFreq; }
    int LpFreq() const { return mLpFreq; }
    QString Text() const { return text_; }  // the selected band index in decimal
    int CurrentControlIndex() const { return mCurrentControlIndex; }
    int Capture() const { return captureMode_; }
    bool DragAllDirection() const { return mDragAllDirection; }
    bool AllFlat() const { return allFlat_; }
    bool LayoutValid() const { return layoutValid_; }

    // Geometry, in widget coordinates (for hit tests by windows and tests).
    eqgraph::GraphRect GraphRect() const { return rect_; }
    int ZeroLineY() const { return zeroY_; }
    QRect HandleRect(int band) const;
    eqgraph::GraphPoint HandlePoint(int band) const;
    QRect InfoLabelRect() const { return infoRect_; }
    QString InfoLabelText() const { return infoText_; }
    std::array<QRect, 2> QHandleRects() const { return qRects_; }
    QRect HpMarkerRect() const { return hpRect_; }
    QRect LpMarkerRect() const { return lpRect_; }

    // --- Notifications -----------------------------------------------------------------------
    void SetNotifyHandler(NotifyHandler handler) { notifyHandler_ = std::move(handler); }

    // --- Appearance ----------------------------------------------------------------------------
    void SetScalePercent(int percent);  // DPI scale, 100 at 96 DPI
    int ScalePercent() const { return scale_; }
    void SetBackgroundColor(const QColor& color);
    void SetGridColor(const QColor& color);
    void SetCurveColors(std::vector<QRgb> colors);  // at most 12 are kept
    const std::vector<QRgb>& CurveColors() const { return curveColors_; }
    void SetTranslator(Translator translator);
    void SetLogo(const QImage& logo);
    void SetLabelFont(const QFont& font);
    void SetBypassFont(const QFont& font);
    void SetShowAxisLabels(bool show);
    QString BypassText() const;  // "${all_bypass}" through the translator

    // Layout attributes: "curvecolor", "curvelogo", "bypassfont", "font", "align", "valign",
    // "endellipsis", "wordbreak", "noprefix", "textcolor", "disabledtextcolor", "textpadding",
    // "autocalcwidth". Returns false for names it does not know.
    bool SetAttribute(const QString& name, const QString& value);

    // Draws the whole graph with `painter` (the widget's paint event calls this).
    void Paint(QPainter& painter);

  signals:
    void EqualizerNotify(const QString& type);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    struct BandSlot {
        EqBand band;
        eqgraph::GraphPoint point;
        QRect handle;
        QString label;
    };
    struct CurveSlot {
        CurveArray frequencies{};
        CurveArray totalsDb{};
        bool show = false;
    };

    int P(int percentOfBase) const { return eqgraph::Scaled(scale_, percentOfBase); }
    bool ValidBand(int index) const { return index >= 0 && index < bandCount_; }

    void FullLayout();
    void PartialLayout();
    void LayoutBandHandle(BandSlot& slot) const;
    void LayoutSelection();
    void LayoutMarkers();
    QRect PushedInsideH(int centreX, int width, int top, int height) const;
    QRect VerticalZoneBox(int y, int topNear, int bottomNear, int aboveFrom, int aboveTo,
                          int belowFrom, int belowTo, int left, int width) const;

    int XOf(double frequency) const { return eqgraph::FrequencyToX(rect_, frequency); }
    int YOf(double gain) const;
    int FrequencyAt(int x) const { return eqgraph::XToFrequency(rect_, x); }
    double GainAt(int y) const;
    eqgraph::GraphPoint ClampedPointer(const QPointF& position) const;

    int HitBand(const QPoint& p) const;
    int HitQHandle(const QPoint& p) const;
    bool HitHp(const QPoint& p) const { return mHpFreq != -1 && hpRect_.contains(p); }
    bool HitLp(const QPoint& p) const { return mLpFreq != -1 && lpRect_.contains(p); }

    void SelectBand(int index);
    void SetText(const QString& text) { text_ = text; }
    void Notify(const char* type);
    void UpdateAllFlat();

    bool DragBand(eqgraph::GraphPoint p, bool release);
    bool DragQ(eqgraph::GraphPoint p);
    void DragQStore(eqgraph::GraphPoint p);
    bool DragHp(eqgraph::GraphPoint p, bool release);
    bool DragLp(eqgraph::GraphPoint p, bool release);
    void HoverAt(const QPoint& p);

    void PaintBypassOrLogo(QPainter& painter);
    void PaintCurves(QPainter& painter);
    void PaintBandLabels(QPainter& painter);
    void PaintSelection(QPainter& painter);
    void PaintMarkers(QPainter& painter);
    void PaintAxisLabels(QPainter& painter);

    // Position and scale.
    eqgraph::GraphRect rect_;
    int zeroY_ = 0;
    int scale_ = 100;
    bool layoutValid_ = false;
    bool hasFocus_ = false;

    // Bands and selection.
    std::array<BandSlot, kMaxBands> bands_{};
    int bandCount_ = 0;
    int mCurrentControlIndex = -1;
    int captureMode_ = kNoCapture;
    bool mDragAllDirection = false;
    bool allFlat_ = true;
    QString text_;

    // Crossover markers.
    int mHpFreq = -1;
    int mLpFreq = -1;
    QRect hpRect_;
    QRect lpRect_;

    // Selected band decorations.
    QString infoText_;
    QRect infoRect_;
    std::array<QRect, 2> qRects_{};

    // Curves.
    std::array<CurveSlot, kCurveSlots> curves_{};
    int curveCount_ = 0;
    int currentChannel_ = 0;

    // Appearance.
    std::vector<QRgb> curveColors_;
    QColor background_;
    QColor grid_;
    QFont labelFont_;
    QFont bypassFont_;
    bool labelFontSet_ = false;
    bool bypassFontSet_ = false;
    int bypassFontIndex_ = -1;
    int labelFontIndex_ = -1;
    Qt::Alignment textAlign_ = Qt::AlignHCenter | Qt::AlignVCenter;
    bool wordBreak_ = false;
    QColor textColor_;
    QColor disabledTextColor_;
    QRect textPadding_;
    bool autoCalcWidth_ = false;
    QImage logo_;
    bool showAxisLabels_ = true;
    Translator translator_;
    NotifyHandler notifyHandler_;
};

}  // namespace korvel
