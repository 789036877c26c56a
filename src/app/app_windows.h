// Every window of the program, created once at start-up in a fixed order and kept until the
// process ends.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "app/about_box.h"
#include "app/export_dialogs.h"
#include "app/list_dialogs.h"
#include "app/main_window.h"

namespace orv {

struct AppWindows {
    std::unique_ptr<Tmain> main;
    std::unique_ptr<Twhereis_add> whereis_add;
    std::unique_ptr<Twhereis_update> whereis_update;
    std::unique_ptr<Tping_add> ping_add;
    std::unique_ptr<Tping_update> ping_update;
    std::unique_ptr<Tping_export> ping_export;
    std::unique_ptr<Tabout> about;
    std::unique_ptr<Tip_add> ip_add;
    std::unique_ptr<Tip_update> ip_update;
    std::unique_ptr<Tnametoip_export> nametoip_export;
    std::unique_ptr<Tcountry_export> country_export;
    std::unique_ptr<Tmonitor_export> monitor_export;
    std::unique_ptr<Tfilter_help> filter_help;
    std::unique_ptr<QDialog> localinfo;

    AppWindows() = default;
    ~AppWindows();
    AppWindows(const AppWindows&) = delete;
    AppWindows& operator=(const AppWindows&) = delete;

    // Builds the windows, `main` first, so it is the application's main window.
    static std::unique_ptr<AppWindows> Create(const std::string& programFolder,
                                              ScannerControl* scanner = nullptr);
};

}  // namespace orv
