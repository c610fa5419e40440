#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/conversions.h"

namespace korvel {
namespace {

TEST(MainVolume, LevelToDb) {
    EXPECT_EQ(MainVolumeDb(40), 6.0);  // exactly, not 41.25 * log10(40) - 60
    EXPECT_EQ(MainVolumeDb(0), -60.0);
    EXPECT_EQ(MainVolumeDb(-5), -60.0);  // the reset level
    EXPECT_EQ(MainVolumeDb(99), 6.0);
    EXPECT_DOUBLE_EQ(MainVolumeDb(10), -18.75);
    EXPECT_DOUBLE_EQ(MainVolumeDb(30), 41.25 * std::log10(30.0) - 60.0);
    EXPECT_EQ(MainVolumeAttenuation(40), 0.0);
    EXPECT_EQ(MainVolumeAttenuation(0), 66.0);
}

TEST(MainVolume, ReportedDbToLevel) {
    struct Case {
        double db;
        int level;
    };
    for (const Case c :
         {Case{-60.0, 1}, Case{0.0, 28}, Case{6.0, 39}, Case{-18.75, 10}, Case{-200.0, 0},
          Case{100.0, 40}, Case{std::numeric_limits<double>::quiet_NaN(), 0},
          Case{std::numeric_limits<double>::infinity(), 40}}) {
        EXPECT_EQ(MainVolumeLevelFromDb(c.db), c.level) << c.db;
    }
}

TEST(MainVolume, Text) {
    EXPECT_EQ(MainVolumeText(0), "${off}");
    EXPECT_EQ(MainVolumeText(-5), "${off}");
    EXPECT_EQ(MainVolumeText(17), "17");
}

TEST(ChannelVolume, SliderGainAndText) {
    struct Case {
        int slider;
        float gain;
        const char* text;
    };
    for (const Case c :
         {Case{-600, -60.0f, "${off}"}, Case{-590, -59.0f, "-59dB"}, Case{-120, -12.0f, "-12dB"},
          Case{0, 0.0f, "0dB"}, Case{-700, -60.0f, "${off}"}, Case{50, 0.0f, "0dB"}}) {
        EXPECT_FLOAT_EQ(ChannelGainFromSlider(c.slider), c.gain) << c.slider;
        EXPECT_EQ(ChannelVolumeText(c.gain), c.text) << c.slider;
    }
    EXPECT_EQ(ChannelVolumeText(-12.5), "-12dB");  // the whole dB
    EXPECT_EQ(ChannelSliderFromGain(-12.5), -125);
    EXPECT_EQ(ChannelSliderFromGain(-80.0), -600);
    EXPECT_EQ(ChannelSliderFromGain(3.0), 0);
    EXPECT_EQ(ChannelTrim(-12.0), 12.0);
    EXPECT_EQ(ClampChannelGain(std::numeric_limits<double>::quiet_NaN()), 0.0f);
}

TEST(Delay, UnitsAtTheEndsOfTheRange) {
    EXPECT_FLOAT_EQ(DelayMsFromSlider(15000), 15.0f);
    EXPECT_FLOAT_EQ(DelayMsFromSlider(20000), 15.0f);
    EXPECT_FLOAT_EQ(DelayMsFromSlider(-1), 0.0f);
    EXPECT_DOUBLE_EQ(DelayCmFromUs(15000), 519.0);
    EXPECT_DOUBLE_EQ(DelayInFromUs(15000), 204.0);
    EXPECT_DOUBLE_EQ(DelayMsFromCm(519.0), 15.0);
    EXPECT_DOUBLE_EQ(DelayMsFromIn(204.0), 15.0);
    EXPECT_DOUBLE_EQ(DelayCmFromUs(1000), 34.6);
}

TEST(Delay, TypedValuesAreClampedInEveryUnit) {
    EXPECT_DOUBLE_EQ(DelayMsFromTyped(20.0, DelayUnit::Milliseconds), 15.0);
    EXPECT_DOUBLE_EQ(DelayMsFromTyped(-1.0, DelayUnit::Milliseconds), 0.0);
    EXPECT_DOUBLE_EQ(DelayMsFromTyped(1000.0, DelayUnit::Centimetres), 15.0);
    EXPECT_DOUBLE_EQ(DelayMsFromTyped(500.0, DelayUnit::Inches), 15.0);
    EXPECT_DOUBLE_EQ(DelayMsFromTyped(34.6, DelayUnit::Centimetres), 1.0);
    EXPECT_DOUBLE_EQ(DelayMsFromTyped(std::nan(""), DelayUnit::Milliseconds), 0.0);
}

TEST(Delay, SliderPositionRoundsToTheNearestMicrosecond) {
    EXPECT_EQ(DelaySliderFromMs(0.007f), 7);  // 0.007f is slightly below 0.007
    EXPECT_EQ(DelaySliderFromMs(1.25), 1250);
    EXPECT_EQ(DelaySliderFromMs(16.0), 15000);
    EXPECT_EQ(DelaySliderFromMs(-2.0), 0);
}

TEST(Delay, Texts) {
    struct Case {
        int us;
        DelayUnit unit;
        const char* text;
        const char* whole;
    };
    for (const Case c : {Case{1250, DelayUnit::Milliseconds, "1.250 ms", "1.250 ms"},
                         Case{15000, DelayUnit::Centimetres, "519.00 cm", "519 cm"},
                         Case{15000, DelayUnit::Inches, "204.00 in", "204 in"},
                         Case{1000, DelayUnit::Centimetres, "34.60 cm", "35 cm"},
                         Case{1000, DelayUnit::Inches, "13.60 in", "14 in"}}) {
        EXPECT_EQ(DelayText(c.us, c.unit), c.text);
        EXPECT_EQ(DelayTextWhole(c.us, c.unit), c.whole);
    }
    EXPECT_EQ(DelayUnitFromIndex(1), DelayUnit::Centimetres);
    EXPECT_EQ(DelayUnitFromIndex(2), DelayUnit::Inches);
    EXPECT_EQ(DelayUnitFromIndex(7), DelayUnit::Milliseconds);
}

TEST(Equaliser, ControlTexts) {
    EXPECT_EQ(EqGainSliderFromGain(-3.5), -35);
    EXPECT_EQ(EqGainText(-3.5), "-3.5");
    EXPECT_EQ(EqQText(5.8), "5.80");
    EXPECT_EQ(BandFrequencyText(1250), "1250");
    EXPECT_EQ(CrossoverFrequencyText(80), "80Hz");
}

}  // namespace
}  // namespace korvel
