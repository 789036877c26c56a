#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "counting_bar.h"
#include "fake_bar.h"
#include "navbar/navigation_bar.h"

namespace orv {
// Rectangles read as (left, top, right, bottom) in failure messages.
void PrintTo(const TRect& r, std::ostream* os) {
    *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}
}  // namespace orv

namespace orv {
namespace {

using test::CountingBar;

constexpr TRect kHidden{-1000, -1000, -1000, -1000};
constexpr TRect kNoBox{0, 0, 0, 0};

QImage Shot(TmxSideBar& bar) {
    return bar.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TColor At(const QImage& image, int x, int y) {
    return PixelToColor(image.pixel(x, y));
}

std::vector<TmxHeader*> AddHeaders(TmxSideBar& bar, int count) {
    std::vector<TmxHeader*> h;
    for (int i = 0; i < count; ++i) {
        h.push_back(bar.Headers().Add());
    }
    return h;
}

void AddButtons(TmxHeader* h, int count) {
    for (int i = 0; i < count; ++i) {
        h->AddButton();
    }
}

// Lays the buttons out in the body the last paint gave their header, as the body does.
void LayOutButtons(TmxHeader* h) {
    const TRect body = h->BodyRect();
    TRect cursor{body.Left, body.Top + h->FirstButtonTop(), body.Right,
                 body.Top + h->FirstButtonTop()};
    for (int i = h->FirstShown(); i < h->GetButtonCount(); ++i) {
        h->GetButton(i)->Measure(cursor);
    }
}

// A list bar 120 x 300 with four headers, header 1 active.
struct ListBar {
    TmxSideBar bar;
    std::vector<TmxHeader*> h;
    ListBar() {
        bar.resize(120, 300);
        h = AddHeaders(bar, 4);
        bar.SetActiveHeader(h[1]);
    }
};

TEST(BarPaintTest, ListBarStacksTheHeadersBelowTheActiveOneFromTheBottom) {
    struct Case {
        const char* name;
        std::function<void(ListBar&)> setup;
        std::map<int, TRect> captions;
        TRect activeBody;
    };
    const auto margins = [](int separator) {
        return [separator](ListBar& b) {
            b.bar.SetOptions(b.bar.Options() | BarOptions({boExplorerBorder}));
            b.bar.Border().SetSeparator(static_cast<std::uint16_t>(separator));
        };
    };
    const std::vector<Case> cases{
        // No margins: the separator counts as 1, so each caption starts where the one above
        // ends, and the last one ends at the bevel.
        {"no margins",
         [](ListBar&) {},
         {{0, {1, 1, 119, 23}},
          {1, {1, 23, 119, 45}},
          {2, {1, 255, 119, 277}},
          {3, {1, 277, 119, 299}}},
         {1, 45, 119, 255}},
        {"margins and separator 5",
         margins(5),
         {{0, {6, 6, 114, 28}},
          {1, {6, 32, 114, 54}},
          {2, {6, 246, 114, 268}},
          {3, {6, 272, 114, 294}}},
         {6, 54, 114, 242}},
        {"separator 0 still separates",
         margins(0),
         {{0, {6, 6, 114, 28}},
          {1, {6, 28, 114, 50}},
          {2, {6, 250, 114, 272}},
          {3, {6, 272, 114, 294}}},
         {6, 50, 114, 250}},
        // A header without a caption takes no caption space in the stack.
        {"last header without caption",
         [&](ListBar& b) {
             margins(5)(b);
             b.h[3]->SetOptions(b.h[3]->Options() | HeaderOptions({hoNoCaption}));
         },
         {{2, {6, 268, 114, 290}}},
         {6, 54, 114, 264}},
        {"hidden first header",
         [](ListBar& b) { b.h[0]->SetVisible(false); },
         {{0, kHidden}, {1, {1, 1, 119, 23}}, {2, {1, 255, 119, 277}}},
         {1, 23, 119, 255}},
        // A tool box caption narrower than its box is squeezed out of sight.
        {"squeezed caption",
         [](ListBar& b) {
             b.bar.resize(20, 300);
             b.bar.SetScrollView(ssToolBox);
         },
         {{1, {-10000, 23, -10000, 45}}, {2, {-10000, 255, -10000, 277}}, {3, {1, 277, 19, 299}}},
         {1, 45, 19, 255}},
        {"active header is the last",
         [](ListBar& b) {
             b.h[2]->SetVisible(false);
             b.h[3]->SetVisible(false);
         },
         {{1, {1, 23, 119, 45}}, {2, kHidden}, {3, kHidden}},
         {1, 45, 119, 299}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListBar b;
        c.setup(b);
        b.bar.Paint(nullptr);
        for (const auto& [index, rect] : c.captions) {
            EXPECT_EQ(b.h[static_cast<size_t>(index)]->CaptionRect(), rect) << index;
        }
        EXPECT_EQ(b.h[1]->BodyRect(), c.activeBody);
        EXPECT_EQ(b.h[2]->BodyRect().IsEmpty(), true);
        EXPECT_EQ(b.bar.ExplorerUpArrow().Rect, kHidden);
        EXPECT_EQ(b.bar.ExplorerDownArrow().Rect, kHidden);
    }
}

TEST(BarPaintTest, ButtonBoxesFollowTheActiveHeadersScrolling) {
    struct Case {
        const char* name;
        TmxScrollView view;
        int buttons;
        int scrolled;
        TRect up;
        TmxScrollAreaState upState;
        TRect down;
        TmxScrollAreaState downState;
    };
    const std::vector<Case> cases{
        {"nothing to scroll", ssNormal, 0, 0, kNoBox, saDisabled, kNoBox, saDisabled},
        {"scrolled down",
         ssNormal,
         10,
         1,
         {102, 47, 117, 62},
         saNormal,
         {102, 238, 117, 253},
         saNormal},
        {"at the top", ssNormal, 10, 0, kNoBox, saDisabled, {102, 238, 117, 253}, saNormal},
        {"express", ssExpress, 10, 1, {1, 45, 119, 60}, saNormal, {1, 240, 119, 255}, saNormal},
        // Tool box boxes sit at the right end of the captions and are always shown.
        {"tool box",
         ssToolBox,
         0,
         0,
         {95, 23, 119, 45},
         saDisabled,
         {95, 255, 119, 277},
         saDisabled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListBar b;
        b.bar.SetScrollView(c.view);
        AddButtons(b.h[1], c.buttons);
        b.bar.Paint(nullptr);  // boxes start disabled where nothing scrolls
        for (int i = 0; i < c.scrolled; ++i) {
            b.h[1]->ScrollDown();
        }
        b.bar.Paint(nullptr);
        EXPECT_EQ(b.bar.ButtonUpBox().Rect, c.up);
        EXPECT_EQ(b.bar.ButtonUpBox().State, c.upState);
        EXPECT_EQ(b.bar.ButtonDownBox().Rect, c.down);
        EXPECT_EQ(b.bar.ButtonDownBox().State, c.downState);
        if (c.view == ssToolBox) {
            EXPECT_EQ(b.h[1]->CaptionRect(), TRect(1, 23, 95, 45));
            EXPECT_EQ(b.h[2]->CaptionRect(), TRect(1, 255, 95, 277));
        }
    }
}

// The tool box look with the active header hidden: no header is active, so no caption gives
// room to a box and none is drawn, whatever an earlier paint placed.
TEST(BarPaintTest, ToolBoxWithoutAnActiveHeaderDrawsNoBoxes) {
    ListBar b;
    b.bar.SetScrollView(ssToolBox);
    b.bar.Paint(nullptr);  // boxes on header 1 and 2
    b.h[1]->SetVisible(false);
    ASSERT_EQ(b.bar.ActiveHeader(), nullptr);
    const QImage image = Shot(b.bar);
    EXPECT_EQ(b.bar.ButtonUpBox().Rect, kNoBox);
    EXPECT_EQ(b.bar.ButtonDownBox().Rect, kNoBox);
    // Every caption keeps its whole width, header 0 too.
    for (TmxHeader* h : {b.h[0], b.h[2], b.h[3]}) {
        EXPECT_EQ(h->CaptionRect().Right, 119) << h->HeaderIndex();
    }
    // Where the up box stood (on the caption that is now second) the caption's face shows,
    // and header 0's caption reaches the right edge: no box arrow, no blank.
    for (int x = 96; x < 117; ++x) {
        EXPECT_EQ(At(image, x, 33), ColorToRGB(clBtnFace)) << x;
        EXPECT_EQ(At(image, x, 11), ColorToRGB(clBtnFace)) << x;
    }
}

// A crop of 7 x 3 pixels as text: '#' black, 'w' white, 's' shadow, '.' button face.
std::vector<std::string> Crop(const QImage& image, int left, int top) {
    std::vector<std::string> rows;
    for (int y = top; y < top + 3; ++y) {
        std::string row;
        for (int x = left; x < left + 7; ++x) {
            const TColor c = At(image, x, y);
            row += c == clBlack                      ? '#'
                   : c == ColorToRGB(clBtnHighlight) ? 'w'
                   : c == ColorToRGB(clBtnShadow)    ? 's'
                   : c == ColorToRGB(clBtnFace)      ? '.'
                                                     : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(BarPaintTest, ArrowsAreDrawnPixelExact) {
    using Rows = std::vector<std::string>;
    struct Case {
        const char* name;
        std::function<void(ListBar&)> setup;
        int left;
        int top;
        Rows pixels;
    };
    const auto scrolled = [](ListBar& b) {
        AddButtons(b.h[1], 10);
        b.h[1]->ScrollDown();
    };
    const std::vector<Case> cases{
        {"up box", scrolled, 106, 53, {"...#...", "..###..", ".#####."}},
        {"up box pressed",
         [&](ListBar& b) {
             scrolled(b);
             b.bar.ButtonUpBox().State = saPressed;
         },
         106,
         53,
         {"....#..", "...###.", "..#####"}},
        {"down box", scrolled, 106, 244, {".#####.", "..###..", "...#..."}},
        // A disabled box: the arrow in highlight one pixel right, and in shadow over it.
        {"disabled tool box",
         [](ListBar& b) { b.bar.SetScrollView(ssToolBox); },
         104,
         33,
         {"...sw..", "..sssw.", ".sssssw"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListBar b;
        c.setup(b);
        const QImage image = Shot(b.bar);
        EXPECT_EQ(Crop(image, c.left, c.top), c.pixels);
    }
}

// An explorer bar 153 x 300: header 0 opened with ten buttons (far taller than the bar), header 1
// closed.
struct ExplorerBar {
    TmxSideBar bar;
    std::vector<TmxHeader*> h;
    explicit ExplorerBar(int buttons = 10) {
        bar.resize(153, 300);
        bar.SetViewStyle(vsExplorerBar);
        h = AddHeaders(bar, 2);
        AddButtons(h[0], buttons);
        h[1]->SetOpened(false);
    }
};

TEST(BarPaintTest, ExplorerBarScrollsItsContentBehindTheStrips) {
    struct Case {
        const char* name;
        int buttons;
        int offset;
        bool overflow;
        TRect up;
    };
    const std::vector<Case> cases{
        {"overflow at the top", 10, 0, true, kHidden},
        {"overflow scrolled", 10, 50, true, {1, 1, 152, 15}},
        {"fits", 0, 0, false, kHidden},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExplorerBar b(c.buttons);
        b.bar.SetExplorerScrollOffset(c.offset);
        b.bar.Paint(nullptr);
        // Margins 5, caption 22 + add-on 12, distance 2, separator 5.
        const TRect first = b.h[0]->CaptionRect();
        EXPECT_EQ(first, TRect(6, 6 - c.offset, 147, 40 - c.offset));
        const int bodyHeight = b.h[0]->GetBodyHeight(141);
        const TRect body{6, first.Bottom, 147, first.Bottom + bodyHeight - 2};
        // A header without buttons has an empty body, which it does not keep.
        EXPECT_EQ(b.h[0]->BodyRect(), body.IsEmpty() ? TRect{} : body);
        EXPECT_EQ(b.h[1]->CaptionRect(), TRect(6, body.Bottom + 5, 147, body.Bottom + 39));
        EXPECT_TRUE(b.h[1]->BodyRect().IsEmpty());
        EXPECT_EQ(b.bar.ContentOverflow(), c.overflow);
        EXPECT_EQ(b.bar.ExplorerUpArrow().Rect, c.up);
        EXPECT_EQ(b.bar.ExplorerDownArrow().Rect, c.overflow ? TRect(1, 285, 152, 299) : kHidden);
        EXPECT_EQ(b.bar.ButtonUpBox().Rect, kNoBox);
    }

    // The 14-pixel down strip shows a down arrow; scrolling back to 0 hides the up strip.
    ExplorerBar b;
    b.bar.SetExplorerScrollOffset(30);
    QImage image = Shot(b.bar);
    EXPECT_EQ(Crop(image, 73, 291), (std::vector<std::string>{".#####.", "..###..", "...#..."}));
    EXPECT_EQ(Crop(image, 73, 7), (std::vector<std::string>{"...#...", "..###..", ".#####."}));
    b.bar.SetExplorerScrollOffset(0);
    image = Shot(b.bar);
    EXPECT_EQ(b.bar.ExplorerUpArrow().Rect, kHidden);
    EXPECT_NE(At(image, 76, 7), clBlack);
}

// Distances and scroll offsets near the ends of their range lay the headers out in order, far
// below or above the bar, and the first caption on screen is still drawn: no sum wraps.
TEST(BarPaintTest, HugeDistancesAndOffsetsKeepTheLayoutInOrder) {
    struct Case {
        const char* name;
        int distance;
        int offset;
        bool firstOnScreen;
    };
    const std::vector<Case> cases{
        {"distance 2^30", 1 << 30, 0, true},
        {"largest distance", std::numeric_limits<int>::max(), 0, true},
        {"negative distance", std::numeric_limits<int>::min(), 0, true},
        {"offset 1.1e9", 0, 1100000000, false},
        {"largest offset", 0, std::numeric_limits<int>::max(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExplorerBar b(3);
        b.h[1]->SetOpened(true);
        AddButtons(b.h[1], 3);
        for (TmxHeader* h : b.h) {
            h->SetOptions(h->Options() | HeaderOptions({hoRoundedHeader}));
        }
        b.bar.Settings().SetDistance(c.distance);
        b.bar.SetExplorerScrollOffset(c.offset);
        const QImage image = Shot(b.bar);
        const TRect first = b.h[0]->CaptionRect();
        const TRect second = b.h[1]->CaptionRect();
        EXPECT_LT(first.Top, first.Bottom);
        EXPECT_LT(second.Top, second.Bottom);
        if (c.distance >= 0) {
            // A negative distance moves what follows up, by the layout's own rule.
            EXPECT_LE(first.Bottom, second.Top);
        }
        if (c.distance > 0) {
            EXPECT_GT(second.Top, 300);
            EXPECT_TRUE(b.bar.ContentOverflow());
        }
        if (c.firstOnScreen) {
            // Below the rounded corner the caption's face shows.
            EXPECT_EQ(first.Top, 6);
            EXPECT_EQ(At(image, 76, 30), ColorToRGB(clBtnFace));
        } else {
            EXPECT_LT(first.Bottom, 0);
        }
    }
}

TEST(BarPaintTest, ExplorerStripsAreFlatUnlessHot) {
    struct Case {
        bool flat;
        TmxScrollAreaState state;
        TColor corner;  // the strip's top-left pixel
    };
    // A thin raised edge lights its corner in the 3-D light colour, a thick one in white.
    const std::vector<Case> cases{
        {true, saNormal, ColorToRGB(cl3DLight)},
        {true, saHot, clWhite},
        {false, saNormal, clWhite},
        {true, saPressed, ColorToRGB(cl3DDkShadow)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        ExplorerBar b;
        b.bar.SetFlat(c.flat);
        b.bar.ExplorerDownArrow().State = c.state;
        const QImage image = Shot(b.bar);
        EXPECT_EQ(At(image, 1, 285), c.corner);
    }
}

// A bar 153 x 200 with a visible close header on a silver background.
struct CloseBar {
    TmxSideBar bar;
    CloseBar() {
        bar.resize(153, 200);
        bar.Background().SetColor(clSilver);
        bar.CloseButton().Font().SetFace(test::BarTestFont());
        bar.CloseButton().SetVisible(true);
    }
};

TEST(BarPaintTest, CloseXShowsItsStateAndHidesWhenTheTextReachesIt) {
    const TRect x{132, 3, 150, 21};
    struct Case {
        const char* name;
        std::string caption;
        TmxButtonState state;
        TRect xRect;
        TColor corner;  // top-left of the X rectangle
        TColor centre;
    };
    const std::vector<Case> cases{
        {"normal", "Favorites", hbsUp, x, clSilver, clBlack},
        {"hot", "Favorites", hbsFocused, x, clWhite, clBlack},
        {"pressed", "Favorites", hbsDown, x, clGray, clBlack},
        {"text reaches the X", "Favorites of every page and every tool", hbsUp, kHidden, clSilver,
         clSilver},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CloseBar b;
        b.bar.CloseButton().SetCaption(c.caption);
        b.bar.CloseButton().XState = c.state;
        const QImage image = Shot(b.bar);
        EXPECT_EQ(b.bar.CloseButton().Rect, TRect(1, 1, 152, 23));
        EXPECT_EQ(b.bar.CloseButton().XRect, c.xRect);
        EXPECT_EQ(At(image, x.Left, x.Top), c.corner);
        EXPECT_EQ(At(image, 141, 12), c.centre);
    }

    // A handler replaces the X (not the caption); it is not asked when the X is hidden.
    CloseBar b;
    std::vector<TRect> asked;
    b.bar.OnDrawCloseButton = [&](TmxSideBar*, TCanvas&, TRect r, TmxButtonState state) {
        asked.push_back(r);
        EXPECT_EQ(state, hbsFocused);
    };
    b.bar.CloseButton().XState = hbsFocused;
    QImage image = Shot(b.bar);
    EXPECT_EQ(asked, std::vector<TRect>{x});
    EXPECT_EQ(b.bar.CloseButton().XRect, x);
    EXPECT_EQ(At(image, 141, 12), clSilver);
    EXPECT_EQ(At(image, x.Left, x.Top), clSilver);
    b.bar.CloseButton().SetCaption("Favorites of every page and every tool");
    image = Shot(b.bar);
    EXPECT_EQ(asked.size(), 1u);

    // A hidden close header leaves no click area behind.
    b.bar.CloseButton().SetCaption("Favorites");
    b.bar.Paint(nullptr);
    b.bar.CloseButton().SetVisible(false);
    b.bar.Paint(nullptr);
    EXPECT_EQ(b.bar.CloseButton().XRect, kHidden);
    EXPECT_EQ(b.bar.CloseButton().Rect, kHidden);
}

TEST(BarPaintTest, BevelsUseTheirCutColours) {
    struct Case {
        TBevelCut outer;
        TBevelCut inner;
        int width;
        std::vector<std::pair<TPoint, TColor>> pixels;
    };
    const TColor shadow = ColorToRGB(clBtnShadow);
    const std::vector<Case> cases{
        {bvLowered,
         bvNone,
         1,
         {{{0, 0}, shadow}, {{119, 0}, clWhite}, {{119, 99}, clWhite}, {{1, 1}, clGray}}},
        {bvRaised, bvNone, 1, {{{0, 0}, clWhite}, {{0, 99}, shadow}, {{119, 99}, shadow}}},
        {bvRaised,
         bvLowered,
         2,
         {{{1, 1}, clWhite},
          {{2, 2}, shadow},
          {{3, 3}, shadow},
          {{117, 97}, clWhite},
          {{4, 4}, clGray}}},
        {bvNone, bvNone, 1, {{{0, 0}, clGray}, {{119, 99}, clGray}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.outer << "/" << c.inner);
        TmxSideBar bar;
        bar.resize(120, 100);
        bar.SetBevelOuter(c.outer);
        bar.SetBevelInner(c.inner);
        bar.SetBevelWidth(c.width);
        const QImage image = Shot(bar);
        for (const auto& [p, colour] : c.pixels) {
            EXPECT_EQ(At(image, p.X, p.Y), colour) << p.X << "," << p.Y;
        }
    }
}

// A single border is a sunken client edge round the bar, BorderWidth a ring of the bar's colour
// inside it; the bevels and everything laid out move in by both.
TEST(BarPaintTest, BorderStyleAndWidthFrameTheClientArea) {
    struct Case {
        TBorderStyle style;
        int width;
        int inset;  // where the client area starts
        std::vector<std::pair<TPoint, TColor>> pixels;
    };
    const TColor shadow = ColorToRGB(clBtnShadow);
    const std::vector<Case> cases{
        {bsNone, 0, 0, {{{0, 0}, shadow}}},
        {bsSingle,
         0,
         2,
         {{{0, 0}, shadow},
          {{119, 99}, clWhite},
          {{1, 1}, ColorToRGB(cl3DDkShadow)},
          {{118, 98}, ColorToRGB(cl3DLight)},
          {{2, 2}, shadow}}},
        {bsNone, 3, 3, {{{0, 0}, clGray}, {{2, 50}, clGray}, {{3, 3}, shadow}}},
        {bsSingle, 3, 5, {{{0, 0}, shadow}, {{4, 4}, clGray}, {{5, 5}, shadow}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.style << " width " << c.width);
        TmxSideBar bar;
        bar.resize(120, 100);
        bar.SetBorderStyle(c.style);
        bar.SetBorderWidth(c.width);
        TmxHeader* h = bar.Headers().Add();
        const QImage image = Shot(bar);
        for (const auto& [p, colour] : c.pixels) {
            EXPECT_EQ(At(image, p.X, p.Y), colour) << p.X << "," << p.Y;
        }
        // Inside the lowered bevel of 1.
        EXPECT_EQ(h->CaptionRect(), TRect(c.inset + 1, c.inset + 1, 119 - c.inset, 23 + c.inset));
    }
}

TEST(BarPaintTest, AlertBlinksOnlyOnTheCaptionThatHidesTheButton) {
    // Whether the caption strip shows red at weight 50 over what it paints without an alert.
    const bool blended = true;
    const bool plain = false;
    struct Case {
        const char* name;
        TmxViewStyle style;
        bool inActive;  // the alerting button's header is the active (or open) one
        bool blinkOn;
        TmxButtonState mouse;
        bool hot;  // the bar's hot button
        bool tinted;
    };
    const std::vector<Case> cases{
        {"closed list header", vsListBar, false, true, hbsUp, false, blended},
        {"blink off", vsListBar, false, false, hbsUp, false, plain},
        {"button hot", vsListBar, false, true, hbsUp, true, plain},
        {"button under the mouse", vsListBar, false, true, hbsFocused, false, plain},
        {"button pressed", vsListBar, false, true, hbsDown, false, plain},
        {"active list header", vsListBar, true, true, hbsUp, false, plain},
        {"closed explorer header", vsExplorerBar, false, true, hbsUp, false, blended},
        {"open explorer header", vsExplorerBar, true, true, hbsUp, false, plain},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TmxSideBar bar;
        bar.resize(150, 300);
        bar.SetViewStyle(c.style);
        auto h = AddHeaders(bar, 2);
        TmxButton* button = h[1]->AddButton();
        if (c.style == vsListBar) {
            bar.SetActiveHeader(c.inActive ? h[1] : h[0]);
        } else {
            h[1]->SetOpened(c.inActive);
        }
        bar.SetAlertButton(button);
        button->SetBlinkOn(c.blinkOn);
        button->SetMouseState(c.mouse);
        if (c.hot) {
            bar.SetHotButton(button);
        }
        bar.Paint(nullptr);
        const TRect r = h[1]->CaptionRect();
        const int addOn = h[1]->GetExplorerAddOn();
        const QImage image = Shot(bar);
        const bool wasOn = button->BlinkOn();
        button->SetBlinkOn(false);
        const QImage quiet = Shot(bar);
        button->SetBlinkOn(wasOn);
        const TPoint strip{r.Left + 10, r.Top + addOn + 2};
        QImage expected(1, 1, QImage::Format_RGB32);
        expected.fill(ColorToPixel(At(quiet, strip.X, strip.Y)));
        if (c.tinted) {
            BlendRectWithColor(&expected, {0, 0, 1, 1}, 50, bar.AlertColor());
        }
        EXPECT_EQ(At(image, strip.X, strip.Y), At(expected, 0, 0));
        if (addOn > 0) {
            // The add-on above the caption strip does not blink.
            EXPECT_EQ(At(image, r.Left + 10, r.Top + addOn - 1),
                      At(quiet, r.Left + 10, r.Top + addOn - 1));
        }
    }
}

TEST(BarPaintTest, NoPaintWhileUpdatingOrInsideAPaint) {
    ListBar b;
    b.bar.Paint(nullptr);
    const TRect before = b.h[2]->CaptionRect();
    QImage target(120, 300, QImage::Format_RGB32);
    target.fill(Qt::green);
    b.bar.BeginUpdate();
    b.h[0]->SetVisible(false);
    {
        QPainter painter(&target);
        b.bar.Paint(&painter);
    }
    EXPECT_EQ(b.h[0]->CaptionRect(), TRect(1, 1, 119, 23));
    EXPECT_EQ(b.h[2]->CaptionRect(), before);
    EXPECT_EQ(target.pixel(50, 50), QColor(Qt::green).rgb());
    b.bar.EndUpdate();

    // A handler that paints again from inside a paint finds the bar busy.
    int calls = 0;
    b.bar.OnDrawHeaderButtons = [&](TmxSideBar* sender, TCanvas&, TRect, int) {
        if (++calls == 1) {
            sender->Paint(nullptr);
        }
    };
    b.bar.Paint(nullptr);
    EXPECT_EQ(calls, 3);
}

TEST(BarPaintTest, DeletingWhatTheBarHoldsAndPaintingAgainIsSafe) {
    struct Case {
        const char* name;
        std::function<void(TmxSideBar&, TmxHeader*, TmxButton*)> remove;
    };
    const std::vector<Case> cases{
        {"header", [](TmxSideBar& bar, TmxHeader* h, TmxButton*) { bar.DeleteHeader(h); }},
        {"button", [](TmxSideBar&, TmxHeader* h, TmxButton* b) { h->DeleteButton(b); }},
    };
    for (TmxViewStyle style : {vsListBar, vsExplorerBar}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << " " << style);
            TmxSideBar bar;
            bar.resize(150, 300);
            bar.SetViewStyle(style);
            auto h = AddHeaders(bar, 3);
            AddButtons(h[1], 3);
            TmxButton* b = h[1]->GetButton(1);
            bar.SetActiveHeader(h[1]);
            bar.SetHotHeader(h[1]);
            bar.SetBodyHeader(h[1]);
            bar.SetHotButton(b);
            bar.SetAlertButton(b);
            b->SetBlinkOn(true);
            bar.Paint(nullptr);
            c.remove(bar, h[1], b);
            const QImage image = Shot(bar);
            EXPECT_FALSE(image.isNull());
            EXPECT_EQ(bar.AlertButton(), nullptr);
            EXPECT_EQ(bar.HotButton(), nullptr);
        }
    }
}

TEST(BarPaintTest, AHeaderDeletedByADrawHandlerEndsThePaintQuietly) {
    struct Case {
        const char* name;
        TmxViewStyle style;
        int deleted;  // while the second header is drawn
    };
    const std::vector<Case> cases{
        {"an earlier header", vsListBar, 0},
        {"the header being drawn", vsExplorerBar, 1},
        {"the last header being drawn", vsListBar, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TmxSideBar bar;
        bar.resize(120, 300);
        bar.SetViewStyle(c.style);
        auto h = AddHeaders(bar, 2);
        h[1]->AddButton();
        int calls = 0;
        bar.OnAfterDrawHeaderButtons = [&](TmxSideBar* sender, TCanvas&, TRect, int) {
            if (++calls == 2) {
                sender->DeleteHeader(c.deleted);
            }
        };
        QImage target(120, 300, QImage::Format_RGB32);
        target.fill(Qt::green);
        {
            QPainter painter(&target);
            EXPECT_NO_THROW(bar.Paint(&painter));
        }
        // Nothing of the broken paint was copied, and the next paint runs.
        EXPECT_EQ(target.pixel(50, 50), QColor(Qt::green).rgb());
        EXPECT_EQ(calls, 2);
        bar.OnAfterDrawHeaderButtons = nullptr;
        bar.Paint(nullptr);
        EXPECT_EQ(bar.GetHeader(0)->CaptionRect().Top, c.style == vsListBar ? 1 : 6);
    }
}

TEST(BarPaintTest, TransparentBackgroundShowsTheParentUnderTheBar) {
    QWidget parent;
    parent.resize(300, 300);
    QPalette palette = parent.palette();
    palette.setColor(QPalette::Window, QColor(0, 128, 0));
    parent.setPalette(palette);
    parent.setAutoFillBackground(true);
    // A sibling under the bar is a widget of its own and is not part of the copy.
    QWidget sibling(&parent);
    sibling.setGeometry(0, 0, 300, 300);
    sibling.setAutoFillBackground(true);
    QPalette red = sibling.palette();
    red.setColor(QPalette::Window, Qt::red);
    sibling.setPalette(red);
    auto* bar = new TmxSideBar(&parent);
    bar->setGeometry(20, 30, 120, 200);
    bar->Background().SetStyle(btTransparent);
    bar->raise();
    const QImage image = Shot(*bar);
    EXPECT_EQ(At(image, 60, 100), clGreen);
    EXPECT_EQ(At(image, 0, 0), ColorToRGB(clBtnShadow));
}

// A bar far larger than its window paints into an image of what shows, not of itself.
TEST(BarPaintTest, ThePaintImageCoversOnlyWhatShows) {
    QWidget window;
    window.resize(200, 150);
    auto* bar = new TmxSideBar(&window);
    bar->setGeometry(0, 0, 300, 20000);
    bar->SetActiveHeader(AddHeaders(*bar, 2)[0]);
    bar->Background().SetStyle(btGradient);
    QSize seen;
    bar->OnDrawHeaderButtons = [&](TmxSideBar*, TCanvas& canvas, TRect, int) {
        seen = canvas.Image()->size();
    };
    window.show();
    bar->repaint();
    EXPECT_LE(seen.width(), 200);
    EXPECT_LE(seen.height(), 150);
    seen = {};
    bar->Paint(nullptr);
    EXPECT_LE(seen.width(), 200);
    EXPECT_LE(seen.height(), 150);
    // So does the bar's gradient, though it spans the whole bar.
    EXPECT_LE(bar->Background().Gradient().CacheBitmap().width(), 200);
    EXPECT_LE(bar->Background().Gradient().CacheBitmap().height(), 150);
    // The layout still spans the whole bar.
    EXPECT_EQ(bar->GetHeader(1)->CaptionRect().Bottom, 19999);
}

// The pointer at p over the bar.
void Mouse(TmxSideBar& bar, QEvent::Type type, QPoint p, Qt::MouseButton button = Qt::NoButton) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::MouseButtons();
    QMouseEvent event(type, QPointF(p), QPointF(bar.mapToGlobal(p)), button, held, Qt::NoModifier);
    QApplication::sendEvent(&bar, &event);
}
void Click(TmxSideBar& bar, QPoint press, QPoint release) {
    Mouse(bar, QEvent::MouseButtonPress, press, Qt::LeftButton);
    Mouse(bar, QEvent::MouseButtonRelease, release, Qt::LeftButton);
}

QPoint Centre(const TRect& r) {
    return {r.Left + r.Width() / 2, r.Top + r.Height() / 2};
}

// A list bar whose active header has two buttons, laid out, each counting its clicks.
struct MouseBar : ListBar {
    std::vector<int> clicks;
    std::vector<TmxButton*> buttons;
    MouseBar() {
        bar.SetHeaderScrollType(stNone);
        for (int i = 0; i < 2; ++i) {
            TmxButton* b = h[1]->AddButton();
            b->OnClick = [this, i](TPersistent*) { ++clicks[static_cast<size_t>(i)]; };
            buttons.push_back(b);
        }
        clicks.assign(2, 0);
        bar.Paint(nullptr);
        LayOutButtons(h[1]);
    }
    QPoint At(int i) const { return Centre(buttons[static_cast<size_t>(i)]->Layout().Button); }
};

TEST(BarPaintTest, MouseHoverPressAndReleaseOnAButtonClicksItOnce) {
    MouseBar m;
    ASSERT_NE(m.At(0), m.At(1));
    EXPECT_EQ(m.bar.ButtonAt(m.At(1)), m.buttons[1]);
    EXPECT_EQ(m.bar.ButtonAt(QPoint(5, 5)), nullptr);

    Mouse(m.bar, QEvent::MouseMove, m.At(0));
    EXPECT_EQ(m.bar.HotButton(), m.buttons[0]);
    EXPECT_EQ(m.buttons[0]->MouseState(), hbsFocused);
    EXPECT_EQ(m.bar.BodyHeader(), m.h[1]);
    Mouse(m.bar, QEvent::MouseButtonPress, m.At(0), Qt::LeftButton);
    EXPECT_EQ(m.buttons[0]->MouseState(), hbsDown);
    EXPECT_TRUE(m.buttons[0]->PressedLook());
    Mouse(m.bar, QEvent::MouseButtonRelease, m.At(0), Qt::LeftButton);
    EXPECT_EQ(m.clicks, (std::vector<int>{1, 0}));
    EXPECT_FALSE(m.buttons[0]->PressedLook());
    EXPECT_EQ(m.buttons[0]->MouseState(), hbsFocused);

    // Moving away returns the look; leaving forgets everything hot.
    Mouse(m.bar, QEvent::MouseMove, m.At(1));
    EXPECT_EQ(m.buttons[0]->MouseState(), hbsUp);
    EXPECT_EQ(m.buttons[1]->MouseState(), hbsFocused);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&m.bar, &leave);
    EXPECT_EQ(m.bar.HotButton(), nullptr);
    EXPECT_EQ(m.buttons[1]->MouseState(), hbsUp);
}

TEST(BarPaintTest, MouseReleaseElsewhereOrOnADisabledButtonDoesNotClick) {
    struct Case {
        const char* name;
        std::function<void(MouseBar&)> act;
    };
    const std::vector<Case> cases{
        {"release on another button", [](MouseBar& m) { Click(m.bar, m.At(0), m.At(1)); }},
        {"release outside the buttons",
         [](MouseBar& m) { Click(m.bar, m.At(0), QPoint(60, 280)); }},
        {"moved away before the release",
         [](MouseBar& m) {
             Mouse(m.bar, QEvent::MouseButtonPress, m.At(0), Qt::LeftButton);
             Mouse(m.bar, QEvent::MouseMove, QPoint(60, 280));
             Mouse(m.bar, QEvent::MouseMove, m.At(0));
             Mouse(m.bar, QEvent::MouseButtonRelease, m.At(0), Qt::LeftButton);
         }},
        {"disabled button",
         [](MouseBar& m) {
             m.buttons[0]->SetEnabled(false);
             Click(m.bar, m.At(0), m.At(0));
             EXPECT_NE(m.buttons[0]->MouseState(), hbsDown);
         }},
        {"right button",
         [](MouseBar& m) {
             Mouse(m.bar, QEvent::MouseButtonPress, m.At(0), Qt::RightButton);
             Mouse(m.bar, QEvent::MouseButtonRelease, m.At(0), Qt::RightButton);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MouseBar m;
        c.act(m);
        EXPECT_EQ(m.clicks, (std::vector<int>{0, 0}));
        EXPECT_FALSE(m.buttons[0]->PressedLook());
    }
}

TEST(BarPaintTest, ClickingACaptionSwitchesOrTogglesTheHeader) {
    // List bar: the clicked header becomes active.
    MouseBar m;
    const QPoint caption0 = Centre(m.h[0]->CaptionRect());
    Mouse(m.bar, QEvent::MouseMove, caption0);
    EXPECT_EQ(m.bar.HotHeader(), m.h[0]);
    EXPECT_EQ(m.h[0]->DrawState(), hbsFocused);
    Click(m.bar, caption0, caption0);
    EXPECT_EQ(m.bar.ActiveHeader(), m.h[0]);
    // A refused switch leaves the caption hot, not pressed; a release elsewhere switches nothing.
    m.bar.Paint(nullptr);
    const QPoint caption2 = Centre(m.h[2]->CaptionRect());
    m.bar.OnCanChange = [](TmxSideBar*, TmxHeader*, bool& canChange) { canChange = false; };
    Click(m.bar, caption2, caption2);
    EXPECT_EQ(m.bar.ActiveHeader(), m.h[0]);
    EXPECT_EQ(m.h[2]->DrawState(), hbsFocused);
    m.bar.OnCanChange = nullptr;
    Click(m.bar, caption2, QPoint(60, 150));
    EXPECT_EQ(m.bar.ActiveHeader(), m.h[0]);
    EXPECT_EQ(m.h[2]->DrawState(), hbsUp);

    // Explorer bar: a click opens or closes the header.
    ExplorerBar e(2);
    e.bar.Paint(nullptr);
    const QPoint caption = Centre(e.h[1]->CaptionRect());
    Click(e.bar, caption, caption);
    EXPECT_TRUE(e.h[1]->Opened());
    e.bar.Paint(nullptr);
    Click(e.bar, caption, caption);
    EXPECT_FALSE(e.h[1]->Opened());
}

TEST(BarPaintTest, MouseRepaintsOnlyWhenSomethingChanged) {
    CountingBar bar;
    bar.resize(120, 300);
    TmxHeader* h = bar.Headers().Add();
    h->AddButton();
    bar.SetActiveHeader(h);
    bar.show();
    QApplication::processEvents();
    LayOutButtons(h);
    const TRect button = h->GetButton(0)->Layout().Button;
    Mouse(bar, QEvent::MouseMove, Centre(button));
    QApplication::processEvents();
    const int paints = bar.paints;
    EXPECT_GT(paints, 0);
    Mouse(bar, QEvent::MouseMove, Centre(button) + QPoint(1, 1));
    QApplication::processEvents();
    EXPECT_EQ(bar.paints, paints);
}

}  // namespace
}  // namespace orv
