#include "model/scene_name.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace korvel {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';
constexpr char kUnmappable = '?';

// Owns one iconv conversion descriptor.
class Converter {
  public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) {
            iconv_close(handle_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts in[0..inLength) into out; returns the bytes written, or -1 with errno set.
    // `consumed` receives the input bytes used.
    long Convert(const char* in, size_t inLength, char* out, size_t outCapacity, size_t& consumed) {
        char* inPtr = const_cast<char*>(in);
        size_t inLeft = inLength;
        char* outPtr = out;
        size_t outLeft = outCapacity;
        const size_t result = iconv(handle_, &inPtr, &inLeft, &outPtr, &outLeft);
        consumed = inLength - inLeft;
        const long written = static_cast<long>(outCapacity - outLeft);
        if (result == static_cast<size_t>(-1)) {
            return errno == E2BIG ? written : -1 - written;
        }
        return written;
    }

    void Reset() { iconv(handle_, nullptr, nullptr, nullptr, nullptr); }

  private:
    iconv_t handle_;
};

char16_t UnitAt(const char* bytes) {
    const auto lo = static_cast<unsigned char>(bytes[0]);
    const auto hi = static_cast<unsigned char>(bytes[1]);
    return static_cast<char16_t>(lo | (hi << 8));
}

}  // namespace

std::u16string DeviceNameToUtf16(const SceneName& name) {
    const auto* begin = reinterpret_cast<const char*>(name.data());
    const size_t length = strnlen(begin, name.size());
    std::u16string text;
    Converter converter("UTF-16LE", kDeviceNameCodePage);
    if (!converter.valid()) {
        for (size_t i = 0; i < length; ++i) {
            const auto byte = static_cast<unsigned char>(begin[i]);
            text.push_back(byte < 0x80 ? static_cast<char16_t>(byte) : kReplacement);
        }
        return text;
    }
    size_t position = 0;
    while (position < length) {
        // Every byte yields at most one UTF-16 unit, so the buffer always suffices.
        std::array<char, 2 * kSceneNameBytes> out{};
        size_t consumed = 0;
        long written = converter.Convert(begin + position, length - position, out.data(),
                                         out.size(), consumed);
        const bool failed = written < 0;
        if (failed) {
            written = -1 - written;
        }
        for (long i = 0; i + 1 < written; i += 2) {
            text.push_back(UnitAt(out.data() + i));
        }
        position += consumed;
        if (failed) {
            // Invalid (EILSEQ) or cut-off (EINVAL) sequence: replace one byte and go on.
            text.push_back(kReplacement);
            ++position;
            converter.Reset();
        } else if (consumed == 0) {
            break;
        }
    }
    return text;
}

SceneName Utf16ToDeviceName(std::u16string_view text) {
    SceneName name{};
    Converter converter(kDeviceNameCodePage, "UTF-32LE");
    size_t used = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code == 0) {
            break;
        }
        const bool high = code >= 0xD800 && code <= 0xDBFF;
        const bool low = code >= 0xDC00 && code <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (high || low) {
            code = kUnmappable;
        }
        std::array<char, 8> encoded{};
        size_t encodedLength = 0;
        if (code < 0x80) {
            encoded[0] = static_cast<char>(code);
            encodedLength = 1;
        } else {
            const std::array<char, 4> utf32{static_cast<char>(code & 0xFF),
                                            static_cast<char>((code >> 8) & 0xFF),
                                            static_cast<char>((code >> 16) & 0xFF), 0};
            size_t consumed = 0;
            const long written = converter.valid()
                                     ? converter.Convert(utf32.data(), utf32.size(), encoded.data(),
                                                         encoded.size(), consumed)
                                     : -1;
            if (written <= 0 || consumed != utf32.size()) {
                converter.Reset();
                encoded[0] = kUnmappable;
                encodedLength = 1;
            } else {
                encodedLength = static_cast<size_t>(written);
            }
        }
        if (used + encodedLength > name.size()) {
            break;
        }
        std::memcpy(name.data() + used, encoded.data(), encodedLength);
        used += encodedLength;
    }
    return name;
}

}  // namespace korvel

namespace korvel {
namespace {

// Converts a whole text between two encodings; nullopt when iconv rejects it.
std::optional<std::string> Reencode(const char* to, const char* from, std::string_view in) {
    Converter converter(to, from);
    if (!converter.valid()) {
        return std::nullopt;
    }
    std::string out(in.size() * 4 + 4, '\0');
    size_t consumed = 0;
    const long written = converter.Convert(in.data(), in.size(), out.data(), out.size(), consumed);
    if (written < 0 || consumed != in.size()) {
        return std::nullopt;
    }
    out.resize(static_cast<size_t>(written));
    return out;
}

}  // namespace

std::optional<std::u16string> Utf8ToUtf16(std::string_view text) {
    auto bytes = Reencode("UTF-16LE", "UTF-8", text);
    if (!bytes) {
        return std::nullopt;
    }
    std::u16string units;
    for (size_t i = 0; i + 1 < bytes->size(); i += 2) {
        units.push_back(UnitAt(bytes->data() + i));
    }
    return units;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return Reencode("UTF-8", "UTF-16LE", bytes).value_or(std::string());
}

bool HasControlCharacter(std::u16string_view text) {
    for (const char16_t unit : text) {
        if (unit < 0x20 || (unit >= 0x7F && unit <= 0x9F)) {
            return true;
        }
    }
    return false;
}

}  // namespace korvel
