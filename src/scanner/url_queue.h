// TUrlInQueue: the addresses waiting for download, in insertion order, each with its
// TUrlObject.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "scanner/scan_settings.h"

namespace orv::scan {

// What is queued with an address; also what the queueing calls take, filled by name:
//   manager.Add(address, {.Depth = 2, .LinkCode = TLinkCode::Href, .BodyMode = 1, ...});
struct TUrlObject {
    std::int32_t Depth = 1;  // the start address is 1
    bool Priority = false;
    std::int32_t CountArea = 0;
    TLinkCode LinkCode = TLinkCode::None;
    std::uint8_t BodyMode = 0;  // 1 keeps the body in memory
    std::int32_t RetryCount = 0;
    std::string Referrer{};  // "{}": may be left out of a designated initializer
    std::int32_t Tag = -1;
};

class TUrlInQueue {
  public:
    void Add(std::string address, TUrlObject object) {
        entries_.push_back({std::move(address), std::move(object)});
    }
    void Delete(int index);
    void ClearAll() { entries_.clear(); }
    int Count() const { return int(entries_.size()); }
    const std::string& Address(int i) const { return entries_[std::size_t(i)].address; }
    const TUrlObject& Object(int i) const { return entries_[std::size_t(i)].object; }

  private:
    struct Entry {
        std::string address;
        TUrlObject object;
    };
    std::deque<Entry> entries_;
};

}  // namespace orv::scan
