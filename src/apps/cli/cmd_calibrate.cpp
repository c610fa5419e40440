// calibrate: the amplifier's automatic calibration from the command line, with the same
// sequence as the calibration window (AutoCalSession).
#include <cjson/cJSON.h>
#include <glib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "controller/auto_cal_session.h"
#include "log/log.h"

namespace korvel::cli {

namespace {

constexpr const char* kCalibrateHelp =
    "usage: korvel-cli [--device DEVICE] calibrate --channels LIST --measure ITEMS [--mode N]\n"
    "                  (--apply | --discard) [--json FILE]\n"
    "\n"
    "Runs the amplifier's automatic calibration: it plays test signals through the listed\n"
    "output channels, listens with its microphone at the listening position and derives an\n"
    "equaliser per channel, the delays and the speaker polarities. The result is then kept\n"
    "(--apply: written into the amplifier's live settings) or dropped (--discard).\n"
    "  --channels LIST  comma-separated output channels 0..5 (CH1 is 0), e.g. 0,1,4\n"
    "  --measure ITEMS  comma-separated items to calibrate: eq, delay, phase\n"
    "  --mode N         equaliser mode 0..9 (default 0)\n"
    "  --json FILE      writes the run's status, failure reason, and per channel the measured\n"
    "                   spectrum ([Hz, dB] points) and the derived bands\n"
    "Progress and the amplifier's status go to standard error. Ctrl+C stops the run on the\n"
    "amplifier and discards it.\n"
    "Exit status: 0 the run completed and its result was applied or discarded; 1 the run\n"
    "failed or was stopped, or the amplifier was lost or did not answer; 2 usage error.\n";

struct CalibrateOptions {
    AutoCalRequest request;
    std::vector<int> channels;
    std::optional<bool> apply;
    std::string jsonFile;
};

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const size_t end = comma == std::string::npos ? text.size() : comma;
        items.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

int ParseModules(const std::string& text) {
    int module = 0;
    for (const std::string& item : SplitList(text)) {
        const int bit = item == "eq"      ? kIrcModuleEq
                        : item == "delay" ? kIrcModuleDelay
                        : item == "phase" ? kIrcModulePhase
                                          : 0;
        if (bit == 0) {
            throw UsageError("--measure takes eq, delay and phase: '" + item + "'");
        }
        module |= bit;
    }
    return module;
}

CalibrateOptions ParseCalibrateOptions(Args args) {
    CalibrateOptions options;
    bool haveChannels = false;
    const auto value = [&](size_t& i) -> const std::string& {
        if (i + 1 == args.size()) {
            throw UsageError(args[i] + " needs a value");
        }
        return args[++i];
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--channels") {
            haveChannels = true;
            for (const std::string& item : SplitList(value(i))) {
                const int ch = static_cast<int>(ParseNumber(item, 0, kChannelSlots - 1, "channel"));
                options.request.channelMask |= 1 << ch;
            }
        } else if (arg == "--measure") {
            options.request.module = ParseModules(value(i));
        } else if (arg == "--mode") {
            options.request.eqMode = static_cast<int>(ParseNumber(value(i), 0, 9, "mode"));
        } else if (arg == "--apply" || arg == "--discard") {
            if (options.apply && *options.apply != (arg == "--apply")) {
                throw UsageError("give either --apply or --discard");
            }
            options.apply = arg == "--apply";
        } else if (arg == "--json") {
            options.jsonFile = value(i);
            if (options.jsonFile.empty()) {
                throw UsageError("--json needs a file name");
            }
        } else {
            throw UsageError("calibrate: unknown argument '" + arg + "'");
        }
    }
    if (!haveChannels) {
        throw UsageError("calibrate needs --channels");
    }
    if (options.request.module == 0) {
        throw UsageError("calibrate needs --measure");
    }
    if (!options.apply) {
        throw UsageError("calibrate needs --apply or --discard");
    }
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        if ((options.request.channelMask >> ch) & 1) {
            options.channels.push_back(ch);
        }
    }
    return options;
}

// Shortens the polls for scripted tests against a simulated amplifier.
AutoCalTimings TimingsFromEnvironment() {
    AutoCalTimings timings;
    if (const char* text = std::getenv("KORVEL_CAL_POLL_MS")) {
        int ms = 0;
        const char* end = text + std::char_traits<char>::length(text);
        if (std::from_chars(text, end, ms).ec == std::errc() && ms >= 0 && ms <= 500) {
            timings.afterPoll = timings.afterStep = std::chrono::milliseconds(ms);
        }
    }
    return timings;
}

