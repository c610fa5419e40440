#pragma once
// One QApplication for a GoogleTest binary, on the offscreen platform unless told otherwise.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <ostream>

namespace korvel::test {

inline QApplication& EnsureQtApp() {
    static int argc = 1;
    static char name[] = "korvel_gui_tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static QApplication* app = new QApplication(argc, argv);  // lives for the whole test run
    return *app;
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
