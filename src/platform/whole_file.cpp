#include "platform/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/unique_fd.h"

namespace orv {

namespace {

std::atomic<unsigned> g_serial{0};

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Replaces `path` by the file it finally names when it is a symbolic link (a dangling link
// names the file to create). 0, or the error.
int FollowLinks(std::string& path) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0)
            return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(st.st_mode))
            return 0;
        std::vector<char> buf(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        for (;;) {
            const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
            if (n < 0)
                return errno;
            if (static_cast<std::size_t>(n) < buf.size()) {
                std::string target(buf.data(), static_cast<std::size_t>(n));
                path = target.starts_with('/') ? target : FolderOf(path) + "/" + target;
                break;
            }
            buf.resize(buf.size() * 2);  // the link changed since it was looked at
        }
    }
    return ELOOP;
}

int WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// Opens a file of a fresh, short name in `folder` (a name beside a long one could pass the
// file system's limit); the name is returned in `temp`.
int OpenBeside(const std::string& folder, std::string& temp, mode_t mode) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, "/.orvelan-%ld-%u.tmp", static_cast<long>(getpid()),
                      g_serial.fetch_add(1));
        temp = folder + name;
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// The whole write: a new file beside `path`, with the old file's owner, group and permission
// bits when there is one, renamed over it once it is on disk. 0, or the error of the step
// that failed, the old file untouched.
int WriteBeside(const std::string& path, std::string_view bytes, const struct stat* old) {
    const mode_t mode = old ? old->st_mode & 07777 : 0666;
    const std::string folder = FolderOf(path);
    std::string temp;
    // Nobody else may read the new file before it has the old one's owner and bits.
    UniqueFd fd(OpenBeside(folder, temp, old ? 0600 : mode));
    if (!fd)
        return errno;
    auto fail = [&](int err) {
        fd.reset();
        ::unlink(temp.c_str());
        return err;
    };
    if (old) {
        if ((old->st_uid != ::geteuid() || old->st_gid != ::getegid()) &&
            ::fchown(fd.get(), old->st_uid, old->st_gid) != 0)
            return fail(errno);
        if (::fchmod(fd.get(), mode) != 0)
            return fail(errno);
    }
    if (const int err = WriteAll(fd.get(), bytes))
        return fail(err);
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
    // The new name on disk too; a folder that cannot be synced loses nothing written.
    if (UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); dir)
        ::fsync(dir.get());
    return 0;
}

// Rewrites the existing file `path` from its start and cuts it to the new length. After a disk
// that had no room for a second copy (`checkRoom`), one without room for the new bytes in place
// of the old ones is found before anything is written.
int WriteInPlace(const std::string& path, std::string_view bytes, const struct stat& old,
                 bool checkRoom = false) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    if (!fd)
        return errno;
    const bool regular = S_ISREG(old.st_mode);
    if (regular && checkRoom) {
        struct statvfs vfs {};
        if (::fstatvfs(fd.get(), &vfs) == 0) {
            const unsigned long long room =
                static_cast<unsigned long long>(vfs.f_bavail) * vfs.f_frsize +
                static_cast<unsigned long long>(old.st_blocks) * 512ULL;
            if (bytes.size() > room)
                return ENOSPC;
        }
    }
    if (const int err = WriteAll(fd.get(), bytes))
        return err;
    if (!regular)
        return 0;  // a device or pipe has no length to cut
    if (::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0)
        return errno;
    if (::fsync(fd.get()) != 0)
        return errno;
    return ::close(fd.release()) != 0 ? errno : 0;
}

// Whether a whole write that failed with `err` leaves an in-place write worth trying: the
// folder may not be written, the owner could not be kept, no room for a second copy, a name
// the folder cannot take beside it, a file the rename cannot replace.
bool InPlaceMayDo(int err) {
    switch (err) {
        case EACCES:
        case EPERM:
        case ENOSPC:
        case EDQUOT:
        case ENAMETOOLONG:
        case EXDEV:
        case EBUSY:
        case EMLINK:
            return true;
        default:
            return false;
    }
}

}  // namespace

int WriteWholeFile(const std::string& given, std::string_view bytes) {
    std::string path = given;
    if (const int err = FollowLinks(path))
        return err;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return errno;
        return WriteBeside(path, bytes, nullptr);
    }
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    // A file the user may not write is not replaced behind its back.
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        return errno;
    // Other names of the file, or a device or pipe, must go on seeing the new bytes.
    if (!S_ISREG(st.st_mode) || st.st_nlink > 1)
        return WriteInPlace(path, bytes, st);
    const int err = WriteBeside(path, bytes, &st);
    if (err == 0 || !InPlaceMayDo(err))
        return err;
    return WriteInPlace(path, bytes, st, err == ENOSPC || err == EDQUOT);
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
