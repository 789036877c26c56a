// The guard at every place Qt calls the program: event handlers, slots and lambdas given to
// connect(), timers, queued calls and the task queue's drain. Qt's own code around those places
// is not exception-safe, so nothing may leave them by an exception. The guard catches whatever
// the body throws and hands it to the fault reporter; the application installs one that shows
// the standard error box where a box fits and logs otherwise. Without one, faults are logged to
// stderr.
#pragma once

#include <atomic>
#include <cstdio>
#include <exception>
#include <string>
#include <utility>

namespace orv {

// Whether the place may show its fault in a box. A box runs an event loop of its own, which
// must not start inside a paint, a drag or the shut-down: such places only log.
enum class FaultBox { Fits, LogOnly };

struct Fault {
    const char* where;  // the place Qt called, e.g. "TmxSideBar::mouseReleaseEvent"
    std::string what;   // the exception's text
    FaultBox box;
};

using FaultReporter = void (*)(const Fault&);

// One line on stderr; the reporter in force when none is installed.
inline void LogFault(const Fault& fault) noexcept {
    std::fprintf(stderr, "orvelan: %s: %s\n", fault.where, fault.what.c_str());
}

namespace detail {
inline std::atomic<FaultReporter> g_faultReporter{&LogFault};
}  // namespace detail

// Installs `reporter` (nullptr: back to logging) and returns the one it replaces.
inline FaultReporter SetFaultReporter(FaultReporter reporter) noexcept {
    return detail::g_faultReporter.exchange(reporter != nullptr ? reporter : &LogFault);
}

// Reports the exception `error` caught at `where`. Never throws: a reporter that fails is
// answered by a log line.
inline void ReportFault(const char* where, const std::exception_ptr& error,
                        FaultBox box = FaultBox::Fits) noexcept {
    Fault fault{where, {}, box};
    try {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            fault.what = e.what();
        } catch (...) {
            fault.what = "Unknown exception";
        }
        detail::g_faultReporter.load()(fault);
    } catch (...) {
        LogFault(fault);
    }
}

// Runs `body`; whatever it throws is reported and goes no further. True when it returned.
template <typename Body>
bool Guarded(const char* where, Body&& body, FaultBox box = FaultBox::Fits) noexcept {
    try {
        std::forward<Body>(body)();
        return true;
    } catch (...) {
        ReportFault(where, std::current_exception(), box);
        return false;
    }
}

// `slot`, a call without arguments, wrapped in the guard for connect(); it takes no signal
// arguments, so Qt drops those the signal passes. A slot that needs them calls Guarded itself.
template <typename Slot>
auto GuardedSlot(const char* where, Slot slot, FaultBox box = FaultBox::Fits) {
    return [where, box, slot = std::move(slot)]() mutable { Guarded(where, slot, box); };
}

}  // namespace orv
