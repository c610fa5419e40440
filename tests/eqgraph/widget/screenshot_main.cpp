// Renders the equaliser graphs in typical states to PNG files for visual review:
//   eqgraph_screenshots [output folder]   (default /tmp/korvel-shots)
// Runs on the offscreen platform; not part of the test run.

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>

#include "common/qt_test_app.h"
#include "eqgraph/widget/demo_curves.h"
#include "eqgraph/widget/ui_equalizer.h"
#include "eqgraph/widget/ui_equalizer_ac.h"

namespace {

using korvel::UIEqualizer;
using korvel::testing::DemoChannels;

bool Save(QWidget& widget, const QString& folder, const QString& name) {
    const QString path = folder + QStringLiteral("/eqgraph-") + name + QStringLiteral(".png");
    const bool ok = widget.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

void ShowChannel(UIEqualizer& graph, const DemoChannels& demo, int channel, int selected,
                 std::vector<int> show) {
    const auto& settings = demo.settings[channel].crossover;
    graph.SetBands(demo.bands[channel], korvel::kBandCount, selected);
    graph.setCurEqHpLp(settings.hp.bypass ? -1 : settings.hp.fs,
                       settings.lp.bypass ? -1 : settings.lp.fs);
    graph.SetCurves(demo.frequencies, demo.totals, korvel::kChannelSlots, channel, show);
}

}  // namespace

int main(int argc, char** argv) {
    korvel::test::UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    const QString folder = korvel::test::ScreenshotFolder(argc, argv);
    const DemoChannels demo = korvel::testing::MakeDemoChannels();
    bool ok = true;

    UIEqualizer graph;
    graph.resize(1180, 300);
    graph.SetAttribute(QStringLiteral("curvecolor"),
                       QString::fromLatin1(korvel::testing::kDemoCurveColors));

    // Parametric, mid-woofer channel, band 12 selected, the other channels hidden.
    graph.SetDragAllDirection(true);
    ShowChannel(graph, demo, 2, 11, {0, 0, 1, 0, 0, 0});
    ok &= Save(graph, folder, QStringLiteral("parametric-selected"));

    // All six channels, the current one on top.
    ShowChannel(graph, demo, 2, 16, {1, 1, 1, 1, 1, 1});
    ok &= Save(graph, folder, QStringLiteral("channels"));

    // Graphic mode on the subwoofer channel.
    graph.SetDragAllDirection(false);
    ShowChannel(graph, demo, 4, 5, {0, 0, 1, 1, 1, 1});
    ok &= Save(graph, folder, QStringLiteral("graphic"));

    // Tweeter: high-pass marker, low-pass hidden; a band at the top edge.
    graph.SetDragAllDirection(true);
    auto bands = demo.bands[0];
    bands[30].eqGain = 12.0f;
    bands[0].eqGain = -18.0f;
    graph.SetBands(bands, korvel::kBandCount, 30);
    graph.setCurEqHpLp(3000, 20000);
    graph.SetCurves(demo.frequencies, demo.totals, korvel::kChannelSlots, 0,
                    std::vector<int>{1, 1, 0, 0, 0, 0});
    ok &= Save(graph, folder, QStringLiteral("markers"));

    // Bypassed channel: flat bands, flat curve, the bypass text.
    std::vector<UIEqualizer::CurveArray> flat(1);
    flat[0].fill(0.0);
    graph.SetBands(korvel::testing::FlatBands(), korvel::kBandCount, -1);
    graph.setCurEqHpLp(-1, -1);
    graph.SetCurves(demo.frequencies, flat, 1, 0, std::vector<int>{1});
    ok &= Save(graph, folder, QStringLiteral("bypass"));

    // The same parametric view at 150 % display scale.
    UIEqualizer large;
    large.SetScalePercent(150);
    large.resize(1770, 450);
    large.SetAttribute(QStringLiteral("curvecolor"),
                       QString::fromLatin1(korvel::testing::kDemoCurveColors));
    large.SetDragAllDirection(true);
    ShowChannel(large, demo, 3, 13, {1, 1, 1, 1, 1, 1});
    ok &= Save(large, folder, QStringLiteral("scale150"));

    // Calibration graph: measured (short), target (dashed) and result (solid) families.
    korvel::UIEqualizerAc ac;
    ac.resize(900, 300);
    std::vector<korvel::UIEqualizerAc::ShortCurve> shortF(2), shortDb(2);
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < korvel::UIEqualizerAc::kShortPoints; ++i) {
            shortF[c][i] = 20.0 * std::pow(1000.0, i / 120.0);
            shortDb[c][i] = 6.0 * std::sin(i / 9.0 + c) - 2.0 * c;
        }
    }
    ac.SetShortCurves(shortF, shortDb, 2, 0, std::vector<int>{1, 1});
    ac.SetDashedCurves(demo.frequencies, demo.totals, 2, 0, std::vector<int>{1, 1});
    ac.SetSolidCurves(std::span(demo.frequencies).subspan(2), std::span(demo.totals).subspan(2), 2,
                      0, std::vector<int>{1, 1});
    ok &= Save(ac, folder, QStringLiteral("calibration"));
    return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
