// Times `korvel-cli --device virtual pull FILE.spf` (the in-process virtual amplifier answers
// each report after its default 1 ms) and compares the wall time with the number of reports
// the pull sent: the goal is within 15% of one millisecond per report.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "apps/process_runner.h"

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    const std::string file = "/tmp/korvel-bench-pull-" + std::to_string(getpid()) + ".spf";
    std::vector<double> times;
    int reports = 0;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        auto result =
            korvel::test::RunProcess({KORVEL_CLI_PATH, "--device", "virtual", "pull", file});
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (result.exitCode != 0) {
            std::fprintf(stderr, "pull failed: %s", result.err.c_str());
            return 1;
        }
        std::sscanf(result.err.c_str(), "pull: %d reports", &reports);
        times.push_back(ms);
    }
    unlink(file.c_str());
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("pull FILE.spf, %d runs: median %.1f ms, min %.1f ms, max %.1f ms\n", runs, median,
                times.front(), times.back());
    std::printf("reports sent: %d; median / (reports x 1 ms) = %.3f\n", reports, median / reports);
    return 0;
}
