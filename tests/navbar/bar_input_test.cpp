#include <gtest/gtest.h>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtTest/QtTest>

#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "counting_bar.h"
#include "navbar/caption_editor.h"
#include "navbar/navigation_bar.h"
#include "scripted_dialogs.h"

namespace orv {
void PrintTo(const TRect& r, std::ostream* os) {
    *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}
}  // namespace orv

namespace orv {
namespace {

constexpr TRect kHidden{-1000, -1000, -1000, -1000};

// Counts the paints that reach the widget, so the frames of a switch can be counted.
using TestBar = test::CountingBar;

QPoint Centre(const TRect& r) {
    return {r.Left + r.Width() / 2, r.Top + r.Height() / 2};
}

void Mouse(QWidget& w, QEvent::Type type, QPoint p, Qt::MouseButton button = Qt::NoButton) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::MouseButtons();
    QMouseEvent event(type, QPointF(p), QPointF(w.mapToGlobal(p)), button, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}
void Move(QWidget& w, QPoint p) {
    Mouse(w, QEvent::MouseMove, p);
}
void Press(QWidget& w, QPoint p) {
    Mouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton);
}
void Release(QWidget& w, QPoint p) {
    Mouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton);
}
// Hover, press and release at one point, as a user's click.
void Click(QWidget& w, QPoint p) {
    Move(w, p);
    Press(w, p);
    Release(w, p);
}

// A shown list bar 120 x 300 with `count` headers and header `active` active, laid out. The
// captions are 22 high: with header 1 active they stand at 1, 23, 255 and 277 and its body runs
// from 45 to 255.
struct ListBar {
    std::unique_ptr<TestBar> owner = std::make_unique<TestBar>();
    TestBar& bar = *owner;
    std::vector<TmxHeader*> h;
    explicit ListBar(int active = 1, int count = 4, TmxHeaderScrollType type = stAccelerated) {
        bar.resize(120, 300);
        for (int i = 0; i < count; ++i) {
            h.push_back(bar.Headers().Add());
        }
        bar.SetHeaderScrollType(stNone);
        bar.SetActiveHeader(bar.GetHeader(active));
        bar.SetHeaderScrollType(type);
        bar.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&bar));
        bar.repaint();
    }
    TmxButton* AddButton(int header, const std::string& caption = "") {
        TmxButton* b = h[static_cast<size_t>(header)]->AddButton();
        b->SetCaption(caption);
        return b;
    }
    void Layout() { bar.repaint(); }
    QPoint At(TmxButton* b) const { return Centre(b->Layout().Button); }
    QPoint Caption(int i) const { return Centre(h[static_cast<size_t>(i)]->CaptionRect()); }
};

// An explorer bar 153 x 300 (closing headers): header 0 with ten buttons, far taller than the
// bar, so the content scrolls.
struct ExplorerBar {
    std::unique_ptr<TestBar> owner = std::make_unique<TestBar>();
    TestBar& bar = *owner;
    std::vector<TmxHeader*> h;
    ExplorerBar() {
        bar.resize(153, 300);
        bar.SetViewStyle(vsExplorerBar);
        for (int i = 0; i < 2; ++i) {
            h.push_back(bar.Headers().Add());
        }
        for (int i = 0; i < 10; ++i) {
            h[0]->AddButton();
        }
        h[1]->SetOpened(false);
        bar.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&bar));
        bar.repaint();
    }
};

// ---- header switching -------------------------------------------------------------------------

// One step of a switch, as the frame hook saw it.
struct Step {
    int between;    // caption top of the header between the two
    int newEdge;    // the growing edge of the new body
    int oldEdge;    // the shrinking edge of the old body
    int boxTop;     // the button up box's top (tool box) or its left (hidden: -1000)
    int animating;  // AnimatingIndex
    bool autoLayout;
    friend bool operator==(const Step&, const Step&) = default;
};
void PrintTo(const Step& s, std::ostream* os) {
    *os << "{" << s.between << ", " << s.newEdge << ", " << s.oldEdge << ", " << s.boxTop << ", "
        << s.animating << ", " << s.autoLayout << "}";
}

TEST(BarInputTest, ListSwitchSlidesInStepsAndEndsInTheComputedLayout) {
    struct Case {
        const char* name;
        int from;
        int to;
        TmxHeaderScrollType type;
        TmxScrollView view;
        std::vector<int> moved;  // distance slid after each step
    };
    // Bodies are 210 high and the step is 20 pixels: 11 steps at most. Sliding down ends once
    // the header between reaches the old caption, sliding up once the old body is used up.
    const std::vector<int> linear{20, 40, 60, 80, 100, 120, 140, 160, 180, 200, 220};
    const std::vector<int> accelerated{20, 60, 120, 200, 300};
    const std::vector<Case> cases{
        {"down, linear", 1, 3, stLinear, ssNormal, linear},
        {"down, accelerated", 1, 3, stAccelerated, ssNormal, accelerated},
        {"up, linear", 2, 0, stLinear, ssNormal, linear},
        {"up, accelerated", 2, 0, stAccelerated, ssNormal, accelerated},
        {"up, tool box", 2, 0, stAccelerated, ssToolBox, accelerated},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListBar b(c.from, 4, c.type);
        b.bar.SetScrollView(c.view);
        b.Layout();
        const bool down = c.to > c.from;
        TmxHeader* between = b.h[static_cast<size_t>((c.from + c.to) / 2)];
        TmxHeader* oldH = b.h[static_cast<size_t>(c.from)];
        TmxHeader* newH = b.h[static_cast<size_t>(c.to)];
        const TRect betweenCaption = between->CaptionRect();
        const TRect newCaption = newH->CaptionRect();
        const TRect oldBody = oldH->BodyRect();
        const TRect upBox = b.bar.ButtonUpBox().Rect;
        std::vector<Step> steps;
        b.bar.SwitchFrameHook = [&](TmxSideBar* bar) {
            steps.push_back(
                {between->CaptionRect().Top, down ? newH->BodyRect().Top : newH->BodyRect().Bottom,
                 down ? oldH->BodyRect().Bottom : oldH->BodyRect().Top, bar->ButtonUpBox().Rect.Top,
                 bar->AnimatingIndex(), bar->AutoLayout()});
        };
        const int paints = b.bar.paints;
        b.bar.SetActiveHeader(newH);

        std::vector<Step> expected;
        for (int d : c.moved) {
            const int toolBoxTop = upBox.Top + d;
            expected.push_back({betweenCaption.Top + (down ? -d : d),
                                down ? newCaption.Bottom - 1 - d : newCaption.Bottom + d,
                                down ? oldBody.Bottom - d : oldBody.Top + d,
                                c.view == ssToolBox ? toolBoxTop : kHidden.Top, c.to, false});
        }
        EXPECT_EQ(steps, expected);
        // Two frames before the slide, then one after each step but the last.
        EXPECT_EQ(b.bar.paints - paints, 2 + static_cast<int>(c.moved.size()) - 1);
        EXPECT_EQ(b.bar.ActiveHeader(), newH);
        EXPECT_EQ(b.bar.AnimatingIndex(), -1);
        EXPECT_TRUE(b.bar.AutoLayout());
        EXPECT_FALSE(b.bar.Updating());
        EXPECT_EQ(newH->DrawState(), hbsFocused);

        // The next paint lays the bar out as a switch without a slide does.
        ListBar reference(c.to, 4, stNone);
        reference.bar.SetScrollView(c.view);
        reference.Layout();
        b.Layout();
        for (size_t i = 0; i < b.h.size(); ++i) {
            EXPECT_EQ(b.h[i]->CaptionRect(), reference.h[i]->CaptionRect()) << i;
            EXPECT_EQ(b.h[i]->BodyRect(), reference.h[i]->BodyRect()) << i;
        }
    }
}

