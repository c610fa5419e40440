#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "log/log.h"
#include "model/conversions.h"
#include "model/invariants.h"
#include "model/scene_name.h"
#include "model/scene_reset.h"
#include "model/speaker_roles.h"
#include "profiles/profile_file.h"
#include "profiles/profile_json.h"
#include "profiles/scene_name_file.h"

namespace korvel {
namespace {

using profile_json::JsonPtr;

// Remembers the first place where loading failed.
struct Context {
    std::string failure;
    bool modelMismatch = false;

    bool Fail(const std::string& where) {
        if (failure.empty()) {
            failure = where;
        }
        return false;
    }
};

std::string Member(const std::string& prefix, const char* key) {
    return prefix.empty() ? std::string(key) : prefix + "." + key;
}

std::string Element(const std::string& prefix, size_t index) {
    return prefix + "[" + std::to_string(index) + "]";
}

// The integer value of a JSON number: truncated, saturated to the int32 range.
int32_t IntegerValue(double value) {
    if (value >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

// Non-finite numbers (a file may spell them as 1e999) are refused.
bool ReadNumber(Context& ctx, const cJSON* item, const std::string& where, double& out) {
    if (!cJSON_IsNumber(item) || !std::isfinite(item->valuedouble)) {
        return ctx.Fail(where);
    }
    out = item->valuedouble;
    return true;
}

bool ReadInt(Context& ctx, const cJSON* item, const std::string& where, int32_t& out) {
    double value = 0.0;
    if (!ReadNumber(ctx, item, where, value)) {
        return false;
    }
    out = IntegerValue(value);
    return true;
}

bool ReadMemberInt(Context& ctx, const cJSON* object, const std::string& prefix, const char* key,
                   int32_t& out) {
    return ReadInt(ctx, cJSON_GetObjectItem(object, key), Member(prefix, key), out);
}

bool ReadMemberNumber(Context& ctx, const cJSON* object, const std::string& prefix, const char* key,
                      double& out) {
    return ReadNumber(ctx, cJSON_GetObjectItem(object, key), Member(prefix, key), out);
}

const cJSON* ArrayOfSize(Context& ctx, const cJSON* item, size_t size, const std::string& where) {
    if (!cJSON_IsArray(item) || static_cast<size_t>(cJSON_GetArraySize(item)) != size) {
        ctx.Fail(where);
        return nullptr;
    }
    return item;
}

const cJSON* ObjectItem(Context& ctx, const cJSON* item, const std::string& where) {
    if (!cJSON_IsObject(item)) {
        ctx.Fail(where);
        return nullptr;
    }
    return item;
}

template <size_t N>
bool ReadIntArray(Context& ctx, const cJSON* item, const std::string& where,
                  std::array<int32_t, N>& out) {
    if (!ArrayOfSize(ctx, item, N, where)) {
        return false;
    }
    size_t index = 0;
    const cJSON* element = nullptr;
    cJSON_ArrayForEach(element, item) {
        if (!ReadInt(ctx, element, Element(where, index), out[index])) {
            return false;
        }
        ++index;
    }
    return true;
}

// An array of N arrays, each read by `readElement`.
template <size_t N, typename T, typename ReadElement>
bool ReadNested(Context& ctx, const cJSON* item, const std::string& where, std::array<T, N>& out,
                ReadElement readElement) {
    if (!ArrayOfSize(ctx, item, N, where)) {
        return false;
    }
    size_t index = 0;
    const cJSON* element = nullptr;
    cJSON_ArrayForEach(element, item) {
        if (!readElement(element, Element(where, index), out[index])) {
            return false;
        }
        ++index;
    }
    return true;
}

bool ReadFilter(Context& ctx, const cJSON* item, const std::string& where, FilterSettings& out) {
    const cJSON* object = ObjectItem(ctx, item, where);
    return object && ReadMemberInt(ctx, object, where, "fs", out.fs) &&
           ReadMemberInt(ctx, object, where, "type", out.type) &&
           ReadMemberInt(ctx, object, where, "slope", out.slope) &&
           ReadMemberInt(ctx, object, where, "bypass", out.bypass);
}

bool ReadCrossover(Context& ctx, const cJSON* item, const std::string& where,
                   CrossoverSettings& out) {
    const cJSON* object = ObjectItem(ctx, item, where);
    return object && ReadMemberInt(ctx, object, where, "bpType", out.bpType) &&
           ReadFilter(ctx, cJSON_GetObjectItem(object, "hp"), Member(where, "hp"), out.hp) &&
           ReadFilter(ctx, cJSON_GetObjectItem(object, "lp"), Member(where, "lp"), out.lp);
}

bool ReadBand(Context& ctx, const cJSON* item, const std::string& where, EqBand& out) {
    const cJSON* object = ObjectItem(ctx, item, where);
    double q = 0.0;
    double gain = 0.0;
    double enable = 0.0;
    if (!object || !ReadMemberInt(ctx, object, where, "freq", out.freq) ||
        !ReadMemberNumber(ctx, object, where, "eqFactor", q) ||
        !ReadMemberNumber(ctx, object, where, "eqGain", gain) ||
        !ReadMemberNumber(ctx, object, where, "enable", enable)) {
        return false;
    }
    out.eqFactor = ClampQ(q);
    out.eqGain = ClampEqGain(gain);
    out.enable = enable != 0.0 ? 1 : 0;
    return true;
}

bool ReadChannel(Context& ctx, const cJSON* item, const std::string& where, ChannelSettings& out,
                 std::array<EqBand, kBandCount>& row) {
    const cJSON* object = ObjectItem(ctx, item, where);
    int32_t eqSize = 0;
    int32_t gain = 0;
    double delay = 0.0;
    int32_t bypass = 0;
    if (!object || !ReadMemberInt(ctx, object, where, "eqSize", eqSize)) {
        return false;
    }
    if (eqSize < 0 || eqSize > kBandCount) {
        return ctx.Fail(Member(where, "eqSize"));
    }
    if (!ReadMemberInt(ctx, object, where, "gain", gain) ||
        !ReadMemberInt(ctx, object, where, "mute", out.mute) ||
        !ReadMemberNumber(ctx, object, where, "delay", delay) ||
        !ReadMemberInt(ctx, object, where, "phase", out.phase) ||
        !ReadMemberInt(ctx, object, where, "bypass", bypass) ||
        !ReadCrossover(ctx, cJSON_GetObjectItem(object, "crossover"), Member(where, "crossover"),
                       out.crossover)) {
        return false;
    }
    out.eqSize = eqSize;
    out.gain = ClampChannelGain(gain);  // whole decibels
    out.delay = static_cast<float>(ClampDelayMs(delay));
    out.bypass = static_cast<uint8_t>(bypass & 0xFF);
    const std::string bandsWhere = Member(where, "eqArray");
    const cJSON* bands = ArrayOfSize(ctx, cJSON_GetObjectItem(object, "eqArray"),
                                     static_cast<size_t>(eqSize), bandsWhere);
    if (!bands) {
        return false;
    }
    size_t index = 0;
    const cJSON* band = nullptr;
    cJSON_ArrayForEach(band, bands) {
        if (!ReadBand(ctx, band, Element(bandsWhere, index), row[index])) {
            return false;
        }
        ++index;
    }
    return true;
}

// Values that passed the structural checks but lie outside the model's ranges are brought into
// range as a device report would bring them, so nothing later indexes or sends out of range.
void BringIntoRange(SceneRecord& scene) {
    for (auto& source : scene.inputs) {
        for (int32_t& mask : source) {
            mask &= (1 << kInputBits) - 1;
        }
    }
    for (auto& source : scene.inputMixVolume) {
        for (auto& input : source) {
            for (int32_t& level : input) {
                level = std::clamp(level, 0, 255);  // the device takes one byte per level
            }
        }
    }
    for (int32_t& role : scene.outputs) {
        role = NormaliseRole(role);
    }
    for (int32_t& shown : scene.showChEqualizer) {
        shown = shown != 0 ? 1 : 0;
    }
    if (scene.currChannel < 0 || scene.currChannel >= kChannelSlots) {
        scene.currChannel = 0;
    }
    scene.linkMode = scene.linkMode != 0 ? 1 : 0;
    scene.lockMode = scene.lockMode != 0 ? 1 : 0;
    UpdateLinkOutputs(scene);  // derived from the roles, never taken from the file
    for (int n = 0; n < kChannelSlots; ++n) {
        ChannelSettings& channel = scene.channels[static_cast<size_t>(n)];
        channel.mute = channel.mute != 0 ? 1 : 0;
        channel.phase = channel.phase != 0 ? 1 : 0;
        channel.bypass = channel.bypass != 0 ? 1 : 0;
        CrossoverSettings& crossover = channel.crossover;
        for (FilterSettings* filter : {&crossover.hp, &crossover.lp}) {
            ApplyFilterReport(*filter, filter->fs, filter->type,
                              std::min(filter->slope, static_cast<int32_t>(kMaxSlope)));
        }
        crossover.hp.fs = std::min(crossover.hp.fs, crossover.lp.fs);
        if (crossover.bpType < 0 || crossover.bpType > 3) {
            crossover.bpType = BpTypeFromSlopes(crossover);
        }
        for (EqBand& band : ChannelBands(scene, n)) {
            band.freq = ClampFrequency(band.freq);
        }
    }
}

// The nine per-scene keys, in the order the scene profile reader takes them.
bool ReadSceneKeys(Context& ctx, const cJSON* object, const std::string& prefix,
                   SceneRecord& scene) {
    auto get = [&](const char* key) { return cJSON_GetObjectItem(object, key); };
    auto intRow = [&ctx](const cJSON* item, const std::string& where, auto& row) {
        return ReadIntArray(ctx, item, where, row);
    };
    auto mixSource = [&](const cJSON* item, const std::string& where, auto& perSource) {
        return ReadNested(ctx, item, where, perSource, intRow);
    };
    if (!ReadNested(ctx, get("inputs"), Member(prefix, "inputs"), scene.inputs, intRow) ||
        !ReadNested(ctx, get("inputMixVolume"), Member(prefix, "inputMixVolume"),
                    scene.inputMixVolume, mixSource) ||
        !ReadIntArray(ctx, get("outputs"), Member(prefix, "outputs"), scene.outputs) ||
        !ReadIntArray(ctx, get("linkOutputs"), Member(prefix, "linkOutputs"), scene.linkOutputs) ||
        !ReadIntArray(ctx, get("showChEqualizer"), Member(prefix, "showChEqualizer"),
                      scene.showChEqualizer) ||
        !ReadMemberInt(ctx, object, prefix, "currChannel", scene.currChannel) ||
        !ReadMemberInt(ctx, object, prefix, "linkMode", scene.linkMode) ||
        !ReadMemberInt(ctx, object, prefix, "lockMode", scene.lockMode)) {
        return false;
    }
    const std::string where = Member(prefix, "channels");
    const cJSON* channels = ArrayOfSize(ctx, get("channels"), kChannelSlots, where);
    if (!channels) {
        return false;
    }
    size_t index = 0;
    const cJSON* channel = nullptr;
    cJSON_ArrayForEach(channel, channels) {
        if (!ReadChannel(ctx, channel, Element(where, index), scene.channels[index],
                         scene.eqStore[index])) {
            return false;
        }
        ++index;
    }
    BringIntoRange(scene);
    return true;
}

// "model" and the three main values of the live scene.
bool ReadHeader(Context& ctx, const cJSON* root, SceneRecord& live) {
    double model = 0.0;
    if (!ReadMemberNumber(ctx, root, "", "model", model)) {
        return false;
    }
    if (IntegerValue(model) != profile_json::kSupportedModel) {
        ctx.modelMismatch = true;
        return ctx.Fail("model");
    }
    // 72.5 is no model number; it is not read as 72.
    if (model != static_cast<double>(profile_json::kSupportedModel)) {
        return ctx.Fail("model (not a whole number)");
    }
    if (!ReadMemberInt(ctx, root, "", "mainVolume", live.mainVolume) ||
        !ReadMemberInt(ctx, root, "", "subVolume", live.subVolume) ||
        !ReadMemberInt(ctx, root, "", "mainVolumeMute", live.mainVolumeMute)) {
        return false;
    }
    // The reset level (-5) stays possible; anything else is bounded to the slider's range.
    live.mainVolume = std::clamp(live.mainVolume, kMainVolumeReset, kMainVolumeMaxLevel);
    live.mainVolumeMute = live.mainVolumeMute != 0 ? 1 : 0;
    return true;
}

bool ReadSceneProfile(Context& ctx, const cJSON* root, SceneRecord& scene) {
    return ReadHeader(ctx, root, scene) && ReadSceneKeys(ctx, root, "", scene);
}

bool ReadSceneNames(Context& ctx, const cJSON* item, std::array<SceneName, kStoredScenes>& names) {
    if (!ArrayOfSize(ctx, item, kStoredScenes, "sceneName")) {
        return false;
    }
    size_t index = 0;
    const cJSON* name = nullptr;
    cJSON_ArrayForEach(name, item) {
        const std::string where =
            Element("sceneName", index) + " (scene " + std::to_string(index + 1) + ")";
        if (!cJSON_IsString(name) || name->valuestring == nullptr) {
            return ctx.Fail(where);
        }
        // A damaged name is refused rather than loaded as an empty or partial one.
        if (!IsStrictBase64(name->valuestring)) {
            return ctx.Fail(where + ": not valid Base64");
        }
        names[index] = DecodeSceneNameFromFile(name->valuestring);
        if (HasControlCharacter(DeviceNameToUtf16(names[index]))) {
            return ctx.Fail(where + ": control character in the name");
        }
        ++index;
    }
    return true;
}

bool ReadWholeProfile(Context& ctx, const cJSON* root, ModelStore& store) {
    if (!ReadHeader(ctx, root, store.live) ||
        !ReadSceneNames(ctx, cJSON_GetObjectItem(root, "sceneName"), store.names)) {
        return false;
    }
    const cJSON* current =
        ObjectItem(ctx, cJSON_GetObjectItem(root, "currentProfile"), "currentProfile");
    if (!current || !ReadSceneKeys(ctx, current, "currentProfile", store.live)) {
        return false;
    }
    const cJSON* scenes =
        ArrayOfSize(ctx, cJSON_GetObjectItem(root, "sceneArray"), kStoredScenes, "sceneArray");
    if (!scenes) {
        return false;
    }
    size_t index = 0;
    const cJSON* scene = nullptr;
    cJSON_ArrayForEach(scene, scenes) {
        const std::string where = Element("sceneArray", index);
        if (!ObjectItem(ctx, scene, where) ||
            !ReadSceneKeys(ctx, scene, where, store.stored[index])) {
            return false;
        }
        ++index;
    }
    return true;
}

ProfileResult Outcome(ProfileStatus status, const std::string& detail) {
    ProfileResult result;
    result.status = status;
    result.messageKey = ProfileMessageKey(status, false);
    result.englishText = ProfileMessageText(status, false);
    result.detail = detail;
    switch (status) {
        case ProfileStatus::Ok:
            WriteLog("read profile file ok\n");
            break;
        case ProfileStatus::LoadError:
            WriteLog("read profile file error! error\n");
            WriteLog("read profile file error at %s\n", detail.c_str());
            WriteLog("read profile file error! error1\n");
            break;
        case ProfileStatus::ModelMismatch:
            WriteLog("read profile file error! error1\n");
            break;
        case ProfileStatus::OpenError:
        case ProfileStatus::CreateError:
            break;
    }
    return result;
}

bool IsJsonSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A profile is one JSON document and nothing else: a NUL byte, or anything but white space
// after the document, means the file was damaged or joined with another one. Such text sets
// `fault` and gives no document; text that is no JSON at all gives neither.
JsonPtr ParseDocument(std::string_view json, std::string& fault) {
    const size_t nul = json.find('\0');
    if (nul != std::string_view::npos) {
        fault = "NUL byte at offset " + std::to_string(nul);
        return nullptr;
    }
    const char* end = nullptr;
    JsonPtr root(cJSON_ParseWithLengthOpts(json.data(), json.size(), &end, false));
    if (!root || end == nullptr) {
        return nullptr;
    }
    size_t offset = static_cast<size_t>(end - json.data());
    while (offset < json.size() && IsJsonSpace(json[offset])) {
        ++offset;
    }
    if (offset < json.size()) {
        fault = "data after the JSON at offset " + std::to_string(offset);
        return nullptr;
    }
    return root;
}

ProfileStatus StatusOf(const Context& ctx) {
    return ctx.modelMismatch ? ProfileStatus::ModelMismatch : ProfileStatus::LoadError;
}

}  // namespace

ProfileResult ParseProfileText(std::string_view json, SceneRecord& scene) {
    std::string fault;
    const JsonPtr root = ParseDocument(json, fault);
    if (!fault.empty()) {
        return Outcome(ProfileStatus::LoadError, fault);
    }
    if (!root) {
        return Outcome(ProfileStatus::OpenError, "not JSON");
    }
    auto loaded = std::make_unique<SceneRecord>(scene);
    Context ctx;
    if (!ReadSceneProfile(ctx, root.get(), *loaded)) {
        return Outcome(StatusOf(ctx), ctx.failure);
    }
    scene = *loaded;
    return Outcome(ProfileStatus::Ok, {});
}

ProfileResult ParseWholeProfileText(std::string_view json, ModelStore& store) {
    std::string fault;
    const JsonPtr root = ParseDocument(json, fault);
    if (!fault.empty()) {
        return Outcome(ProfileStatus::LoadError, fault);
    }
    if (!root) {
        return Outcome(ProfileStatus::LoadError, "not JSON");
    }
    auto loaded = std::make_unique<ModelStore>(store);
    Context ctx;
    if (!ReadWholeProfile(ctx, root.get(), *loaded)) {
        return Outcome(StatusOf(ctx), ctx.failure);
    }
    store = *loaded;
    return Outcome(ProfileStatus::Ok, {});
}

}  // namespace korvel
