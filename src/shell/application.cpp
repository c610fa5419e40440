#include "shell/application.h"

#include <QApplication>
#include <QBuffer>
#include <QDateTime>
#include <QEvent>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <ctime>
#include <vector>

#include "log/atomic_file.h"
#include "log/log.h"
#include "uiframework/dpi_scale.h"
#include "uiframework/framework.h"
#include "uiframework/language.h"
#include "virtualamp/device_select.h"
#include "windows/main_wnd.h"
#include "windows/msg_wnd.h"

namespace korvel {

namespace {

constexpr int kGonePollMs = 500;
// How long a window that is not painted (started minimised) waits before connecting anyway.
constexpr int kConnectFallbackMs = 300;
constexpr int kScreenshotPollMs = 100;

const QString kTipsKey = QStringLiteral("${tips}");

// The screen chosen by the display-scale rule: the widest, the first of equally wide ones.
QScreen* WidestQScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    std::vector<ui::ScreenRect> rects;
    for (const QScreen* screen : screens) {
        const QRect g = screen->geometry();
        rects.push_back({g.x(), g.y(), g.width(), g.height()});
    }
    const ui::ScreenRect widest = ui::WidestScreen(rects);
    for (QScreen* screen : screens) {
        const QRect g = screen->geometry();
        if (g.x() == widest.left && g.y() == widest.top && g.width() == widest.width &&
            g.height() == widest.height) {
            return screen;
        }
    }
    return QGuiApplication::primaryScreen();
}

bool ValidDeviceText(const QString& device) {
    return device == QLatin1String("usb") || device == QLatin1String("virtual") ||
           (device.startsWith(QLatin1String("unix:")) && device.size() > 5);
}

}  // namespace

std::optional<ShellOptions> ParseCommandLine(const QStringList& arguments, QString* error) {
    ShellOptions options;
    bool timeoutOk = false;
    const int timeout = qEnvironmentVariableIntValue("KORVEL_SCREENSHOT_TIMEOUT_MS", &timeoutOk);
    if (timeoutOk && timeout > 0) {
        options.screenshotTimeoutMs = timeout;
    }
    auto fail = [error](const QString& text) -> std::optional<ShellOptions> {
        if (error) {
            *error = text;
        }
        return std::nullopt;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        QString value;
        QString name = argument;
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        if (argument.startsWith(QLatin1String("--")) && equals > 0) {
            name = argument.left(equals);
            value = argument.mid(equals + 1);
        } else if (argument == QLatin1String("--device") ||
                   argument == QLatin1String("--screenshot")) {
            if (i + 1 >= arguments.size()) {
                return fail(QStringLiteral("%1 needs a value").arg(argument));
            }
            value = arguments[++i];
        }
        if (name == QLatin1String("--device")) {
            if (!ValidDeviceText(value)) {
                return fail(
                    QStringLiteral("unknown device '%1' (usb, virtual or unix:PATH)").arg(value));
            }
            options.device = value.toStdString();
        } else if (name == QLatin1String("--screenshot")) {
            if (value.isEmpty()) {
                return fail(QStringLiteral("--screenshot needs a file name"));
            }
            options.screenshotPath = value;
        } else {
            return fail(QStringLiteral("unknown argument '%1'").arg(argument));
        }
    }
    return options;
}

ApplicationShell::ApplicationShell(ShellOptions options)
    : options_(std::move(options)),
      settings_(options_.settingsPath.isEmpty() ? IniSettings::DefaultFilePath()
                                                : options_.settingsPath) {
    connect(&watcher_, &UsbDeviceWatcher::AmplifierArrived, this,
            &ApplicationShell::OnAmplifierArrived);
    connect(&watcher_, &UsbDeviceWatcher::AmplifierRemoved, this,
            &ApplicationShell::OnAmplifierRemoved);
    connect(&gonePoll_, &QTimer::timeout, this, &ApplicationShell::PollDeviceGone);
    connect(&screenshotPoll_, &QTimer::timeout, this, &ApplicationShell::TryScreenshot);
    connect(&tracePoll_, &QTimer::timeout, this, &ApplicationShell::TraceSynchronised);
    connectFallback_.setSingleShot(true);
    connect(&connectFallback_, &QTimer::timeout, this, &ApplicationShell::ConnectOnce);
    trace_ = qEnvironmentVariableIsSet("KORVEL_STARTUP_TRACE");
}

