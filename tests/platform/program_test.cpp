#include "platform/program.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <string>

#include "platform/inifile.h"

namespace orv {
namespace {

// Sets or unsets an environment variable for one scope.
class EnvVar {
  public:
    EnvVar(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~EnvVar() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(Program, UserConfigFolder) {
    EnvVar home("HOME", "/home/someone");
    {
        EnvVar xdg("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(UserConfigFolder(), "/cfg/orvelan/");
    }
    {
        EnvVar xdg("XDG_CONFIG_HOME", "/cfg/");
        EXPECT_EQ(UserConfigFolder(), "/cfg/orvelan/");
    }
    {
        EnvVar xdg("XDG_CONFIG_HOME", "");
        EXPECT_EQ(UserConfigFolder(), "/home/someone/.config/orvelan/");
    }
    {
        EnvVar xdg("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(UserConfigFolder(), "/home/someone/.config/orvelan/");
    }
}

TEST(Program, WhereTheSettingsFileIsKept) {
    const std::string prog = "/opt/orvelan/";
    const std::string conf = "/home/u/.config/orvelan/";
    struct Case {
        const char* name;
        bool inConfig;         // conf + settings.ini exists
        bool folderWritable;   // prog takes a new file
        bool inProgram;        // prog + settings.ini exists
        bool programWritable;  // ... and may be written
        const std::string& expected;
        const std::string& readFrom;  // where the file is read until one is written
    } cases[] = {
        {"first start, writable program folder", false, true, false, false, prog, prog},
        {"file in a writable program folder", false, true, true, true, prog, prog},
        {"installed program, first start", false, false, false, false, conf, conf},
        {"installed program, read-only file", false, false, true, false, conf, prog},
        {"writable file in a read-only folder", false, false, true, true, prog, prog},
        {"config file wins over the program folder", true, true, true, true, conf, conf},
        {"config file wins over a read-only one", true, false, true, false, conf, conf},
        {"config file of an installed program", true, false, false, false, conf, conf},
    };
    for (const Case& c : cases) {
        std::set<std::string> exists, writable;
        if (c.inConfig)
            exists.insert(conf + "settings.ini");
        if (c.inProgram)
            exists.insert(prog + "settings.ini");
        if (c.programWritable)
            writable.insert(prog + "settings.ini");
        if (c.folderWritable)
            writable.insert(prog);
        FileChecks checks;
        checks.fileExists = [&](const std::string& p) { return exists.count(p) > 0; };
        checks.canWriteFile = [&](const std::string& p) {
            return exists.count(p) > 0 && writable.count(p) > 0;
        };
        checks.canCreateIn = [&](const std::string& p) { return writable.count(p) > 0; };
        EXPECT_EQ(ChooseSettingsFile("settings.ini", prog, conf, checks),
                  (SettingsFile{c.expected + "settings.ini", c.readFrom + "settings.ini"}))
            << c.name;
    }
}

// The same choices on the real file system. A program "folder" that is a file takes no file
// even for root, who may write anywhere else.
TEST(Program, SystemChecksOnRealFolders) {
    QTemporaryDir dir;
    const std::string root = QDir(dir.path()).absolutePath().toStdString() + "/";
    const std::string prog = root + "prog/";
    const std::string conf = root + "conf/orvelan/";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(prog)));
    std::ofstream(root + "binary") << "x";
    const std::string noFolder = root + "binary/";

    EXPECT_EQ(ChooseSettingsFile("settings.ini", prog, conf).path, prog + "settings.ini");
    EXPECT_EQ(ChooseSettingsFile("settings.ini", noFolder, conf).path, conf + "settings.ini");
    EXPECT_EQ(ChooseSettingsFile("settings.ini", root + "missing/", conf).path,
              conf + "settings.ini");

    EXPECT_FALSE(MakeFolders(noFolder + "sub/"));
    ASSERT_TRUE(MakeFolders(conf));
    EXPECT_TRUE(MakeFolders(conf)) << "already there";
    std::ofstream(conf + "settings.ini") << "[tab]\n";
    EXPECT_EQ(ChooseSettingsFile("settings.ini", prog, conf).path, conf + "settings.ini");
    // A folder of that name is no settings file.
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(conf + "other.ini")));
    EXPECT_EQ(ChooseSettingsFile("other.ini", prog, conf).path, prog + "other.ini");
}

// An installed program whose folder still holds the settings of a copy that ran there: they are
// read from there, the first write goes to the configuration folder, and from then on that file
// is the one read. The folder's "cannot be written" is the checks' answer (root writes anywhere).
TEST(Program, SettingsLeftInAReadOnlyProgramFolderAreTakenOver) {
    QTemporaryDir dir;
    const std::string root = QDir(dir.path()).absolutePath().toStdString() + "/";
    const std::string prog = root + "prog/";
    const std::string conf = root + "conf/orvelan/";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(prog)));
    std::ofstream(prog + "settings.ini", std::ios::binary)
        << "; mine\n[whois]\ncustomized=true\n[tab]\ntab=4\n";
    FileChecks checks = SystemFileChecks();
    checks.canCreateIn = [&](const std::string& f) { return f != prog; };
    checks.canWriteFile = [&](const std::string& p) { return p.rfind(prog, 0) != 0; };

    SettingsFile file = ChooseSettingsFile("settings.ini", prog, conf, checks);
    EXPECT_EQ(file, (SettingsFile{conf + "settings.ini", prog + "settings.ini"}));
    IniFile ini(file.path, file.readFrom);
    EXPECT_EQ(ini.ReadString("whois", "customized", ""), "true");
    EXPECT_EQ(ini.ReadInteger("tab", "tab", 0), 4);
    ini.WriteInteger("tab", "tab", 6);
    ASSERT_TRUE(MakeFolders(conf));
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(IniFile(conf + "settings.ini").Text(),
              "; mine\n[whois]\ncustomized=true\n[tab]\ntab=6\n");
    EXPECT_EQ(IniFile(prog + "settings.ini").ReadInteger("tab", "tab", 0), 4) << "left as it was";

    // Now the configuration folder's file wins.
    EXPECT_EQ(ChooseSettingsFile("settings.ini", prog, conf, checks),
              (SettingsFile{conf + "settings.ini", conf + "settings.ini"}));
}

}  // namespace
}  // namespace orv
