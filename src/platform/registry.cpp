#include "platform/registry.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "platform/inifile.h"

namespace orv {
namespace {

// Process-wide and never destroyed: web client threads may still read it while the
// program exits.
struct Store {
    std::mutex mutex;
    std::string folder;  // empty: the default
    std::string loadedFrom;
    struct timespec loadedMtime {};
    bool loaded = false;
    IniFile ini;
};

Store& TheStore() {
    static Store* s = new Store;
    return *s;
}

std::string DefaultFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && *xdg) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.config";
    }
    return base + "/orvelan";
}

std::string FileLocked(const Store& s) {
    return (s.folder.empty() ? DefaultFolder() : s.folder) + "/registry.ini";
}

std::string Section(const std::string& key) {
    return (!key.empty() && key[0] == '\\') ? key.substr(1) : key;
}

// Reloads the file when another writer (or another process) changed it since it was read.
void Refresh(Store& s) {
    std::string file = FileLocked(s);
    struct stat st {};
    bool exists = ::stat(file.c_str(), &st) == 0;
    if (s.loaded && s.loadedFrom == file &&
        (!exists || (st.st_mtim.tv_sec == s.loadedMtime.tv_sec &&
                     st.st_mtim.tv_nsec == s.loadedMtime.tv_nsec)))
        return;
    s.ini = IniFile(file);
    s.loadedFrom = file;
    s.loadedMtime = exists ? st.st_mtim : timespec{};
    s.loaded = true;
}

bool Flush(Store& s) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(s.loadedFrom).parent_path(), ec);
    bool ok = s.ini.UpdateFile();
    struct stat st {};
    if (::stat(s.loadedFrom.c_str(), &st) == 0)
        s.loadedMtime = st.st_mtim;
    return ok;
}

}  // namespace

void Registry::SetFolder(const std::string& folder) {
    Store& s = TheStore();
    std::lock_guard lock(s.mutex);
    s.folder = folder;
    s.loaded = false;
}

std::string Registry::FileName() {
    Store& s = TheStore();
    std::lock_guard lock(s.mutex);
    return FileLocked(s);
}

bool Registry::WriteInteger(const std::string& key, const std::string& name, int value) {
    return WriteString(key, name, std::to_string(value));
}

bool Registry::WriteString(const std::string& key, const std::string& name,
                           const std::string& value) {
    Store& s = TheStore();
    std::lock_guard lock(s.mutex);
    Refresh(s);
    s.ini.WriteString(Section(key), name, value);
    return Flush(s);
}

int Registry::ReadInteger(const std::string& key, const std::string& name, int def) {
    Store& s = TheStore();
    std::lock_guard lock(s.mutex);
    Refresh(s);
    return s.ini.ReadInteger(Section(key), name, def);
}

std::string Registry::ReadString(const std::string& key, const std::string& name,
                                 const std::string& def) {
    Store& s = TheStore();
    std::lock_guard lock(s.mutex);
    Refresh(s);
    return s.ini.ReadString(Section(key), name, def);
}

bool Registry::ValueExists(const std::string& key, const std::string& name) {
    Store& s = TheStore();
    std::lock_guard lock(s.mutex);
    Refresh(s);
    return s.ini.ValueExists(Section(key), name);
}

}  // namespace orv
