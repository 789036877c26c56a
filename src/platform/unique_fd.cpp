#include "platform/unique_fd.h"

#include <unistd.h>

#include <cerrno>

namespace orv {

void UniqueFd::reset(int fd) {
    if (fd_ >= 0 && fd_ != fd) {
        const int err = errno;
        ::close(fd_);
        errno = err;
    }
    fd_ = fd;
}

}  // namespace orv
