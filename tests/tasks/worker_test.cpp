#include "tasks/worker.h"
#include "tasks/task_slot.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "gate.h"
#include "pump.h"
#include "scripted_dialogs.h"

namespace orv::task {
namespace {

using test::PumpUntil;

// Writes 0..n-1, each through the UI thread; may wait at a gate before each write.
class Counter final : public WorkerThread {
  public:
    Counter(std::vector<int>& out, int n) : out_(out), n_(n) { gate_.Close(); }

    void OpenGate() { gate_.Open(); }
    bool useGate = false;
    std::atomic<int> reached{0};

  protected:
    void Execute() override {
        for (int i = 0; i < n_; ++i) {
            if (useGate && i == 1) {
                reached = 1;
                gate_.Pass();
            }
            // The body makes its writes; whether they land is the model's business.
            if (!Synchronize([this, i] { out_.push_back(i); }))
                return;
        }
    }

  private:
    std::vector<int>& out_;
    int n_;
    test::Gate gate_;
};

struct WorkerFixture : ::testing::Test {
    QObject window;
    std::shared_ptr<MainQueue> channel = std::make_shared<MainQueue>(&window);
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

// Writes 0..n-1 like Counter, but the write of `failing` throws.
class FailingWrite final : public WorkerThread {
  public:
    FailingWrite(std::vector<int>& out, int n, int failing) : out_(out), n_(n), failing_(failing) {}

  protected:
    void Execute() override {
        for (int i = 0; i < n_; ++i) {
            Synchronize([this, i] {
                if (i == failing_)
                    throw std::runtime_error("write failed");
                out_.push_back(i);
            });
        }
    }

  private:
    std::vector<int>& out_;
    int n_;
    int failing_;
};

TEST_F(WorkerFixture, AThrowingWriteShowsTheErrorBoxAndTheOthersStillLand) {
    test::ScriptedDialogs dialogs;
    test::ErrorBoxFaults faults;
    std::vector<int> out;
    bool ended = false;
    auto w = std::make_shared<FailingWrite>(out, 4, 1);
    WorkerThread::Start(w, channel, [&] { ended = true; });
    ASSERT_TRUE(PumpUntil([&] { return ended; }));
    EXPECT_EQ(out, (std::vector<int>{0, 2, 3}));
    ASSERT_EQ(dialogs.shown.size(), 1U);
    EXPECT_EQ(dialogs.shown[0].text, "write failed");
    EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Error);

