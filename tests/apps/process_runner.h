#pragma once
// Runs a program to completion and captures its output and exit status, or keeps one running in
// the background for the duration of a test.

#include <sys/types.h>
#include <string>
#include <vector>

namespace korvel::test {

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& stdinText = "");

// Starts a program and stops it (SIGTERM, then waits) when destroyed.
class BackgroundProcess {
  public:
    explicit BackgroundProcess(const std::vector<std::string>& argv);
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

  private:
    pid_t pid_ = -1;
};

// Waits until `path` exists as a socket, up to about two seconds.
bool WaitForSocket(const std::string& path);

// A fresh path for a Unix socket under /tmp.
std::string TempSocketPath(const std::string& tag);

}  // namespace korvel::test
