#include <cstdio>

#include "cli.h"

namespace korvel::cli {

namespace {
constexpr const char* kInfoHelp =
    "usage: korvel-cli [--device DEVICE] info\n"
    "\n"
    "Connects, performs the handshake and prints the amplifier's model, its main and slave\n"
    "firmware versions and whether it runs its application (normal) or its upgrade loader.\n";
}

int RunInfo(const GlobalOptions& options, Args args) {
    if (WantsHelp(args)) {
        std::fputs(kInfoHelp, stdout);
        return kExitOk;
    }
    if (!args.empty())
        throw UsageError("info takes no arguments");
    DeviceSession session(options.device);
    session.Open();
    bool loader = false;
    HandshakeReport handshake = session.Handshake(&loader);
    if (loader) {
        std::printf("mode: loader (the amplifier waits for a firmware upgrade)\n");
        return kExitOk;
    }
    std::printf("model: %d\n", handshake.model);
    std::printf("main version: %d\n", handshake.master_version);
    std::printf("slave version: %d\n", handshake.slave_version);
    std::printf("firmware: %d.%02d\n", handshake.master_version, handshake.slave_version);
    std::printf("mode: normal\n");
    return kExitOk;
}

}  // namespace korvel::cli
