#include "navbar/appearance.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "navbar/background.h"

namespace orv {
namespace {

using test::Doubled;

// Counts the change notices of one object and checks who sent them.
struct Notices {
    int count = 0;
    std::vector<TPersistent*> senders;
    void Watch(TPersistent& object) {
        object.SetOnChangeParameter([this](TPersistent* sender) {
            ++count;
            senders.push_back(sender);
        });
    }
};

QImage Filled(int w, int h, TColor color) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(ColorToPixel(color));
    return image;
}

TColor At(const QImage& image, int x, int y) {
    return PixelToColor(image.pixel(x, y));
}

// Checks a table of (property, constructor value) against what a new object reads.
template <typename T, size_t N>
void ExpectNewValues(const T& object, const std::array<TPropertyDefault, N>& table,
                     const std::map<std::string, std::function<std::int64_t(const T&)>>& read) {
    ASSERT_EQ(read.size(), N);
    for (const TPropertyDefault& p : table) {
        SCOPED_TRACE(p.Name);
        ASSERT_TRUE(read.count(p.Name));
        EXPECT_EQ(read.at(p.Name)(object), p.NewValue);
    }
}

TEST(AppearanceDefaultsTest, NewObjectsReadTheirTables) {
    ExpectNewValues<TmxBorder>(TmxBorder(), TmxBorder::kDefaults,
                               {{"Top", [](const TmxBorder& b) { return b.Top(); }},
                                {"Bottom", [](const TmxBorder& b) { return b.Bottom(); }},
                                {"Left", [](const TmxBorder& b) { return b.Left(); }},
                                {"Right", [](const TmxBorder& b) { return b.Right(); }},
                                {"Separator", [](const TmxBorder& b) { return b.Separator(); }}});
    ExpectNewValues<TmxXPColors>(
        TmxXPColors(), TmxXPColors::kDefaults,
        {{"BorderColor", [](const TmxXPColors& c) { return c.BorderColor(); }},
         {"Background", [](const TmxXPColors& c) { return c.Background(); }},
         {"PressedBackground", [](const TmxXPColors& c) { return c.PressedBackground(); }},
         {"ShadowColor", [](const TmxXPColors& c) { return c.ShadowColor(); }},
         {"UseShadow", [](const TmxXPColors& c) { return c.UseShadow(); }}});
    ExpectNewValues<TmxStatusButton>(
        TmxStatusButton(), TmxStatusButton::kDefaults,
        {{"ArrowColor", [](const TmxStatusButton& s) { return s.ArrowColor(); }},
         {"Background", [](const TmxStatusButton& s) { return s.Background(); }},
         {"BorderColor", [](const TmxStatusButton& s) { return s.BorderColor(); }},
         {"Transparent", [](const TmxStatusButton& s) { return s.Transparent(); }}});
    ExpectNewValues<TmxGlyph>(TmxGlyph(), TmxGlyph::kDefaults,
                              {{"Position", [](const TmxGlyph& g) { return g.Position(); }},
                               {"Transparent", [](const TmxGlyph& g) { return g.Transparent(); }},
                               {"Visible", [](const TmxGlyph& g) { return g.Visible(); }}});
}

TEST(AppearanceDefaultsTest, PinnedValuesAndStreamDefaults) {
    struct Case {
        const char* table;
        TPropertyDefault entry;
    };
    const auto find = [](const auto& table, const char* name) {
        for (const TPropertyDefault& p : table) {
            if (std::string(p.Name) == name) {
                return p;
            }
        }
        ADD_FAILURE() << name;
        return TPropertyDefault{name, -1, {}};
    };
    const Case cases[] = {
        {"border", {"Top", 5, 0}},
        {"border", {"Separator", 5, 0}},
        {"xp", {"BorderColor", 0x800000, std::nullopt}},
        {"xp", {"Background", 14199984, std::nullopt}},
        {"xp", {"PressedBackground", 13076383, std::nullopt}},
        {"xp", {"ShadowColor", 0, std::nullopt}},
        {"xp", {"UseShadow", 1, std::nullopt}},
        {"status", {"ArrowColor", 0, std::nullopt}},
        {"status", {"Background", 0xFFFFFF, std::nullopt}},
        {"status", {"BorderColor", 0x808080, std::nullopt}},
        {"status", {"Transparent", 0, 0}},
        {"glyph", {"Position", gpBottomRight, gpBottomRight}},
        {"glyph", {"Transparent", 1, 1}},
        {"glyph", {"Visible", 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.table) + "." + c.entry.Name);
        const std::string t = c.table;
        const TPropertyDefault got = t == "border" ? find(TmxBorder::kDefaults, c.entry.Name)
                                     : t == "xp"   ? find(TmxXPColors::kDefaults, c.entry.Name)
                                     : t == "status"
                                         ? find(TmxStatusButton::kDefaults, c.entry.Name)
                                         : find(TmxGlyph::kDefaults, c.entry.Name);
        EXPECT_EQ(got.NewValue, c.entry.NewValue);
        EXPECT_EQ(got.StreamDefault, c.entry.StreamDefault);
    }
    TmxButtonImages images;
    TmxHeaderImages headerImages(nullptr);
    for (int i = 1; i <= 6; ++i) {
        EXPECT_EQ(images.GetImageList(i), nullptr);
    }
    EXPECT_EQ(headerImages.Normal(), nullptr);
    EXPECT_EQ(headerImages.Hot(), nullptr);
    EXPECT_TRUE(TmxGlyph().Bitmap().isNull());
    EXPECT_FALSE(TmxGlyph().Drawing());
}

TEST(AppearanceSettersTest, WhichSettersReportAnUnchangedValue) {
    // Each setter is called with the value the object already holds, then with a new one.
    struct Case {
        const char* name;
        std::function<void(TmxBorder&, TmxXPColors&, TmxStatusButton&, TmxGlyph&, bool)> set;
        int noticesForSame;
    };
    const Case cases[] = {
        {"Border.Top", [](auto& b, auto&, auto&, auto&, bool c) { b.SetTop(c ? 7 : 5); }, 1},
        {"Border.Bottom", [](auto& b, auto&, auto&, auto&, bool c) { b.SetBottom(c ? 7 : 5); }, 1},
        {"Border.Left", [](auto& b, auto&, auto&, auto&, bool c) { b.SetLeft(c ? 7 : 5); }, 1},
        {"Border.Right", [](auto& b, auto&, auto&, auto&, bool c) { b.SetRight(c ? 7 : 5); }, 1},
        {"Border.Separator",
         [](auto& b, auto&, auto&, auto&, bool c) { b.SetSeparator(c ? 7 : 5); }, 1},
        {"XP.BorderColor",
         [](auto&, auto& x, auto&, auto&, bool c) { x.SetBorderColor(c ? clRed : clNavy); }, 0},
        {"XP.Background",
         [](auto&, auto& x, auto&, auto&, bool c) { x.SetBackground(c ? clRed : 0xD8ACB0); }, 0},
        {"XP.PressedBackground",
         [](auto&, auto& x, auto&, auto&, bool c) { x.SetPressedBackground(c ? clRed : 0xC7879F); },
         0},
        {"XP.ShadowColor",
         [](auto&, auto& x, auto&, auto&, bool c) { x.SetShadowColor(c ? clRed : clBlack); }, 0},
        {"XP.UseShadow", [](auto&, auto& x, auto&, auto&, bool c) { x.SetUseShadow(!c); }, 0},
        {"Status.ArrowColor",
         [](auto&, auto&, auto& s, auto&, bool c) { s.SetArrowColor(c ? clRed : clBlack); }, 1},
        {"Status.Background",
         [](auto&, auto&, auto& s, auto&, bool c) { s.SetBackground(c ? clRed : clWhite); }, 1},
        {"Status.BorderColor",
         [](auto&, auto&, auto& s, auto&, bool c) { s.SetBorderColor(c ? clRed : clGray); }, 1},
        {"Status.Transparent", [](auto&, auto&, auto& s, auto&, bool c) { s.SetTransparent(c); },
         0},
        {"Glyph.Position",
         [](auto&, auto&, auto&, auto& g, bool c) { g.SetPosition(c ? gpCenter : gpBottomRight); },
         0},
        {"Glyph.Transparent", [](auto&, auto&, auto&, auto& g, bool c) { g.SetTransparent(!c); },
         0},
        {"Glyph.Visible", [](auto&, auto&, auto&, auto& g, bool c) { g.SetVisible(!c); }, 0},
        {"Glyph.Bitmap",
         [](auto&, auto&, auto&, auto& g, bool c) {
             g.SetBitmap(c ? Filled(2, 2, clRed) : QImage());
         },
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TmxBorder border;
        TmxXPColors xp;
        TmxStatusButton status;
        TmxGlyph glyph;
        Notices notices;
        for (TPersistent* object :
             std::initializer_list<TPersistent*>{&border, &xp, &status, &glyph}) {
            notices.Watch(*object);
        }
        c.set(border, xp, status, glyph, false);
        EXPECT_EQ(notices.count, c.noticesForSame);
        c.set(border, xp, status, glyph, true);
        EXPECT_EQ(notices.count, c.noticesForSame + 1);
    }
}

TEST(AppearanceSettersTest, IndexedAccessOutsideTheRange) {
    TmxBorder border;
    TmxStatusButton status;
    Notices notices;
    notices.Watch(border);
    notices.Watch(status);
    EXPECT_EQ(border.GetValue(0), 0);
    EXPECT_EQ(border.GetValue(6), 0);
    EXPECT_EQ(status.GetColor(0), clBtnFace);
    EXPECT_EQ(status.GetColor(4), clBtnFace);
    border.SetValue(6, 9);
    status.SetColor(4, clRed);
    EXPECT_EQ(notices.count, 0);
    border.SetValue(TmxBorder::kSeparator, 9);
    EXPECT_EQ(border.Separator(), 9);
    status.SetColor(TmxStatusButton::kBorderColor, clRed);
    EXPECT_EQ(status.BorderColor(), clRed);
    ASSERT_EQ(notices.senders.size(), 2u);
    EXPECT_EQ(notices.senders[0], &border);
    EXPECT_EQ(notices.senders[1], &status);
}

TEST(AppearanceAssignTest, SameClassCopiesEveryValueAndReportsOnce) {
    {
        TmxBorder from, to;
        from.SetTop(1);
        from.SetBottom(2);
        from.SetLeft(3);
        from.SetRight(4);
        from.SetSeparator(6);
        Notices notices;
        notices.Watch(to);
        to.Assign(from);
        EXPECT_EQ(notices.count, 1);
        for (int i = 1; i <= 5; ++i) {
            EXPECT_EQ(to.GetValue(i), from.GetValue(i)) << i;
        }
    }
    {
        TmxXPColors from, to;
        from.SetBorderColor(0x010203);
        from.SetBackground(0x040506);
        from.SetPressedBackground(0x070809);
        from.SetShadowColor(0x0A0B0C);
        from.SetUseShadow(false);
        Notices notices;
        notices.Watch(to);
        to.Assign(from);
        EXPECT_EQ(notices.count, 1);
        EXPECT_EQ(to.BorderColor(), 0x010203u);
        EXPECT_EQ(to.Background(), 0x040506u);
        EXPECT_EQ(to.PressedBackground(), 0x070809u);
        EXPECT_EQ(to.ShadowColor(), 0x0A0B0Cu);
        EXPECT_FALSE(to.UseShadow());
    }
    {
        TmxStatusButton from, to;
        from.SetArrowColor(clRed);
        from.SetBackground(clLime);
        from.SetBorderColor(clBlue);
        from.SetTransparent(true);
        Notices notices;
        notices.Watch(to);
        to.Assign(from);
        EXPECT_EQ(notices.count, 1);
        EXPECT_EQ(to.ArrowColor(), clRed);
        EXPECT_EQ(to.Background(), clLime);
        EXPECT_EQ(to.BorderColor(), clBlue);
        EXPECT_TRUE(to.Transparent());
    }
    {
        TmxGlyph from, to;
        from.SetPosition(gpTopRight);
        from.SetBitmap(Filled(3, 2, clRed));
        from.SetTransparent(false);
        from.SetVisible(false);
        Notices notices;
        notices.Watch(to);
        to.Assign(from);
        EXPECT_EQ(notices.count, 1);
        EXPECT_EQ(to.Position(), gpTopRight);
        EXPECT_EQ(to.Bitmap(), from.Bitmap());
        EXPECT_FALSE(to.Transparent());
        EXPECT_FALSE(to.Visible());
        // The handler is not copied.
        EXPECT_FALSE(from.OnChangeParameter());
    }
}

TEST(AppearanceAssignTest, ImageListsMoveTheirChangeLinks) {
    TImageList a(16, 16), b(16, 16), c(16, 16), d(16, 16), e(16, 16), f(16, 16);
    TmxButtonImages from;
    from.SetNormal(&a);
    from.SetHot(&b);
    from.SetSmall(&c);
    from.SetHotSmall(&d);
    from.SetDisabled(&e);
    from.SetDisabledSmall(&f);
    TmxButtonImages to;
    TImageList old(16, 16);
    to.SetHot(&old);
    Notices notices;
    notices.Watch(to);
    to.Assign(from);
    EXPECT_EQ(notices.count, 1);
    TImageList* expected[] = {&a, &b, &c, &d, &e, &f};
    for (int i = 1; i <= 6; ++i) {
        EXPECT_EQ(to.GetImageList(i), expected[i - 1]) << i;
    }
    old.Add(Filled(16, 16, clRed));
    EXPECT_EQ(notices.count, 1);
    f.Add(Filled(16, 16, clRed));
    EXPECT_EQ(notices.count, 2);

    TmxHeaderImages headerFrom(nullptr), headerTo(nullptr);
    headerFrom.SetNormal(&a);
    headerFrom.SetHot(&b);
    Notices headerNotices;
    headerNotices.Watch(headerTo);
    headerTo.Assign(headerFrom);
    EXPECT_EQ(headerNotices.count, 1);
    EXPECT_EQ(headerTo.Normal(), &a);
    EXPECT_EQ(headerTo.Hot(), &b);
}

TEST(AppearanceAssignTest, AnotherClassRaisesTheConversionError) {
    TmxBorder border;
    TmxGlyph glyph;
    TmxXPColors xp;
    TmxStatusButton status;
    TmxButtonImages images;
    TmxHeaderImages headerImages(nullptr);
    TmxBackground background;
    struct Case {
        TPersistent* dest;
        const TPersistent* source;
        const char* message;
    } cases[] = {
        {&glyph, &border, "Cannot assign a TmxBorder to a TmxGlyph"},
        {&border, &glyph, "Cannot assign a TmxGlyph to a TmxBorder"},
        {&xp, &status, "Cannot assign a TmxStatusButton to a TmxXPColors"},
        {&status, &xp, "Cannot assign a TmxXPColors to a TmxStatusButton"},
        {&images, &headerImages, "Cannot assign a TmxHeaderImages to a TmxButtonImages"},
        {&headerImages, &images, "Cannot assign a TmxButtonImages to a TmxHeaderImages"},
        {&border, &background, "Cannot assign a TmxBackground to a TmxBorder"},
        {&background, &xp, "Cannot assign a TmxXPColors to a TmxBackground"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Notices notices;
        notices.Watch(*c.dest);
        try {
            c.dest->Assign(*c.source);
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
        EXPECT_EQ(notices.count, 0);
    }
}

TEST(ButtonImagesTest, ReplacingAListMovesTheChangeLink) {
    TImageList first(16, 16), second(16, 16);
    TmxButtonImages images;
    Notices notices;
    notices.Watch(images);
    images.SetHot(&first);
    EXPECT_EQ(notices.count, 1);
    first.Add(Filled(16, 16, clRed));
    EXPECT_EQ(notices.count, 2);
    images.SetHot(&second);
    EXPECT_EQ(notices.count, 3);
    first.Add(Filled(16, 16, clRed));
    EXPECT_EQ(notices.count, 3);
    second.Add(Filled(16, 16, clRed));
    EXPECT_EQ(notices.count, 4);
    images.SetHot(nullptr);
    EXPECT_EQ(notices.count, 5);
    second.Delete(0);
    EXPECT_EQ(notices.count, 5);
    images.SetImageList(7, &first);
    images.SetImageList(0, &first);
    EXPECT_EQ(notices.count, 5);
    EXPECT_EQ(images.GetImageList(7), nullptr);
}

TEST(ButtonImagesTest, OneListUnderTwoIndexesReportsForEach) {
    TImageList list(16, 16);
    TmxButtonImages images;
    images.SetNormal(&list);
    images.SetSmall(&list);
    Notices notices;
    notices.Watch(images);
    list.Add(Filled(16, 16, clRed));
    EXPECT_EQ(notices.count, 2);
}

struct Owner : TImageListObserver {
    std::vector<TImageList*> freed;
    void ImageListFreed(TImageList* list) override { freed.push_back(list); }
};

TEST(HeaderImagesTest, TheOwnerHearsWhenAListGoesAway) {
    Owner owner;
    TmxHeaderImages images(&owner);
    EXPECT_EQ(images.Owner(), &owner);
    Notices notices;
    notices.Watch(images);
    auto normal = std::make_unique<TImageList>(16, 16);
    TImageList hot(16, 16);
    images.SetNormal(normal.get());
    images.SetHot(&hot);
    EXPECT_EQ(notices.count, 2);
    normal->Add(Filled(16, 16, clRed));
    EXPECT_EQ(notices.count, 3);
    TImageList* gone = normal.get();
    normal.reset();
    ASSERT_EQ(owner.freed.size(), 1u);
    EXPECT_EQ(owner.freed[0], gone);
    // The owner clears the reference; the button images do not ask to be told.
    images.SetNormal(nullptr);
    EXPECT_EQ(images.Normal(), nullptr);
    images.SetImageList(3, &hot);
    EXPECT_EQ(images.GetImageList(3), nullptr);
}

TEST(ImageListTest, CountDrawAndSize) {
    TImageList list(4, 4);
    EXPECT_EQ(list.Add(Filled(4, 4, clRed)), 0);
    EXPECT_EQ(list.Add(Filled(8, 8, clBlue)), 1);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Image(1).size(), QSize(4, 4));
    QImage target = Filled(10, 10, clWhite);
    TCanvas canvas(&target);
    list.Draw(canvas, 2, 3, 1);
    list.Draw(canvas, 0, 0, 5);
    EXPECT_EQ(At(target, 2, 3), clBlue);
    EXPECT_EQ(At(target, 5, 6), clBlue);
    EXPECT_EQ(At(target, 6, 7), clWhite);
    EXPECT_EQ(At(target, 1, 3), clWhite);
    EXPECT_EQ(At(target, 0, 0), clWhite);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(ImageListTest, ALinkOutlivesOrDiesBeforeItsList) {
    int calls = 0;
    auto link = std::make_unique<TChangeLink>();
    link->OnChange = [&] { ++calls; };
    {
        TImageList list(4, 4);
        list.RegisterChanges(link.get());
        EXPECT_EQ(link->Sender(), &list);
        list.Add(Filled(4, 4, clRed));
    }
    EXPECT_EQ(link->Sender(), nullptr);
    TImageList list(4, 4);
    list.RegisterChanges(link.get());
    link.reset();
    list.Add(Filled(4, 4, clRed));
    EXPECT_EQ(calls, 1);
}

// A 20x20 picture with a magenta bottom-left pixel (the transparent colour) and red elsewhere.
QImage Picture() {
    QImage picture = Filled(20, 20, clRed);
    picture.setPixel(0, 19, ColorToPixel(0xFF00FF));
    return picture;
}

TEST(DrawGlyphTest, PicturePositionInTheRectangle) {
    // 100x50 at (10, 10).
    const TRect r{10, 10, 110, 60};
    struct Case {
        TmxGlyphPosition position;
        int x, y;
    } cases[] = {
        {gpTopLeft, 10, 10},     {gpTopRight, 90, 10}, {gpBottomLeft, 10, 40},
        {gpBottomRight, 90, 40}, {gpCenter, 50, 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        TmxGlyph glyph;
        glyph.SetPosition(c.position);
        glyph.SetBitmap(Picture());
        glyph.SetTransparent(false);
        EXPECT_EQ(glyph.Origin(r), (TPoint{c.x, c.y}));
        QImage target = Filled(130, 70, clWhite);
        DrawGlyph(glyph, &target, r);
        EXPECT_EQ(At(target, c.x, c.y), clRed);
        EXPECT_EQ(At(target, c.x + 19, c.y + 18), clRed);
        EXPECT_EQ(At(target, c.x, c.y + 19), TColor{0xFF00FF});
        EXPECT_EQ(At(target, c.x - 1, c.y), clWhite);
        EXPECT_EQ(At(target, c.x + 20, c.y), clWhite);
        EXPECT_EQ(At(target, c.x, c.y - 1), clWhite);
        EXPECT_EQ(At(target, c.x, c.y + 20), clWhite);
        EXPECT_FALSE(glyph.Drawing());
    }
}

// A picture made for double scale covers half its pixels across: it is placed by that size,
// on a canvas at either scale.
TEST(DrawGlyphTest, PictureForDoubleScaleIsPlacedByItsLogicalSize) {
    QImage picture = Filled(40, 40, clRed);
    picture.setDevicePixelRatio(2);
    const TRect r{10, 10, 110, 60};
    for (const int scale : {1, 2}) {
        for (const TmxGlyphPosition position : {gpBottomRight, gpCenter}) {
            SCOPED_TRACE(testing::Message() << "scale " << scale << " position " << position);
            TmxGlyph glyph;
            glyph.SetPosition(position);
            glyph.SetBitmap(picture);
            glyph.SetTransparent(false);
            const TPoint at = position == gpBottomRight ? TPoint{90, 40} : TPoint{50, 25};
            EXPECT_EQ(glyph.Origin(r), at);
            QImage target = Filled(130 * scale, 70 * scale, clWhite);
            target.setDevicePixelRatio(scale);
            DrawGlyph(glyph, &target, r);
            // Logical pixel (x, y) through its top-left image pixel.
            const auto logical = [&](int x, int y) { return At(target, x * scale, y * scale); };
            EXPECT_EQ(logical(at.X, at.Y), clRed);
            EXPECT_EQ(logical(at.X + 19, at.Y + 19), clRed);
            EXPECT_EQ(logical(at.X - 1, at.Y), clWhite);
            EXPECT_EQ(logical(at.X, at.Y - 1), clWhite);
            EXPECT_EQ(logical(at.X + 20, at.Y + 19), clWhite);
            EXPECT_EQ(logical(at.X + 19, at.Y + 20), clWhite);
        }
    }
}

TEST(DrawGlyphTest, TransparencyClippingAndWhenNothingIsDrawn) {
    TmxGlyph glyph;
    glyph.SetBitmap(Picture());
    QImage target = Filled(130, 70, clWhite);
    // Transparent by default: the bottom-left pixel's colour is left out.
    DrawGlyph(glyph, &target, {10, 10, 110, 60});
    EXPECT_EQ(At(target, 90, 59), clWhite);
    EXPECT_EQ(At(target, 91, 59), clRed);

    // A rectangle smaller than the picture clips it; the centre offset truncates toward zero.
    glyph.SetPosition(gpCenter);
    target = Filled(40, 40, clWhite);
    DrawGlyph(glyph, &target, {5, 5, 10, 12});
    // (5 - 20) div 2 = -7 and (7 - 20) div 2 = -6: truncated, not floored.
    EXPECT_EQ(glyph.Origin({5, 5, 10, 12}), (TPoint{-2, -1}));
    // Odd leftovers round down: 81 div 2 = 40, 31 div 2 = 15.
    EXPECT_EQ(glyph.Origin({10, 10, 111, 61}), (TPoint{50, 25}));
    EXPECT_EQ(At(target, 5, 5), clRed);
    EXPECT_EQ(At(target, 9, 11), clRed);
    EXPECT_EQ(At(target, 10, 11), clWhite);
    EXPECT_EQ(At(target, 9, 12), clWhite);
    EXPECT_EQ(At(target, 4, 5), clWhite);

    const auto untouched = [](TmxGlyph& g, const TRect& r) {
        QImage image = Filled(40, 40, clWhite);
        DrawGlyph(g, &image, r);
        return image == Filled(40, 40, clWhite);
    };
    EXPECT_TRUE(untouched(glyph, {10, 0, 10, 40}));
    EXPECT_TRUE(untouched(glyph, {10, 0, 5, 40}));
    glyph.SetVisible(false);
    EXPECT_TRUE(untouched(glyph, {0, 0, 40, 40}));
    TmxGlyph empty;
    EXPECT_TRUE(untouched(empty, {0, 0, 40, 40}));
}

// A 4 x 4 picture: a red square with a see-through corner and a half-transparent one.
QImage IconPicture() {
    QImage picture(4, 4, QImage::Format_ARGB32);
    picture.fill(qRgba(255, 0, 0, 255));
    picture.setPixel(0, 0, qRgba(0, 0, 0, 0));
    picture.setPixel(3, 3, qRgba(0, 0, 255, 128));
    return picture;
}

// The same at twice the size, in blue with a checkered top row that the small one lacks.
QImage IconPictureTwice() {
    QImage picture(8, 8, QImage::Format_ARGB32);
    picture.fill(qRgba(0, 0, 255, 255));
    for (int x = 0; x < 8; x += 2) {
        picture.setPixel(x, 0, qRgba(0, 0, 0, 0));
    }
    return picture;
}

TEST(ImageListTest, DoubleScaleTakesThePictureForIt) {
    TImageList list(4, 4);
    list.Add(IconPicture());
    list.Add(IconPicture(), IconPictureTwice());
    struct Case {
        int index;
        bool silhouette;
    } cases[] = {{0, false}, {0, true}, {1, false}, {1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.index << (c.silhouette ? " silhouette" : ""));
        QImage plain = Filled(7, 6, clWhite);
        QImage twice = Doubled(plain);
        for (QImage* image : {&plain, &twice}) {
            TCanvas canvas(image);
            if (c.silhouette) {
                list.DrawSilhouette(canvas, 2, 1, c.index, clGreen);
            } else {
                list.Draw(canvas, 2, 1, c.index);
            }
        }
        if (c.index == 0) {
            // Without a picture for double scale, the plain one grows by whole blocks.
            EXPECT_TRUE(twice == Doubled(plain));
            continue;
        }
        // Drawn from the double-size picture: its own pixels, one per image pixel, placed at
        // the logical position; the plain picture still serves single scale.
        const TColor ink = c.silhouette ? clGreen : clBlue;
        EXPECT_EQ(At(plain, 3, 2), c.silhouette ? clGreen : clRed);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const bool clear = y == 0 && x % 2 == 0;
                EXPECT_EQ(At(twice, 4 + x, 2 + y), clear ? clWhite : ink) << x << "," << y;
            }
        }
        EXPECT_EQ(At(twice, 3, 2), clWhite);
        EXPECT_EQ(At(twice, 12, 9), clWhite);
        EXPECT_EQ(At(twice, 4, 10), clWhite);
    }
}

TEST(DrawGlyphTest, DoubleScaleDrawsTheSameInWholeBlocks) {
    struct Case {
        TmxGlyphPosition position;
        bool transparent;
        TRect r;
    } cases[] = {
        {gpBottomRight, true, {10, 10, 60, 40}},
        {gpTopLeft, false, {3, 4, 50, 50}},
        {gpCenter, true, {5, 5, 14, 12}},  // smaller than the picture: clipped
        {gpTopRight, false, {-6, -3, 12, 15}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        TmxGlyph glyph;
        glyph.SetBitmap(Picture());
        glyph.SetPosition(c.position);
        glyph.SetTransparent(c.transparent);
        QImage plain = Filled(64, 48, clWhite);
        QImage twice = Doubled(plain);
        DrawGlyph(glyph, &plain, c.r);
        DrawGlyph(glyph, &twice, c.r);
        EXPECT_NE(plain, Filled(64, 48, clWhite));
        EXPECT_TRUE(twice == Doubled(plain));
    }
}

}  // namespace
}  // namespace orv
