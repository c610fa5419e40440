// The update windows through the main window, driven by control names: the file update with its
// backup, its failures and the loader path; the forced update's stages; the embedded images.
#include <gtest/gtest.h>

#include <QFile>

#include "commands/command_ids.h"
#include "uiframework/modal_answerer.h"
#include "update_windows_support.h"
#include "windows/embedded_firmware.h"

namespace korvel {
namespace {

using test::PumpUntil;
using test::UpdateRig;
using testing::PatternBody;
using testing::SingleImage;

const char* const kTransferControls[] = {"closebtn", "cancel_btn", "file_btn", "update_btn",
                                         "file_path_edt"};

class UpdateWindowsTest : public ::testing::Test {
  protected:
    UpdateWindowsTest() { ui::LanguageManager::Instance().Select(ui::kLanguageEnglish); }
    ui::ModalAnswerer answers;
};

TEST_F(UpdateWindowsTest, MenuItemUpgradesTheChosenFileAfterABackup) {
    UpdateRig rig;
    ASSERT_TRUE(rig.ConnectAndSettle());
    const auto body = PatternBody(384, 3);  // whole 32-byte blocks: no padding
    rig.Choose("Tarvik7_MCU_UPG.bin", SingleImage(1, body));
    bool disabledWhileRunning = true;
    answers.Script("updatefwwnd", [&](ui::WindowImplBase& w) {
        EXPECT_TRUE(w.Click(QStringLiteral("file_btn")));
        EXPECT_EQ(w.Text(QStringLiteral("file_path_edt")), rig.chosen);
        EXPECT_TRUE(
            w.FindControl<QAbstractButton>(QStringLiteral("check_box_backup"))->isChecked());
        EXPECT_TRUE(w.Click(QStringLiteral("update_btn")));
        for (const char* name : kTransferControls) {
            disabledWhileRunning = disabledWhileRunning && !UpdateRig::Enabled(w, name);
        }
        ASSERT_TRUE(UpdateRig::WaitForTips(w, "${update_ok}"));
        EXPECT_EQ(UpdateRig::Progress(w, "progress"), 100);
        for (const char* name : kTransferControls) {
            EXPECT_TRUE(UpdateRig::Enabled(w, name)) << name;
        }
        EXPECT_FALSE(w.FindControl(QStringLiteral("backup_path"))->isHidden());
        w.Click(QStringLiteral("closebtn"));
    });
    rig.window->Firmware().OpenUpdateWindow();  // what "option_item_firmware_upgrade" calls
    EXPECT_TRUE(disabledWhileRunning);
    EXPECT_EQ(rig.lastFilter, QStringLiteral("Tarvik7_MCU_UPG.bin,Tarvik7_FLASH_UPG.bin "
                                             "(Tarvik7_MCU_UPG.bin Tarvik7_FLASH_UPG.bin)"));
    const auto images = rig.amp->ReceivedImages();
    ASSERT_EQ(images.size(), 1u);
    EXPECT_TRUE(images[0].finished);
    EXPECT_EQ(images[0].bodyHash, UpgradeBodyHash(body));
    // The backup was written before the upgrade began.
    const QStringList backups = QDir(QString::fromStdString(rig.dir.Folder()))
                                    .entryList({QStringLiteral("korvel-backup-*.wpf")});
    ASSERT_EQ(backups.size(), 1);
    rig.dir.Path(backups[0].toStdString());  // removed with the folder
}

TEST_F(UpdateWindowsTest, FailuresShowTheirTextAndGiveTheControlsBack) {
    const struct {
        const char* name;
        UpgradeFaults faults;
        const char* file;
        testing::ImageBytes image;
        bool backupFails;
        const char* tips;
        bool transferStarted;
    } cases[] = {
        {"unplugged mid-transfer",
         {.unplugAtBlock = 5},
         "T_FLASH_UPG.bin",
         SingleImage(2, PatternBody(600)),
         false,
         "${update_fail}",
         true},
        {"start refused",
         {.startReply = AmpUpgradeReply::kRefused},
         "T_FLASH_UPG.bin",
         SingleImage(2, PatternBody(600)),
         false,
         "${load_fw_fail}",
         false},
        {"damaged file",
         {},
         "T_MCU_UPG.bin",
         SingleImage(1, PatternBody(600), {}, 9),
         false,
         "${load_fw_fail}",
         false},
        {"backup not written",
         {},
         "T_MCU_UPG.bin",
         SingleImage(1, PatternBody(600)),
         true,
         "${update_backup_fail}",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateRig rig;
        rig.amp->SetUpgradeFaults(c.faults);
        ASSERT_TRUE(rig.ConnectAndSettle());
        if (c.backupFails) {
            CUpdateFwWnd::SetBackupFolderForTesting(QStringLiteral("/nonexistent/folder"));
        }
        rig.Choose(c.file, c.image);
        answers.Script("updatefwwnd", [&](ui::WindowImplBase& w) {
            w.Click(QStringLiteral("file_btn"));
            w.Click(QStringLiteral("update_btn"));
            ASSERT_TRUE(UpdateRig::WaitForTips(w, c.tips));
            EXPECT_TRUE(PumpUntil([&] { return UpdateRig::Enabled(w, "update_btn"); }));
            w.Click(QStringLiteral("cancel_btn"));
        });
        rig.window->Firmware().OpenUpdateWindow();
        const auto images = rig.amp->ReceivedImages();
        EXPECT_EQ(!images.empty(), c.transferStarted);
        for (const auto& image : images) {
            EXPECT_FALSE(image.finished);
        }
    }
}

TEST_F(UpdateWindowsTest, DeviceInItsLoaderIsToldAndRecoveredThroughTheUpdateWindow) {
    AmpIdentity loader;
    loader.loaderMode = true;
    UpdateRig rig(loader);
    rig.Choose("Tarvik7_FLASH_UPG.bin", SingleImage(2, PatternBody(900)));
    answers.Reply("msgwnd", 1);
    answers.Script("updatefwwnd", [&](ui::WindowImplBase& w) {
        // No settings to save on a device in its loader.
        EXPECT_TRUE(w.FindControl(QStringLiteral("check_box_backup"))->isHidden());
        // The empty path field opens the dialog when it takes the focus; a filled one does not.
        w.show();
        w.activateWindow();
        test::PumpFor(std::chrono::milliseconds(50));
        w.FindControl(QStringLiteral("file_path_edt"))->setFocus();
        EXPECT_TRUE(PumpUntil([&] { return rig.dialogs == 1; }));
        w.FindControl(QStringLiteral("update_btn"))->setFocus();
        w.FindControl(QStringLiteral("file_path_edt"))->setFocus();
        test::PumpFor(std::chrono::milliseconds(50));
        EXPECT_EQ(rig.dialogs, 1);
        w.Click(QStringLiteral("update_btn"));
        EXPECT_TRUE(UpdateRig::WaitForTips(w, "${update_ok}"));
        w.Click(QStringLiteral("closebtn"));
    });
    rig.window->Controller().Connect(true);
    ASSERT_TRUE(PumpUntil([&] { return answers.PendingAnswers() == 0; }));
    ASSERT_GE(answers.Questions().size(), 2u);
    EXPECT_EQ(answers.Questions()[0].text, ui::Tr("${device_status_unnormal}"));
    EXPECT_EQ(answers.Questions()[1].window, "updatefwwnd");
    ASSERT_EQ(rig.amp->ReceivedImages().size(), 1u);
    EXPECT_TRUE(rig.amp->ReceivedImages()[0].finished);
    EXPECT_FALSE(rig.amp->Identity().loaderMode);  // rebooted into its application
}

TEST_F(UpdateWindowsTest, ADeviceThatDidNotRestartIsReadAgainAndTakesEditsAfterwards) {
    UpdateRig rig;
    ASSERT_TRUE(rig.ConnectAndSettle());
    rig.Choose("Tarvik7_BL_UPG.bin", SingleImage(1, PatternBody(256)));
    answers.Script("updatefwwnd", [&](ui::WindowImplBase& w) {
        w.Click(QStringLiteral("file_btn"));
        w.Click(QStringLiteral("check_box_backup"));
        w.Click(QStringLiteral("update_btn"));
        EXPECT_TRUE(UpdateRig::WaitForTips(w, "${update_ok}"));
        EXPECT_FALSE(rig.window->Controller().Link().QueueEnabled());
        w.Click(QStringLiteral("closebtn"));
    });
    rig.window->Firmware().OpenUpdateWindow();
    rig.Settle();
    EXPECT_TRUE(rig.window->Controller().IsConnected());
    EXPECT_TRUE(rig.window->Controller().Link().QueueEnabled());
    EXPECT_TRUE(rig.amp->ReceivedImages().at(0).finished);
}

TEST_F(UpdateWindowsTest, PlugEventsWaitWhileTheUpgradeHasEnteredOrStarted) {
    UpdateRig rig;
    FirmwareUpgrader& upgrader = rig.window->Firmware().Upgrader();
    // The link is closed, so the parser stops at the connection, with the state entered.
    EXPECT_EQ(upgrader.MCUUpgParsingFile("x_MCU_UPG.bin"), UPG_CONNECT_FAIL);
    ASSERT_EQ(upgrader.State(), UPG_ENTER);
    rig.window->Controller().DevicePlugin();
    rig.Settle();
    EXPECT_FALSE(rig.window->Controller().Link().IsOpen());
}

// The forced update: offered below 16.25, MCU then flash then the optional factory reset, each
// stage continued when the device comes back.
TEST_F(UpdateWindowsTest, ForcedUpdateRunsEveryStageAsTheDeviceReturns) {
    for (const bool factory : {true, false}) {
        SCOPED_TRACE(factory ? "with factory reset" : "without factory reset");
        AmpIdentity old;
        old.mainVersion = 16;
        old.slaveVersion = 24;
        UpdateRig rig(old);
        int result = -1;
        answers.Reply("msgwnd", 1);  // the offer
        answers.Script("updatefwwnd", [&](ui::WindowImplBase& base) {
            auto& w = static_cast<CForceUpdateWnd&>(base);
            EXPECT_TRUE(w.Text(QStringLiteral("mcu_file")).endsWith(QStringLiteral("MCU_UPG.bin")));
            EXPECT_TRUE(QFile::exists(w.Text(QStringLiteral("flash_file"))));
            if (factory) {
                w.Click(QStringLiteral("check_box_facotry"));
            }
            w.Click(QStringLiteral("update_btn"));
            EXPECT_FALSE(UpdateRig::Enabled(w, "update_btn"));
            ASSERT_TRUE(UpdateRig::WaitForTips(w, "${update_reboot_mcu}"));
            EXPECT_EQ(UpdateRig::Progress(w, "mcu_progress"), 100);
            // The device restarts: it goes, and comes back.
            rig.window->Controller().DevicePlugOut();
            rig.window->Controller().DevicePlugin();
            ASSERT_TRUE(UpdateRig::WaitForTips(w, "${update_reboot_flash}"));
            EXPECT_EQ(UpdateRig::Progress(w, "flash_progress"), 100);
            rig.window->Controller().DevicePlugOut();
            rig.window->Controller().DevicePlugin();
            ASSERT_TRUE(UpdateRig::WaitForTips(w, "${update_finish}"));
            EXPECT_TRUE(UpdateRig::Enabled(w, "update_btn"));
            EXPECT_EQ(w.Completed(), factory);
            w.Click(QStringLiteral("closebtn"));
            result = w.Result();
        });
        answers.Reply("msgwnd", 0);  // the next offer after the device was read again
        rig.window->Controller().Connect(true);
        // The forced update runs inside, then the device is read again and offered once more.
        ASSERT_TRUE(PumpUntil([&] {
            return answers.PendingAnswers() == 0 && rig.window->Controller().IsConnected() &&
                   !rig.window->Controller().Busy();
        }));
        EXPECT_EQ(result, factory ? 1 : 0);
        const auto images = rig.amp->ReceivedImages();
        ASSERT_EQ(images.size(), 2u);
        EXPECT_EQ(images[0].kind, AmpImageKind::kMcu);
        EXPECT_EQ(images[1].kind, AmpImageKind::kFlash);
        EXPECT_TRUE(images[0].finished && images[1].finished);
        size_t resets = 0;
        for (const auto& r : rig.amp->RequestLog()) {
            resets += r.mcmd == MCMD_MCU && r.subcmd == mcu::FACTORY_DEFAULT;
        }
        EXPECT_EQ(resets, factory ? 1u : 0u);
        // The device was read again afterwards.
        EXPECT_TRUE(rig.window->Controller().IsConnected());
    }
}

TEST_F(UpdateWindowsTest, MissingEmbeddedImagesAreReportedAndLeaveNoFile) {
    const struct {
        const char* mcu;
        const char* flash;
        int code;
    } cases[] = {
        {":/test_firmware/none", test::kTestFlashResource, 1},
        {test::kTestMcuResource, ":/test_firmware/none", 7},
        {test::kTestMcuResource, ":/test_firmware/EMPTY_BIN", 9},
        {":/test_firmware/EMPTY_BIN", test::kTestFlashResource, 3},
    };
    for (const auto& c : cases) {
        EmbeddedImageFiles files;
        EXPECT_EQ(files.Prepare(QLatin1String(c.mcu), QLatin1String(c.flash)), c.code) << c.flash;
        EXPECT_TRUE(files.McuPath().isEmpty() && files.FlashPath().isEmpty());
    }
    // A build without -DKORVEL_FIRMWARE_DIR carries no images: "resource not found".
    EXPECT_EQ(EmbeddedImageFiles().Prepare() == 1, !EmbeddedFirmwarePresent());
    // The offer: the error box, and no forced window.
    AmpIdentity old;
    old.slaveVersion = 3;
    UpdateRig rig(old);
    rig.window->Firmware().SetImageResources(QLatin1String(test::kTestMcuResource),
                                             QStringLiteral(":/test_firmware/none"));
    answers.Reply("msgwnd", 1);
    ASSERT_TRUE(rig.ConnectAndSettle());
    ASSERT_TRUE(PumpUntil([&] { return answers.Questions().size() >= 2; }));
    ASSERT_EQ(answers.Questions().size(), 2u);
    EXPECT_EQ(answers.Questions()[1].text, QStringLiteral("File prepare error. error code 7"));

    // Written to a private temporary folder and removed with it.
    QString mcu;
    {
        EmbeddedImageFiles files;
        ASSERT_EQ(files.Prepare(QLatin1String(test::kTestMcuResource),
                                QLatin1String(test::kTestFlashResource)),
                  0);
        mcu = files.McuPath();
        EXPECT_TRUE(mcu.endsWith(QStringLiteral("/MCU_UPG.bin")));
        QFile written(mcu);
        QFile resource(QLatin1String(test::kTestMcuResource));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly) && resource.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), resource.readAll());
    }
    EXPECT_FALSE(QFile::exists(mcu));
}

}  // namespace
}  // namespace korvel
