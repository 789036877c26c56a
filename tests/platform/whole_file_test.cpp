// Writing a file whole or not at all, and the texts its failures are reported with.
#include "platform/whole_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace orv {
namespace {

namespace fs = std::filesystem;

class WholeFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/whole_file_test.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override { fs::remove_all(dir); }

    static std::string Read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    static void Put(const fs::path& p, const std::string& text) {
        std::ofstream(p, std::ios::binary) << text;
    }
    std::size_t Entries() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }

    fs::path dir;
};

TEST_F(WholeFile, CreatesAndReplacesKeepingThePermissions) {
    const fs::path p = dir / "report.txt";
    EXPECT_EQ(WriteWholeFile(p, std::string("one\r\n\0two", 10)), 0);
    EXPECT_EQ(Read(p), std::string("one\r\n\0two", 10));
    ASSERT_EQ(chmod(p.c_str(), 0640), 0);
    EXPECT_EQ(WriteWholeFile(p, ""), 0);
    EXPECT_EQ(Read(p), "");
    EXPECT_EQ(fs::status(p).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Entries(), 1u) << "no file is left beside it";
}

TEST_F(WholeFile, AFailedWriteLeavesTheOldFileAsItWas) {
    const fs::path p = dir / "report.txt";
    Put(p, "the old report");
    // A file size limit makes the write itself fail half-way, whoever the user is.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int err = WriteWholeFile(p, std::string(100000, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(err, EFBIG);
    EXPECT_EQ(FileErrorText(err), "Disk full");
    EXPECT_EQ(Read(p), "the old report");
    EXPECT_EQ(Entries(), 1u) << "the unfinished file is removed";
}

TEST_F(WholeFile, FailuresGiveTheSystemsErrorAndItsText) {
    Put(dir / "plain", "x");
    fs::create_directory(dir / "folder");
    struct Case {
        fs::path path;
        int err;
        const char* text;
    };
    const Case cases[] = {
        {dir / "plain" / "report.txt", ENOTDIR, "Invalid filename"},
        {dir / "missing" / "report.txt", ENOENT, "File not found"},
        {dir / "folder", EISDIR, "File access denied"},
        {dir / std::string(300, 'n'), ENAMETOOLONG, "Invalid filename"},
    };
    for (const Case& c : cases) {
        const int err = WriteWholeFile(c.path, "report");
        EXPECT_EQ(err, c.err) << c.path;
        EXPECT_EQ(FileErrorText(err), c.text) << c.path;
    }
    EXPECT_EQ(FileErrorText(EACCES), "File access denied");
    EXPECT_EQ(FileErrorText(EMFILE), "Too many open files");
    EXPECT_EQ(FileErrorText(ENOSPC), "Disk full");
    EXPECT_EQ(FileErrorText(EIO), "I/O error 5");
    EXPECT_EQ(Entries(), 2u);
}

}  // namespace
}  // namespace orv
