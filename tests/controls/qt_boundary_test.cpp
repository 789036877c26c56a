// What the guard at Qt's calls does with a fault: the error box where a box fits, a log line
// elsewhere, and the program goes on.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QtTest/QtTest>
#include <stdexcept>
#include <string>

#include "common/boundary_guard.h"
#include "controls/widgets.h"
#include "scripted_dialogs.h"

namespace orv {
namespace {

TEST(QtBoundaryTest, AThrowingTimerOrClickShowsTheErrorBoxAndRunsAgain) {
    test::ScriptedDialogs dialogs;
    test::ErrorBoxFaults faults;

    ui::TTimer timer;
    int ticks = 0;
    timer.OnTimer = [&] {
        if (++ticks == 1)
            throw std::runtime_error("tick failed");
    };
    timer.setInterval(1);
    timer.SetEnabled(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 2; }, 5000));
    timer.SetEnabled(false);

    ui::TButton button("Start");
    int clicks = 0;
    button.OnClick = [&] {
        if (++clicks == 1)
            throw 7;
    };
    button.click();
    button.click();
    EXPECT_EQ(clicks, 2);

    ASSERT_EQ(dialogs.shown.size(), 2U);
    EXPECT_EQ(dialogs.shown[0].text, "tick failed");
    EXPECT_EQ(dialogs.shown[0].caption, "Orvelan");
    EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Error);
    EXPECT_EQ(dialogs.shown[0].buttons, ui::Buttons::Ok);
    EXPECT_EQ(dialogs.shown[1].text, "Unknown exception");
}

TEST(QtBoundaryTest, WhereNoBoxFitsTheFaultIsLogged) {
    struct Case {
        const char* name;
        std::function<void()> fault;
        std::string logged;
        int boxes;
    };
    const auto fail = [](const char* text) { return [text] { throw std::runtime_error(text); }; };
    const std::vector<Case> cases{
        {"a place that allows no box",
         [fail] { Guarded("paintEvent", fail("paint failed"), FaultBox::LogOnly); },
         "orvelan: paintEvent: paint failed\n", 0},
        {"a fault while its box is up", [fail] { Guarded("first", fail("first failed")); },
         "orvelan: second: second failed\n", 1},
        {"no reporter installed",
         [fail] {
             SetFaultReporter(nullptr);
             Guarded("late", fail("late failed"));
         },
         "orvelan: late: late failed\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScriptedDialogs dialogs;
        test::ErrorBoxFaults faults;
        // A box on screen runs an event loop, where another fault may come.
        dialogs.whileShown = [fail](const test::ScriptedDialogs::Shown&) {
            Guarded("second", fail("second failed"));
        };
        testing::internal::CaptureStderr();
        c.fault();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.logged);
        EXPECT_EQ(static_cast<int>(dialogs.shown.size()), c.boxes);
    }
}

TEST(QtBoundaryTest, AReporterThatFailsIsAnsweredByALogLine) {
    const FaultReporter before = SetFaultReporter([](const Fault&) { throw std::bad_alloc(); });
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Guarded("slot", [] { throw std::runtime_error("failed"); }));
    EXPECT_TRUE(Guarded("slot", [] {}));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "orvelan: slot: failed\n");
    SetFaultReporter(before);
}

}  // namespace
}  // namespace orv
