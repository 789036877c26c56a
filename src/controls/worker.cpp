#include "controls/worker.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <thread>

namespace orv::ui {

void UiChannel::Close() {
    std::deque<std::function<void()>> dropped;
    std::lock_guard lock(m_);
    target_ = nullptr;
    dropped.swap(queue_);
}

bool UiChannel::IsOpen() {
    std::lock_guard lock(m_);
    return target_ != nullptr;
}

bool UiChannel::Post(std::function<void()> fn) {
    // Holding the lock while posting keeps the target alive: it is closed (under the same
    // lock) before it is destroyed.
    std::lock_guard lock(m_);
    if (!target_)
        return false;
    queue_.push_back(std::move(fn));
    if (!drainPosted_) {
        drainPosted_ = true;
        QMetaObject::invokeMethod(
            target_, [self = shared_from_this()] { self->Drain(); }, Qt::QueuedConnection);
    }
    return true;
}

void UiChannel::Drain() {
    // One write at a time off the shared queue: a write that runs a nested event loop (a
    // message box) and with it another drain still sees the rest in order. After a slice of
    // time the drain yields, so the window keeps painting under a flood of writes.
    QElapsedTimer slice;
    slice.start();
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(m_);
            if (queue_.empty() || !target_) {
                drainPosted_ = false;
                return;
            }
            if (slice.elapsed() >= 20) {
                QMetaObject::invokeMethod(
                    target_, [self = shared_from_this()] { self->Drain(); }, Qt::QueuedConnection);
                return;
            }
            fn = std::move(queue_.front());
            queue_.pop_front();
        }
        fn();
    }
}

void WorkerThread::Start(const std::shared_ptr<WorkerThread>& w, std::shared_ptr<UiChannel> channel,
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
    channel_->Post([self = shared_from_this(), onEnd = std::move(onEnd)] {
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
    return channel_->Post([self = shared_from_this(), write = std::move(write)] {
        if (!self->Halted())
            write();
    });
}

}  // namespace orv::ui