// --- Ctrl+C -----------------------------------------------------------------------------------

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "used from a signal handler");

extern "C" void OnInterrupt(int) {
    g_interrupted.store(true);
}

class InterruptGuard {
  public:
    InterruptGuard() {
        g_interrupted.store(false);
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptGuard() { sigaction(SIGINT, &previous_, nullptr); }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

  private:
    struct sigaction previous_ {};
};

// --- Progress on standard error ------------------------------------------------------------------

class StatusLine {
  public:
    StatusLine() : terminal_(isatty(STDERR_FILENO) == 1) {}
    ~StatusLine() { Finish(); }

    void Progress(int percent) {
        percent_ = std::clamp(percent, 0, 100);
        if (terminal_) {
            Draw();
        }
    }
    void Text(const std::string& text) {
        if (text.empty() || text == text_) {
            return;
        }
        text_ = text;
        if (terminal_) {
            Draw();
        } else {
            std::fprintf(stderr, "calibrate: %3d%% %s\n", percent_, text_.c_str());
        }
    }
    void Finish() {
        if (terminal_ && drawn_) {
            std::fputc('\n', stderr);
            drawn_ = false;
        }
    }

  private:
    void Draw() {
        constexpr int kWidth = 30;
        const int filled = percent_ * kWidth / 100;
        std::fprintf(stderr, "\r[%s%s] %3d%% %-40s", std::string(filled, '#').c_str(),
                     std::string(kWidth - filled, '.').c_str(), percent_, text_.c_str());
        std::fflush(stderr);
        drawn_ = true;
    }

