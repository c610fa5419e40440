// Cost of one full paint of the main window's equaliser graph (1180 x 300 px at 100 %) with six
// channels of curves and 31 bands, rendered offscreen into an image.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "common/qt_test_app.h"
#include "eqgraph/widget/demo_curves.h"
#include "eqgraph/widget/ui_equalizer.h"

namespace {

void PaintGraph(benchmark::State& state, bool parametric, int scale) {
    const korvel::testing::DemoChannels demo = korvel::testing::MakeDemoChannels();
    korvel::UIEqualizer graph;
    graph.SetScalePercent(scale);
    graph.resize(1180 * scale / 100, 300 * scale / 100);
    graph.SetAttribute(QStringLiteral("curvecolor"),
                       QString::fromLatin1(korvel::testing::kDemoCurveColors));
    graph.SetDragAllDirection(parametric);
    graph.SetBands(demo.bands[2], korvel::kBandCount, 11);
    graph.setCurEqHpLp(80, 3000);
    graph.SetCurves(demo.frequencies, demo.totals, korvel::kChannelSlots, 2, demo.show);
    QImage image(graph.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        graph.Paint(painter);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_PaintParametric(benchmark::State& state) {
    PaintGraph(state, true, 100);
}
void BM_PaintGraphic(benchmark::State& state) {
    PaintGraph(state, false, 100);
}
void BM_PaintParametricScale150(benchmark::State& state) {
    PaintGraph(state, true, 150);
}

BENCHMARK(BM_PaintParametric)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintGraphic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintParametricScale150)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    korvel::test::UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
