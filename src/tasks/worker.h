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
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace orv::task {

namespace detail {

// The waiting side of a read a worker asked of the UI thread. It ends with an answer, or
// without one when the read is dropped (the channel closed) or the worker is halted.
class PendingRead {
  public:
    // Any thread; ends the wait without an answer unless it has already ended.
    void Cancel() {
        {
            std::lock_guard lock(m_);
            done_ = true;
        }
        cv_.notify_all();
    }

  protected:
    std::mutex m_;
    std::condition_variable cv_;
    bool done_ = false;
};

template <typename T>
class Read final : public PendingRead {
  public:
    void Answer(T value) {
        {
            std::lock_guard lock(m_);
            if (done_)
                return;
            value_.emplace(std::move(value));
            done_ = true;
        }
        cv_.notify_all();
    }
    std::optional<T> Wait() {
        std::unique_lock lock(m_);
        cv_.wait(lock, [this] { return done_; });
        return std::move(value_);
    }

  private:
    std::optional<T> value_;
};

// The answering side, owned by the queued read alone: when the read is dropped unanswered
// (the queue cleared, the event lost, the read thrown out of), the wait ends.
template <typename T>
class ReadReply {
  public:
    explicit ReadReply(std::shared_ptr<Read<T>> read) : read_(std::move(read)) {}
    ~ReadReply() { read_->Cancel(); }
    ReadReply(const ReadReply&) = delete;
    ReadReply& operator=(const ReadReply&) = delete;
    void Send(T value) { read_->Answer(std::move(value)); }

  private:
    std::shared_ptr<Read<T>> read_;
};

}  // namespace detail

// The door from worker threads into the UI thread. The window owns one and closes it when it
// goes away; after that every post is refused and what is still queued is dropped.
//
// Writes wait in one queue and the UI thread runs them in order, many per event, so a worker
// that writes a row per step does not cost an event and a wake-up per row.
//
// Each write has an owner (its worker). A write may run a nested event loop (a message box):
// while it is open, the later writes of its owner wait behind it, and the writes of every other
// owner go on running inside that loop. So each owner's writes run one at a time and in order.
class MainQueue : public std::enable_shared_from_this<MainQueue> {
  public:
    explicit MainQueue(QObject* target) : target_(target) {}
    // UI thread.
    void Close();
    // Any thread. Queues `fn` to run on the target's thread; false when the channel is closed.
    bool Post(std::function<void()> fn) { return Post(nullptr, std::move(fn)); }
    bool Post(const void* owner, std::function<void()> fn);
    bool IsOpen();

  private:
    struct Write {
        const void* owner = nullptr;
        std::function<void()> fn;
    };
    // Writes of an owner that has a write open, or had one and has not caught up yet.
    struct Held {
        const void* owner;
        std::deque<std::function<void()>> writes;
    };

    void Drain();
    void PostDrain();  // with m_ held
    bool IsOpenOwner(const void* owner) const;
    bool TakeNext(Write& out);
    bool HasRunnable() const;

    std::mutex m_;
    QObject* target_;
    std::deque<Write> queue_;
    std::vector<Held> held_;
    // Owners of the writes running now, outermost first: the writes nest, one per event loop.
    std::vector<const void*> open_;
    bool drainPosted_ = false;  // a drain event is on its way
    bool draining_ = false;     // a drain is between two writes and will look again
};

class WorkerThread : public std::enable_shared_from_this<WorkerThread> {
  public:
    WorkerThread() = default;
    virtual ~WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts the run body of `w` on a new thread. `onEnd`, when set, runs on the UI thread
    // after the body has returned, unless the instance was halted first.
    static void Start(const std::shared_ptr<WorkerThread>& w, std::shared_ptr<MainQueue> channel,
                      std::function<void()> onEnd = {});

    // Any thread. The body's later writes and the end handler are dropped; a Query it is
    // waiting in returns nullopt at once.
    void Halt();
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
    // Makes `read` the one Halt ends (nullptr: none); false when already halted.
    bool WaitingOn(std::shared_ptr<detail::PendingRead> read);

    std::shared_ptr<MainQueue> channel_;
    std::mutex readMutex_;
    std::shared_ptr<detail::PendingRead> read_;
    std::atomic<bool> halted_{false};
    std::atomic<bool> running_{false};
    std::atomic<bool> finished_{false};
};

template <typename T>
std::optional<T> WorkerThread::Query(std::function<T()> read) {
    if (!channel_)
        return std::nullopt;
    auto pending = std::make_shared<detail::Read<T>>();
    if (!WaitingOn(pending))
        return std::nullopt;
    auto reply = std::make_shared<detail::ReadReply<T>>(pending);
    std::weak_ptr<WorkerThread> self = weak_from_this();
    channel_->Post(this, [reply = std::move(reply), self, read = std::move(read)] {
        auto w = self.lock();
        if (w && !w->Halted())
            reply->Send(read());
    });
    // A refused post has dropped the reply already, and with it the wait.
    std::optional<T> answer = pending->Wait();
    WaitingOn(nullptr);
    return answer;
}

}  // namespace orv::task
