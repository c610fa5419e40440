#pragma once
// Guard that lets one copy of the application run per user: a lock file named after the
// instance name, held with flock(2). The kernel drops the lock when its process ends, so the lock
// of a crashed copy is simply taken over. (QLockFile would also work, but it syncs the file to
// disk on every start, which the first paint of the window waits for.)

#include <QString>

namespace korvel {

inline constexpr const char* kModelString = "Tarvik7";

// "KORVELAMP_<model>", the instance name of the application.
QString InstanceGuardName(const QString& model = QString::fromLatin1(kModelString));

class SingleInstanceGuard {
  public:
    // An empty `directory` means DefaultDirectory().
    explicit SingleInstanceGuard(QString name = InstanceGuardName(), QString directory = {});
    ~SingleInstanceGuard();  // releases the lock; the file stays
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

    // True when this is the only holder of the name; the guard keeps it until destroyed. Also
    // true, unguarded, when the lock file cannot be opened at all: only a lock held by another
    // copy refuses.
    bool TryAcquire();
    bool Acquired() const { return acquired_; }
    const QString& LockFilePath() const { return path_; }

    // $KORVEL_INSTANCE_DIR when set, otherwise the user's runtime folder, otherwise the
    // temporary folder.
    static QString DefaultDirectory();

  private:
    QString path_;
    int fd_ = -1;  // open and locked once acquired
    bool acquired_ = false;
};

}  // namespace korvel
