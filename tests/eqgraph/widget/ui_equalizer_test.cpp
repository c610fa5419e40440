#include "eqgraph/widget/ui_equalizer.h"
#include "common/qt_test_app.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest/QTest>
#include <cmath>
#include <limits>
#include <memory>

#include "eqgraph/widget/demo_curves.h"
#include "eqgraph/widget/graph_painting.h"
#include "eqgraph/widget/ui_equalizer_ac.h"

namespace korvel {
namespace {

using eqgraph::GraphPoint;

class UIEqualizerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char name[] = "test_eqgraph_widget";
            static char* argv[] = {name, nullptr};
            app_ = std::make_unique<QApplication>(argc, argv);
        }
    }

    // Qt must shut down before static destruction begins, where its own globals are gone.
    static void TearDownTestSuite() { app_.reset(); }

    void SetUp() override {
        graph_.resize(900, 300);
        graph_.SetNotifyHandler([this](const std::string& type) { notes_.push_back(type); });
        bands_ = testing::FlatBands();
        graph_.SetBands(bands_, kBandCount, -1);
    }

    void Send(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(p), graph_.mapToGlobal(QPointF(p)), button, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(&graph_, &event);
    }
    void Press(QPoint p) { Send(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
    void Move(QPoint p, bool held = true) {
        Send(QEvent::MouseMove, p, Qt::NoButton, held ? Qt::LeftButton : Qt::NoButton);
    }
    void Release(QPoint p) { Send(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }

    QPoint HandleCentre(int band) const { return graph_.HandleRect(band).center(); }
    QPoint Centre(const QRect& r) const { return r.center(); }

    QImage Render() {
        QImage image(graph_.size(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        graph_.Paint(painter);
        return image;
    }

    static std::unique_ptr<QApplication> app_;
    UIEqualizer graph_;
    std::array<EqBand, kBandCount> bands_{};
    std::vector<std::string> notes_;
};

std::unique_ptr<QApplication> UIEqualizerTest::app_;

TEST_F(UIEqualizerTest, HandlesAtTheEdgesArePushedInside) {
    struct Case {
        int freq;
        float gain;
        QRect expected;
    };
    const Case cases[] = {
        {20, 0.0f, QRect(0, 112, 16, 16)},        // left edge
        {20000, 0.0f, QRect(884, 112, 16, 16)},   // right edge
        {1000, 12.0f, QRect(501, 0, 16, 16)},     // top edge
        {1000, -18.0f, QRect(501, 284, 16, 16)},  // bottom edge
        {20, -18.0f, QRect(0, 284, 16, 16)},      // corner
        {1000, 0.0f, QRect(501, 112, 16, 16)},    // centred
    };
    for (const Case& c : cases) {
        bands_[0] = EqBand{c.gain, 1.0f, c.freq, 1};
        graph_.SetBands(bands_, 1, -1);
        EXPECT_EQ(graph_.HandleRect(0), c.expected) << c.freq << " Hz " << c.gain << " dB";
    }
    // The square follows the scale: 24 px at 150 %.
    graph_.SetScalePercent(150);
    EXPECT_EQ(graph_.HandleRect(0).size(), QSize(24, 24));
}

TEST_F(UIEqualizerTest, PressingAnEmptyAreaCapturesNothing) {
    graph_.SetDragAllDirection(true);
    graph_.SetBands(bands_, kBandCount, 3);
    notes_.clear();
    const QPoint empty(450, 40);  // above every flat band, away from markers
    Press(empty);
    EXPECT_EQ(graph_.Capture(), UIEqualizer::kNoCapture);
    Move(empty + QPoint(30, 30));
    Release(empty + QPoint(30, 30));
    EXPECT_EQ(graph_.CurrentControlIndex(), 3);
    EXPECT_EQ(graph_.Text(), QStringLiteral("3"));
    EXPECT_TRUE(notes_.empty());
    for (int i = 0; i < kBandCount; ++i) {
        EXPECT_EQ(graph_.Band(i).freq, bands_[i].freq);
        EXPECT_EQ(graph_.Band(i).eqGain, 0.0f);
    }
}

TEST_F(UIEqualizerTest, GraphicDragSidewaysChangesOnlyTheGain) {
    graph_.SetDragAllDirection(false);
    const QPoint start = HandleCentre(15);
    const GraphPoint before = graph_.HandlePoint(15);
    Press(start);
    EXPECT_EQ(graph_.Capture(), UIEqualizer::kIndexCaptured);
    EXPECT_EQ(graph_.cursor().shape(), Qt::SizeVerCursor);
    const QPoint target(start.x() + 200, 60);
    Move(target);
    EXPECT_EQ(graph_.Band(15).freq, bands_[15].freq);
    EXPECT_FLOAT_EQ(graph_.Band(15).eqGain, 6.0f);  // y 60 on a 300 px graph
    EXPECT_EQ(graph_.HandlePoint(15).x, before.x);
    Release(target);
    EXPECT_EQ(graph_.Band(15).freq, bands_[15].freq);
    EXPECT_EQ(graph_.Capture(), UIEqualizer::kNoCapture);
    EXPECT_EQ(graph_.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(graph_.Text(), QStringLiteral("15"));
}

TEST_F(UIEqualizerTest, ParametricDragChangesFrequencyAndGainWithinTheAxes) {
    graph_.SetDragAllDirection(true);
    const eqgraph::GraphRect rect = graph_.GraphRect();
    struct Case {
        QPoint target;
        int freq;
        float gain;
    };
    const Case cases[] = {
        {QPoint(509, 210), eqgraph::XToFrequency(rect, 509), -9.0f},
        {QPoint(-50, 400), 20, -18.0f},     // clamped to the bottom-left corner
        {QPoint(2000, -80), 20000, 12.0f},  // clamped to the top-right corner
    };
    for (const Case& c : cases) {
        graph_.SetBands(bands_, kBandCount, -1);
        Press(HandleCentre(17));
        EXPECT_EQ(graph_.cursor().shape(), Qt::SizeAllCursor);
        Move(c.target);
        EXPECT_EQ(graph_.Band(17).freq, c.freq);
        EXPECT_FLOAT_EQ(graph_.Band(17).eqGain, c.gain);
        Release(c.target);
        EXPECT_EQ(graph_.Band(17).freq, c.freq);
        EXPECT_FLOAT_EQ(graph_.Band(17).eqGain, c.gain);
        EXPECT_FALSE(graph_.AllFlat());
    }
}

TEST_F(UIEqualizerTest, QDragIsLimitedBetweenNineAndAHalf) {
    graph_.SetDragAllDirection(true);
    bands_[17].eqFactor = 1.0f;
    graph_.SetBands(bands_, kBandCount, 17);
    const int hx = graph_.HandlePoint(17).x;
    const QRect right = graph_.QHandleRects()[1];
    EXPECT_EQ(right.left() + right.width() / 2, hx + 81);  // Q 1 -> 81 px
    notes_.clear();
    Press(right.center());
    ASSERT_EQ(graph_.Capture(), UIEqualizer::kFactorCaptured);
    struct Case {
        int dx;
        float q;
    };
    const Case cases[] = {{1, 9.0f}, {-2, 9.0f}, {27, 3.0f}, {162, 0.5f}, {600, 0.5f}, {-81, 1.0f}};
    for (const Case& c : cases) {
        Move(QPoint(hx + c.dx, right.center().y()));
        EXPECT_FLOAT_EQ(graph_.Band(17).eqFactor, c.q) << c.dx;
    }
    Release(QPoint(hx + 400, right.center().y()));
    EXPECT_FLOAT_EQ(graph_.Band(17).eqFactor, 0.5f);
    EXPECT_EQ(graph_.Band(17).freq, bands_[17].freq);
    ASSERT_FALSE(notes_.empty());
    EXPECT_EQ(notes_.back(), kNotifyEqualizerEq);
}

TEST_F(UIEqualizerTest, CrossoverMarkersCannotCross) {
    const eqgraph::GraphRect rect = graph_.GraphRect();
    const auto x = [&](int f) { return eqgraph::FrequencyToX(rect, f); };
    graph_.setCurEqHpLp(100, 1000);
    notes_.clear();

    Press(Centre(graph_.HpMarkerRect()));
    ASSERT_EQ(graph_.Capture(), UIEqualizer::kHpCaptured);
    EXPECT_EQ(graph_.CurrentControlIndex(), -1);
    const int y = Centre(graph_.HpMarkerRect()).y();
    Move(QPoint(x(500), y));
    const int accepted = graph_.HpFreq();
    EXPECT_NEAR(accepted, 500, 10);
    Move(QPoint(x(5000), y));  // past the low-pass marker: refused
    EXPECT_EQ(graph_.HpFreq(), accepted);
    Release(QPoint(x(5000), y));
    EXPECT_EQ(graph_.HpFreq(), accepted);
    ASSERT_FALSE(notes_.empty());
    EXPECT_EQ(notes_.back(), kNotifyEqualizerHp);  // sent on release even when refused

    notes_.clear();
    Press(Centre(graph_.LpMarkerRect()));
    ASSERT_EQ(graph_.Capture(), UIEqualizer::kLpCaptured);
    Move(QPoint(x(50), Centre(graph_.LpMarkerRect()).y()));
    EXPECT_EQ(graph_.LpFreq(), 1000);
    Release(QPoint(x(2000), Centre(graph_.LpMarkerRect()).y()));
    EXPECT_GT(graph_.LpFreq(), graph_.HpFreq());
    EXPECT_NEAR(graph_.LpFreq(), 2000, 20);
    EXPECT_EQ(notes_.back(), kNotifyEqualizerLp);
}

TEST_F(UIEqualizerTest, HighPassMovesFreelyWhenTheLowPassIsHidden) {
    graph_.setCurEqHpLp(100, 22000);  // low-pass outside the axis: hidden
    EXPECT_EQ(graph_.LpFreq(), -1);
    EXPECT_TRUE(graph_.LpMarkerRect().isNull());
    const int y = Centre(graph_.HpMarkerRect()).y();
    Press(Centre(graph_.HpMarkerRect()));
    Release(QPoint(eqgraph::FrequencyToX(graph_.GraphRect(), 8000), y));
    EXPECT_NEAR(graph_.HpFreq(), 8000, 100);
}

TEST_F(UIEqualizerTest, NotifiesOnReleaseHoverAndThroughTheSignal) {
    graph_.SetDragAllDirection(true);
    QSignalSpy spy(&graph_, &UIEqualizer::EqualizerNotify);
    // Hovering an unselected band selects it and notifies once.
    Move(HandleCentre(4), false);
    EXPECT_EQ(graph_.CurrentControlIndex(), 4);
    EXPECT_EQ(graph_.Text(), QStringLiteral("4"));
    EXPECT_EQ(graph_.cursor().shape(), Qt::PointingHandCursor);
    Move(HandleCentre(4) + QPoint(1, 0), false);
    ASSERT_EQ(notes_.size(), 1u);
    // A click without movement still reports the band on release.
    notes_.clear();
    Press(HandleCentre(4));
    EXPECT_TRUE(notes_.empty());
    Release(HandleCentre(4));
    ASSERT_EQ(notes_.size(), 1u);
    EXPECT_EQ(notes_[0], kNotifyEqualizerEq);
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.last().at(0).toString(), QStringLiteral("equalizer_eq"));
}

TEST_F(UIEqualizerTest, InfoLabelAndQHandlesFollowTheVerticalZones) {
    graph_.SetDragAllDirection(true);
    struct Case {
        float gain;  // handle y on the 900 x 300 graph
        int infoTop;
        int infoBottom;
        int qTop;
    };
    const Case cases[] = {
        {12.0f, 22, 37, 12},      // y 0: fixed rows near the top
        {-16.0f, 251, 266, 268},  // y 280: lower zone, label above the handle
        {0.0f, 134, 149, 124},    // y 120: label below the handle
        {-18.0f, 263, 278, 280},  // y 300: fixed rows near the bottom
    };
    for (const Case& c : cases) {
        bands_[10].eqGain = c.gain;
        graph_.SetBands(bands_, kBandCount, 10);
        const QRect info = graph_.InfoLabelRect();
        EXPECT_EQ(info.top(), c.infoTop) << c.gain;
        EXPECT_EQ(info.top() + info.height(), c.infoBottom) << c.gain;
        EXPECT_EQ(info.width(), 150);
        EXPECT_EQ(graph_.QHandleRects()[0].top(), c.qTop) << c.gain;
    }
    EXPECT_TRUE(graph_.InfoLabelText().endsWith(QStringLiteral("Q -18.0 dB")));
    graph_.SetDragAllDirection(false);
    EXPECT_EQ(graph_.InfoLabelText(), QStringLiteral("-18.0 dB"));
    EXPECT_EQ(graph_.InfoLabelRect().width(), 50);
    EXPECT_TRUE(graph_.QHandleRects()[0].isNull());
}

TEST_F(UIEqualizerTest, AllFlatBandsShowTheBypassText) {
    QStringList asked;
    graph_.SetTranslator([&](const QString& key) {
        asked << key;
        return QStringLiteral("flat");
    });
    EXPECT_TRUE(graph_.AllFlat());
    Render();
    EXPECT_TRUE(asked.contains(QStringLiteral("${all_bypass}")));

    asked.clear();
    bands_[3].eqGain = 1.5f;
    graph_.SetBands(bands_, kBandCount, -1);
    EXPECT_FALSE(graph_.AllFlat());
    Render();
    EXPECT_TRUE(asked.isEmpty());
}

TEST_F(UIEqualizerTest, CountsAndIndicesOutsideTheSlotsAreLimited) {
    graph_.SetBands(bands_, 50, 40);
    EXPECT_EQ(graph_.BandCount(), kBandCount);
    EXPECT_EQ(graph_.CurrentControlIndex(), -1);
    graph_.SetBands(std::span(bands_).first(5), 31, 4);
    EXPECT_EQ(graph_.BandCount(), 5);
    EXPECT_EQ(graph_.CurrentControlIndex(), 4);
    graph_.SetBands(bands_, -3, 0);
    EXPECT_EQ(graph_.BandCount(), 0);
    EXPECT_EQ(graph_.CurrentControlIndex(), -1);

    const auto demo = testing::MakeDemoChannels();
    graph_.SetBands(demo.bands[0], kBandCount, 2);
    graph_.SetCurves(demo.frequencies, demo.totals, 12, 9, demo.show);  // 6 given, current 9
    graph_.SetCurves(demo.frequencies, demo.totals, 6, -1, std::vector<int>{1});
    graph_.SetCurves(demo.frequencies, demo.totals, 0, 0, demo.show);  // ignored
    Render();
}

TEST_F(UIEqualizerTest, StopBandAndNonFiniteCurvePointsPaintSafely) {
    auto demo = testing::MakeDemoChannels();
    demo.totals[0].fill(-400.0);
    demo.totals[1][100] = std::numeric_limits<double>::quiet_NaN();
    demo.totals[1][200] = std::numeric_limits<double>::infinity();
    demo.totals[2][300] = -1e300;
    demo.frequencies[3][50] = std::numeric_limits<double>::quiet_NaN();
    bands_[0] = EqBand{std::numeric_limits<float>::quiet_NaN(), 0.0f, -100, 1};
    graph_.SetBands(bands_, kBandCount, 0);
    graph_.SetDragAllDirection(true);
    for (int current = 0; current < 4; ++current) {
        graph_.SetCurves(demo.frequencies, demo.totals, kChannelSlots, current, demo.show);
        const QImage image = Render();
        // The -400 dB curve is clipped away: the bottom rows keep the background where no
        // handle, label or marker is drawn.
        EXPECT_EQ(image.pixel(450, 298), QColor::fromRgba(eqgraph::kDefaultBackground).rgba());
    }
}

TEST_F(UIEqualizerTest, ResizeRecomputesTheHandles) {
    bands_[17].eqGain = 6.0f;
    graph_.SetBands(bands_, kBandCount, -1);
    graph_.resize(450, 150);
    Render();
    EXPECT_EQ(graph_.HandlePoint(17).x, eqgraph::FrequencyToX(graph_.GraphRect(), bands_[17].freq));
    EXPECT_EQ(graph_.HandlePoint(17).y, 30);
}

TEST_F(UIEqualizerTest, CurveColourAttributeKeepsTwelveEntries) {
    QString colors = QStringLiteral("#FF000001");
    for (int i = 2; i <= 14; ++i) {
        colors += QStringLiteral(" #FF0000%1").arg(i, 2, 10, QLatin1Char('0'));
    }
    EXPECT_TRUE(graph_.SetAttribute(QStringLiteral("curvecolor"), colors));
    ASSERT_EQ(graph_.CurveColors().size(), 12u);
    EXPECT_EQ(graph_.CurveColors()[11], 0xFF000012u);
    EXPECT_FALSE(graph_.SetAttribute(QStringLiteral("nonsense"), QStringLiteral("1")));
}

TEST_F(UIEqualizerTest, CalibrationGraphLimitsItsFamilies) {
    UIEqualizerAc ac;
    ac.resize(600, 200);
    const auto demo = testing::MakeDemoChannels();
    ac.SetDashedCurves(demo.frequencies, demo.totals, 20, 0, demo.show);
    EXPECT_EQ(ac.DashedCount(), kChannelSlots);
    std::vector<UIEqualizerAc::ShortCurve> shortCurves(1);
    shortCurves[0].fill(std::numeric_limits<double>::quiet_NaN());
    ac.SetShortCurves(shortCurves, shortCurves, 8, 0, std::vector<int>{1});
    EXPECT_EQ(ac.ShortCount(), 1);
    ac.SetSolidCurves(demo.frequencies, demo.totals, -1, 0, demo.show);
    EXPECT_EQ(ac.SolidCount(), 0);
    QImage image(ac.size(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    ac.Paint(painter);
}

}  // namespace
}  // namespace korvel
