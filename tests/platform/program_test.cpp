#include "platform/program.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <string>

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
    } cases[] = {
        {"first start, writable program folder", false, true, false, false, prog},
        {"file in a writable program folder", false, true, true, true, prog},
        {"installed program, first start", false, false, false, false, conf},
        {"installed program, read-only file", false, false, true, false, conf},
        {"writable file in a read-only folder", false, false, true, true, prog},
        {"config file wins over the program folder", true, true, true, true, conf},
        {"config file of an installed program", true, false, false, false, conf},
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
                  c.expected + "settings.ini")
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

    EXPECT_EQ(ChooseSettingsFile("settings.ini", prog, conf), prog + "settings.ini");
    EXPECT_EQ(ChooseSettingsFile("settings.ini", noFolder, conf), conf + "settings.ini");
    EXPECT_EQ(ChooseSettingsFile("settings.ini", root + "missing/", conf), conf + "settings.ini");

    EXPECT_FALSE(MakeFolders(noFolder + "sub/"));
    ASSERT_TRUE(MakeFolders(conf));
    EXPECT_TRUE(MakeFolders(conf)) << "already there";
    std::ofstream(conf + "settings.ini") << "[tab]\n";
    EXPECT_EQ(ChooseSettingsFile("settings.ini", prog, conf), conf + "settings.ini");
    // A folder of that name is no settings file.
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(conf + "other.ini")));
    EXPECT_EQ(ChooseSettingsFile("other.ini", prog, conf), prog + "other.ini");
}

}  // namespace
}  // namespace orv
