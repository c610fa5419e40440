// Saves pictures of both update windows (idle, transferring, done, failed) in English and
// Chinese, on the virtual amplifier:
//   update_windows_screenshots [output folder]      (default /tmp/korvel-shots)

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "common/qt_test_app.h"
#include "uiframework/framework.h"
#include "uiframework/modal_answerer.h"
#include "update_windows_support.h"

namespace {

using korvel::test::PumpFor;
using korvel::test::PumpUntil;
using korvel::test::UpdateRig;
using korvel::testing::PatternBody;
using korvel::testing::SingleImage;

struct Shooter {
    QString folder;
    QString language;
    bool ok = true;

    // The main window selects the language of its settings when it is created.
    void SelectLanguage() const { korvel::ui::LanguageManager::Instance().Select(language); }

    void Save(korvel::ui::WindowImplBase& w, const char* name) {
        w.show();
        PumpFor(std::chrono::milliseconds(80));
        const QString file =
            QStringLiteral("%1/%2-%3.png").arg(folder, QLatin1String(name), language);
        if (!w.grab().save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
            ok = false;
        }
    }
};

void ShootUpdateWindow(Shooter& shots) {
    {
        UpdateRig rig;
        shots.SelectLanguage();
        rig.amp->SetReportDelay(std::chrono::milliseconds(2));
        rig.ConnectAndSettle();
        rig.Choose("Tarvik7_FLASH_UPG.bin", SingleImage(2, PatternBody(30000)));
        korvel::ui::ModalAnswerer answers;
        answers.Script("updatefwwnd", [&](korvel::ui::WindowImplBase& w) {
            shots.Save(w, "update-fw-idle");
            w.Click(QStringLiteral("file_btn"));
            w.Click(QStringLiteral("check_box_backup"));  // no backup for the pictures
            w.Click(QStringLiteral("update_btn"));
            PumpUntil([&] { return UpdateRig::Progress(w, "progress") >= 45; });
            shots.Save(w, "update-fw-transferring");
            UpdateRig::WaitForTips(w, "${update_ok}", std::chrono::seconds(60));
            shots.Save(w, "update-fw-done");
            w.Click(QStringLiteral("closebtn"));
        });
        rig.window->Firmware().OpenUpdateWindow();
    }
    UpdateRig rig;
    shots.SelectLanguage();
    korvel::UpgradeFaults faults;
    faults.unplugAtBlock = 20;
    rig.amp->SetUpgradeFaults(faults);
    rig.ConnectAndSettle();
    rig.Choose("Tarvik7_FLASH_UPG.bin", SingleImage(2, PatternBody(3000)));
    korvel::ui::ModalAnswerer answers;
    answers.Script("updatefwwnd", [&](korvel::ui::WindowImplBase& w) {
        w.Click(QStringLiteral("file_btn"));
        w.Click(QStringLiteral("check_box_backup"));
        w.Click(QStringLiteral("update_btn"));
        UpdateRig::WaitForTips(w, "${update_fail}");
        shots.Save(w, "update-fw-failed");
        w.Click(QStringLiteral("closebtn"));
    });
    rig.window->Firmware().OpenUpdateWindow();
}

void ShootForcedWindow(Shooter& shots, bool fail) {
    korvel::AmpIdentity old;
    old.slaveVersion = 20;
    UpdateRig rig(old);
    shots.SelectLanguage();
    rig.amp->SetReportDelay(std::chrono::milliseconds(fail ? 0 : 8));
    if (fail) {
        korvel::UpgradeFaults faults;
        faults.unplugAtBlock = 10;
        rig.amp->SetUpgradeFaults(faults);
    }
    korvel::ui::ModalAnswerer answers;
    answers.Reply("msgwnd", 1);
    answers.Script("updatefwwnd", [&](korvel::ui::WindowImplBase& w) {
        if (!fail) {
            shots.Save(w, "force-update-idle");
        }
        w.Click(QStringLiteral("check_box_facotry"));
        w.Click(QStringLiteral("update_btn"));
        if (fail) {
            UpdateRig::WaitForTips(w, "${update_fail}");
            shots.Save(w, "force-update-failed");
            return;
        }
        PumpUntil([&] { return UpdateRig::Progress(w, "mcu_progress") >= 50; });
        shots.Save(w, "force-update-transferring");
        UpdateRig::WaitForTips(w, "${update_reboot_mcu}");
        rig.window->Controller().DevicePlugOut();
        rig.window->Controller().DevicePlugin();
        UpdateRig::WaitForTips(w, "${update_reboot_flash}", std::chrono::seconds(60));
        rig.window->Controller().DevicePlugOut();
        rig.window->Controller().DevicePlugin();
        UpdateRig::WaitForTips(w, "${update_finish}");
        shots.Save(w, "force-update-done");
        w.Click(QStringLiteral("closebtn"));
    });
    answers.Reply("msgwnd", 0);
    rig.window->Controller().Connect(true);
    rig.Settle();
    rig.Settle();
}

}  // namespace

int main(int argc, char** argv) {
    korvel::test::UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    Shooter shots;
    shots.folder = korvel::test::ScreenshotFolder(argc, argv);
    korvel::ui::UiFramework::Instance().SetDpi(korvel::ui::kBaseDpi);
    for (const QString& language : {korvel::ui::kLanguageEnglish, korvel::ui::kLanguageChinese}) {
        shots.language = language;
        ShootUpdateWindow(shots);
        ShootForcedWindow(shots, false);
        ShootForcedWindow(shots, true);
    }
    std::printf("update window pictures saved to %s\n", shots.folder.toLocal8Bit().constData());
    return shots.ok ? 0 : 1;
}
