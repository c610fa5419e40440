// Times korvel-dsp from process start to its first painted main window and to the end of the
// initial synchronisation with the in-process virtual amplifier, and reports the child's peak
// resident memory. The program runs offscreen with the start-up trace switched on and is ended
// once synchronised.
//
//   bench_startup [runs] [path/to/korvel-dsp]

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    double firstPaintMs = -1;
    double synchronisedMs = -1;
    long peakRssKb = 0;
    bool ok = false;
};

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Run RunOnce(const char* program, const std::string& instanceDir) {
    Run run;
    int out[2];
    if (pipe(out) != 0) {
        return run;
    }
    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("KORVEL_STARTUP_TRACE", "1", 1);
        setenv("KORVEL_INSTANCE_DIR", instanceDir.c_str(), 1);
        execl(program, program, "--device", "virtual", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string pending;
    char buffer[512];
    while (run.synchronisedMs < 0) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        pending.append(buffer, static_cast<size_t>(n));
        size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (line == "korvel-dsp: first paint") {
                run.firstPaintMs = MsSince(start);
            } else if (line == "korvel-dsp: synchronised") {
                run.synchronisedMs = MsSince(start);
            }
        }
    }
    kill(pid, SIGTERM);
    close(out[0]);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) == pid) {
        run.peakRssKb = usage.ru_maxrss;  // kilobytes on Linux
    }
    run.ok = run.firstPaintMs >= 0 && run.synchronisedMs >= 0;
    return run;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const char* program = argc > 2 ? argv[2] : KORVEL_DSP_PATH;
    char dirTemplate[] = "/tmp/korvel-bench-XXXXXX";
    const char* instanceDir = mkdtemp(dirTemplate);
    if (instanceDir == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    std::vector<double> paint, sync, rss;
    for (int i = 0; i < runs; ++i) {
        const Run run = RunOnce(program, instanceDir);
        if (!run.ok) {
            std::fprintf(stderr, "run %d: korvel-dsp did not report both milestones\n", i + 1);
            return 1;
        }
        std::printf("run %d: first paint %7.1f ms  synchronised %7.1f ms  peak RSS %6.1f MiB\n",
                    i + 1, run.firstPaintMs, run.synchronisedMs, run.peakRssKb / 1024.0);
        paint.push_back(run.firstPaintMs);
        sync.push_back(run.synchronisedMs);
        rss.push_back(run.peakRssKb / 1024.0);
    }
    std::printf("median of %d: first paint %.1f ms, synchronised %.1f ms, peak RSS %.1f MiB\n",
                runs, Median(paint), Median(sync), Median(rss));
    rmdir(instanceDir);
    return 0;
}
