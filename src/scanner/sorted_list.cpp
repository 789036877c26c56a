#include "scanner/sorted_list.h"

#include <algorithm>

#include "scanner/text_tools.h"

namespace orv::scan {

FindResult TMFStringList::Find(std::string_view s, bool insert) {
    FindResult r;
    int low = 0, high = Count() - 1;
    if (high < 0) {
        r.insertAt = 0;
    } else {
        while (true) {
            int middle = (low + high) / 2;
            int c = Cmp(items_[std::size_t(middle)], s);
            if (c == 0) {
                r.found = true;
                r.index = middle;
                break;
            }
            if (c < 0) {
                if (middle == high) {
                    r.insertAt = middle + 1;
                    break;
                }
                low = middle + 1;
            } else {
                if (middle == low) {
                    r.insertAt = middle;
                    break;
                }
                high = middle - 1;
            }
        }
    }
    if (!r.found && insert)
        Insert(r.insertAt, std::string(s));
    return r;
}

void TMFStringList::Insert(int index, std::string s) {
    items_.insert(items_.begin() + index, std::move(s));
}

void TMFStringList::Delete(int index) {
    items_.erase(items_.begin() + index);
}

void TMFStringList::AddLines(std::string_view text) {
    while (!text.empty()) {
        std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        Add(std::string(line));
        if (nl == std::string_view::npos)
            break;
        text.remove_prefix(nl + 1);
    }
}

void TMFStringList::Sort() {
    if (PurgeBlanks)
        items_.erase(std::remove(items_.begin(), items_.end(), std::string()), items_.end());
    if (Count() > 1)
        QuickSort(0, Count() - 1);
}

// Hole-filling quicksort around the middle element.
void TMFStringList::QuickSort(int low, int high) {
    while (low < high) {
        int mid = (low + high) / 2;
        std::string pivot = std::move(items_[std::size_t(mid)]);
        items_[std::size_t(mid)] = std::move(items_[std::size_t(low)]);
        int i = low, j = high;
        while (i < j) {
            while (i < j && Cmp(items_[std::size_t(j)], pivot) >= 0)
                --j;
            if (i < j)
                items_[std::size_t(i++)] = std::move(items_[std::size_t(j)]);
            while (i < j && Cmp(items_[std::size_t(i)], pivot) < 0)
                ++i;
            if (i < j)
                items_[std::size_t(j--)] = std::move(items_[std::size_t(i)]);
        }
        items_[std::size_t(i)] = std::move(pivot);
        // Recurse into the smaller half, loop on the larger: the stack stays shallow.
        if (i - low < high - i) {
            QuickSort(low, i - 1);
            low = i + 1;
        } else {
            QuickSort(i + 1, high);
            high = i - 1;
        }
    }
}

}  // namespace orv::scan
