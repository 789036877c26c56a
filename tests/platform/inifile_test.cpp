#include "platform/inifile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
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
    EXPECT_EQ(ini.ReadString("WHOIS", "SERVER", ""), "whois.example");
    EXPECT_EQ(ini.ReadInteger("tab", "tab", 0), 3);
    EXPECT_EQ(ini.ReadString("whois", "missing", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("nosection", "tab", "dflt"), "dflt");
}

TEST(IniFile, ListsSectionsInFileOrder) {
    IniFile ini;
    ini.Parse("top=1\n[Install4F96]\nDefault=a\n[ Profile0 ]\nPath=b\n[General]\n");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Install4F96", "Profile0", "General"}));
    EXPECT_TRUE(IniFile().ReadSections().empty());
}

TEST(IniFile, ReadsAsAStandardIniReaderDoes) {
    struct Case {
        const char* name;
        std::string text;
        const char* section;
        const char* key;
        const char* expected;  // nullptr: the default
    } cases[] = {
        {"plain", "[whois]\ncustomized=true\n", "whois", "customized", "true"},
        {"blanks around =", "[whois]\ncustomized = true\n", "whois", "customized", "true"},
        {"tabs and blanks", "[whois]\n\t customized\t=\t true \t\n", "whois", "customized", "true"},
        {"blanks in the heading", "[ whois ]\ncustomized=true\n", "whois", "customized", "true"},
        {"indented heading", "  [whois]  \ncustomized=true\n", "whois", "customized", "true"},
        {"crlf", "[whois]\r\ncustomized=true\r\n", "whois", "customized", "true"},
        {"stray cr before crlf", "[whois]\r\ncustomized=true\r\r\n", "whois", "customized", "true"},
        {"cr only", "[whois]\rcustomized=true\rserver=a\r", "whois", "server", "a"},
        {"cr only, no end", "[tab]\rtab=3", "tab", "tab", "3"},
        {"mixed ends", "[a]\rk=1\n[whois]\r\nx=0\rcustomized=true\n", "whois", "customized",
         "true"},
        {"cr ends a value", "[s]\rk=a\rb=2\r", "s", "k", "a"},
        {"no end on the last line", "[whois]\ncustomized=true", "whois", "customized", "true"},
        {"byte-order mark", "\xEF\xBB\xBF[whois]\ncustomized=true\n", "whois", "customized",
         "true"},
        {"byte-order mark and crlf", "\xEF\xBB\xBF[whois]\r\ncustomized = true\r\n", "whois",
         "customized", "true"},
        {"inner blanks kept", "[whois]\nserver =  a  b  \n", "whois", "server", "a  b"},
        {"= in the value", "[s]\nk = a=b\n", "s", "k", "a=b"},
        {"empty value", "[s]\nk =  \n", "s", "k", ""},
        {"first of two keys", "[s]\nk=1\nk=2\n", "s", "k", "1"},
        {"comment", "[s]\n; k=1\n# k=2\n", "s", "k", nullptr},
        {"no =", "[s]\nk\n", "s", "k", nullptr},
        {"no key", "[s]\n = 1\n", "s", "", nullptr},
        {"before any section", "k=1\n[s]\n", "s", "k", nullptr},
        {"other section", "[a]\nk=1\n[s]\n", "s", "k", nullptr},
    };
    for (const auto& c : cases) {
        IniFile ini;
        ini.Parse(c.text);
        EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"),
                  c.expected ? c.expected : "<default>")
            << c.name;
        // Nothing is read or written differently by accident: the text comes back whole.
        EXPECT_EQ(ini.Text(), c.text) << c.name;
    }
}

// What the close does: the same values written over a file that already holds them.
TEST(IniFile, UnchangedValuesLeaveTheFileByteForByte) {
    const std::string files[] = {
        "[whois]\ncustomized=true\nserver=whois.example\n[tab]\ntab=3\n",
        "\xEF\xBB\xBF; settings\r\n[whois]\r\ncustomized = true\r\nserver =\twhois.example  "
        "\r\n\r\n[tab]\r\ntab = 3\r\n",
        "[Whois]\nCustomized=true\r\r\nSERVER=whois.example\nodd line\r\n[tab]\ntab=3",
        "[whois]\ncustomized=true\nserver=whois.example\n[mine]\n x = y \n\n[tab]\ntab=3\n\n",
        "[whois]\rcustomized=true\rserver=whois.example\r[mine]\r\x01odd\xff\r\r[tab]\rtab=3\r",
    };
    QTemporaryDir dir;
    int n = 0;
    for (const std::string& text : files) {
        std::string path = dir.filePath(QString("s%1.ini").arg(n++)).toStdString();
        std::ofstream(path, std::ios::binary) << text;
        for (int round = 0; round < 3; ++round) {
            IniFile ini(path);
            ini.WriteString("whois", "customized", "true");
            ini.WriteString("whois", "server", "whois.example");
            ini.WriteInteger("tab", "tab", 3);
            ASSERT_TRUE(ini.UpdateFile());
            EXPECT_EQ(Slurp(path), text) << "round " << round;
        }
    }
}

