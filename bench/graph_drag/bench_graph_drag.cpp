// One drag step of an equaliser band in the main window as the user feels it: the pointer move
// event reaches the graph, the graph notifies the window, the controller stores the band (and the
// linked partner's), queues the device command, recomputes the curves and hands bands, markers
// and curves back to the graph; then the graph is painted in full at the size it has in the main
// window, offscreen into an image. The main window runs on an in-process virtual amplifier.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <cstdio>

#include "common/qt_test_app.h"
#include "eqgraph/widget/ui_equalizer.h"
#include "uiframework/framework.h"
#include "uiframework/modal_answerer.h"
#include "windows/main_wnd_test_support.h"

namespace {

using korvel::UIEqualizer;

constexpr int kBand = 12;
constexpr int kDrainEvery = 64;  // replies of the virtual amplifier are handled between batches

// Channels 0 and 1 as a linked front pair with both curves shown, like a tuning session.
void LinkedFrontPair(korvel::AmpState& s) {
    korvel::test::ApplyTunedState(s);
    s.live.channels[0].speakerType = 1;
    s.live.channels[1].speakerType = 7;
    s.live.link = 1;
    s.live.lock = 1;
    s.live.linkPairCount = 1;
    s.live.linkPairs[0] = {0, 1};
}

struct Session {
    korvel::test::MainWindowRig rig;
    UIEqualizer* graph = nullptr;
    bool ready = false;

    explicit Session(bool parametric) {
        korvel::ui::UiFramework::Instance().SetDpi(korvel::ui::kBaseDpi);
        rig.amp->ModifyState(LinkedFrontPair);
        rig.window->Create();
        rig.window->ShowWindow();
        if (!rig.ConnectAndSettle()) {
            return;
        }
        if (parametric) {
            korvel::ui::ModalAnswerer answers;
            answers.SetDefaultResult(1);
            rig.window->Click(QStringLiteral("btn_arg_eq"));
            korvel::ui::UiFramework::Instance().SetDpi(korvel::ui::kBaseDpi);
        }
        rig.window->Click(QStringLiteral("ch_show_1"));
        korvel::test::PumpFor(std::chrono::milliseconds(100));
        graph = rig.window->Graph();
        const korvel::SceneRecord& live = rig.window->Controller().LiveScene();
        ready = graph != nullptr && graph->LayoutValid() &&
                rig.window->ParametricMode() == parametric && live.linkMode == 1 &&
                live.linkOutputs[0] == 1;
    }

    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(at), graph->mapToGlobal(QPointF(at)), button, held,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(graph, &event);
    }

    void Drain() {
        rig.window->Controller().Link().WaitUntilIdle(std::chrono::seconds(10));
        QApplication::processEvents();
    }
};

void DragStep(benchmark::State& state, bool parametric) {
    Session session(parametric);
    if (!session.ready) {
        state.SkipWithError("the main window did not connect to the virtual amplifier");
        return;
    }
    UIEqualizer& graph = *session.graph;
    const QPoint from = graph.HandleRect(kBand).center();
    session.Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    QImage image(graph.size(), QImage::Format_ARGB32_Premultiplied);
    int step = 0;
    for (auto _ : state) {
        // Up and down (and sideways in parametric mode) by a few pixels: every step changes
        // the band.
        const int offset = (step % 2 == 0) ? 12 : -12;
        session.Mouse(QEvent::MouseMove, from + QPoint(offset / 2, offset), Qt::NoButton,
                      Qt::LeftButton);
        QPainter painter(&image);
        graph.Paint(painter);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
        if (++step % kDrainEvery == 0) {
            state.PauseTiming();
            session.Drain();
            state.ResumeTiming();
        }
    }
    session.Mouse(QEvent::MouseButtonRelease, from, Qt::LeftButton, Qt::NoButton);
    session.Drain();
    state.counters["graph_w"] = graph.width();
    state.counters["graph_h"] = graph.height();
}

// The paint alone, for comparison with the whole step.
void PaintOnly(benchmark::State& state) {
    Session session(true);
    if (!session.ready) {
        state.SkipWithError("the main window did not connect to the virtual amplifier");
        return;
    }
    QImage image(session.graph->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        session.graph->Paint(painter);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_GraphDragStepGraphic(benchmark::State& state) {
    DragStep(state, false);
}
void BM_GraphDragStepParametric(benchmark::State& state) {
    DragStep(state, true);
}
void BM_GraphPaintOnly(benchmark::State& state) {
    PaintOnly(state);
}

BENCHMARK(BM_GraphDragStepGraphic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GraphDragStepParametric)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GraphPaintOnly)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    korvel::test::UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
