#pragma once
// CForceUpdateWnd: the update the application imposes on a device whose firmware is too old:
// the MCU image, then the flash image (both from the application's own images), then optionally
// a factory reset. The device restarts after each step; the main window calls Continue() when it
// is back, which runs the next step.
//
// Stages: 0 idle, 1 MCU upgrade, 2 flash upgrade, 3 factory reset. The window's result is 1 once
// the sequence has completed, else the result of the button that closed it. After a failure the
// buttons stay disabled; Escape then closes the window (nothing runs any more).

#include <QString>
#include <atomic>
#include <thread>

#include "commands/device_link.h"
#include "firmware/upgrade_procedure.h"
#include "windows/message_window.h"
#include "windows/upgrade_worker.h"

namespace korvel {

class CForceUpdateWnd : public MessageWindow {
    Q_OBJECT
  public:
    // Wait before the factory reset command (the device settles after its restart).
    static constexpr int kFactoryResetDelayMs = 1000;

    CForceUpdateWnd(QWidget* owner, FirmwareUpgrader& upgrader, DeviceLink& link,
                    const QString& mcuPath, const QString& flashPath);
    ~CForceUpdateWnd() override;  // stops the workers

    void BeginUpdate();
    // The device came back after a restart.
    void Continue();
    void ResetMcuFactoryDefault();

    int Stage() const { return stage_; }
    bool Completed() const { return completed_; }
    // True once an upgrade stage began: the device was written and has to be read again.
    bool RanAnyStage() const { return ranStage_; }
    bool Busy() const { return worker_.Running() || factoryRunning_.load(); }

  protected:
    void InitWindow() override;
    void Notify(const ui::Notification& notification) override;
    void HandleMessage(Message& message) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void SetButtonsEnabled(bool enabled);
    void SetBars(int mcu, int flash);
    void CloseWindow();
    void JoinFactoryThread();

    FirmwareUpgrader& upgrader_;
    DeviceLink& link_;
    QString mcuPath_;
    QString flashPath_;
    int stage_ = 0;
    bool completed_ = false;
    bool failed_ = false;
    bool ranStage_ = false;
    UpgradeWorker worker_;
    std::thread factoryThread_;
    std::atomic<bool> factoryRunning_{false};
    std::atomic<bool> stopping_{false};
};

}  // namespace korvel