TEST(IniFile, AChangedValueChangesOnlyItsLine) {
    const std::string before =
        "\xEF\xBB\xBF; settings\r\n[Whois]\r\nCustomized = true  \r\nserver=a\r\r\n\r\n"
        "[tab]\r\ntab\t=\t3";
    IniFile ini;
    ini.Parse(before);
    ini.WriteString("whois", "customized", "false");
    ini.WriteString("whois", "server", "  b.example  ");  // stored as a reread would see it
    EXPECT_EQ(ini.Text(),
              "\xEF\xBB\xBF; settings\r\n[Whois]\r\nCustomized = false  \r\nserver=b.example\r\r\n"
              "\r\n[tab]\r\ntab\t=\t3");
    // New keys and sections take the file's own line end, and a last line without one gets it.
    ini.WriteInteger("tab", "extra", 1);
    ini.WriteString("new", "k", "v");
    ini.WriteString("whois", "more", "x");
    IniFile empty;
    empty.Parse("[s]\na =  \nb=\r\r\n");
    empty.WriteString("s", "a", "1");
    empty.WriteString("s", "b", "2");
    EXPECT_EQ(empty.Text(), "[s]\na =  1\nb=2\r\r\n");
    EXPECT_EQ(ini.Text(),
              "\xEF\xBB\xBF; settings\r\n[Whois]\r\nCustomized = false  \r\nserver=b.example\r"
              "more=x\r\n\r\n\r\n[tab]\r\ntab\t=\t3\r\nextra=1\r\n[new]\r\nk=v\r\n");
    IniFile again;
    again.Parse(ini.Text());
    EXPECT_EQ(again.ReadString("whois", "customized", ""), "false");
    EXPECT_EQ(again.ReadString("whois", "server", ""), "b.example");
    EXPECT_EQ(again.ReadString("whois", "more", ""), "x");
    EXPECT_EQ(again.ReadInteger("tab", "tab", 0), 3);
    EXPECT_EQ(again.ReadInteger("tab", "extra", 0), 1);
}

// A file with CR line ends (an old Mac editor's) is read, and a close that changes a value
// changes that value in place: no second section is appended, new lines take the CR.
TEST(IniFile, CrLineEndsAreReadAndKept) {
    const std::string before = "[whois]\rcustomized=true\rserver=whois.example\r\r[tab]\rtab=3\r";
    IniFile ini;
    ini.Parse(before);
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"whois", "tab"}));
    EXPECT_EQ(ini.ReadInteger("tab", "tab", 0), 3);
    ini.WriteString("whois", "customized", "false");
    ini.WriteString("whois", "server", "whois.example");
    ini.WriteInteger("tab", "tab", 5);
    ini.WriteString("tab", "extra", "1");
    EXPECT_EQ(ini.Text(),
              "[whois]\rcustomized=false\rserver=whois.example\r\r[tab]\rtab=5\rextra=1\r");
}

TEST(IniFile, IntegerFallsBackOnText) {
    struct Case {
        const char* value;
        int expected;
    } cases[] = {{"7", 7},
                 {"-1", -1},
                 {"0x10", 16},
                 {" 5 ", 5},
                 {"010", 10},
                 {"+8", 8},
                 {"", 42},
                 {"seven", 42},
                 {"3x", 42},
                 {"99999999999", 42},
                 {"-2147483648", -2147483647 - 1},
                 {"0x", 42},
                 {"0x-1", 42},
                 {"0xFFFFFFFF", 42},
                 {"--1", 42}};
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

// A folder that takes no new file (stood in for by a folder in the sibling's place, which
// holds for root too) can still hold a settings file we may write: it is written in place.
TEST(IniFile, WritesInPlaceWhenNoSiblingCanBeMade) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("settings.ini").toStdString();
    std::ofstream(path, std::ios::binary) << "[whois]\r\nserver=long.name.example\r\n";
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(path + ".tmp")));
    IniFile ini(path);
    ini.WriteString("whois", "server", "a");
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(Slurp(path), "[whois]\r\nserver=a\r\n");

    // No file to write in place: nothing is made.
    const std::string absent = dir.filePath("absent.ini").toStdString();
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(absent + ".tmp")));
    IniFile missing(absent);
    missing.WriteString("a", "b", "c");
    EXPECT_FALSE(missing.UpdateFile());
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(absent)));
}

TEST(IniFile, MissingFileIsEmptyAndUnwritableFolderFails) {
    IniFile missing("/nonexistent-folder/settings.ini");
    EXPECT_EQ(missing.ReadString("a", "b", "d"), "d");
    missing.WriteString("a", "b", "c");
    EXPECT_FALSE(missing.UpdateFile());
}

}  // namespace
}  // namespace orv
