#include "log/log.h"

#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace korvel {
namespace {

constexpr size_t kMaxLineChars = 1023;
constexpr int kFlushEvery = 10;  // flush once the counter is above this: every eleventh line

struct LogState {
    std::mutex mutex;  // the busy flag: formatting, console, file and flush happen under it
    std::unique_ptr<std::ofstream> file;
    std::atomic<bool> open{false};
    std::atomic<int> lineCounter{0};
    std::vector<char> buffer = std::vector<char>(4096);
};

LogState& State() {
    static LogState state;
    return state;
}

// Converts with iconv; a sequence the source encoding does not allow becomes U+FFFD, so a line
// with stray bytes (a device name, a damaged file) is still written.
std::string Convert(const char* to, const char* from, const char* bytes, size_t size,
                    std::string_view replacement, size_t unit) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return {};
    }
    std::string out(size * 4 + 8, '\0');
    char* in = const_cast<char*>(bytes);
    size_t inLeft = size;
    char* outPtr = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) {
            break;
        }
        if ((errno != EILSEQ && errno != EINVAL) || outLeft < replacement.size()) {
            break;
        }
        outPtr = std::copy(replacement.begin(), replacement.end(), outPtr);
        outLeft -= replacement.size();
        const size_t skip = std::min(unit, inLeft);
        in += skip;
        inLeft -= skip;
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

std::string Utf8ToUtf16Le(std::string_view text) {
    return Convert("UTF-16LE", "UTF-8", text.data(), text.size(), std::string_view("\xFD\xFF", 2),
                   1);
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Cuts UTF-8 text after `maxChars` characters, never inside one; returns the character count.
size_t CutToChars(std::string& text, size_t maxChars) {
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsContinuationByte(text[i])) {
            continue;
        }
        if (chars == maxChars) {
            text.resize(i);
            return chars;
        }
        ++chars;
    }
    return chars;
}

__attribute__((format(printf, 2, 0))) std::string Format(std::vector<char>& buffer,
                                                         const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(buffer.data(), buffer.size(), format, args);
    if (n >= 0 && static_cast<size_t>(n) >= buffer.size()) {
        buffer.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
    }
    va_end(again);
    return n < 0 ? std::string() : std::string(buffer.data(), static_cast<size_t>(n));
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

void WriteLogTimeStamp() {
    if (!IsLogOpen()) {
        return;  // the local time is not worth computing for a closed log
    }
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    WriteLog("%d.%02d.%02d %02d:%d:%d:%d\n", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
             local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(millis));
}

int WriteLogV(const char* format, va_list args) {
    LogState& s = State();
    if (!s.open.load()) {
        s.lineCounter.fetch_add(1);
        return 0;
    }
    std::lock_guard lock(s.mutex);
    if (!s.file)
        return 0;
    std::string line = Format(s.buffer, format, args);
    const size_t length = CutToChars(line, kMaxLineChars);
    std::fwrite(line.data(), 1, line.size(), stderr);
    const std::string bytes = Utf8ToUtf16Le(line);
    s.file->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    // Counting before the test makes the eleventh line the one that flushes, so a crash loses
    // at most the ten lines after the last flush.
    if (s.lineCounter.fetch_add(1) + 1 > kFlushEvery) {
        s.file->flush();
        s.lineCounter = 0;
    }
    return static_cast<int>(length);
}

int WriteLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = WriteLogV(format, args);
    va_end(args);
    return n;
}

std::string WideToUtf8(std::wstring_view text) {
    return Convert("UTF-8", "WCHAR_T", reinterpret_cast<const char*>(text.data()),
                   text.size() * sizeof(wchar_t), "\xEF\xBF\xBD", sizeof(wchar_t));
}

}  // namespace korvel
