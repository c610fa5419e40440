#pragma once
// Scene names as the device stores them: 16 raw bytes in one fixed code page, GBK (code page
// 936, a superset of ASCII: ASCII names pass unchanged). Names are zero-padded and not terminated
// when all 16 bytes are used. Conversion uses the C library's iconv.

#include <optional>
#include <string>
#include <string_view>

#include "model/scene_record.h"

namespace korvel {

inline constexpr const char* kDeviceNameCodePage = "GBK";

// Decodes the bytes up to the first zero byte. Byte sequences that are not valid GBK become
// U+FFFD, one per offending byte (a cut-off sequence at the end gives one U+FFFD).
std::u16string DeviceNameToUtf16(const SceneName& name);

// Encodes text up to its first U+0000 into a zero-padded 16-byte name. Characters that GBK
// cannot represent (and unpaired surrogates) become '?'; a character whose bytes would not fit
// completely ends the name, so a multi-byte character is never cut in half.
SceneName Utf16ToDeviceName(std::u16string_view text);

// True when the text holds a control character (below U+0020, or U+007F..U+009F): such names
// break listings and are refused wherever a name is taken.
bool HasControlCharacter(std::u16string_view text);

// UTF-8 for terminals and command lines; nullopt for text that is not valid UTF-8.
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);
// Unpaired surrogates make the whole text unconvertible: the result is then empty.
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace korvel
