// The bar's eleven looks: what each one writes, that it repaints once, and that values no look
// sets survive.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "counting_bar.h"
#include "navbar/navigation_bar.h"

namespace orv {
namespace {

using test::CountingBar;

// One look's values that tell the looks apart.
struct Look {
    TmxPreSet preset;
    TmxViewStyle view;
    TColor background;
    TmxBackgroundStyle backgroundStyle;
    TBevelCut bevelInner;
    bool flat;
    TmxScrollView scrollView;  // explorer looks leave it as the tool box look before set it
    bool toolBoxScroller;
    TmxButtonStyle buttonStyle;
    TmxButtonView buttonView;
    TmxCaptionStyle captionStyle;
    int captionHeight;
    int smallHeight;
    TColor buttonFontColor;
    TColor captionFontColor;
    bool captionBold;
    int headerPenWidth;
    TmxHeaderOptions headerOptions;
    int firstButtonTop;
    TmxBackgroundStyle headerBackground;
    int headerAlpha;  // -1: not set by the look
    bool glyphVisible;
};

constexpr TmxHeaderOptions kList = HeaderOptions({hoButtonDown});
constexpr TmxHeaderOptions kOffice = HeaderOptions({hoActivateOnSelect, hoButtonDown});
constexpr TmxHeaderOptions kExplorer =
    HeaderOptions({hoButtonDown, hoDrawBorder, hoRoundedHeader, hoShowStatusButton});
constexpr TmxHeaderOptions kExplorerBordered = kExplorer | HeaderOptions({hoDrawCaptionBorder});

const std::vector<Look> kLooks = {
    {psListBar, vsListBar,     0x808080, btSolid, bvLowered, false,        ssNormal, false, bsLarge,
     bvNormal,  csButtonStyle, 22,       30,      0xFFFFFF,  clWindowText, false,    1,     kList,
     10,        btSolid,       -1,       false},
    {psFlatListBar, vsListBar, 0x808080, btSolid,       bvNone, true,    ssNormal,
     false,         bsLarge,   bvNormal, csButtonStyle, 22,     30,      0xFFFFFF,
     clWindowText,  false,     1,        kList,         10,     btSolid, -1,
     false},
    {psListBarExpress,
     vsListBar,
     0x808080,
     btSolid,
     bvNone,
     true,
     ssExpress,
     true,
     bsLarge,
     bvToolBox,
     csButtonStyle,
     22,
     30,
     0xFFFFFF,
     clWindowText,
     false,
     1,
     kList,
     10,
     btSolid,
     -1,
     false},
    {psOffice,     vsListBar, 0xC0C0C0, btSolid,       bvNone, true,    ssNormal,
     false,        bsLarge,   bvNormal, csButtonStyle, 22,     30,      clWindowText,
     clWindowText, false,     1,        kOffice,       10,     btSolid, -1,
     false},
    {psOfficeXP,   vsListBar, 0xC0C0C0,    btSolid,       bvNone, true,    ssNormal,
     false,        bsLarge,   bvWindowsXP, csButtonStyle, 22,     30,      clWindowText,
     clWindowText, false,     1,           kOffice,       10,     btSolid, -1,
     false},
    {psOffice2000,
     vsListBar,
     0xC0C0C0,
     btSolid,
     bvNone,
     true,
     ssNormal,
     false,
     bsLarge,
     bvWindows2000,
     csButtonStyle,
     22,
     30,
     clWindowText,
     clWindowText,
     false,
     1,
     kOffice,
     10,
     btSolid,
     -1,
     false},
    {psToolBox,    vsListBar, 0xC0C0C0,  btSolid,       bvLowered, false,   ssToolBox,
     false,        bsSmall,   bvToolBox, csButtonStyle, 19,        25,      0x808080,
     clWindowText, false,     1,         kList,         2,         btSolid, -1,
     false},
    {psFlatToolBox, vsListBar, 0xC0C0C0,  btSolid,       bvNone, true,    ssToolBox,
     false,         bsSmall,   bvToolBox, csButtonStyle, 19,     25,      0x808080,
     clWindowText,  false,     1,         kList,         2,      btSolid, -1,
     false},
    {psExplorerBar,
     vsExplorerBar,
     0xAB8A76,
     btSolid,
     bvNone,
     true,
     ssToolBox,
     false,
     bsSmall,
     bvNormal,
     csCustomDraw,
     25,
     30,
     clWindowText,
     clWindowText,
     true,
     1,
     kExplorerBordered,
     10,
     btTransparent,
     70,
     true},
    {psExplorerBarXP,
     vsExplorerBar,
     0xFFFFFF,
     btGradient,
     bvNone,
     true,
     ssToolBox,
     false,
     bsSmall,
     bvExplorer,
     csCustomDraw,
     25,
     30,
     clWindowText,
     clWhite,
     true,
     1,
     kExplorer,
     10,
     btTransparent,
     50,
     true},
    {psExplorerBar2000,
     vsExplorerBar,
     0x800000,
     btSolid,
     bvNone,
     true,
     ssToolBox,
     false,
     bsSmall,
     bvWindows2000,
     csCustomDraw,
     25,
     30,
     0xFFFFFF,
     clWhite,
     true,
     2,
     kExplorer,
     10,
     btTransparent,
     150,
     true},
};

TEST(BarPresetTest, EachLookWritesItsValues) {
    for (const Look& look : kLooks) {
        SCOPED_TRACE(look.preset);
        TmxSideBar bar;
        TmxHeader* header = bar.Headers().Add();
        // Start from another look, so every value below has to be written.
        bar.SetPreSet(look.view == vsListBar ? psExplorerBarXP : psToolBox);
        bar.SetPreSet(look.preset);

        EXPECT_EQ(bar.PreSet(), look.preset);
        EXPECT_EQ(bar.ViewStyle(), look.view);
        EXPECT_EQ(bar.Background().Color(), look.background);
        EXPECT_EQ(bar.Background().Style(), look.backgroundStyle);
        EXPECT_EQ(bar.BevelInner(), look.bevelInner);
        EXPECT_EQ(bar.BevelOuter(), bvLowered);
        EXPECT_EQ(bar.Flat(), look.flat);
        EXPECT_EQ(bar.ScrollView(), look.scrollView);
        EXPECT_EQ((bar.Options() & BarOptions({boActivateToolBoxScroller})) != 0,
                  look.toolBoxScroller);
        TmxBarSettings& s = bar.Settings();
        EXPECT_EQ(s.ButtonStyle(), look.buttonStyle);
        EXPECT_EQ(s.ButtonView(), look.buttonView);
        EXPECT_EQ(s.CaptionStyle(), look.captionStyle);
        EXPECT_EQ(s.Height(), look.captionHeight);
        EXPECT_EQ(s.SmallHeight(), look.smallHeight);
        EXPECT_EQ(s.ButtonFont().Color(), look.buttonFontColor);
        EXPECT_EQ(s.ButtonHighlightFont().Color(), look.buttonFontColor);
        EXPECT_EQ(s.Font().Color(), look.captionFontColor);
        EXPECT_EQ(s.Font().Face().bold(), look.captionBold);
        EXPECT_EQ(s.Font().Face().pointSize(), 8);
        EXPECT_EQ(s.HeaderPen().Width(), look.headerPenWidth);
        EXPECT_EQ(header->Options(), look.headerOptions);
        EXPECT_EQ(header->FirstButtonTop(), look.firstButtonTop);
        EXPECT_EQ(header->Background().Style(), look.headerBackground);
        if (look.headerAlpha >= 0) {
            EXPECT_EQ(header->Background().AlphaBlend(), look.headerAlpha);
            EXPECT_EQ(header->Background().Color(), clWhite);
        }
        EXPECT_EQ(header->Glyph().Visible(), look.glyphVisible);
        if (look.view == vsExplorerBar) {
            EXPECT_EQ(bar.Border().Left(), 5);
            EXPECT_EQ(bar.Border().Separator(), 5);
            EXPECT_EQ(s.ExplorerAddOn(), 15);
        }
    }
}

TEST(BarPresetTest, ExplorerXPSetsItsGradientsAndStatusColours) {
    TmxSideBar bar;
    bar.SetPreSet(psExplorerBarXP);
    TmxBarSettings& s = bar.Settings();
    EXPECT_EQ(bar.Background().Gradient().BeginColor(), 0xE99F7Bu);
    EXPECT_EQ(bar.Background().Gradient().EndColor(), 0xD67764u);
    EXPECT_EQ(s.StatusButton().ArrowColor(), 0xFFF9D7u);
    EXPECT_EQ(s.StatusButton().BorderColor(), 0xEA9361u);
    EXPECT_EQ(s.ButtonUp().Color(), 0xCC5E2Eu);
    for (TmxButtonBackground* b :
         {&s.ButtonUp(), &s.ButtonDown(), &s.ButtonFocused(), &s.ButtonDisabled()}) {
        EXPECT_EQ(b->Gradient().BeginColor(), 0x9F4406u);
        EXPECT_EQ(b->Gradient().EndColor(), 0xCC5E2Eu);
        EXPECT_EQ(b->Gradient().DrawStyle(), gtLeftToRight);
        if (b != &s.ButtonUp()) {
            EXPECT_EQ(b->Color(), 0x9F4406u);
        }
    }
}

TEST(BarPresetTest, RepaintsOnceAndTellsTheHandlerInsideTheBracket) {
    CountingBar bar;
    bar.resize(120, 300);
    bar.show();
    QApplication::processEvents();
    bar.paints = 0;
    std::vector<TmxPreSet> told;
    bar.OnAfterChangeStyle = [&](TmxSideBar* sender, TmxPreSet value) {
        EXPECT_EQ(sender, &bar);
        EXPECT_TRUE(bar.Updating());
        told.push_back(value);
    };
    bar.SetPreSet(psOffice);
    bar.SetPreSet(psOffice);  // the present value applies again
    QApplication::processEvents();
    EXPECT_EQ(told, (std::vector<TmxPreSet>{psOffice, psOffice}));
    EXPECT_FALSE(bar.Updating());
    EXPECT_LE(bar.paints, 2);
    EXPECT_GE(bar.paints, 1);
}

TEST(BarPresetTest, AHandlerThatThrowsOrDeletesTheBarLeavesNoBracketOpen) {
    TmxSideBar bar;
    bar.OnAfterChangeStyle = [](TmxSideBar*, TmxPreSet) { throw std::runtime_error("no"); };
    EXPECT_THROW(bar.SetPreSet(psOffice), std::runtime_error);
    EXPECT_FALSE(bar.Updating());
    EXPECT_EQ(bar.UpdateCount(), 0);

    auto* doomed = new TmxSideBar;
    doomed->OnAfterChangeStyle = [](TmxSideBar* sender, TmxPreSet) { delete sender; };
    doomed->SetPreSet(psOffice);  // the sanitizer build tells a touch of the freed bar
}

TEST(BarPresetTest, RefusedViewChangeKeepsTheStyleAndAppliesTheRest) {
    TmxSideBar bar;
    bar.OnChangeViewStyle = [](TmxSideBar*, TmxViewStyle, TmxViewStyle, bool& canChange) {
        canChange = false;
    };
    bar.SetPreSet(psExplorerBar2000);
    EXPECT_EQ(bar.ViewStyle(), vsListBar);
    EXPECT_EQ(bar.Settings().ButtonView(), bvWindows2000);
    EXPECT_EQ(bar.Background().Color(), 0x800000u);
}

TEST(BarPresetTest, OptionsNoGroupSetsStayCleared) {
    TmxSideBar bar;
    bar.SetPreSet(psListBarExpress);
    bar.SetPreSet(psListBar);
    EXPECT_EQ(bar.Options() & BarOptions({boActivateToolBoxScroller}), 0);

    bar.SetOptions(bar.Options() | BarOptions({boExplorerBorder}));
    bar.SetPreSet(psExplorerBar);
    bar.SetPreSet(psListBar);
    EXPECT_EQ(bar.Options() & BarOptions({boExplorerBorder}), 0);
}

}  // namespace
}  // namespace orv
