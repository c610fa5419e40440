#pragma once
// Diagnostic log shared by every subsystem and thread.
//
// The log stays closed unless the shell finds the switch file "savelog.ini" at start-up. Once
// open, each formatted line goes to standard error (the console, UTF-8) and to the log file, which
// holds the lines as UTF-16LE without a byte-order mark and is flushed on every eleventh line.

#include <cstdarg>
#include <filesystem>
#include <string>
#include <string_view>

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

// Writes the local time as "year.month.day hour:minute:second:millisecond" on a line of its own;
// the device traffic and the upgrade steps are stamped with it.
void WriteLogTimeStamp();

// printf-style formatting of UTF-8 text, checked by the compiler. Returns the formatted length in
// characters, or 0 while the log is closed. Lines longer than 1023 characters are cut.
int WriteLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
int WriteLogV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

// UTF-8 form of a wide string (device strings from the HID layer) for a log line.
std::string WideToUtf8(std::wstring_view text);

}  // namespace korvel
