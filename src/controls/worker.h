// The worker-thread model of the batch tools.
//
// One class per operation, a new instance per Start. The run body works on a thread of its
// own and never touches a control: it copies its inputs at Start (or asks the UI thread
// through Query) and sends every write through Synchronize, which runs it on the UI thread in
// the order the body made it. Halt stops the instance at its next step: writes still queued
// are dropped and the end handler does not run. No thread is terminated or joined; the
// instance lives as long as its thread or the last reference to it, whichever is longer.
#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>

namespace orv::ui {

// The door from worker threads into the UI thread. The window owns one and closes it when it
// goes away; after that every post is refused and what is still queued is dropped.
//
// Writes wait in one queue and the UI thread runs them in order, many per event, so a worker
// that writes a row per step does not cost an event and a wake-up per row.
class UiChannel : public std::enable_shared_from_this<UiChannel> {
  public:
    explicit UiChannel(QObject* target) : target_(target) {}
    // UI thread.
    void Close();
    // Any thread. Queues `fn` to run on the target's thread; false when the channel is closed.
    bool Post(std::function<void()> fn);
    bool IsOpen();

  private:
    void Drain();

    std::mutex m_;
    QObject* target_;
    std::deque<std::function<void()>> queue_;
    bool drainPosted_ = false;
};

class WorkerThread : public std::enable_shared_from_this<WorkerThread> {
  public:
    WorkerThread() = default;
    virtual ~WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts the run body of `w` on a new thread. `onEnd`, when set, runs on the UI thread
    // after the body has returned, unless the instance was halted first.
    static void Start(const std::shared_ptr<WorkerThread>& w, std::shared_ptr<UiChannel> channel,
                      std::function<void()> onEnd = {});

    // Any thread. The body's later writes and the end handler are dropped.
    void Halt() { halted_.store(true, std::memory_order_release); }
    bool Halted() const { return halted_.load(std::memory_order_acquire); }
    // True from Start until the body has returned.
    bool Running() const { return running_.load(std::memory_order_acquire); }
    // True once the end handler has run (or would have, had the instance not been halted).
    bool Finished() const { return finished_.load(std::memory_order_acquire); }

  protected:
    virtual void Execute() = 0;

    // Queues `write` for the UI thread. False once halted or the window is gone: the body
    // should then return.
    bool Synchronize(std::function<void()> write);

    // Runs `read` on the UI thread and waits for its answer; nullopt once halted or when the
    // window went away. Never call it from the UI thread.
    template <typename T>
    std::optional<T> Query(std::function<T()> read);

    bool Terminated() const { return Halted(); }

  private:
    void Run(std::function<void()> onEnd);

    std::shared_ptr<UiChannel> channel_;
    std::atomic<bool> halted_{false};
    std::atomic<bool> running_{false};
    std::atomic<bool> finished_{false};
};

template <typename T>
std::optional<T> WorkerThread::Query(std::function<T()> read) {
    if (Halted() || !channel_)
        return std::nullopt;
    auto promise = std::make_shared<std::promise<std::optional<T>>>();
    auto future = promise->get_future();
    std::weak_ptr<WorkerThread> self = weak_from_this();
    bool posted = channel_->Post([promise, self, read = std::move(read)] {
        auto w = self.lock();
        promise->set_value(w && !w->Halted() ? std::optional<T>(read()) : std::nullopt);
    });
    if (!posted)
        return std::nullopt;
    try {
        // A dropped event destroys the promise unanswered: that is a broken promise here.
        return future.get();
    } catch (const std::future_error&) {
        return std::nullopt;
    }
}

}  // namespace orv::ui
