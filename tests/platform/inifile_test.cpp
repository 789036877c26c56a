#include "platform/inifile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>
#include <sstream>

namespace orv {
namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(IniFile, ReadsSectionsAndKeysWithoutRegardToCase) {
    IniFile ini;
    ini.Parse("[Whois]\r\nCustomized=true\r\nserver= whois.example \r\n[tab]\ntab=3\n");
    EXPECT_EQ(ini.ReadString("whois", "customized", "false"), "true");
    EXPECT_EQ(ini.ReadString("WHOIS", "SERVER", ""), " whois.example ");  // value verbatim
    EXPECT_EQ(ini.ReadInteger("tab", "tab", 0), 3);
    EXPECT_EQ(ini.ReadString("whois", "missing", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("nosection", "tab", "dflt"), "dflt");
}

TEST(IniFile, IntegerFallsBackOnText) {
    struct Case {
        const char* value;
        int expected;
    } cases[] = {{"7", 7}, {"-1", -1},    {"0x10", 16}, {" 5 ", 5},
                 {"", 42}, {"seven", 42}, {"3x", 42},   {"99999999999", 42}};
    for (const auto& c : cases) {
        IniFile ini;
        ini.Parse(std::string("[s]\nk=") + c.value + "\n");
        EXPECT_EQ(ini.ReadInteger("s", "k", 42), c.expected) << c.value;
    }
}

TEST(IniFile, WriteKeepsWhatItDoesNotKnow) {
    QTemporaryDir dir;
    std::string path = dir.filePath("settings.ini").toStdString();
    {
        std::ofstream out(path);
        out << "; a comment\n[other]\nkeep=me\n\n[whois]\nserver=a\nextra=1\n";
    }
    IniFile ini(path);
    ini.WriteString("Whois", "SERVER", "b");
    ini.WriteString("whois", "customized", "true");
    ini.WriteInteger("tab", "tab", 4);
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(Slurp(path),
              "; a comment\n[other]\nkeep=me\n\n[whois]\nserver=b\nextra=1\ncustomized=true\n"
              "[tab]\ntab=4\n");
    // A key already in the file keeps its spelling; a reread sees the new values.
    IniFile again(path);
    EXPECT_EQ(again.ReadString("whois", "server", ""), "b");
    EXPECT_EQ(again.ReadInteger("tab", "tab", 0), 4);
}

TEST(IniFile, ValueWithLineBreakCannotForgeAKey) {
    IniFile ini;
    ini.WriteString("whois", "server", "a\n[tab]\ntab=9");
    IniFile again;
    again.Parse(ini.Text());
    EXPECT_EQ(again.ReadString("whois", "server", ""), "a");
    EXPECT_FALSE(again.SectionExists("tab"));
}

TEST(IniFile, MissingFileIsEmptyAndUnwritableFolderFails) {
    IniFile missing("/nonexistent-folder/settings.ini");
    EXPECT_EQ(missing.ReadString("a", "b", "d"), "d");
    missing.WriteString("a", "b", "c");
    EXPECT_FALSE(missing.UpdateFile());
}

}  // namespace
}  // namespace orv
