#pragma once
// Builds upgrade image files for tests, benchmarks and the fuzz corpus: single images (kind,
// model, start parameters, body, trailer, big-endian byte-sum checksum) and merged images.

#include <unistd.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace korvel::testing {

using ImageBytes = std::vector<uint8_t>;

inline constexpr uint8_t kTestModel = 72;

// A body whose bytes differ from their neighbours, so a misplaced block changes the hash.
inline ImageBytes PatternBody(size_t size, uint8_t seed = 1) {
    ImageBytes body(size);
    for (size_t i = 0; i < size; ++i) {
        body[i] = static_cast<uint8_t>((i * 7 + seed * 13 + (i >> 8)) & 0xFF);
    }
    return body;
}

// Element by element: GCC 12 warns falsely about vector::insert at -O2.
template <typename Range>
inline void Append(ImageBytes& bytes, const Range& tail) {
    for (const uint8_t byte : tail) {
        bytes.push_back(byte);
    }
}

inline void AppendBigEndian(ImageBytes& bytes, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<uint8_t>(value >> shift));
    }
}

inline ImageBytes SingleImage(uint8_t kind, const ImageBytes& body,
                              std::array<uint8_t, 4> start = {0x11, 0x22, 0x33, 0x44},
                              uint8_t model = kTestModel) {
    ImageBytes bytes;
    bytes.reserve(body.size() + 14);
    bytes.push_back(kind);
    bytes.push_back(model);
    Append(bytes, start);
    Append(bytes, body);
    Append(bytes, std::array<uint8_t, 4>{0xDE, 0xAD, 0xBE, 0xEF});  // trailer
    uint32_t sum = 0;
    for (const uint8_t byte : bytes) {
        sum += byte;
    }
    AppendBigEndian(bytes, sum);
    return bytes;
}

inline ImageBytes MergedImage(const ImageBytes& mcuImage, const ImageBytes& flashImage,
                              uint8_t count = 2, uint8_t head0 = 0x73, uint8_t head1 = 0x73) {
    ImageBytes bytes;
    bytes.push_back(head0);
    bytes.push_back(head1);
    bytes.push_back(count);
    AppendBigEndian(bytes, static_cast<uint32_t>(mcuImage.size()));
    AppendBigEndian(bytes, static_cast<uint32_t>(flashImage.size()));
    for (uint8_t i = 2; i < count; ++i) {
        AppendBigEndian(bytes, 0);
    }
    Append(bytes, mcuImage);
    Append(bytes, flashImage);
    return bytes;
}

inline void WriteBytes(const std::string& path, const ImageBytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A folder of its own under /tmp, removed with its files at the end of the test.
class ScratchDir {
  public:
    ScratchDir() {
        char pattern[] = "/tmp/korvel-fw-XXXXXX";
        path_ = ::mkdtemp(pattern) ? pattern : "/tmp";
    }
    ~ScratchDir() {
        for (const std::string& file : files_) {
            ::unlink(file.c_str());
        }
        ::rmdir(path_.c_str());
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Writes `bytes` to `name` in the folder and returns the path.
    std::string Write(const std::string& name, const ImageBytes& bytes) {
        const std::string file = path_ + "/" + name;
        WriteBytes(file, bytes);
        files_.push_back(file);
        return file;
    }
    // A path in the folder that the folder removes at the end (for files others create).
    std::string Path(const std::string& name) {
        files_.push_back(path_ + "/" + name);
        return files_.back();
    }
    const std::string& Folder() const { return path_; }

  private:
    std::string path_;
    std::vector<std::string> files_;
};

}  // namespace korvel::testing
