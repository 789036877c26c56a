#include "platform/inifile.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "common/ascii.h"
#include "platform/system_text.h"

namespace orv {

namespace {

constexpr const char* kBlanks = " \t\r\f\v";
constexpr const char* kBom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
    return ascii::Trim(s, kBlanks);
}

}  // namespace

IniFile::IniFile(std::string path) : IniFile(path, path) {}

IniFile::IniFile(std::string path, const std::string& readFrom) : path_(std::move(path)) {
    std::ifstream in(readFrom, std::ios::binary);
    if (!in)
        return;
    std::ostringstream ss;
    ss << in.rdbuf();
    Parse(ss.str());
}

void IniFile::Parse(const std::string& text) {
    preamble_.clear();
    sections_.clear();
    eol_ = "\n";
    bool eolSeen = false;
    bom_ = text.compare(0, 3, kBom) == 0;
    std::vector<Line>* target = &preamble_;
    for (std::size_t pos = bom_ ? 3 : 0; pos < text.size();) {
        // CR, LF and CR LF each end a line, as standard ini readers take them.
        Line line;
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) {
            line.raw = text.substr(pos);
            pos = text.size();
        } else {
            line.raw = text.substr(pos, end - pos);
            std::size_t len = text.compare(end, 2, "\r\n") == 0 ? 2 : 1;
            line.eol = text.substr(end, len);
            if (!eolSeen)
                eol_ = line.eol;
            eolSeen = true;
            pos = end + len;
        }
        const std::string& raw = line.raw;
        std::string t(Trim(raw));
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            std::string name(Trim(std::string_view(t).substr(1, t.size() - 2)));
            sections_.push_back({std::move(name), std::move(line), {}});
            target = &sections_.back().lines;
            continue;
        }
        auto eq = raw.find('=');
        if (!t.empty() && t.front() != ';' && t.front() != '#' && eq != std::string::npos &&
            !Trim(std::string_view(raw).substr(0, eq)).empty()) {
            line.key = Trim(std::string_view(raw).substr(0, eq));
            // An empty value begins after the blanks that follow "=", so a value written
            // there reads back whole.
            std::size_t b = std::min(raw.find_first_not_of(" \t", eq + 1), raw.size());
            line.valueBegin = b;
            line.valueEnd = std::max(b, raw.find_last_not_of(kBlanks) + 1);
            line.value = raw.substr(line.valueBegin, line.valueEnd - line.valueBegin);
        }
        target->push_back(std::move(line));
    }
    dirty_ = false;
}

IniFile::Line IniFile::KeyLine(const std::string& key, const std::string& value) const {
    Line l;
    l.raw = key + "=" + value;
    l.eol = eol_;
    l.key = key;
    l.value = value;
    l.valueBegin = key.size() + 1;
    l.valueEnd = l.raw.size();
    return l;
}

const IniFile::Section* IniFile::Find(const std::string& name) const {
    for (const auto& s : sections_)
        if (ascii::EqualsNoCase(s.name, name))
            return &s;
    return nullptr;
}

IniFile::Section& IniFile::Need(const std::string& name) {
    for (auto& s : sections_)
        if (ascii::EqualsNoCase(s.name, name))
            return s;
    Line heading;
    heading.raw = "[" + name + "]";
    heading.eol = eol_;
    sections_.push_back({name, std::move(heading), {}});
    return sections_.back();
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& def) const {
    if (const Section* s = Find(section))
        for (const auto& l : s->lines)
            if (!l.key.empty() && ascii::EqualsNoCase(l.key, key))
                return l.value;
    return def;
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    std::string v(Trim(ReadString(section, key, {})));
    if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
        std::optional<unsigned> n = sys::ParseHex<unsigned>(std::string_view(v).substr(2));
        return n && *n <= unsigned(INT_MAX) ? static_cast<int>(*n) : def;
    }
    std::string_view digits(v);
    if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-')
        digits.remove_prefix(1);
    return sys::ParseDecimal<int>(digits).value_or(def);
}

bool IniFile::ValueExists(const std::string& section, const std::string& key) const {
    if (const Section* s = Find(section))
        for (const auto& l : s->lines)
            if (!l.key.empty() && ascii::EqualsNoCase(l.key, key))
                return true;
    return false;
}

std::vector<std::string> IniFile::ReadSection(const std::string& section) const {
    std::vector<std::string> keys;
    if (const Section* s = Find(section))
        for (const auto& l : s->lines)
            if (!l.key.empty())
                keys.push_back(l.key);
    return keys;
}

std::vector<std::string> IniFile::ReadSections() const {
    std::vector<std::string> names;
    for (const auto& s : sections_)
        names.push_back(s.name);
    return names;
}

bool IniFile::SectionExists(const std::string& section) const {
    return Find(section) != nullptr;
}

void IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
    // A value cannot hold a line break: it would turn into a line of its own.
    std::string v(Trim(std::string_view(value).substr(0, value.find_first_of("\r\n"))));
    Section& s = Need(section);
    for (auto& l : s.lines)
        if (!l.key.empty() && ascii::EqualsNoCase(l.key, key)) {
            if (l.value == v)
                return;
            // Only the value changes; the key's spelling and the blanks around "=" stay.
            l.raw.replace(l.valueBegin, l.valueEnd - l.valueBegin, v);
            l.valueEnd = l.valueBegin + v.size();
            l.value = v;
            dirty_ = true;
            return;
        }
    // New keys go after the section's last key, before trailing blank lines.
    auto pos = s.lines.end();
    while (pos != s.lines.begin() && std::prev(pos)->key.empty() &&
           Trim(std::prev(pos)->raw).empty())
        --pos;
    s.lines.insert(pos, KeyLine(key, v));
    dirty_ = true;
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::EraseSection(const std::string& section) {
    auto it = std::remove_if(sections_.begin(), sections_.end(), [&](const Section& s) {
        return ascii::EqualsNoCase(s.name, section);
    });
    if (it != sections_.end())
        dirty_ = true;
    sections_.erase(it, sections_.end());
}

std::string IniFile::Text() const {
    std::vector<const Line*> lines;
    for (const auto& l : preamble_)
        lines.push_back(&l);
    for (const auto& s : sections_) {
        lines.push_back(&s.heading);
        for (const auto& l : s.lines)
            lines.push_back(&l);
    }
    std::string out = bom_ ? kBom : "";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out += lines[i]->raw;
        // A last line without an end gets one when lines now follow it.
        out += lines[i]->eol.empty() && i + 1 < lines.size() ? eol_ : lines[i]->eol;
    }
    return out;
}

bool IniFile::UpdateFile() {
    if (!dirty_)
        return true;
    if (path_.empty())
        return false;
    // Write a sibling and rename it over the file, so a failed write never leaves half a file.
    std::string tmp = path_ + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) {
            // A folder that takes no new file may still hold a file we may write: write it in
            // place.
            std::ofstream probe(path_, std::ios::binary | std::ios::in | std::ios::out);
            if (!probe)
                return false;
            probe.close();
            std::ofstream direct(path_, std::ios::binary | std::ios::trunc);
            direct << Text();
            direct.flush();
            if (!direct)
                return false;
            dirty_ = false;
            return true;
        }
        out << Text();
        out.flush();
        if (!out) {
            out.close();
            std::remove(tmp.c_str());
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path_.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    dirty_ = false;
    return true;
}

}  // namespace orv
