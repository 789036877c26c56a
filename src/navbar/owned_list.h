// The owning list behind the bar's headers and a header's buttons: items in order, freed with
// the list; an item leaves the list from its own destructor.
#pragma once

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace orv {

template <typename Item>
class TOwnedList {
  public:
    TOwnedList() = default;
    TOwnedList(const TOwnedList&) = delete;
    TOwnedList& operator=(const TOwnedList&) = delete;
    ~TOwnedList() {
        while (!items_.empty())
            delete items_.back();  // its destructor takes it out
    }

    int Count() const { return static_cast<int>(items_.size()); }
    Item* Items(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    int IndexOf(const Item* item) const {
        auto it = std::find(items_.begin(), items_.end(), item);
        return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
    }
    // Frees the item (its destructor leaves the list).
    void Delete(int index) { delete Items(index); }
    // A negative target is an error; one past the end moves the item to the end.
    void Move(int from, int to) {
        if (to < 0)
            throw std::out_of_range("List index out of bounds (" + std::to_string(to) + ")");
        to = std::min(to, Count() - 1);
        Item* item = Items(from);
        items_.erase(items_.begin() + from);
        items_.insert(items_.begin() + to, item);
    }

  protected:
    void Append(Item* item) { items_.push_back(item); }
    void Remove(Item* item) {
        items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
    }
    const std::vector<Item*>& List() const { return items_; }

  private:
    std::vector<Item*> items_;
};

}  // namespace orv