    bool terminal_;
    bool drawn_ = false;
    int percent_ = 0;
    std::string text_;
};

void ShowMessage(const Message& m, StatusLine& line) {
    if (m.id == kMsgCalibrationProgress) {
        line.Progress(static_cast<int>(m.wParam));
        return;
    }
    if (m.id != kMsgCalibration) {
        return;
    }
    const int code = static_cast<int>(m.wParam);
    if (code <= kIrcResponseTest || code == kIrcDone || code == kIrcExit) {
        line.Progress(static_cast<int>(m.value));
    }
    line.Text(code == kIrcFailed ? IrcFailureText(static_cast<int>(m.value)).english
                                 : IrcStatusText(code).english);
}

// --- JSON -------------------------------------------------------------------------------------

struct JsonDeleter {
    void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;

// A decoded value at the resolution its field has on the wire (hundredths, or tenths for the
// equaliser gain), so the file shows -1.84 where the float arithmetic of the decoder gave
// -1.8399999.
double AtResolution(float value, double steps) {
    return std::round(static_cast<double>(value) * steps) / steps;
}
constexpr double kHundredths = 100.0;
constexpr double kTenths = 10.0;

const char* StatusName(AutoCalEnd end) {
    switch (end) {
        case AutoCalEnd::kCompleted:
            return "completed";
        case AutoCalEnd::kStopped:
            return "stopped";
        default:
            return "failed";
    }
}

std::string ResultJson(const AutoCalSession& session, const std::vector<int>& channels) {
    Json root(cJSON_CreateObject());
    cJSON_AddStringToObject(root.get(), "status", StatusName(session.End()));
    if (session.End() == AutoCalEnd::kFailed && session.FailureReason() >= 0) {
        cJSON_AddNumberToObject(root.get(), "reason", session.FailureReason());
    } else {
        cJSON_AddNullToObject(root.get(), "reason");
    }
    cJSON* list = cJSON_AddArrayToObject(root.get(), "channels");
    for (const int ch : channels) {
        const AutoCalChannel data = session.Channel(ch);
        cJSON* channel = cJSON_CreateObject();
        cJSON_AddItemToArray(list, channel);
        cJSON_AddNumberToObject(channel, "channel", ch);
        cJSON* spectrum = cJSON_AddArrayToObject(channel, "spectrum");
        for (size_t i = 0; i < data.spectrum.size(); ++i) {
            if (data.received.test(i)) {
                const double point[] = {AtResolution(data.spectrum[i].freq, kHundredths),
                                        AtResolution(data.spectrum[i].level, kHundredths)};
                cJSON_AddItemToArray(spectrum, cJSON_CreateDoubleArray(point, 2));
            }
        }
        cJSON* eq = cJSON_AddArrayToObject(channel, "eq");
        for (const IrcEqBandReport& band : data.bandReports) {
            cJSON* item = cJSON_CreateObject();
            cJSON_AddItemToArray(eq, item);
            cJSON_AddNumberToObject(item, "band", band.band);
            cJSON_AddNumberToObject(item, "freq", band.freq);
            cJSON_AddNumberToObject(item, "q", AtResolution(band.q, kHundredths));
            cJSON_AddNumberToObject(item, "gain", AtResolution(band.gain, kTenths));
        }
    }
    std::unique_ptr<char, decltype(&cJSON_free)> text(cJSON_Print(root.get()), cJSON_free);
    return text ? std::string(text.get()) + "\n" : std::string();
}

// Written to a temporary file in the same folder and renamed, so a reader never sees half.
// Returns an error text, empty on success.
std::string WriteJson(const std::string& path, const std::string& text) {
    GError* error = nullptr;
    if (!text.empty() &&
        g_file_set_contents(path.c_str(), text.data(), static_cast<gssize>(text.size()), &error)) {
        return {};
    }
    const std::string reason = error != nullptr ? error->message : "out of memory";
    g_clear_error(&error);
    return "cannot write " + path + ": " + reason;
}

// --- The run ----------------------------------------------------------------------------------

AutoCalEnd RunToEnd(AutoCalSession& session, MessageQueue& events) {
    StatusLine line;
    InterruptGuard interrupt;
    while (true) {
        if (g_interrupted.load() && session.Running()) {
            line.Text("Stopping...");
            session.Stop();
        }
        const auto m = events.Take(std::chrono::milliseconds(100));
        if (!m) {
            continue;
        }
        if (m->id == kMsgAutoCalEnded) {
            session.Release();
            return session.End();
        }
        ShowMessage(*m, line);
    }
}

int Decide(AutoCalSession& session, const CalibrateOptions& options) {
    const AutoCalEnd end = session.End();
    if (end == AutoCalEnd::kDeviceLost) {
        throw DeviceError("the amplifier was lost during the calibration");
    }
    if (end != AutoCalEnd::kCompleted) {
        // Whatever the amplifier kept of the run is dropped, as the window does on closing.
        session.SendDiscard();
        if (end == AutoCalEnd::kFailed) {
            std::fprintf(stderr, "korvel-cli: %s\n",
                         IrcFailureText(session.FailureReason()).english);
        } else {
            std::fprintf(stderr, "korvel-cli: calibration stopped; the result was discarded\n");
        }
        return kExitDevice;
    }
    bool answered = false;
    const bool apply = *options.apply;
    if (apply) {
        session.Apply(options.request.eqMode, &answered);
    } else {
        session.Discard(&answered);
    }
    if (!answered) {
        throw DeviceError(std::string("the amplifier did not confirm the ") +
                          (apply ? "apply" : "discard"));
    }
    std::fprintf(stderr, "calibrate: result %s\n", apply ? "applied" : "discarded");
    return kExitOk;
}

}  // namespace

int RunCalibrate(const GlobalOptions& options, Args args) {
    if (WantsHelp(args)) {
        std::fputs(kCalibrateHelp, stdout);
        return kExitOk;
    }
    const CalibrateOptions calibrate = ParseCalibrateOptions(args);
    if (!calibrate.jsonFile.empty()) {
        CheckWritable(calibrate.jsonFile);
    }
    DeviceSession device(options.device);
    device.Open();
    bool loader = false;
    device.Handshake(&loader);
    if (loader) {
        throw DeviceError("the amplifier runs its upgrade loader; update its firmware first");
    }
    WriteLog("calibrate: channels 0x%x, module %d, mode %d\n", calibrate.request.channelMask,
             calibrate.request.module, calibrate.request.eqMode);
    MessageQueue events;
    AutoCalSession session(device.Link(), &events, TimingsFromEnvironment());
    session.Start(calibrate.request);
    RunToEnd(session, events);
    // The report is written first, but a file that cannot be written must not leave the
    // amplifier's result undecided.
    const std::string jsonError =
        calibrate.jsonFile.empty()
            ? std::string()
            : WriteJson(calibrate.jsonFile, ResultJson(session, calibrate.channels));
    const int status = Decide(session, calibrate);
    if (!jsonError.empty()) {
        throw DeviceError(jsonError);
    }
    return status;
}

}  // namespace korvel::cli
