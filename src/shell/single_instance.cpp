#include "shell/single_instance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#include "log/log.h"

namespace korvel {

QString InstanceGuardName(const QString& model) {
    return QStringLiteral("KORVELAMP_%1").arg(model);
}

SingleInstanceGuard::SingleInstanceGuard(QString name, QString directory) {
    if (directory.isEmpty()) {
        directory = DefaultDirectory();
    }
    QDir().mkpath(directory);
    path_ = QDir(directory).filePath(name + QStringLiteral(".lock"));
    lock_ = std::make_unique<QLockFile>(path_);
    // Never stale by age: only a lock whose process is gone is taken over.
    lock_->setStaleLockTime(0);
}

SingleInstanceGuard::~SingleInstanceGuard() = default;  // QLockFile unlocks on destruction

bool SingleInstanceGuard::TryAcquire() {
    if (!acquired_) {
        acquired_ = lock_->tryLock(0);
        if (!acquired_) {
            WriteLog("SingleInstanceGuard: %s is held (error %d)\n", path_.toUtf8().constData(),
                     static_cast<int>(lock_->error()));
        }
    }
    return acquired_;
}

QString SingleInstanceGuard::DefaultDirectory() {
    const QString overridden = qEnvironmentVariable("KORVEL_INSTANCE_DIR");
    if (!overridden.isEmpty()) {
        return overridden;
    }
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

}  // namespace korvel
