// Every encoder's bytes on the wire, sent on the immediate path so the report is written at once.

#include <array>
#include <functional>
#include <string>

#include "command_fixture.h"
#include "commands/wire_values.h"

namespace korvel::testing {
namespace {

struct EncoderCase {
    std::string name;
    std::function<bool(DeviceLink&)> call;
    SentCommand expected;
};

void PrintTo(const EncoderCase& c, std::ostream* os) {
    *os << c.name;
}

const std::array<float, 2> kDelays{1.25f, 0.0f};
const std::array<float, 3> kTrims{-12.7f, 0.0f, 5.9f};
const std::array<uint8_t, 2> kFlags{1, 0};
const std::array<int, 2> kMasks{0x03, 0x0C};
const std::array<ChannelPair, 2> kPairs{{{0, 1}, {2, 3}}};
const std::array<uint8_t, 2> kChannels{1, 4};
const std::array<int, 6> kMixTrims{0, -1, -2, -3, 10, 127};
const std::array<uint16_t, 1> kDistances{1234};
const std::array<int, 1> kFreqs{1000};
const std::array<float, 1> kQs{4.3f};
const std::array<float, 1> kGains{-3.5f};
const std::array<uint8_t, 4> kName{'C', 'l', 'u', 'b'};
const std::array<uint8_t, 3> kProfile{1, 2, 3};

std::vector<EncoderCase> Cases() {
    const uint8_t S = OP_SET, G = OP_GET;
    return {
        {"EQ_Ctrl",
         [](DeviceLink& l) { return l.EQ_Ctrl(1, 0, 2, 5, 1000, 4.3f, -3.5f, true); },
         {1, 0x06, S, {0x01, 0x00, 0x02, 0x05, 0x03, 0xE8, 0x04, 0x03, 0x0E, 0x05}}},
        {"EQ_Ctrl_max_gain",
         [](DeviceLink& l) { return l.EQ_Ctrl(0, 0, 0, 30, 20000, 0.5f, 12.0f, true); },
         {1, 0x06, S, {0, 0, 0, 30, 0x4E, 0x20, 0x00, 0x05, 30, 0x00}}},
        {"Delay_Ctrl",
         [](DeviceLink& l) { return l.Delay_Ctrl(0, 0, 0, 1, kDelays, true); },
         {1, 0x07, S, {0, 0, 0, 1, 0x01, 0x00, 0xFA, 0x00, 0x00, 0x00}}},
        {"Delay_Ctrl_last_below_first",
         [](DeviceLink& l) { return l.Delay_Ctrl(0, 0, 3, 2, {}, true); },
         {1, 0x07, S, {0, 0, 3, 2}}},
        {"Main_Volume_Ctrl",
         [](DeviceLink& l) { return l.Main_Volume_Ctrl(-12.7f, true); },
         {1, 0x02, S, {0xF4}}},
        {"Set_MemData",
         [](DeviceLink& l) { return l.Set_MemData(0x2000, 1, true); },
         {1, 0x42, S, {0x00, 0x20, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}}},
        {"Get_MemData",
         [](DeviceLink& l) { return l.Get_MemData(0x12345678); },
         {1, 0x42, G, {0x78, 0x56, 0x34, 0x12, 0, 0, 0, 0}}},
        {"Source_Switch_Ctrl",
         [](DeviceLink& l) { return l.Source_Switch_Ctrl(0x53, true); },
         {1, 0x01, S, {0x53}}},
        {"Filter_Ctrl",
         [](DeviceLink& l) { return l.Filter_Ctrl(0, 0, 3, 2, 80, 4, 1, true); },
         {1, 0x05, S, {0, 0, 3, 2, 1, 0x00, 0x50, 4}}},
        {"Trim_Ctrl",
         [](DeviceLink& l) { return l.Trim_Ctrl(0, 0, 0, 2, kTrims, true); },
         {1, 0x08, S, {0, 0, 0, 2, 0xF4, 0x00, 0x05}}},
        {"Mute_Ch_Ctrl",
         [](DeviceLink& l) { return l.Mute_Ch_Ctrl(0, 0, 4, 5, kFlags, true); },
         {1, 0x09, S, {0, 0, 4, 5, 1, 0}}},
        {"Phase_Ctrl",
         [](DeviceLink& l) { return l.Phase_Ctrl(0, 0, 0, 1, kFlags, true); },
         {1, 0x0A, S, {0, 0, 0, 1, 1, 0}}},
        {"Mix_Ch_Ctrl",
         [](DeviceLink& l) { return l.Mix_Ch_Ctrl(0, 0x51, 0, 1, kMasks, true); },
         {1, 0x0B, S, {0, 0x51, 0, 1, 0x03, 0x0C}}},
        {"Mix_Ch_Ctrl_wide_masks",
         [](DeviceLink& l) {
             l.SetInputCount(10);
             return l.Mix_Ch_Ctrl(0, 0x51, 0, 1, kMasks, true);
         },
         {1, 0x0B, S, {0, 0x51, 0, 1, 0x00, 0x03, 0x00, 0x0C}}},
        {"CH_Type_Ctrl",
         [](DeviceLink& l) { return l.CH_Type_Ctrl(0, 0, 2, 3, kFlags, true); },
         {1, 0x0D, S, {0, 0, 2, 3, 1, 0}}},
        {"CH_Link_Ctrl",
         [](DeviceLink& l) { return l.CH_Link_Ctrl(0, 1, 2, kPairs, true); },
         {1, 0x0E, S, {0, 1, 2, 0, 1, 2, 3}}},
        {"CH_Delay_Link_Ctrl",
         [](DeviceLink& l) { return l.CH_Delay_Link_Ctrl(0, 0, 1, kPairs, true); },
         {1, 0x31, S, {0, 0, 1, 0, 1}}},
        {"CH_Lock_Ctrl",
         [](DeviceLink& l) { return l.CH_Lock_Ctrl(0, 1, true); },
         {1, 0x0F, S, {0, 1}}},
        {"DSP_Bypass_Ctrl",
         [](DeviceLink& l) { return l.DSP_Bypass_Ctrl(0, 3, 1, true); },
         {1, 0x10, S, {0, 3, 1}}},
        {"PEQ_Reset_Ctrl",
         [](DeviceLink& l) { return l.PEQ_Reset_Ctrl(0, 0, 2, kChannels, true); },
         {1, 0x11, S, {0, 0, 2, 1, 4}}},
        {"IRC_Ctrl",
         [](DeviceLink& l) { return l.IRC_Ctrl(1, 0x013F, 2, true); },
         {1, 0x13, S, {1, 0x01, 0x3F, 2}}},
        {"Input_EQ_Ctrl",
         [](DeviceLink& l) { return l.Input_EQ_Ctrl(0, 0, 1, 0, 0, kFreqs, kQs, kGains, true); },
         {1, 0x23, S, {0, 0, 1, 0, 0, 0x03, 0xE8, 0x04, 0x03, 0x0E, 0x05}}},
        {"Input_Mix_Trim_Ctrl",
         [](DeviceLink& l) { return l.Input_Mix_Trim_Ctrl(0, 0x51, 2, 0, 5, kMixTrims, true); },
         {1, 0x24, S, {0, 0x51, 2, 0, 5, 0x00, 0xFF, 0xFE, 0xFD, 0x0A, 0x7F}}},
        {"Input_Mix_Trim_Ctrl2",
         [](DeviceLink& l) { return l.Input_Mix_Trim_Ctrl2(0, 0x51, 0, 1, 4, kMixTrims, true); },
         {1, 0x28, S, {0, 0x51, 0, 1, 4, 0x00, 0xFF}}},
        {"Input_Ch_Threshold_Ctrl",
         [](DeviceLink& l) { return l.Input_Ch_Threshold_Ctrl(-60, true); },
         {1, 0x26, S, {0xC4}}},
        {"Compressor_Ctrl",
         [](DeviceLink& l) {
             return l.Compressor_Ctrl(0, 0, 1, 0, -20.5f, 2.5f, 10, 200, 1.5f, true);
         },
         {1, 0x3E, S, {0, 0, 1, 0, 0x4F, 0x05, 0x02, 0x05, 0x01, 0x05, 0x00, 0x0A, 0x00, 0xC8}}},
        {"Spk_Dist_Ctrl",
         [](DeviceLink& l) { return l.Spk_Dist_Ctrl(0, 0, 0, 0, kDistances, true); },
         {1, 0x43, S, {0, 0, 0, 0, 0x04, 0xD2}}},
        {"Sel_Remote_CH_Ctrl",
         [](DeviceLink& l) { return l.Sel_Remote_CH_Ctrl(0x0102, true); },
         {1, 0x32, S, {0x01, 0x02}}},
        {"Mix_Type2_Ctrl",
         [](DeviceLink& l) { return l.Mix_Type2_Ctrl(0, 0x51, 2, true); },
         {1, 0x83, S, {0, 0x51, 2}}},
        {"Factory_Preset_Ctrl",
         [](DeviceLink& l) { return l.Factory_Preset_Ctrl(2); },
         {1, 0x39, S, {2}}},
        {"Get_Main_Volume", [](DeviceLink& l) { return l.Get_Main_Volume(); }, {1, 0x02, G, {}}},
        {"Get_Filter",
         [](DeviceLink& l) { return l.Get_Filter(0, 0, 0, 3); },
         {1, 0x05, G, {0, 0, 0, 3}}},
        {"Get_EQ",
         [](DeviceLink& l) { return l.Get_EQ(0, 0, 2, 8, 15); },
         {1, 0x06, G, {0, 0, 2, 8, 15}}},
        {"Get_CH_Link", [](DeviceLink& l) { return l.Get_CH_Link(0); }, {1, 0x0E, G, {0}}},
        {"IRC_Get", [](DeviceLink& l) { return l.IRC_Get(); }, {1, 0x13, G, {}}},
        {"IRC_Get_EQ",
         [](DeviceLink& l) { return l.IRC_Get_EQ(0, 5, 2); },
         {1, 0x16, G, {0, 5, 2}}},
        {"IRC_Get_Spectrum",
         [](DeviceLink& l) { return l.IRC_Get_Spectrum(9, 17, 1); },
         {1, 0x1A, G, {9, 17, 1}}},
        {"Get_Input_Mix_CH_Trim",
         [](DeviceLink& l) { return l.Get_Input_Mix_CH_Trim(0, 0x51, 3, 0, 5); },
         {1, 0x24, G, {0, 0x51, 3, 0, 5}}},
        {"Get_Input_Noise",
         [](DeviceLink& l) { return l.Get_Input_Noise(0, 3, true); },
         {1, 0x27, G, {0, 3}}},
        {"SaveScene", [](DeviceLink& l) { return l.SaveScene(3, 1); }, {2, 0x08, S, {3, 1}}},
        {"ReadScene", [](DeviceLink& l) { return l.ReadScene(1, 10); }, {2, 0x09, S, {1, 10}}},
        {"DeleteScene", [](DeviceLink& l) { return l.DeleteScene(4); }, {2, 0x0A, S, {4}}},
        {"SetSceneName",
         [](DeviceLink& l) { return l.SetSceneName(2, kName, 4); },
         {2, 0x0B, S, {2, 4, 'C', 'l', 'u', 'b'}}},
        {"GetSceneName", [](DeviceLink& l) { return l.GetSceneName(2); }, {2, 0x0B, G, {2}}},
        {"SetSceneProfile",
         [](DeviceLink& l) { return l.SetSceneProfile(1, 53, 3, kProfile); },
         {2, 0x0C, S, {1, 0x00, 0x35, 3, 1, 2, 3}}},
        {"GetSceneProfile",
         [](DeviceLink& l) { return l.GetSceneProfile(1, 0x0102, 40); },
         {2, 0x0C, G, {1, 0x01, 0x02, 40}}},
        {"Get_Scene_Valid", [](DeviceLink& l) { return l.Get_Scene_Valid(); }, {2, 0x0F, G, {}}},
        {"Hand_Connect", [](DeviceLink& l) { return l.Hand_Connect(); }, {3, 0x08, S, {}}},
        {"SetPWD",
         [](DeviceLink& l) { return l.SetPWD("1234", 4, "car", 3); },
         {3, 0x0D, S, {4, '1', '2', '3', '4', 3, 'c', 'a', 'r'}}},
        {"Factory_Default_Ctrl",
         [](DeviceLink& l) { return l.Factory_Default_Ctrl(); },
         {3, 0x90, S, {}}},
        {"Set_Power_Off_Time",
         [](DeviceLink& l) { return l.Set_Power_Off_Time(1500, true); },
         {3, 0x91, S, {0x05, 0xDC}}},
        {"Set_Acc", [](DeviceLink& l) { return l.Set_Acc(-2, true); }, {3, 0x92, S, {0xFE}}},
        {"Get_Mcu_Item41", [](DeviceLink& l) { return l.Get_Mcu_Item41(true); }, {3, 0x41, G, {}}},
        {"KTV_ECHO_DELAY",
         [](DeviceLink& l) { return l.KTV_Ctrl(KtvItem::KTV_ECHO_DELAY, 300, true); },
         {7, 0x05, S, {0x01, 0x2C}}},
        {"KTV_BASS_GAIN",
         [](DeviceLink& l) { return l.KTV_Ctrl(KtvItem::KTV_BASS_GAIN, -3, true); },
         {7, 0x09, S, {0xFD}}},
        {"Get_KTV_MIC_VOL",
         [](DeviceLink& l) { return l.Get_KTV(KtvItem::KTV_MIC_VOL); },
         {7, 0x01, G, {}}},
    };
}

class EncoderTest : public CommandFixture, public ::testing::WithParamInterface<EncoderCase> {};

TEST_P(EncoderTest, WritesTheTabledBytes) {
    const EncoderCase& c = GetParam();
    c.call(link);
    ASSERT_EQ(device->WriteCount(), 1u);
    EXPECT_EQ(LastSent(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(AllEncoders, EncoderTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

// Requests that would not fit the command's buffer or one report are refused, never cut.
struct RefusalCase {
    std::string name;
    std::function<bool(DeviceLink&)> call;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

const std::array<float, 17> kSeventeenDelays{};
const std::array<uint8_t, 64> kBytes{};
const std::array<ChannelPair, 28> kManyPairs{};
const std::array<int, 6> kSixFreqs{};
const std::array<float, 6> kSixFloats{};
const std::array<uint8_t, 17> kLongName{};

std::vector<RefusalCase> RefusalCases() {
    return {
        {"Delay_17_channels",
         [](DeviceLink& l) { return l.Delay_Ctrl(0, 0, 0, 16, kSeventeenDelays, true); }},
        {"Delay_values_missing",
         [](DeviceLink& l) { return l.Delay_Ctrl(0, 0, 0, 2, std::span(kDelays), true); }},
        {"Mute_Ch_41_bytes",
         [](DeviceLink& l) { return l.Mute_Ch_Ctrl(0, 0, 0, 36, kBytes, true); }},
        {"Trim_values_missing",
         [](DeviceLink& l) { return l.Trim_Ctrl(0, 0, 0, 5, kTrims, true); }},
        {"CH_Link_28_pairs",
         [](DeviceLink& l) { return l.CH_Link_Ctrl(0, 1, 28, kManyPairs, true); }},
        {"CH_Link_count_beyond_array",
         [](DeviceLink& l) { return l.CH_Link_Ctrl(0, 1, 3, kPairs, true); }},
        {"PEQ_Reset_55_channels",
         [](DeviceLink& l) { return l.PEQ_Reset_Ctrl(0, 0, 55, kBytes, true); }},
        {"Input_EQ_6_bands",
         [](DeviceLink& l) {
             return l.Input_EQ_Ctrl(0, 0, 0, 0, 5, kSixFreqs, kSixFloats, kSixFloats, true);
         }},
        {"SceneName_17_bytes", [](DeviceLink& l) { return l.SetSceneName(1, kLongName, 17); }},
        {"SceneName_length_beyond_buffer",
         [](DeviceLink& l) { return l.SetSceneName(1, kName, 5); }},
        {"SceneProfile_54_bytes",
         [](DeviceLink& l) { return l.SetSceneProfile(1, 0, 54, kBytes); }},
        {"Password_13_bytes", [](DeviceLink& l) { return l.SetPWD("1234567890123", 13, "", 0); }},
        {"Remark_21_bytes",
         [](DeviceLink& l) { return l.SetPWD("1", 1, "123456789012345678901", 21); }},
        {"Password_length_beyond_text", [](DeviceLink& l) { return l.SetPWD("12", 4, "", 0); }},
    };
}

class RefusalTest : public CommandFixture, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, RefusesAndSendsNothing) {
    link.EnableQueue();
    EXPECT_FALSE(GetParam().call(link));
    EXPECT_TRUE(link.WaitUntilIdle(std::chrono::seconds(2)));
    EXPECT_EQ(device->WriteCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(OversizeRequests, RefusalTest, ::testing::ValuesIn(RefusalCases()),
                         [](const auto& info) { return info.param.name; });

// Every step of the gain, Q and delay controls reaches the device as exactly that step; real
// fractions between steps are still cut off toward zero.
TEST(WireValues, ControlStepsAreSentExactly) {
    struct Range {
        const char* name;
        int first, last, scale;
        std::function<void(std::vector<uint8_t>&, float)> put;
        std::function<int(const std::vector<uint8_t>&)> read;  // in steps
        int offset;
    };
    const Range ranges[] = {
        {"gain", -180, 120, 10, wire::PutEqGain, [](const auto& b) { return b[0] * 10 + b[1]; },
         180},
        {"Q", 5, 90, 10, wire::PutQ, [](const auto& b) { return b[0] * 10 + b[1]; }, 0},
        {"delay", 0, 15000, 1000, wire::PutDelay,
         [](const auto& b) { return b[0] * 1000 + wire::U16(&b[1]); }, 0},
    };
    for (const Range& r : ranges) {
        int wrong = 0;
        for (int step = r.first; step <= r.last; ++step) {
            std::vector<uint8_t> out;
            r.put(out, static_cast<float>(step) / static_cast<float>(r.scale));
            wrong += r.read(out) != step + r.offset;
        }
        EXPECT_EQ(wrong, 0) << r.name;
    }
    std::vector<uint8_t> gain;
    wire::PutEqGain(gain, -3.04f);
    EXPECT_EQ(gain, (std::vector<uint8_t>{14, 9}));
    std::vector<uint8_t> delay;
    wire::PutDelay(delay, 1.2509f);
    EXPECT_EQ(delay, (std::vector<uint8_t>{1, 0, 250}));
}

TEST_F(CommandFixture, LargestAcceptedRangesAreSentWhole) {
    const std::array<float, 16> delays{};
    EXPECT_EQ(device->WriteCount(), 0u);
    link.Delay_Ctrl(0, 0, 0, 15, delays, true);
    EXPECT_EQ(LastSent().payload.size(), 52u);
    link.Mute_Ch_Ctrl(0, 0, 0, 35, kBytes, true);
    EXPECT_EQ(LastSent().payload.size(), 40u);
    link.SetSceneName(1, std::span(kLongName).first(16), 16);
    EXPECT_EQ(LastSent().payload.size(), 18u);
    EXPECT_EQ(device->WriteCount(), 3u);
}

}  // namespace
}  // namespace korvel::testing
