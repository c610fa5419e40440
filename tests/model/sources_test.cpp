#include <gtest/gtest.h>

#include "model/sources.h"

namespace korvel {
namespace {

TEST(Sources, TableMapsIndexItemCodeAndMixableInputs) {
    const char* items[] = {"source_opt", "source_coax", "source_bt",  "source_aux", "source_low",
                           "source_hi",  "source_dmp",  "source_udp", "source_scp"};
    const int mixable[] = {0, 0, 2, 0, 0, 4, 2, 0, 0};
    for (int index = 0; index < kSourceCount; ++index) {
        EXPECT_EQ(SourceCode(index), 0x51 + index);
        EXPECT_EQ(SourceIndexFromCode(0x51 + index), index);
        EXPECT_EQ(SourceItemName(index), items[index]);
        EXPECT_EQ(SourceIndexFromItem(items[index]), index);
        EXPECT_EQ(MixableInputs(index), mixable[index]);
    }
    EXPECT_FALSE(SourceIndexFromItem("source_usb").has_value());
    EXPECT_EQ(MixableInputs(9), 0);
}

TEST(Sources, ReportedCodesOutsideTheTableSelectTheLowLevelInput) {
    for (int code : {0x00, 0x50, 0x55, 0x5A, 0xFF, -1, 1000}) {
        EXPECT_EQ(SourceIndexFromCode(code), 4) << code;
    }
    EXPECT_EQ(SourceCode(-1), 0x55);
    EXPECT_EQ(SourceCode(9), 0x55);
}

}  // namespace
}  // namespace korvel
