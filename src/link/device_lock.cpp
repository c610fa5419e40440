#include "link/device_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "log/log.h"

namespace korvel {
namespace {

constexpr size_t kHolderBytes = 256;

// FNV-1a: a stable, short file name for any device text.
uint64_t KeyHash(const std::string& key) {
    uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : key) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    return hash;
}

std::string HolderText(int fd) {
    char buffer[kHolderBytes] = {};
    const ssize_t count = pread(fd, buffer, sizeof buffer - 1, 0);
    char program[kHolderBytes] = {};
    long pid = 0;
    if (count > 0 && std::sscanf(buffer, "%255s %ld", program, &pid) == 2 && pid > 0) {
        return std::string(program) + " (pid " + std::to_string(pid) + ")";
    }
    return "another program";
}

void WriteHolder(int fd) {
    const std::string text =
        std::string(program_invocation_short_name) + " " + std::to_string(getpid()) + "\n";
    if (ftruncate(fd, 0) != 0 || pwrite(fd, text.data(), text.size(), 0) < 0) {
        WriteLog("DeviceLock: cannot write the holder: %s\n", std::strerror(errno));
    }
}

}  // namespace

std::filesystem::path DeviceLock::Folder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        return runtime;
    }
    return std::filesystem::path("/tmp") / ("korvel-" + std::to_string(getuid()));
}

std::filesystem::path DeviceLock::PathFor(const std::string& key) {
    char name[64];
    std::snprintf(name, sizeof name, "korvel-amp-%016llx.lock",
                  static_cast<unsigned long long>(KeyHash(key)));
    return Folder() / name;
}

std::unique_ptr<DeviceLock> DeviceLock::Acquire(const std::string& key, std::string* holder) {
    const std::filesystem::path path = PathFor(key);
    mkdir(path.parent_path().c_str(), 0700);  // the fallback folder; the runtime folder exists
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        WriteLog("DeviceLock: cannot open %s: %s; the device is not guarded\n", path.c_str(),
                 std::strerror(errno));
        return std::unique_ptr<DeviceLock>(new DeviceLock(-1, path));
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const std::string text = HolderText(fd);
        close(fd);
        WriteLog("DeviceLock: %s is held by %s\n", key.c_str(), text.c_str());
        if (holder != nullptr) {
            *holder = text;
        }
        return nullptr;
    }
    WriteHolder(fd);
    WriteLog("DeviceLock: %s taken (%s)\n", key.c_str(), path.c_str());
    return std::unique_ptr<DeviceLock>(new DeviceLock(fd, path));
}

DeviceLock::~DeviceLock() {
    if (fd_ >= 0) {
        // The file stays: removing it could race with a program that just opened it.
        if (ftruncate(fd_, 0) != 0) {
            WriteLog("DeviceLock: cannot clear %s\n", path_.c_str());
        }
        close(fd_);
    }
}

}  // namespace korvel
