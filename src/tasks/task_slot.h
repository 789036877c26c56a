// One tool's current task. Start halts the task before it, so a tool never has two runs
// writing to its page; the slot halts its task when it goes (with the page that owns it).
#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "tasks/worker.h"

namespace orv::task {

class TaskSlot {
  public:
    TaskSlot() = default;
    ~TaskSlot() { Halt(); }
    TaskSlot(const TaskSlot&) = delete;
    TaskSlot& operator=(const TaskSlot&) = delete;

    // Main thread. Halts the current task, then starts `w` on `queue` as the current one.
    // `onEnd` runs on the main thread after the body has returned, unless `w` was halted.
    void Start(std::shared_ptr<WorkerThread> w, std::shared_ptr<MainQueue> queue,
               std::function<void()> onEnd = {}) {
        Halt();
        current_ = std::move(w);
        WorkerThread::Start(current_, std::move(queue), std::move(onEnd));
    }

    // Halts the current task, if any; it stays current until the next Start.
    void Halt() {
        if (current_)
            current_->Halt();
    }

    // The task of the last Start (nullptr before the first).
    const std::shared_ptr<WorkerThread>& Current() const { return current_; }
    bool Empty() const { return !current_; }
    // True while the current task works: started, not halted, body not returned.
    bool Running() const { return current_ && current_->Running() && !current_->Halted(); }

  private:
    std::shared_ptr<WorkerThread> current_;
};

}  // namespace orv::task
