// Running the UI thread's event loop from a test while workers deliver their writes.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace orv::test {

// Pumps events until `done` holds or `ms` pass; returns whether it holds. `between` runs after
// each round of events: a timer tick the test drives itself, say.
template <typename Pred, typename Step>
bool PumpUntil(Pred done, int ms, Step between) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        between();
        QThread::msleep(1);
    }
    return true;
}
template <typename Pred>
bool PumpUntil(Pred done, int ms = 10000) {
    return PumpUntil(done, ms, [] {});
}

// Pumps events for `ms`, whatever arrives.
template <typename Step>
void PumpFor(int ms, Step between) {
    PumpUntil([] { return false; }, ms, between);
}
inline void PumpFor(int ms) {
    PumpFor(ms, [] {});
}

// Lets whatever a worker already queued reach the page, for checks that nothing more arrives.
inline void Settle(int rounds = 20) {
    for (int i = 0; i < rounds; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

}  // namespace orv::test
