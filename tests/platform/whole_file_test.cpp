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

// A link is followed: its target gets the new bytes and the link stays a link; every name of
// a file with several sees them.
TEST_F(WholeFile, ALinkedReportIsReplacedWhereItLives) {
    fs::create_directory(dir / "real");
    const fs::path target = dir / "real" / "report.txt";
    Put(target, "old");
    fs::create_symlink("real/report.txt", dir / "link.txt");
    EXPECT_EQ(WriteWholeFile(dir / "link.txt", "new by the link"), 0);
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
    EXPECT_EQ(Read(target), "new by the link");

    // A dangling link names the file to create.
    fs::create_symlink("real/later.txt", dir / "later.txt");
    EXPECT_EQ(WriteWholeFile(dir / "later.txt", "made"), 0);
    EXPECT_TRUE(fs::is_symlink(dir / "later.txt"));
    EXPECT_EQ(Read(dir / "real" / "later.txt"), "made");

    fs::create_hard_link(target, dir / "second.txt");
    EXPECT_EQ(WriteWholeFile(target, "seen by both, shorter"), 0);
    EXPECT_EQ(Read(dir / "second.txt"), "seen by both, shorter");
    EXPECT_EQ(fs::hard_link_count(target), 2u);
    EXPECT_EQ(WriteWholeFile(dir / "second.txt", "x"), 0);
    EXPECT_EQ(Read(target), "x") << "cut to the new length";
}

// Every name the file system takes is written, up to its 255 bytes.
TEST_F(WholeFile, NamesUpToTheFileSystemsLimit) {
    for (std::size_t length : {247u, 248u, 250u, 255u}) {
        const fs::path p = dir / std::string(length, 'n');
        EXPECT_EQ(WriteWholeFile(p, "first"), 0) << length;
        EXPECT_EQ(WriteWholeFile(p, "second"), 0) << length;
        EXPECT_EQ(Read(p), "second") << length;
    }
    EXPECT_EQ(Entries(), 4u);
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
