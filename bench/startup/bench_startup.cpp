// Times korvel-dsp from process start to its first painted main window and to the end of the
// initial synchronisation with the in-process virtual amplifier, and reports the child's peak
// resident memory. The program runs offscreen with the start-up trace switched on and is ended
// once synchronised. Each run also times a minimal Qt window to its first paint, twice: once with
// one line in the application font, and once with a line more in each size and weight that
// korvel-dsp's main window draws its texts in (its trace names them), that is, with the same
// fonts: each font costs a font engine and its glyphs whatever window shows it. The summary gives
// the ratios of the first-paint medians. The processor time each program used up to its first
// paint (all threads) is given too: unlike the clock time it hardly depends on what else the
// machine is doing. Each program reads it itself at the paint and prints it on the line after the
// paint's: read here once that line arrived, it would also count the painting, which runs on
// meanwhile.
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
constexpr char kFontsLine[] = "korvel-dsp: fonts ";

struct Run {
    double firstPaintMs = -1;
    double firstPaintCpuMs = -1;  // processor time of all threads until the paint was reported
    double synchronisedMs = -1;
    long peakRssKb = 0;
    std::vector<std::string> fonts;  // "PIXELS/WEIGHT" of the shown texts, from korvel-dsp's trace
    bool ok = false;
};

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    size_t at = 0;
    while ((at = text.find_first_not_of(' ', at)) != std::string::npos) {
        const size_t end = std::min(text.find(' ', at), text.size());
        words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

// Runs `program` (with --device virtual when `synchronise` is set, with `args` otherwise) until
// it announced its first paint and, when `synchronise` is set, its fonts and the end of the
// synchronisation.
Run RunOnce(const char* program, const std::string& instanceDir, bool synchronise,
            const std::vector<std::string>& args = {}) {
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
        if (synchronise) {
            execl(program, program, "--device", "virtual", static_cast<char*>(nullptr));
        } else {
            std::vector<char*> argv{const_cast<char*>(program)};
            for (const std::string& arg : args) {
                argv.push_back(const_cast<char*>(arg.c_str()));
            }
            argv.push_back(nullptr);
            execv(program, argv.data());
        }
        _exit(127);
    }
    close(out[1]);
    std::string pending;
    char buffer[512];
    auto done = [&] {
        return run.firstPaintCpuMs >= 0 &&
               (!synchronise || (run.synchronisedMs >= 0 && !run.fonts.empty()));
    };
    while (!done()) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        pending.append(buffer, static_cast<size_t>(n));
        size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            double cpuMs = 0;
            if (line == "korvel-dsp: first paint") {
                run.firstPaintMs = MsSince(start);
            } else if (std::sscanf(line.c_str(), "korvel-dsp: first paint cpu %lf ms", &cpuMs) ==
                       1) {
                run.firstPaintCpuMs = cpuMs;
            } else if (line.rfind(kFontsLine, 0) == 0) {
                run.fonts = Words(line.substr(std::strlen(kFontsLine)));
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
    run.ok = done();
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
    // A first run, not counted, names the fonts of the main window (and warms the file cache).
    const Run first = RunOnce(program, instanceDir, true);
    if (!first.ok) {
        std::fprintf(stderr, "korvel-dsp did not report its milestones\n");
        return 1;
    }
    std::printf("fonts of the main window's texts (pixels/weight):");
    for (const std::string& font : first.fonts) {
        std::printf(" %s", font.c_str());
    }
    std::printf("\n");
    std::vector<double> paint, paintCpu, sync, rss, bare, bareCpu, same, sameCpu;
    for (int i = 0; i < runs; ++i) {
        const Run oneFont = RunOnce(KORVEL_MINIMAL_WINDOW_PATH, instanceDir, false);
        const Run sameFonts = RunOnce(KORVEL_MINIMAL_WINDOW_PATH, instanceDir, false, first.fonts);
        const Run run = RunOnce(program, instanceDir, true);
        if (!run.ok || !oneFont.ok || !sameFonts.ok) {
            std::fprintf(stderr, "run %d: %s did not report its milestones\n", i + 1,
                         run.ok ? "the minimal window" : "korvel-dsp");
            return 1;
        }
        std::printf(
            "run %d: first paint %6.1f ms (cpu %5.1f)  synchronised %7.1f ms  peak RSS %5.1f MiB"
            "  | minimal window: one font %5.1f ms (cpu %5.1f), same fonts %5.1f ms (cpu %5.1f)\n",
            i + 1, run.firstPaintMs, run.firstPaintCpuMs, run.synchronisedMs,
            run.peakRssKb / 1024.0, oneFont.firstPaintMs, oneFont.firstPaintCpuMs,
            sameFonts.firstPaintMs, sameFonts.firstPaintCpuMs);
        paint.push_back(run.firstPaintMs);
        paintCpu.push_back(run.firstPaintCpuMs);
        sync.push_back(run.synchronisedMs);
        rss.push_back(run.peakRssKb / 1024.0);
        bare.push_back(oneFont.firstPaintMs);
        bareCpu.push_back(oneFont.firstPaintCpuMs);
        same.push_back(sameFonts.firstPaintMs);
        sameCpu.push_back(sameFonts.firstPaintCpuMs);
    }
    std::printf("median of %d: first paint %.1f ms, synchronised %.1f ms, peak RSS %.1f MiB\n",
                runs, Median(paint), Median(sync), Median(rss));
    const auto ratios = [&](const char* yardstick, const std::vector<double>& clock,
                            const std::vector<double>& cpu) {
        std::printf(
            "first paint, korvel-dsp / minimal Qt window with %s: clock %.1f / %.1f ms = %.2fx, "
            "processor %.1f / %.1f ms = %.2fx\n",
            yardstick, Median(paint), Median(clock), Median(paint) / Median(clock),
            Median(paintCpu), Median(cpu), Median(paintCpu) / Median(cpu));
    };
    ratios("the same fonts", same, sameCpu);
    ratios("the application font only", bare, bareCpu);
    rmdir(instanceDir);
    return 0;
}
