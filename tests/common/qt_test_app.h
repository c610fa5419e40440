#pragma once
// One QApplication for a GoogleTest binary, on the offscreen platform unless told otherwise.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <functional>
#include <ostream>

namespace korvel::test {

// Programs without a display (tests, screenshots, benchmarks) run on the offscreen platform unless
// QT_QPA_PLATFORM names another.
inline void UseOffscreenUnlessSet() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

// The folder a screenshot program writes to: its first argument, else /tmp/korvel-shots; created.
inline QString ScreenshotFolder(int argc, char** argv) {
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/korvel-shots");
    QDir().mkpath(folder);
    return folder;
}

inline QApplication& EnsureQtApp() {
    static int argc = 1;
    static char name[] = "korvel_gui_tests";
    static char* argv[] = {name, nullptr};
    UseOffscreenUnlessSet();
    static QApplication* app = new QApplication(argc, argv);  // lives for the whole test run
    return *app;
}

// Runs the Qt event loop until `done` is true or `timeout` passes; true when `done` was reached.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout.count()) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// Runs the Qt event loop for `time`.
inline void PumpFor(std::chrono::milliseconds time) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < time.count()) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

// Writes `content` to `name` in a temporary directory and returns its path.
inline QString WriteTempFile(QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(content);
    }
    return path;
}

}  // namespace korvel::test

// Readable QString values in GoogleTest failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
