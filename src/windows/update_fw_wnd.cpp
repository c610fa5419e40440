#include "windows/update_fw_wnd.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QStandardPaths>

#include "commands/report_records.h"
#include "log/log.h"
#include "uiframework/language.h"
#include "windows/window_resources.h"

namespace korvel {

namespace {

const QString kFileFilter = QStringLiteral(
    "Tarvik7_MCU_UPG.bin,Tarvik7_FLASH_UPG.bin "
    "(Tarvik7_MCU_UPG.bin Tarvik7_FLASH_UPG.bin)");

// The controls a transfer disables.
const QString kTransferControls[] = {
    QStringLiteral("closebtn"),      QStringLiteral("cancel_btn"),
    QStringLiteral("file_btn"),      QStringLiteral("update_btn"),
    QStringLiteral("file_path_edt"), QStringLiteral("check_box_backup"),
};

CUpdateFwWnd::FileDialog& FileDialogHook() {
    static CUpdateFwWnd::FileDialog hook;
    return hook;
}

QString& BackupFolderHook() {
    static QString folder;
    return folder;
}

}  // namespace

CUpdateFwWnd::CUpdateFwWnd(QWidget* owner, FirmwareUpgrader& upgrader, DeviceLink& link,
                           FirmwareBackupHook backup)
    : MessageWindow(owner, QStringLiteral("updatefwwnd"), WindowLayout("XML_UPDATE_FW")),
      link_(link),
      backup_(std::move(backup)),
      worker_(upgrader, MessageTargetForThreads()) {
    setProperty("windowClass", QStringLiteral("UpdateFwWnd"));
}

CUpdateFwWnd::~CUpdateFwWnd() {
    *alive_ = false;
    worker_.Stop();
}

void CUpdateFwWnd::SetFileDialogForTesting(FileDialog dialog) {
    FileDialogHook() = std::move(dialog);
}

void CUpdateFwWnd::SetBackupFolderForTesting(const QString& folder) {
    BackupFolderHook() = folder;
}

QString CUpdateFwWnd::DefaultBackupPath() {
    QString folder = BackupFolderHook();
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QDir(folder).exists()) {
            folder = QDir::homePath();
        }
    }
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    return QDir(folder).filePath(QStringLiteral("korvel-backup-%1.wpf").arg(stamp));
}

void CUpdateFwWnd::InitWindow() {
    ui::UiFramework::Instance().ApplyScreenDpi();
    // The backup is offered for an amplifier that runs its application: one in its loader has no
    // settings to save.
    const bool offerBackup = backup_ && link_.mcu_is_normal_mode();
    SetVisible(QStringLiteral("check_box_backup"), offerBackup);
    // The file dialog opens when the empty path field gains focus, so the window starts with the
    // focus elsewhere.
    if (auto* button = FindControl<QAbstractButton>(QStringLiteral("file_btn"))) {
        button->setFocus();
    }
    FitToContent();
}

bool CUpdateFwWnd::BackupWanted() const {
    const auto* box = FindControl<QAbstractButton>(QStringLiteral("check_box_backup"));
    return backup_ && box != nullptr && !box->isHidden() && box->isChecked();
}

void CUpdateFwWnd::Notify(const ui::Notification& n) {
    if (n.type == ui::notify::kSetFocus && n.name == QLatin1String("file_path_edt")) {
        if (Text(QStringLiteral("file_path_edt")).isEmpty()) {
            ChooseFile();
        }
        return;
    }
    if (n.type != ui::notify::kClick) {
        return;
    }
    if (n.name == QLatin1String("file_btn")) {
        ChooseFile();
    } else if (n.name == QLatin1String("update_btn")) {
        BeginUpdate();
    } else if (n.name == QLatin1String("cancel_btn") || n.name == QLatin1String("closebtn")) {
        Close(0);
    }
}

