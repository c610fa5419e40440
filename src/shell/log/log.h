#pragma once
// Diagnostic log shared by every subsystem and thread.
//
// The log stays closed unless the shell finds the switch file "savelog.ini" at start-up. Once
// open, each formatted line goes to standard error (the console) and to the log file, which holds
// the lines as UTF-16LE without a byte-order mark and is flushed on every eleventh line.

#include <cstdarg>
#include <filesystem>

namespace korvel {

inline constexpr const char* kLogSwitchFile = "savelog.ini";
inline constexpr const char* kLogFile = "save.log";

// Opens (truncates) the log file at `path`; returns false when it cannot be created.
bool OpenLog(const std::filesystem::path& path);

// Opens "save.log" in the current directory when "savelog.ini" exists there.
bool OpenLogIfSwitchPresent();

// Closes the log again (tests use it to start from a known state).
void CloseLog();

bool IsLogOpen();

// printf-style wide formatting. Returns the formatted length, or 0 while the log is closed.
// Lines longer than the shared buffer (1023 characters) are cut.
int WriteLog(const wchar_t* format, ...);
int WriteLogV(const wchar_t* format, va_list args);

}  // namespace korvel
