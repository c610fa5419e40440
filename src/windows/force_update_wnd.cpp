#include "windows/force_update_wnd.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QProgressBar>
#include <chrono>

#include "commands/report_records.h"
#include "log/log.h"
#include "uiframework/language.h"
#include "windows/text_format.h"
#include "windows/window_resources.h"

namespace korvel {

CForceUpdateWnd::CForceUpdateWnd(QWidget* owner, FirmwareUpgrader& upgrader, DeviceLink& link,
                                 const QString& mcuPath, const QString& flashPath)
    : MessageWindow(owner, QStringLiteral("updatefwwnd"), WindowLayout("XML_FORCE_UPDATE")),
      upgrader_(upgrader),
      link_(link),
      mcuPath_(mcuPath),
      flashPath_(flashPath),
      worker_(upgrader, MessageTargetForThreads()) {
    setProperty("windowClass", QStringLiteral("ForceUpdateWnd"));
}

CForceUpdateWnd::~CForceUpdateWnd() {
    stopping_ = true;
    worker_.Stop();
    JoinFactoryThread();
}

void CForceUpdateWnd::InitWindow() {
    ui::UiFramework::Instance().ApplyScreenDpi();
    SetText(QStringLiteral("mcu_file"), mcuPath_);
    SetText(QStringLiteral("flash_file"), flashPath_);
    SetBars(0, 0);
    if (auto* button = FindControl<QAbstractButton>(QStringLiteral("update_btn"))) {
        button->setFocus();
    }
    FitToContent();
}

void CForceUpdateWnd::SetButtonsEnabled(bool enabled) {
    for (const char* name : {"update_btn", "cancel_btn", "closebtn"}) {
        SetEnabled(QLatin1String(name), enabled);
    }
}

void CForceUpdateWnd::SetBars(int mcu, int flash) {
    if (auto* bar = FindControl<QProgressBar>(QStringLiteral("mcu_progress"))) {
        bar->setValue(mcu);
    }
    if (auto* bar = FindControl<QProgressBar>(QStringLiteral("flash_progress"))) {
        bar->setValue(flash);
    }
}

void CForceUpdateWnd::Notify(const ui::Notification& n) {
    if (n.type != ui::notify::kClick) {
        return;
    }
    if (n.name == QLatin1String("update_btn")) {
        BeginUpdate();
    } else if (n.name == QLatin1String("cancel_btn") || n.name == QLatin1String("closebtn")) {
        CloseWindow();
    }
}

void CForceUpdateWnd::CloseWindow() {
    Close(completed_ ? 1 : 0);
}

void CForceUpdateWnd::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        // The way out after a failure left the buttons disabled; never while the device is
        // being written.
        if (!Busy()) {
            CloseWindow();
        }
        event->accept();
        return;
    }
    MessageWindow::keyPressEvent(event);
}

void CForceUpdateWnd::closeEvent(QCloseEvent* event) {
    // The system's close command must not end the window while the device is being written.
    if (Busy() && !IsClosed()) {
        event->ignore();
        return;
    }
    MessageWindow::closeEvent(event);
}

void CForceUpdateWnd::BeginUpdate() {
    WriteLog("CForceUpdateWnd::BeginUpdate\n");
    if (!link_.IsOpen() || Busy()) {
        return;
    }
    link_.DisableQueue();
    if (stage_ == 0 && !mcuPath_.isEmpty()) {
        stage_ = 1;
        ranStage_ = true;
        SetBars(0, 0);
        SetButtonsEnabled(false);
    } else if (stage_ == 1 && !flashPath_.isEmpty()) {
        stage_ = 2;
    } else {
        SetText(QStringLiteral("update_tips"), QStringLiteral("${update_no_file}"));
        SetBars(0, 0);
        return;
    }
    failed_ = false;
    SetText(QStringLiteral("update_tips"), stage_ == 1 ? QStringLiteral("${update_check_mcu}")
                                                       : QStringLiteral("${update_check_flash}"));
    const QString& path = stage_ == 1 ? mcuPath_ : flashPath_;
    worker_.Start(path.toStdString(),
                  stage_ == 1 ? kMsgUpgradeMcuStarted : kMsgUpgradeFlashStarted);
}

