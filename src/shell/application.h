#pragma once
// The application shell: creates the one main window, scales it to the screens, guards against
// a second copy, connects to the amplifier, and hands USB arrivals and removals to the tuning
// controller. RunApplication is the whole program behind the korvel-dsp executable.
//
// Start-up order: log switch, QApplication, framework (skin and languages), main window at the
// chosen display scale, single-instance check, connect, USB watch. Closing the main window
// disconnects (the device gets PC_Connect 0) and ends the event loop.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "shell/app_settings.h"
#include "shell/single_instance.h"
#include "shell/usb_watch.h"

namespace korvel {

class CMainWnd;

struct ShellOptions {
    std::string device = "usb";  // "usb", "virtual" or "unix:PATH"
    QString screenshotPath;      // non-empty: save a picture once synchronised, then quit
    QString instanceName = InstanceGuardName();
    QString instanceDirectory;  // empty: SingleInstanceGuard::DefaultDirectory()
    QString settingsPath;       // empty: IniSettings::DefaultFilePath()
    bool watchUsb = true;
    int screenshotTimeoutMs = 20000;  // $KORVEL_SCREENSHOT_TIMEOUT_MS overrides it
};

// Command line (and $KORVEL_SCREENSHOT_TIMEOUT_MS): [--device usb|virtual|unix:PATH] [--screenshot
// FILE.png]; `arguments` without the program name. nullopt and `error` for anything else.
std::optional<ShellOptions> ParseCommandLine(const QStringList& arguments, QString* error);

inline constexpr int kDesignWidth = 1230;  // the main layout's size before scaling
inline constexpr int kDesignHeight = 650;

class ApplicationShell : public QObject {
    Q_OBJECT
  public:
    explicit ApplicationShell(ShellOptions options);
    ~ApplicationShell() override;

    // Creates the main window and runs the start-up checks. False when another copy runs (the
    // user was told with "${mutex_tips}") or the device text is unknown (`error`).
    bool Start(QString* error);

    CMainWnd* MainWindow() const { return window_.get(); }
    const SingleInstanceGuard& Guard() const { return *guard_; }
    UsbDeviceWatcher& UsbWatcher() { return watcher_; }

    // USB events of the amplifier: close an open "${tips}" box, then plug in or out.
    void OnAmplifierArrived(const QString& devpath);
    void OnAmplifierRemoved(const QString& devpath);

    // A device that closed its end (socket transport) counts as removed.
    void PollDeviceGone();

    // Set once a screenshot run has ended, with the program's exit status.
    std::optional<int> FinishedWith() const { return finishedWith_; }

    // Centres the main window on the widest screen at its current scale.
    void PlaceMainWindow();

    // Ends every open message box titled "${tips}"; returns how many were closed.
    static int CloseTipsMessageBoxes();

  protected:
    // The first paint of the main window starts the connection. With $KORVEL_STARTUP_TRACE set,
    // it and the end of the initial synchronisation are announced on standard output (for
    // start-up timing).
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool CheckSingleInstance();
    void TraceFonts() const;
    void TraceSynchronised();
    void StartScreenshot();
    void TryScreenshot();
    void Finish(int code);
    void ConnectOnce();

    ShellOptions options_;
    IniSettings settings_;
    std::unique_ptr<SingleInstanceGuard> guard_;
    std::unique_ptr<CMainWnd> window_;
    UsbDeviceWatcher watcher_;
    QTimer gonePoll_;
    QTimer screenshotPoll_;
    qint64 screenshotDeadline_ = 0;
    bool goneReported_ = false;
    std::optional<int> finishedWith_;
    bool trace_ = false;
    bool painted_ = false;
    bool connectStarted_ = false;
    QTimer connectFallback_;  // connects a window that is never painted (started minimised)
    QTimer tracePoll_;
};

// The program's --help text: usage, options and the environment variables it reads.
const char* ApplicationUsage();

// The whole program: returns the process exit code.
int RunApplication(int argc, char** argv);

}  // namespace korvel
