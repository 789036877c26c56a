#include "navbar/bar_settings.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

namespace orv {
namespace {

struct Notices {
    int count = 0;
    void Watch(TPersistent& object) {
        object.SetOnChangeParameter([this](TPersistent*) { ++count; });
    }
};

TEST(BarSettingsTest, NewObjectReadsItsTable) {
    TmxBarSettings s;
    const std::map<std::string, std::int64_t> read = {
        {"Alignment", s.Alignment()},
        {"Distance", s.Distance()},
        {"PicLabDistance", s.PicLabDistance()},
        {"LargeWidth", s.LargeWidth()},
        {"LargeHeight", s.LargeHeight()},
        {"SmallHeight", s.SmallHeight()},
        {"ButtonStyle", s.ButtonStyle()},
        {"ButtonView", s.ButtonView()},
        {"CaptionStyle", s.CaptionStyle()},
        {"Color", s.Color()},
        {"ExplorerAddOn", s.ExplorerAddOn()},
        {"GlyphTop", s.GlyphTop()},
        {"Height", s.Height()},
        {"KeySupport", s.KeySupport()},
        {"Layout", s.Layout()},
    };
    ASSERT_EQ(read.size(), TmxBarSettings::kDefaults.size());
    for (const TPropertyDefault& p : TmxBarSettings::kDefaults) {
        SCOPED_TRACE(p.Name);
        ASSERT_TRUE(read.count(p.Name));
        EXPECT_EQ(read.at(p.Name), p.NewValue);
    }
    EXPECT_EQ(s.Height(), 22);
    EXPECT_EQ(s.ExplorerAddOn(), 12);
    EXPECT_EQ(s.LargeWidth(), 60);
    EXPECT_EQ(s.LargeHeight(), 60);
    EXPECT_EQ(s.SmallHeight(), 20);
    EXPECT_EQ(s.Distance(), 2);
    EXPECT_EQ(s.PicLabDistance(), 8);
    EXPECT_EQ(s.GlyphTop(), 10);
    EXPECT_EQ(s.ButtonStyle(), bsLarge);
    EXPECT_EQ(s.ButtonView(), bvNormal);
    EXPECT_EQ(s.Alignment(), taCenter);
    EXPECT_EQ(s.Color(), clBtnFace);
    EXPECT_TRUE(s.KeySupport());
    EXPECT_EQ(s.Layout(), glGlyphLeft);
    EXPECT_EQ(s.CaptionStyle(), csButtonStyle);
    for (int i = 1; i <= 4; ++i) {
        ASSERT_NE(s.GetButtonBackground(i), nullptr);
        EXPECT_EQ(s.GetButtonBackground(i)->Color(), clBtnFace);
    }
    EXPECT_EQ(s.XPColors().BorderColor(), clNavy);
    EXPECT_EQ(s.StatusButton().BorderColor(), clGray);
}

TEST(BarSettingsTest, WrittenAndLeftOutOfAStream) {
    // A new object writes what has no stream default or differs from it.
    std::map<std::string, bool> written;
    for (const TPropertyDefault& p : TmxBarSettings::kDefaults) {
        written[p.Name] = !p.StreamDefault || *p.StreamDefault != p.NewValue;
    }
    for (const char* name : {"ExplorerAddOn", "Height", "LargeWidth", "LargeHeight",
                             "PicLabDistance", "SmallHeight", "ButtonStyle", "ButtonView"}) {
        EXPECT_TRUE(written.at(name)) << name;
    }
    for (const char* name :
         {"Alignment", "CaptionStyle", "Color", "Distance", "GlyphTop", "KeySupport", "Layout"}) {
        EXPECT_FALSE(written.at(name)) << name;
    }
}

TEST(BarSettingsTest, PlainSettersReportOnlyAChange) {
    struct Case {
        const char* name;
        std::function<void(TmxBarSettings&, bool)> set;
    } cases[] = {
        {"Height", [](TmxBarSettings& s, bool c) { s.SetHeight(c ? 25 : 22); }},
        {"ExplorerAddOn", [](TmxBarSettings& s, bool c) { s.SetExplorerAddOn(c ? 0 : 12); }},
        {"GlyphTop", [](TmxBarSettings& s, bool c) { s.SetGlyphTop(c ? 4 : 10); }},
        {"KeySupport", [](TmxBarSettings& s, bool c) { s.SetKeySupport(!c); }},
        {"CaptionStyle",
         [](TmxBarSettings& s, bool c) { s.SetCaptionStyle(c ? csCustomDraw : csButtonStyle); }},
        {"Distance", [](TmxBarSettings& s, bool c) { s.SetDistance(c ? 5 : 2); }},
        {"ButtonStyle", [](TmxBarSettings& s, bool c) { s.SetButtonStyle(c ? bsSmall : bsLarge); }},
        {"ButtonView",
         [](TmxBarSettings& s, bool c) { s.SetButtonView(c ? bvWindows2000 : bvNormal); }},
        {"PicLabDistance", [](TmxBarSettings& s, bool c) { s.SetPicLabDistance(c ? 3 : 8); }},
        {"Layout", [](TmxBarSettings& s, bool c) { s.SetLayout(c ? glGlyphCenter : glGlyphLeft); }},
        {"Alignment",
         [](TmxBarSettings& s, bool c) { s.SetAlignment(c ? taLeftJustify : taCenter); }},
        {"Color", [](TmxBarSettings& s, bool c) { s.SetColor(c ? clRed : clBtnFace); }},
        {"LargeWidth", [](TmxBarSettings& s, bool c) { s.SetLargeWidth(c ? 70 : 60); }},
        {"LargeHeight", [](TmxBarSettings& s, bool c) { s.SetLargeHeight(c ? 70 : 60); }},
        {"SmallHeight", [](TmxBarSettings& s, bool c) { s.SetSmallHeight(c ? 24 : 20); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TmxBarSettings s;
        Notices notices;
        notices.Watch(s);
        c.set(s, false);
        EXPECT_EQ(notices.count, 0);
        c.set(s, true);
        EXPECT_EQ(notices.count, 1);
    }
}

TEST(BarSettingsTest, ButtonSizeAndBackgroundIndexes) {
    TmxBarSettings s;
    Notices notices;
    notices.Watch(s);
    EXPECT_EQ(s.GetButtonSize(0), -1);
    EXPECT_EQ(s.GetButtonSize(4), -1);
    s.SetButtonSize(4, 99);
    s.SetButtonSize(0, 99);
    EXPECT_EQ(notices.count, 0);
    EXPECT_EQ(s.LargeWidth(), 60);
    EXPECT_EQ(s.LargeHeight(), 60);
    EXPECT_EQ(s.SmallHeight(), 20);
    EXPECT_EQ(s.GetButtonBackground(0), nullptr);
    EXPECT_EQ(s.GetButtonBackground(5), nullptr);
    EXPECT_EQ(s.GetButtonBackground(1), &s.ButtonUp());
    EXPECT_EQ(s.GetButtonBackground(2), &s.ButtonDown());
    EXPECT_EQ(s.GetButtonBackground(3), &s.ButtonFocused());
    EXPECT_EQ(s.GetButtonBackground(4), &s.ButtonDisabled());
    TmxButtonBackground red;
    red.SetColor(clRed);
    s.SetButtonBackground(5, red);
    EXPECT_EQ(notices.count, 0);
    s.SetButtonBackground(TmxBarSettings::kButtonFocused, red);
    EXPECT_EQ(s.ButtonFocused().Color(), clRed);
    EXPECT_EQ(s.ButtonUp().Color(), clBtnFace);
    // The gradient reports as it is copied, then the background.
    EXPECT_EQ(notices.count, 2);
}

TEST(BarSettingsTest, EveryOwnedObjectReachesTheSettingsHandler) {
    struct Case {
        const char* name;
        std::function<void(TmxBarSettings&)> change;
        int notices;
    } cases[] = {
        {"ButtonDown gradient colour",
         [](TmxBarSettings& s) { s.ButtonDown().Gradient().SetBeginColor(clRed); }, 1},
        {"ButtonUp colour", [](TmxBarSettings& s) { s.ButtonUp().SetColor(clRed); }, 1},
        {"ButtonDisabled grey", [](TmxBarSettings& s) { s.ButtonDisabled().SetGrayscale(true); },
         1},
        {"StatusButton colour", [](TmxBarSettings& s) { s.StatusButton().SetArrowColor(clRed); },
         1},
        {"XPColors pressed", [](TmxBarSettings& s) { s.XPColors().SetPressedBackground(clRed); },
         1},
        {"Font colour", [](TmxBarSettings& s) { s.Font().SetColor(clRed); }, 1},
        {"HighlightFont colour", [](TmxBarSettings& s) { s.HighlightFont().SetColor(clRed); }, 1},
        {"ButtonFont colour", [](TmxBarSettings& s) { s.ButtonFont().SetColor(clRed); }, 1},
        {"ButtonHighlightFont colour",
         [](TmxBarSettings& s) { s.ButtonHighlightFont().SetColor(clRed); }, 1},
        {"HeaderPen width", [](TmxBarSettings& s) { s.HeaderPen().SetWidth(2); }, 1},
        {"CaptionPen colour", [](TmxBarSettings& s) { s.CaptionPen().SetColor(clRed); }, 1},
        // Setting a font copies it (a notice) and reports once more; a pen copies only.
        {"SetFont",
         [](TmxBarSettings& s) {
             TFont f;
             s.SetFont(f);
         },
         2},
        {"SetButtonHighlightFont",
         [](TmxBarSettings& s) {
             TFont f;
             s.SetButtonHighlightFont(f);
         },
         2},
        {"SetHeaderPen",
         [](TmxBarSettings& s) {
             TPen p;
             p.SetWidth(2);
             s.SetHeaderPen(p);
         },
         1},
        {"SetStatusButton",
         [](TmxBarSettings& s) {
             TmxStatusButton b;
             s.SetStatusButton(b);
         },
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TmxBarSettings s;
        Notices notices;
        notices.Watch(s);
        c.change(s);
        EXPECT_EQ(notices.count, c.notices);
    }
}

TEST(BarSettingsTest, AssignCopiesEverythingAndEndsWithANotice) {
    TmxBarSettings from;
    from.SetAlignment(taRightJustify);
    from.SetColor(clRed);
    QFont face("Sans", 13);
    face.setBold(true);
    from.Font().SetFace(face);
    from.HighlightFont().SetColor(clBlue);
    from.SetHeight(25);
    from.SetLayout(glGlyphRight);
    from.HeaderPen().SetWidth(2);
    from.CaptionPen().SetStyle(TPenStyle::Dot);
    from.SetCaptionStyle(csCustomDraw);
    from.SetExplorerAddOn(0);
    from.StatusButton().SetTransparent(true);
    from.ButtonUp().SetColor(clLime);
    from.ButtonDown().Gradient().SetEndColor(clMaroon);
    from.ButtonFocused().SetStyle(btGradient);
    from.ButtonDisabled().SetAlphaBlend(100);
    from.XPColors().SetPressedBackground(0x123456);
    from.XPColors().SetUseShadow(false);
    from.SetLargeWidth(70);
    from.SetLargeHeight(71);
    from.SetSmallHeight(24);
    from.SetDistance(3);
    from.SetButtonStyle(bsSmall);
    from.SetButtonView(bvWindows2000);
    from.SetPicLabDistance(4);
    from.SetGlyphTop(6);
    from.ButtonFont().SetColor(clGreen);
    from.ButtonHighlightFont().SetColor(clNavy);
    from.SetKeySupport(false);

    TmxBarSettings to;
    int notices = 0;
    bool lastSeenKeySupport = true;
    to.SetOnChangeParameter([&](TPersistent*) {
        ++notices;
        lastSeenKeySupport = to.KeySupport();
    });
    to.Assign(from);
    // The last notice comes after everything is copied.
    EXPECT_FALSE(lastSeenKeySupport);
    EXPECT_GT(notices, 1);

    EXPECT_EQ(to.Alignment(), taRightJustify);
    EXPECT_EQ(to.Color(), clRed);
    EXPECT_EQ(to.Font().Face(), face);
    EXPECT_EQ(to.HighlightFont().Color(), clBlue);
    EXPECT_EQ(to.Height(), 25);
    EXPECT_EQ(to.Layout(), glGlyphRight);
    EXPECT_EQ(to.HeaderPen().Width(), 2);
    EXPECT_EQ(to.CaptionPen().Style(), TPenStyle::Dot);
    EXPECT_EQ(to.CaptionStyle(), csCustomDraw);
    EXPECT_EQ(to.ExplorerAddOn(), 0);
    EXPECT_TRUE(to.StatusButton().Transparent());
    EXPECT_EQ(to.ButtonUp().Color(), clLime);
    EXPECT_EQ(to.ButtonDown().Gradient().EndColor(), clMaroon);
    EXPECT_EQ(to.ButtonFocused().Style(), btGradient);
    EXPECT_EQ(to.ButtonDisabled().AlphaBlend(), 100);
    EXPECT_EQ(to.XPColors().PressedBackground(), 0x123456u);
    EXPECT_FALSE(to.XPColors().UseShadow());
    EXPECT_EQ(to.LargeWidth(), 70);
    EXPECT_EQ(to.LargeHeight(), 71);
    EXPECT_EQ(to.SmallHeight(), 24);
    EXPECT_EQ(to.Distance(), 3);
    EXPECT_EQ(to.ButtonStyle(), bsSmall);
    EXPECT_EQ(to.ButtonView(), bvWindows2000);
    EXPECT_EQ(to.PicLabDistance(), 4);
    EXPECT_EQ(to.GlyphTop(), 6);
    EXPECT_EQ(to.ButtonFont().Color(), clGreen);
    EXPECT_EQ(to.ButtonHighlightFont().Color(), clNavy);
    EXPECT_FALSE(to.KeySupport());

    // The copies keep reporting to their own settings, not to the source's.
    int fromNotices = 0;
    from.SetOnChangeParameter([&](TPersistent*) { ++fromNotices; });
    notices = 0;
    to.ButtonDown().Gradient().SetBeginColor(clWhite);
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(fromNotices, 0);
}

TEST(BarSettingsTest, AssignFromAnotherClassRaises) {
    TmxBarSettings s;
    TmxXPColors xp;
    try {
        s.Assign(xp);
        ADD_FAILURE() << "no error";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "Cannot assign a TmxXPColors to a TmxBarSettings");
    }
    try {
        xp.Assign(s);
        ADD_FAILURE() << "no error";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "Cannot assign a TmxBarSettings to a TmxXPColors");
    }
}

}  // namespace
}  // namespace orv
