#include "log/log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace korvel {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Decodes the file's UTF-16LE units (the log writes only BMP text in these tests).
std::wstring ReadUtf16(const fs::path& path) {
    const std::string bytes = ReadBytes(path);
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<wchar_t>(static_cast<uint8_t>(bytes[i]) |
                                            (static_cast<uint8_t>(bytes[i + 1]) << 8)));
    }
    return text;
}

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::wstringstream stream(text);
    for (std::wstring line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

class LogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CloseLog();
        char pattern[] = "/tmp/korvel_log_XXXXXX";
        dir_ = ::mkdtemp(pattern);
        previous_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override {
        CloseLog();
        fs::current_path(previous_);
        fs::remove_all(dir_);
    }
    fs::path LogPath() const { return dir_ / kLogFile; }

    fs::path dir_;
    fs::path previous_;
};

TEST_F(LogTest, WithoutSwitchFileNothingIsWritten) {
    EXPECT_FALSE(OpenLogIfSwitchPresent());
    EXPECT_FALSE(IsLogOpen());
    EXPECT_EQ(WriteLog("SendCtrlCommand\n"), 0);
    EXPECT_FALSE(fs::exists(LogPath()));
}

TEST_F(LogTest, SwitchFileOpensAndTruncatesTheLog) {
    std::ofstream(dir_ / kLogSwitchFile) << "ignored";
    std::ofstream(LogPath()) << "old content";
    ASSERT_TRUE(OpenLogIfSwitchPresent());
    EXPECT_TRUE(IsLogOpen());
    EXPECT_TRUE(fs::exists(LogPath()));
    EXPECT_EQ(fs::file_size(LogPath()), 0u);
}

TEST_F(LogTest, ElevenLinesAreOnDiskWithoutClosing) {
    ASSERT_TRUE(OpenLog(LogPath()));
    for (int i = 0; i < 11; ++i)
        WriteLog("line %d\n", i);
    const auto lines = Lines(ReadUtf16(LogPath()));
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines.front(), L"line 0");
    EXPECT_EQ(lines.back(), L"line 10");
}

TEST_F(LogTest, WritesUtf16LittleEndianWithoutBomOrCarriageReturns) {
    ASSERT_TRUE(OpenLog(LogPath()));
    EXPECT_EQ(WriteLog("A%s%s\n", "\u00e9", "z"), 4);
    WriteLog("%s", "\U0001F600");
    CloseLog();
    const std::string expected("A\0\xE9\0z\0\n\0\x3D\xD8\x00\xDE", 12);
    EXPECT_EQ(ReadBytes(LogPath()), expected);
}

TEST_F(LogTest, FormatsHexDumpsAndCutsOverlongLines) {
    ASSERT_TRUE(OpenLog(LogPath()));
    EXPECT_EQ(WriteLog("%02x ", 0xAA), 3);
    EXPECT_EQ(WriteLog("%s", std::string(5000, 'x').c_str()), 1023);
    CloseLog();
    const std::wstring text = ReadUtf16(LogPath());
    EXPECT_EQ(text.substr(0, 3), L"aa ");
    EXPECT_EQ(text.size(), 3u + 1023u);
}

TEST_F(LogTest, ConcurrentWritersProduceWholeLines) {
    ASSERT_TRUE(OpenLog(LogPath()));
    constexpr int kLines = 300;
    const std::wstring lineA(60, L'a');
    const std::wstring lineB(60, L'b');
    auto writer = [](const std::wstring& text) {
        const std::string narrow(text.begin(), text.end());
        for (int i = 0; i < kLines; ++i)
            WriteLog("%s\n", narrow.c_str());
    };
    std::thread first(writer, lineA);
    std::thread second(writer, lineB);
    first.join();
    second.join();
    CloseLog();

    const auto lines = Lines(ReadUtf16(LogPath()));
    ASSERT_EQ(lines.size(), 2u * kLines);
    int countA = 0;
    for (const std::wstring& line : lines) {
        ASSERT_TRUE(line == lineA || line == lineB) << "interleaved line";
        countA += line == lineA;
    }
    EXPECT_EQ(countA, kLines);
}

}  // namespace
}  // namespace korvel