void CUpdateFwWnd::ChooseFile() {
    const QString path = FileDialogHook() ? FileDialogHook()(this, kFileFilter)
                                          : QFileDialog::getOpenFileName(
                                                this, ui::Tr(QStringLiteral("${firmware_upgrade}")),
                                                QDir::currentPath(), kFileFilter);
    if (path.isEmpty()) {
        return;
    }
    path_ = path;
    SetText(QStringLiteral("file_path_edt"), path);
    WriteLog("Upg_GetOpenFileName %s ok\n", path.toUtf8().constData());
}

void CUpdateFwWnd::BeginUpdate() {
    WriteLog("CUpdateFwWnd::BeginUpdate\n");
    if (!link_.IsOpen() || Transferring()) {
        return;
    }
    SetControlsEnabled(false);
    if (!BackupWanted()) {
        StartTransfer();
        return;
    }
    backupRunning_ = true;
    const QString path = DefaultBackupPath();
    SetText(QStringLiteral("update_tips"), QStringLiteral("${update_backup_running}"));
    std::weak_ptr<bool> alive = alive_;
    backup_(path, [this, alive, path](bool ok) {
        if (alive.lock() && *alive.lock()) {
            OnBackupDone(ok, path);
        }
    });
}

void CUpdateFwWnd::OnBackupDone(bool ok, const QString& path) {
    backupRunning_ = false;
    if (!ok) {
        WriteLog("CUpdateFwWnd: backup to %s failed, nothing sent\n", path.toUtf8().constData());
        SetText(QStringLiteral("update_tips"), QStringLiteral("${update_backup_fail}"));
        SetControlsEnabled(true);
        return;
    }
    SetText(QStringLiteral("backup_path"), ui::Tr(QStringLiteral("${update_backup_saved}")) +
                                               QLatin1Char(' ') + QDir::toNativeSeparators(path));
    SetVisible(QStringLiteral("backup_path"), true);
    FitToContent();
    StartTransfer();
}

void CUpdateFwWnd::StartTransfer() {
    transferStarted_ = true;
    link_.DisableQueue();
    SetText(QStringLiteral("update_tips"), QStringLiteral("${loading_fw}"));
    if (auto* progress = FindControl<QProgressBar>(QStringLiteral("progress"))) {
        progress->setValue(0);
    }
    worker_.Start(path_.toStdString());
}

void CUpdateFwWnd::SetControlsEnabled(bool enabled) {
    for (const QString& name : kTransferControls) {
        SetEnabled(name, enabled);
    }
}

void CUpdateFwWnd::HandleMessage(Message& message) {
    switch (message.id) {
        case kMsgUpgradeProgress: {
            const int percent = static_cast<int>(message.wParam);
            SetText(QStringLiteral("update_tips"), QStringLiteral("%1%").arg(percent));
            if (auto* progress = FindControl<QProgressBar>(QStringLiteral("progress"))) {
                progress->setValue(percent);
            }
            break;
        }
        case kMsgUpgradeSuccess:
        case kMsgUpgradeFailure:
        case kMsgUpgradeLoadFailed:
            SetControlsEnabled(true);
            SetText(QStringLiteral("update_tips"),
                    message.id == kMsgUpgradeSuccess   ? QStringLiteral("${update_ok}")
                    : message.id == kMsgUpgradeFailure ? QStringLiteral("${update_fail}")
                                                       : QStringLiteral("${load_fw_fail}"));
            break;
        default:
            break;
    }
}

void CUpdateFwWnd::keyPressEvent(QKeyEvent* event) {
    // Escape must not close the window while the amplifier is being written.
    if (event->key() == Qt::Key_Escape && Transferring()) {
        event->accept();
        return;
    }
    MessageWindow::keyPressEvent(event);
}

void CUpdateFwWnd::closeEvent(QCloseEvent* event) {
    if (Transferring() && !IsClosed()) {
        event->ignore();
        return;
    }
    MessageWindow::closeEvent(event);
}

}  // namespace korvel
