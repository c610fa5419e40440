// Times the upgrade of a 50 000-byte flash image (1000 blocks of 50 bytes) to the in-process
// virtual amplifier in its loader, answering each report after its default 1 ms, from
// UpgradeStart to UpgradeStep's 101. The goal: within 20% of one millisecond per block.
//   bench_upgrade [runs] [report delay in microseconds]      (defaults 10, 1000)
// A delay of 0 shows the program's own time per block.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/firmware_images.h"
#include "firmware/upgrade_procedure.h"
#include "virtualamp/virtual_amplifier.h"
#include "virtualamp/virtual_transport.h"

int main(int argc, char** argv) {
    using namespace korvel;
    constexpr size_t kBody = 50000;
    constexpr size_t kBlocks = (kBody + kFlashBlockSize - 1) / kFlashBlockSize;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int delayUs = argc > 2 ? std::max(0, std::atoi(argv[2])) : 1000;
    testing::ScratchDir dir;
    const std::string image =
        dir.Write("Tarvik7_FLASH_UPG.bin", testing::SingleImage(2, testing::PatternBody(kBody)));

    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        AmpIdentity loader;
        loader.loaderMode = true;
        auto amp = std::make_shared<VirtualAmplifier>(loader);
        amp->SetReportDelay(std::chrono::microseconds(delayUs));
        DeviceLink link(MakeVirtualTransportFactory(amp));
        FirmwareUpgrader upgrader(link);
        link.OpenHIDDevice();
        link.Hand_Connect();  // the host knows the device runs its loader
        const auto start = std::chrono::steady_clock::now();
        int step = upgrader.UpgradeStart(image) == 0 ? 0 : kUpgradeFailed;
        while (step <= 100) {
            step = upgrader.UpgradeStep();
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (step != kUpgradeSucceeded || amp->ReceivedImages().at(0).size != kBody) {
            std::fprintf(stderr, "upgrade failed (%d)\n", step);
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf(
        "flash image %zu bytes, %zu blocks, report delay %d us, %d runs: median %.1f ms, "
        "min %.1f ms, max %.1f ms\n",
        kBody, kBlocks, delayUs, runs, median, times.front(), times.back());
    if (delayUs > 0) {
        std::printf("median / (blocks x report delay) = %.3f (goal: at most 1.200)\n",
                    median * 1000.0 / (static_cast<double>(kBlocks) * delayUs));
    }
    return 0;
}