void CForceUpdateWnd::Continue() {
    WriteLog("CForceUpdateWnd::Continue stage %d\n", stage_);
    if (Busy() || failed_) {
        return;  // a worker still runs, or the sequence stopped at a failure
    }
    if (stage_ == 1 && !flashPath_.isEmpty()) {
        BeginUpdate();
        return;
    }
    if (stage_ == 1 || stage_ == 2) {
        const auto* factory = FindControl<QAbstractButton>(QStringLiteral("check_box_facotry"));
        if (factory != nullptr && factory->isChecked()) {
            SetText(QStringLiteral("update_tips"), QStringLiteral("${update_factory}"));
            ResetMcuFactoryDefault();
            return;
        }
        SetText(QStringLiteral("update_tips"), QStringLiteral("${update_finish}"));
    } else {
        completed_ = true;
        if (stage_ == 3) {
            SetText(QStringLiteral("update_tips"), QStringLiteral("${update_finish}"));
        }
    }
    SetButtonsEnabled(true);
    stage_ = 0;
}

void CForceUpdateWnd::ResetMcuFactoryDefault() {
    JoinFactoryThread();
    stage_ = 3;
    factoryRunning_ = true;
    auto target = MessageTargetForThreads();
    factoryThread_ = std::thread([this, target] {
        WriteLog("Factory default thread start!\n");
        const int waitMs = link_.Core().CappedWaitMs(kFactoryResetDelayMs);
        for (int waited = 0; waited < waitMs && !stopping_.load(); waited += 10) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!stopping_.load()) {
            link_.Factory_Default_Ctrl();
        }
        Message m;
        m.id = kMsgDeviceRebooting;
        target->PostMessage(std::move(m));
        WriteLog("Factory default thread end!\n");
        factoryRunning_ = false;
    });
}

void CForceUpdateWnd::JoinFactoryThread() {
    if (factoryThread_.joinable()) {
        factoryThread_.join();
    }
}

void CForceUpdateWnd::HandleMessage(Message& message) {
    const bool mcuStage = stage_ == 1;
    switch (message.id) {
        case kMsgUpgradeProgress: {
            const int percent = static_cast<int>(message.wParam);
            const QString key = mcuStage ? QStringLiteral("${update_progress_mcu}")
                                         : QStringLiteral("${update_progress_flash}");
            SetText(QStringLiteral("update_tips"), FormatInts(ui::Tr(key), {percent}));
            const QString bar =
                mcuStage ? QStringLiteral("mcu_progress") : QStringLiteral("flash_progress");
            if (auto* progress = FindControl<QProgressBar>(bar)) {
                progress->setValue(percent);
            }
            break;
        }
        case kMsgUpgradeSuccess:
            SetText(QStringLiteral("update_tips"), mcuStage
                                                       ? QStringLiteral("${update_reboot_mcu}")
                                                       : QStringLiteral("${update_reboot_flash}"));
            break;
        case kMsgUpgradeFailure:
            failed_ = true;
            SetText(QStringLiteral("update_tips"), QStringLiteral("${update_fail}"));
            break;
        case kMsgUpgradeLoadFailed:
            failed_ = true;
            SetText(QStringLiteral("update_tips"), QStringLiteral("${load_fw_fail}"));
            break;
        case kMsgUpgradeMcuStarted:
            SetText(QStringLiteral("update_tips"), QStringLiteral("${update_start_mcu}"));
            break;
        case kMsgUpgradeFlashStarted:
            SetText(QStringLiteral("update_tips"), QStringLiteral("${update_start_flash}"));
            break;
        case kMsgDeviceRebooting:
            JoinFactoryThread();
            SetText(QStringLiteral("update_tips"), QStringLiteral("${update_factory_reboot}"));
            // A device that stays connected through its reset will not come back: the sequence
            // ends here. One that restarts ends it again when it returns.
            if (link_.IsOpen()) {
                Continue();
            }
            break;
        default:
            break;
    }
}

}  // namespace korvel
