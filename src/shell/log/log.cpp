#include "shell/log/log.h"

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>

namespace korvel {
namespace {

constexpr size_t kBufferChars = 1024;
constexpr int kFlushEvery = 10;  // flush once the counter is above this: every eleventh line

struct LogState {
    std::mutex mutex;  // the busy flag: formatting, console, file and flush happen under it
    std::unique_ptr<std::ofstream> file;
    std::atomic<bool> open{false};
    std::atomic<int> lineCounter{0};
    wchar_t buffer[kBufferChars] = {};
};

LogState& State() {
    static LogState state;
    return state;
}

void AppendUtf16Le(std::string& out, char16_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
}

// wchar_t is UTF-32 on Linux; the file keeps 16-bit units, so code points above the BMP become
// surrogate pairs.
std::string ToUtf16Le(const wchar_t* text, size_t length) {
    std::string out;
    out.reserve(length * 2);
    for (size_t i = 0; i < length; ++i) {
        auto cp = static_cast<char32_t>(text[i]);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            cp = 0xFFFD;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            AppendUtf16Le(out, static_cast<char16_t>(0xD800 + (cp >> 10)));
            AppendUtf16Le(out, static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            AppendUtf16Le(out, static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string ToUtf8(const wchar_t* text, size_t length) {
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        auto cp = static_cast<char32_t>(text[i]);
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | ((cp >> 18) & 0x07)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

// vswprintf reports -1 when the text does not fit; the line is then cut at the buffer's end.
size_t FormatInto(wchar_t* buffer, const wchar_t* format, va_list args) {
    int n = std::vswprintf(buffer, kBufferChars, format, args);
    if (n < 0) {
        buffer[kBufferChars - 1] = L'\0';
        return std::wcslen(buffer);
    }
    return static_cast<size_t>(n);
}

}  // namespace

bool OpenLog(const std::filesystem::path& path) {
    LogState& s = State();
    std::lock_guard lock(s.mutex);
    auto file = std::make_unique<std::ofstream>(path, std::ios::binary | std::ios::trunc);
    if (!*file)
        return false;
    s.file = std::move(file);
    s.lineCounter = 0;
    s.open = true;
    return true;
}

bool OpenLogIfSwitchPresent() {
    std::error_code ec;
    if (!std::filesystem::exists(kLogSwitchFile, ec))
        return false;
    return OpenLog(kLogFile);
}

void CloseLog() {
    LogState& s = State();
    std::lock_guard lock(s.mutex);
    s.open = false;
    if (s.file)
        s.file->flush();
    s.file.reset();
}

bool IsLogOpen() {
    return State().open.load();
}

int WriteLogV(const wchar_t* format, va_list args) {
    LogState& s = State();
    if (!s.open.load()) {
        s.lineCounter.fetch_add(1);
        return 0;
    }
    std::lock_guard lock(s.mutex);
    if (!s.file)
        return 0;
    size_t length = FormatInto(s.buffer, format, args);
    std::string console = ToUtf8(s.buffer, length);
    std::fwrite(console.data(), 1, console.size(), stderr);
    std::string bytes = ToUtf16Le(s.buffer, length);
    s.file->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    // Counting before the test makes the eleventh line the one that flushes, so a crash loses
    // at most the ten lines after the last flush.
    if (s.lineCounter.fetch_add(1) + 1 > kFlushEvery) {
        s.file->flush();
        s.lineCounter = 0;
    }
    return static_cast<int>(length);
}

int WriteLog(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int n = WriteLogV(format, args);
    va_end(args);
    return n;
}

}  // namespace korvel
