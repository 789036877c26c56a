#include "controls/worker.h"

#include <QMetaObject>
#include <thread>

namespace orv::ui {

void UiChannel::Close() {
    std::lock_guard lock(m_);
    target_ = nullptr;
}

bool UiChannel::IsOpen() {
    std::lock_guard lock(m_);
    return target_ != nullptr;
}

bool UiChannel::Post(std::function<void()> fn) {
    // Holding the lock while posting keeps the target alive: it is closed (under the same
    // lock) before it is destroyed.
    std::lock_guard lock(m_);
    if (!target_) return false;
    return QMetaObject::invokeMethod(target_, std::move(fn), Qt::QueuedConnection);
}

void WorkerThread::Start(const std::shared_ptr<WorkerThread>& w, std::shared_ptr<UiChannel> channel,
                         std::function<void()> onEnd) {
    w->channel_ = std::move(channel);
    w->running_.store(true, std::memory_order_release);
    // The thread owns a reference, so the instance outlives its body whatever the UI does.
    std::thread([self = w, onEnd = std::move(onEnd)]() mutable { self->Run(std::move(onEnd)); })
        .detach();
}

void WorkerThread::Run(std::function<void()> onEnd) {
    try {
        Execute();
    } catch (...) {
        // An error inside a run ends the run without a message.
    }
    running_.store(false, std::memory_order_release);
    channel_->Post([self = shared_from_this(), onEnd = std::move(onEnd)] {
        if (self->Halted()) return;
        self->finished_.store(true, std::memory_order_release);
        if (onEnd) onEnd();
    });
}

bool WorkerThread::Synchronize(std::function<void()> write) {
    if (Halted() || !channel_) return false;
    return channel_->Post([self = shared_from_this(), write = std::move(write)] {
        if (!self->Halted()) write();
    });
}

}  // namespace orv::ui
