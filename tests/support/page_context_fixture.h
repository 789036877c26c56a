// A page context for tests that build one page alone: a main-thread queue on an object of its
// own, an empty settings file and, unless a test sets one, the dialogs in force.
#pragma once

#include <QObject>
#include <memory>

#include "app/page_context.h"
#include "platform/inifile.h"
#include "tasks/worker.h"

namespace orv::test {

class PageContextFixture {
  public:
    PageContextFixture() {
        context.queue = queue;
        context.settings = &settings;
    }
    ~PageContextFixture() { queue->Close(); }
    PageContextFixture(const PageContextFixture&) = delete;
    PageContextFixture& operator=(const PageContextFixture&) = delete;

    QObject target;
    std::shared_ptr<task::MainQueue> queue = std::make_shared<task::MainQueue>(&target);
    IniFile settings;
    PageContext context;
};

}  // namespace orv::test
