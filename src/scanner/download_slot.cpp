#include "scanner/download_slot.h"

#include <algorithm>

namespace orv::scan {

void TMFHttpGet::Start(bool evaluate, bool requireHtm, long long maxBody, const EndNotice& notice) {
    Evaluate = evaluate;
    if (!Splitter.Success()) {
        State = kFree;  // dropped without a report
        return;
    }
    State = kRunning;
    Success = NotHtml = TooLarge = false;
    if (ThreadRunning)
        return;
    ThreadRunning = true;
    Deadline = TickCountMs() + TimeOutMs;
    Aborted = false;
    // A status left from the previous address must not be reported for this one.
    Status = 0;
    Headers.clear();
    Body.clear();
    FinalUrl.clear();
    FailureText.clear();

    auto job = std::make_shared<FetchJob>();
    FetchSpec& s = job->spec;
    s.parts = Splitter.Parts();
    s.settings = fetch_;
    s.referrer = Referrer;
    s.keepBody = BodyMode == 1;
    s.requireHtm = requireHtm;
    s.maxBody = maxBody;
    job_ = job;
    THTTPGetThread::Start(std::move(job), notice);
}

void TMFHttpGet::Abort() {
    Aborted = true;
    if (ThreadRunning && job_)
        job_->terminate.store(true);
}

bool TMFHttpGet::CollectEnded() {
    if (!job_ || !job_->ended.load(std::memory_order_acquire))
        return false;
    FetchJob& j = *job_;
    Status = j.status;
    Headers = std::move(j.headers);
    FinalUrl = std::move(j.finalUrl);
    Body = std::move(j.body);
    Success = j.ok;
    NotHtml = j.refused;
    TooLarge = j.tooLarge;
    FailureText = std::move(j.error);
    job_.reset();
    ThreadRunning = false;
    State = kEnded;
    return true;
}

std::int64_t TMFHttpGet::EffectiveDeadline() const {
    if (!job_)
        return Deadline;
    std::int64_t renewed = job_->renewedAtMs.load();
    return renewed ? std::max(Deadline, renewed + TimeOutMs) : Deadline;
}

}  // namespace orv::scan
