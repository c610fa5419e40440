#pragma once
// Internal helpers shared by the profile reader and writer.

#include <cjson/cJSON.h>

#include <memory>

namespace korvel::profile_json {

struct JsonDeleter {
    void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

inline constexpr int kSupportedModel = 72;

// The nine keys of one scene inside a whole profile, in file order.
inline constexpr const char* kSceneKeys[] = {"channels",    "inputs",      "inputMixVolume",
                                             "outputs",     "linkOutputs", "showChEqualizer",
                                             "currChannel", "linkMode",    "lockMode"};

}  // namespace korvel::profile_json
