// The profile comparison works at the resolution the amplifier keeps: values an upload and a
// read back cannot tell apart compare equal, and every other change is one line at its place.

#include <gtest/gtest.h>

#include "controller/profile_diff.h"
#include "model/conversions.h"
#include "model/scene_name.h"
#include "model/scene_reset.h"

namespace korvel {
namespace {

SceneRecord Reset() {
    SceneRecord scene;
    ResetScene(scene);
    return scene;
}

// What the amplifier reports after it received `level`: the attenuation travels in whole dB.
int LevelAfterDevice(int level) {
    const int attenuation = static_cast<int>(static_cast<float>(MainVolumeAttenuation(level)));
    return MainVolumeLevelFromDb(6 - attenuation);
}

TEST(ProfileDiff, ValuesTheAmplifierCannotTellApartAreEqual) {
    for (int level = 0; level <= 40; ++level) {
        SceneRecord file = Reset();
        SceneRecord amp = Reset();
        file.mainVolume = level;
        amp.mainVolume = LevelAfterDevice(level);
        EXPECT_TRUE(DiffScene(file, amp, 0).empty()) << "level " << level;
    }
    SceneRecord file = Reset();
    SceneRecord amp = Reset();
    file.eqStore[1][3].eqGain = -3.04f;  // the amplifier keeps tenths of a dB, cut off
    amp.eqStore[1][3].eqGain = -3.1f;
    file.eqStore[1][3].eqFactor = 1.414f;  // ... and Q in tenths
    amp.eqStore[1][3].eqFactor = 1.4f;
    file.channels[2].delay = 1.2504f;  // ... and delays in microseconds
    amp.channels[2].delay = 1.25f;
    file.channels[4].gain = -12.5f;  // ... and trims in whole dB
    amp.channels[4].gain = -12.0f;
    file.eqStore[0][0].enable = 0;  // band switches and curve display are the window's
    file.showChEqualizer[3] = 1;
    for (const ValueDifference& d : DiffScene(file, amp, 0)) {
        ADD_FAILURE() << DescribeDifference(d);
    }
}

TEST(ProfileDiff, EachDifferenceIsOneLineAtItsPlace) {
    ModelStore file;
    ModelStore amp;
    file.live.eqStore[3][12].eqGain = -3.0f;
    amp.live.eqStore[3][12].eqGain = 1.5f;
    file.stored[1].inputs[5][2] = 5;
    amp.stored[1].inputs[5][2] = 1;
    file.names[2] = Utf16ToDeviceName(u"Club");
    amp.names[2] = Utf16ToDeviceName(u"Home");
    std::vector<std::string> lines;
    for (const ValueDifference& d : DiffWhole(file, amp)) {
        lines.push_back(DescribeDifference(d));
    }
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "scene 0 channel 3 band 12 gain: file -3.0 dB, amplifier +1.5 dB",
                         "scene 2 source 5 channel 2 inputs: file in1+in3, amplifier in1",
                         "scene 3 name: file \"Club\", amplifier \"Home\"",
                     }));
}

}  // namespace
}  // namespace korvel
