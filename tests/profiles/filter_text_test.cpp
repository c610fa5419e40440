#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "profile_test_support.h"
#include "profiles/filter_text.h"
#include "profiles/text_file.h"

namespace korvel {
namespace {

using Reason = FilterRefusalReason;

std::string Lines(int count, const char* type = "PK") {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "Filter " + std::to_string(i + 1) + ": ON " + type + " Fc " +
                std::to_string(30 + 100 * i) + " Hz Gain -1.5 dB Q 1.00\n";
    }
    return text;
}

// ASCII text as UTF-16LE with its byte order mark.
std::string Utf16Le(std::string_view ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

struct ImportCase {
    const char* name;
    std::string text;
    bool firstPeakingOnly;
    int filters;  // bands carrying filters; 0 when refused
    // The first refusal (or, with firstPeakingOnly, the first skipped line); line -1: none.
    int problemLine;
    Reason problem;
    EqBand first;  // band 0 when filters > 0
    size_t adjustments;
};

class FilterImportCases : public ::testing::TestWithParam<ImportCase> {};

TEST_P(FilterImportCases, PlacesFiltersOrNamesTheLine) {
    const ImportCase& c = GetParam();
    const FilterImport plan = PlanFilterImport(ParseFilterText(c.text), c.firstPeakingOnly);
    EXPECT_EQ(plan.filterCount, c.filters);
    EXPECT_EQ(plan.ok(), c.filters > 0);
    const auto& problems = c.firstPeakingOnly && plan.ok() ? plan.skipped : plan.refusals;
    if (c.problemLine < 0) {
        EXPECT_TRUE(problems.empty()) << DescribeRefusal(problems.front());
    } else {
        ASSERT_FALSE(problems.empty());
        EXPECT_EQ(problems.front().line, c.problemLine) << DescribeRefusal(problems.front());
        EXPECT_EQ(problems.front().reason, c.problem);
    }
    if (c.filters > 0) {
        EXPECT_EQ(plan.bands[0].freq, c.first.freq);
        EXPECT_FLOAT_EQ(plan.bands[0].eqFactor, c.first.eqFactor);
        EXPECT_FLOAT_EQ(plan.bands[0].eqGain, c.first.eqGain);
    }
    EXPECT_EQ(plan.adjustments.size(), c.adjustments);
    // Bands without a filter are flat factory bands; every band is enabled.
    for (int b = c.filters; b < kBandCount; ++b) {
        EXPECT_EQ(plan.bands[static_cast<size_t>(b)].eqGain, 0.0f);
    }
    for (const EqBand& band : plan.bands) {
        EXPECT_EQ(band.enable, 1);
    }
}

const EqBand kNone{};

INSTANTIATE_TEST_SUITE_P(
    FilterText, FilterImportCases,
    ::testing::Values(
        ImportCase{"MeasurementFileWithHeaderCrlfNoneAndOff",
                   "Filter Settings file\r\n\r\nRoom EQ V5.20\r\nNotes:\r\n"
                   "Filter  1: ON  PK       Fc    63.0 Hz  Gain  -4.50 dB  Q  2.100\r\n"
                   "Filter  2: ON  PK       Fc   125 Hz  Gain  -3.0 dB  Q 4.00\r\n"
                   "Filter  3: ON  None\r\nFilter  4: OFF PK Fc 1000 Hz Gain 2 dB Q 1.41\r\n",
                   false, 2, -1, Reason::kUnreadable, EqBand{-4.5f, 2.1f, 63, 1}, 0},
        ImportCase{"OddSpacingTabsAndLowerCase",
                   "   filter\t7 :\ton   pk\tfc 1000hz  gain\t+3db   q 1.41  \n", false, 1, -1,
                   Reason::kUnreadable, EqBand{3.0f, 1.41f, 1000, 1}, 0},
        ImportCase{"DecimalCommasAndByteOrderMark",
                   "\xEF\xBB\xBF"
                   "Filter 1: ON PK Fc 63,5 Hz Gain -4,5 dB Q 2,10\n",
                   false, 1, -1, Reason::kUnreadable, EqBand{-4.5f, 2.1f, 64, 1}, 1},
        ImportCase{"Utf16WithByteOrderMark", Utf16Le("Filter: ON PK Fc 50 Gain -2 Q 3\n"), false, 1,
                   -1, Reason::kUnreadable, EqBand{-2.0f, 3.0f, 50, 1}, 0},
        ImportCase{"PreampAndUnnumberedFilter",
                   "Preamp: -6 dB\nFilter: ON PK Fc 1000 Hz Gain 3 dB Q 1.41\n", false, 1, -1,
                   Reason::kUnreadable, EqBand{3.0f, 1.41f, 1000, 1}, 0},
        ImportCase{"BandwidthInOctaves", "Filter 1: ON PK Fc 250 Hz Gain 2 dB BW Oct 1.0\n", false,
                   1, -1, Reason::kUnreadable, EqBand{2.0f, 1.41f, 250, 1}, 1},
        ImportCase{"OutOfRangeValuesBroughtInAndReported",
                   "Filter 1: ON PK Fc 15 Hz Gain -20 dB Q 12\n", false, 1, -1, Reason::kUnreadable,
                   EqBand{-18.0f, 9.0f, 20, 1}, 3},
        ImportCase{"FortyFiltersRefusedAtThe32nd", Lines(40), false, 0, 32, Reason::kTooMany, kNone,
                   0},
        ImportCase{"FortyFiltersFirst31OnRequest", Lines(40), true, 31, 32, Reason::kTooMany,
                   EqBand{-1.5f, 1.0f, 30, 1}, 0},
        ImportCase{"ShelfRefusedNamingItsLine", Lines(1) + "Filter 2: ON LS Fc 105 Hz Gain 6 dB\n",
                   false, 0, 2, Reason::kNotPeaking, kNone, 0},
        ImportCase{"ShelfSkippedOnRequest",
                   "Filter 1: ON LSC 6 dB Fc 105 Hz Gain 6 dB\n" + Lines(1), true, 1, 1,
                   Reason::kNotPeaking, EqBand{-1.5f, 1.0f, 30, 1}, 0},
        ImportCase{"MissingQRefused", "Filter 1: ON PK Fc 100 Hz Gain -3 dB\n", false, 0, 1,
                   Reason::kMissingValue, kNone, 0},
        ImportCase{"UnreadableNumberRefused", Lines(1) + "Filter 2: ON PK Fc abc Gain 1 dB Q 1\n",
                   false, 0, 2, Reason::kUnreadable, kNone, 0},
        ImportCase{"NoFilterAtAll", "Preamp: -3 dB\nFilter 1: OFF PK Fc 1 Hz Gain 1 dB Q 1\n", true,
                   0, 0, Reason::kNoFilters, kNone, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FilterText, WrittenEnabledBandsReadBackInOrder) {
    const auto scene = testing::RichScene(2);
    const auto& row = scene->eqStore[1];
    const std::string text = FilterTextForBands(row, "Tarvik7 channel 1");
    EXPECT_EQ(text.rfind("# Tarvik7 channel 1\nFilter 1: ON PK Fc ", 0), 0u) << text;
    const FilterImport plan = PlanFilterImport(ParseFilterText(text), false);
    ASSERT_TRUE(plan.ok());
    int placed = 0;
    for (const EqBand& band : row) {
        if (band.enable == 0) {
            continue;
        }
        const EqBand& read = plan.bands[static_cast<size_t>(placed++)];
        EXPECT_EQ(read.freq, band.freq);
        EXPECT_NEAR(read.eqFactor, band.eqFactor, 0.005);
        EXPECT_NEAR(read.eqGain, band.eqGain, 0.05);
    }
    EXPECT_EQ(plan.filterCount, placed);
}

TEST(TextFile, ReplacesWholeOrLeavesTheOldFile) {
    testing::ScratchDir dir;
    const auto path = dir / "filters.txt";
    std::string error;
    ASSERT_TRUE(WriteFileReplacing(path, "old", error)) << error;
    ASSERT_TRUE(WriteFileReplacing(path, "new text", error)) << error;
    std::ifstream file(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "new text");
    EXPECT_FALSE(WriteFileReplacing(dir / "missing" / "x.txt", "x", error));
    EXPECT_FALSE(error.empty());
    // A folder in the way of the rename: the temporary file is removed again.
    std::filesystem::create_directory(dir / "taken");
    EXPECT_FALSE(WriteFileReplacing(dir / "taken", "x", error));
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 2);  // filters.txt and the folder
}

}  // namespace
}  // namespace korvel
