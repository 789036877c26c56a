// THTTPGetThread: one GET of one address on a thread of its own. The thread and its download
// slot share a FetchJob: the slot raises `terminate`, the thread renews `renewedAtMs` while
// data flows and leaves its results before setting `ended`. The thread then posts one
// notice through the main-thread queue of its EndNotice, which the owner can close at any
// moment; neither side ever frees what the other still uses.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/url.h"
#include "scanner/scan_settings.h"

namespace orv::task {
class MainQueue;
}

namespace orv::scan {

// Milliseconds of a steady clock (the tick count of the time-outs).
std::int64_t TickCountMs();

struct FetchSpec {
    orv::net::UrlParts parts;  // the address, split
    FetchSettings settings;    // a copy: the thread may outlive the crawler that holds them
    std::string referrer;
    bool keepBody = true;
    bool requireHtm = false;  // refuse a content type without "htm"
    long long maxBody = kDefaultMaxPageSize;
};

struct FetchJob {
    FetchSpec spec;
    std::atomic<bool> terminate{false};
    std::atomic<std::int64_t> renewedAtMs{0};  // 0: never renewed
    // Results: written by the thread before `ended` is set; read only after.
    int status = 0;
    std::string headers, contentType, body;
    std::string finalUrl;  // the address that answered, when redirects led there; else empty
    long long contentLength = 0;
    bool ok = false, refused = false, tooLarge = false;
    std::string error;  // why the send failed (the HTTP library's words); empty otherwise
    std::atomic<bool> ended{false};
};

// How an ended thread says so: `onEnded` is posted through `queue` to the thread it serves.
// Once the queue is closed the notice is dropped, queued or not.
struct EndNotice {
    std::shared_ptr<task::MainQueue> queue;
    std::function<void()> onEnded;
};

class THTTPGetThread {
  public:
    // Starts a detached thread that runs `job` and then posts `notice`.
    static void Start(std::shared_ptr<FetchJob> job, EndNotice notice);
    // Threads started and not yet ended, in the whole process.
    static int Live();
    // Runs `job` on the calling thread (the body of the thread).
    static void Run(FetchJob& job);
};

}  // namespace orv::scan
