#include "scanner/url_queue.h"

namespace orv::scan {

void TUrlInQueue::Delete(int index) {
    entries_.erase(entries_.begin() + index);
}

}  // namespace orv::scan