ApplicationShell::~ApplicationShell() {
    gonePoll_.stop();
    screenshotPoll_.stop();
    // A window that was never closed (screenshot run, second instance) still says goodbye to
    // the device before the link goes away.
    if (window_ && window_->Controller().Link().IsOpen()) {
        window_->Controller().Disconnect();
    }
}

bool ApplicationShell::Start(QString* error) {
    ui::UiFramework& framework = ui::UiFramework::Instance();  // skin, style and languages
    std::string deviceError;
    std::optional<TransportFactory> factory =
        TransportFactoryForDevice(options_.device, &deviceError);
    if (!factory) {
        if (error) {
            *error = QString::fromStdString(deviceError);
        }
        return false;
    }
    WriteLog("ApplicationShell: settings %s, device %s\n",
             settings_.FilePath().toUtf8().constData(), options_.device.c_str());

    // The scale is chosen before the window is built, so it is built, skinned and polished
    // once at its final size. Afterwards the scale follows the screens in place: a screen added,
    // removed or resized re-runs the choice, the windows re-apply their lengths, and the main
    // window is centred again.
    framework.ApplyScreenDpi();
    window_ = std::make_unique<CMainWnd>(std::move(*factory), settings_);
    window_->setWindowTitle(QStringLiteral("Korvel DSP Audio"));
    window_->Create();
    connect(&framework, &ui::UiFramework::ScaleChanged, this, &ApplicationShell::PlaceMainWindow);
    PlaceMainWindow();

    if (!CheckSingleInstance()) {
        if (error && !options_.screenshotPath.isEmpty()) {
            *error = ui::Tr(QStringLiteral("${mutex_tips}"));
        }
        return false;
    }

    window_->installEventFilter(this);
    if (trace_) {
        tracePoll_.start(5);
    }
    window_->ShowWindow();
    // Before connecting: a message box the connection opens (amplifier in use) must not hold
    // a screenshot run, which saves the disconnected window then.
    if (!options_.screenshotPath.isEmpty()) {
        StartScreenshot();
    }
    // The window is painted before the amplifier is contacted, so it appears at once and the
    // connection's loading window opens over a finished main window.
    connectFallback_.start(kConnectFallbackMs);
    gonePoll_.start(kGonePollMs);
    if (options_.watchUsb && !watcher_.Start()) {
        WriteLog("RegisterDeviceNotification\n");
    }
    return true;
}

bool ApplicationShell::CheckSingleInstance() {
    guard_ =
        std::make_unique<SingleInstanceGuard>(options_.instanceName, options_.instanceDirectory);
    if (guard_->TryAcquire()) {
        return true;
    }
    WriteLog("ApplicationShell: another instance is running\n");
    // Nobody can answer a box in a screenshot run; the caller reports it instead.
    if (options_.screenshotPath.isEmpty()) {
        CMsgWnd::ShowMessage(window_.get(), kTipsKey, QStringLiteral("${mutex_tips}"),
                             {QStringLiteral("${confirm}")}, 1);
    }
    return false;
}

void ApplicationShell::PlaceMainWindow() {
    if (!window_) {
        return;
    }
    // Layouts re-measure their scaled children first, so the old minimum size does not hold the
    // window at its former width.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const int percent = ui::UiFramework::Instance().ScalePercent();
    window_->resize(ui::ScaleLength(kDesignWidth, percent),
                    ui::ScaleLength(kDesignHeight, percent));
    if (QScreen* screen = WidestQScreen()) {
        QRect frame(QPoint(), window_->size());
        frame.moveCenter(screen->geometry().center());
        // A window larger than its screen keeps its title area on the screen.
        window_->move(std::max(frame.left(), screen->geometry().left()),
                      std::max(frame.top(), screen->geometry().top()));
    }
}

