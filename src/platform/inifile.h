// A sectioned settings file of "key=value" lines. Section and key names match without regard
// to ASCII case; values are kept verbatim (no quoting, no escaping). Sections, keys and lines
// the program does not know are preserved when the file is written back.
#pragma once

#include <string>
#include <vector>

namespace orv {

class IniFile {
  public:
    IniFile() = default;
    // Reads `path` if it exists; a missing or unreadable file is an empty one.
    explicit IniFile(std::string path);

    const std::string& FileName() const { return path_; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    // A value that is not a whole decimal (or 0x hex) number gives `def`.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    std::vector<std::string> ReadSection(const std::string& section) const;  // the keys
    bool SectionExists(const std::string& section) const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void EraseSection(const std::string& section);

    // Writes the file when it was changed; false when it could not be written.
    bool UpdateFile();

    // The whole text as it would be written.
    std::string Text() const;
    // Replaces the content with `text` parsed as a file.
    void Parse(const std::string& text);

  private:
    struct Line {
        std::string key;  // empty for comments and blank lines
        std::string value;
        std::string raw;  // the line as read, for lines that are not key=value
    };
    struct Section {
        std::string name;
        std::vector<Line> lines;
    };
    const Section* Find(const std::string& name) const;
    Section& Need(const std::string& name);

    std::string path_;
    std::vector<Line> preamble_;  // lines before the first section
    std::vector<Section> sections_;
    bool dirty_ = false;
};

}  // namespace orv
