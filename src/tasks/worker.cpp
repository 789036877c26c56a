#include "tasks/worker.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <algorithm>
#include <thread>

#include "common/boundary_guard.h"

namespace orv::task {

void MainQueue::Close() {
    // Dropped outside the lock: a dropped read ends its worker's wait as it goes.
    std::deque<Write> dropped;
    std::vector<Held> droppedHeld;
    std::lock_guard lock(m_);
    target_ = nullptr;
    dropped.swap(queue_);
    droppedHeld.swap(held_);
}

bool MainQueue::IsOpen() {
    std::lock_guard lock(m_);
    return target_ != nullptr;
}

bool MainQueue::Post(const void* owner, std::function<void()> fn) {
    // Holding the lock while posting keeps the target alive: it is closed (under the same
    // lock) before it is destroyed.
    std::lock_guard lock(m_);
    if (!target_)
        return false;
    queue_.push_back({owner, std::move(fn)});
    // A drain between two writes picks this one up itself; one running a write may be in a
    // nested event loop, and a new drain event keeps the writes flowing inside it.
    if (!drainPosted_ && !draining_)
        PostDrain();
    return true;
}

void MainQueue::PostDrain() {
    drainPosted_ = true;
    QMetaObject::invokeMethod(
        target_,
        GuardedSlot("task::MainQueue::Drain", [self = shared_from_this()] { self->Drain(); }),
        Qt::QueuedConnection);
}

bool MainQueue::IsOpenOwner(const void* owner) const {
    for (const void* o : open_)
        if (o == owner)
            return true;
    return false;
}

bool MainQueue::HasRunnable() const {
    if (!queue_.empty())
        return true;
    for (const Held& h : held_)
        if (!h.writes.empty() && !IsOpenOwner(h.owner))
            return true;
    return false;
}

bool MainQueue::TakeNext(Write& out) {
    // Writes held back for an owner whose write has closed come before its newer ones.
    for (auto it = held_.begin(); it != held_.end(); ++it) {
        if (IsOpenOwner(it->owner))
            continue;
        out = {it->owner, std::move(it->writes.front())};
        it->writes.pop_front();
        if (it->writes.empty())
            held_.erase(it);
        return true;
    }
    while (!queue_.empty()) {
        Write w = std::move(queue_.front());
        queue_.pop_front();
        auto held = std::find_if(held_.begin(), held_.end(),
                                 [&](const Held& h) { return h.owner == w.owner; });
        if (held != held_.end()) {
            held->writes.push_back(std::move(w.fn));
        } else if (IsOpenOwner(w.owner)) {
            held_.push_back({w.owner, {}});
            held_.back().writes.push_back(std::move(w.fn));
        } else {
            out = std::move(w);
            return true;
        }
    }
    return false;
}

void MainQueue::Drain() {
    // One write at a time off the shared queue, its owner marked open while it runs: a write
    // that runs a nested event loop (a message box) lets the drain posted meanwhile run the
    // other owners' writes inside that loop. After a slice of time the drain yields, so the
    // window keeps painting under a flood of writes.
    QElapsedTimer slice;
    slice.start();
    std::unique_lock lock(m_);
    drainPosted_ = false;
    draining_ = true;
    // On every way out, with the lock held: the next post starts a drain again.
    struct Stop {
        bool& draining;
        ~Stop() { draining = false; }
    } stop{draining_};
    for (;;) {
        if (!target_)
            break;
        if (slice.elapsed() >= 20) {
            if (!drainPosted_ && HasRunnable())
                PostDrain();
            break;
        }
        Write w;
        if (!TakeNext(w))
            break;
        open_.push_back(w.owner);
        draining_ = false;
        lock.unlock();
        // Writes nest one per event loop, so this write's owner is the last one open when
        // it returns. A write that throws is reported and the drain goes on with the next.
        struct Reopen {
            std::unique_lock<std::mutex>& lock;
            MainQueue& channel;
            ~Reopen() {
                lock.lock();
                channel.open_.pop_back();
                channel.draining_ = true;
            }
        } reopen{lock, *this};
        Guarded("task::MainQueue write", w.fn);
        w.fn = nullptr;  // a dropped read ends its wait before the next write runs
    }
}

void WorkerThread::Start(const std::shared_ptr<WorkerThread>& w, std::shared_ptr<MainQueue> channel,
                         std::function<void()> onEnd) {
    w->channel_ = std::move(channel);
    w->running_.store(true, std::memory_order_release);
    // The thread owns a reference, so the instance outlives its body whatever the UI does.
    std::thread([self = w, onEnd = std::move(onEnd)]() mutable {
        self->Run(std::move(onEnd));
    }).detach();
}

void WorkerThread::Run(std::function<void()> onEnd) {
    try {
        Execute();
    } catch (...) {
        // An error inside a run ends the run without a message.
    }
    running_.store(false, std::memory_order_release);
    channel_->Post(this, [self = shared_from_this(), onEnd = std::move(onEnd)] {
        if (self->Halted())
            return;
        self->finished_.store(true, std::memory_order_release);
        if (onEnd)
            onEnd();
    });
    // The queued end holds this instance; letting go of the channel here keeps the two from
    // holding each other when the end is never delivered.
    channel_.reset();
}

bool WorkerThread::Synchronize(std::function<void()> write) {
    if (Halted() || !channel_)
        return false;
    return channel_->Post(this, [self = shared_from_this(), write = std::move(write)] {
        if (!self->Halted())
            write();
    });
}

void WorkerThread::Halt() {
    halted_.store(true, std::memory_order_release);
    std::lock_guard lock(readMutex_);
    if (read_)
        read_->Cancel();
}

bool WorkerThread::WaitingOn(std::shared_ptr<detail::PendingRead> read) {
    std::lock_guard lock(readMutex_);
    read_ = Halted() ? nullptr : std::move(read);
    return !Halted();
}

}  // namespace orv::task