TEST(BarInputTest, SwitchRulesDecideWhetherAndHowTheHeaderChanges) {
    struct Case {
        const char* name;
        std::function<void(ListBar&)> setup;
        int target;  // -1: nullptr
        int active;  // afterwards, -1: none
        std::vector<std::string> events;
        bool slides;
    };
    const std::vector<Case> cases{
        {"plain switch", nullptr, 2, 2, {"can 2", "change 1>2", "header 2"}, true},
        {"refused by the handler",
         [](ListBar& b) {
             b.bar.OnCanChange = [](TmxSideBar*, TmxHeader*, bool& can) { can = false; };
         },
         2,
         1,
         {"can 2"},
         false},
        {"disabled header", [](ListBar& b) { b.h[2]->SetEnabled(false); }, 2, 1, {"can 2"}, false},
        {"disabled header, changing to disabled allowed",
         [](ListBar& b) {
             b.h[2]->SetEnabled(false);
             b.bar.SetOptions(b.bar.Options() | BarOptions({boChangeToDisabled}));
         },
         2,
         2,
         {"can 2", "change 1>2", "header 2"},
         true},
        {"invisible header", [](ListBar& b) { b.h[2]->SetVisible(false); }, 2, 1, {}, false},
        {"no slide type",
         [](ListBar& b) { b.bar.SetHeaderScrollType(stNone); },
         2,
         2,
         {"can 2", "change 1>2", "header 2"},
         false},
        {"the active header again", nullptr, 1, 1, {"can 1", "change 1>1", "header 1"}, false},
        {"no header", nullptr, -1, -1, {"can -1", "change 1>-1"}, false},
        {"explorer view closing headers toggles",
         [](ListBar& b) { b.bar.SetViewStyle(vsExplorerBar); },
         2,
         2,
         {"can 2", "change 1>2", "header 2"},
         false},
        {"explorer view, standard headers slide",
         [](ListBar& b) {
             b.bar.SetViewStyle(vsExplorerBar);
             b.bar.SetExplorerMethod(emStandard);
             b.bar.SetHeaderScrollType(stNone);
             b.bar.SetActiveHeader(b.h[1]);
             b.bar.SetHeaderScrollType(stAccelerated);
             b.Layout();
         },
         2,
         2,
         {"can 2", "change 1>2", "header 2"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListBar b;
        if (c.setup) {
            c.setup(b);
        }
        std::vector<std::string> events;
        const auto index = [](TmxHeader* h) { return h ? h->HeaderIndex() : -1; };
        if (!b.bar.OnCanChange) {
            b.bar.OnCanChange = [&](TmxSideBar*, TmxHeader* h, bool&) {
                events.push_back("can " + std::to_string(index(h)));
            };
        } else {
            const auto refuse = b.bar.OnCanChange;
            b.bar.OnCanChange = [&, refuse](TmxSideBar* s, TmxHeader* h, bool& can) {
                events.push_back("can " + std::to_string(index(h)));
                refuse(s, h, can);
            };
        }
        b.bar.OnChange = [&](TmxSideBar*, int from, int to) {
            events.push_back("change " + std::to_string(from) + ">" + std::to_string(to));
        };
        for (TmxHeader* h : b.h) {
            h->OnChange = [&, h](TPersistent* sender) {
                EXPECT_EQ(sender, h);
                events.push_back("header " + std::to_string(h->HeaderIndex()));
            };
        }
        int frames = 0;
        b.bar.SwitchFrameHook = [&](TmxSideBar*) { ++frames; };
        const bool wasOpen = b.h[2]->Opened();
        b.bar.SetActiveHeader(c.target < 0 ? nullptr : b.h[static_cast<size_t>(c.target)]);
        EXPECT_EQ(events, c.events);
        EXPECT_EQ(b.bar.GetActiveIndex(), c.active);
        EXPECT_EQ(frames > 0, c.slides);
        EXPECT_EQ(b.bar.UpdateCount(), 0);
        if (std::string(c.name) == "explorer view closing headers toggles") {
            EXPECT_NE(b.h[2]->Opened(), wasOpen);
            b.bar.SetActiveHeader(b.h[2]);
            EXPECT_EQ(b.h[2]->Opened(), wasOpen);
        }
    }
}

TEST(BarInputTest, WhatFramesLetThroughCannotBreakTheSwitch) {
    struct Case {
        const char* name;
        // Runs at the second step; the bar may be gone afterwards.
        std::function<void(ListBar&)> act;
        int active;  // afterwards; -2: the bar is gone
        int headers;
    };
    const std::vector<Case> cases{
        {"another switch is ignored", [](ListBar& b) { b.bar.SetActiveHeader(b.h[0]); }, 3, 4},
        {"a click on a caption is ignored", [](ListBar& b) { Click(b.bar, b.Caption(0)); }, 3, 4},
        {"a key is ignored", [](ListBar& b) { QTest::keyClick(&b.bar, Qt::Key_Home); }, 3, 4},
        {"the new header deleted", [](ListBar& b) { b.bar.DeleteHeader(b.h[3]); }, 1, 3},
        {"the old header deleted", [](ListBar& b) { b.bar.DeleteHeader(b.h[1]); }, 2, 3},
        {"a header between deleted", [](ListBar& b) { b.bar.DeleteHeader(b.h[2]); }, 2, 3},
        {"every header deleted", [](ListBar& b) { b.bar.ClearHeaders(); }, -1, 0},
        {"the old header hidden", [](ListBar& b) { b.h[1]->SetVisible(false); }, 3, 4},
        {"the bar deleted", [](ListBar& b) { b.owner.reset(); }, -2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListBar b;
        TestBar* bar = b.owner.get();
        int steps = 0;
        bar->SwitchFrameHook = [&](TmxSideBar*) {
            if (++steps == 2) {
                c.act(b);
            }
        };
        std::vector<std::pair<int, int>> changes;
        bar->OnChange = [&](TmxSideBar*, int from, int to) { changes.emplace_back(from, to); };
        bar->SetActiveHeader(b.h[3]);
        if (c.active == -2) {
            EXPECT_EQ(b.owner, nullptr);
            continue;
        }
        // Nothing asked during the slide was even offered to the handlers.
        EXPECT_EQ(changes, (std::vector<std::pair<int, int>>{{1, 3}}));
        EXPECT_EQ(bar->GetActiveIndex(), c.active);
        EXPECT_EQ(bar->HeaderCount(), c.headers);
        EXPECT_FALSE(bar->Animating());
        EXPECT_EQ(bar->AnimatingIndex(), -1);
        EXPECT_TRUE(bar->AutoLayout());
        EXPECT_EQ(bar->UpdateCount(), 0);
        bar->repaint();
    }
}

TEST(BarInputTest, ABracketAHandlerHoldsAcrossFramesStillEndsInARepaint) {
    // What a frame lets through opens a bracket and a later frame closes it: the bar's count
    // of brackets is the only record, so the switch's own closing bracket repaints.
    ListBar b(1, 4, stLinear);
    ListBar reference(3, 4, stNone);
    int steps = 0;
    b.bar.SwitchFrameHook = [&](TmxSideBar* bar) {
        ++steps;
        if (steps == 2) {
            bar->BeginUpdate();
        } else if (steps == 4) {
            bar->EndUpdate();
        }
    };
    b.bar.SetActiveHeader(b.h[3]);
    ASSERT_GE(steps, 4);
    EXPECT_EQ(b.bar.UpdateCount(), 0);
    EXPECT_FALSE(b.bar.Updating());
    b.Layout();
    reference.Layout();
    for (size_t i = 0; i < b.h.size(); ++i) {
        EXPECT_EQ(b.h[i]->CaptionRect(), reference.h[i]->CaptionRect()) << i;
        EXPECT_EQ(b.h[i]->BodyRect(), reference.h[i]->BodyRect()) << i;
    }
}

TEST(BarInputTest, HandlersDeletingTheirHeaderLeaveNoActiveHeaderBehind) {
    struct Case {
        const char* name;
        std::function<void(ListBar&, TmxHeader*)> arm;
    };
    const std::vector<Case> cases{
        {"asked whether it may change",
         [](ListBar& b, TmxHeader* h) {
             b.bar.OnCanChange = [h](TmxSideBar* s, TmxHeader*, bool&) { s->DeleteHeader(h); };
         }},
        {"told of the change",
         [](ListBar& b, TmxHeader* h) {
             b.bar.OnChange = [h](TmxSideBar* s, int, int) { s->DeleteHeader(h); };
         }},
        {"the header's own change",
         [](ListBar& b, TmxHeader* h) {
             h->OnChange = [&b, h](TPersistent*) { b.bar.DeleteHeader(h); };
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListBar b;
        c.arm(b, b.h[2]);
        b.bar.SetActiveHeader(b.h[2]);
        EXPECT_EQ(b.bar.GetActiveIndex(), 1);
        EXPECT_EQ(b.bar.HeaderCount(), 3);
        EXPECT_EQ(b.bar.UpdateCount(), 0);
        b.bar.repaint();
    }
}

TEST(BarInputTest, SmallStepsLetPendingEventsThroughBetweenFrames) {
    ListBar b(1, 4, stLinear);
    b.bar.SetHeaderScrollValue(5);
    // Both arrive while the slide runs: the switch is dropped, the deletion ends the slide.
    QTimer::singleShot(0, &b.bar, [&] { b.bar.SetActiveHeader(b.h[0]); });
    QTimer::singleShot(0, &b.bar, [&] { b.bar.DeleteHeader(b.h[2]); });
    b.bar.SetActiveHeader(b.h[3]);
    EXPECT_EQ(b.bar.HeaderCount(), 3);
    EXPECT_EQ(b.bar.GetActiveIndex(), 2);  // header 3, now at index 2
    EXPECT_TRUE(b.bar.AutoLayout());

    // Large steps do not let them through: the switch is done when the event runs.
    ListBar large(1, 4, stLinear);
    bool ran = false;
    QTimer::singleShot(0, &large.bar, [&] { ran = true; });
    large.bar.SetActiveHeader(large.h[3]);
    EXPECT_FALSE(ran);
    QApplication::processEvents();
    EXPECT_TRUE(ran);
}

// ---- the mouse --------------------------------------------------------------------------------

TEST(BarInputTest, HotTrackingFollowsTheMouseOverCaptionsAndButtons) {
    ListBar b;
    TmxButton* first = b.AddButton(1);
    TmxButton* second = b.AddButton(1);
    second->SetCursor(crHandPoint);
    b.Layout();

    Move(b.bar, b.Caption(2));
    EXPECT_EQ(b.bar.HotHeader(), b.h[2]);
    EXPECT_EQ(b.h[2]->DrawState(), hbsFocused);
    Move(b.bar, b.At(first));
    EXPECT_EQ(b.bar.HotHeader(), nullptr);
    EXPECT_EQ(b.h[2]->DrawState(), hbsUp);
    EXPECT_EQ(b.bar.HotButton(), first);
    EXPECT_EQ(b.bar.BodyHeader(), b.h[1]);
    EXPECT_EQ(first->MouseState(), hbsFocused);
    EXPECT_EQ(b.bar.cursor().shape(), Qt::ArrowCursor);
    Move(b.bar, b.At(second));
    EXPECT_EQ(first->MouseState(), hbsUp);
    EXPECT_EQ(second->MouseState(), hbsFocused);
    EXPECT_EQ(b.bar.cursor().shape(), Qt::PointingHandCursor);

    // A press moved off its button gives it up; back on, the release does not click.
    int clicks = 0;
    first->OnClick = [&](TPersistent*) { ++clicks; };
    Move(b.bar, b.At(first));
    Press(b.bar, b.At(first));
    EXPECT_TRUE(first->PressedLook());
    Move(b.bar, QPoint(60, 200));
    EXPECT_FALSE(first->PressedLook());
    EXPECT_EQ(first->MouseState(), hbsUp);
    Move(b.bar, b.At(first));
    Release(b.bar, b.At(first));
    EXPECT_EQ(clicks, 0);

    // Leaving forgets everything hot; the cursor is the bar's own again.
    Move(b.bar, b.At(second));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&b.bar, &leave);
    EXPECT_EQ(b.bar.HotButton(), nullptr);
    EXPECT_EQ(b.bar.BodyHeader(), nullptr);
    EXPECT_EQ(second->MouseState(), hbsUp);
    EXPECT_EQ(b.h[1]->DrawState(), hbsUp);
    EXPECT_EQ(b.bar.cursor().shape(), Qt::ArrowCursor);

    // While a caption is edited the mouse is not followed and clicks nothing.
    ASSERT_TRUE(b.bar.InplaceEditor().BeginEdit(b.h[0]));
    Click(b.bar, b.At(first));
    EXPECT_EQ(b.bar.HotButton(), nullptr);
    EXPECT_EQ(clicks, 0);
    Click(b.bar, b.Caption(2));
    EXPECT_EQ(b.bar.ActiveHeader(), b.h[1]);
    b.bar.InplaceEditor().EndEdit(true);
    Click(b.bar, b.At(first));
    EXPECT_EQ(clicks, 1);
}

// A bar with a shown close header: its X is at (132, 3)-(150, 21).
struct CloseBar : ListBar {
    int closes = 0;
    QPoint x;
    CloseBar() {
        bar.resize(153, 300);
        bar.CloseButton().SetCaption("Tools");
        bar.CloseButton().SetVisible(true);
        bar.CloseButton().OnClose = [this](TPersistent* sender) {
            EXPECT_EQ(sender, &bar.CloseButton());
            ++closes;
        };
        Layout();
        x = Centre(bar.CloseButton().XRect);
    }
};

// Every press on the bar is the bar's own, whatever lies under it and whichever button: none
// goes on to the widgets under the bar (the window would take it as a drag of itself).
TEST(BarInputTest, EveryPressOnTheBarIsAccepted) {
    ListBar b;
    TmxButton* button = b.AddButton(1, "Button");
    b.AddButton(1)->SetEnabled(false);
    b.Layout();
    const struct {
        const char* what;
        QPoint at;
    } places[] = {{"a button", b.At(button)},
                  {"a disabled button", b.At(b.h[1]->GetButton(1))},
                  {"a caption", b.Caption(2)},
                  {"the empty body", {60, 200}}};
    for (const auto& place : places) {
        for (Qt::MouseButton mouse : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(place.at),
                              QPointF(b.bar.mapToGlobal(place.at)), mouse, mouse, Qt::NoModifier);
            press.ignore();
            QApplication::sendEvent(&b.bar, &press);
            EXPECT_TRUE(press.isAccepted()) << place.what << ", button " << int(mouse);
            Mouse(b.bar, QEvent::MouseButtonRelease, place.at, mouse);
        }
    }
}

// The window can show (and the pointer act on it) before the bar's first paint has run: a
// click then goes to what the bar lays out now, as it would after that paint.
TEST(BarInputTest, AClickBeforeTheFirstPaintReachesItsButton) {
    // Where the button stands, from a twin that has painted.
    ListBar twin;
    twin.AddButton(1, "Button");
    twin.Layout();
    const QPoint at = twin.At(twin.h[1]->GetButton(0));

    TestBar bar;
    bar.resize(120, 300);
    for (int i = 0; i < 4; ++i) {
        bar.Headers().Add();
    }
    bar.SetHeaderScrollType(stNone);
    bar.SetActiveHeader(bar.GetHeader(1));
    TmxButton* button = bar.GetHeader(1)->AddButton();
    button->SetCaption("Button");
    int clicks = 0;
    button->OnClick = [&](TPersistent*) { ++clicks; };
    bar.show();  // no events run: nothing has painted yet
    Click(bar, at);
    EXPECT_EQ(clicks, 1);
}

TEST(BarInputTest, CloseXClosesOnItsTimerAfterAReleaseOnIt) {
    struct Case {
        const char* name;
        std::function<void(CloseBar&)> act;
        bool timer;
    };
    const std::vector<Case> cases{
        {"click", [](CloseBar& b) { Click(b.bar, b.x); }, true},
        {"pressed while the mouse wanders over the X",
         [](CloseBar& b) {
             Move(b.bar, b.x);
             Press(b.bar, b.x);
             Move(b.bar, b.x + QPoint(2, 2));
             EXPECT_EQ(b.bar.CloseButton().XState, hbsDown);
             Release(b.bar, b.x + QPoint(2, 2));
         },
         true},
        {"moved away before the release",
         [](CloseBar& b) {
             Move(b.bar, b.x);
             Press(b.bar, b.x);
             Move(b.bar, b.x + QPoint(-30, 0));
             EXPECT_EQ(b.bar.CloseButton().XState, hbsUp);
             Move(b.bar, b.x);
             EXPECT_EQ(b.bar.CloseButton().XState, hbsFocused);
             Release(b.bar, b.x);
         },
         false},
        {"released elsewhere",
         [](CloseBar& b) {
             Move(b.bar, b.x);
             Press(b.bar, b.x);
             Release(b.bar, QPoint(60, 150));
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CloseBar b;
        Move(b.bar, b.x);
        EXPECT_EQ(b.bar.CloseButton().XState, hbsFocused);
        c.act(b);
        EXPECT_EQ(b.bar.BarTimerActive(btCloseDelay), c.timer);
        EXPECT_EQ(b.closes, 0);
        if (c.timer) {
            b.bar.BarTimerTick(btCloseDelay);
            EXPECT_EQ(b.closes, 1);
            EXPECT_FALSE(b.bar.BarTimerActive(btCloseDelay));
        }
    }

    // The timer is a real one.
    CloseBar b;
    Click(b.bar, b.x);
    EXPECT_TRUE(QTest::qWaitFor([&] { return b.closes == 1; }, 5000));
}

TEST(BarInputTest, ExplorerStripsScrollOnTheirTimerAndOnceMoreOnRelease) {
    ExplorerBar e;
    e.bar.SetAutoScrollDelay(10000);
    const QPoint down = Centre(e.bar.ExplorerDownArrow().Rect);
    Move(e.bar, down);
    EXPECT_EQ(e.bar.ExplorerDownArrow().State, saHot);
    EXPECT_EQ(e.bar.HotButton(), nullptr);
    Move(e.bar, QPoint(70, 150));
    EXPECT_EQ(e.bar.ExplorerDownArrow().State, saNormal);

    Move(e.bar, down);
    Press(e.bar, down);
    EXPECT_EQ(e.bar.ExplorerDownArrow().State, saPressed);
    EXPECT_TRUE(e.bar.BarTimerActive(btExplorerScroll));
    e.bar.BarTimerTick(btExplorerScroll);
    e.bar.BarTimerTick(btExplorerScroll);
    EXPECT_EQ(e.bar.ExplorerScrollOffset(), 100);
    Move(e.bar, down + QPoint(0, 1));
    EXPECT_EQ(e.bar.ExplorerDownArrow().State, saPressed);
    Release(e.bar, down);
    EXPECT_EQ(e.bar.ExplorerScrollOffset(), 150);
    EXPECT_EQ(e.bar.ExplorerDownArrow().State, saNormal);
    EXPECT_FALSE(e.bar.BarTimerActive(btExplorerScroll));

    // Up goes back by the same steps, never above the top.
    e.bar.repaint();
    const QPoint up = Centre(e.bar.ExplorerUpArrow().Rect);
    Click(e.bar, up);
    EXPECT_EQ(e.bar.ExplorerScrollOffset(), 100);
    e.bar.SetExplorerScrollOffset(20);
    e.bar.repaint();
    Click(e.bar, up);
    EXPECT_EQ(e.bar.ExplorerScrollOffset(), 0);

    // A tick without a pressed strip stops the timer.
    e.bar.StartBarTimer(btExplorerScroll, 10000);
    e.bar.BarTimerTick(btExplorerScroll);
    EXPECT_FALSE(e.bar.BarTimerActive(btExplorerScroll));
}

TEST(BarInputTest, ButtonBoxesScrollTheActiveHeadersButtons) {
    ListBar b;
    for (int i = 0; i < 10; ++i) {
        b.AddButton(1);
    }
    b.Layout();
    const QPoint down = Centre(b.bar.ButtonDownBox().Rect);
    Move(b.bar, down);
    EXPECT_EQ(b.bar.ButtonDownBox().State, saHot);
    // The box lies over the body: no button under it is hot.
    EXPECT_EQ(b.bar.HotButton(), nullptr);
    Press(b.bar, down);
    EXPECT_EQ(b.bar.ButtonDownBox().State, saPressed);
    EXPECT_FALSE(b.bar.BarTimerActive(btExplorerScroll));
    Release(b.bar, down);
    EXPECT_EQ(b.h[1]->FirstShown(), 1);
    EXPECT_EQ(b.bar.ButtonDownBox().State, saNormal);
    b.Layout();
    Click(b.bar, Centre(b.bar.ButtonUpBox().Rect));
    EXPECT_EQ(b.h[1]->FirstShown(), 0);
}

TEST(BarInputTest, DragTimersChangeToTheHoveredHeaderAndScrollItsButtons) {
    // Hovering: a list bar switches to the target, closing headers only open a closed one.
    ListBar b(1, 4, stNone);
    b.bar.SetDropTarget(b.h[2], nullptr);
    b.bar.StartBarTimer(btHoverChange, 10000);
    b.bar.BarTimerTick(btHoverChange);
    EXPECT_EQ(b.bar.ActiveHeader(), b.h[2]);
    EXPECT_FALSE(b.bar.BarTimerActive(btHoverChange));
    ExplorerBar e;
    for (bool open : {false, true}) {
        e.h[1]->SetOpened(open);
        e.bar.SetDropTarget(e.h[1], nullptr);
        e.bar.BarTimerTick(btHoverChange);
        EXPECT_TRUE(e.h[1]->Opened());
    }

    // Scrolling follows the pressed box and stops the timer when none is pressed.
    for (int i = 0; i < 10; ++i) {
        b.AddButton(2);
    }
    b.Layout();
    b.bar.StartBarTimer(btButtonScroll, 10000);
    b.bar.ButtonDownBox().State = saPressed;
    b.bar.BarTimerTick(btButtonScroll);
    b.bar.BarTimerTick(btButtonScroll);
    EXPECT_EQ(b.h[2]->FirstShown(), 2);
    b.bar.ButtonDownBox().State = saNormal;
    b.bar.ButtonUpBox().State = saPressed;
    b.bar.BarTimerTick(btButtonScroll);
    EXPECT_EQ(b.h[2]->FirstShown(), 1);
    b.bar.ButtonUpBox().State = saNormal;
    b.bar.BarTimerTick(btButtonScroll);
    EXPECT_FALSE(b.bar.BarTimerActive(btButtonScroll));
}

// What a button's check state goes through, by mouse clicks or by its accelerator.
TEST(BarInputTest, ClicksAndAcceleratorsToggleCheckStates) {
    struct Case {
        const char* name;
        TmxButtonKind kind;
        bool allowGrayed;
        bool accelerator;
        std::vector<TCheckBoxState> states;  // after each of four presses
    };
    const auto U = cbUnchecked;
    const auto C = cbChecked;
    const auto G = cbGrayed;
    const std::vector<Case> cases{
        {"check box, clicks", bkCheckBox, false, false, {C, U, C, U}},
        {"grayed check box, clicks", bkCheckBox, true, false, {G, C, G, C}},
        {"grayed check box, accelerator", bkCheckBox, true, true, {C, G, U, C}},
        {"push button, accelerator", bkPushButton, false, true, {C, U, C, U}},
        {"plain button, clicks", bkButton, false, false, {C, U, C, U}},
        {"plain button, accelerator", bkButton, false, true, {U, U, U, U}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListBar b;
        TmxButton* button = b.AddButton(1, "&Ping");
        button->SetButtonKind(c.kind);
        button->SetAllowGrayed(c.allowGrayed);
        int clicks = 0;
        button->OnClick = [&](TPersistent*) { ++clicks; };
        b.bar.setFocus();
        std::vector<TCheckBoxState> states;
        for (int i = 0; i < 4; ++i) {
            b.Layout();
            if (c.accelerator) {
                QTest::keyClick(&b.bar, Qt::Key_P);
            } else {
                Click(b.bar, b.At(button));
            }
            states.push_back(button->CheckState());
        }
        EXPECT_EQ(states, c.states);
        EXPECT_EQ(clicks, 4);
    }

    // A radio button is checked through its header, the others of the header unchecked.
    ListBar b;
    TmxButton* one = b.AddButton(1, "&One");
    TmxButton* two = b.AddButton(1, "&Two");
    one->SetButtonKind(bkRadioButton);
    two->SetButtonKind(bkRadioButton);
    b.Layout();
    Click(b.bar, b.At(one));
    EXPECT_TRUE(one->Checked());
    QTest::keyClick(&b.bar, Qt::Key_T);
    EXPECT_FALSE(one->Checked());
    EXPECT_TRUE(two->Checked());
}

TEST(BarInputTest, MouseEnterTakesTheFocusOnlyWhenAsked) {
    for (bool focusOnEnter : {true, false}) {
        SCOPED_TRACE(focusOnEnter);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* edit = new QLineEdit(&window);
        auto* bar = new TmxSideBar(&window);
        layout->addWidget(edit);
        layout->addWidget(bar);
        const TmxBarOptions without = bar->Options() & ~BarOptions({boFocusOnMouseEnter});
        bar->SetOptions(focusOnEnter ? without | BarOptions({boFocusOnMouseEnter}) : without);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        ASSERT_TRUE(edit->hasFocus());
        const QPointF at(5, 5);
        QEnterEvent enter(at, at, bar->mapToGlobal(at));
        QApplication::sendEvent(bar, &enter);
        EXPECT_EQ(bar->hasFocus(), focusOnEnter);
    }
}

// ---- keys -------------------------------------------------------------------------------------

TEST(BarInputTest, NavigationKeysMoveThroughTheVisibleHeaders) {
    struct Case {
        const char* name;
        int active;  // before; -1: none
        std::vector<int> hidden;
        Qt::Key key;
        int after;                // -1: none
        std::vector<int> change;  // OnChange's indexes; empty: not asked
    };
    const std::vector<Case> cases{
        {"page down", 1, {}, Qt::Key_PageDown, 2, {1, 2}},
        {"page down over a hidden header", 1, {2}, Qt::Key_PageDown, 3, {1, 3}},
        {"page down on the last", 3, {}, Qt::Key_PageDown, 3, {3, 3}},
        {"page down, nothing visible after", 2, {3}, Qt::Key_PageDown, 2, {}},
        {"page up", 2, {}, Qt::Key_PageUp, 1, {2, 1}},
        {"page up over a hidden header", 3, {1, 2}, Qt::Key_PageUp, 0, {3, 0}},
        {"page up on the first", 0, {}, Qt::Key_PageUp, 0, {0, 0}},
        {"page up, nothing visible before", 1, {0}, Qt::Key_PageUp, 1, {}},
        {"home", 2, {}, Qt::Key_Home, 0, {2, 0}},
        {"home, first hidden", 2, {0}, Qt::Key_Home, 2, {}},
        {"end", 0, {}, Qt::Key_End, 3, {0, 3}},
        {"end, last hidden", 0, {3}, Qt::Key_End, 2, {0, 2}},
        {"page down without an active header", -1, {}, Qt::Key_PageDown, -1, {-1, -1}},
        {"another key", 1, {}, Qt::Key_Down, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListBar b(0, 4, stNone);
        b.bar.SetActiveHeader(c.active < 0 ? nullptr : b.h[static_cast<size_t>(c.active)]);
        for (int i : c.hidden) {
            b.h[static_cast<size_t>(i)]->SetVisible(false);
        }
        std::vector<int> change;
        b.bar.OnChange = [&](TmxSideBar*, int from, int to) { change = {from, to}; };
        QTest::keyClick(&b.bar, c.key);
        EXPECT_EQ(b.bar.GetActiveIndex(), c.after);
        EXPECT_EQ(change, c.change);
    }

    // Without headers Home sets none and End does nothing; with closing headers Page Down on
    // the last one toggles it.
    TestBar empty;
    std::vector<int> change;
    empty.OnChange = [&](TmxSideBar*, int from, int to) { change = {from, to}; };
    QTest::keyClick(&empty, Qt::Key_End);
    EXPECT_TRUE(change.empty());
    QTest::keyClick(&empty, Qt::Key_Home);
    EXPECT_EQ(change, (std::vector<int>{-1, -1}));
    ExplorerBar e;
    e.bar.SetActiveHeader(e.h[1]);
    ASSERT_TRUE(e.h[1]->Opened());
    QTest::keyClick(&e.bar, Qt::Key_PageDown);
    EXPECT_FALSE(e.h[1]->Opened());
}

// A widget beside the bar in the same window, recording the keys that reach it.
class KeyRecorder : public QLineEdit {
  public:
    using QLineEdit::QLineEdit;
    std::vector<int> keys;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() != Qt::Key_Alt) {
            keys.push_back(event->key());
        }
        QLineEdit::keyPressEvent(event);
    }
};

TEST(BarInputTest, AcceleratorsSwitchHeadersOrClickButtonsOnlyWhenTheyMatch) {
    struct Case {
        const char* name;
        std::function<void(TmxSideBar&)> setup;
        bool fromEdit;  // Alt in the edit beside the bar; else a plain key to the focused bar
        Qt::Key key;
        int active;
        int clicks;
        bool consumed;
    };
    const auto none = [](TmxSideBar&) {};
    const std::vector<Case> cases{
        {"header letter", none, false, Qt::Key_S, 2, 0, true},
        {"header letter with Alt from the edit", none, true, Qt::Key_S, 2, 0, true},
        {"button letter of the active header", none, false, Qt::Key_W, 1, 1, true},
        {"button of another header", none, false, Qt::Key_R, 1, 0, false},
        {"no accelerator", none, true, Qt::Key_Q, 1, 0, false},
        {"a doubled & is no accelerator", none, false, Qt::Key_B, 1, 0, false},
        {"key support off", [](TmxSideBar& bar) { bar.Settings().SetKeySupport(false); }, true,
         Qt::Key_S, 1, 0, false},
        {"the header's key support off",
         [](TmxSideBar& bar) { bar.GetHeader(2)->Settings().SetKeySupport(false); }, false,
         Qt::Key_S, 1, 0, false},
        {"disabled button is consumed without a click",
         [](TmxSideBar& bar) { bar.GetHeader(1)->GetButton(0)->SetEnabled(false); }, false,
         Qt::Key_W, 1, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* edit = new KeyRecorder(&window);
        auto* bar = new TmxSideBar(&window);
        bar->setMinimumHeight(300);
        layout->addWidget(edit);
        layout->addWidget(bar);
        bar->SetHeaderScrollType(stNone);
        for (const char* caption : {"&Tools", "&Network", "&Scanner"}) {
            bar->Headers().Add()->SetCaption(caption);
        }
        bar->SetActiveHeader(bar->GetHeader(1));
        int clicks = 0;
        TmxButton* who = bar->GetHeader(1)->AddButton();
        who->SetCaption("&Whois");
        who->OnClick = [&](TPersistent*) { ++clicks; };
        bar->GetHeader(1)->AddButton()->SetCaption("Bits &&Bytes");
        bar->GetHeader(0)->AddButton()->SetCaption("&Route");
        c.setup(*bar);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QWidget* target = c.fromEdit ? static_cast<QWidget*>(edit) : bar;
        target->setFocus();
        edit->keys.clear();
        QTest::keyClick(target, c.key, c.fromEdit ? Qt::AltModifier : Qt::NoModifier);
        EXPECT_EQ(bar->GetActiveIndex(), c.active);
        EXPECT_EQ(clicks, c.clicks);
        if (c.fromEdit) {
            EXPECT_EQ(edit->keys.empty(), c.consumed);
        }
    }

    // Alt in another window is not the bar's.
    TmxSideBar bar;
    bar.Headers().Add()->SetCaption("&Tools");
    bar.Headers().Add()->SetCaption("&Scanner");
    bar.show();
    KeyRecorder elsewhere;
    elsewhere.show();
    QTest::keyClick(&elsewhere, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(bar.GetActiveIndex(), -1);
    EXPECT_EQ(elsewhere.keys, std::vector<int>{Qt::Key_S});
}

// ---- the wheel --------------------------------------------------------------------------------

void Wheel(QWidget& w, int delta, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const QPointF at(60, 150);
    QWheelEvent event(at, w.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&w, &event);
}

TEST(BarInputTest, WheelScrollsByNotchesThatSmallTurnsAddUpTo) {
    struct Case {
        const char* name;
        std::vector<int> deltas;
        int first;  // the active header's first shown button afterwards (it starts at 2)
    };
    const std::vector<Case> cases{
        {"a notch down", {-120}, 3},
        {"a notch up", {120}, 1},
        {"two notches at once still one button", {-240}, 3},
        {"half a notch up does not scroll down", {60}, 2},
        {"half notches up add up", {60, 60}, 1},
        {"touchpad steps down add up", {-40, -40, -40}, 3},
        {"a turn back starts afresh", {60, -60, 60}, 2},
        {"notch and a half, then half", {-180, -60}, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListBar b;
        for (int i = 0; i < 20; ++i) {
            b.AddButton(1);
        }
        b.Layout();
        b.h[1]->ScrollDown();
        b.h[1]->ScrollDown();
        b.Layout();
        for (int d : c.deltas) {
            Wheel(b.bar, d);
        }
        EXPECT_EQ(b.h[1]->FirstShown(), c.first);
    }

    // With a modifier the wheel is not the bar's.
    ListBar b;
    for (int i = 0; i < 20; ++i) {
        b.AddButton(1);
    }
    b.Layout();
    Wheel(b.bar, -120, Qt::ControlModifier);
    EXPECT_EQ(b.h[1]->FirstShown(), 0);

    // Closing headers scroll the whole content by ScrollChange per notch, within the strips.
    ExplorerBar e;
    Wheel(e.bar, 120);
    EXPECT_EQ(e.bar.ExplorerScrollOffset(), 0);
    Wheel(e.bar, -240);
    EXPECT_EQ(e.bar.ExplorerScrollOffset(), 100);
    e.bar.repaint();
    Wheel(e.bar, 60);
    EXPECT_EQ(e.bar.ExplorerScrollOffset(), 100);
    Wheel(e.bar, 60);
    EXPECT_EQ(e.bar.ExplorerScrollOffset(), 50);
    e.bar.repaint();
    Wheel(e.bar, 360);
    EXPECT_EQ(e.bar.ExplorerScrollOffset(), 0);
}

// ---- alert, hints, context menus --------------------------------------------------------------

TEST(BarInputTest, AlertBlinksOnItsTimerUntilTheButtonIsClicked) {
    ListBar b;
    TmxButton* button = b.AddButton(2);
    TmxButton* other = b.AddButton(2);
    b.bar.SetAlertInterval(10000);
    b.bar.SetAlertButton(button);
    EXPECT_TRUE(button->Alerting());
    EXPECT_FALSE(button->BlinkOn());
    EXPECT_TRUE(b.bar.BarTimerActive(btAlert));
    const int paints = b.bar.paints;
    b.bar.BarTimerTick(btAlert);
    EXPECT_TRUE(button->BlinkOn());
    QApplication::processEvents();
    EXPECT_GT(b.bar.paints, paints);
    b.bar.BarTimerTick(btAlert);
    EXPECT_FALSE(button->BlinkOn());

    // Moving the alert clears the old button's blink.
    b.bar.BarTimerTick(btAlert);
    b.bar.SetAlertButton(other);
    EXPECT_FALSE(button->Alerting());
    EXPECT_FALSE(button->BlinkOn());

    // A click stops it, and with it the timer.
    b.bar.SetActiveHeader(b.h[2]);
    b.Layout();
    Click(b.bar, b.At(other));
    EXPECT_EQ(b.bar.AlertButton(), nullptr);
    EXPECT_FALSE(other->Alerting());
    EXPECT_FALSE(b.bar.BarTimerActive(btAlert));

    // A tick after the button went stops the timer.
    b.bar.SetAlertButton(button);
    b.h[2]->DeleteButton(button);
    b.bar.StartBarTimer(btAlert, 10000);
    b.bar.BarTimerTick(btAlert);
    EXPECT_FALSE(b.bar.BarTimerActive(btAlert));
}

TEST(BarInputTest, HintShowsTheHotButtonsHint) {
    ListBar b;
    TmxButton* hinted = b.AddButton(1);
    hinted->SetHint("Ping the hosts of the list");
    TmxButton* plain = b.AddButton(1);
    b.bar.setToolTip("The tools");
    b.Layout();
    struct Case {
        TmxButton* button;
        QString text;
    };
    for (const Case& c : {Case{hinted, "Ping the hosts of the list"}, Case{plain, "The tools"}}) {
        SCOPED_TRACE(c.text.toStdString());
        QToolTip::hideText();
        Move(b.bar, b.At(c.button));
        QHelpEvent help(QEvent::ToolTip, b.At(c.button), b.bar.mapToGlobal(b.At(c.button)));
        QApplication::sendEvent(&b.bar, &help);
        EXPECT_EQ(QToolTip::text(), c.text);
    }
    QToolTip::hideText();
}

TEST(BarInputTest, ContextMenuGoesToTheButtonThenTheHeaderThenTheBar) {
    enum Where { OnButton, OnBody, OnCaption, OnNothing };
    struct Case {
        const char* name;
        Where where;
        std::vector<const char*> menus;  // which of button, header, bar have a menu
        const char* handledBy;           // sender whose hook sets handled; "" for none
        std::vector<std::string> asked;
        const char* shown;  // the menu that pops up; "" for none
        bool accepted;
    };
    const std::vector<Case> cases{
        {"button menu", OnButton, {"button", "header", "bar"}, "", {"button"}, "button", true},
        {"button without one falls to its header",
         OnButton,
         {"header", "bar"},
         "",
         {"button", "header"},
         "header",
         true},
        {"handled at the button", OnButton, {"button", "bar"}, "button", {"button"}, "", true},
        {"caption", OnCaption, {"header", "bar"}, "", {"header"}, "header", true},
        {"body without a header menu", OnBody, {"bar"}, "", {"header", "bar"}, "bar", true},
        {"handled by the bar's hook", OnBody, {"bar"}, "bar", {"header", "bar"}, "", true},
        {"nobody's", OnNothing, {}, "", {"bar"}, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListBar b;
        TmxButton* button = b.AddButton(1);
        b.Layout();
        QMenu buttonMenu, headerMenu, barMenu;
        buttonMenu.addAction("b");
        headerMenu.addAction("h");
        barMenu.addAction("x");
        const auto has = [&](const char* name) {
            for (const char* m : c.menus) {
                if (std::string(m) == name) {
                    return true;
                }
            }
            return false;
        };
        if (has("button")) {
            button->SetPopupMenu(&buttonMenu);
        }
        if (has("header")) {
            b.h[1]->SetPopupMenu(&headerMenu);
        }
        if (has("bar")) {
            b.bar.SetPopupMenu(&barMenu);
        }
        std::vector<std::string> asked;
        b.bar.OnContextPopup = [&](TmxSideBar*, TPersistent* sender, TPoint, bool& handled) {
            const std::string who = sender == nullptr  ? "bar"
                                    : sender == button ? "button"
                                    : sender == b.h[1] ? "header"
                                                       : "?";
            asked.push_back(who);
            handled = who == c.handledBy;
        };
        QPoint at;
        switch (c.where) {
            case OnButton:
                at = b.At(button);
                break;
            case OnBody:
                at = QPoint(60, 240);
                break;
            case OnCaption:
                at = b.Caption(1);
                break;
            case OnNothing:
                // The bevel belongs to no header.
                at = QPoint(0, 150);
                break;
        }
        Move(b.bar, at);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, b.bar.mapToGlobal(at));
        QApplication::sendEvent(&b.bar, &event);
        EXPECT_EQ(asked, c.asked);
        const std::string shown = buttonMenu.isVisible()   ? "button"
                                  : headerMenu.isVisible() ? "header"
                                  : barMenu.isVisible()    ? "bar"
                                                           : "";
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(event.isAccepted(), c.accepted);
        for (QMenu* m : {&buttonMenu, &headerMenu, &barMenu}) {
            m->close();
        }
    }

    // The caption edit's menu request is the bar's, in bar coordinates.
    ListBar b;
    b.Layout();
    ASSERT_TRUE(b.bar.InplaceEditor().BeginEdit(b.h[2]));
    TmxInplaceEdit* edit = b.bar.InplaceEditor().Edit();
    TmxInplaceEditor* from = nullptr;
    TPoint where{};
    b.bar.OnEditorContextPopup = [&](TmxInplaceEditor* sender, TPoint pos, bool& handled) {
        from = sender;
        where = pos;
        EXPECT_FALSE(handled);
        handled = true;
    };
    // Mouse requests reach the edit through its text viewport.
    const QPoint inEdit(3, 4);
    QWidget* viewport = edit->viewport();
    const QPoint inViewport = viewport->mapFrom(edit, inEdit);
    QContextMenuEvent event(QContextMenuEvent::Mouse, inViewport,
                            viewport->mapToGlobal(inViewport));
    QApplication::sendEvent(viewport, &event);
    EXPECT_EQ(from, &b.bar.InplaceEditor());
    EXPECT_EQ(where, (TPoint{edit->x() + inEdit.x(), edit->y() + inEdit.y()}));
    b.bar.InplaceEditor().EndEdit(true);
}

// ---- the Qt boundary ---------------------------------------------------------------------------

TEST(BarInputTest, ThrowingHandlersShowTheErrorBoxAndTheBarGoesOn) {
    struct Case {
        const char* name;
        // Arms a handler that throws on its first call only, then acts as the user does.
        std::function<void(CloseBar&, TmxButton*, const std::function<void()>&)> arm;
        std::function<void(CloseBar&, TmxButton*)> act;
        QString text;
    };
    const auto click = [](CloseBar& b, TmxButton* button) { Click(b.bar, b.At(button)); };
    const auto onClick = [](CloseBar&, TmxButton* button, const std::function<void()>& fail) {
        button->OnClick = [fail](TPersistent*) { fail(); };
    };
    const std::vector<Case> cases{
        {"a button's click", onClick, click, "click failed"},
        {"a key that switches the header",
         [](CloseBar& b, TmxButton*, const std::function<void()>& fail) {
             b.bar.OnChange = [fail](TmxSideBar*, int, int) { fail(); };
         },
         [](CloseBar& b, TmxButton*) { QTest::keyClick(&b.bar, Qt::Key_PageDown); },
         "click failed"},
        {"a key that clicks a button", onClick,
         [](CloseBar& b, TmxButton*) { QTest::keyClick(&b.bar, Qt::Key_G); }, "click failed"},
        {"the close timer",
         [](CloseBar& b, TmxButton*, const std::function<void()>& fail) {
             b.bar.CloseButton().OnClose = [&b, fail](TPersistent*) {
                 ++b.closes;
                 fail();
             };
         },
         [](CloseBar& b, TmxButton*) {
             const int closes = b.closes;
             Click(b.bar, b.x);
             EXPECT_TRUE(QTest::qWaitFor([&] { return b.closes > closes; }, 5000));
         },
         "click failed"},
        {"something that is no std::exception",
         [](CloseBar&, TmxButton* button, const std::function<void()>&) {
             button->OnClick = [calls = 0](TPersistent*) mutable {
                 if (calls++ == 0) {
                     throw 42;
                 }
             };
         },
         click, "Unknown exception"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScriptedDialogs dialogs;
        test::ErrorBoxFaults faults;
        CloseBar b;
        b.bar.SetActiveHeader(b.h[2]);
        TmxButton* button = b.AddButton(2, "&Go");
        b.Layout();
        b.bar.setFocus();
        int calls = 0;
        c.arm(b, button, [&calls] {
            if (calls++ == 0) {
                throw std::runtime_error("click failed");
            }
        });
        c.act(b, button);
        ASSERT_EQ(dialogs.shown.size(), 1U);
        EXPECT_EQ(dialogs.shown[0].text, c.text);
        EXPECT_EQ(dialogs.shown[0].caption, "Orvelan");
        EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Error);
        // The bar is whole: no bracket stays open, it repaints, and the same act works again.
        EXPECT_EQ(b.bar.UpdateCount(), 0);
        const int paints = b.bar.paints;
        b.bar.update();
        EXPECT_TRUE(QTest::qWaitFor([&] { return b.bar.paints > paints; }, 5000));
        c.act(b, button);
        EXPECT_EQ(dialogs.shown.size(), 1U);
    }
}

}  // namespace
}  // namespace orv
