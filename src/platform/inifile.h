// A sectioned settings file of "key=value" lines. Section and key names match without regard
// to ASCII case; blanks around section names, keys and values are not part of them; values are
// otherwise kept verbatim (no quoting, no escaping). CR, LF and CR LF each end a line. A leading
// UTF-8 byte-order mark is skipped.
// Writing back keeps every line the program did not change byte for byte (line ends included);
// a changed value replaces only the value in its line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace orv {

class IniFile {
  public:
    IniFile() = default;
    // Reads `path` if it exists; a missing or unreadable file is an empty one.
    explicit IniFile(std::string path);
    // Reads `readFrom` and writes `path`: a file taken over from another place.
    IniFile(std::string path, const std::string& readFrom);

    const std::string& FileName() const { return path_; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    // A value that is not a whole decimal (or 0x hex) number gives `def`.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    std::vector<std::string> ReadSection(const std::string& section) const;  // the keys
    std::vector<std::string> ReadSections() const;  // the section names, in file order
    bool SectionExists(const std::string& section) const;

    // Stores `value` up to its first line break and without surrounding blanks, as a reread
    // would see it.
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
        std::string raw;  // the line's bytes, without its end
        std::string eol;  // "\n", "\r\n", "\r", or empty for a last line without an end
        std::string key;  // empty for section headings, comments, blank and other lines
        std::string value;
        // Where the value stands in `raw`, so that a new value replaces only it.
        std::size_t valueBegin = 0;
        std::size_t valueEnd = 0;
    };
    struct Section {
        std::string name;
        Line heading;
        std::vector<Line> lines;
    };
    const Section* Find(const std::string& name) const;
    Section& Need(const std::string& name);
    Line KeyLine(const std::string& key, const std::string& value) const;

    std::string path_;
    bool bom_ = false;
    std::string eol_ = "\n";      // the line end of new lines: the file's own
    std::vector<Line> preamble_;  // lines before the first section
    std::vector<Section> sections_;
    bool dirty_ = false;
};

}  // namespace orv
