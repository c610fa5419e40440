// The edit history and its neighbours, measured on full-sized data:
// - BM_DragEventStep: one pointer event of a drag (a bracket around one band change inside the
//   drag's open step), the work the history adds to every graph or slider event;
// - BM_RecordStep: the end of a user action that changed one band (comparison and the step);
// - BM_UnchangedAction: the end of a user action that changed nothing (every value compared);
// - BM_UndoEverything: undoing a step that changed every tuning value (an output reset with a
//   link copy is smaller);
// - BM_FilterImport: reading and placing a 31-filter measurement file;
// - BM_DiffWhole: comparing a whole profile (live and ten stored scenes) value by value.

#include <benchmark/benchmark.h>

#include <string>

#include "controller/edit_history.h"
#include "controller/profile_diff.h"
#include "model/model_store.h"
#include "model/scene_reset.h"
#include "profiles/filter_text.h"

namespace {

using korvel::EditHistory;
using korvel::SceneRecord;

SceneRecord ResetRecord() {
    SceneRecord scene;
    korvel::ResetScene(scene);
    return scene;
}

// Every tuning value of `scene` changed.
void ChangeEverything(SceneRecord& scene) {
    for (auto& row : scene.eqStore) {
        for (auto& band : row) {
            band.eqGain += 1.5f;
        }
    }
    for (auto& channel : scene.channels) {
        channel.gain -= 3.0f;
        channel.delay += 1.0f;
    }
    for (auto& source : scene.inputMixVolume) {
        for (auto& input : source) {
            input.fill(50);
        }
    }
}

void BM_DragEventStep(benchmark::State& state) {
    EditHistory history;
    SceneRecord live = ResetRecord();
    history.Begin(live);  // the press
    float gain = 0.0f;
    for (auto _ : state) {
        history.Begin(live);
        live.eqStore[2][7].eqGain = (gain += 0.1f);
        history.End(live, true);
    }
    history.End(live, true);
}
BENCHMARK(BM_DragEventStep);

void BM_RecordStep(benchmark::State& state) {
    EditHistory history;
    SceneRecord live = ResetRecord();
    float gain = 0.0f;
    for (auto _ : state) {
        history.Begin(live);
        live.eqStore[2][7].eqGain = (gain += 0.1f);
        benchmark::DoNotOptimize(history.End(live, true));
    }
}
BENCHMARK(BM_RecordStep);

// A click that changes nothing (a channel selection): every unit is compared.
void BM_UnchangedAction(benchmark::State& state) {
    EditHistory history;
    const SceneRecord live = ResetRecord();
    for (auto _ : state) {
        history.Begin(live);
        benchmark::DoNotOptimize(history.End(live, true));
    }
}
BENCHMARK(BM_UnchangedAction);

void BM_UndoEverything(benchmark::State& state) {
    EditHistory history;
    SceneRecord live = ResetRecord();
    history.Begin(live);
    ChangeEverything(live);
    history.End(live, true);
    for (auto _ : state) {
        auto undone = history.Undo(live);
        benchmark::DoNotOptimize(undone);
        auto redone = history.Redo(live);
        benchmark::DoNotOptimize(redone);
    }
}
BENCHMARK(BM_UndoEverything);

void BM_FilterImport(benchmark::State& state) {
    std::string text = "Filter Settings file\r\n\r\nRoom EQ V5.20\r\n";
    for (int i = 1; i <= 31; ++i) {
        text += "Filter " + std::to_string(i) + ": ON  PK       Fc " +
                std::to_string(20 + 600 * i) + ".0 Hz  Gain -4.50 dB  Q  2.100\r\n";
    }
    for (auto _ : state) {
        auto plan = korvel::PlanFilterImport(korvel::ParseFilterText(text), false);
        benchmark::DoNotOptimize(plan);
    }
}
BENCHMARK(BM_FilterImport);

void BM_DiffWhole(benchmark::State& state) {
    korvel::ModelStore file;
    korvel::ModelStore amp = file;
    ChangeEverything(amp.live);
    for (auto& scene : amp.stored) {
        ChangeEverything(scene);
    }
    for (auto _ : state) {
        auto differences = korvel::DiffWhole(file, amp);
        benchmark::DoNotOptimize(differences);
    }
    state.counters["differences"] = static_cast<double>(korvel::DiffWhole(file, amp).size());
}
BENCHMARK(BM_DiffWhole);

}  // namespace
