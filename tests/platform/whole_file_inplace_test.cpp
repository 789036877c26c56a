// Where a report cannot be replaced by a second file, it is rewritten in place: a folder the
// writer may not write, a file whose owner the writer cannot keep, a disk without room for a
// second copy. These need other users and a small file system of their own, so root.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <grp.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "netns.h"
#include "platform/whole_file.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
void Put(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}
struct stat Stat(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
    return st;
}

// Runs `fn` in a child process and returns its exit status (what `fn` returned), -1 when the
// child did not end by itself.
int InChild(const std::function<int()>& fn) {
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(fn());
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
// The write as user and group nobody.
int WriteAsNobody(const fs::path& p, const std::string& bytes) {
    return InChild([&] {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
            ::setresuid(kNobody, kNobody, kNobody) != 0)
            return 200;
        return WriteWholeFile(p, bytes);
    });
}

class WholeFileInPlace : public ::testing::Test {
  protected:
    void SetUp() override {
        ORV_REQUIRE_ROOT();
        char tmpl[] = "/tmp/whole_file_inplace.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    }
    void TearDown() override {
        if (!dir.empty())
            fs::remove_all(dir);
    }
    fs::path dir;
};

// The user may write the file but not its folder: the file is rewritten, under its inode.
TEST_F(WholeFileInPlace, AFileTheUserMayWriteInAFolderTheyMayNot) {
    const fs::path p = dir / "report.txt";
    Put(p, "the old report, longer than the new one");
    ASSERT_EQ(::chown(p.c_str(), kNobody, kNobody), 0);
    const ino_t inode = Stat(p).st_ino;
    EXPECT_EQ(WriteAsNobody(p, "new"), 0);
    EXPECT_EQ(Read(p), "new");
    EXPECT_EQ(Stat(p).st_ino, inode);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    // One they may not write at all is refused, and stays as it was.
    ASSERT_EQ(::chmod(p.c_str(), 0444), 0);
    const int err = WriteAsNobody(p, "other");
    EXPECT_EQ(err, EACCES);
    EXPECT_EQ(FileErrorText(err), "File access denied");
    EXPECT_EQ(Read(p), "new");
}

// Owner and group stay: replaced whole by a writer that may set them, in place by one that
// may not.
TEST_F(WholeFileInPlace, OwnerAndGroupAreKept) {
    const fs::path p = dir / "report.txt";
    Put(p, "old");
    ASSERT_EQ(::chown(p.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(p.c_str(), 0640), 0);
    const ino_t inode = Stat(p).st_ino;
    EXPECT_EQ(WriteWholeFile(p, "by root"), 0);
    EXPECT_EQ(Read(p), "by root");
    EXPECT_NE(Stat(p).st_ino, inode) << "written whole, beside it";
    EXPECT_EQ(Stat(p).st_uid, kNobody);
    EXPECT_EQ(Stat(p).st_gid, kNobody);
    EXPECT_EQ(Stat(p).st_mode & 07777, 0640u);

    // nobody may write root's file and the folder, but may not give a new file root's owner.
    ASSERT_EQ(::chmod(dir.c_str(), 0777), 0);
    const fs::path q = dir / "shared.txt";
    Put(q, "old shared");
    ASSERT_EQ(::chmod(q.c_str(), 0666), 0);
    EXPECT_EQ(WriteAsNobody(q, "by nobody"), 0);
    EXPECT_EQ(Read(q), "by nobody");
    EXPECT_EQ(Stat(q).st_uid, 0u);
    EXPECT_EQ(Stat(q).st_gid, 0u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
}

// A disk with room for the report in place but not for a second copy: rewritten in place.
// Without room even for that, it says "Disk full" and the old report stays.
TEST_F(WholeFileInPlace, NoRoomForASecondCopy) {
    const fs::path p = dir / "report.txt";
    const int status = InChild([&] {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("none", dir.c_str(), "tmpfs", 0, "size=64k") != 0)
            return 200;
        Put(p, std::string(40 * 1024, 'o'));
        if (WriteWholeFile(p, std::string(40 * 1024, 'n')) != 0)
            return 1;
        if (Read(p) != std::string(40 * 1024, 'n'))
            return 2;
        const int err = WriteWholeFile(p, std::string(200 * 1024, 'b'));
        if (err != ENOSPC || FileErrorText(err) != "Disk full")
            return 3;
        if (Read(p) != std::string(40 * 1024, 'n'))
            return 4;
        return 0;
    });
    EXPECT_EQ(status, 0) << "200: no tmpfs; 1, 2: not rewritten in place; 3, 4: the full disk";
}

}  // namespace
}  // namespace orv
