// TUrlInQueue: the addresses waiting for download, in insertion order, each with its
// TUrlObject.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace orv::scan {

struct TUrlObject {
    std::int32_t Depth = 1;  // the start address is 1
    bool Priority = false;
    std::int32_t CountArea = 0;
    std::uint8_t LinkCode = 0;  // 32 start address, 72 refresh target, else the marker code
    std::uint8_t BodyMode = 0;  // 1 keeps the body in memory
    std::int32_t RetryCount = 0;
    std::string Referrer;
    std::int32_t Tag = -1;
};

class TUrlInQueue {
  public:
    void Add(std::string address, std::int32_t tag, bool priority, std::int32_t countArea,
             std::uint8_t bodyMode, std::uint8_t linkCode, std::int32_t retryCount,
             std::int32_t depth, std::string referrer);
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
