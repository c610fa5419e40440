#pragma once
// UIEqualizerAc: the display-only response graph of the auto-calibration window. Same frequency
// axis as UIEqualizer, a symmetric +20 .. -20 dB axis, and three curve families instead of
// channels: short measured curves (121 points, cardinal splines), dashed curves and solid curves
// (512 points each, smoothed). A fourth family, the predicted curves (121 points, dotted), shows
// what a measured response becomes with an equaliser applied. No pointer interaction.

#include <QColor>
#include <QWidget>
#include <array>
#include <span>

#include "eqgraph/graph_mapping.h"

namespace korvel {

class UIEqualizerAc : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kSlots = 8;
    static constexpr int kShortPoints = 121;
    static constexpr int kLongPoints = 512;
    using ShortCurve = std::array<double, kShortPoints>;
    using LongCurve = std::array<double, kLongPoints>;

    explicit UIEqualizerAc(QWidget* parent = nullptr);
    ~UIEqualizerAc() override;

    static QString ClassName() { return QStringLiteral("UIEqualizerAc"); }
    static QString InterfaceName() { return QStringLiteral("Curve"); }

    // Each setter clears all 8 slots of its family, copies min(count, 8, arrays given) curves,
    // keeps show[i] != 0 as the slot's show flag and repaints.
    void SetShortCurves(std::span<const ShortCurve> frequencies,
                        std::span<const ShortCurve> gainsDb, int count, int reserved,
                        std::span<const int> show);
    void SetDashedCurves(std::span<const LongCurve> frequencies, std::span<const LongCurve> gainsDb,
                         int count, int reserved, std::span<const int> show);
    void SetSolidCurves(std::span<const LongCurve> frequencies, std::span<const LongCurve> gainsDb,
                        int count, int reserved, std::span<const int> show);

    // The predicted family: same arguments as SetShortCurves, drawn dotted.
    void SetPredictedCurves(std::span<const ShortCurve> frequencies,
                            std::span<const ShortCurve> gainsDb, int count, int reserved,
                            std::span<const int> show);

    // One colour for every solid curve (a target shared by all channels); an invalid colour
    // restores the per-slot colours of the short family.
    void SetSolidCurveColor(const QColor& color);
    // The colour of slot `slot` of the short (and predicted) family.
    static QColor ShortCurveColor(int slot);

    int ShortCount() const { return short_.count; }
    int PredictedCount() const { return predicted_.count; }
    int DashedCount() const { return dashed_.count; }
    int SolidCount() const { return solid_.count; }

    void SetScalePercent(int percent);
    void SetBackgroundColor(const QColor& color);
    void SetShowAxisLabels(bool show);

    eqgraph::GraphRect GraphRect() const { return {0, 0, width(), height()}; }
    void Paint(QPainter& painter);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    template <std::size_t N>
    struct Family {
        std::array<std::array<double, N>, kSlots> frequencies{};
        std::array<std::array<double, N>, kSlots> gainsDb{};
        std::array<bool, kSlots> show{};
        int count = 0;
    };

    template <std::size_t N>
    static void Store(Family<N>& family, std::span<const std::array<double, N>> frequencies,
                      std::span<const std::array<double, N>> gainsDb, int count,
                      std::span<const int> show);

    int scale_ = 100;
    bool hasFocus_ = false;
    bool showAxisLabels_ = true;
    QColor background_;
    QColor solidColor_;
    Family<kShortPoints> short_;
    Family<kLongPoints> dashed_;
    Family<kLongPoints> solid_;
    Family<kShortPoints> predicted_;
};

}  // namespace korvel
