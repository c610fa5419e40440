// The upgrade procedure against the virtual amplifier: byte-exact transfers of every image kind,
// block order and progress, acknowledgements, reboots, and the ways a device can fail.
#include <gtest/gtest.h>

#include <thread>

#include "commands/command_ids.h"
#include "firmware/upgrade_test_support.h"
#include "link/unix_socket_transport.h"
#include "virtualamp/socket_server.h"

namespace korvel {
namespace {

using testing::BlockOffsets;
using testing::ImageBytes;
using testing::MergedImage;
using testing::PatternBody;
using testing::SingleImage;
using testing::VirtualUpgradeRig;

// What the amplifier holds after a transfer of `body` in blocks of `block` bytes (a short MCU
// tail block travels padded with zeros).
ImageBytes Padded(ImageBytes body, size_t block) {
    body.resize((body.size() + block - 1) / block * block, 0);
    return body;
}

TEST(UpgradeTransfer, EveryImageKindArrivesByteExactAndTheDeviceEndsInNormalMode) {
    const ImageBytes mcuBody = PatternBody(100, 1);
    const ImageBytes flashBody = PatternBody(1234, 2);
    const struct {
        const char* name;
        bool loader;
        const char* file;
        ImageBytes image;
        AmpImageKind kind;
        ImageBytes received;
        size_t reboots;
        uint64_t restarts;  // enter, finish and reboot restarts of the amplifier
        std::array<uint8_t, 4> start = {0x11, 0x22, 0x33, 0x44};
    } cases[] = {
        {"MCU, normal mode", false, "T_MCU_UPG.bin", SingleImage(1, mcuBody), AmpImageKind::kMcu,
         Padded(mcuBody, 32), 0, 2},
        {"MCU, loader", true, "T_MCU_UPG.bin", SingleImage(1, mcuBody), AmpImageKind::kMcu,
         Padded(mcuBody, 32), 0, 1},
        {"bootloader", false, "T_BL_UPG.bin", SingleImage(1, mcuBody), AmpImageKind::kBootloader,
         Padded(mcuBody, 32), 0, 0},
        {"flash, normal mode", false, "T_FLASH_UPG.bin", SingleImage(2, flashBody),
         AmpImageKind::kFlash, flashBody, 1, 2},
        {"flash, loader", true, "T_FLASH_UPG.bin", SingleImage(2, flashBody), AmpImageKind::kFlash,
         flashBody, 1, 1},
        {"merged",
         false,
         "T_UPG_FW.bin",
         MergedImage(SingleImage(1, mcuBody), SingleImage(2, flashBody, {9, 8, 7, 6})),
         AmpImageKind::kFlash,
         flashBody,
         1,
         2,
         {9, 8, 7, 6}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualUpgradeRig v(c.loader);
        ASSERT_TRUE(v.rig->Connect());
        const uint64_t generation = v.amp->ConnectionGeneration();
        const auto run = v.rig->Run(v.dir.Write(c.file, c.image));
        EXPECT_EQ(run.start, 0);
        EXPECT_EQ(run.End(), kUpgradeSucceeded);
        EXPECT_EQ(v.rig->upgrader.State(), UPG_IDLE);
        const auto images = v.amp->ReceivedImages();
        ASSERT_EQ(images.size(), 1u);
        EXPECT_EQ(images[0].kind, c.kind);
        EXPECT_TRUE(images[0].finished);
        EXPECT_EQ(images[0].size, c.received.size());
        EXPECT_EQ(images[0].bodyHash, UpgradeBodyHash(c.received));
        EXPECT_EQ(images[0].startParameters, c.start);
        EXPECT_EQ(v.Requests(MCMD_MCU, mcu::REBOOT).size(), c.reboots);
        EXPECT_EQ(v.amp->ConnectionGeneration() - generation, c.restarts);
        EXPECT_FALSE(v.amp->Identity().loaderMode);
    }
}

TEST(UpgradeTransfer, BlockOffsetsAndProgressOfTheEdgeCases) {
    const struct {
        const char* file;
        ImageBytes image;
        uint8_t mcmd;
        uint8_t dataCommand;
        std::vector<uint32_t> offsets;
        std::vector<uint8_t> flashCounts;  // flash only
        std::vector<int> progress;
    } cases[] = {
        {"T_MCU_UPG.bin",
         SingleImage(1, PatternBody(100)),
         MCMD_MCU,
         mcu::MCU_UPG_DATA,
         {96, 64, 32, 0},
         {},
         {4, 36, 68, 100}},
        {"T_MCU_UPG.bin",
         SingleImage(1, PatternBody(64)),
         MCMD_MCU,
         mcu::MCU_UPG_DATA,
         {32, 0},
         {},
         {50, 100}},
        {"T_BL_UPG.bin",
         SingleImage(1, PatternBody(33)),
         MCMD_MCU,
         mcu::BL_UPG_DATA,
         {32, 0},
         {},
         {3, 100}},
        {"T_FLASH_UPG.bin",
         SingleImage(2, PatternBody(120)),
         MCMD_FLASH,
         flash::FLASH_UPG_DATA,
         {0, 50, 100},
         {50, 50, 20},
         {41, 83, 100}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        VirtualUpgradeRig v(true);
        ASSERT_TRUE(v.rig->Connect());
        const auto run = v.rig->Run(v.dir.Write(c.file, c.image));
        ASSERT_EQ(run.End(), kUpgradeSucceeded);
        const auto blocks = v.Requests(c.mcmd, c.dataCommand);
        EXPECT_EQ(BlockOffsets(blocks), c.offsets);
        for (size_t i = 0; i < c.flashCounts.size() && i < blocks.size(); ++i) {
            EXPECT_EQ(blocks[i].payload[4], c.flashCounts[i]);
            EXPECT_EQ(blocks[i].payload.size(), 5u + c.flashCounts[i]);
        }
        EXPECT_EQ(run.DistinctProgress(), c.progress);
    }
}

TEST(UpgradeTransfer, NotReadyAnswerWaitsWithoutResendingTheBlock) {
    const struct {
        const char* file;
        ImageBytes image;
        uint8_t mcmd;
        uint8_t dataCommand;
        size_t blocks;
    } cases[] = {
        {"T_MCU_UPG.bin", SingleImage(1, PatternBody(100)), MCMD_MCU, mcu::MCU_UPG_DATA, 4},
        {"T_FLASH_UPG.bin", SingleImage(2, PatternBody(120)), MCMD_FLASH, flash::FLASH_UPG_DATA, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        VirtualUpgradeRig v(true);
        UpgradeFaults faults;
        faults.notReadyAtBlock = 2;
        v.amp->SetUpgradeFaults(faults);
        ASSERT_TRUE(v.rig->Connect());
        const auto run = v.rig->Run(v.dir.Write(c.file, c.image));
        EXPECT_EQ(run.End(), kUpgradeSucceeded);
        EXPECT_EQ(v.Requests(c.mcmd, c.dataCommand).size(), c.blocks);
        EXPECT_TRUE(v.amp->ReceivedImages().at(0).finished);
    }
}

TEST(UpgradeTransfer, DeviceLostOrSilentDuringTheTransferFails) {
    const ImageBytes mcu = SingleImage(1, PatternBody(100));    // 4 blocks
    const ImageBytes flash = SingleImage(2, PatternBody(120));  // 3 blocks
    const struct {
        const char* name;
        const char* file;
        const ImageBytes& image;
        size_t unplugAtBlock;
        uint64_t dropReplyTo;  // request number (enter 1, start 2, blocks from 3)
        size_t blocksReceived;
        size_t reboots;  // seen by the device
    } cases[] = {
        {"MCU unplugged at the first block", "T_MCU_UPG.bin", mcu, 1, 0, 1, 0},
        {"MCU unplugged at a middle block", "T_MCU_UPG.bin", mcu, 2, 0, 2, 0},
        {"MCU unplugged at the last block", "T_MCU_UPG.bin", mcu, 4, 0, 4, 0},
        {"flash unplugged at the first block", "T_FLASH_UPG.bin", flash, 1, 0, 1, 0},
        {"flash unplugged at the last block", "T_FLASH_UPG.bin", flash, 3, 0, 3, 0},
        {"flash block never acknowledged", "T_FLASH_UPG.bin", flash, 0, 4, 2, 1},
        {"MCU block never acknowledged", "T_MCU_UPG.bin", mcu, 0, 5, 3, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualUpgradeRig v(true);
        UpgradeFaults faults;
        faults.unplugAtBlock = c.unplugAtBlock;
        v.amp->SetUpgradeFaults(faults);
        ASSERT_TRUE(v.rig->Connect());
        FaultPlan plan;
        plan.dropReplyTo = c.dropReplyTo;
        v.amp->SetFaultPlan(plan);
        const auto run = v.rig->Run(v.dir.Write(c.file, c.image));
        EXPECT_EQ(run.start, 0);
        EXPECT_EQ(run.End(), kUpgradeFailed);
        EXPECT_EQ(v.rig->upgrader.State(), UPG_IDLE);
        const auto images = v.amp->ReceivedImages();
        ASSERT_EQ(images.size(), 1u);
        EXPECT_FALSE(images[0].finished);
        EXPECT_EQ(images[0].blocks, c.blocksReceived);
        EXPECT_EQ(v.Requests(MCMD_MCU, mcu::REBOOT).size(), c.reboots);
    }
}

TEST(UpgradeStart, RefusedUnansweredAndLostDevicesEndWithTheirCodes) {
    const ImageBytes mcu = SingleImage(1, PatternBody(100));
    const ImageBytes flash = SingleImage(2, PatternBody(120));
    const struct {
        const char* name;
        bool loader;
        const char* file;
        ImageBytes image;
        UpgradeFaults faults;
        int start;
        int end;  // -1: no step runs
    } cases[] = {
        {"MCU start refused",
         true,
         "T_MCU_UPG.bin",
         mcu,
         {.startReply = AmpUpgradeReply::kRefused},
         4,
         -1},
        {"flash start refused",
         true,
         "T_FLASH_UPG.bin",
         flash,
         {.startReply = AmpUpgradeReply::kRefused},
         4,
         -1},
        {"bootloader start refused",
         false,
         "T_BL_UPG.bin",
         mcu,
         {.startReply = AmpUpgradeReply::kRefused},
         0,
         kUpgradeFailed},
        {"MCU start unanswered",
         true,
         "T_MCU_UPG.bin",
         mcu,
         {.startReply = AmpUpgradeReply::kSilent},
         0,
         kUpgradeFailed},
        {"flash start unanswered",
         true,
         "T_FLASH_UPG.bin",
         flash,
         {.startReply = AmpUpgradeReply::kSilent},
         0,
         kUpgradeFailed},
        {"MCU enter refused",
         false,
         "T_MCU_UPG.bin",
         mcu,
         {.enterReply = AmpUpgradeReply::kRefused},
         4,
         -1},
        {"MCU enter unanswered",
         false,
         "T_MCU_UPG.bin",
         mcu,
         {.enterReply = AmpUpgradeReply::kSilent},
         4,
         -1},
        {"flash goes on without an enter answer",
         true,
         "T_FLASH_UPG.bin",
         flash,
         {.enterReply = AmpUpgradeReply::kSilent},
         0,
         kUpgradeSucceeded},
        {"never back after entering",
         false,
         "T_MCU_UPG.bin",
         mcu,
         {.staysAwayAfterEnter = true},
         3,
         -1},
        {"file of another model",
         false,
         "T_MCU_UPG.bin",
         SingleImage(1, PatternBody(9), {}, 5),
         {},
         2,
         -1},
        {"unknown file name", false, "firmware.bin", mcu, {}, 2, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualUpgradeRig v(c.loader);
        v.amp->SetUpgradeFaults(c.faults);
        ASSERT_TRUE(v.rig->Connect());
        const auto run = v.rig->Run(v.dir.Write(c.file, c.image));
        EXPECT_EQ(run.start, c.start);
        EXPECT_EQ(run.End(), c.end);
        EXPECT_EQ(v.rig->upgrader.State(), UPG_IDLE);
        if (c.end != kUpgradeSucceeded) {
            for (const auto& image : v.amp->ReceivedImages()) {
                EXPECT_FALSE(image.finished);
                EXPECT_EQ(image.blocks, 0u);
            }
        }
    }
}

TEST(UpgradeStart, NothingReachesTheDeviceForAFileThatFailsToParse) {
    VirtualUpgradeRig v;
    ASSERT_TRUE(v.rig->Connect());
    v.amp->ClearRequestLog();
    ImageBytes damaged = SingleImage(1, PatternBody(50));
    damaged[8] ^= 1;
    EXPECT_EQ(v.rig->Run(v.dir.Write("T_MCU_UPG.bin", damaged)).start, UPG_FILE_INVALID);
    EXPECT_EQ(v.rig->Run(v.dir.Path("absent_FLASH_UPG.bin")).start, 1);
    EXPECT_TRUE(v.amp->RequestLog().empty());
    EXPECT_EQ(v.rig->upgrader.State(), UPG_IDLE);
}

TEST(UpgradeStart, ReconnectsToTheSameSocketAfterTheRestart) {
    auto amp = std::make_shared<VirtualAmplifier>();
    amp->SetReportDelay(std::chrono::microseconds(0));
    amp->SetRestartTime(std::chrono::milliseconds(20));
    testing::ScratchDir dir;
    AmpSocketServer server(amp);
    const std::string socket = dir.Path("amp.sock");
    ASSERT_TRUE(server.Listen(socket, nullptr));
    std::thread serving([&] { server.Serve(); });
    {
        testing::UpgradeRig rig(MakeUnixSocketTransportFactory(socket));
        ASSERT_TRUE(rig.Connect());
        const ImageBytes body = PatternBody(300, 4);
        const auto run = rig.Run(dir.Write("T_MCU_UPG.bin", SingleImage(1, body)));
        EXPECT_EQ(run.End(), kUpgradeSucceeded);
        const auto images = amp->ReceivedImages();
        ASSERT_EQ(images.size(), 1u);
        EXPECT_EQ(images[0].bodyHash, UpgradeBodyHash(Padded(body, 32)));
        EXPECT_GE(server.ConnectionsAccepted(), 2u);
    }
    server.Stop();
    serving.join();
}

TEST(UpgradeAcknowledgements, OnlyTheTableMovesTheState) {
    DeviceLink link(TransportFactory{});  // never opened
    FirmwareUpgrader upgrader(link);
    EXPECT_EQ(upgrader.MCUUpgParsingFile("x_MCU_UPG.bin"), UPG_CONNECT_FAIL);
    ASSERT_EQ(upgrader.State(), UPG_ENTER);
    const struct {
        uint8_t mcmd;
        std::vector<uint8_t> payload;
        int state;
    } steps[] = {
        {MCMD_MCU, {0x02, OP_ACK, ACK_READY}, UPG_READY},       // start accepted
        {MCMD_MCU, {0x01, OP_ACK, ACK_READY}, UPG_START},       // enter, in any state
        {MCMD_FLASH, {0x03, OP_ACK, ACK_READY}, UPG_READY},     // flash start while started
        {MCMD_MCU, {0x03, OP_ACK, ACK_READY}, UPG_READY},       // duplicate block ack: no change
        {MCMD_FLASH, {0x03, OP_ACK, ACK_READY}, UPG_READY},     // flash start needs UPG_START
        {MCMD_MCU, {0x02, OP_ACK}, UPG_READY},                  // no status byte: ignored
        {MCMD_MCU, {0x02, OP_DATA, ACK_NOT_READY}, UPG_READY},  // not an acknowledgement
        {MCMD_FLASH, {0x04, OP_ACK, ACK_NOT_READY}, UPG_READY},
        {MCMD_MCU, {0xA1, OP_ACK, 0x33}, UPG_NOT_READY},  // start: any other status
        {MCMD_MCU, {0x01, OP_ACK, ACK_NOT_READY}, UPG_NOT_READY},
        {MCMD_FLASH, {0x03, OP_ACK, ACK_NOT_READY}, UPG_NOT_READY},
    };
    for (const auto& s : steps) {
        upgrader.HandleAck(s.mcmd, s.payload);
        EXPECT_EQ(upgrader.State(), s.state)
            << "mcmd " << int(s.mcmd) << " id " << int(s.payload[0]);
    }
}

}  // namespace
}  // namespace korvel
