#include "shell/app_settings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include "log/log.h"

namespace korvel {

namespace {

QString Key(const QString& key) {
    return QString::fromLatin1(kSettingsSection) + QLatin1Char('/') + key;
}

}  // namespace

IniSettings::IniSettings(QString filePath) : path_(std::move(filePath)) {}

QString IniSettings::FilePathIn(const QString& configFolder) {
    const QString name = QString::fromLatin1(kSettingsFileName);
    if (!configFolder.isEmpty() && QDir().mkpath(configFolder)) {
        return QDir(configFolder).filePath(name);
    }
    WriteLog("IniSettings: no configuration folder, using the current directory\n");
    return QDir::current().filePath(name);
}

QString IniSettings::DefaultFilePath() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return FilePathIn(base.isEmpty() ? QString() : QDir(base).filePath(QStringLiteral("korvel")));
}

int IniSettings::ReadLan() {
    return ReadInt(QStringLiteral("lan"), kLanEnglish);
}

void IniSettings::WriteLan(int value) {
    WriteInt(QStringLiteral("lan"), value);
}

int IniSettings::ReadInt(const QString& key, int fallback) const {
    const QSettings file(path_, QSettings::IniFormat);
    bool ok = false;
    const int value = file.value(Key(key)).toString().trimmed().toInt(&ok);
    return ok ? value : fallback;
}

void IniSettings::WriteInt(const QString& key, int value) {
    QSettings file(path_, QSettings::IniFormat);
    file.setValue(Key(key), QString::number(value));
    file.sync();
    if (file.status() != QSettings::NoError) {
        WriteLog("IniSettings: cannot write %s\n", path_.toUtf8().constData());
    }
}

}  // namespace korvel
