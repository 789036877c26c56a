#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fake_bar.h"
#include "navbar/button.h"
#include "navbar/header.h"

namespace orv {
namespace {

using test::FakeBar;

TEST(HeaderTest, NewHeaderReadsItsTable) {
    FakeBar bar;
    TmxHeader& h = *bar.headers.Add();
    const std::map<std::string, std::int64_t> read{
        {"AllowSelected", h.AllowSelected()},
        {"BiDiMode", h.BiDiMode()},
        {"Enabled", h.Enabled()},
        {"FirstButtonTop", h.FirstButtonTop()},
        {"HeaderState", h.HeaderState()},
        {"ImageIndex", h.ImageIndex()},
        {"Margin", h.Margin()},
        {"Options", h.Options()},
        {"Tag", h.Tag()},
        {"Transparent", h.Transparent()},
        {"SelectedIndex", h.SelectedIndex()},
        {"Spacing", h.Spacing()},
        {"Visible", h.Visible()},
        {"Caption", h.Caption().size()},
    };
    for (const auto& row : TmxHeader::kDefaults) {
        EXPECT_EQ(read.at(row.Name), row.NewValue) << row.Name;
    }
    EXPECT_EQ(h.Background().Color(), clGray);
    EXPECT_EQ(h.Name(), "mxHeader1");
    EXPECT_TRUE(h.Opened());
}

TEST(ButtonTest, NewButtonReadsItsTable) {
    FakeBar bar;
    TmxButton& b = *bar.headers.Add()->AddButton();
    const std::map<std::string, std::int64_t> read{
        {"AutoSize", b.AutoSize()},
        {"Alignment", b.Alignment()},
        {"AllowGrayed", b.AllowGrayed()},
        {"ButtonKind", b.ButtonKind()},
        {"ButtonStyle", b.ButtonStyle()},
        {"ButtonView", b.ButtonView()},
        {"BiDiMode", b.BiDiMode()},
        {"Checked", b.Checked()},
        {"Color", b.Color()},
        {"Cursor", b.Cursor()},
        {"CheckState", b.CheckState()},
        {"Enabled", b.Enabled()},
        {"HelpContext", b.HelpContext()},
        {"Height", b.Height()},
        {"ImageIndex", b.ImageIndex()},
        {"Margin", b.Margin()},
        {"ShowAccelChar", b.ShowAccelChar()},
        {"ParentBiDiMode", b.ParentBiDiMode()},
        {"Tag", b.Tag()},
        {"Transparent", b.Transparent()},
        {"Options", b.Options()},
        {"Visible", b.Visible()},
        {"Width", b.Width()},
        {"WordWrap", b.WordWrap()},
        {"Caption", b.Caption().size()},
        {"Hint", b.Hint().size()},
        {"UserString", b.UserString().size()},
    };
    for (const auto& row : TmxButton::kDefaults) {
        EXPECT_EQ(read.at(row.Name), row.NewValue) << row.Name;
    }
    EXPECT_EQ(b.Name(), "mxButton1");
}

TEST(HeaderTest, DefaultAndUniqueNames) {
    FakeBar bar;
    TmxHeader* a = bar.headers.Add();
    TmxHeader* b = bar.headers.Add();
    TmxHeader* c = bar.headers.Add();
    b->SetName("Other");
    a->SetName("MXHEADER1");  // its own name in another case: nothing happens
    EXPECT_EQ(a->Name(), "mxHeader1");
    EXPECT_EQ(bar.headers.Add()->Name(), "mxHeader2");
    a->SetName("Z");
    b->SetName("MXHEADER1");  // in capitals it still blocks N = 1
    EXPECT_EQ(bar.headers.Add()->Name(), "mxHeader4");
    try {
        c->SetName("z");
        FAIL() << "duplicate accepted";
    } catch (const EDuplicateName& e) {
        EXPECT_STREQ(e.what(),
                     "This bar already contains header with name z\n\rPlease type another "
                     "one to continue.");
    }
    EXPECT_EQ(c->Name(), "mxHeader3");

    TmxButton* b1 = a->AddButton();
    a->AddButton();
    b1->SetName("x");
    EXPECT_EQ(a->AddButton()->Name(), "mxButton1");
    EXPECT_EQ(c->AddButton()->Name(), "mxButton1");  // another header starts again
    EXPECT_THROW(a->GetButton(1)->SetName("X"), EDuplicateName);
}

TEST(HeaderTest, SettingsInForce) {
    struct Case {
        bool commonStyle;
        bool customSettings;
        bool own;
    };
    for (const Case& c : {Case{true, false, false}, Case{true, true, true},
                          Case{false, false, true}, Case{false, true, true}}) {
        FakeBar bar;
        bar.commonStyle = c.commonStyle;
        TmxHeader* h = bar.headers.Add();
        if (c.customSettings) {
            h->SetOptions(h->Options() | HeaderOptions({hoCustomSettings}));
        }
        EXPECT_EQ(&h->GetActiveSettings(), c.own ? &h->Settings() : &bar.settings)
            << c.commonStyle << c.customSettings;
    }
    FakeBar bar;
    TmxHeader close(&bar);  // the close header
    close.SetOptions(HeaderOptions({hoAlwaysFlat, hoCustomSettings}));
    EXPECT_EQ(&close.GetActiveSettings(), &close.Settings());
    EXPECT_EQ(close.Buttons(), nullptr);
    bar.settings.SetExplorerAddOn(7);
    TmxHeader* h = bar.headers.Add();
    EXPECT_EQ(h->GetExplorerAddOn(), 7);
    bar.viewStyle = vsListBar;
    EXPECT_EQ(h->GetExplorerAddOn(), 0);
}

TEST(HeaderTest, SettersRepaintOnceOnlyOnChange) {
    FakeBar bar;
    TmxHeader* h = bar.headers.Add();
    h->SetCaption("a");
    h->SetCaption("a");
    EXPECT_EQ(bar.repaints, 1);
    h->Settings().SetDistance(9);  // owned objects repaint too
    h->Background().SetColor(clRed);
    EXPECT_EQ(bar.repaints, 3);

    h->AddButton();
    h->AddButton();
    h->SetSelectedIndex(1);  // AllowSelected off
    EXPECT_EQ(h->SelectedIndex(), -1);
    h->SetAllowSelected(true);
    h->SetSelectedIndex(5);
    EXPECT_EQ(h->SelectedIndex(), 1);
    h->SetSelectedIndex(-7);
    EXPECT_EQ(h->SelectedIndex(), -1);

    TmxHeader* other = bar.headers.Add();
    other->AddButton();
    other->SetAllowSelected(true);
    h->SetSelectedIndex(0);
    other->SetSelectedIndex(0);
    EXPECT_EQ(h->SelectedIndex(), -1);  // selection is one per bar
    bar.eachHeaderSelection = true;
    h->SetSelectedIndex(0);
    EXPECT_EQ(other->SelectedIndex(), 0);
}

TEST(HeaderTest, StateChangeEmptiesLayoutAndHidingDropsActive) {
    FakeBar bar;
    TmxHeader* h = bar.headers.Add();
    TmxButton* b = h->AddButton();
    TRect cursor{0, 0, 100, 500};
    b->Measure(cursor);
    ASSERT_NE(b->Layout().Button, TRect{});
    const int before = bar.repaints;
    h->SetOpened(false);
    EXPECT_EQ(b->Layout().Button, TRect{});
    EXPECT_EQ(bar.repaints, before + 1);
    bar.viewStyle = vsListBar;
    h->SetOpened(true);
    EXPECT_EQ(bar.repaints, before + 1);

    bar.active = h;
    h->SetVisible(false);
    EXPECT_EQ(bar.active, nullptr);
}

TEST(HeaderTest, DeletionTellsTheBarFirst) {
    FakeBar bar;
    TmxHeader* h = bar.headers.Add();
    TmxButton* b0 = h->AddButton();
    TmxButton* b1 = h->AddButton();
    bar.alert = b1;
    bar.hot = b0;
    h->DeleteButton(b1);
    EXPECT_EQ(bar.stopAlerts, 1);
    EXPECT_EQ(bar.deletedButtons, std::vector<TmxButton*>{b1});
    EXPECT_EQ(h->GetButtonCount(), 1);

    bar.active = h;
    bar.headers.Delete(0);
    EXPECT_EQ(bar.active, nullptr);
    EXPECT_EQ(bar.hot, nullptr);
    EXPECT_EQ(bar.deletedHeaders, std::vector<TmxHeader*>{h});
    EXPECT_EQ(bar.headers.Count(), 0);
}

TEST(HeaderTest, ScrollAndVisibleButtons) {
    FakeBar bar;
    TmxHeader* h = bar.headers.Add();
    EXPECT_FALSE(h->ScrollUp());
    for (int i = 0; i < 3; ++i) {
        h->AddButton();
    }
    h->GetButton(0)->SetVisible(false);
    EXPECT_EQ(h->FirstVisibleButton(), h->GetButton(1));
    EXPECT_EQ(h->LastVisibleButton(), h->GetButton(2));
    EXPECT_EQ(h->GetButton(3), nullptr);
    h->SetLastShown(2);
    h->ScrollDown();
    EXPECT_EQ(h->FirstShown(), 0);
    h->SetLastShown(1);
    h->ScrollDown();
    EXPECT_EQ(h->FirstShown(), 1);
    EXPECT_TRUE(h->ScrollUp());
    EXPECT_EQ(h->FirstShown(), 0);

    // Deleting buttons of a scrolled header keeps the first shown one among those left.
    h->SetLastShown(0);
    h->ScrollDown();
    h->ScrollDown();
    ASSERT_EQ(h->FirstShown(), 2);
    h->DeleteButton(h->GetButton(2));
    EXPECT_EQ(h->FirstShown(), 1);
    h->ClearButtons();
    EXPECT_EQ(h->FirstShown(), 0);
}

TEST(HeaderTest, BodyHeight) {
    FakeBar bar;
    bar.settings.SetButtonStyle(bsSmall);  // 20 high each, distance 2
    TmxHeader* h = bar.headers.Add();
    EXPECT_EQ(h->GetBodyHeight(150), 0);
    h->AddButton()->SetVisible(false);
    EXPECT_EQ(h->GetBodyHeight(150), 2);
    h->AddButton();
    h->AddButton();
    // 10 + (20 + 2) * 2 = 54, plus twice the distance
    EXPECT_EQ(h->GetBodyHeight(150), 58);
    bar.settings.HeaderPen().SetWidth(3);
    EXPECT_EQ(h->GetBodyHeight(150), 54 + 8);
    h->SetOpened(false);
    EXPECT_EQ(h->GetBodyHeight(150), 0);
}

TEST(HeaderTest, AssignCopiesSomeAndRejectsOthers) {
    FakeBar bar;
    TmxHeader* a = bar.headers.Add();
    TmxHeader* b = bar.headers.Add();
    a->SetCaption("x");
    a->SetFirstButtonTop(30);
    a->SetMargin(9);
    int changes = 0;
    b->OnChange = [&](TPersistent*) { ++changes; };
    const int before = bar.repaints;
    b->Assign(*a);
    EXPECT_EQ(b->Caption(), "x");
    EXPECT_EQ(b->Margin(), 9);
    EXPECT_EQ(b->FirstButtonTop(), 10);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(bar.repaints, before);
    TmxButton* button = a->AddButton();
    EXPECT_THROW(b->Assign(*button), EConvertError);
}

TEST(ButtonTest, SetterNotices) {
    FakeBar bar;
    TmxButton* b = bar.headers.Add()->AddButton();
    struct Case {
        const char* what;
        std::function<void()> write;
        int notices;
    };
    const std::vector<Case> cases{
        {"color while transparent", [&] { b->SetColor(clRed); }, 0},
        {"width while autosized", [&] { b->SetWidth(50); }, 0},
        {"height while autosized", [&] { b->SetHeight(50); }, 0},
        {"same caption", [&] { b->SetCaption(""); }, 0},
        {"font, always", [&] { b->SetFont(b->Font()); }, 1},
        {"transparent off", [&] { b->SetTransparent(false); }, 1},
        {"color while filled", [&] { b->SetColor(clBlue); }, 1},
        {"autosize off", [&] { b->SetAutoSize(false); }, 1},
        {"width", [&] { b->SetWidth(60); }, 1},
    };
    for (const Case& c : cases) {
        const int before = bar.repaints;
        c.write();
        EXPECT_EQ(bar.repaints - before, c.notices) << c.what;
    }
    b->SetBiDiMode(bdRightToLeft);
    EXPECT_FALSE(b->ParentBiDiMode());
}

TEST(ButtonTest, CheckStateAndChecked) {
    TmxButton b;
    b.SetChecked(true);
    b.SetCheckState(cbGrayed);
    EXPECT_TRUE(b.Checked());
    b.SetCheckState(cbUnchecked);
    EXPECT_FALSE(b.Checked());
    b.SetCheckState(cbGrayed);
    b.SetChecked(true);
    EXPECT_EQ(b.CheckState(), cbChecked);

    auto run = [](auto toggle, bool grayed, TCheckBoxState s) {
        std::vector<TCheckBoxState> seen{s};
        for (int i = 0; i < 4; ++i) {
            seen.push_back(s = toggle(s, grayed));
        }
        return seen;
    };
    EXPECT_EQ(run(ClickToggle, true, cbUnchecked),
              (std::vector<TCheckBoxState>{cbUnchecked, cbGrayed, cbChecked, cbGrayed, cbChecked}));
    EXPECT_EQ(
        run(AccelToggle, true, cbUnchecked),
        (std::vector<TCheckBoxState>{cbUnchecked, cbChecked, cbGrayed, cbUnchecked, cbChecked}));
    EXPECT_EQ(ClickToggle(cbGrayed, false), cbChecked);
    EXPECT_EQ(AccelToggle(cbChecked, false), cbUnchecked);
}

TEST(ButtonTest, RadioCheckInsideOneUpdate) {
    FakeBar bar;
    TmxHeader* h = bar.headers.Add();
    TmxButton* a = h->AddButton();
    TmxButton* b = h->AddButton();
    a->SetChecked(true);
    h->CheckButton(b);
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(b->Checked());
    EXPECT_EQ(bar.updates, 0);
}

TEST(ButtonTest, ImageListInForce) {
    FakeBar bar;
    TmxHeader* h = bar.headers.Add();
    TmxButton* b = h->AddButton();
    TImageList normal(16, 16), hot(16, 16), small(8, 8);
    for (int i = 0; i < 3; ++i) {
        normal.Add(QImage(16, 16, QImage::Format_RGB32));
    }
    hot.Add(QImage(16, 16, QImage::Format_RGB32));
    small.Add(QImage(8, 8, QImage::Format_RGB32));
    h->Images().SetNormal(&normal);
    h->Images().SetHot(&hot);
    h->Images().SetSmall(&small);
    struct Case {
        TmxButtonStyle style;
        TmxButtonState state;
        bool enabled;
        int index;
        TImageList* expected;
    };
    const std::vector<Case> cases{
        {bsLarge, hbsUp, true, 2, &normal},   {bsLarge, hbsUp, true, 3, nullptr},
        {bsLarge, hbsFocused, true, 0, &hot}, {bsLarge, hbsDown, true, 2, nullptr},
        {bsLarge, hbsUp, false, 1, &normal},  {bsSmall, hbsFocused, true, 0, &small},
        {bsSmall, hbsUp, true, 1, nullptr},
    };
    for (const Case& c : cases) {
        bar.settings.SetButtonStyle(c.style);
        b->SetMouseState(c.state);
        b->SetEnabled(c.enabled);
        b->SetImageIndex(c.index);
        EXPECT_EQ(b->GetImageList(), c.expected) << c.style << c.state << c.index;
    }
}

TEST(ButtonLayoutTest, Cases) {
    auto input = [](TmxButtonKind kind, TmxButtonStyle style, TmxButtonView view, int width,
                    bool image) {
        TmxButtonLayoutInput in;
        in.Cursor = {0, 100, width, 400};
        in.Kind = kind;
        in.Style = style;
        in.View = view;
        in.HasImageList = image;
        in.ImageIndex = image ? 0 : -1;
        in.ImageWidth = 32;
        in.ImageHeight = 32;
        return in;
    };
    struct Case {
        const char* what;
        TmxButtonLayoutInput in;
        TmxButtonLayout out;
    };
    const TRect H = kHiddenRect;
    const std::vector<Case> cases{
        // column 100: B = (5, 100, 95); box 60 centred at 20..80
        {"big",
         input(bkButton, bsLarge, bvBig, 100, true),
         {{20, 100, 80, 160}, {34, 110, 66, 142}, {21, 151, 80, 160}, {19, 99, 81, 161}}},
        {"normal, focus around the picture",
         input(bkButton, bsLarge, bvNormal, 100, true),
         {{20, 100, 80, 160}, {34, 110, 66, 142}, {21, 151, 80, 160}, {31, 107, 69, 145}}},
        {"normal, no picture",
         input(bkButton, bsLarge, bvNormal, 100, false),
         {{20, 100, 80, 160}, H, {21, 109, 80, 160}, {19, 99, 81, 161}}},
        {"toolbox keeps the width",
         input(bkButton, bsLarge, bvToolBox, 100, true),
         {{5, 100, 95, 160}, {34, 112, 66, 144}, {6, 153, 95, 160}, {5, 100, 95, 160}}},
        {"large in a narrow column",
         input(bkButton, bsLarge, bvBig, 50, false),
         {{-1000, 100, -1000, 400}, H, {-999, 109, -1000, 400}, {-1001, 99, -999, 401}}},
        {"small, windows 2000",
         input(bkButton, bsSmall, bvWindows2000, 100, true),
         {{5, 100, 95, 120}, H, {14, 101, 95, 120}, {5, 100, 95, 120}}},
        {"label takes the column",
         input(bkLabel, bsLarge, bvNormal, 100, false),
         {{5, 100, 97, 120}, H, {5, 100, 97, 120}, H}},
    };
    for (const Case& c : cases) {
        const TmxButtonLayout got = CalcButtonLayout(c.in);
        EXPECT_EQ(got.Button, c.out.Button) << c.what;
        EXPECT_EQ(got.Image, c.out.Image) << c.what;
        EXPECT_EQ(got.Label, c.out.Label) << c.what;
        EXPECT_EQ(got.Focus, c.out.Focus) << c.what;
    }
    TmxButtonLayoutInput small = input(bkButton, bsSmall, bvNormal, 100, true);
    small.ImageWidth = small.ImageHeight = 16;
    const TmxButtonLayout s = CalcButtonLayout(small);
    EXPECT_EQ(s.Image, (TRect{9, 102, 25, 118}));
    EXPECT_EQ(s.Focus, (TRect{7, 100, 27, 120}));
    EXPECT_EQ(s.Label, (TRect{34, 101, 95, 120}));
    EXPECT_EQ(NextCursorTop(100, {0, 100, 10, 120}, 2), 122);
    EXPECT_EQ(NextCursorTop(130, {0, 100, 10, 120}, 2), 130);
}

}  // namespace
}  // namespace orv
