#include "apps/process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace korvel::test {

namespace {

std::vector<char*> ArgvPointers(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    for (const auto& arg : argv)
        pointers.push_back(const_cast<char*>(arg.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

void ReadBoth(int outFd, int errFd, std::string& out, std::string& err) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    int open = 2;
    char buffer[4096];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? out : err).append(buffer, static_cast<size_t>(n));
            }
        }
    }
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& stdinText) {
    int outPipe[2], errPipe[2], inPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0 || pipe(inPipe) != 0)
        return {};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1], inPipe[0], inPipe[1]}) {
            close(fd);
        }
        auto pointers = ArgvPointers(argv);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    close(inPipe[0]);
    if (!stdinText.empty()) {
        [[maybe_unused]] ssize_t n = write(inPipe[1], stdinText.data(), stdinText.size());
    }
    close(inPipe[1]);
    ProcessResult result;
    ReadBoth(outPipe[0], errPipe[0], result.out, result.err);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

BackgroundProcess::BackgroundProcess(const std::vector<std::string>& argv) {
    pid_ = fork();
    if (pid_ == 0) {
        int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 2);
        auto pointers = ArgvPointers(argv);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
}

BackgroundProcess::~BackgroundProcess() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
}

bool WaitForSocket(const std::string& path) {
    for (int i = 0; i < 200; ++i) {
        struct stat st {};
        if (stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

std::string TempSocketPath(const std::string& tag) {
    static std::atomic<int> counter{0};
    return "/tmp/korvel-test-" + tag + "-" + std::to_string(getpid()) + "-" +
           std::to_string(counter++) + ".sock";
}

}  // namespace korvel::test
