#pragma once
// Scene profiles (*.spf: the live scene) and whole profiles (*.wpf: live scene, ten stored scenes
// and their names) as single-line JSON files.
//
// Loading is all or nothing: a file is read into a copy of the caller's data, every value is
// checked and brought into the model's ranges, and only a file that loads completely replaces
// what the caller holds. Values the files do not carry (device identity, source, compressor and
// so on) keep the caller's values.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/model_store.h"
#include "model/scene_record.h"

namespace korvel {

inline constexpr const char* kProfileModelName = "Tarvik7";
inline constexpr const char* kSceneProfileExtension = "spf";
inline constexpr const char* kWholeProfileExtension = "wpf";
// Larger files are refused as unreadable; a whole profile is a few hundred kilobytes.
inline constexpr std::uintmax_t kMaxProfileFileBytes = 16u * 1024u * 1024u;

enum class ProfileStatus {
    Ok,             // loaded, or written ("${profile_save_ok}")
    OpenError,      // "${profile_open_error}": file unreadable, or a scene profile that is no JSON
    LoadError,      // "${profile_load_error}": structural error, or a whole profile that is no JSON
    ModelMismatch,  // "${software_not_match}": a model other than 72
    CreateError,    // "${profile_create_error}": the file cannot be written
};

struct ProfileResult {
    ProfileStatus status = ProfileStatus::Ok;
    std::string messageKey;   // text key for the message box; empty after a successful load
    std::string englishText;  // the English text of the key
    std::string detail;       // where loading failed, e.g. "channels[2].eqArray"; for the log
    // Written whole profiles: the scenes (1..10) whose names were longer than the file's eight
    // UTF-16 units and were shortened in it.
    std::vector<int> shortenedNames;

    bool ok() const { return status == ProfileStatus::Ok; }
};

// Message key and English text of a status ("" for a successful load).
std::string_view ProfileMessageKey(ProfileStatus status, bool writing);
std::string_view ProfileMessageText(ProfileStatus status, bool writing);

// --- Reading -----------------------------------------------------------------------------------

// Reads into `scene` only when the whole file loads; otherwise `scene` is unchanged.
ProfileResult ReadProfileFile(const std::filesystem::path& path, SceneRecord& scene);
// Reads live scene, stored scenes and names into `store` only when the whole file loads.
ProfileResult ReadWholeProfileFile(const std::filesystem::path& path, ModelStore& store);

// The same on text already in memory (the fuzzer and the tests use these).
ProfileResult ParseProfileText(std::string_view json, SceneRecord& scene);
ProfileResult ParseWholeProfileText(std::string_view json, ModelStore& store);

// Loads into a fresh copy of `base` and returns it; the caller decides what to replace. The
// record or store is present exactly when the result is ok.
struct SceneProfileLoad {
    ProfileResult result;
    std::unique_ptr<SceneRecord> scene;
};
struct WholeProfileLoad {
    ProfileResult result;
    std::unique_ptr<ModelStore> store;
};
SceneProfileLoad LoadProfileFile(const std::filesystem::path& path, const SceneRecord& base);
WholeProfileLoad LoadWholeProfileFile(const std::filesystem::path& path, const ModelStore& base);

// --- Writing -----------------------------------------------------------------------------------

std::string ProfileText(const SceneRecord& scene);
std::string WholeProfileText(const SceneRecord& live,
                             const std::array<SceneRecord, kStoredScenes>& stored,
                             const std::array<SceneName, kStoredScenes>& names);

// Both writers replace the file as a whole (log/atomic_file.h): on failure the previous file is
// unchanged and `detail` says why.
ProfileResult WriteProfileFile(const SceneRecord& scene, const std::filesystem::path& path);
ProfileResult WriteWholeProfileFile(const SceneRecord& live,
                                    const std::array<SceneRecord, kStoredScenes>& stored,
                                    const std::array<SceneName, kStoredScenes>& names,
                                    const std::filesystem::path& path);
inline ProfileResult WriteWholeProfileFile(const ModelStore& store,
                                           const std::filesystem::path& path) {
    return WriteWholeProfileFile(store.live, store.stored, store.names, path);
}

}  // namespace korvel
