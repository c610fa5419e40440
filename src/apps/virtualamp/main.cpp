// korvel-virtual-amp: a virtual amplifier served on a Unix socket.

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "korvel_version.h"
#include "virtualamp/server_options.h"
#include "virtualamp/socket_server.h"

namespace {

korvel::AmpSocketServer* g_server = nullptr;

extern "C" void OnStopSignal(int) {
    if (g_server != nullptr) {
        g_server->Stop();  // only writes to a pipe: safe in a signal handler
    }
}

void InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int main(int argc, char** argv) {
    // "--version" alone prints the program's version; followed by a value it still sets the
    // firmware version of the handshake, as scripts written before may do.
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::fputs("korvel-virtual-amp " KORVEL_VERSION "\n", stdout);
        return 0;
    }
    std::string error;
    const auto options =
        korvel::ParseServerOptions(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (!options) {
        std::fprintf(stderr, "korvel-virtual-amp: %s\n%s", error.c_str(),
                     korvel::ServerUsage().c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(korvel::ServerUsage().c_str(), stdout);
        return 0;
    }
    auto amp = std::make_shared<korvel::VirtualAmplifier>(options->identity);
    amp->SetReportDelay(std::chrono::milliseconds(options->reportDelayMs));
    amp->SetFaultPlan(options->faults);
    korvel::InstallSimulatedCar(*amp, options->car);
    amp->SetRestartTime(std::chrono::milliseconds(options->restartMs));
    amp->SetUpgradeFaults(options->upgradeFaults);

    korvel::AmpSocketServer server(amp);
    if (!server.Listen(options->listenPath, &error)) {
        std::fprintf(stderr, "korvel-virtual-amp: %s\n", error.c_str());
        return 1;
    }
    g_server = &server;
    InstallSignalHandlers();
    std::fprintf(stderr, "korvel-virtual-amp: model %d, version %d.%d%s, listening on %s\n",
                 options->identity.model, options->identity.mainVersion,
                 options->identity.slaveVersion, options->identity.loaderMode ? " (loader)" : "",
                 options->listenPath.c_str());
    const bool ok = server.Serve();
    g_server = nullptr;
    std::fprintf(stderr, "korvel-virtual-amp: stopped\n");
    return ok ? 0 : 1;
}
