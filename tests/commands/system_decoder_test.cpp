// Flash, microcontroller and microphone-effect replies.

#include "command_fixture.h"

namespace korvel::testing {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes SceneNameReply(uint8_t scene, Bytes name) {
    Bytes p{flash::SCENE_NAME, OP_DATA, scene};
    name.resize(16, 0);
    p.insert(p.end(), name.begin(), name.end());
    return p;
}

TEST_F(CommandFixture, ErasedSceneNameBecomesEmpty) {
    Feed(MCMD_FLASH, SceneNameReply(3, Bytes(16, 0xFF)));
    auto m = reports.Take();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->id, kMsgSceneReport);
    EXPECT_EQ(m->wParam, 11);
    const auto& r = std::get<SceneNameReport>(m->record);
    EXPECT_EQ(r.scene_index, 2);
    EXPECT_EQ(r.name, (std::array<uint8_t, 16>{}));
}

TEST_F(CommandFixture, ShortSceneNameIsPostedUnchanged) {
    Feed(MCMD_FLASH, SceneNameReply(1, {'C', 'l', 'u', 'b'}));
    auto m = reports.Take();
    ASSERT_TRUE(m);
    const auto& r = std::get<SceneNameReport>(m->record);
    EXPECT_EQ(r.scene_index, 0);
    EXPECT_EQ(r.name[0], 'C');
    EXPECT_EQ(r.name[3], 'b');
    EXPECT_EQ(r.name[4], 0);
}

TEST_F(CommandFixture, NameIsClearedOnlyWhenEveryByteIsOdd) {
    // All sixteen bytes odd but not erased flash: still cleared, as erased flash is detected
    // by the lowest bit alone.
    Feed(MCMD_FLASH, SceneNameReply(2, Bytes(16, 'A')));
    EXPECT_EQ(std::get<SceneNameReport>(reports.Take()->record).name[0], 0);
    Feed(MCMD_FLASH, SceneNameReply(2, Bytes(16, 'B')));
    EXPECT_EQ(std::get<SceneNameReport>(reports.Take()->record).name[15], 'B');
}

TEST_F(CommandFixture, TruncatedSceneNameIsDropped) {
    Bytes p = SceneNameReply(1, {'x'});
    p.resize(10);
    Feed(MCMD_FLASH, p);
    EXPECT_EQ(reports.Size(), 0u);
}

struct AckCase {
    uint8_t id;
    uint8_t op;
    uint8_t status;
    int message;  // 0: nothing posted
};

class SceneAckTest : public CommandFixture, public ::testing::WithParamInterface<AckCase> {};

TEST_P(SceneAckTest, PostsOnlyReadyAcknowledgements) {
    const AckCase& c = GetParam();
    Feed(MCMD_FLASH, {c.id, c.op, c.status, 0x04});
    auto msgs = Drain(scenes);
    if (c.message == 0) {
        EXPECT_TRUE(msgs.empty());
    } else {
        ASSERT_EQ(msgs.size(), 1u);
        EXPECT_EQ(msgs[0].id, c.message);
        EXPECT_EQ(msgs[0].wParam, 4);
        EXPECT_EQ(msgs[0].value, 0);
    }
    EXPECT_EQ(reports.Size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(SaveAndDelete, SceneAckTest,
                         ::testing::Values(AckCase{0x08, OP_ACK, ACK_READY, kMsgSceneReport},
                                           AckCase{0x08, OP_ACK, ACK_NOT_READY, 0},
                                           AckCase{0x08, OP_DATA, ACK_READY, 0},
                                           AckCase{0x0A, OP_ACK, ACK_READY, kMsgSceneDeleted},
                                           AckCase{0x0A, OP_ACK, 0x00, 0},
                                           AckCase{0x09, OP_ACK, ACK_READY, 0}));

TEST_F(CommandFixture, CurrentSceneAndSceneValidity) {
    Feed(MCMD_FLASH, {flash::CUR_SCENE, OP_DATA, 7});
    Feed(MCMD_FLASH, {flash::SCENE_VALID, OP_DATA, 0x03, 0xFF});
    Feed(MCMD_FLASH, {flash::SCENE_VALID, OP_DATA, 0x03});  // cut short
    auto msgs = Drain(reports);
    ASSERT_EQ(msgs.size(), 2u);
    EXPECT_EQ(msgs[0].wParam, 14);
    EXPECT_EQ(msgs[0].value, 7);
    EXPECT_EQ(msgs[1].wParam, 15);
    EXPECT_EQ(std::get<SceneValidReport>(msgs[1].record).value, 0x03FF);
}

TEST_F(CommandFixture, HandshakeFromUpgradeLoader) {
    Feed(MCMD_MCU, {mcu::HANDSHAKE, OP_DATA, 0x01, 72, 1, 2});
    ASSERT_TRUE(link.mcu_is_normal_mode());
    reports.Clear();
    Feed(MCMD_MCU, {mcu::HANDSHAKE, OP_DATA, HANDSHAKE_LOADER, 0, 0, 0});
    EXPECT_FALSE(link.mcu_is_normal_mode());
    auto msgs = Drain(reports);
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].id, kMsgMcuNotNormal);
    EXPECT_EQ(msgs[0].wParam, 0);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(msgs[0].record));
}

