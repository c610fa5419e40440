#pragma once
// CUpdateFwWnd: upgrades the amplifier from one image file the user picks. The transfer runs on
// a worker thread; its progress arrives as messages 1255 to 1258. While it runs the window's
// controls are disabled and the window cannot be closed.
//
// With a backup hook (main window) and an amplifier in normal mode, the ticked box
// "check_box_backup" saves a whole profile of the amplifier before anything is sent; a failed
// backup stops there.

#include <QString>
#include <functional>
#include <memory>

#include "commands/device_link.h"
#include "firmware/upgrade_procedure.h"
#include "windows/message_window.h"
#include "windows/upgrade_worker.h"

namespace korvel {

// Saves a whole profile of the amplifier to `path` and calls `done(ok)` on the GUI thread when
// the file was written (or could not be).
using FirmwareBackupHook =
    std::function<void(const QString& path, std::function<void(bool ok)> done)>;

class CUpdateFwWnd : public MessageWindow {
    Q_OBJECT
  public:
    CUpdateFwWnd(QWidget* owner, FirmwareUpgrader& upgrader, DeviceLink& link,
                 FirmwareBackupHook backup = {});
    ~CUpdateFwWnd() override;  // stops a running worker

    // Test hook: replaces the file-open dialog (arguments: owner, filter; returns the path).
    using FileDialog = std::function<QString(QWidget*, const QString& filter)>;
    static void SetFileDialogForTesting(FileDialog dialog);
    // Test hook: the folder of the backup file (empty: the documents folder).
    static void SetBackupFolderForTesting(const QString& folder);

    void BeginUpdate();
    QString ChosenPath() const { return path_; }
    bool Transferring() const { return worker_.Running() || backupRunning_; }
    // True once a transfer was started from this window (the device may have changed).
    bool TransferStarted() const { return transferStarted_; }
    // The file name offered for the backup: korvel-backup-DATE-TIME.wpf in the documents folder.
    static QString DefaultBackupPath();

  protected:
    void InitWindow() override;
    void Notify(const ui::Notification& notification) override;
    void HandleMessage(Message& message) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void ChooseFile();
    void StartTransfer();
    void OnBackupDone(bool ok, const QString& path);
    void SetControlsEnabled(bool enabled);
    bool BackupWanted() const;

    DeviceLink& link_;
    FirmwareBackupHook backup_;
    QString path_;
    bool backupRunning_ = false;
    bool transferStarted_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // for the backup callback
    UpgradeWorker worker_;
};

}  // namespace korvel
