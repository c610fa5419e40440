// Curve recomputation during a band drag: six channels in the worst case (order-8 high-pass and
// low-pass, 31 enabled bands with non-zero gain, 512 points), the shared evaluation against the
// plain one (a sine, a cosine and a logarithm per point per section).

#include <benchmark/benchmark.h>

#include <array>
#include <random>
#include <vector>

#include "eqgraph/eq_math.h"
#include "eqgraph/eq_reference.h"

namespace {

using korvel::kChannelSlots;
using korvel::kResponsePoints;

korvel::SceneRecord WorstCaseScene() {
    korvel::SceneRecord scene;
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> gain(-18.0f, 12.0f);
    std::uniform_real_distribution<float> q(0.5f, 9.0f);
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        korvel::ChannelSettings& c = scene.channels[ch];
        c.bypass = 0;
        c.crossover.hp = {40 + 10 * ch, 1 + ch % 3, 8, 0};
        c.crossover.lp = {8000 + 1000 * ch, 1 + (ch + 1) % 3, 8, 0};
        for (korvel::EqBand& b : scene.eqStore[ch]) {
            b.eqGain = gain(rng);
            b.eqFactor = q(rng);
            b.enable = 1;
        }
        // keep the 31-band table frequencies of a reset channel, varied per channel
        for (int i = 0; i < korvel::kBandCount; ++i) {
            scene.eqStore[ch][i].freq = 20 + i * (600 + 10 * ch);
        }
    }
    return scene;
}

struct Curves {
    std::array<std::vector<double>, kChannelSlots> frequencies;
    std::array<std::vector<double>, kChannelSlots> totals;
    Curves() {
        for (int ch = 0; ch < kChannelSlots; ++ch) {
            frequencies[ch].resize(kResponsePoints);
            totals[ch].resize(kResponsePoints);
        }
    }
};

void RecomputeChannels(benchmark::State& state, int channels) {
    const korvel::SceneRecord scene = WorstCaseScene();
    Curves curves;
    for (auto _ : state) {
        for (int ch = 0; ch < channels; ++ch) {
            korvel::ComputeChannelResponse(scene.channels[ch], scene.eqStore[ch], false,
                                           curves.frequencies[ch], curves.totals[ch]);
        }
        benchmark::DoNotOptimize(curves.totals[0].data());
        benchmark::ClobberMemory();
    }
}

void RecomputeChannelsPlain(benchmark::State& state, int channels) {
    const korvel::SceneRecord scene = WorstCaseScene();
    for (auto _ : state) {
        for (int ch = 0; ch < channels; ++ch) {
            const std::vector<double> grid = korvel::reference::Grid();
            std::vector<double> total = korvel::reference::ChannelDb(
                scene.channels[ch], scene.ChannelBands(ch), false, grid);
            benchmark::DoNotOptimize(total.data());
        }
    }
}

void BM_SixChannels(benchmark::State& state) {
    RecomputeChannels(state, kChannelSlots);
}
void BM_OneChannel(benchmark::State& state) {
    RecomputeChannels(state, 1);
}
void BM_SixChannelsPlain(benchmark::State& state) {
    RecomputeChannelsPlain(state, kChannelSlots);
}
void BM_OneChannelPlain(benchmark::State& state) {
    RecomputeChannelsPlain(state, 1);
}

void BM_SceneCurves(benchmark::State& state) {
    const korvel::SceneRecord scene = WorstCaseScene();
    for (auto _ : state) {
        korvel::SceneCurves curves = korvel::ComputeSceneCurves(scene);
        benchmark::DoNotOptimize(curves.totalDb[0].data());
    }
}

void BM_PeakingBand(benchmark::State& state) {
    std::vector<double> grid(kResponsePoints), db(kResponsePoints);
    korvel::BuildFrequencyGrid(korvel::kEqSampleRate, grid);
    for (auto _ : state) {
        korvel::PeakingResponseDb(korvel::kEqSampleRate, 1000, 6, 5.8, grid, db);
        benchmark::DoNotOptimize(db.data());
    }
}

}  // namespace

BENCHMARK(BM_SixChannels)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OneChannel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SixChannelsPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OneChannelPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SceneCurves)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PeakingBand)->Unit(benchmark::kMicrosecond);
