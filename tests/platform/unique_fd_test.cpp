// The descriptor owner: exactly one close per descriptor, whichever way ownership moves.
#include "platform/unique_fd.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>

namespace orv {
namespace {

bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

int OpenNull() {
    int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    return fd;
}

TEST(UniqueFd, ClosesWhenDropped) {
    int fd = OpenNull();
    { UniqueFd owner(fd); }
    EXPECT_FALSE(IsOpen(fd));
}

TEST(UniqueFd, MovingHandsOwnershipOver) {
    int fd = OpenNull();
    UniqueFd a(fd);
    UniqueFd b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), fd);
    UniqueFd c;
    c = std::move(b);
    EXPECT_EQ(b.get(), -1);
    EXPECT_TRUE(IsOpen(fd));
    c = UniqueFd();
    EXPECT_FALSE(IsOpen(fd));
}

TEST(UniqueFd, ReleaseKeepsTheDescriptorOpen) {
    int fd = OpenNull();
    {
        UniqueFd owner(fd);
        EXPECT_EQ(owner.release(), fd);
        EXPECT_FALSE(owner);
    }
    EXPECT_TRUE(IsOpen(fd));
    ::close(fd);
}

TEST(UniqueFd, ResetClosesTheOldOneAndKeepsErrno) {
    int first = OpenNull();
    int second = OpenNull();
    UniqueFd owner(first);
    errno = ENOENT;
    owner.reset(second);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(IsOpen(first));
    EXPECT_EQ(owner.get(), second);
    owner.reset(second);  // the same descriptor again: not closed
    EXPECT_TRUE(IsOpen(second));
    owner.reset();
    EXPECT_FALSE(IsOpen(second));
    EXPECT_FALSE(owner);
}

}  // namespace
}  // namespace orv
