#include "platform/program.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace orv {

namespace {
std::string ExecutablePath() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    return std::string(buf, static_cast<size_t>(n));
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    std::vector<char> buf(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return ".";
}

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
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

std::string UserConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base = xdg && *xdg ? std::string(xdg) : WithSlash(HomeFolder()) + ".config";
    return WithSlash(base) + "orvelan/";
}

FileChecks SystemFileChecks() {
    FileChecks c;
    c.fileExists = [](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
    };
    c.canWriteFile = [](const std::string& path) { return ::access(path.c_str(), W_OK) == 0; };
    // Making a file needs write and search permission on the folder; a read-only file system
    // or a path that is no folder fails here too, also for root.
    c.canCreateIn = [](const std::string& folder) {
        struct stat st {};
        return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
               ::access(folder.c_str(), W_OK | X_OK) == 0;
    };
    return c;
}

SettingsFile ChooseSettingsFile(const std::string& name, const std::string& programFolder,
                                const std::string& configFolder, const FileChecks& checks) {
    const std::string inConfig = configFolder + name;
    if (checks.fileExists(inConfig))
        return {inConfig, inConfig};
    const std::string inProgram = programFolder + name;
    const bool inProgramExists = checks.fileExists(inProgram);
    if (checks.canCreateIn(programFolder) || (inProgramExists && checks.canWriteFile(inProgram)))
        return {inProgram, inProgram};
    return {inConfig, inProgramExists ? inProgram : inConfig};
}

bool MakeFolders(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

}  // namespace orv
