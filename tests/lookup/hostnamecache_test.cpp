// The host name cache against a resolver the test holds and lets go: names come back on the
// owner's thread, each address is looked up once, only so many threads resolve at a time, and
// answers that come after the cache is gone are dropped.
#include "lookup/hostnamecache.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "gate.h"

namespace orv {
namespace {

using namespace std::chrono_literals;

// A resolver that holds every call until released, and counts what it was asked.
class HeldResolver {
  public:
    HeldResolver() { gate_.Close(); }
    std::string Resolve(const std::string& ip) {
        {
            std::lock_guard l(m_);
            ++calls_[ip];
        }
        gate_.Pass();
        return ip == "192.0.2.1" ? "one.example" : "X";
    }
    void Release() { gate_.Open(); }
    // Waits until `n` calls are inside; false after a generous while.
    bool WaitInside(int n) { return gate_.AwaitWaiting(n, 10s); }
    bool WaitIdle() { return WaitInside(0); }
    std::map<std::string, int> Calls() {
        std::lock_guard l(m_);
        return calls_;
    }
    int MostInside() { return gate_.MostWaiting(); }

  private:
    std::mutex m_;
    test::Gate gate_;
    std::map<std::string, int> calls_;
};

// The owner's thread: what the resolver threads post waits here until the test runs it.
class Posted {
  public:
    bool Post(std::function<void()> fn) {
        std::lock_guard l(m_);
        queue_.push_back(std::move(fn));
        arrived_.notify_all();
        return true;
    }
    // Runs what was posted until `n` functions have run in all; false after a generous while.
    bool RunUntil(std::size_t n) {
        for (;;) {
            std::function<void()> fn;
            {
                std::unique_lock l(m_);
                if (ran_ >= n)
                    return true;
                if (!arrived_.wait_for(l, 10s, [this] { return !queue_.empty(); }))
                    return false;
                fn = std::move(queue_.front());
                queue_.pop_front();
                ++ran_;
            }
            fn();
        }
    }

    // Drops what is there, unrun.
    void Drop() {
        std::lock_guard l(m_);
        queue_.clear();
    }

    // Runs what is there now.
    void RunQueued() {
        std::deque<std::function<void()>> q;
        {
            std::lock_guard l(m_);
            q.swap(queue_);
            ran_ += q.size();
        }
        for (auto& fn : q)
            fn();
    }

  private:
    std::mutex m_;
    std::condition_variable arrived_;
    std::deque<std::function<void()>> queue_;
    std::size_t ran_ = 0;
};

struct Answer {
    std::string ip, name;
    bool operator==(const Answer&) const = default;
};

class HostNames : public ::testing::Test {
  protected:
    // `hostsFile`: the names known at once.
    std::unique_ptr<HostNameCache> Make(int threads,
                                        std::map<std::string, std::string> hostsFile = {}) {
        // Goes with the cache's shared state: once the cache and every resolver thread have
        // let go of it, `letGo` is set.
        made = true;
        std::shared_ptr<void> token(nullptr, [this](void*) { letGo.set_value(); });
        return std::make_unique<HostNameCache>(
            [this](std::function<void()> fn) { return posted.Post(std::move(fn)); },
            [this](const std::string& ip, const std::string& name) {
                answers.push_back({ip, name});
            },
            threads, [this, token](const std::string& ip) { return resolver.Resolve(ip); },
            [hostsFile = std::move(hostsFile)](const std::string& ip) {
                auto it = hostsFile.find(ip);
                return it == hostsFile.end() ? std::nullopt
                                             : std::optional<std::string>(it->second);
            });
    }
    // Waits until the cache is gone and no resolver thread is left.
    bool AllLetGo() { return letGoFuture.wait_for(10s) == std::future_status::ready; }
    void TearDown() override {
        // No resolver thread may still be inside the resolver when the test's objects go.
        resolver.Release();
        EXPECT_TRUE(resolver.WaitIdle());
        // Answers not run hold the cache's state; the last resolver thread must be gone before
        // the fixture is.
        posted.Drop();
        if (made) {
            EXPECT_TRUE(AllLetGo());
        }
    }

