#include "profiles/profile_file.h"

#include <fstream>
#include <optional>
#include <system_error>

namespace korvel {
namespace {

// The whole file as text, or nothing with the reason when it cannot be read completely.
std::optional<std::string> ReadTextFile(const std::filesystem::path& path, std::string& reason) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        reason = "file cannot be read";
        return std::nullopt;
    }
    if (size > kMaxProfileFileBytes) {
        reason = "file is larger than the limit of " +
                 std::to_string(kMaxProfileFileBytes / (1024 * 1024)) + " MiB";
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    std::string text(static_cast<size_t>(size), '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (!file || static_cast<std::uintmax_t>(file.gcount()) != size) {
        reason = "file cannot be read";
        return std::nullopt;
    }
    return text;
}

ProfileResult OpenError(const std::string& reason) {
    ProfileResult result;
    result.status = ProfileStatus::OpenError;
    result.messageKey = ProfileMessageKey(result.status, false);
    result.englishText = ProfileMessageText(result.status, false);
    result.detail = reason;
    return result;
}

}  // namespace

std::string_view ProfileMessageKey(ProfileStatus status, bool writing) {
    switch (status) {
        case ProfileStatus::Ok:
            return writing ? "${profile_save_ok}" : "";
        case ProfileStatus::OpenError:
            return "${profile_open_error}";
        case ProfileStatus::LoadError:
            return "${profile_load_error}";
        case ProfileStatus::ModelMismatch:
            return "${software_not_match}";
        case ProfileStatus::CreateError:
            return "${profile_create_error}";
    }
    return "";
}

std::string_view ProfileMessageText(ProfileStatus status, bool writing) {
    switch (status) {
        case ProfileStatus::Ok:
            return writing ? "The profile has been saved." : "";
        case ProfileStatus::OpenError:
            return "The profile file cannot be opened.";
        case ProfileStatus::LoadError:
            return "The profile file is damaged or incomplete and was not loaded.";
        case ProfileStatus::ModelMismatch:
            return "The profile was made for a different device model.";
        case ProfileStatus::CreateError:
            return "The profile file cannot be created.";
    }
    return "";
}

ProfileResult ReadProfileFile(const std::filesystem::path& path, SceneRecord& scene) {
    std::string reason;
    const std::optional<std::string> text = ReadTextFile(path, reason);
    return text ? ParseProfileText(*text, scene) : OpenError(reason);
}

ProfileResult ReadWholeProfileFile(const std::filesystem::path& path, ModelStore& store) {
    std::string reason;
    const std::optional<std::string> text = ReadTextFile(path, reason);
    return text ? ParseWholeProfileText(*text, store) : OpenError(reason);
}

SceneProfileLoad LoadProfileFile(const std::filesystem::path& path, const SceneRecord& base) {
    SceneProfileLoad load;
    load.scene = std::make_unique<SceneRecord>(base);
    load.result = ReadProfileFile(path, *load.scene);
    if (!load.result.ok()) {
        load.scene.reset();
    }
    return load;
}

WholeProfileLoad LoadWholeProfileFile(const std::filesystem::path& path, const ModelStore& base) {
    WholeProfileLoad load;
    load.store = std::make_unique<ModelStore>(base);
    load.result = ReadWholeProfileFile(path, *load.store);
    if (!load.result.ok()) {
        load.store.reset();
    }
    return load;
}

}  // namespace korvel
