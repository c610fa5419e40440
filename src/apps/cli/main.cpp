// korvel-cli: the amplifier from the command line, for installers and scripts.
#include <csignal>
#include <cstdio>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "cli.h"
#include "korvel_version.h"
#include "log/log.h"

namespace {

using namespace korvel::cli;

constexpr const char* kUsage =
    "usage: korvel-cli [--device usb|virtual|unix:PATH] COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  info                              model, firmware versions and mode of the amplifier\n"
    "  raw MCMD SUBCMD OPTYPE [BYTE...]  send one command and print the decoded replies\n"
    "  pull FILE.spf|FILE.wpf            read the amplifier into a scene or whole profile\n"
    "  push FILE.spf|FILE.wpf            upload a scene or whole profile to the amplifier\n"
    "  scene list|save N NAME|load N|delete N   the ten scenes stored in the amplifier\n"
    "  factory-reset [--yes]             restore the amplifier's factory settings\n"
    "  curve FILE.spf [--channel N] [--csv]  response curves of a scene profile (no device)\n"
    "  eq import|export FILE.txt --channel N [--profile IN.spf]  equaliser filters as text\n"
    "  diff FILE.spf|FILE.wpf [--json]   every value in which the amplifier differs from a file\n"
    "  mem read ADDR|write ADDR DATA     one 32-bit word of the DSP's memory\n"
    "  threshold [DBU|off]               the input noise threshold, shown or set\n"
    "  mix SOURCE INPUT OUTPUT LEVEL     one cell of the input mixer\n"
    "  calibrate --channels LIST --measure eq,delay,phase [--mode N] (--apply|--discard)\n"
    "            [--json FILE]           run the amplifier's automatic calibration\n"
    "  upgrade FILE [--yes]              upgrade the amplifier's firmware from an image file\n"
    "\n"
    "Options:\n"
    "  --device usb|virtual|unix:PATH    the amplifier to talk to (default usb)\n"
    "  --help                            show this text\n"
    "  --version                         show the program's version\n"
    "\n"
    "--device chooses the amplifier: usb (default), virtual (one inside this program), or\n"
    "unix:PATH (korvel-virtual-amp --listen PATH). 'korvel-cli COMMAND --help' explains a\n"
    "command. Exit status: 0 success, 1 no device or no answer, 2 usage error or bad input.\n";

using Command = std::function<int(const GlobalOptions&, Args)>;

const std::map<std::string, Command>& Commands() {
    static const std::map<std::string, Command> commands = {
        {"info", RunInfo},
        {"raw", RunRaw},
        {"curve", RunCurve},
        {"pull", RunPull},
        {"push", RunPush},
        {"scene", RunScene},
        {"factory-reset", RunFactoryReset},
        {"eq", RunEq},
        {"diff", RunDiff},
        {"mem", RunMem},
        {"threshold", RunThreshold},
        {"mix", RunMix},
        {"calibrate", RunCalibrate},
        {"upgrade", RunUpgrade},
    };
    return commands;
}

int Run(const std::vector<std::string>& argv) {
    GlobalOptions options;
    size_t i = 0;
    for (; i < argv.size(); ++i) {
        const std::string& arg = argv[i];
        if (arg == "--device" || arg.rfind("--device=", 0) == 0) {
            const bool joined = arg != "--device";
            if (!joined && i + 1 == argv.size())
                throw UsageError("--device needs a value: usb, virtual or unix:PATH");
            options.device = joined ? arg.substr(9) : argv[++i];
            // "--device pull x.spf" forgot the value; the command is not a device.
            if (options.device.empty() || options.device[0] == '-' ||
                Commands().count(options.device) != 0)
                throw UsageError("--device needs a value: usb, virtual or unix:PATH");
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        } else if (arg == "--version") {
            std::fputs("korvel-cli " KORVEL_VERSION "\n", stdout);
            return kExitOk;
        } else if (!arg.empty() && arg[0] == '-') {
            throw UsageError("unknown option '" + arg + "' (see --help)");
        } else {
            break;
        }
    }
    if (i == argv.size())
        throw UsageError("no command given (see --help)");
    auto command = Commands().find(argv[i]);
    if (command == Commands().end()) {
        throw UsageError("unknown command '" + argv[i] + "' (see --help)");
    }
    std::vector<std::string> rest(argv.begin() + static_cast<long>(i) + 1, argv.end());
    return command->second(options, rest);
}

}  // namespace

int main(int argc, char** argv) {
    korvel::OpenLogIfSwitchPresent();
    // A file size limit then fails the write (and the old file stays) instead of killing us.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string> args(argv + 1, argv + argc);
    return RunGuarded([&] { return Run(args); });
}
