#pragma once
// Writing a file so that a failure never leaves it half written: the text goes to a temporary
// file in the same folder, is flushed to the disk, and only then replaces the file by a rename.

#include <filesystem>
#include <string>
#include <string_view>

namespace korvel {

// True when `path` now holds exactly `text`. On failure the file that was there (if any) is
// unchanged, no temporary file is left behind, and `error` says what failed.
bool WriteFileReplacing(const std::filesystem::path& path, std::string_view text,
                        std::string& error);

}  // namespace korvel
