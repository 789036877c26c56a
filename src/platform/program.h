// Where the program lives, and where it keeps its settings.
#pragma once

#include <functional>
#include <string>

namespace orv {

// The folder of the running executable, ending in "/". "./" when it cannot be found.
std::string ExecutableFolder();
// The running executable's file name without folder and extension ("orvelan").
std::string ExecutableBaseName();

// The user's folder for the program's settings, ending in "/": $XDG_CONFIG_HOME/orvelan/, or
// ~/.config/orvelan/ when XDG_CONFIG_HOME is unset or empty.
std::string UserConfigFolder();

// What choosing a settings file asks of the file system; tests give their own answers.
struct FileChecks {
    std::function<bool(const std::string&)> fileExists;    // a file (not a folder) is there
    std::function<bool(const std::string&)> canWriteFile;  // that existing file may be written
    std::function<bool(const std::string&)> canCreateIn;   // a new file may be made in the folder
};
// The answers of the running system.
FileChecks SystemFileChecks();

// Where a settings file is read from and where it is written.
struct SettingsFile {
    std::string path;      // written here
    std::string readFrom;  // read from here: `path`, or a file left in the program folder

    friend bool operator==(const SettingsFile&, const SettingsFile&) = default;
};

// Where the settings file `name` is kept. Both folders end in "/".
// - `configFolder` + name when that file exists;
// - else `programFolder` + name when it can be written there (the folder takes a new file, or
//   the file is there and may be written);
// - else `configFolder` + name (an installed program), the folder made at the first write. A
//   file already in the program folder is read until the configuration folder holds one.
SettingsFile ChooseSettingsFile(const std::string& name, const std::string& programFolder,
                                const std::string& configFolder,
                                const FileChecks& checks = SystemFileChecks());

// Makes `folder` and the folders above it as needed; true when it is there afterwards.
bool MakeFolders(const std::string& folder);

}  // namespace orv