    // The queue serves the next run as before.
    out.clear();
    ended = false;
    WorkerThread::Start(std::make_shared<Counter>(out, 3), channel, [&] { ended = true; });
    ASSERT_TRUE(PumpUntil([&] { return ended; }));
    EXPECT_EQ(out, (std::vector<int>{0, 1, 2}));
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
        auto channel = std::make_shared<MainQueue>(window.get());
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

// Waits on this thread without running its events, so nothing queued for it is answered.
template <typename Pred>
bool WaitWithoutEvents(Pred done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000)
        QThread::msleep(1);
    return done();
}

// Asks the UI thread once and keeps what it got.
struct Asker final : WorkerThread {
    std::atomic<bool> asking{false};
    std::optional<int> got = 0;
    void Execute() override {
        asking = true;
        got = Query<int>([] { return 7; });
    }
};

TEST(WorkerQuery, AWaitingQueryEndsWhenTheChannelClosesOrTheWorkerIsHalted) {
    // The UI thread never runs its events here: the read stays queued and only the close or
    // the halt can end the wait.
    struct Case {
        const char* what;
        std::function<void(MainQueue&, Asker&)> end;
    } cases[] = {
        {"channel closed", [](MainQueue& c, Asker&) { c.Close(); }},
        {"halted on the UI thread", [](MainQueue&, Asker& a) { a.Halt(); }},
        {"halted from another thread",
         [](MainQueue&, Asker& a) { std::thread([&a] { a.Halt(); }).join(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QObject window;
        auto channel = std::make_shared<MainQueue>(&window);
        auto w = std::make_shared<Asker>();
        WorkerThread::Start(w, channel);
        ASSERT_TRUE(WaitWithoutEvents([&] { return w->asking.load(); }));
        QThread::msleep(20);  // into the wait
        ASSERT_TRUE(w->Running());
        c.end(*channel, *w);
        EXPECT_TRUE(WaitWithoutEvents([&] { return !w->Running(); })) << "the query still waits";
        if (!w->Running()) {
            EXPECT_EQ(w->got, std::nullopt);
        }
        channel->Close();
    }
}

TEST(WorkerQuery, AQueryAfterTheHaltOrTheCloseDoesNotWait) {
    for (bool halt : {true, false}) {
        SCOPED_TRACE(halt ? "halted" : "closed");
        QObject window;
        auto channel = std::make_shared<MainQueue>(&window);
        auto w = std::make_shared<Asker>();
        if (halt)
            w->Halt();
        else
            channel->Close();
        WorkerThread::Start(w, channel);
        EXPECT_TRUE(WaitWithoutEvents([&] { return !w->Running(); }));
        EXPECT_EQ(w->got, std::nullopt);
        channel->Close();
    }
}

// A write that opens a nested event loop, as a message box does, while another worker's rows
// pour in: the rows keep landing, and the first worker's later writes and reads wait until
// its box is closed.
TEST_F(WorkerFixture, AWriteInANestedLoopHoldsOnlyItsOwnWorker) {
    std::vector<std::string> log;
    std::shared_ptr<Counter> rows;
    std::vector<int> rowsOut;
    bool rowsEnded = false;

    struct Boxer final : WorkerThread {
        std::vector<std::string>* log = nullptr;
        std::function<void()> box;
        void Execute() override {
            Synchronize(box);
            Synchronize([this] { log->push_back("later write"); });
            std::optional<int> read = Query<int>([this] {
                log->push_back("read");
                return 5;
            });
            Synchronize([this, read] { log->push_back("after read " + std::to_string(*read)); });
        }
    };
    auto boxer = std::make_shared<Boxer>();
    boxer->log = &log;
    boxer->box = [&] {
        log.push_back("box open");
        rows = std::make_shared<Counter>(rowsOut, 300);
        WorkerThread::Start(rows, channel, [&] { rowsEnded = true; });
        // The box stays open until the other worker has ended, or for five seconds.
        QEventLoop loop;
        QTimer poll;
        QElapsedTimer open;
        open.start();
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (rowsEnded || open.elapsed() > 5000)
                loop.quit();
        });
        poll.start(5);
        loop.exec();
        log.push_back("box closed, rows " + std::to_string(rowsOut.size()));
    };
    bool boxerEnded = false;
    WorkerThread::Start(boxer, channel, [&] {
        log.push_back("end");
        boxerEnded = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return boxerEnded; }));
    EXPECT_TRUE(rowsEnded);
    EXPECT_EQ(log, (std::vector<std::string>{"box open", "box closed, rows 300", "later write",
                                             "read", "after read 5", "end"}));
    ASSERT_EQ(rowsOut.size(), 300u);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(rowsOut[i], i);
}

// A tool's slot: a new Start halts the run before it, whose later writes and end are dropped;
// the slot halts its run when it goes.
TEST_F(WorkerFixture, ASlotKeepsOneRunPerTool) {
    std::vector<int> first, second;
    bool firstEnded = false, secondEnded = false;
    auto a = std::make_shared<Counter>(first, 100);
    a->useGate = true;
    auto b = std::make_shared<Counter>(second, 3);
    {
        TaskSlot slot;
        EXPECT_TRUE(slot.Empty());
        EXPECT_FALSE(slot.Running());
        slot.Start(a, channel, [&] { firstEnded = true; });
        ASSERT_TRUE(PumpUntil([&] { return a->reached.load() == 1 && first.size() == 1; }));
        EXPECT_TRUE(slot.Running());

        slot.Start(b, channel, [&] { secondEnded = true; });
        EXPECT_TRUE(a->Halted());
        EXPECT_EQ(slot.Current(), b);
        a->OpenGate();
        ASSERT_TRUE(PumpUntil([&] { return secondEnded && !a->Running(); }));
        EXPECT_EQ(first, std::vector<int>{0});
        EXPECT_FALSE(firstEnded);
        EXPECT_EQ(second, (std::vector<int>{0, 1, 2}));
        EXPECT_FALSE(slot.Running());

        auto c = std::make_shared<Counter>(second, 100);
        c->useGate = true;
        slot.Start(c, channel);
        ASSERT_TRUE(PumpUntil([&] { return c->reached.load() == 1; }));
        b = c;  // kept to open its gate after the slot has gone
    }
    EXPECT_TRUE(b->Halted());
    b->OpenGate();
    ASSERT_TRUE(PumpUntil([&] { return !b->Running(); }));
}

}  // namespace
}  // namespace orv::task
