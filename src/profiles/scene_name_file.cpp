#include "profiles/scene_name_file.h"

#include <glib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "model/scene_name.h"

namespace korvel {
namespace {

struct GFreeDeleter {
    void operator()(void* block) const { g_free(block); }
};

constexpr size_t kMaxUnits = kSceneNameBytes / 2;

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

}  // namespace

FileNameBytes Utf16ToFileNameBytes(std::u16string_view text) {
    const size_t end = std::min(text.find(u'\0'), text.size());
    size_t units = std::min(end, kMaxUnits);
    // Keep a surrogate pair whole: drop a high surrogate whose partner would not fit.
    if (units == kMaxUnits && units < end && IsHighSurrogate(text[units - 1])) {
        --units;
    }
    FileNameBytes bytes{};
    for (size_t i = 0; i < units; ++i) {
        bytes[2 * i] = static_cast<uint8_t>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
    }
    return bytes;
}

std::u16string FileNameBytesToUtf16(const FileNameBytes& bytes) {
    std::u16string text;
    for (size_t i = 0; i < kMaxUnits; ++i) {
        const auto unit = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (unit == 0) {
            break;
        }
        text.push_back(unit);
    }
    return text;
}

std::string EncodeSceneNameForFile(const SceneName& deviceName) {
    const FileNameBytes bytes = Utf16ToFileNameBytes(DeviceNameToUtf16(deviceName));
    const std::unique_ptr<gchar, GFreeDeleter> encoded(g_base64_encode(bytes.data(), bytes.size()));
    return encoded ? std::string(encoded.get()) : std::string();
}

SceneName DecodeSceneNameFromFile(std::string_view base64) {
    // g_base64_decode needs a terminated string.
    const std::string text(base64.substr(0, base64.find('\0')));
    gsize length = 0;
    const std::unique_ptr<guchar, GFreeDeleter> decoded(g_base64_decode(text.c_str(), &length));
    FileNameBytes bytes{};
    if (decoded) {
        std::memcpy(bytes.data(), decoded.get(), std::min<size_t>(length, bytes.size()));
    }
    return Utf16ToDeviceName(FileNameBytesToUtf16(bytes));
}

bool IsStrictBase64(std::string_view text) {
    if (text.size() % 4 != 0) {
        return false;
    }
    size_t padding = 0;
    while (padding < text.size() && text[text.size() - 1 - padding] == '=') {
        ++padding;
    }
    if (padding > 2) {
        return false;
    }
    const std::string_view body = text.substr(0, text.size() - padding);
    return std::all_of(body.begin(), body.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '+' || c == '/';
    });
}

bool NameFitsFile(const SceneName& deviceName) {
    const std::u16string text = DeviceNameToUtf16(deviceName);
    return FileNameBytesToUtf16(Utf16ToFileNameBytes(text)) == text;
}

}  // namespace korvel
