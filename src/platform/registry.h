// The current user's registry: integer and text values under slash-free key paths, kept in
// one small ini file in the user's configuration folder ($XDG_CONFIG_HOME, else ~/.config,
// then "orvelan/registry.ini"); each key path is a section. Safe to use from any thread.
#pragma once

#include <string>

namespace orv {

// The key whose per-server connection limits the web client honours.
inline constexpr const char* kInternetSettingsKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

class Registry {
  public:
    // Moves the store to `folder` + "/registry.ini" (tests); empty goes back to the default.
    static void SetFolder(const std::string& folder);
    // The file in force.
    static std::string FileName();

    // A leading "\" of `key` is ignored. Writes create the key (and the folders) when absent
    // and return false when the file cannot be written.
    static bool WriteInteger(const std::string& key, const std::string& name, int value);
    static bool WriteString(const std::string& key, const std::string& name,
                            const std::string& value);
    static int ReadInteger(const std::string& key, const std::string& name, int def);
    static std::string ReadString(const std::string& key, const std::string& name,
                                  const std::string& def);
    static bool ValueExists(const std::string& key, const std::string& name);
};

}  // namespace orv
