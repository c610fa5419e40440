#include "virtualamp/server_options.h"

#include <charconv>
#include <functional>
#include <map>

namespace korvel {
namespace {

template <typename T>
bool ParseNumber(const std::string& text, T minimum, T maximum, T& value) {
    T parsed{};
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || parsed < minimum ||
        parsed > maximum) {
        return false;
    }
    value = parsed;
    return true;
}

// "MAJOR.MINOR": the handshake's main and slave version bytes.
bool ParseVersion(const std::string& text, AmpIdentity& identity) {
    const size_t dot = text.find('.');
    if (dot == std::string::npos) {
        return false;
    }
    int major = 0;
    int minor = 0;
    if (!ParseNumber(text.substr(0, dot), 0, 255, major) ||
        !ParseNumber(text.substr(dot + 1), 0, 255, minor)) {
        return false;
    }
    identity.mainVersion = static_cast<uint8_t>(major);
    identity.slaveVersion = static_cast<uint8_t>(minor);
    return true;
}

using ValueSetter = std::function<bool(const std::string&, ServerOptions&)>;

const std::map<std::string, ValueSetter>& ValueOptions() {
    static const std::map<std::string, ValueSetter> options = {
        {"--listen",
         [](const std::string& v, ServerOptions& o) {
             o.listenPath = v;
             return !v.empty();
         }},
        {"--model",
         [](const std::string& v, ServerOptions& o) {
             int model = 0;
             const bool ok = ParseNumber(v, 0, 255, model);
             o.identity.model = static_cast<uint8_t>(model);
             return ok;
         }},
        {"--firmware",
         [](const std::string& v, ServerOptions& o) { return ParseVersion(v, o.identity); }},
        // The former name of --firmware, still accepted with a value.
        {"--version",
         [](const std::string& v, ServerOptions& o) { return ParseVersion(v, o.identity); }},
        {"--report-delay-ms",
         [](const std::string& v, ServerOptions& o) {
             return ParseNumber(v, 0, 10000, o.reportDelayMs);
         }},
        {"--drop-reply",
         [](const std::string& v, ServerOptions& o) {
             return ParseNumber<uint64_t>(v, 1, UINT64_MAX, o.faults.dropReplyTo);
         }},
        {"--corrupt-reply",
         [](const std::string& v, ServerOptions& o) {
             return ParseNumber<uint64_t>(v, 1, UINT64_MAX, o.faults.corruptReplyTo);
         }},
        {"--unplug-after",
         [](const std::string& v, ServerOptions& o) {
             return ParseNumber<uint64_t>(v, 1, UINT64_MAX, o.faults.unplugAfter);
         }},
        {"--car-seed",
         [](const std::string& v, ServerOptions& o) {
             return ParseNumber<uint32_t>(v, 0, UINT32_MAX, o.car.seed);
         }},
        {"--cal-fail", [](const std::string& v,
                          ServerOptions& o) { return ParseNumber(v, 0, 5, o.car.failReason); }},
        {"--cal-fail-at", [](const std::string& v,
                             ServerOptions& o) { return ParseNumber(v, 0, 9, o.car.failAtCode); }},
        {"--cal-unplug-at",
         [](const std::string& v, ServerOptions& o) {
             return ParseNumber(v, 0, 10, o.car.unplugAtCode);
         }},
        {"--restart-ms", [](const std::string& v,
                            ServerOptions& o) { return ParseNumber(v, 0, 60000, o.restartMs); }},
        {"--unplug-at-block",
         [](const std::string& v, ServerOptions& o) {
             return ParseNumber<size_t>(v, 1, SIZE_MAX, o.upgradeFaults.unplugAtBlock);
         }},
    };
    return options;
}

}  // namespace

std::optional<ServerOptions> ParseServerOptions(const std::vector<std::string>& args,
                                                std::string* error) {
    ServerOptions options;
    auto fail = [error](const std::string& text) {
        if (error != nullptr) {
            *error = text;
        }
        return std::nullopt;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg == "--loader") {
            options.identity.loaderMode = true;
            continue;
        }
        if (arg == "--refuse-upgrade") {
            options.upgradeFaults.startReply = AmpUpgradeReply::kRefused;
            continue;
        }
        const auto found = ValueOptions().find(arg);
        if (found == ValueOptions().end()) {
            return fail("unknown option " + arg);
        }
        if (i + 1 >= args.size()) {
            return fail(arg + " needs a value");
        }
        if (!found->second(args[++i], options)) {
            return fail("bad value for " + arg + ": " + args[i]);
        }
    }
    if (!options.help && options.listenPath.empty()) {
        return fail("--listen PATH is required");
    }
    return options;
}

std::string ServerUsage() {
    return "usage: korvel-virtual-amp --listen PATH [options]\n"
           "\n"
           "Serves a virtual Tarvik7 amplifier on the Unix socket PATH (connect the application\n"
           "with the device unix:PATH).\n"
           "\n"
           "Options:\n"
           "  --listen PATH           socket file to serve on (a stale one is replaced)\n"
           "  --model N               model number reported by the handshake (default 72)\n"
           "  --firmware MAJOR.MINOR  firmware version of the handshake (default 16.25)\n"
           "  --loader                answer the handshake as the upgrade loader\n"
           "  --report-delay-ms N     delay before each input report (default 1)\n"
           "  --drop-reply N          leave request N unanswered\n"
           "  --corrupt-reply N       send the reply to request N with a wrong checksum\n"
           "  --unplug-after N        drop the connection after request N\n"
           "  --car-seed N            the car the calibration measures (default 1)\n"
           "  --cal-fail REASON       calibrations fail with reason 0..5 at its own stage\n"
           "  --cal-fail-at CODE      ... or at report code CODE (0..9)\n"
           "  --cal-unplug-at CODE    go away after a calibration reported CODE (0..10)\n"
           "  --restart-ms N          time a firmware-upgrade restart takes (default 1000)\n"
           "  --refuse-upgrade        refuse every firmware transfer at its start\n"
           "  --unplug-at-block N     go away when data block N of a transfer arrives\n"
           "  --help                  show this text\n"
           "  --version               show the program's version\n";
}

}  // namespace korvel
