// Where a blocking fake's calls wait until the test lets them go. A call is held while the gate
// is closed, while the key it passes with is closed, or while its number lies in the range set
// by CloseFrom or CloseRange; every change is looked at again by the calls already waiting.
#pragma once

#include <chrono>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>

namespace orv::test {

class Gate {
  public:
    void Close() {
        Change([this] { closed_ = true; });
    }
    // Lets everything go: the gate, every key and every number.
    void Open() {
        Change([this] {
            closed_ = false;
            keys_.clear();
            from_ = INT_MAX;
            to_ = INT_MAX;
        });
    }
    void Close(const std::string& key) {
        Change([&] { keys_.insert(key); });
    }
    void Open(const std::string& key) {
        Change([&] { keys_.erase(key); });
    }
    // Holds the calls numbered `number` and higher.
    void CloseFrom(int number) { CloseRange(number, INT_MAX); }
    // Holds the calls numbered `from` up to, not including, `to`.
    void CloseRange(int from, int to) {
        Change([&] {
            from_ = from;
            to_ = to;
        });
    }

    // Calls inside Pass now: held, or on their way through.
    int Waiting() const {
        std::lock_guard l(m_);
        return inside_;
    }
    // The most calls that were inside Pass at one time.
    int MostWaiting() const {
        std::lock_guard l(m_);
        return most_;
    }
    // Waits until `n` calls are inside Pass; false when `limit` passes first.
    bool AwaitWaiting(int n, std::chrono::milliseconds limit) {
        std::unique_lock l(m_);
        return changed_.wait_for(l, limit, [&] { return inside_ == n; });
    }

    // The fake's side: waits while held. False when `limit` passed first; the call then goes
    // on, so a test that forgot to open fails instead of hanging.
    bool Pass(const std::string& key = {}, int number = -1,
              std::chrono::milliseconds limit = std::chrono::hours(1)) {
        std::unique_lock l(m_);
        ++inside_;
        most_ = std::max(most_, inside_);
        changed_.notify_all();
        const bool passed = changed_.wait_for(l, limit, [&] {
            return !closed_ && !keys_.count(key) && (number < 0 || number < from_ || number >= to_);
        });
        --inside_;
        changed_.notify_all();
        return passed;
    }

  private:
    template <typename Fn>
    void Change(Fn fn) {
        {
            std::lock_guard l(m_);
            fn();
        }
        changed_.notify_all();
    }

    mutable std::mutex m_;
    std::condition_variable changed_;
    bool closed_ = false;
    std::set<std::string> keys_;
    int from_ = INT_MAX;
    int to_ = INT_MAX;
    int inside_ = 0;
    int most_ = 0;
};

}  // namespace orv::test
