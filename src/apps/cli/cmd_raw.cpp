#include <chrono>
#include <cstdio>

#include "cli.h"

namespace korvel::cli {

namespace {
constexpr const char* kRawHelp =
    "usage: korvel-cli [--device DEVICE] raw MCMD SUBCMD OPTYPE [BYTE...]\n"
    "\n"
    "Sends one command to the amplifier and prints every decoded reply. Numbers are decimal or\n"
    "0x-hexadecimal. MCMD is the main command (1 DSP, 2 flash and scenes, 3 MCU, 7 KTV), SUBCMD\n"
    "the command identifier, OPTYPE the operation (0xBB set, 0x66 get); up to 57 payload bytes.\n"
    "\n"
    "example: korvel-cli --device virtual raw 1 0x02 0x66     (read the main volume)\n";

constexpr auto kLateReplyWait = std::chrono::milliseconds(50);
}  // namespace

int RunRaw(const GlobalOptions& options, Args args) {
    if (WantsHelp(args)) {
        std::fputs(kRawHelp, stdout);
        return kExitOk;
    }
    if (args.size() < 3)
        throw UsageError("raw needs MCMD SUBCMD OPTYPE (see raw --help)");
    if (args.size() > 3 + kMaxCommandPayload)
        throw UsageError("raw takes at most 57 payload bytes");
    const auto mcmd = static_cast<uint8_t>(ParseNumber(args[0], 0, 255, "MCMD"));
    const auto subcmd = static_cast<uint8_t>(ParseNumber(args[1], 0, 255, "SUBCMD"));
    const auto optype = static_cast<uint8_t>(ParseNumber(args[2], 0, 255, "OPTYPE"));
    std::vector<uint8_t> payload;
    for (size_t i = 3; i < args.size(); ++i) {
        payload.push_back(static_cast<uint8_t>(ParseNumber(args[i], 0, 255, "payload byte")));
    }

    DeviceSession session(options.device);
    session.Open();
    const bool answered =
        session.Link().Core().SendImmediate(mcmd, subcmd, optype, payload, kWaitDefaultMs);
    int printed = 0;
    while (auto message = session.Reports().Take(kLateReplyWait)) {
        std::printf("%s\n", DescribeMessage(*message).c_str());
        ++printed;
    }
    if (!answered)
        throw DeviceError("no reply from the amplifier");
    if (printed == 0)
        std::printf("reply received; nothing decoded from it (an acknowledgement)\n");
    return kExitOk;
}

}  // namespace korvel::cli
