// Feeds arbitrary bytes to both profile readers. A successful load must leave every value in
// the model's ranges and must print and load back again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "model/model_store.h"
#include "model/speaker_roles.h"
#include "profiles/profile_file.h"

namespace {

void CheckInRange(const korvel::SceneRecord& scene) {
    bool ok = scene.currChannel >= 0 && scene.currChannel < korvel::kChannelSlots;
    for (int n = 0; n < korvel::kChannelSlots; ++n) {
        const auto i = static_cast<size_t>(n);
        ok = ok && scene.outputs[i] >= 0 && scene.outputs[i] <= korvel::kRoleCount;
        ok = ok && scene.linkOutputs[i] >= -1 && scene.linkOutputs[i] < korvel::kChannelSlots;
        ok = ok && scene.channels[i].eqSize >= 0 && scene.channels[i].eqSize <= korvel::kBandCount;
        ok = ok && scene.channels[i].crossover.hp.fs <= scene.channels[i].crossover.lp.fs;
    }
    if (!ok) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    auto store = std::make_unique<korvel::ModelStore>();
    if (korvel::ParseProfileText(text, store->live).ok()) {
        CheckInRange(store->live);
        auto again = std::make_unique<korvel::SceneRecord>();
        if (!korvel::ParseProfileText(korvel::ProfileText(store->live), *again).ok()) {
            std::abort();
        }
    }
    if (korvel::ParseWholeProfileText(text, *store).ok()) {
        CheckInRange(store->live);
        for (const auto& scene : store->stored) {
            CheckInRange(scene);
        }
    }
    return 0;
}
