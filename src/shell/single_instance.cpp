#include "shell/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>

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
}

SingleInstanceGuard::~SingleInstanceGuard() {
    // Closing releases the lock. The file is not removed: that could race with a copy that has
    // just opened it and would then lock a file no longer in the folder.
    if (fd_ >= 0) {
        close(fd_);
    }
}

bool SingleInstanceGuard::TryAcquire() {
    if (acquired_) {
        return true;
    }
    const QByteArray path = QFile::encodeName(path_);
    const int fd = open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        // Not another copy: a folder that cannot be used. Refusing to start would tell the user
        // that the program is already running, so it runs unguarded instead.
        WriteLog("SingleInstanceGuard: cannot open %s: %s; running unguarded\n", path.constData(),
                 std::strerror(errno));
        acquired_ = true;
        return true;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        if (error != EWOULDBLOCK) {
            // A file system without locks (some network folders): no copy holds it either.
            WriteLog("SingleInstanceGuard: cannot lock %s: %s; running unguarded\n",
                     path.constData(), std::strerror(error));
            acquired_ = true;
            return true;
        }
        WriteLog("SingleInstanceGuard: %s is held\n", path.constData());
        return false;
    }
    fd_ = fd;
    acquired_ = true;
    return true;
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
