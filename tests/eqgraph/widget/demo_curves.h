#pragma once
// A plausible six-channel car-audio tune (tweeters, mid-woofers, subwoofers) with its computed
// response curves, for the graph's tests, screenshots and benchmark.

#include <array>
#include <vector>

#include "eqgraph/eq_math.h"
#include "eqgraph/widget/ui_equalizer.h"
#include "model/scene_record.h"

namespace korvel::testing {

inline constexpr std::array<int, kBandCount> kDemoBandFrequencies = {
    20,  25,   31,   40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

struct DemoChannels {
    std::array<std::array<EqBand, kBandCount>, kChannelSlots> bands{};
    std::array<ChannelSettings, kChannelSlots> settings{};
    std::vector<UIEqualizer::CurveArray> frequencies;
    std::vector<UIEqualizer::CurveArray> totals;
    std::vector<int> show;
};

inline std::array<EqBand, kBandCount> FlatBands(float q = 4.3f) {
    std::array<EqBand, kBandCount> bands{};
    for (int i = 0; i < kBandCount; ++i) {
        bands[i] = EqBand{0.0f, q, kDemoBandFrequencies[i], 1};
    }
    return bands;
}

inline FilterSettings Filter(int frequency, int slope) {
    return FilterSettings{frequency, 2, slope, 0};
}

inline DemoChannels MakeDemoChannels() {
    DemoChannels demo;
    struct Tune {
        int hp;
        int hpSlope;
        int lp;
        int lpSlope;
        std::array<float, 6> gains;  // a few bands per channel
        std::array<int, 6> at;
    };
    const std::array<Tune, kChannelSlots> tunes = {{
        {3000, 4, 20000, 0, {-3.0f, 2.5f, -4.0f, 1.5f, 0, 0}, {22, 25, 27, 29, 0, 0}},
        {3150, 4, 20000, 0, {-2.0f, 3.0f, -3.5f, 2.0f, 0, 0}, {22, 24, 27, 29, 0, 0}},
        {80, 4, 3000, 4, {4.0f, -5.5f, 2.0f, -3.0f, 3.0f, 0}, {7, 11, 14, 17, 20, 0}},
        {80, 4, 3150, 4, {3.0f, -6.0f, 1.5f, -2.5f, 2.0f, 0}, {7, 11, 14, 17, 20, 0}},
        {25, 2, 80, 4, {5.0f, -4.0f, 2.5f, 0, 0, 0}, {2, 5, 7, 0, 0, 0}},
        {25, 2, 90, 4, {4.0f, -3.0f, 1.5f, 0, 0, 0}, {2, 5, 7, 0, 0, 0}},
    }};
    demo.frequencies.resize(kChannelSlots);
    demo.totals.resize(kChannelSlots);
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        const Tune& tune = tunes[ch];
        demo.bands[ch] = FlatBands();
        for (std::size_t i = 0; i < tune.gains.size(); ++i) {
            if (tune.gains[i] != 0.0f) {
                demo.bands[ch][tune.at[i]].eqGain = tune.gains[i];
            }
        }
        ChannelSettings& settings = demo.settings[ch];
        settings.bypass = 0;
        settings.crossover.hp =
            tune.hpSlope > 0 ? Filter(tune.hp, tune.hpSlope) : FilterSettings{tune.hp, 2, 0, 1};
        settings.crossover.lp =
            tune.lpSlope > 0 ? Filter(tune.lp, tune.lpSlope) : FilterSettings{tune.lp, 2, 0, 1};
        ComputeChannelResponse(settings, demo.bands[ch], false, demo.frequencies[ch],
                               demo.totals[ch]);
        demo.show.push_back(1);
    }
    return demo;
}

// Colours a skin would give in "curvecolor": one per channel pair family.
inline const char* kDemoCurveColors = "#FF2EC4FF #FF4F8DFF #FFFFB000 #FFFF7A3D #FFB266FF #FFE35DAE";

}  // namespace korvel::testing
