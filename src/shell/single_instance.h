#pragma once
// Guard that lets one copy of the application run per user: a lock file named after the
// instance name. A lock left by a crashed copy is taken over (its process no longer exists).

#include <QString>
#include <memory>

class QLockFile;

namespace korvel {

inline constexpr const char* kModelString = "Tarvik7";

// "KORVELAMP_<model>", the instance name of the application.
QString InstanceGuardName(const QString& model = QString::fromLatin1(kModelString));

class SingleInstanceGuard {
  public:
    // An empty `directory` means DefaultDirectory().
    explicit SingleInstanceGuard(QString name = InstanceGuardName(), QString directory = {});
    ~SingleInstanceGuard();
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

    // True when this is the only holder of the name; the guard keeps it until destroyed.
    bool TryAcquire();
    bool Acquired() const { return acquired_; }
    const QString& LockFilePath() const { return path_; }

    // $KORVEL_INSTANCE_DIR when set, otherwise the user's runtime folder, otherwise the
    // temporary folder.
    static QString DefaultDirectory();

  private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
    bool acquired_ = false;
};

}  // namespace korvel
