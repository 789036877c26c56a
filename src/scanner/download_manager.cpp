#include "scanner/download_manager.h"

#include "tasks/worker.h"

namespace orv::scan {

TMFDwnld::TMFDwnld(const FetchSettings& fetch, QObject* parent) : QObject(parent), fetch_(fetch) {
    lastReported_.fill(99999);
    endNotice_.queue = std::make_shared<task::MainQueue>(this);
    endNotice_.onEnded = [this] { ThreadEnded(); };
}

TMFDwnld::~TMFDwnld() {
    // No notice is posted after this, and those still queued are dropped.
    endNotice_.queue->Close();
    // Threads still running are not waited for: they end on their own, on shared state.
    for (auto& s : slots_)
        s->Abort();
}

bool TMFDwnld::Add(const std::string& address, TUrlObject entry) {
    if (!Accepting)
        return false;
    if (stopping_)
        return true;
    if (!working_) {
        done_ = errors_ = retries_ = 0;
        priorityPending_ = false;
        lastReported_.fill(99999);
        if (OnStats)
            OnStats(this, Kind, 0, 0, 0, 0, 0, 0, 0);
        queue_.ClearAll();
        SetWorking(true);
    }
    if (entry.Priority)
        priorityPending_ = true;
    queue_.Add(address, std::move(entry));
    return true;
}

void TMFDwnld::SetWorking(bool working) {
    working_ = working;
    if (!working)
        stopping_ = false;
    if (OnWorking)
        OnWorking(this, working);
}

void TMFDwnld::StopAll() {
    stopping_ = true;
    for (auto& s : slots_)
        s->Abort();
}

void TMFDwnld::Resize() {
    std::size_t want = std::size_t(std::max(ConcurrentDownloads, 0));
    if (slots_.size() == want)
        return;
    if (slots_.size() < want) {
        while (slots_.size() < want)
            slots_.push_back(std::make_unique<TMFHttpGet>(fetch_));
        return;
    }
    bool allRetired = true;
    for (std::size_t i = want; i < slots_.size(); ++i) {
        if (slots_[i]->State == TMFHttpGet::kFree)
            slots_[i]->State = TMFHttpGet::kRetired;
        if (slots_[i]->State != TMFHttpGet::kRetired)
            allRetired = false;
    }
    if (allRetired)
        slots_.resize(want);
}

void TMFDwnld::Pick(TMFHttpGet& slot) {
    if (slot.State != TMFHttpGet::kFree)
        return;
    slot.State = TMFHttpGet::kAssigning;
    if (queue_.Count() == 0) {
        slot.State = TMFHttpGet::kFree;
        return;
    }
    int index = 0;
    if (priorityPending_) {
        index = -1;
        for (int i = 0; i < queue_.Count(); ++i)
            if (queue_.Object(i).Priority) {
                index = i;
                break;
            }
        if (index < 0) {
            priorityPending_ = false;
            index = 0;
        }
    } else if (LeavesFirst) {
        for (int i = 1; i < queue_.Count(); ++i)
            if (queue_.Object(i).Depth > queue_.Object(index).Depth)
                index = i;
    }
    const TUrlObject& o = queue_.Object(index);
    slot.Splitter.Split(queue_.Address(index), DownloadDirectory);
    slot.Depth = o.Depth;
    slot.RetryCount = o.RetryCount;
    slot.BodyMode = o.BodyMode;
    slot.Referrer = o.Referrer;
    slot.TimeOutMs = TimeOutMs();
    if (DownloadDirectory.empty())
        slot.BodyMode = 1;
    queue_.Delete(index);
    if (stopping_) {
        slot.State = TMFHttpGet::kFree;
        return;
    }
    slot.Start(true, Kind == 1, MaxPageSize, endNotice_);
}

void TMFDwnld::ThreadEnded() {
    bool any = false;
    for (auto& s : slots_) {
        if (s->State != TMFHttpGet::kRunning && s->State != TMFHttpGet::kRetired)
            continue;
        if (s->CollectEnded()) {
            any = true;
            if (OnHeadComplete && !s->Headers.empty())
                OnHeadComplete(this, *s, Kind);
        }
    }
    if (any && OnSlotEnded)
        OnSlotEnded();
}

void TMFDwnld::Tick() {
    Resize();
    if (stopping_) {
        queue_.ClearAll();
    } else {
        std::size_t n = std::min(slots_.size(), std::size_t(std::max(ConcurrentDownloads, 0)));
        for (std::size_t i = 0; i < n && !stopping_; ++i)
            Pick(*slots_[i]);
    }
    // Indexing (not iterators): a page handler may let events through, but never resizes.
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        TMFHttpGet& s = *slots_[i];
        const std::string& address = s.Splitter.Address();
        switch (s.State) {
            case TMFHttpGet::kFree:
                Pick(s);
                break;
            case TMFHttpGet::kRunning:
                if (TickCountMs() > s.EffectiveDeadline()) {
                    if (!s.Aborted) {
                        if (!stopping_ && OnError)
                            OnError(this, Kind, "timeout : " + address, 0, "TimeOut", s.Referrer);
                        ++errors_;
                        s.Abort();
                    }
                } else if (stopping_) {
                    s.Abort();
                }
                break;
            case TMFHttpGet::kEnded:
                s.ThreadRunning = false;
                if (s.Success) {
                    s.State = TMFHttpGet::kDelivered;
                } else if (s.NotHtml) {
                    s.State = TMFHttpGet::kFree;
                } else if (s.TooLarge) {
                    // Retrying cannot help: give up at once, with the reason.
                    if (!stopping_) {
                        if (OnError)
                            OnError(this, Kind, address, unsigned(s.Status),
                                    "page larger than " + std::to_string(MaxPageSize) + " bytes",
                                    s.Referrer);
                        ++errors_;
                    }
                    s.State = TMFHttpGet::kFree;
                } else {
                    if (!stopping_ && !s.FailureText.empty() && OnFetchFailed)
                        OnFetchFailed(this, address, s.FailureText);
                    s.State = TMFHttpGet::kFailed;
                }
                break;
            case TMFHttpGet::kDelivered:
                s.State = TMFHttpGet::kFree;
                if (s.Evaluate) {
                    if (s.Status == 200) {
                        ++done_;
                        if (!stopping_ && OnPageReady)
                            OnPageReady(this, s);
                    } else if ((s.Status >= 201 && s.Status <= 299) ||
                               (s.Status >= 500 && s.Status <= 599)) {
                        s.State = TMFHttpGet::kFailed;
                    } else if (!stopping_ && OnError) {
                        OnError(this, Kind, address, unsigned(s.Status), "ERROR", s.Referrer);
                    }
                }
                if (s.State == TMFHttpGet::kFree)
                    s.Body.clear();
                break;
            case TMFHttpGet::kFailed:
                if (s.RetryCount >= Retries) {
                    if (!stopping_) {
                        if (OnError)
                            OnError(this, Kind, address, unsigned(s.Status), s.ErrorText,
                                    s.Referrer);
                        ++errors_;
                    }
                } else if (!stopping_) {
                    queue_.Add(address, {.Depth = s.Depth,
                                         .BodyMode = s.BodyMode,
                                         .RetryCount = s.RetryCount + 1,
                                         .Referrer = s.Referrer});
                    ++retries_;
                }
                s.State = TMFHttpGet::kFree;
                break;
            default:
                break;
        }
    }
}

bool TMFDwnld::StatsAndIdle(bool countQuiet) {
    int running = 0, delivered = 0;
    bool busy = false;
    for (auto& s : slots_) {
        if (s->State == TMFHttpGet::kRunning)
            ++running;
        if (s->State == TMFHttpGet::kDelivered)
            ++delivered;
        if (s->State > TMFHttpGet::kFree)
            busy = true;
    }
    std::array<int, 7> now{queue_.Count(), running, delivered, done_, retries_, errors_, 0};
    bool changed = now != lastReported_;
    if (changed) {
        if (OnStats)
            OnStats(this, Kind, now[0], now[1], now[2], now[3], now[4], now[5], now[6]);
        lastReported_ = now;
    }
    if (queue_.Count() > 0 || running > 0 || changed || busy) {
        idleCountdown_ = 10;
        return true;
    }
    if (!countQuiet)
        return true;
    if (idleCountdown_ == 0)
        return false;
    --idleCountdown_;
    return true;
}

std::uint64_t TMFDwnld::StateSignature() const {
    std::uint64_t sig = slots_.size();
    for (auto& s : slots_)
        sig = sig * 8 + s->State;
    return sig ^ (std::uint64_t(queue_.Count()) << 40);
}

}  // namespace orv::scan
