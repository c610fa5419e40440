#include "uiframework/dpi_scale.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvel::ui {
namespace {

struct DpiCase {
    int width;
    int height;
    int dpi;
};

class ChooseDpiTest : public ::testing::TestWithParam<DpiCase> {};

TEST_P(ChooseDpiTest, PicksDpiFromWidestScreen) {
    const DpiCase& c = GetParam();
    EXPECT_EQ(ChooseDpi({0, 0, c.width, c.height}), c.dpi) << c.width << " x " << c.height;
}

INSTANTIATE_TEST_SUITE_P(
    ScreenSizes, ChooseDpiTest,
    ::testing::Values(
        // Typical screens.
        DpiCase{1366, 768, 96}, DpiCase{1280, 700, 77}, DpiCase{1920, 1080, 144},
        DpiCase{2560, 1440, 192}, DpiCase{3840, 2160, 288},
        // Edges of every band.
        DpiCase{1279, 1024, 77}, DpiCase{1280, 719, 77}, DpiCase{1280, 720, 96},
        DpiCase{1899, 1000, 96}, DpiCase{1900, 1000, 144}, DpiCase{2459, 1000, 144},
        DpiCase{2460, 1000, 192}, DpiCase{3689, 1000, 192}, DpiCase{3690, 1000, 288},
        // A very wide but low screen is still "small".
        DpiCase{5120, 700, 77}, DpiCase{0, 0, 77}));

TEST(WidestScreenTest, OnlyAStrictlyWiderScreenReplacesTheChoice) {
    const std::vector<ScreenRect> screens = {
        {0, 0, 1920, 1080}, {1920, 0, 1920, 1200}, {-1366, 0, 1366, 768}, {3840, 0, 2560, 1440}};
    const ScreenRect widest = WidestScreen(screens);
    EXPECT_EQ(widest.left, 3840);
    EXPECT_EQ(widest.width, 2560);

    const std::vector<ScreenRect> equal = {{0, 0, 1920, 1080}, {1920, 0, 1920, 1200}};
    EXPECT_EQ(WidestScreen(equal).height, 1080) << "the first of equally wide screens stays";

    EXPECT_EQ(WidestScreen({}).width, 0);
    EXPECT_EQ(ChooseDpi(WidestScreen({})), 77);
}

TEST(ScalePercentTest, ScaleFollowsDpi) {
    EXPECT_EQ(ScalePercentForDpi(77), 80);
    EXPECT_EQ(ScalePercentForDpi(96), 100);
    EXPECT_EQ(ScalePercentForDpi(144), 150);
    EXPECT_EQ(ScalePercentForDpi(192), 200);
    EXPECT_EQ(ScalePercentForDpi(288), 300);
    EXPECT_EQ(ScalePercentForDpi(0), 100) << "an invalid DPI keeps the design scale";
    EXPECT_EQ(ScaleLength(1230, 150), 1845);
    EXPECT_EQ(ScaleLength(650, 80), 520);
    EXPECT_EQ(ScaleLength(15, 80), 12);
}

}  // namespace
}  // namespace korvel::ui
