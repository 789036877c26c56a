#include "controls/worker.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QThread>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace orv::ui {
namespace {

// Pumps the UI thread's events until `done` or two seconds have passed.
template <typename Pred>
bool PumpUntil(Pred done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 2000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::usleep(200);
    }
    return done();
}

// Writes 0..n-1, each through the UI thread; may wait at a gate before each write.
class Counter final : public WorkerThread {
  public:
    Counter(std::vector<int>& out, int n) : out_(out), n_(n) {}

    void OpenGate() {
        std::lock_guard l(m_);
        gateOpen_ = true;
        cv_.notify_all();
    }
    bool useGate = false;
    std::atomic<int> reached{0};

  protected:
    void Execute() override {
        for (int i = 0; i < n_; ++i) {
            if (useGate && i == 1) {
                reached = 1;
                std::unique_lock l(m_);
                cv_.wait(l, [this] { return gateOpen_; });
            }
            // The body makes its writes; whether they land is the model's business.
            if (!Synchronize([this, i] { out_.push_back(i); }))
                return;
        }
    }

  private:
    std::vector<int>& out_;
    int n_;
    std::mutex m_;
    std::condition_variable cv_;
    bool gateOpen_ = false;
};

struct WorkerFixture : ::testing::Test {
    QObject window;
    std::shared_ptr<UiChannel> channel = std::make_shared<UiChannel>(&window);
};

TEST_F(WorkerFixture, WritesArriveInOrderThenTheEndHandler) {
    std::vector<int> out;
    bool ended = false;
    auto w = std::make_shared<Counter>(out, 5000);
    WorkerThread::Start(w, channel, [&] {
        out.push_back(-1);
        ended = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return ended; }));
    ASSERT_EQ(out.size(), 5001u);
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(out[i], i);
    EXPECT_EQ(out.back(), -1);
    EXPECT_TRUE(w->Finished());
    EXPECT_FALSE(w->Running());
}

TEST_F(WorkerFixture, HaltDropsQueuedWritesAndTheEndHandler) {
    std::vector<int> out;
    bool ended = false;
    auto w = std::make_shared<Counter>(out, 1000);
    WorkerThread::Start(w, channel, [&] { ended = true; });
    // Let the body finish while the UI thread delivers nothing, then halt.
    while (w->Running())
        QThread::usleep(100);
    ASSERT_TRUE(out.empty());  // nothing delivered yet: all 1000 writes and the end are queued
    w->Halt();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(out.empty()) << out.size() << " writes landed after the halt";
    EXPECT_FALSE(ended);
    EXPECT_FALSE(w->Finished());
}

TEST_F(WorkerFixture, HaltMidRunStopsTheBodyAtItsNextStep) {
    std::vector<int> out;
    bool ended = false;
    auto w = std::make_shared<Counter>(out, 100);
    w->useGate = true;
    WorkerThread::Start(w, channel, [&] { ended = true; });
    ASSERT_TRUE(PumpUntil([&] { return w->reached.load() == 1 && out.size() == 1; }));
    w->Halt();
    w->OpenGate();
    ASSERT_TRUE(PumpUntil([&] { return !w->Running(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(out, std::vector<int>{0});
    EXPECT_FALSE(ended);
}

TEST_F(WorkerFixture, QueryReadsOnTheUiThread) {
    struct Reader final : WorkerThread {
        std::optional<int> got;
        Qt::HANDLE seenOn = nullptr;
        void Execute() override {
            got = Query<int>([this] {
                seenOn = QThread::currentThreadId();
                return 42;
            });
        }
    };
    auto r = std::make_shared<Reader>();
    WorkerThread::Start(r, channel);
    ASSERT_TRUE(PumpUntil([&] { return !r->Running(); }));
    EXPECT_EQ(r->got, 42);
    EXPECT_EQ(r->seenOn, QThread::currentThreadId());
}

TEST(Worker, WindowGoneBeforeTheBodyEnds) {
    // The window (channel target) goes away while the body is still running; the body's
    // later writes, its query and its end must go nowhere.
    std::vector<int> out;
    bool ended = false;
    auto w = std::make_shared<Counter>(out, 10);
    w->useGate = true;
    {
        auto window = std::make_unique<QObject>();
        auto channel = std::make_shared<UiChannel>(window.get());
        WorkerThread::Start(w, channel, [&] { ended = true; });
        ASSERT_TRUE(PumpUntil([&] { return w->reached.load() == 1; }));
        channel->Close();
        window.reset();
    }
    w->OpenGate();
    ASSERT_TRUE(PumpUntil([&] { return !w->Running(); }));
    QCoreApplication::processEvents();
    EXPECT_LE(out.size(), 1u);
    EXPECT_FALSE(ended);
}

}  // namespace
}  // namespace orv::ui
