#include "navbar/navigation_bar.h"
#include "counting_bar.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pump.h"

namespace orv {
namespace {

using test::CountingBar;

TEST(NavigationBarTest, NewBarHasTheTableValues) {
    TmxSideBar bar;
    const std::map<std::string, std::function<std::int64_t()>> read{
        {"AlertColor", [&] { return bar.AlertColor(); }},
        {"AutoButtonScrollDelay", [&] { return bar.AutoButtonScrollDelay(); }},
        {"AutoScrollDelay", [&] { return bar.AutoScrollDelay(); }},
        {"AutoChangeDelay", [&] { return bar.AutoChangeDelay(); }},
        {"AlertInterval", [&] { return bar.AlertInterval(); }},
        {"BevelInner", [&] { return bar.BevelInner(); }},
        {"BevelOuter", [&] { return bar.BevelOuter(); }},
        {"BevelWidth", [&] { return bar.BevelWidth(); }},
        {"BorderStyle", [&] { return bar.BorderStyle(); }},
        {"BorderWidth", [&] { return bar.BorderWidth(); }},
        {"CommonStyle", [&] { return bar.CommonStyle(); }},
        {"Color", [&] { return bar.Color(); }},
        {"DropMarkColor", [&] { return bar.DropMarkColor(); }},
        {"EachHeaderSelection", [&] { return bar.EachHeaderSelection(); }},
        {"ExplorerMethod", [&] { return bar.ExplorerMethod(); }},
        {"Flat", [&] { return bar.Flat(); }},
        {"HeaderScrollAcceleration", [&] { return bar.HeaderScrollAcceleration(); }},
        {"ScrollChange", [&] { return bar.ScrollChange(); }},
        {"HeaderScrollType", [&] { return bar.HeaderScrollType(); }},
        {"HeaderScrollValue", [&] { return bar.HeaderScrollValue(); }},
        {"PreSet", [&] { return bar.PreSet(); }},
        {"ScrollBoxSize", [&] { return bar.ScrollBoxSize(); }},
        {"ScrollView", [&] { return bar.ScrollView(); }},
        {"Options", [&] { return bar.Options(); }},
        {"ViewStyle", [&] { return bar.ViewStyle(); }},
        {"Width", [&] { return bar.width(); }},
    };
    const std::map<std::string, std::int64_t> expected{
        {"AlertColor", 255},
        {"AutoButtonScrollDelay", 600},
        {"AutoScrollDelay", 500},
        {"AutoChangeDelay", 100},
        {"AlertInterval", 500},
        {"BevelInner", bvNone},
        {"BevelOuter", bvLowered},
        {"BevelWidth", 1},
        {"BorderStyle", bsNone},
        {"BorderWidth", 0},
        {"CommonStyle", 1},
        {"Color", clBtnFace},
        {"DropMarkColor", 0},
        {"EachHeaderSelection", 0},
        {"ExplorerMethod", emCloseUp},
        {"Flat", 1},
        {"HeaderScrollAcceleration", 5},
        {"ScrollChange", 50},
        {"HeaderScrollType", stAccelerated},
        {"HeaderScrollValue", 20},
        {"PreSet", psListBar},
        {"ScrollBoxSize", 15},
        {"ScrollView", ssNormal},
        {"Options", (1 << boAcceptOLEDrop) | (1 << boAutoScroll) | (1 << boAutoChangeHeader) |
                        (1 << boFocusOnMouseEnter) | (1 << boHeaderFrame) | (1 << boInternalDrop)},
        {"ViewStyle", vsListBar},
        {"Width", 120},
    };
    ASSERT_EQ(TmxSideBar::kDefaults.size(), expected.size());
    for (const auto& d : TmxSideBar::kDefaults) {
        SCOPED_TRACE(d.Name);
        ASSERT_TRUE(read.count(d.Name));
        EXPECT_EQ(expected.at(d.Name), d.NewValue);
        EXPECT_EQ(d.NewValue, read.at(d.Name)());
    }
    // The stream defaults that differ from a new bar.
    std::map<std::string, std::optional<std::int64_t>> stream;
    for (const auto& d : TmxSideBar::kDefaults) {
        stream[d.Name] = d.StreamDefault;
    }
    EXPECT_EQ(stream["BevelOuter"], bvRaised);
    EXPECT_EQ(stream["BorderStyle"], bsSingle);
    EXPECT_EQ(stream["Options"], std::nullopt);

    EXPECT_EQ(bar.Version(), "2.13");
    EXPECT_EQ(bar.HeaderCount(), 0);
    EXPECT_EQ(bar.ActiveHeader(), nullptr);
    EXPECT_EQ(bar.GetActiveIndex(), -1);
    EXPECT_EQ(bar.HotHeader(), nullptr);
    EXPECT_EQ(bar.BodyHeader(), nullptr);
    EXPECT_EQ(bar.HotButton(), nullptr);
    EXPECT_EQ(bar.AlertButton(), nullptr);
    EXPECT_EQ(bar.ExplorerScrollOffset(), 0);
    EXPECT_EQ(bar.ExplorerUpArrow().Rect, TRect(-1000, -1000, -1000, -1000));
    EXPECT_EQ(bar.ExplorerDownArrow().Rect, TRect(-1000, -1000, -1000, -1000));
    EXPECT_EQ(bar.ButtonUpBox().Rect, TRect());
    EXPECT_EQ(bar.ButtonDownBox().State, saNormal);
    EXPECT_EQ(bar.AnimatingIndex(), -1);
    EXPECT_TRUE(bar.AutoLayout());
    EXPECT_FALSE(bar.Updating());
    EXPECT_EQ(bar.UpdateCount(), 0);
    EXPECT_EQ(bar.StoredActiveIndex(), -1);
    EXPECT_FALSE(bar.IsLoaded());
    EXPECT_EQ(bar.Border().Left(), 5);
    EXPECT_EQ(bar.focusPolicy(), Qt::TabFocus);
}

TEST(NavigationBarTest, SettersKeepTheirRules) {
    TmxSideBar bar;
    bar.SetHeaderScrollValue(0);
    bar.SetHeaderScrollAcceleration(0);
    EXPECT_EQ(bar.HeaderScrollValue(), 1);
    EXPECT_EQ(bar.HeaderScrollAcceleration(), 1);
    bar.SetVersion("9.9");
    EXPECT_EQ(bar.Version(), "2.13");

    TmxHeader* a = bar.Headers().Add();
    TmxHeader* b = bar.Headers().Add();
    a->SetAllowSelected(true);
    b->SetAllowSelected(true);
    for (int i = 0; i < 3; ++i) {
        a->AddButton();
    }
    a->SetSelectedIndex(1);
    bar.SetEachHeaderSelection(true);
    EXPECT_EQ(a->SelectedIndex(), -1);

    a->SetLastShown(0);
    a->ScrollDown();
    a->ScrollDown();
    ASSERT_EQ(a->FirstShown(), 2);
    bar.SetActiveHeader(b);
    bar.SetExplorerMethod(emStandard);
    EXPECT_EQ(a->FirstShown(), 0);
    EXPECT_EQ(bar.ActiveHeader(), a);

    bar.SetExplorerScrollOffset(40);
    bar.SetViewStyle(vsExplorerBar);
    EXPECT_EQ(bar.ViewStyle(), vsExplorerBar);
    EXPECT_EQ(bar.ExplorerScrollOffset(), 0);
}

TEST(NavigationBarTest, HeaderList) {
    TmxSideBar bar;
    std::vector<TmxHeader*> h;
    for (int i = 0; i < 4; ++i) {
        h.push_back(bar.Headers().Add());
    }
    h[2]->SetVisible(false);
    EXPECT_EQ(bar.GetHeader(-1), nullptr);
    EXPECT_EQ(bar.GetHeader(4), nullptr);
    EXPECT_EQ(bar.GetHeader(3), h[3]);
    EXPECT_EQ(bar.VisibleHeaderCount(), 3);
    struct Case {
        int index;
        int next;
    };
    for (const Case c : {Case{-1, 0}, Case{1, 3}, Case{3, -1}, Case{7, -1}}) {
        EXPECT_EQ(bar.NextVisibleIndex(c.index), c.next) << c.index;
    }
    bar.DeleteHeader(nullptr);
    bar.DeleteHeader(9);
    EXPECT_EQ(bar.HeaderCount(), 4);
    bar.DeleteHeader(h[0]);
    bar.DeleteHeader(0);
    EXPECT_EQ(bar.HeaderCount(), 2);
    EXPECT_EQ(bar.GetHeader(0), h[2]);
    bar.ClearHeaders();
    EXPECT_EQ(bar.HeaderCount(), 0);
    EXPECT_FALSE(bar.Updating());
}

TEST(NavigationBarTest, HandlersSeeAndChangeTheirOutValues) {
    TmxSideBar bar;
    TmxHeader* a = bar.Headers().Add();
    TmxHeader* b = bar.Headers().Add();
    bar.SetActiveHeader(a);

    // Refusals keep the state.
    bar.OnChangeViewStyle = [](TmxSideBar*, TmxViewStyle oldStyle, TmxViewStyle newStyle,
                               bool& canChange) {
        EXPECT_EQ(oldStyle, vsListBar);
        EXPECT_EQ(newStyle, vsExplorerBar);
        canChange = false;
    };
    bar.SetExplorerScrollOffset(30);
    bar.SetViewStyle(vsExplorerBar);
    EXPECT_EQ(bar.ViewStyle(), vsListBar);
    EXPECT_EQ(bar.ExplorerScrollOffset(), 30);

    TmxHeader* asked = nullptr;
    bar.OnCanChange = [&](TmxSideBar*, TmxHeader* next, bool& canChange) {
        asked = next;
        canChange = false;
    };
    int changes = 0;
    bar.OnChange = [&](TmxSideBar* sender, int oldIndex, int newIndex) {
        ++changes;
        EXPECT_EQ(sender, &bar);
        EXPECT_EQ(oldIndex, 0);
        EXPECT_EQ(newIndex, 1);
        // Told before the switch is made.
        EXPECT_EQ(sender->ActiveHeader(), a);
    };
    bar.SetActiveHeader(b);
    EXPECT_EQ(asked, b);
    EXPECT_EQ(bar.ActiveHeader(), a);
    EXPECT_EQ(changes, 0);

    bar.OnCanChange = nullptr;
    b->SetEnabled(false);
    bar.SetActiveHeader(b);
    EXPECT_EQ(bar.ActiveHeader(), a);
    bar.SetOptions(bar.Options() | (1 << boChangeToDisabled));
    bar.SetActiveHeader(b);
    EXPECT_EQ(bar.ActiveHeader(), b);
    EXPECT_EQ(bar.GetActiveIndex(), 1);
    EXPECT_EQ(b->DrawState(), hbsFocused);
    EXPECT_EQ(changes, 1);

    // A hidden header is ignored without asking anyone.
    asked = nullptr;
    bar.OnCanChange = [&](TmxSideBar*, TmxHeader* next, bool&) { asked = next; };
    a->SetVisible(false);
    bar.SetActiveHeader(a);
    EXPECT_EQ(asked, nullptr);
    EXPECT_EQ(bar.ActiveHeader(), b);

    // Draw handlers get a copy of the rectangle.
    struct DrawingBar : TmxSideBar {
        using TmxSideBar::DoDrawHeaderButtons;
    } drawing;
    QImage image(4, 4, QImage::Format_ARGB32);
    TCanvas canvas(&image);
    TRect seen;
    drawing.OnDrawHeaderButtons = [&](TmxSideBar*, TCanvas&, TRect r, int active) {
        seen = r;
        EXPECT_EQ(active, 3);
    };
    drawing.DoDrawHeaderButtons(canvas, TRect(1, 2, 3, 4), 3);
    EXPECT_EQ(seen, TRect(1, 2, 3, 4));
}

TEST(NavigationBarTest, NestedBracketsRepaintOnceAtTheOutermostEnd) {
    CountingBar bar;
    bar.resize(120, 200);
    bar.show();
    QApplication::processEvents();
    bar.paints = 0;

    bar.EndUpdate();  // without a bracket: nothing
    EXPECT_EQ(bar.UpdateCount(), 0);
    EXPECT_FALSE(bar.Updating());
    QApplication::processEvents();
    EXPECT_EQ(bar.paints, 0);

    bar.BeginUpdate();
    bar.BeginUpdate();
    bar.SetFlat(false);
    bar.Settings().SetHeight(30);
    bar.Headers().Add()->SetCaption("x");
    QApplication::processEvents();
    bar.EndUpdate();
    bar.SetColor(clWhite);
    bar.Border().SetTop(9);
    QApplication::processEvents();
    EXPECT_EQ(bar.paints, 0);
    EXPECT_TRUE(bar.Updating());
    bar.EndUpdate();
    QApplication::processEvents();
    EXPECT_EQ(bar.paints, 1);
    EXPECT_FALSE(bar.Updating());

    // Outside a bracket a change repaints.
    bar.SetScrollBoxSize(20);
    QApplication::processEvents();
    EXPECT_EQ(bar.paints, 2);
}

// Every slot the bar keeps a header or button in.
struct Slots {
    TmxHeader* header;
    TmxButton* button;
};
void Reference(TmxSideBar& bar, const Slots& s) {
    bar.SetActiveHeader(s.header);
    bar.SetHotHeader(s.header);
    bar.SetBodyHeader(s.header);
    bar.SetHotButton(s.button);
    bar.SetAlertButton(s.button);
    bar.SetDropTarget(s.header, s.button);
    bar.SetDragSource(s.button);
    bar.SetEditorTarget(s.header, s.button);
}
void ExpectNoReference(TmxSideBar& bar) {
    EXPECT_EQ(bar.ActiveHeader(), nullptr);
    EXPECT_EQ(bar.HotHeader(), nullptr);
    EXPECT_EQ(bar.BodyHeader(), nullptr);
    EXPECT_EQ(bar.DropHeader(), nullptr);
    EXPECT_EQ(bar.EditorHeader(), nullptr);
    EXPECT_EQ(bar.HotButton(), nullptr);
    EXPECT_EQ(bar.AlertButton(), nullptr);
    EXPECT_EQ(bar.DropButton(), nullptr);
    EXPECT_EQ(bar.DragSource(), nullptr);
    EXPECT_EQ(bar.EditorButton(), nullptr);
}

TEST(NavigationBarTest, DeletingAReferencedHeaderOrButtonClearsEverySlot) {
    struct Case {
        const char* name;
        std::function<void(TmxSideBar&, TmxHeader*, TmxButton*)> remove;
    };
    const std::vector<Case> cases{
        {"header by pointer",
         [](TmxSideBar& bar, TmxHeader* h, TmxButton*) { bar.DeleteHeader(h); }},
        {"header by index",
         [](TmxSideBar& bar, TmxHeader* h, TmxButton*) { bar.DeleteHeader(h->HeaderIndex()); }},
        {"all headers", [](TmxSideBar& bar, TmxHeader*, TmxButton*) { bar.ClearHeaders(); }},
        {"header from its collection",
         [](TmxSideBar& bar, TmxHeader* h, TmxButton*) { bar.Headers().Delete(h->HeaderIndex()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TmxSideBar bar;
        bar.Headers().Add();
        TmxHeader* h = bar.Headers().Add();
        h->AddButton();
        TmxButton* b = h->AddButton();
        Reference(bar, {h, b});
        ASSERT_EQ(bar.ActiveHeader(), h);
        // Handlers that refuse every switch must not keep the dying header alive, and
        // deletion is no switch.
        bar.OnCanChange = [](TmxSideBar*, TmxHeader*, bool& canChange) { canChange = false; };
        bar.OnChange = [](TmxSideBar*, int, int) { ADD_FAILURE() << "no switch on deletion"; };
        c.remove(bar, h, b);
        ExpectNoReference(bar);
    }
}

TEST(NavigationBarTest, DeletingAReferencedButtonClearsItsSlotsOnly) {
    struct Case {
        const char* name;
        std::function<void(TmxHeader*, TmxButton*)> remove;
    };
    const std::vector<Case> cases{
        {"through the header", [](TmxHeader* h, TmxButton* b) { h->DeleteButton(b); }},
        {"from the collection",
         [](TmxHeader* h, TmxButton* b) { h->Buttons()->Delete(b->ButtonIndex()); }},
        {"all buttons", [](TmxHeader* h, TmxButton*) { h->ClearButtons(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TmxSideBar bar;
        TmxHeader* h = bar.Headers().Add();
        h->AddButton();
        TmxButton* b = h->AddButton();
        Reference(bar, {h, b});
        c.remove(h, b);
        EXPECT_EQ(bar.ActiveHeader(), h);
        EXPECT_EQ(bar.HotHeader(), h);
        EXPECT_EQ(bar.BodyHeader(), h);
        EXPECT_EQ(bar.DropHeader(), h);
        EXPECT_EQ(bar.EditorHeader(), h);
        EXPECT_EQ(bar.HotButton(), nullptr);
        EXPECT_EQ(bar.AlertButton(), nullptr);
        EXPECT_EQ(bar.DropButton(), nullptr);
        EXPECT_EQ(bar.DragSource(), nullptr);
        EXPECT_EQ(bar.EditorButton(), nullptr);
    }
}

TEST(NavigationBarTest, HidingTheActiveHeaderClearsItAndABarWithReferencesDiesCleanly) {
    auto bar = std::make_unique<TmxSideBar>();
    TmxHeader* h = bar->Headers().Add();
    TmxButton* b = h->AddButton();
    Reference(*bar, {h, b});
    EXPECT_TRUE(b->Alerting());
    h->SetVisible(false);
    EXPECT_EQ(bar->ActiveHeader(), nullptr);
    bar->SetActiveHeader(nullptr);
    // Destroying the bar deletes the referenced header and button under the sanitizer too.
    bar.reset();
}

TEST(NavigationBarTest, ShowAndHideHandlersRunOnceTheChangeIsThroughAndMayDeleteTheBar) {
    struct Case {
        const char* name;
        bool deleteOnShow;
        bool deleteOnHide;
        std::vector<std::string> events;
    };
    const std::vector<Case> cases{
        {"both handlers, in order", false, false, {"show visible", "hide hidden"}},
        {"the show handler deletes the bar", true, false, {"show visible"}},
        {"the hide handler deletes the bar", false, true, {"show visible", "hide hidden"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget window;
        window.resize(200, 300);
        QPointer<TmxSideBar> bar = new TmxSideBar(&window);
        bar->resize(120, 300);
        std::vector<std::string> events;
        const auto seen = [&](const char* what, TmxSideBar* sender, bool deletes) {
            events.push_back(std::string(what) + (sender->isVisible() ? " visible" : " hidden"));
            if (deletes) {
                delete sender;
            }
        };
        bar->OnShow = [&](TmxSideBar* sender) { seen("show", sender, c.deleteOnShow); };
        bar->OnHide = [&](TmxSideBar* sender) { seen("hide", sender, c.deleteOnHide); };
        window.show();
        ASSERT_TRUE(test::PumpUntil([&] { return !events.empty(); }));
        if (bar) {
            bar->hide();
        }
        ASSERT_TRUE(test::PumpUntil([&] { return events.size() == c.events.size(); }));
        test::Settle();
        EXPECT_EQ(events, c.events);
        EXPECT_EQ(bar.isNull(), c.deleteOnShow || c.deleteOnHide);
        // The window goes on without its bar.
        EXPECT_TRUE(window.isVisible());
        window.repaint();
    }
}

}  // namespace
}  // namespace orv
