// korvel-dsp: the tuning application.
//   korvel-dsp [--device usb|virtual|unix:PATH] [--screenshot FILE.png]

#include <cstdio>
#include <string_view>

#include "korvel_version.h"
#include "shell/application.h"

int main(int argc, char** argv) {
    // Answered before Qt starts, so they work without a display (the manual page is built
    // from them).
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(korvel::ApplicationUsage(), stdout);
            return 0;
        }
        if (argument == "--version") {
            std::fputs("korvel-dsp " KORVEL_VERSION "\n", stdout);
            return 0;
        }
    }
    return korvel::RunApplication(argc, argv);
}
