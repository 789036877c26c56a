#include "platform/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/unique_fd.h"

namespace orv {

namespace {
std::atomic<unsigned> g_serial{0};

// Opens a file of a fresh name beside `path`; the name is returned in `temp`.
int OpenBeside(const std::string& path, std::string& temp, mode_t mode) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%ld.%u.tmp", static_cast<long>(getpid()),
                      g_serial.fetch_add(1));
        temp = path + suffix;
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}
}  // namespace

int WriteWholeFile(const std::string& path, std::string_view bytes) {
    // A replaced file keeps its permission bits; a new one gets the usual 0666 less the umask.
    mode_t mode = 0666;
    struct stat st {};
    const bool replacing = ::stat(path.c_str(), &st) == 0;
    if (replacing) {
        if (S_ISDIR(st.st_mode))
            return EISDIR;
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return errno;
    }
    std::string temp;
    UniqueFd fd(OpenBeside(path, temp, mode));
    if (!fd)
        return errno;
    auto fail = [&](int err) {
        fd.reset();
        ::unlink(temp.c_str());
        return err;
    };
    if (replacing && ::fchmod(fd.get(), mode) != 0)
        return fail(errno);
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0)
        return fail(errno);
    if (::close(fd.release()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return err;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return err;
    }
    return 0;
}

std::string FileErrorText(int err) {
    switch (err) {
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
            return "File access denied";
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return "Disk full";
        case ENOTDIR:
        case ENAMETOOLONG:
        case EINVAL:
        case ELOOP:
            return "Invalid filename";
        case EMFILE:
        case ENFILE:
            return "Too many open files";
        case ENOENT:
            return "File not found";
        default:
            return "I/O error " + std::to_string(err);
    }
}

}  // namespace orv
