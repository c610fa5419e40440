#include "log/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "log/log.h"

namespace korvel {
namespace {

constexpr mode_t kNewFileMode = 0666;

bool Fail(std::string* error, const std::string& text) {
    if (error != nullptr) {
        *error = text;
    }
    return false;
}

std::string ErrnoText(int code) {
    return std::strerror(code);
}

std::filesystem::path FolderOf(const std::filesystem::path& path) {
    const std::filesystem::path folder = path.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// A temporary file next to `path`, hidden and unique: ".NAME.XXXXXX". Returns -1 with errno.
int CreateTemporary(const std::filesystem::path& path, std::string& tempPath) {
    const std::string pattern =
        (FolderOf(path) / ("." + path.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) {
        tempPath = name.data();
    }
    return fd;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// The process umask, read without changing it (umask() would race with other threads).
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
        }
    }
    return 022;
}

mode_t ModeForTarget(const std::filesystem::path& path) {
    struct stat existing {};
    if (stat(path.c_str(), &existing) == 0) {
        return existing.st_mode & 07777;
    }
    return kNewFileMode & ~CurrentUmask();
}

// A link is followed, so the file it names is replaced and the link stays.
std::filesystem::path ResolvedTarget(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec)) {
        return path;
    }
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : target;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& requested, std::string_view bytes,
                         std::string* error) {
    if (requested.empty() || requested.filename().empty()) {
        return Fail(error, "no file name");
    }
    const std::filesystem::path path = ResolvedTarget(requested);
    std::string tempPath;
    const int fd = CreateTemporary(path, tempPath);
    if (fd < 0) {
        const int code = errno;
        WriteLog("WriteFileAtomically %s: cannot create a file in its folder: %s\n",
                 path.string().c_str(), ErrnoText(code).c_str());
        return Fail(error, ErrnoText(code));
    }
    int code = 0;
    if (!WriteAll(fd, bytes) || fchmod(fd, ModeForTarget(path)) != 0 || fsync(fd) != 0) {
        code = errno;
    }
    if (close(fd) != 0 && code == 0) {
        code = errno;
    }
    if (code == 0 && rename(tempPath.c_str(), path.c_str()) != 0) {
        code = errno;
    }
    if (code != 0) {
        unlink(tempPath.c_str());
        WriteLog("WriteFileAtomically %s: %s; the file is unchanged\n", path.string().c_str(),
                 ErrnoText(code).c_str());
        return Fail(error, ErrnoText(code));
    }
    // The rename reaches the disk with the folder; a failure here loses nothing already named.
    const int folder = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

bool CanWriteFile(const std::filesystem::path& path, std::string* error) {
    if (path.empty() || path.filename().empty()) {
        return Fail(error, "no file name");
    }
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return Fail(error, "is a folder");
    }
    std::string tempPath;
    const int fd = CreateTemporary(path, tempPath);
    if (fd < 0) {
        return Fail(error, ErrnoText(errno));
    }
    close(fd);
    unlink(tempPath.c_str());
    return true;
}

}  // namespace korvel
