#include "windows/firmware_update_host.h"

#include <utility>

#include "log/log.h"
#include "uiframework/language.h"
#include "windows/embedded_firmware.h"
#include "windows/force_update_wnd.h"
#include "windows/msg_wnd.h"
#include "windows/text_format.h"
#include "windows/update_fw_wnd.h"

namespace korvel {

namespace {
const QString kTips = QStringLiteral("${tips}");
}  // namespace

FirmwareUpdateHost::FirmwareUpdateHost(QWidget* owner, EqualizerManager& manager)
    : owner_(owner),
      manager_(manager),
      upgrader_(manager.Link(), static_cast<uint8_t>(kSupportedModel)),
      mcuResource_(QLatin1String(kEmbeddedMcuResource)),
      flashResource_(QLatin1String(kEmbeddedFlashResource)) {
    // While the upgrade has entered or started, plugging events leave the device to it.
    manager_.SetUpgradeStatusQuery([this] { return upgrader_.State(); });
}

FirmwareUpdateHost::~FirmwareUpdateHost() {
    manager_.SetUpgradeStatusQuery({});
}

CUpdateFwWnd* FirmwareUpdateHost::UpdateWindow() const {
    return updateWnd_.data();
}

CForceUpdateWnd* FirmwareUpdateHost::ForceWindow() const {
    return forceWnd_.data();
}

void FirmwareUpdateHost::SetImageResources(const QString& mcu, const QString& flash) {
    mcuResource_ = mcu;
    flashResource_ = flash;
}

void FirmwareUpdateHost::OpenUpdateWindow() {
    if (updateWnd_ || forceWnd_) {
        return;
    }
    WriteLog("FirmwareUpdateHost::OpenUpdateWindow\n");
    CUpdateFwWnd window(owner_, upgrader_, manager_.Link(),
                        [this](const QString& path, std::function<void(bool)> done) {
                            StartBackup(path, std::move(done));
                        });
    updateWnd_ = &window;
    window.ShowModal();
    updateWnd_ = nullptr;
    // The transfer disabled the command queue. A device that restarts is read again when it
    // returns; one still connected (a bootloader upgrade does not restart it) is read again now,
    // so the controls show it and the queue carries edits again.
    if (window.TransferStarted() && manager_.IsConnected()) {
        ReadDeviceAgain();
    }
}

void FirmwareUpdateHost::ReadDeviceAgain() {
    manager_.Link().DisableQueue();
    if (manager_.Link().IsOpen()) {
        manager_.Disconnect();
    }
    manager_.Connect(false);
}

void FirmwareUpdateHost::CloseUpdateWindow() {
    if (updateWnd_ && !updateWnd_->Transferring()) {
        updateWnd_->Close(0);
    }
}

void FirmwareUpdateHost::StartForcedUpdate() {
    if (forceWnd_) {
        forceWnd_->Continue();
        return;
    }
    if (!manager_.Link().mcu_is_normal_mode()) {
        // The device runs its loader: the user picks the image to recover it with.
        OpenUpdateWindow();
        return;
    }
    OfferForcedUpdate();
}

void FirmwareUpdateHost::OfferForcedUpdate() {
    const SceneRecord& live = manager_.LiveScene();
    if (live.deviceModel != kSupportedModel) {
        return;
    }
    const QString text =
        FormatInts(ui::Tr(QStringLiteral("${update_tips}")),
                   {live.mainVersion, live.slaveVersion, kOldestMainVersion, kOldestSlaveVersion});
    if (CMsgWnd::ShowMessage(owner_, kTips, text) != 1) {
        return;
    }
    WriteLog("Start force update!\n");
    EmbeddedImageFiles images;
    const int code = images.Prepare(mcuResource_, flashResource_);
    if (code != EmbeddedImageFiles::kOk) {
        CMsgWnd::ShowMessage(owner_, kTips,
                             QStringLiteral("File prepare error. error code %1").arg(code),
                             {QStringLiteral("${confirm}")}, 1);
        return;
    }
    RunForcedUpdate(images.McuPath(), images.FlashPath());
}

void FirmwareUpdateHost::RunForcedUpdate(const QString& mcuPath, const QString& flashPath) {
    manager_.SetForcedUpdateActive(true);
    CForceUpdateWnd window(owner_, upgrader_, manager_.Link(), mcuPath, flashPath);
    forceWnd_ = &window;
    const int result = window.ShowModal();
    forceWnd_ = nullptr;
    manager_.SetForcedUpdateActive(false);
    WriteLog("FirmwareUpdateHost: forced update window returned %d\n", result);
    // The device was written and restarted: read it again. (A sequence that ended with the close
    // button has been written too, so it is read as well.)
    if (result == 1 || window.RanAnyStage()) {
        ReadDeviceAgain();
    }
}

void FirmwareUpdateHost::StartBackup(const QString& path, std::function<void(bool)> done) {
    WriteLog("FirmwareUpdateHost: backup to %s\n", path.toUtf8().constData());
    backupDone_ = std::move(done);
    // A refused start may already have ended the backup through its message (an unwritable
    // folder shows "${profile_create_error}" at once).
    if (!manager_.IsConnected() || !manager_.SaveWholeConfigToFile(path.toStdString())) {
        BackupFinished(false);
    }
}

void FirmwareUpdateHost::BackupFinished(bool ok) {
    if (auto finish = std::exchange(backupDone_, nullptr)) {
        finish(ok);
    }
}

bool FirmwareUpdateHost::TakeBackupResult(const std::string& key) {
    if (!backupDone_) {
        return false;
    }
    const bool saved = key == "${profile_save_ok}";
    if (!saved && key != "${profile_create_error}") {
        return false;  // another message (e.g. the device went away) is shown as usual
    }
    auto finish = std::move(backupDone_);
    backupDone_ = nullptr;
    finish(saved);
    return true;
}

}  // namespace korvel
