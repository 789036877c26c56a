// TMFStringList: a string list kept in order by inserting where a halving search says, with
// its own sort. The order folds only "a".."z" to upper case and otherwise compares bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/ascii.h"

namespace orv::scan {

struct FindResult {
    bool found = false;
    int index = -1;     // the found entry, or -1
    int insertAt = -1;  // where the text belongs when absent, -1 when found
};

class TMFStringList {
  public:
    bool Descending = false;
    bool PurgeBlanks = true;  // Sort deletes empty lines first

    // Find-or-insert: with `insert`, an absent `s` is inserted where it belongs.
    FindResult Find(std::string_view s, bool insert);
    void Sort();

    int Count() const { return int(items_.size()); }
    const std::string& operator[](int i) const { return items_[std::size_t(i)]; }
    void Add(std::string s) { items_.push_back(std::move(s)); }
    void Insert(int index, std::string s);
    void Delete(int index);
    void Clear() { items_.clear(); }
    void SetCapacity(int n) { items_.reserve(std::size_t(n)); }
    // The lines of `text` (LF or CR LF), appended.
    void AddLines(std::string_view text);
    const std::vector<std::string>& Items() const { return items_; }

  private:
    int Cmp(std::string_view a, std::string_view b) const {
        int c = ascii::CompareNoCase(a, b);
        return Descending ? -c : c;
    }
    void QuickSort(int low, int high);
    std::vector<std::string> items_;
};

}  // namespace orv::scan
