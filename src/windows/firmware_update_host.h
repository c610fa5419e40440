#pragma once
// The main window's part of the firmware update: it owns the upgrader of the controller's link,
// opens the update window (option menu, device in its loader), offers the forced update of a
// device whose firmware is too old, continues it when the device comes back, and runs the
// backup the update window asks for through the controller.
//
// Everything runs on the GUI thread.

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "controller/equalizer_manager.h"
#include "firmware/upgrade_procedure.h"

class QWidget;

namespace korvel {

class CUpdateFwWnd;
class CForceUpdateWnd;

class FirmwareUpdateHost {
  public:
    // `owner` (the main window) and `manager` must outlive the host.
    FirmwareUpdateHost(QWidget* owner, EqualizerManager& manager);
    ~FirmwareUpdateHost();

    FirmwareUpdateHost(const FirmwareUpdateHost&) = delete;
    FirmwareUpdateHost& operator=(const FirmwareUpdateHost&) = delete;

    // "option_item_firmware_upgrade", and the loader path after "${device_status_unnormal}".
    void OpenUpdateWindow();
    // The controller's StartForcedUpdate: continues a running forced update, opens the update
    // window for a device in its loader, else offers the forced update.
    void StartForcedUpdate();
    // Connect closes an open update window (never one that is writing the device).
    void CloseUpdateWindow();

    // The controller's messages while a backup for the update window runs: the outcome of the
    // profile write goes to the window instead of a message box. True when `key` was taken.
    bool TakeBackupResult(const std::string& key);
    // The end of the backup's whole-profile read: a read that failed (device gone, a value
    // never answered) ends the backup too, whatever message it showed.
    void BackupFinished(bool ok);
    bool BackupRunning() const { return static_cast<bool>(backupDone_); }

    FirmwareUpgrader& Upgrader() { return upgrader_; }
    CUpdateFwWnd* UpdateWindow() const;
    CForceUpdateWnd* ForceWindow() const;

    // Resources of the forced update's images (tests point them elsewhere).
    void SetImageResources(const QString& mcu, const QString& flash);

  private:
    void OfferForcedUpdate();
    void RunForcedUpdate(const QString& mcuPath, const QString& flashPath);
    void StartBackup(const QString& path, std::function<void(bool)> done);
    // Takes the connection down and reads the device again (the loading window shows it).
    void ReadDeviceAgain();

    QWidget* owner_;
    EqualizerManager& manager_;
    FirmwareUpgrader upgrader_;
    QPointer<CUpdateFwWnd> updateWnd_;
    QPointer<CForceUpdateWnd> forceWnd_;
    std::function<void(bool)> backupDone_;
    QString mcuResource_;
    QString flashResource_;
};

}  // namespace korvel