TEST_F(CommandFixture, ShortHandshakeChangesNothing) {
    Feed(MCMD_MCU, {mcu::HANDSHAKE, OP_DATA, 0x01, 72});
    EXPECT_EQ(link.DeviceModel(), -1);
    EXPECT_FALSE(link.mcu_is_normal_mode());
    EXPECT_EQ(reports.Size(), 0u);
}

TEST_F(CommandFixture, VersionsAndSystemValues) {
    Feed(MCMD_MCU, {mcu::FLASH_VERSION, OP_DATA, 1, 2, 3, 4});
    Feed(MCMD_MCU, {mcu::BOOTLOADER_VERSION, OP_DATA, 9});
    Feed(MCMD_MCU, {mcu::POWER_OFF_TIME, OP_DATA, 0x05, 0xDC});
    Feed(MCMD_MCU, {mcu::ACC, OP_DATA, 0xFE});
    Feed(MCMD_MCU, {mcu::MCU_INIT, OP_DATA});
    Feed(MCMD_MCU, {mcu::ACC, OP_ACK, 0x05});
    auto msgs = Drain(reports);
    ASSERT_EQ(msgs.size(), 3u);
    EXPECT_EQ(std::get<FlashVersionReport>(msgs[0].record).versions,
              (std::array<int32_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(msgs[1].value, 1500);
    EXPECT_EQ(msgs[2].value, -2);
    EXPECT_EQ(link.BootloaderVersion(), 9);
}

TEST_F(CommandFixture, PasswordAndRemarkAreCutToTheirFields) {
    Bytes p{mcu::PASSWORD, OP_DATA, 14};
    for (int i = 0; i < 14; ++i) {
        p.push_back(static_cast<uint8_t>('a' + i));
    }
    p.push_back(25);
    for (int i = 0; i < 25; ++i) {
        p.push_back('r');
    }
    Feed(MCMD_MCU, p);
    auto m = reports.Take();
    ASSERT_TRUE(m);
    const auto& r = std::get<PasswordReport>(m->record);
    EXPECT_EQ(r.password_length, 12);
    EXPECT_EQ(r.password[11], 'l');
    EXPECT_EQ(r.remark_length, 20);
    EXPECT_EQ(r.remark[19], 'r');
}

TEST_F(CommandFixture, PasswordAnnouncedLongerThanThePacket) {
    Feed(MCMD_MCU, {mcu::PASSWORD, OP_DATA, 10, '1', '2'});
    auto m = reports.Take();
    ASSERT_TRUE(m);
    const auto& r = std::get<PasswordReport>(m->record);
    EXPECT_EQ(r.password_length, 2);
    EXPECT_EQ(r.remark_length, 0);
}

TEST_F(CommandFixture, McuItem41IsCutToSixteenAndToTheBytesPresent) {
    Bytes p{mcu::ITEM41, OP_DATA, 40};
    p.resize(p.size() + 20, 0x33);
    Feed(MCMD_MCU, p);
    Feed(MCMD_MCU, {mcu::ITEM41, OP_DATA, 5, 1, 2});
    auto msgs = Drain(reports);
    ASSERT_EQ(msgs.size(), 2u);
    EXPECT_EQ(std::get<McuItem41Report>(msgs[0].record).length, 16);
    EXPECT_EQ(std::get<McuItem41Report>(msgs[1].record).length, 2);
}

struct KtvCase {
    Bytes payload;
    bool posted;
    int64_t value;
};

class KtvDecoderTest : public CommandFixture, public ::testing::WithParamInterface<KtvCase> {};

TEST_P(KtvDecoderTest, PostsTheItemValue) {
    Feed(MCMD_KTV, GetParam().payload);
    auto msgs = Drain(reports);
    ASSERT_EQ(msgs.size(), GetParam().posted ? 1u : 0u);
    if (GetParam().posted) {
        EXPECT_EQ(msgs[0].id, kMsgKtvReport);
        EXPECT_EQ(msgs[0].wParam, GetParam().payload[0]);
        EXPECT_EQ(msgs[0].value, GetParam().value);
    }
}

INSTANTIATE_TEST_SUITE_P(Items, KtvDecoderTest,
                         ::testing::Values(KtvCase{{0x0A, OP_DATA, 0xFD}, true, -3},
                                           KtvCase{{0x09, OP_DATA, 0x02}, true, 2},
                                           KtvCase{{0x01, OP_DATA, 0xC8}, true, 200},
                                           KtvCase{{0x05, OP_DATA, 0x01, 0x2C}, true, 300},
                                           KtvCase{{0x05, OP_DATA, 0x01}, false, 0},
                                           KtvCase{{0x08, OP_ACK, 0x01}, false, 0},
                                           KtvCase{{0x0B, OP_DATA, 0x01}, false, 0},
                                           KtvCase{{0x01, OP_DATA}, false, 0}));

TEST_F(CommandFixture, UpgradeAcknowledgementsGoToTheHook) {
    Feed(MCMD_MCU, {mcu::MCU_ENTER_UPG_MODE, OP_ACK, ACK_READY});  // no hook: ignored
    std::vector<std::pair<uint8_t, Bytes>> seen;
    link.SetUpgradeAckHandler([&](uint8_t mcmd, std::span<const uint8_t> p) {
        seen.emplace_back(mcmd, Bytes(p.begin(), p.end()));
    });
    Feed(MCMD_MCU, {mcu::BL_UPG_DATA, OP_ACK, ACK_NOT_READY});
    Feed(MCMD_FLASH, {flash::FLASH_UPG_FINISH, OP_ACK, ACK_READY});
    Feed(MCMD_MCU, {mcu::HANDSHAKE, OP_ACK, ACK_READY});  // not an upgrade command
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, MCMD_MCU);
    EXPECT_EQ(seen[0].second, (Bytes{mcu::BL_UPG_DATA, OP_ACK, ACK_NOT_READY}));
    EXPECT_EQ(seen[1].first, MCMD_FLASH);
    EXPECT_EQ(reports.Size() + scenes.Size(), 0u);
}

TEST_F(CommandFixture, DegeneratePacketsAreIgnored) {
    const uint8_t none[1] = {0};
    link.packet_process(0, MCMD_DSP, none);
    link.packet_process(1, MCMD_FLASH, none);
    link.packet_process(2, MCMD_MCU, none);
    link.packet_process(2, MCMD_KTV, none);
    link.packet_process(3, 9, none);
    EXPECT_EQ(reports.Size() + scenes.Size() + calibration.Size() + memory.Size(), 0u);
}

}  // namespace
}  // namespace korvel::testing
