#pragma once
// Shared by the update window suites and their screenshot program: a main window on an
// in-process virtual amplifier that restarts at once, with the link's waits shortened through
// its test hook, and a file dialog that answers with a prepared image.

#include <QAbstractButton>
#include <QProgressBar>
#include <QString>

#include "common/firmware_images.h"
#include "main_wnd_test_support.h"
#include "uiframework/language.h"
#include "windows/firmware_update_host.h"
#include "windows/force_update_wnd.h"
#include "windows/update_fw_wnd.h"

namespace korvel::test {

inline constexpr const char* kTestMcuResource = ":/test_firmware/IDR_MCU_BIN";
inline constexpr const char* kTestFlashResource = ":/test_firmware/IDR_FLASH_BIN";

struct UpdateRig : MainWindowRig {
    explicit UpdateRig(const AmpIdentity& identity = {}) {
        amp->SetIdentity(identity);
        amp->SetRestartTime(std::chrono::milliseconds(0));
        window->Controller().Link().SetWaitCapForTesting(60);
        window->Firmware().SetImageResources(QLatin1String(kTestMcuResource),
                                             QLatin1String(kTestFlashResource));
        CUpdateFwWnd::SetBackupFolderForTesting(QString::fromStdString(dir.Folder()));
        CUpdateFwWnd::SetFileDialogForTesting([this](QWidget*, const QString& filter) {
            ++dialogs;
            lastFilter = filter;
            return chosen;
        });
        window->Create();
        window->ShowWindow();
    }
    ~UpdateRig() {
        CUpdateFwWnd::SetFileDialogForTesting({});
        CUpdateFwWnd::SetBackupFolderForTesting({});
    }

    // Writes an image into the scratch folder; the file dialog answers with it from now on.
    QString Choose(const std::string& name, const testing::ImageBytes& bytes) {
        chosen = QString::fromStdString(dir.Write(name, bytes));
        return chosen;
    }

    static bool Enabled(ui::WindowImplBase& w, const char* name) {
        const QWidget* control = w.FindControl(QLatin1String(name));
        return control != nullptr && control->isEnabled();
    }
    static int Progress(ui::WindowImplBase& w, const char* name) {
        const auto* bar = w.FindControl<QProgressBar>(QLatin1String(name));
        return bar ? bar->value() : -1;
    }
    // Pumps until the tips show the translated `key` (or a time-out).
    static bool WaitForTips(ui::WindowImplBase& w, const char* key,
                            std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        return PumpUntil(
            [&] { return w.Text(QStringLiteral("update_tips")) == ui::Tr(QLatin1String(key)); },
            timeout);
    }

    testing::ScratchDir dir;
    QString chosen;
    QString lastFilter;
    int dialogs = 0;
};

}  // namespace korvel::test
