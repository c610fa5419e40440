// Feeds arbitrary bytes to the upgrade image checks and the acknowledgement table.
//
// Input layout: byte 0 selects what else runs with the rest (bit 0: the rest is also handed to
// the acknowledgement table as a reply payload, of packet type 2 or 3 by bit 1); bytes 1.. are
// the image file. Every layout is checked: MCU single image, flash single image, merged image.
// Replay a corpus without fuzzing: ./fuzz_firmware fuzz/firmware/corpus -runs=0

#include <cstddef>
#include <cstdint>
#include <span>

#include "commands/device_link.h"
#include "firmware/image_file.h"
#include "firmware/upgrade_procedure.h"

namespace {

using namespace korvel;

constexpr uint8_t kModel = 72;

// A check that passed must describe the bytes it was given.
void CheckSingle(std::span<const uint8_t> file, std::optional<uint8_t> kind) {
    SingleImage image;
    if (CheckSingleImage(file, kind, kModel, image) == ImageProblem::kNone &&
        image.body.size() + kImageOverhead != file.size()) {
        __builtin_trap();
    }
}

void CheckMerged(std::span<const uint8_t> file) {
    MergedImage image;
    if (CheckMergedImage(file, kModel, image) != ImageProblem::kNone) {
        return;
    }
    const size_t used = 3 + 4 * image.sizes.size() + image.mcu.body.size() +
                        image.flash.body.size() + 2 * kImageOverhead;
    if (image.sizes.size() < 2 || used > file.size()) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t mode = data[0];
    const std::span<const uint8_t> file(data + 1, size - 1);
    CheckSingle(file, kImageKindMcu);
    CheckSingle(file, std::nullopt);
    CheckMerged(file);
    if ((mode & 1) != 0) {
        static DeviceLink link(TransportFactory{});  // never opened: nothing is sent
        static FirmwareUpgrader upgrader(link);
        upgrader.HandleAck((mode & 2) != 0 ? MCMD_MCU : MCMD_FLASH, file);
    }
    return 0;
}
