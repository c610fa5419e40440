// korvel-dsp: the tuning application.
//   korvel-dsp [--device usb|virtual|unix:PATH] [--screenshot FILE.png]

#include "shell/application.h"

int main(int argc, char** argv) {
    return korvel::RunApplication(argc, argv);
}
