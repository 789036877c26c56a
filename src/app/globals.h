// The state the main window, its pages and the worker threads share, in one place so a test can
// build it afresh. Only the user-interface thread touches it; a worker gets its own copies.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/icmp.h"
#include "platform/inifile.h"
#include "tasks/worker.h"

namespace orv {

class Tmain;

struct MainGlobals {
    Tmain* main = nullptr;
    std::string ProgramFolder;  // ends in "/"
    std::unique_ptr<IniFile> SettingsFile;
    icmp::IcmpHandle IcmpHandle = icmp::kInvalidHandle;

    // The instance made by the last Start of each tool; Stop acts on it.
    std::shared_ptr<task::WorkerThread> findip_thread;
    std::shared_ptr<task::WorkerThread> findname_thread;
    std::shared_ptr<task::WorkerThread> nametoip_thread;
    std::shared_ptr<task::WorkerThread> ping_thread;
    std::shared_ptr<task::WorkerThread> whereis_single_thread;
    std::shared_ptr<task::WorkerThread> whereis_batch_thread;
    std::shared_ptr<task::WorkerThread> whois_thread;

    std::string ConverterMode;  // "nametoip" or "iptoname"
    std::int32_t ping_count = 0;
    bool TraceStop = false;
    bool TargetResolved = false;
    std::string TargetAddress;
    char SpinnerChar = 0;
};

MainGlobals& G();
// Halts every worker still running and starts from fresh state (tests, and the window's end).
void ResetGlobals();

}  // namespace orv
