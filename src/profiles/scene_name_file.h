#pragma once
// Scene names in whole profiles: standard Base64 of 16 bytes holding up to eight UTF-16LE code
// units, zero-padded (24 characters). The model keeps names in the device code page, so both
// directions convert through scene_name.h.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/scene_record.h"

namespace korvel {

using FileNameBytes = std::array<uint8_t, kSceneNameBytes>;

// Up to eight UTF-16 units (a surrogate pair is never split), little-endian, zero-padded.
FileNameBytes Utf16ToFileNameBytes(std::u16string_view text);
// The units up to the first zero unit.
std::u16string FileNameBytesToUtf16(const FileNameBytes& bytes);

std::string EncodeSceneNameForFile(const SceneName& deviceName);
// Decodes into a zeroed 16-byte buffer; a string that decodes to more than 16 bytes keeps its
// first 16. Characters outside the Base64 alphabet are skipped.
SceneName DecodeSceneNameFromFile(std::string_view base64);

// Standard Base64 as the files carry it: groups of four characters of the alphabet
// "A".."Z", "a".."z", "0".."9", "+", "/", with "=" padding only at the end. Empty is valid.
bool IsStrictBase64(std::string_view text);

// True when the file's eight UTF-16 units hold the whole name; a longer name (up to 16
// characters fit the device) loses its tail in a whole profile.
bool NameFitsFile(const SceneName& deviceName);

}  // namespace korvel
