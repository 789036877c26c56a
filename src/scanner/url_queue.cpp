#include "scanner/url_queue.h"

namespace orv::scan {

void TUrlInQueue::Add(std::string address, std::int32_t tag, bool priority, std::int32_t countArea,
                      std::uint8_t bodyMode, std::uint8_t linkCode, std::int32_t retryCount,
                      std::int32_t depth, std::string referrer) {
    Entry e;
    e.address = std::move(address);
    e.object.Depth = depth;
    e.object.Priority = priority;
    e.object.CountArea = countArea;
    e.object.LinkCode = linkCode;
    e.object.BodyMode = bodyMode;
    e.object.RetryCount = retryCount;
    e.object.Referrer = std::move(referrer);
    e.object.Tag = tag;
    entries_.push_back(std::move(e));
}

void TUrlInQueue::Delete(int index) {
    entries_.erase(entries_.begin() + index);
}

}  // namespace orv::scan
