// TMFHttpGet: one download slot of the manager. It runs at most one THTTPGetThread at a time
// and holds what the ended thread left for the manager to evaluate.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scanner/fetch_thread.h"
#include "scanner/scan_settings.h"
#include "scanner/url_parts.h"

namespace orv::scan {

class TMFHttpGet {
  public:
    // `fetch` (the manager's) must outlive the slot; each download copies it as it starts.
    explicit TMFHttpGet(const FetchSettings& fetch) : fetch_(fetch) {}

    enum State : std::uint8_t {
        kRetired = 0,
        kFree = 1,
        kAssigning = 2,
        kRunning = 3,
        kEnded = 4,
        kDelivered = 5,
        kFailed = 6,
    };

    std::uint8_t State = kFree;
    TCrackUrl Splitter;
    int TimeOutMs = 300000;
    std::int64_t Deadline = 0;
    bool ThreadRunning = false;
    bool Aborted = false;
    bool Evaluate = true;
    bool Success = false, NotHtml = false, TooLarge = false;
    int Status = 0;
    std::string ErrorText;  // given with a give-up error; left empty
    // Why the last download failed on the way (no connection, an untrusted certificate, a
    // reset): the HTTP library's words; empty when it did not fail so.
    std::string FailureText;
    std::string Headers, Body, Referrer;
    std::string FinalUrl;  // where redirects led the download; empty when none were followed
    int Depth = 1;
    int RetryCount = 0;
    std::uint8_t BodyMode = 0;

    // Starts the download of the split address (see the manager's pick).
    void Start(bool evaluate, bool requireHtm, long long maxBody, const EndNotice& notice);
    // Cancels the download; a running thread is asked to terminate.
    void Abort();
    // When the running thread has ended: takes its results, state := kEnded, true.
    bool CollectEnded();
    // The deadline, renewed by the thread while data flows.
    std::int64_t EffectiveDeadline() const;

  private:
    const FetchSettings& fetch_;
    std::shared_ptr<FetchJob> job_;
};

}  // namespace orv::scan