    HeldResolver resolver;
    Posted posted;
    std::vector<Answer> answers;
    bool made = false;
    std::promise<void> letGo;
    std::future<void> letGoFuture = letGo.get_future();
};

TEST_F(HostNames, TextsThatCannotHaveANameAreNotLookedUp) {
    auto cache = Make(2);
    // The listener's remote text, trimmed, is six dots.
    for (const char* text : {"0.0.0.0", "255.255.255.255", "......", "", "X", "host.example"})
        EXPECT_EQ(cache->Name(text), "X") << text;
    EXPECT_EQ(cache->Pending(), 0u);
    EXPECT_EQ(cache->Threads(), 0);
    // An address asked after them is looked up; had any of them been queued, it would have
    // been looked up first.
    EXPECT_EQ(cache->Name("192.0.2.1"), std::nullopt);
    resolver.Release();
    ASSERT_TRUE(posted.RunUntil(1));
    EXPECT_EQ(resolver.Calls(), (std::map<std::string, int>{{"192.0.2.1", 1}}));
}

TEST_F(HostNames, ANameTheHostsFileGivesIsKnownAtOnceWhileLookupsWait) {
    auto cache = Make(1, {{"127.0.0.1", "localhost"}, {"127.0.1.1", "box.lab.example"}});
    for (int i = 1; i <= 20; ++i)
        EXPECT_EQ(cache->Name("203.0.113." + std::to_string(i)), std::nullopt);
    ASSERT_TRUE(resolver.WaitInside(1));
    // Every network look-up is held, the hosts file answers in the same call.
    EXPECT_EQ(cache->Name("127.0.0.1"), "localhost");
    EXPECT_EQ(cache->Name("127.0.1.1"), "box.lab.example");
    EXPECT_EQ(cache->Pending(), 20u);
    resolver.Release();
    ASSERT_TRUE(posted.RunUntil(20));
    EXPECT_EQ(answers.size(), 20u);
    EXPECT_EQ(resolver.Calls().count("127.0.0.1"), 0u);
    EXPECT_EQ(resolver.Calls().count("127.0.1.1"), 0u);
}

TEST_F(HostNames, AnAddressIsLookedUpOnceAndItsNameComesOnTheOwnersThread) {
    auto cache = Make(2);
    EXPECT_EQ(cache->Name("192.0.2.1"), std::nullopt);
    EXPECT_EQ(cache->Name("192.0.2.1"), std::nullopt);  // still under way: no second look-up
    EXPECT_EQ(cache->Name("198.51.100.7"), std::nullopt);
    ASSERT_TRUE(resolver.WaitInside(2));
    EXPECT_EQ(cache->Pending(), 2u);
    EXPECT_TRUE(answers.empty());

    resolver.Release();
    ASSERT_TRUE(posted.RunUntil(2));
    std::sort(answers.begin(), answers.end(), [](auto& a, auto& b) { return a.ip < b.ip; });
    EXPECT_EQ(answers, (std::vector<Answer>{{"192.0.2.1", "one.example"}, {"198.51.100.7", "X"}}));
    EXPECT_EQ(cache->Pending(), 0u);

    // Known now: answered at once, without the resolver.
    EXPECT_EQ(cache->Name("192.0.2.1"), "one.example");
    EXPECT_EQ(cache->Name("198.51.100.7"), "X");
    EXPECT_EQ(resolver.Calls(),
              (std::map<std::string, int>{{"192.0.2.1", 1}, {"198.51.100.7", 1}}));
}

TEST_F(HostNames, NoMoreThreadsThanAllowedResolveAtOnce) {
    auto cache = Make(3);
    std::vector<std::string> ips;
    for (int i = 1; i <= 10; ++i)
        ips.push_back("203.0.113." + std::to_string(i));
    for (const auto& ip : ips)
        EXPECT_EQ(cache->Name(ip), std::nullopt);
    ASSERT_TRUE(resolver.WaitInside(3));
    EXPECT_EQ(cache->Threads(), 3);  // no fourth was started
    EXPECT_EQ(cache->Pending(), ips.size());

    // Let go, the waiting addresses are taken in turn and every one is answered once.
    resolver.Release();
    ASSERT_TRUE(posted.RunUntil(ips.size()));
    EXPECT_EQ(answers.size(), ips.size());
    EXPECT_EQ(resolver.Calls().size(), ips.size());
    EXPECT_LE(resolver.MostInside(), 3);
    EXPECT_EQ(cache->Pending(), 0u);
}

TEST_F(HostNames, ForgetKeepsLookupsUnderWay) {
    auto cache = Make(2);
    cache->Name("192.0.2.1");
    resolver.Release();
    ASSERT_TRUE(posted.RunUntil(1));

    // A known name is forgotten: asked again, it is looked up again.
    cache->Forget();
    EXPECT_EQ(cache->Name("192.0.2.1"), std::nullopt);
    ASSERT_TRUE(posted.RunUntil(2));
    EXPECT_EQ(resolver.Calls()["192.0.2.1"], 2);
    EXPECT_EQ(answers.size(), 2u);
}

TEST_F(HostNames, ForgetDuringALookupDoesNotStartAnother) {
    auto cache = Make(2);
    cache->Name("192.0.2.1");
    ASSERT_TRUE(resolver.WaitInside(1));
    cache->Forget();
    EXPECT_EQ(cache->Name("192.0.2.1"), std::nullopt);
    resolver.Release();
    ASSERT_TRUE(posted.RunUntil(1));
    EXPECT_EQ(answers, (std::vector<Answer>{{"192.0.2.1", "one.example"}}));
    EXPECT_EQ(resolver.Calls()["192.0.2.1"], 1);
    EXPECT_EQ(cache->Name("192.0.2.1"), "one.example");
}

TEST_F(HostNames, AnswersAfterTheCacheIsGoneAreDropped) {
    auto cache = Make(1);
    cache->Name("192.0.2.1");
    cache->Name("198.51.100.7");  // waits for the one thread
    ASSERT_TRUE(resolver.WaitInside(1));
    cache.reset();

    resolver.Release();
    ASSERT_TRUE(AllLetGo());
    // The look-up under way ran to its end, the waiting one never started, nothing answered.
    EXPECT_EQ(resolver.Calls(), (std::map<std::string, int>{{"192.0.2.1", 1}}));
    posted.RunQueued();
    EXPECT_TRUE(answers.empty());
}

}  // namespace
}  // namespace orv
