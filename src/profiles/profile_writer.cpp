#include <cstdio>

#include "log/atomic_file.h"
#include "log/log.h"
#include "model/scene_reset.h"
#include "profiles/profile_file.h"
#include "profiles/profile_json.h"
#include "profiles/scene_name_file.h"

namespace korvel {
namespace {

using profile_json::JsonPtr;

// cJSON takes ownership of an item once it is attached; until then JsonPtr owns it.
void Add(cJSON* object, const char* key, JsonPtr item) {
    cJSON_AddItemToObject(object, key, item.release());
}

void Append(cJSON* array, JsonPtr item) {
    cJSON_AddItemToArray(array, item.release());
}

JsonPtr Number(double value) {
    return JsonPtr(cJSON_CreateNumber(value));
}

template <size_t N>
JsonPtr IntArray(const std::array<int32_t, N>& values) {
    return JsonPtr(cJSON_CreateIntArray(values.data(), static_cast<int>(N)));
}

JsonPtr FilterObject(const FilterSettings& filter) {
    JsonPtr object(cJSON_CreateObject());
    Add(object.get(), "fs", Number(filter.fs));
    Add(object.get(), "type", Number(filter.type));
    Add(object.get(), "slope", Number(filter.slope));
    Add(object.get(), "bypass", Number(filter.bypass));
    return object;
}

JsonPtr BandObject(const EqBand& band) {
    JsonPtr object(cJSON_CreateObject());
    Add(object.get(), "freq", Number(band.freq));
    Add(object.get(), "eqFactor", Number(band.eqFactor));
    Add(object.get(), "eqGain", Number(band.eqGain));
    Add(object.get(), "enable", Number(band.enable));
    return object;
}

JsonPtr ChannelObject(const SceneRecord& scene, int n) {
    const ChannelSettings& channel = scene.channels[static_cast<size_t>(n)];
    const auto bands = ChannelBands(scene, n);
    JsonPtr object(cJSON_CreateObject());
    Add(object.get(), "eqSize", Number(static_cast<double>(bands.size())));
    Add(object.get(), "gain", Number(channel.gain));
    Add(object.get(), "mute", Number(channel.mute));
    Add(object.get(), "delay", Number(channel.delay));
    Add(object.get(), "phase", Number(channel.phase));
    Add(object.get(), "bypass", Number(channel.bypass));
    JsonPtr crossover(cJSON_CreateObject());
    Add(crossover.get(), "bpType", Number(channel.crossover.bpType));
    Add(crossover.get(), "hp", FilterObject(channel.crossover.hp));
    Add(crossover.get(), "lp", FilterObject(channel.crossover.lp));
    Add(object.get(), "crossover", std::move(crossover));
    JsonPtr eqArray(cJSON_CreateArray());
    for (const EqBand& band : bands) {
        Append(eqArray.get(), BandObject(band));
    }
    Add(object.get(), "eqArray", std::move(eqArray));
    return object;
}

JsonPtr MixVolumeArray(const SceneRecord& scene) {
    JsonPtr perSource(cJSON_CreateArray());
    for (const auto& source : scene.inputMixVolume) {
        JsonPtr perInput(cJSON_CreateArray());
        for (const auto& input : source) {
            Append(perInput.get(), IntArray(input));
        }
        Append(perSource.get(), std::move(perInput));
    }
    return perSource;
}

// The nine per-scene keys, "channels" first.
void AddSceneKeys(cJSON* object, const SceneRecord& scene) {
    JsonPtr channels(cJSON_CreateArray());
    for (int n = 0; n < kChannelSlots; ++n) {
        Append(channels.get(), ChannelObject(scene, n));
    }
    Add(object, "channels", std::move(channels));
    JsonPtr inputs(cJSON_CreateArray());
    for (const auto& source : scene.inputs) {
        Append(inputs.get(), IntArray(source));
    }
    Add(object, "inputs", std::move(inputs));
    Add(object, "inputMixVolume", MixVolumeArray(scene));
    Add(object, "outputs", IntArray(scene.outputs));
    Add(object, "linkOutputs", IntArray(scene.linkOutputs));
    Add(object, "showChEqualizer", IntArray(scene.showChEqualizer));
    Add(object, "currChannel", Number(scene.currChannel));
    Add(object, "linkMode", Number(scene.linkMode));
    Add(object, "lockMode", Number(scene.lockMode));
}

void AddHeader(cJSON* object, const SceneRecord& live) {
    Add(object, "model", Number(profile_json::kSupportedModel));
    Add(object, "model_name", JsonPtr(cJSON_CreateString(kProfileModelName)));
    Add(object, "mainVolume", Number(live.mainVolume));
    Add(object, "subVolume", Number(live.subVolume));
    Add(object, "mainVolumeMute", Number(live.mainVolumeMute));
}

std::string Print(const cJSON* root) {
    const std::unique_ptr<char, void (*)(void*)> text(cJSON_PrintUnformatted(root), cJSON_free);
    return text ? std::string(text.get()) : std::string();
}

ProfileResult Result(ProfileStatus status) {
    ProfileResult result;
    result.status = status;
    result.messageKey = ProfileMessageKey(status, true);
    result.englishText = ProfileMessageText(status, true);
    return result;
}

// The file is replaced as a whole: a failure leaves the previous file as it was.
ProfileResult WriteText(const std::string& text, const std::filesystem::path& path) {
    if (text.empty()) {
        return Result(ProfileStatus::CreateError);
    }
    std::string error;
    if (!WriteFileAtomically(path, text, &error)) {
        ProfileResult result = Result(ProfileStatus::CreateError);
        result.detail = error;
        return result;
    }
    return Result(ProfileStatus::Ok);
}

}  // namespace

std::string ProfileText(const SceneRecord& scene) {
    JsonPtr root(cJSON_CreateObject());
    AddHeader(root.get(), scene);
    AddSceneKeys(root.get(), scene);
    return Print(root.get());
}

std::string WholeProfileText(const SceneRecord& live,
                             const std::array<SceneRecord, kStoredScenes>& stored,
                             const std::array<SceneName, kStoredScenes>& names) {
    JsonPtr root(cJSON_CreateObject());
    AddHeader(root.get(), live);
    JsonPtr sceneNames(cJSON_CreateArray());
    for (const SceneName& name : names) {
        Append(sceneNames.get(), JsonPtr(cJSON_CreateString(EncodeSceneNameForFile(name).c_str())));
    }
    Add(root.get(), "sceneName", std::move(sceneNames));
    JsonPtr current(cJSON_CreateObject());
    AddSceneKeys(current.get(), live);
    Add(root.get(), "currentProfile", std::move(current));
    JsonPtr sceneArray(cJSON_CreateArray());
    for (const SceneRecord& scene : stored) {
        JsonPtr object(cJSON_CreateObject());
        AddSceneKeys(object.get(), scene);
        Append(sceneArray.get(), std::move(object));
    }
    Add(root.get(), "sceneArray", std::move(sceneArray));
    return Print(root.get());
}

ProfileResult WriteProfileFile(const SceneRecord& scene, const std::filesystem::path& path) {
    ProfileResult result = WriteText(ProfileText(scene), path);
    WriteLog("WriteProfileFile %s: %s\n", path.string().c_str(),
             result.ok() ? "ok" : "cannot create the file");
    return result;
}

ProfileResult WriteWholeProfileFile(const SceneRecord& live,
                                    const std::array<SceneRecord, kStoredScenes>& stored,
                                    const std::array<SceneName, kStoredScenes>& names,
                                    const std::filesystem::path& path) {
    ProfileResult result = WriteText(WholeProfileText(live, stored, names), path);
    WriteLog("WriteWholeProfileFile %s: %s\n", path.string().c_str(),
             result.ok() ? "ok" : "cannot create the file");
    if (result.ok()) {
        for (int scene = 1; scene <= kStoredScenes; ++scene) {
            if (!NameFitsFile(names[static_cast<size_t>(scene - 1)])) {
                WriteLog("WriteWholeProfileFile: the name of scene %d is shortened to 8 units\n",
                         scene);
                result.shortenedNames.push_back(scene);
            }
        }
    }
    return result;
}

}  // namespace korvel
