// Owns one file descriptor and closes it when dropped. No system header here, so the headers
// of the platform layer can hold one.
#pragma once

#include <utility>

namespace orv {

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Gives the descriptor up without closing it.
    int release() { return std::exchange(fd_, -1); }
    // Closes the descriptor held and holds `fd` instead. errno stays as it was: callers often
    // report the failure that made them drop the descriptor.
    void reset(int fd = -1);

  private:
    int fd_ = -1;
};

}  // namespace orv
