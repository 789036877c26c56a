#include <gtest/gtest.h>

#include <QImage>
#include <QLocale>
#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "fake_bar.h"
#include "navbar/close_button.h"
#include "navbar/header.h"

namespace orv {
namespace {

using test::BarTestFont;
using test::FakeBar;

constexpr TColor kPaper = 0x3366AA;
constexpr int kNotShown = TmxHeader::kNotShown;

// A header on a fake bar in the explorer look (add-on 12) and an image to paint it into.
struct Painter {
    FakeBar bar;
    TmxHeader* h;
    QImage image{200, 140, QImage::Format_RGB32};
    int scale = 1;

    explicit Painter(int imageScale = 1) : scale(imageScale) {
        image = QImage(200 * scale, 140 * scale, QImage::Format_RGB32);
        image.setDevicePixelRatio(scale);
        image.fill(ColorToPixel(kPaper));
        bar.settings.Font().SetFace(BarTestFont());
        bar.settings.HighlightFont().SetFace(BarTestFont());
        h = bar.headers.Add();
        h->SetCaption("Tools");
    }
    TRect Caption(TRect r) {
        h->DrawCaptionButton(&image, r, -1);
        return r;
    }
    void Body(const TRect& r) { h->DrawBody(&image, r, 0, -1); }
    // The logical pixel (x, y): the bottom-right image pixel of its block.
    TColor At(int x, int y) const {
        return PixelToColor(image.pixel(x * scale + scale - 1, y * scale + scale - 1));
    }
    bool AnyIn(const TRect& r, TColor c) const {
        for (int y = std::max(0, r.Top); y < std::min(image.height() / scale, r.Bottom); ++y)
            for (int x = std::max(0, r.Left); x < std::min(image.width() / scale, r.Right); ++x)
                if (At(x, y) == ColorToRGB(c))
                    return true;
        return false;
    }
    void Without(TmxHeaderOption o) {
        h->SetOptions(static_cast<TmxHeaderOptions>(h->Options() & ~(1u << o)));
    }
    void With(TmxHeaderOption o) {
        h->SetOptions(static_cast<TmxHeaderOptions>(h->Options() | (1u << o)));
    }
};

// Every pair of an item and a value.
template <typename T, size_t N>
std::vector<std::pair<T, int>> Cross(const T (&items)[N], std::initializer_list<int> values) {
    std::vector<std::pair<T, int>> all;
    for (const T& item : items)
        for (int v : values)
            all.emplace_back(item, v);
    return all;
}

QImage Solid(QColor color) {
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(color);
    return img;
}

TEST(HeaderPaintTest, CaptionRectangleAndWhatComesBack) {
    struct Case {
        const char* name;
        bool noCaption;
        bool handler;
        TRect back;
        TRect caption;
        int afterEvents;
    };
    const Case cases[] = {
        {"painted", false, false, {11, 21, 159, 53}, {10, 20, 160, 54}, 1},
        {"no caption", true, false, {9, 19, 161, 19}, {9, 19, 161, 19}, 0},
        {"user paints", false, true, {10, 20, 160, 54}, {10, 20, 160, 54}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Painter p;
        if (c.noCaption)
            p.With(hoNoCaption);
        if (c.handler)
            p.h->OnDrawHeaderButton = [](TmxHeader*, TCanvas&, const TRect&) {};
        int after = 0;
        TRect afterRect;
        p.h->OnAfterDrawHeaderButton = [&](TmxHeader*, TCanvas&, const TRect& r) {
            ++after;
            afterRect = r;
        };
        EXPECT_EQ(p.Caption({10, 20, 160, 54}), c.back);
        EXPECT_EQ(p.h->CaptionRect(), c.caption);
        EXPECT_EQ(after, c.afterEvents);
        if (after) {
            EXPECT_EQ(afterRect, c.caption);
        }
        const bool painted = !c.noCaption && !c.handler;
        EXPECT_EQ(p.At(40, 40) != kPaper, painted);
    }
}

TEST(HeaderPaintTest, StatusButtonNeedsMoreThanTwentyPixelsBelowTheAddOn) {
    struct Case {
        const char* name;
        TRect caption;
        TmxViewStyle view;
        TmxExplorerMethod method;
        bool option;
        TRect status;
    };
    const Case cases[] = {
        {"20 below the add-on", {0, 0, 150, 32}, vsExplorerBar, emCloseUp, true, kHiddenRect},
        {"21 below the add-on",
         {0, 0, 150, 33},
         vsExplorerBar,
         emCloseUp,
         true,
         {128, 13, 146, 31}},
        {"moved caption", {10, 40, 160, 74}, vsExplorerBar, emCloseUp, true, {138, 54, 156, 72}},
        {"22 wide", {0, 0, 22, 40}, vsExplorerBar, emCloseUp, true, kHiddenRect},
        {"23 wide", {0, 0, 23, 40}, vsExplorerBar, emCloseUp, true, {1, 17, 19, 35}},
        {"without the option", {0, 0, 150, 40}, vsExplorerBar, emCloseUp, false, kHiddenRect},
        {"standard method", {0, 0, 150, 40}, vsExplorerBar, emStandard, true, kHiddenRect},
        {"list bar", {0, 0, 150, 40}, vsListBar, emCloseUp, true, kHiddenRect},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Painter p;
        p.bar.viewStyle = c.view;
        p.bar.explorerMethod = c.method;
        if (!c.option)
            p.Without(hoShowStatusButton);
        p.bar.settings.SetAlignment(taRightJustify);
        p.Caption(c.caption);
        EXPECT_EQ(p.h->StatusRect(), c.status);
        // The text keeps its margin from the usable edge, 23 pixels short with a button.
        const int edge = c.caption.Right - (c.status == kHiddenRect ? 0 : 23);
        if (p.h->TextRect().Left != kNotShown) {
            EXPECT_EQ(p.h->TextRect().Right, edge - p.h->Margin());
        }
    }
}

TEST(HeaderPaintTest, PictureAndTextPositions) {
    struct Case {
        const char* name;
        TmxGlyphLayout layout;
        TAlignment alignment;
        int imageIndex;
        int height;
        bool pressed;
        bool rightToLeft;
        int picLeft;                          // from the caption's left, or kNotShown
        std::function<int(int tw)> textLeft;  // from the caption's left
    };
    // The caption is 150 wide; margin 4, spacing 2, pictures 16 x 16.
    const Case cases[] = {
        {"left picture, left text", glGlyphLeft, taLeftJustify, 0, 34, false, false, 4,
         [](int) { return 22; }},
        {"left picture, centred text", glGlyphLeft, taCenter, 0, 34, false, false, 4,
         [](int tw) { return (150 - tw + 1) / 2; }},
        {"right picture, right text", glGlyphRight, taRightJustify, 0, 34, false, false, 130,
         [](int tw) { return 128 - tw; }},
        {"right picture, left text", glGlyphRight, taLeftJustify, 0, 34, false, false, 130,
         [](int) { return 4; }},
        {"centred picture", glGlyphCenter, taCenter, 0, 34, false, false, 67,
         [](int tw) { return (150 - tw + 1) / 2; }},
        {"no picture, right text", glGlyphLeft, taRightJustify, -1, 34, false, false, kNotShown,
         [](int tw) { return 150 - tw - 4; }},
        {"index beyond the list", glGlyphLeft, taLeftJustify, 5, 34, false, false, kNotShown,
         [](int) { return 4; }},
        {"picture taller than the caption", glGlyphLeft, taLeftJustify, 0, 15, false, false,
         kNotShown, [](int) { return 4; }},
        {"pressed", glGlyphLeft, taLeftJustify, 0, 34, true, false, 4, [](int) { return 22; }},
        {"right-to-left reading swaps the sides", glGlyphLeft, taLeftJustify, 0, 34, false, true,
         130, [](int) { return 4; }},
    };
    const QLocale saved;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Painter p;
        TImageList list(16, 16);
        list.Add(Solid(Qt::red));
        p.bar.headerImages.SetNormal(&list);
        p.Without(hoShowStatusButton);
        p.bar.settings.SetLayout(c.layout);
        p.bar.settings.SetAlignment(c.alignment);
        p.h->SetImageIndex(c.imageIndex);
        if (c.pressed)
            p.h->SetDrawState(hbsDown);
        if (c.rightToLeft) {
            QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
            p.h->SetBiDiMode(bdRightToLeft);
        }
        const TRect caption{10, 20, 160, 20 + c.height};
        p.Caption(caption);
        QLocale::setDefault(saved);

        const int off = c.pressed ? 1 : 0;
        const TRect text = p.h->TextRect();
        const int tw = text.Width();
        const int th = text.Height();
        EXPECT_GT(tw, 0);
        if (c.picLeft == kNotShown) {
            EXPECT_EQ(p.h->PicturePos(), (TPoint{kNotShown, kNotShown}));
        } else {
            EXPECT_EQ(p.h->PicturePos(),
                      (TPoint{10 + c.picLeft + off, 20 + (c.height - 16 + 1) / 2 + off}));
            EXPECT_EQ(p.At(p.h->PicturePos().X + 8, p.h->PicturePos().Y + 8), clRed);
        }
        EXPECT_EQ(text.Left, 10 + c.textLeft(tw) + off);
        int top = 6 + (c.height - th + 1) / 2;
        top = top + th > c.height ? kNotShown : 20 + top + off;
        EXPECT_EQ(text.Top, top);
    }
}

TEST(HeaderPaintTest, LongCaptionEndsInsideItsArea) {
    Painter p;
    p.Without(hoShowStatusButton);
    p.bar.settings.SetAlignment(taLeftJustify);
    p.h->SetCaption(std::string(200, 'W'));
    p.Caption({0, 0, 150, 34});
    // Measured in 150 - margin - (margin + spacing without a picture) = 142.
    EXPECT_EQ(p.h->TextRect().Left, 4);
    EXPECT_GT(p.h->TextRect().Width(), 0);
    EXPECT_LE(p.h->TextRect().Right, 4 + 142);
}

TEST(HeaderPaintTest, CaptionPictureListInForce) {
    struct Case {
        const char* name;
        TmxButtonState state;
        bool hot;
        int index;
        bool selectedImage;
        TColor shown;  // kPaper: no picture
    };
    // Normal holds three red pictures, Hot one blue.
    const Case cases[] = {
        {"up, index only in normal", hbsUp, true, 2, false, clRed},
        {"hovered, index only in normal", hbsFocused, true, 2, false, kPaper},
        {"pressed, index only in normal", hbsDown, true, 2, false, kPaper},
        {"hovered, index in hot", hbsFocused, true, 0, false, clBlue},
        {"hovered without a hot list", hbsFocused, false, 2, false, clRed},
        {"active with the selected image", hbsUp, true, 2, true, kPaper},
        {"negative index", hbsUp, true, -1, false, kPaper},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Painter p;
        TImageList normal(16, 16);
        TImageList hot(16, 16);
        for (int i = 0; i < 3; ++i)
            normal.Add(Solid(Qt::red));
        hot.Add(Solid(Qt::blue));
        p.bar.headerImages.SetNormal(&normal);
        if (c.hot)
            p.bar.headerImages.SetHot(&hot);
        p.Without(hoShowStatusButton);
        p.bar.settings.SetCaptionStyle(csCustomDraw);
        p.bar.settings.ButtonFocused().SetColor(kPaper);
        p.bar.settings.ButtonDown().SetColor(kPaper);
        p.bar.settings.ButtonUp().SetColor(kPaper);
        if (c.selectedImage) {
            p.With(hoShowSelectedImage);
            p.bar.active = p.h;
        }
        p.h->SetImageIndex(c.index);
        p.h->SetDrawState(c.state);
        p.Caption({0, 0, 150, 34});
        const int off = c.state == hbsDown ? 1 : 0;
        // Where a left picture goes: margin 4, top (34 - 16 + 1) div 2.
        EXPECT_EQ(p.At(4 + 8 + off, 9 + 8 + off), ColorToRGB(c.shown));
        EXPECT_EQ(p.h->PicturePos().X == kNotShown, c.shown == kPaper);
    }
}

TEST(HeaderPaintTest, DisabledCaptionIsEmbossedAndRecovers) {
    struct Case {
        const char* name;
        bool headerEnabled;
        bool barEnabled;
        TmxButtonState before;
        TmxButtonState after;
    };
    const Case cases[] = {
        {"header disabled", false, true, hbsUp, hbsDisabled},
        {"bar disabled", true, false, hbsFocused, hbsDisabled},
        {"enabled again", true, true, hbsDisabled, hbsUp},
        {"enabled and hot", true, true, hbsFocused, hbsFocused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Painter p;
        p.h->SetEnabled(c.headerEnabled);
        p.bar.enabled = c.barEnabled;
        p.h->SetDrawState(c.before);
        p.Caption({0, 0, 150, 34});
        EXPECT_EQ(p.h->DrawState(), c.after);
        const TRect text = p.h->TextRect();
        const TRect area{text.Left, text.Top, text.Right + 1, text.Bottom + 1};
        const bool embossed = c.after == hbsDisabled;
        EXPECT_EQ(p.AnyIn(area, clBtnHighlight), embossed);
        EXPECT_EQ(p.AnyIn(area, clBtnShadow), embossed);
        EXPECT_EQ(p.AnyIn(area, clWindowText), !embossed);
    }
}

TEST(HeaderPaintTest, StatusButtonChevrons) {
    // Columns 6..12 and rows 4..13 of the 18 x 18 button; '#' in the arrow colour.
    const std::vector<std::string> up = {
        "...#...", "..###..", ".##.##.", "##...##", ".......",
        "...#...", "..###..", ".##.##.", "##...##", ".......",
    };
    const std::vector<std::string> down = {
        ".......", "##...##", ".##.##.", "..###..", "...#...",
        ".......", "##...##", ".##.##.", "..###..", "...#...",
    };
    struct Case {
        const char* name;
        TmxHeaderState state;
        const std::vector<std::string>* art;
    };
    const Case cases[] = {{"opened", hsOpened, &up}, {"closed", hsClosed, &down}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Painter p;
        p.bar.settings.StatusButton().SetArrowColor(clRed);
        p.h->SetHeaderState(c.state);
        p.Caption({0, 0, 150, 34});
        const TRect s = p.h->StatusRect();
        ASSERT_EQ(s, (TRect{128, 14, 146, 32}));
        for (int row = 0; row < 10; ++row) {
            for (int col = 0; col < 7; ++col) {
                const bool arrow =
                    (*c.art)[static_cast<size_t>(row)][static_cast<size_t>(col)] == '#';
                EXPECT_EQ(p.At(s.Left + 6 + col, s.Top + 4 + row) == clRed, arrow)
                    << "at " << col + 6 << "," << row + 4;
            }
        }
        // The ellipse is filled inside and ringed outside the chevrons.
        EXPECT_EQ(p.At(s.Left + 9, s.Top + 15), clWhite);
        EXPECT_EQ(p.At(s.Left + 9, s.Top), clGray);
    }
}

TEST(HeaderPaintTest, CaptionBorderAndRoundedCorners) {
    struct Case {
        const char* name;
        TmxCaptionStyle style;
        TmxViewStyle view;
        bool rounded;
        int penWidth;
        std::vector<TPoint> paper;  // left unpainted
        std::vector<TPoint> pen;    // in the caption pen's colour
    };
    // The strip below the add-on spans (0, 12) to (149, 33).
    const Case cases[] = {
        {"rounded button style",
         csButtonStyle,
         vsExplorerBar,
         true,
         1,
         {{0, 12}, {1, 12}, {0, 13}, {149, 12}, {148, 12}, {149, 13}},
         {}},
        {"square in the list bar", csButtonStyle, vsListBar, true, 1, {}, {}},
        {"rounded custom draw, thin border",
         csCustomDraw,
         vsExplorerBar,
         true,
         1,
         {{0, 12}, {1, 12}, {0, 13}, {149, 12}, {148, 12}, {149, 13}},
         {{1, 14},
          {1, 13},
          {2, 13},
          {147, 13},
          {148, 13},
          {148, 14},
          {2, 12},
          {0, 14},
          {147, 12},
          {149, 20},
          {20, 33}}},
        {"rounded custom draw, pen 2",
         csCustomDraw,
         vsExplorerBar,
         true,
         2,
         {{0, 12}, {1, 12}, {0, 13}, {149, 12}, {148, 12}, {149, 13}},
         {{2, 15},
          {2, 14},
          {3, 14},
          {147, 14},
          {148, 14},
          {148, 15},
          {1, 20},
          {148, 20},
          {20, 32},
          {20, 33}}},
        {"square custom draw",
         csCustomDraw,
         vsExplorerBar,
         false,
         1,
         {},
         {{0, 12}, {149, 12}, {0, 33}}},
    };
    // At double scale too: the rounded clip paints the background through a copy of the area.
    for (const auto& [c, scale] : Cross(cases, {1, 2})) {
        SCOPED_TRACE(std::string(c.name) + " at scale " + std::to_string(scale));
        Painter p(scale);
        p.bar.viewStyle = c.view;
        p.bar.settings.SetCaptionStyle(c.style);
        p.bar.settings.CaptionPen().SetColor(clRed);
        p.bar.settings.CaptionPen().SetWidth(c.penWidth);
        p.bar.settings.ButtonUp().SetStyle(btGradient);
        p.Without(hoShowStatusButton);
        p.h->SetCaption("");
        if (c.rounded)
            p.With(hoRoundedHeader);
        p.Caption({0, 0, 150, 34});
        for (const TPoint& pt : c.paper)
            EXPECT_EQ(p.At(pt.X, pt.Y), kPaper) << pt.X << "," << pt.Y;
        for (const TPoint& pt : c.pen)
            EXPECT_EQ(p.At(pt.X, pt.Y), clRed) << pt.X << "," << pt.Y;
        if (c.paper.empty()) {
            EXPECT_NE(p.At(0, 12), kPaper);
        }
        // Inside the border only the background shows.
        EXPECT_NE(p.At(75, 25), kPaper);
        EXPECT_NE(p.At(75, 25), clRed);
    }
}

TEST(HeaderPaintTest, BodyFrame) {
    struct Case {
        const char* name;
        bool border;
        int width;
        TmxBarOptions barOptions;
        TmxViewStyle view;
        TmxCaptionStyle style;
        TColor captionPen;
        std::vector<TPoint> pen;
        std::vector<TPoint> inside;  // background
    };
    const TmxBarOptions frame = BarOptions({boHeaderFrame});
    // The body spans (0, 40) to (149, 99); the background is grey.
    const Case cases[] = {
        {"thin frame",
         true,
         1,
         frame,
         vsExplorerBar,
         csButtonStyle,
         clRed,
         {{0, 50}, {149, 50}, {5, 40}, {5, 99}},
         {{1, 50}, {5, 41}}},
        {"no border option",
         false,
         1,
         frame,
         vsExplorerBar,
         csButtonStyle,
         clRed,
         {},
         {{0, 50}, {5, 40}}},
        {"pen of width 0",
         true,
         0,
         frame,
         vsExplorerBar,
         csButtonStyle,
         clRed,
         {},
         {{0, 50}, {5, 40}}},
        {"header frame option in the list bar",
         true,
         1,
         frame,
         vsListBar,
         csButtonStyle,
         clRed,
         {},
         {{0, 50}}},
        {"list bar without the option",
         true,
         1,
         0,
         vsListBar,
         csButtonStyle,
         clRed,
         {{0, 50}},
         {{1, 50}}},
        {"pen of width 2",
         true,
         2,
         frame,
         vsExplorerBar,
         csButtonStyle,
         clRed,
         {{0, 50}, {1, 50}, {148, 50}, {149, 50}, {5, 40}, {5, 41}, {5, 98}, {5, 99}},
         {{2, 50}, {147, 50}, {5, 42}}},
        {"joins a caption border of the same pen",
         true,
         1,
         frame,
         vsExplorerBar,
         csCustomDraw,
         clRed,
         {{5, 39}, {0, 50}},
         {{5, 40}}},
        {"another caption pen stays apart",
         true,
         1,
         frame,
         vsExplorerBar,
         csCustomDraw,
         clBlue,
         {{5, 40}},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Painter p;
        p.bar.options = c.barOptions;
        p.bar.viewStyle = c.view;
        p.bar.settings.SetCaptionStyle(c.style);
        p.bar.settings.HeaderPen().SetColor(clRed);
        p.bar.settings.HeaderPen().SetWidth(c.width);
        p.bar.settings.CaptionPen().SetColor(c.captionPen);
        if (c.border)
            p.With(hoDrawBorder);
        p.Body({0, 40, 150, 100});
        EXPECT_EQ(p.h->BodyRect(), (TRect{0, 40, 150, 100}));
        for (const TPoint& pt : c.pen)
            EXPECT_EQ(p.At(pt.X, pt.Y), clRed) << pt.X << "," << pt.Y;
        for (const TPoint& pt : c.inside)
            EXPECT_EQ(p.At(pt.X, pt.Y), clGray) << pt.X << "," << pt.Y;
        if (std::none_of(c.pen.begin(), c.pen.end(), [](TPoint q) { return q.Y == 39; })) {
            EXPECT_EQ(p.At(5, 39), kPaper);
        }
    }
}

TEST(HeaderPaintTest, BodyRectangleDuringAnimationAndWhenEmpty) {
    struct Case {
        const char* name;
        bool autoLayout;
        TRect rect;
        TRect stored;
        bool painted;
    };
    const TRect before{0, 0, 150, 30};
    const Case cases[] = {
        {"laid out", true, {0, 40, 150, 100}, {0, 40, 150, 100}, true},
        {"animating keeps the stored one", false, {0, 40, 150, 100}, before, true},
        {"upside down", true, {0, 100, 150, 40}, {}, false},
        {"no width", true, {50, 40, 50, 100}, {}, false},
        {"animating, no width", false, {50, 40, 50, 100}, before, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Painter p;
        p.Body(before);
        p.image.fill(ColorToPixel(kPaper));
        p.bar.autoLayout = c.autoLayout;
        p.Body(c.rect);
        EXPECT_EQ(p.h->BodyRect(), c.stored);
        EXPECT_EQ(p.At(60, 60) == clGray, c.painted);
    }
}

TEST(HeaderPaintTest, LastShownButtonAfterAnOverflow) {
    struct Case {
        const char* name;
        int buttons;
        int invisible;  // -1: none
        int firstShown;
        int bodyHeight;
        int lastShown;
        std::vector<bool> hidden;
    };
    // Small buttons: 20 high, 2 apart, the first 10 below the body's top.
    const Case cases[] = {
        {"all fit", 3, -1, 0, 100, 2, {false, false, false}},
        {"third overflows", 5, -1, 0, 60, 3, {false, false, true, true, true}},
        {"last one invisible", 5, 4, 0, 60, 2, {false, false, true, true, true}},
        {"scrolled by one", 5, -1, 1, 60, 3, {true, false, false, true, true}},
        {"invisible in the middle", 4, 1, 0, 60, 2, {false, true, false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Painter p;
        p.bar.settings.SetButtonStyle(bsSmall);
        for (int i = 0; i < c.buttons; ++i)
            p.h->AddButton()->SetVisible(i != c.invisible);
        if (c.firstShown > 0) {
            p.Body({0, 0, 150, 60});
            p.h->ScrollDown();
            ASSERT_EQ(p.h->FirstShown(), c.firstShown);
        }
        p.Body({0, 0, 150, c.bodyHeight});
        EXPECT_EQ(p.h->LastShown(), c.lastShown);
        int top = 10;
        for (int i = 0; i < c.buttons; ++i) {
            const TRect b = p.h->GetButton(i)->Layout().Button;
            EXPECT_EQ(b == kHiddenRect, c.hidden[static_cast<size_t>(i)]) << "button " << i;
            if (b != kHiddenRect) {
                EXPECT_EQ(b.Top, top) << "button " << i;
                top += 22;
            }
        }
    }
}

TEST(HeaderPaintTest, HandlersReplaceAndFollowPainting) {
    Painter p;
    p.bar.settings.SetButtonStyle(bsSmall);
    p.h->AddButton();
    std::vector<std::string> order;
    TRect statusSeen;
    TmxHeaderState stateSeen = hsOpened;
    p.h->OnDrawStatusButton = [&](TmxHeader*, TCanvas&, const TRect& r, TmxHeaderState s) {
        order.push_back("status");
        statusSeen = r;
        stateSeen = s;
    };
    p.h->OnAfterDrawHeaderButton = [&](TmxHeader*, TCanvas&, const TRect&) {
        order.push_back("after caption");
    };
    p.h->OnDrawHeaderBody = [&](TmxHeader*, TCanvas& canvas, const TRect& r) {
        order.push_back("body");
        canvas.brush.Color = clLime;
        canvas.FillRect({r.Left, r.Top, r.Left + 5, r.Top + 5});
    };
    p.h->OnAfterDrawHeaderBody = [&](TmxHeader* h, TCanvas&, const TRect&) {
        // Before the buttons: the button is not laid out yet.
        order.push_back(h->GetButton(0)->Layout().Button.IsEmpty() ? "after body, no buttons"
                                                                   : "after body, buttons");
    };
    p.h->SetOpened(false);
    p.Caption({0, 0, 150, 34});
    EXPECT_EQ(statusSeen, (TRect{128, 14, 146, 32}));
    EXPECT_EQ(stateSeen, hsClosed);
    EXPECT_EQ(p.At(128 + 9, 14 + 8), ColorToRGB(clBtnFace)) << "no chevron of our own";
    p.h->SetOpened(true);
    p.Body({0, 40, 150, 100});
    EXPECT_EQ(p.At(1, 41), clLime);
    EXPECT_EQ(p.At(60, 60), kPaper) << "the handler replaced the background";
    EXPECT_FALSE(p.h->GetButton(0)->Layout().Button.IsEmpty());
    EXPECT_EQ(order, (std::vector<std::string>{"status", "after caption", "body",
                                               "after body, no buttons"}));

    // A handler of the whole strip leaves nothing of ours to hit.
    p.h->OnDrawHeaderButton = [&](TmxHeader*, TCanvas&, const TRect&) {
        order.push_back("caption");
    };
    order.clear();
    p.Caption({0, 0, 150, 34});
    EXPECT_EQ(order, (std::vector<std::string>{"caption", "after caption"}));
    EXPECT_EQ(p.h->StatusRect(), kHiddenRect);
    EXPECT_EQ(p.h->TextRect().Left, kNotShown);
}

TEST(HeaderPaintTest, PaintingThrowsNothingAndChangesNothing) {
    Painter p;
    TImageList list(16, 16);
    list.Add(Solid(Qt::red));
    p.bar.headerImages.SetNormal(&list);
    p.h->SetImageIndex(0);
    p.With(hoRoundedHeader);
    p.With(hoDrawBorder);
    p.bar.settings.SetCaptionStyle(csCustomDraw);
    p.bar.settings.ButtonUp().SetStyle(btGradient);
    p.bar.settings.ButtonDisabled().SetStyle(btGradient);
    p.bar.settings.CaptionPen().SetWidth(2);
    p.h->Background().SetStyle(btGradient);
    p.h->AddButton();
    int notices = 0;
    p.bar.settings.SetOnChangeParameter([&](TPersistent*) { ++notices; });
    p.h->SetOnChangeParameter([&](TPersistent*) { ++notices; });
    const TColor begin = p.bar.settings.ButtonUp().Gradient().BeginColor();
    const int repaints = p.bar.repaints;

    const TRect rects[] = {{0, 0, 150, 34},
                           {0, 0, 0, 0},
                           {-500, -500, -400, -300},
                           {190, 130, 400, 400},
                           {10, 10, 12, 11}};
    for (const bool enabled : {true, false}) {
        p.h->SetEnabled(enabled);
        notices = 0;
        for (const TRect& r : rects) {
            TRect caption = r;
            EXPECT_NO_THROW(p.h->DrawCaptionButton(&p.image, caption, 0));
            EXPECT_NO_THROW(p.h->DrawBody(&p.image, r, 0, 0));
            EXPECT_NO_THROW(p.h->DrawCaptionButton(nullptr, caption, 0));
            EXPECT_NO_THROW(p.h->DrawBody(nullptr, r, 0, 0));
        }
        EXPECT_EQ(notices, 0);
    }
    EXPECT_EQ(p.bar.repaints, repaints);
    EXPECT_EQ(p.bar.settings.ButtonUp().Gradient().BeginColor(), begin);

    p.h->OnAfterDrawHeaderButton = [](TmxHeader*, TCanvas&, const TRect&) {
        throw std::runtime_error("handler");
    };
    p.h->OnDrawHeaderBody = p.h->OnAfterDrawHeaderButton;
    TRect caption{0, 0, 150, 34};
    EXPECT_NO_THROW(p.h->DrawCaptionButton(&p.image, caption, 0));
    EXPECT_EQ(caption, (TRect{1, 1, 149, 33}));
    EXPECT_NO_THROW(p.h->DrawBody(&p.image, {0, 40, 150, 100}, 0, 0));
}

// A draw handler may delete its header or buttons of it; the paint then leaves alone what is
// gone and what moved, and the next paint lays out what is left.
TEST(HeaderPaintTest, DrawHandlersMayDeleteTheirHeaderOrItsButtons) {
    enum class Gone { Header, DrawnButton, LaterButton };
    using Remove = std::function<void()>;
    struct Case {
        const char* name;
        bool caption;  // the handler runs in the caption's paint, else in the body's
        std::function<void(TmxHeader*, TmxButton*, Remove)> hook;
        Gone gone;
    };
    auto captionHook = [](TmxHeader* h, TmxButton*, Remove remove) {
        h->OnDrawHeaderButton = [remove](TmxHeader*, TCanvas&, const TRect&) { remove(); };
    };
    auto bodyHook = [](TmxHeader* h, TmxButton*, Remove remove) {
        h->OnDrawHeaderBody = [remove](TmxHeader*, TCanvas&, const TRect&) { remove(); };
    };
    auto afterBodyHook = [](TmxHeader* h, TmxButton*, Remove remove) {
        h->OnAfterDrawHeaderBody = [remove](TmxHeader*, TCanvas&, const TRect&) { remove(); };
    };
    auto beforeButtonHook = [](TmxHeader*, TmxButton* b, Remove remove) {
        b->OnBeforeDrawButton = [remove](TmxButton*, TCanvas&, TRect&, TRect&, TRect&, TRect&) {
            remove();
        };
    };
    auto buttonHook = [](TmxHeader*, TmxButton* b, Remove remove) {
        b->OnDrawButton = [remove](TmxButton*, TCanvas&, TmxButtonView, TmxButtonState,
                                   const TRect&, const TRect&) { remove(); };
    };
    auto afterButtonHook = [](TmxHeader*, TmxButton* b, Remove remove) {
        b->OnAfterDrawButton = [remove](TmxButton*, TCanvas&, const TRect&, const TRect&) {
            remove();
        };
    };
    const std::vector<Case> cases{
        {"caption handler, header", true, captionHook, Gone::Header},
        {"body handler, header", false, bodyHook, Gone::Header},
        {"after-body handler, header", false, afterBodyHook, Gone::Header},
        {"before-button handler, header", false, beforeButtonHook, Gone::Header},
        {"before-button handler, its button", false, beforeButtonHook, Gone::DrawnButton},
        {"button handler, its button", false, buttonHook, Gone::DrawnButton},
        {"button handler, a later button", false, buttonHook, Gone::LaterButton},
        {"after-button handler, header", false, afterButtonHook, Gone::Header},
        {"after-button handler, its button", false, afterButtonHook, Gone::DrawnButton},
        {"after-button handler, a later button", false, afterButtonHook, Gone::LaterButton},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Painter p;
        p.bar.settings.SetButtonStyle(bsSmall);
        for (int i = 0; i < 3; ++i)
            p.h->AddButton();
        TmxHeader* h = p.h;
        TmxButton* drawn = h->GetButton(0);
        TmxButton* later = h->GetButton(2);
        bool removed = false;
        c.hook(h, drawn, [&] {
            if (removed)
                return;
            switch (c.gone) {
                case Gone::Header:
                    p.bar.headers.Delete(0);
                    break;
                case Gone::DrawnButton:
                    h->DeleteButton(drawn);
                    break;
                case Gone::LaterButton:
                    h->DeleteButton(later);
                    break;
            }
            // The handler still runs after the deletion and may use what it holds.
            removed = true;
        });
        if (c.caption) {
            p.Caption({0, 0, 150, 34});
        } else {
            p.Body({0, 40, 150, 130});
        }
        ASSERT_TRUE(removed);
        if (c.gone == Gone::Header) {
            EXPECT_EQ(p.bar.headers.Count(), 0);
            continue;
        }
        ASSERT_EQ(h->GetButtonCount(), 2);
        p.Body({0, 40, 150, 130});
        for (int i = 0; i < h->GetButtonCount(); ++i)
            EXPECT_FALSE(h->GetButton(i)->Layout().Button.IsEmpty()) << i;
        EXPECT_EQ(h->LastShown(), 1);
    }
}

TEST(HeaderPaintTest, GradientCaptionRendersAfreshEachPaint) {
    Painter p;
    p.bar.settings.SetCaptionStyle(csCustomDraw);
    TmxGradient& g = p.bar.settings.ButtonUp().Gradient();
    p.bar.settings.ButtonUp().SetStyle(btGradient);
    // A cache of the strip's size from elsewhere would be reused as it is; the caption renders
    // its own.
    g.Draw(nullptr, {5, 5, 155, 27});
    ASSERT_EQ(g.CacheRect(), (TRect{5, 5, 155, 27}));
    p.Caption({0, 0, 150, 34});
    EXPECT_EQ(g.CacheRect(), (TRect{0, 12, 150, 34}));
}

// --- the close header ---------------------------------------------------------------------

// Notes how deep in update brackets the bar was at each repaint.
struct BracketBar : FakeBar {
    std::vector<int> depths;
    void InvalidateAll() override {
        depths.push_back(updates);
        FakeBar::InvalidateAll();
    }
};

TEST(CloseButtonTest, NewCloseHeader) {
    FakeBar bar;
    TmxCloseButton close(&bar);
    EXPECT_EQ(close.Caption(), "Favorites");
    EXPECT_FALSE(close.Visible());
    EXPECT_EQ(close.ImageIndex(), -1);
    EXPECT_EQ(close.Margin(), 4);
    EXPECT_FALSE(close.Transparent());
    EXPECT_EQ(close.Height(), 22);
    TmxHeader& h = close.Header();
    EXPECT_EQ(h.Options(), HeaderOptions({hoAlwaysFlat, hoCustomSettings}));
    EXPECT_EQ(h.Settings().ExplorerAddOn(), 0);
    EXPECT_EQ(h.Settings().Alignment(), taLeftJustify);
    EXPECT_EQ(h.Buttons(), nullptr);
    // Its own settings are in force even with the bar's common style.
    EXPECT_EQ(&h.GetActiveSettings(), &h.Settings());
}

TEST(CloseButtonTest, WritesCompareExceptTheFont) {
    struct Case {
        const char* name;
        std::function<void(TmxCloseButton&)> same;
        std::function<void(TmxCloseButton&)> other;
        bool sameRepaints;
    };
    const Case cases[] = {
        {"Caption", [](TmxCloseButton& c) { c.SetCaption("Favorites"); },
         [](TmxCloseButton& c) { c.SetCaption("Links"); }, false},
        {"Height", [](TmxCloseButton& c) { c.SetHeight(22); },
         [](TmxCloseButton& c) { c.SetHeight(30); }, false},
        {"ImageIndex", [](TmxCloseButton& c) { c.SetImageIndex(-1); },
         [](TmxCloseButton& c) { c.SetImageIndex(3); }, false},
        {"Margin", [](TmxCloseButton& c) { c.SetMargin(4); },
         [](TmxCloseButton& c) { c.SetMargin(6); }, false},
        {"Transparent", [](TmxCloseButton& c) { c.SetTransparent(false); },
         [](TmxCloseButton& c) { c.SetTransparent(true); }, false},
        {"Visible", [](TmxCloseButton& c) { c.SetVisible(false); },
         [](TmxCloseButton& c) { c.SetVisible(true); }, false},
        {"Font", [](TmxCloseButton& c) { c.SetFont(c.Font()); },
         [](TmxCloseButton& c) {
             TFont f;
             f.SetColor(clRed);
             c.SetFont(f);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeBar bar;
        TmxCloseButton close(&bar);
        c.same(close);
        EXPECT_EQ(bar.repaints, c.sameRepaints ? 1 : 0);
        bar.repaints = 0;
        c.other(close);
        EXPECT_EQ(bar.repaints, 1);
    }
}

TEST(CloseButtonTest, AssignCopiesInOrderInsideOneBracket) {
    BracketBar bar;
    TmxCloseButton from(nullptr);
    from.SetCaption("Links");
    TFont red;
    red.SetColor(clRed);
    from.SetFont(red);
    from.SetHeight(30);
    from.SetImageIndex(2);
    from.SetMargin(7);
    from.SetTransparent(true);
    from.SetVisible(true);
    int fromCloses = 0;
    from.OnClose = [&](TPersistent*) { ++fromCloses; };

    TmxCloseButton to(&bar);
    int toCloses = 0;
    to.OnClose = [&](TPersistent*) { ++toCloses; };
    // At each repaint, how many of the properties (in their copy order) already match.
    std::vector<int> copied;
    auto matching = [&] {
        const bool same[] = {to.Caption() == "Links",
                             to.Font().Color() == clRed,
                             to.Height() == 30,
                             to.ImageIndex() == 2,
                             to.Margin() == 7,
                             to.Transparent(),
                             to.Visible()};
        int n = 0;
        while (n < 7 && same[n])
            ++n;
        return n;
    };
    to.Header().SetOnChangeParameter([&](TPersistent*) { copied.push_back(matching()); });
    to.Assign(from);
    EXPECT_EQ(matching(), 7);
    EXPECT_EQ(bar.depths, std::vector<int>(7, 1));
    EXPECT_EQ(bar.updates, 0);
    // Font and height report through the settings, the rest through the header itself.
    EXPECT_EQ(copied, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    to.OnClose(&to);
    EXPECT_EQ(toCloses, 1);
    EXPECT_EQ(fromCloses, 0);

    TmxBorder border;
    EXPECT_THROW(to.Assign(border), EConvertError);
}

}  // namespace
}  // namespace orv