int ApplicationShell::CloseTipsMessageBoxes() {
    const QString tips = ui::Tr(kTipsKey);
    int closed = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<CMsgWnd*>(widget);
        if (box == nullptr || !box->isVisible() || box->IsClosed()) {
            continue;
        }
        const QString title = box->QuestionTitle();
        if (title == tips || title == kTipsKey) {
            box->Close(0);
            ++closed;
        }
    }
    return closed;
}

void ApplicationShell::OnAmplifierArrived(const QString& devpath) {
    WriteLog("ApplicationShell: amplifier arrived %s\n", devpath.toUtf8().constData());
    CloseTipsMessageBoxes();
    if (window_) {
        window_->Controller().DevicePlugin();
    }
}

void ApplicationShell::OnAmplifierRemoved(const QString& devpath) {
    WriteLog("ApplicationShell: amplifier removed %s\n", devpath.toUtf8().constData());
    CloseTipsMessageBoxes();
    if (window_) {
        window_->Controller().DevicePlugOut();
    }
}

void ApplicationShell::PollDeviceGone() {
    if (!window_) {
        return;
    }
    const bool gone = window_->Controller().Link().DeviceGone();
    if (gone && !goneReported_) {
        WriteLog("ApplicationShell: the device closed the connection\n");
        goneReported_ = true;  // once per loss, even while an upgrade keeps the handle open
        OnAmplifierRemoved(QString());
    } else if (!gone) {
        goneReported_ = false;
    }
}

void ApplicationShell::StartScreenshot() {
    screenshotDeadline_ = QDateTime::currentMSecsSinceEpoch() + options_.screenshotTimeoutMs;
    screenshotPoll_.start(kScreenshotPollMs);
}

void ApplicationShell::TryScreenshot() {
    const EqualizerManager& controller = window_->Controller();
    const bool settled = !controller.Busy() && window_->LoadingWindow() == nullptr;
    const bool synchronised = controller.State() == ConnectState::kConnected && settled;
    // No amplifier answered (or another program has it): the disconnected window is saved,
    // and the exit status still says that the connection failed.
    const bool gaveUp = controller.State() == ConnectState::kDisconnected && settled;
    if (!synchronised && !gaveUp) {
        if (QDateTime::currentMSecsSinceEpoch() > screenshotDeadline_) {
            screenshotPoll_.stop();
            std::fprintf(stderr, "korvel-dsp: could not connect to the amplifier within %.1f s\n",
                         options_.screenshotTimeoutMs / 1000.0);
            Finish(1);
        }
        return;
    }
    screenshotPoll_.stop();
    const QByteArray path = options_.screenshotPath.toLocal8Bit();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    std::string error;
    if (!window_->grab().save(&buffer, "PNG") ||
        !WriteFileAtomically(path.toStdString(), std::string_view(png.constData(), png.size()),
                             &error)) {
        std::fprintf(stderr, "korvel-dsp: cannot write %s: %s\n", path.constData(),
                     error.empty() ? "the picture was not encoded" : error.c_str());
        Finish(1);
        return;
    }
    if (gaveUp) {
        std::fprintf(stderr, "korvel-dsp: no amplifier answered\n");
    }
    std::printf("korvel-dsp: screenshot of the %smain window saved to %s\n",
                gaveUp ? "disconnected " : "", path.constData());
    std::fflush(stdout);
    Finish(gaveUp ? 1 : 0);
}

void ApplicationShell::Finish(int code) {
    // A message box of the start-up (amplifier in use) may run its own loop before the main
    // one starts; the code is kept so RunApplication does not enter the main loop after it.
    finishedWith_ = code;
    QCoreApplication::exit(code);
}

void ApplicationShell::ConnectOnce() {
    if (connectStarted_ || !window_) {
        return;
    }
    connectStarted_ = true;
    connectFallback_.stop();
    window_->Controller().Connect(false);
}

