#include "log/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

namespace korvel {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class AtomicFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) / "korvel_atomic_file";
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        old_ = dir_ / "profile.wpf";
        std::ofstream(old_, std::ios::binary) << "previous content";
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Only the files the test made: no temporary file was left behind.
    size_t FileCount() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), {}));
    }

    fs::path dir_;
    fs::path old_;
};

TEST_F(AtomicFileTest, ReplacesTheWholeFileAndKeepsItsPermissions) {
    fs::permissions(old_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(WriteFileAtomically(old_, "new"));
    EXPECT_EQ(ReadBytes(old_), "new");
    EXPECT_EQ(fs::status(old_).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // A link is followed: the file it names is replaced and the link stays a link.
    const fs::path link = dir_ / "link.wpf";
    fs::create_symlink(old_, link);
    ASSERT_TRUE(WriteFileAtomically(link, "through the link"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(old_), "through the link");
    EXPECT_EQ(FileCount(), 2u);
}

// Every failure leaves the previous file as it was and no temporary file behind.
TEST_F(AtomicFileTest, FailuresLeaveThePreviousFile) {
    struct Case {
        const char* name;
        fs::path target;
        std::function<void()> before;
        std::function<void()> after;
    };
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const std::string large(64 * 1024, 'x');
    const Case cases[] = {
        {"folder missing", dir_ / "missing" / "x.wpf", {}, {}},
        {"target is a folder", dir_, {}, {}},
        {"file size limit (a full disk)", old_,
         [&] {
             std::signal(SIGXFSZ, SIG_IGN);
             rlimit small = saved;
             small.rlim_cur = 4096;
             setrlimit(RLIMIT_FSIZE, &small);
         },
         [&] { setrlimit(RLIMIT_FSIZE, &saved); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.before)
            c.before();
        std::string error;
        const bool written = WriteFileAtomically(c.target, large, &error);
        if (c.after)
            c.after();
        EXPECT_FALSE(written);
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(ReadBytes(old_), "previous content");
        EXPECT_EQ(FileCount(), 1u);
    }
}

TEST_F(AtomicFileTest, WritableCheckLeavesNothingBehind) {
    EXPECT_TRUE(CanWriteFile(dir_ / "new.spf"));
    EXPECT_TRUE(CanWriteFile(old_));
    std::string error;
    EXPECT_FALSE(CanWriteFile(dir_ / "missing" / "x.spf", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(CanWriteFile(dir_));
    EXPECT_FALSE(CanWriteFile("/proc/korvel.spf"));
    EXPECT_EQ(FileCount(), 1u);
}

}  // namespace
}  // namespace korvel
