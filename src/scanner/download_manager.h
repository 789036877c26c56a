// TMFDwnld: the download manager. It keeps the queue of addresses, hands them to its download
// slots, enforces the per-download time-out, evaluates the HTTP status, retries failed
// downloads and tells when a scan has gone quiet. Used on the user-interface thread only;
// the fetch threads report back through a main-thread queue the manager owns and closes
// when it goes.
#pragma once

#include <QObject>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scanner/download_slot.h"
#include "scanner/scan_settings.h"
#include "scanner/url_queue.h"

namespace orv::scan {

class TMFDwnld;
using TOnWorking = std::function<void(QObject* Sender, bool Working)>;

class TMFDwnld : public QObject {
    Q_OBJECT
  public:
    // `fetch` is the scan's one set of fetch settings; it must outlive the manager.
    explicit TMFDwnld(const FetchSettings& fetch, QObject* parent = nullptr);
    ~TMFDwnld() override;

    // Settings, read at every pick.
    int Kind = 0;  // 1: a page is accepted only when its content type contains "htm"
    bool Accepting = true;
    std::string DownloadDirectory;  // empty: bodies stay in memory
    int Retries = 3;
    int TimeOut = 300;          // seconds of inactivity per download
    int TimeOutMsOverride = 0;  // tests: milliseconds instead of TimeOut when above 0
    int DepthSearchLevel = 2;
    int ConcurrentDownloads = 3;
    bool LeavesFirst = false;  // take the deepest queued address first
    long long MaxPageSize = kDefaultMaxPageSize;

    // Callbacks, each called only when set.
    std::function<void(TMFDwnld* Sender, TMFHttpGet& slot)> OnPageReady;
    std::function<void(TMFDwnld* Sender, int kind, int queued, int running, int toAnalyze, int done,
                       int retries, int errors, int reloaded)>
        OnStats;
    std::function<void(TMFDwnld* Sender, TMFHttpGet& slot, int kind)> OnHeadComplete;
    std::function<void(TMFDwnld* Sender, int kind, const std::string& Url, unsigned ErrorCode,
                       const std::string& ErrorMsg, const std::string& referrer)>
        OnError;
    TOnWorking OnWorking;
    // A download failed on the way, with the HTTP library's reason (each try; what happens
    // next, a retry or the give-up error, is unchanged).
    std::function<void(TMFDwnld* Sender, const std::string& Url, const std::string& Reason)>
        OnFetchFailed;
    // A fetch thread has ended (called on the user-interface thread).
    std::function<void()> OnSlotEnded;

    // Queues `address` with what `entry` says of it. False when not accepting; true without
    // queueing while stopping.
    bool Add(const std::string& address, TUrlObject entry);
    // The settings every download goes out with (the crawler's).
    const FetchSettings& Fetch() const { return fetch_; }
    int QueueLength() const { return queue_.Count(); }
    const TUrlInQueue& Queue() const { return queue_; }
    void Tick();
    // After each tick while working; false once the scan has been quiet long enough. With
    // countQuiet false (an extra tick) a quiet step neither counts down nor reports idle.
    bool StatsAndIdle(bool countQuiet = true);
    void SetWorking(bool working);
    void StopAll();
    bool Working() const { return working_; }
    bool Stopping() const { return stopping_; }

    int Done() const { return done_; }
    int Errors() const { return errors_; }
    int RetriesDone() const { return retries_; }
    int SlotCount() const { return int(slots_.size()); }
    const TMFHttpGet& Slot(int i) const { return *slots_[std::size_t(i)]; }
    // A number that changes whenever a slot changes state (for repeated extra ticks).
    std::uint64_t StateSignature() const;

  private:
    void Resize();
    void Pick(TMFHttpGet& slot);
    void ThreadEnded();
    int TimeOutMs() const { return TimeOutMsOverride > 0 ? TimeOutMsOverride : TimeOut * 1000; }

    const FetchSettings& fetch_;
    TUrlInQueue queue_;
    bool priorityPending_ = false;
    bool working_ = false;
    bool stopping_ = false;
    int idleCountdown_ = 10;
    int done_ = 0, errors_ = 0, retries_ = 0;
    std::array<int, 7> lastReported_{};
    std::vector<std::unique_ptr<TMFHttpGet>> slots_;
    EndNotice endNotice_;  // its queue runs ThreadEnded on this manager's thread
};

}  // namespace orv::scan
