#pragma once
// Shared fixtures for the profile suites: a richly filled scene, a comparison of every field the
// files carry, and a scratch directory.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "model/model_store.h"
#include "model/scene_name.h"
#include "model/scene_reset.h"
#include "model/speaker_roles.h"

namespace korvel::testing {

// A scene whose file-carried fields all differ from the reset state and stay in range.
inline std::unique_ptr<SceneRecord> RichScene(int seed) {
    auto scene = std::make_unique<SceneRecord>();
    SetChannelCount(*scene, true);
    scene->mainVolume = 10 + seed;
    scene->subVolume = 3 + seed;
    scene->mainVolumeMute = 1;
    scene->outputs = {1, 7, 13, 16, 22, 23};
    scene->linkMode = 1;
    scene->lockMode = 1;
    UpdateLinkOutputs(*scene);
    scene->currChannel = (3 + seed) % kChannelSlots;
    scene->showChEqualizer = {1, 0, 1, 0, 0, 1};
    for (int s = 0; s < kSourceCount; ++s) {
        for (int c = 0; c < kChannelSlots; ++c) {
            scene->inputs[static_cast<size_t>(s)][static_cast<size_t>(c)] = (s + c + seed) % 64;
            for (int i = 0; i < kMixInputs; ++i) {
                scene->inputMixVolume[static_cast<size_t>(s)][static_cast<size_t>(i)]
                                     [static_cast<size_t>(c)] = (s * 7 + i * 3 + c + seed) % 256;
            }
        }
    }
    for (int n = 0; n < kChannelSlots; ++n) {
        ChannelSettings& ch = scene->channels[static_cast<size_t>(n)];
        ch.gain = static_cast<float>(-n * 7 - seed);
        ch.mute = n % 2;
        ch.delay = 0.125f * static_cast<float>(n + seed);
        ch.phase = (n + 1) % 2;
        ch.bypass = 0;
        ch.crossover = RoleDefaultCrossover(scene->outputs[static_cast<size_t>(n)]);
        ch.crossover.hp.type = 1 + n % 3;
        ch.crossover.lp.slope = n % 4;
        ch.crossover.lp.bypass = ch.crossover.lp.slope == 0 ? 1 : 0;
        for (int b = 0; b < kBandCount; ++b) {
            EqBand& band = scene->eqStore[static_cast<size_t>(n)][static_cast<size_t>(b)];
            band.eqGain = 0.1f * static_cast<float>((b * 7 + n + seed) % 121 - 60);
            band.eqFactor = 0.5f + 0.05f * static_cast<float>((b + n) % 170);
            band.freq = 20 + b * 600 + n;
            band.enable = static_cast<uint8_t>((b + n) % 3 != 0);
        }
    }
    return scene;
}

// Empty when every field a profile carries is equal, else the first difference.
inline std::string FileFieldsDiffer(const SceneRecord& a, const SceneRecord& b) {
    std::ostringstream out;
    auto check = [&out](bool same, const std::string& what) {
        if (!same && out.tellp() == 0) {
            out << what;
        }
    };
    check(a.inputs == b.inputs, "inputs");
    check(a.inputMixVolume == b.inputMixVolume, "inputMixVolume");
    check(a.outputs == b.outputs, "outputs");
    check(a.linkOutputs == b.linkOutputs, "linkOutputs");
    check(a.showChEqualizer == b.showChEqualizer, "showChEqualizer");
    check(a.currChannel == b.currChannel, "currChannel");
    check(a.linkMode == b.linkMode, "linkMode");
    check(a.lockMode == b.lockMode, "lockMode");
    for (int n = 0; n < kChannelSlots; ++n) {
        const auto& x = a.channels[static_cast<size_t>(n)];
        const auto& y = b.channels[static_cast<size_t>(n)];
        const std::string ch = "channel " + std::to_string(n) + " ";
        check(x.eqSize == y.eqSize, ch + "eqSize");
        check(x.gain == y.gain, ch + "gain");
        check(x.mute == y.mute, ch + "mute");
        check(x.delay == y.delay, ch + "delay");
        check(x.phase == y.phase, ch + "phase");
        check(x.bypass == y.bypass, ch + "bypass");
        check(x.crossover.bpType == y.crossover.bpType, ch + "bpType");
        for (auto [f, g] : {std::pair{&x.crossover.hp, &y.crossover.hp},
                            std::pair{&x.crossover.lp, &y.crossover.lp}}) {
            check(f->fs == g->fs && f->type == g->type && f->slope == g->slope &&
                      f->bypass == g->bypass,
                  ch + "filter");
        }
        for (int k = 0; k < a.BandCount(n); ++k) {
            const EqBand& p = a.eqStore[static_cast<size_t>(n)][static_cast<size_t>(k)];
            const EqBand& q = b.eqStore[static_cast<size_t>(n)][static_cast<size_t>(k)];
            check(p.freq == q.freq && p.eqFactor == q.eqFactor && p.eqGain == q.eqGain &&
                      p.enable == q.enable,
                  ch + "band " + std::to_string(k));
        }
    }
    return out.str();
}

inline std::string HeaderDiffers(const SceneRecord& a, const SceneRecord& b) {
    if (a.mainVolume != b.mainVolume || a.subVolume != b.subVolume ||
        a.mainVolumeMute != b.mainVolumeMute) {
        return "main values";
    }
    return FileFieldsDiffer(a, b);
}

class ScratchDir {
  public:
    ScratchDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("korvel_profiles_" + std::string(info->test_suite_name()) + "_" + info->name());
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace korvel::testing
