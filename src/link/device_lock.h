#pragma once
// One program per amplifier. Two programs talking to the same amplifier would interleave their
// requests and take each other's answers, so every program that opens a device first takes a
// lock named after it: a lock file in the user's runtime folder, held with flock(2) for as long
// as the device is open. The file names the holder ("korvel-dsp 4242"), so a second program can
// say who has the amplifier. The kernel drops the lock when its process ends, so the lock of a
// program that died is simply taken over.

#include <filesystem>
#include <memory>
#include <string>

namespace korvel {

class DeviceLock {
  public:
    // Takes the lock for `key` (the device: "usb:0483:5750", "unix:/run/amp.sock"). nullptr
    // when another program holds it; `holder` then reads "PROGRAM (pid N)", or "another
    // program" when the file does not say. A lock folder that cannot be used gives no lock at
    // all rather than refusing the device: the program then works as if unguarded.
    static std::unique_ptr<DeviceLock> Acquire(const std::string& key, std::string* holder);

    ~DeviceLock();
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // $XDG_RUNTIME_DIR, or /tmp/korvel-UID when it is not set.
    static std::filesystem::path Folder();
    static std::filesystem::path PathFor(const std::string& key);

  private:
    DeviceLock(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}

    int fd_;
    std::filesystem::path path_;
};

}  // namespace korvel
