#include "platform/program.h"

#include <unistd.h>

#include <climits>

namespace orv {

namespace {
std::string ExecutablePath() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    return std::string(buf, static_cast<size_t>(n));
}
}  // namespace

std::string ExecutableFolder() {
    std::string p = ExecutablePath();
    auto slash = p.rfind('/');
    if (slash == std::string::npos)
        return "./";
    return p.substr(0, slash + 1);
}

std::string ExecutableBaseName() {
    std::string p = ExecutablePath();
    std::string base = p.substr(p.rfind('/') + 1);
    auto dot = base.rfind('.');
    return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

}  // namespace orv