bool ApplicationShell::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && watched == window_.get() && !painted_) {
        painted_ = true;
        if (trace_) {
            // The processor time is taken here, at the paint itself: read from outside once the
            // line has arrived, it would include the painting that follows.
            timespec cpu{};
            clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
            std::printf("korvel-dsp: first paint\nkorvel-dsp: first paint cpu %.3f ms\n",
                        cpu.tv_sec * 1e3 + cpu.tv_nsec / 1e6);
            std::fflush(stdout);
            TraceFonts();
        }
        // Queued: the paint finishes before the device is opened.
        QTimer::singleShot(0, this, &ApplicationShell::ConnectOnce);
    }
    return QObject::eventFilter(watched, event);
}

void ApplicationShell::TraceFonts() const {
    // The sizes and weights the shown window draws its texts in, so the start-up benchmark can
    // give its minimal window the same fonts: each one costs a font engine and its glyphs.
    QStringList fonts;
    for (const QWidget* widget : window_->findChildren<QWidget*>()) {
        const bool hasText = !widget->property("text").toString().isEmpty() ||
                             !widget->property("currentText").toString().isEmpty();
        const QFont& font = widget->font();
        const QString entry = QStringLiteral("%1/%2").arg(font.pixelSize()).arg(font.weight());
        if (widget->isVisible() && hasText && font.pixelSize() > 0 && !fonts.contains(entry)) {
            fonts << entry;
        }
    }
    std::printf("korvel-dsp: fonts %s\n", qPrintable(fonts.join(QLatin1Char(' '))));
    std::fflush(stdout);
}

void ApplicationShell::TraceSynchronised() {
    const EqualizerManager& controller = window_->Controller();
    if (controller.State() == ConnectState::kConnected && !controller.Busy() &&
        window_->LoadingWindow() == nullptr) {
        tracePoll_.stop();
        std::printf("korvel-dsp: synchronised\n");
        std::fflush(stdout);
    }
}

const char* ApplicationUsage() {
    return "usage: korvel-dsp [--device usb|virtual|unix:PATH] [--screenshot FILE.png]\n"
           "\n"
           "Tunes the Tarvik7 car-audio DSP amplifier over USB: volume, delays, phases,\n"
           "routing, crossovers, equalisers, scenes and profile files.\n"
           "\n"
           "Options:\n"
           "  --device usb|virtual|unix:PATH  the amplifier: usb (default), virtual (one\n"
           "                                  inside this program) or unix:PATH (served by\n"
           "                                  korvel-virtual-amp --listen PATH)\n"
           "  --screenshot FILE.png           connect, save a picture of the main window once\n"
           "                                  synchronised, and quit\n"
           "  --help                          show this text\n"
           "  --version                       show the program's version\n"
           "\n"
           "Environment:\n"
           "  KORVEL_SCREENSHOT_TIMEOUT_MS    how long --screenshot waits for the amplifier\n"
           "                                  (milliseconds, default 20000)\n"
           "  KORVEL_STARTUP_TRACE            print the first paint and the end of the\n"
           "                                  synchronisation on standard output\n";
}

int RunApplication(int argc, char** argv) {
    OpenLogIfSwitchPresent();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel DSP Audio"));
    QString error;
    std::optional<ShellOptions> options = ParseCommandLine(app.arguments().mid(1), &error);
    if (!options) {
        std::fprintf(stderr, "korvel-dsp: %s\n%s", error.toLocal8Bit().constData(),
                     ApplicationUsage());
        return 2;
    }
    const bool screenshot = !options->screenshotPath.isEmpty();
    ApplicationShell shell(std::move(*options));
    if (!shell.Start(&error)) {
        if (!error.isEmpty()) {
            std::fprintf(stderr, "korvel-dsp: %s\n", error.toLocal8Bit().constData());
            return screenshot || shell.MainWindow() == nullptr ? 1 : 0;
        }
        return 0;  // second instance: the user was told, the first copy runs on
    }
    if (const std::optional<int> code = shell.FinishedWith()) {
        return *code;
    }
    return QApplication::exec();
}

}  // namespace korvel
