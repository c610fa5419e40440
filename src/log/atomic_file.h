#pragma once
// Writing a whole file so that readers only ever see the old content or the complete new one.
//
// The bytes go to a temporary file in the target's folder, are flushed to the disk and the
// temporary file is renamed over the target. On any failure (full disk, file size limit, no
// permission) the target is untouched and the temporary file is removed. Every file the
// programs write (profiles, exported data, pictures) goes through here.

#include <filesystem>
#include <string>
#include <string_view>

namespace korvel {

// Replaces (or creates) `path` with `bytes`. An existing file keeps its permission bits; a new
// one gets 0666 less the process umask, as an ordinary create would. On failure returns false
// and, when `error` is given, a short English reason ("No space left on device").
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::string* error = nullptr);

// True when a file could be written at `path`: its folder exists and accepts a new file, and
// `path` itself is not a folder. Checked by creating and removing a temporary file, so
// read-only mounts and access-control lists count too. Callers check before long work whose
// result goes to `path`.
bool CanWriteFile(const std::filesystem::path& path, std::string* error = nullptr);

}  // namespace korvel
