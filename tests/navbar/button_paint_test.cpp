#include <gtest/gtest.h>

#include <QLocale>

#include <memory>
#include <string>
#include <vector>

#include "fake_bar.h"
#include "navbar/action.h"
#include "navbar/background.h"
#include "navbar/button.h"
#include "navbar/header.h"

namespace orv {
namespace {

using test::FakeBar;

constexpr TColor kBack = clGreen;
constexpr TColor kText = clMaroon;
constexpr TColor kHotText = 0x008080;
constexpr TColor kPicture = clBlue;
constexpr TColor kDisabledPicture = clLime;

QImage Solid(int w, int h, TColor color) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(ColorToPixel(color));
    return image;
}

// One header of a fake bar with one large button "Go" showing picture 0 of a 16 x 16 list, fonts
// of the tests' own face in two colours, and a bitmap to paint into.
struct Rig {
    TImageList normal{16, 16};
    TImageList disabled{16, 16};
    FakeBar bar;
    TmxHeader* header = nullptr;
    TmxButton* button = nullptr;
    QImage bitmap{140, 120, QImage::Format_RGB32};

    Rig() {
        normal.Add(Solid(16, 16, kPicture));
        disabled.Add(Solid(16, 16, kDisabledPicture));
        header = bar.headers.Add();
        header->Images().SetNormal(&normal);
        button = header->AddButton();
        button->SetCaption("Go");
        button->SetImageIndex(0);
        TFont font;
        font.SetFace(test::BarTestFont());
        font.SetColor(kText);
        bar.settings.SetButtonFont(font);
        font.SetColor(kHotText);
        bar.settings.SetButtonHighlightFont(font);
    }

    // Paints into a fresh bitmap with a column from x 0 to 120 starting at y 10; the cursor's
    // new top comes back.
    int Paint(bool measureOnly = false, int bottomLimit = 120) {
        bitmap.fill(ColorToPixel(kBack));
        TRect cursor{0, 10, 120, bottomLimit};
        button->Paint(&bitmap, cursor, measureOnly, bottomLimit);
        return cursor.Top;
    }

    TColor At(int x, int y) const { return PixelToColor(bitmap.pixel(x, y)); }

    // The box around every pixel of `color`; empty when there is none.
    TRect Ink(TColor color) const {
        TRect box{bitmap.width(), bitmap.height(), -1, -1};
        for (int y = 0; y < bitmap.height(); ++y) {
            for (int x = 0; x < bitmap.width(); ++x) {
                if (At(x, y) == ColorToRGB(color)) {
                    box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
                           std::max(box.Bottom, y + 1)};
                }
            }
        }
        return box.IsEmpty() ? TRect{} : box;
    }
};

enum class Frame { None, Raised, Sunken, XPHot, XPPressed };

void ExpectFrame(Rig& rig, Frame frame, const std::string& what) {
    const TRect f = rig.button->Layout().Focus;
    const TColor tl = rig.At(f.Left, f.Top);
    const TColor br = rig.At(f.Right - 1, f.Bottom - 1);
    const TColor inside = rig.At(f.Left + 1, f.Top + 1);
    const TmxXPColors& xp = rig.bar.settings.XPColors();
    switch (frame) {
        case Frame::None:
            EXPECT_EQ(tl, kBack) << what;
            EXPECT_EQ(br, kBack) << what;
            break;
        case Frame::Raised:
            EXPECT_EQ(tl, ColorToRGB(cl3DLight)) << what;
            EXPECT_EQ(br, ColorToRGB(cl3DDkShadow)) << what;
            break;
        case Frame::Sunken:
            EXPECT_EQ(tl, ColorToRGB(cl3DDkShadow)) << what;
            EXPECT_EQ(br, ColorToRGB(cl3DLight)) << what;
            break;
        case Frame::XPHot:
        case Frame::XPPressed:
            EXPECT_EQ(tl, xp.BorderColor()) << what;
            EXPECT_EQ(br, xp.BorderColor()) << what;
            EXPECT_EQ(inside, frame == Frame::XPHot ? xp.Background() : xp.PressedBackground())
                << what;
            break;
    }
}

TEST(ButtonPaintTest, EachViewFramesMovesAndUnderlinesByState) {
    struct Case {
        TmxButtonView view;
        TmxButtonState state;
        Frame frame;
        bool labelMoved;
        bool imageMoved;
        bool underlined;
    };
    const Case cases[] = {
        {bvBig, hbsUp, Frame::None, false, false, false},
        {bvBig, hbsFocused, Frame::Raised, false, false, false},
        {bvBig, hbsDown, Frame::Sunken, true, true, false},
        {bvExplorer, hbsUp, Frame::None, false, false, false},
        {bvExplorer, hbsFocused, Frame::None, false, false, true},
        {bvExplorer, hbsDown, Frame::None, false, true, true},
        {bvNormal, hbsFocused, Frame::Raised, false, false, false},
        {bvNormal, hbsDown, Frame::Sunken, false, true, false},
        {bvToolBox, hbsUp, Frame::None, false, false, false},
        {bvToolBox, hbsDown, Frame::Sunken, true, true, false},
        {bvWindows2000, hbsUp, Frame::None, false, false, false},
        {bvWindows2000, hbsFocused, Frame::XPHot, false, false, false},
        {bvWindows2000, hbsDown, Frame::XPPressed, true, true, false},
        {bvWindowsXP, hbsFocused, Frame::XPHot, false, false, false},
        {bvWindowsXP, hbsDown, Frame::XPPressed, false, true, false},
    };
    for (const Case& c : cases) {
        const std::string what =
            "view " + std::to_string(c.view) + " state " + std::to_string(c.state);
        Rig rig;
        rig.bar.settings.SetButtonView(c.view);
        rig.Paint();
        const TRect restingLabel = rig.Ink(kText);
        ASSERT_FALSE(restingLabel.IsEmpty()) << what;

        rig.button->SetMouseState(c.state);
        rig.Paint();
        ExpectFrame(rig, c.frame, what);
        const TRect label = rig.Ink(c.state == hbsUp ? kText : kHotText);
        const TRect expected = c.labelMoved ? restingLabel.Offset(1, 1) : restingLabel;
        if (c.underlined) {
            // The underline runs below the letters and may reach past them.
            EXPECT_EQ(label.Top, expected.Top) << what;
            EXPECT_GT(label.Bottom, expected.Bottom) << what;
        } else {
            EXPECT_EQ(label, expected) << what;
        }

        // XP looks leave a shadow below and right of a resting picture.
        const TRect pic = rig.button->Layout().Image;
        if (c.imageMoved) {
            EXPECT_NE(rig.At(pic.Left, pic.Top), kPicture) << what;
            EXPECT_EQ(rig.At(pic.Right, pic.Bottom), kPicture) << what;
        } else {
            EXPECT_EQ(rig.At(pic.Left, pic.Top), kPicture) << what;
            EXPECT_NE(rig.At(pic.Right, pic.Bottom), kPicture) << what;
        }
    }
}

TEST(ButtonPaintTest, SelectedButtonIsPaintedPressedWithTheNormalFont) {
    Rig rig;
    rig.bar.settings.SetButtonView(bvToolBox);
    rig.Paint();
    const TRect resting = rig.Ink(kText);

    rig.header->SetAllowSelected(true);
    rig.header->SetSelectedIndex(0);
    rig.Paint();
    ExpectFrame(rig, Frame::Sunken, "selected");
    EXPECT_EQ(rig.Ink(kText), resting.Offset(1, 1));
    EXPECT_TRUE(rig.Ink(kHotText).IsEmpty());
}

TEST(ButtonPaintTest, DisabledButtonShowsItsPictureEmbossedLabelAndFrameOnlyWhenAsked) {
    struct Case {
        TmxButtonView view;
        bool disabledList;
        bool focusDisabled;
        TColor picture;
        Frame frame;
    };
    const Case cases[] = {
        {bvNormal, false, false, kPicture, Frame::None},
        {bvNormal, true, false, kDisabledPicture, Frame::None},
        {bvNormal, true, true, kDisabledPicture, Frame::Raised},
        {bvWindowsXP, false, false, kPicture, Frame::None},
        {bvWindowsXP, false, true, kPicture, Frame::XPHot},
    };
    for (const Case& c : cases) {
        const std::string what = "view " + std::to_string(c.view) + " list " +
                                 std::to_string(c.disabledList) + " focus disabled " +
                                 std::to_string(c.focusDisabled);
        Rig rig;
        rig.bar.settings.SetButtonView(c.view);
        if (c.disabledList) {
            rig.header->Images().SetDisabled(&rig.disabled);
        }
        if (c.focusDisabled) {
            rig.header->SetOptions(rig.header->Options() | HeaderOptions({hoFocusDisabled}));
        }
        rig.button->SetEnabled(false);
        rig.button->SetMouseState(hbsFocused);
        rig.Paint();
        ExpectFrame(rig, c.frame, what);
        const TRect pic = rig.button->Layout().Image;
        EXPECT_EQ(rig.At(pic.Left + 8, pic.Top + 8), c.picture) << what;
        const TRect lit = rig.Ink(clBtnHighlight);
        const TRect shade = rig.Ink(clBtnShadow);
        ASSERT_FALSE(shade.IsEmpty()) << what;
        // Where the two overlap the shadow wins; the light shows below and right of it.
        EXPECT_EQ(lit.Right, shade.Right + 1) << what;
        EXPECT_EQ(lit.Bottom, shade.Bottom + 1) << what;
        EXPECT_TRUE(rig.Ink(kText).IsEmpty()) << what;
        EXPECT_TRUE(rig.Ink(kHotText).IsEmpty()) << what;
    }
}

TEST(ButtonPaintTest, DisabledButtonPressedKeepsItsPictureInPlace) {
    Rig rig;
    rig.bar.settings.SetButtonView(bvNormal);
    rig.button->SetEnabled(false);
    rig.button->SetMouseState(hbsDown);
    rig.Paint();
    const TRect pic = rig.button->Layout().Image;
    EXPECT_EQ(rig.At(pic.Left, pic.Top), kPicture);
    EXPECT_NE(rig.At(pic.Right, pic.Bottom), kPicture);
}

TEST(ButtonPaintTest, CheckFrameStateFollowsKindPressedLookAndCheckState) {
    struct Case {
        TmxButtonKind kind;
        bool pressed;
        bool checked;
        TCheckBoxState state;
        unsigned expected;
    };
    const Case cases[] = {
        {bkCheckBox, true, true, cbUnchecked, 0x500},
        {bkCheckBox, true, false, cbChecked, 0x100},
        {bkCheckBox, false, false, cbUnchecked, 0x0},
        {bkCheckBox, false, true, cbChecked, 0x400},
        {bkCheckBox, false, true, cbGrayed, 0x500},
        {bkPushButton, true, true, cbGrayed, 0x510},
        {bkPushButton, true, false, cbChecked, 0x4010},
        {bkPushButton, false, false, cbUnchecked, 0x10},
        {bkPushButton, false, true, cbChecked, 0x210},
        {bkPushButton, false, false, cbGrayed, 0x4410},
        {bkRadioButton, true, true, cbUnchecked, 0x504},
        {bkRadioButton, true, false, cbChecked, 0x104},
        {bkRadioButton, false, false, cbUnchecked, 0x4},
        {bkRadioButton, false, true, cbChecked, 0x404},
        {bkRadioButton, false, true, cbGrayed, 0x504},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckFrameState(c.kind, c.pressed, c.checked, c.state), c.expected)
            << "kind " << c.kind << " pressed " << c.pressed << " checked " << c.checked
            << " state " << c.state;
    }
}

TEST(ButtonPaintTest, CheckBoxSitsAtTheLabelEndOfItsAlignment) {
    struct Case {
        TAlignment alignment;
        bool boxLeft;
    };
    for (const Case& c :
         {Case{taLeftJustify, true}, Case{taCenter, true}, Case{taRightJustify, false}}) {
        Rig rig;
        rig.button->SetButtonKind(bkCheckBox);
        rig.button->SetAlignment(c.alignment);
        rig.Paint();
        const TRect b = rig.button->Layout().Button;
        const TRect label = rig.button->Layout().Label;
        const int top = b.Top + (b.Height() - 13) / 2;
        const int boxLeft = c.boxLeft ? b.Left : b.Right - 13;
        // The sunken box starts with its shadow at the top-left corner.
        EXPECT_EQ(rig.At(boxLeft, top), ColorToRGB(clBtnShadow)) << c.alignment;
        EXPECT_EQ(rig.At(boxLeft + 6, top + 6), ColorToRGB(clWindow)) << c.alignment;
        EXPECT_EQ(label.Left, c.boxLeft ? b.Left + 16 : b.Left) << c.alignment;
        EXPECT_EQ(label.Right, c.boxLeft ? b.Right : b.Right - 16) << c.alignment;
    }
}

// In a right-to-left locale bdRightToLeft turns a left-aligned label to the right; the other
// right-to-left modes only change the reading order and keep it where its alignment puts it.
TEST(ButtonPaintTest, ReadingOrderMovesOnlyARightToLeftLabel) {
    struct Case {
        QLocale locale;
        TBiDiMode mode;
        bool right;
    };
    const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const Case cases[] = {
        {arabic, bdLeftToRight, false},        {arabic, bdRightToLeft, true},
        {arabic, bdRightToLeftNoAlign, false}, {arabic, bdRightToLeftReadingOnly, false},
        {english, bdRightToLeft, false},
    };
    const QLocale saved;
    for (const Case& c : cases) {
        const std::string what = c.locale.name().toStdString() + " mode " + std::to_string(c.mode);
        QLocale::setDefault(c.locale);
        Rig rig;
        rig.button->SetImageIndex(-1);
        rig.button->SetAlignment(taLeftJustify);
        rig.button->SetBiDiMode(c.mode);
        rig.Paint();
        QLocale::setDefault(saved);
        const TRect label = rig.button->Layout().Label;
        const TRect ink = rig.Ink(kText);
        ASSERT_FALSE(ink.IsEmpty()) << what;
        if (c.right) {
            EXPECT_LE(label.Right - ink.Right, 3) << what;
        } else {
            EXPECT_LE(ink.Left - label.Left, 3) << what;
        }
    }
}

TEST(ButtonPaintTest, LoneAmpersandShowsAsAnAmpersand) {
    Rig rig;
    rig.button->SetCaption("&");
    rig.button->SetShowAccelChar(false);
    rig.Paint();
    const TRect literal = rig.Ink(kText);
    ASSERT_FALSE(literal.IsEmpty());
    rig.button->SetShowAccelChar(true);
    rig.Paint();
    // The same glyph; the blank after it moves the centred text a little to the left.
    const TRect shown = rig.Ink(kText);
    EXPECT_EQ(shown.Top, literal.Top);
    EXPECT_EQ(shown.Width(), literal.Width());
    EXPECT_EQ(shown.Height(), literal.Height());
}

TEST(ButtonPaintTest, EmptyCaptionKeepsALineOfLabel) {
    Rig rig;
    rig.button->SetCaption("");
    rig.Paint();
    EXPECT_TRUE(rig.Ink(kText).IsEmpty());
    // A line's height plus 4 above and below.
    EXPECT_GT(rig.button->Layout().Label.Height(), 8);
}

TEST(ButtonPaintTest, WithoutAccelCharEveryAmpersandIsShown) {
    Rig rig;
    rig.button->SetCaption("&x&y");
    rig.Paint();
    const int marked = rig.Ink(kText).Width();
    rig.button->SetShowAccelChar(false);
    rig.Paint();
    EXPECT_GT(rig.Ink(kText).Width(), marked);
}

TEST(ButtonPaintTest, BlinkTintsOnlyAButtonAtRest) {
    struct Case {
        TmxButtonState mouse;
        bool selected;
        bool tinted;
    };
    const Case cases[] = {
        {hbsUp, false, true},
        {hbsFocused, false, false},
        {hbsDown, false, false},
        {hbsUp, true, false},
    };
    // White washed towards red at 50 of 255.
    const TColor tint = 0xCCCCFE;
    for (const Case& c : cases) {
        Rig rig;
        rig.button->SetTransparent(false);
        rig.button->SetColor(clWhite);
        rig.button->SetBlinkOn(true);
        rig.button->SetMouseState(c.mouse);
        rig.header->SetAllowSelected(true);
        rig.header->SetSelectedIndex(c.selected ? 0 : -1);
        rig.Paint();
        const TRect b = rig.button->Layout().Button;
        EXPECT_EQ(rig.At(b.Left + 2, b.Bottom - 2), c.tinted ? tint : clWhite)
            << c.mouse << c.selected;
    }
}

TEST(ButtonPaintTest, CursorMovesBelowTheButtonWhetherPaintedOrNot) {
    struct Case {
        bool visible;
        bool measureOnly;
        int bottomLimit;
        bool painted;
        bool moved;
    };
    const Case cases[] = {
        {true, false, 120, true, true}, {true, true, 120, false, true},
        {true, false, 70, false, true},  // the bottom reaches the limit
        {true, false, 71, true, true},  {false, false, 120, false, false},
    };
    for (const Case& c : cases) {
        const std::string what = std::to_string(c.visible) + std::to_string(c.measureOnly) +
                                 " limit " + std::to_string(c.bottomLimit);
        Rig rig;
        rig.bar.settings.SetDistance(3);
        rig.button->SetTransparent(false);
        rig.button->SetColor(clWhite);
        rig.button->SetVisible(c.visible);
        const int top = rig.Paint(c.measureOnly, c.bottomLimit);
        // Large button, 60 high, from y 10.
        EXPECT_EQ(top, c.moved ? 73 : 10) << what;
        EXPECT_EQ(rig.Ink(clWhite).IsEmpty(), !c.painted) << what;
    }
}

TEST(ButtonPaintTest, DrawEventsMoveRectanglesAndReplaceTheView) {
    Rig rig;
    rig.bar.settings.SetButtonView(bvNormal);
    rig.button->SetMouseState(hbsFocused);
    rig.button->OnBeforeDrawButton = [](TmxButton*, TCanvas&, TRect&, TRect& focus, TRect&,
                                        TRect&) {
        focus = {2, 2, 20, 20};
    };
    rig.Paint();
    ExpectFrame(rig, Frame::Raised, "moved focus");

    TmxButtonView seenView = bvBig;
    TmxButtonState seenState = hbsUp;
    rig.header->SetAllowSelected(true);
    rig.header->SetSelectedIndex(0);
    rig.button->OnDrawButton = [&](TmxButton*, TCanvas&, TmxButtonView view, TmxButtonState state,
                                   const TRect&, const TRect&) {
        seenView = view;
        seenState = state;
    };
    rig.Paint();
    EXPECT_EQ(seenView, bvNormal);
    EXPECT_EQ(seenState, hbsDown);
    ExpectFrame(rig, Frame::None, "replaced view");
    EXPECT_TRUE(rig.Ink(kHotText).IsEmpty());
}

TEST(ButtonPaintTest, ThrowingHandlerLeavesThePaintAndTheCursorMoves) {
    Rig rig;
    rig.button->OnAfterDrawButton = [](TmxButton*, TCanvas&, const TRect&, const TRect&) {
        throw std::runtime_error("handler");
    };
    int top = 0;
    EXPECT_NO_THROW(top = rig.Paint());
    EXPECT_EQ(top, 72);
}

// --- clicks -------------------------------------------------------------------------------

struct ClickRig {
    FakeBar bar;
    TmxHeader* header = nullptr;
    std::vector<TmxButton*> buttons;
    int clicks = 0;

    explicit ClickRig(int count = 1) {
        header = bar.headers.Add();
        header->SetAllowSelected(true);
        for (int i = 0; i < count; ++i) {
            buttons.push_back(header->AddButton());
            buttons.back()->OnClick = [this](TPersistent*) { ++clicks; };
        }
    }
};

TEST(ButtonClickTest, CheckStateSequencesOfMouseAndAccelerator) {
    struct Case {
        TmxButtonKind kind;
        bool allowGrayed;
        bool mouse;
        TCheckBoxState start;
        std::vector<TCheckBoxState> after;
    };
    const Case cases[] = {
        {bkCheckBox, true, true, cbUnchecked, {cbGrayed, cbChecked, cbGrayed, cbChecked}},
        {bkCheckBox, true, false, cbUnchecked, {cbChecked, cbGrayed, cbUnchecked}},
        {bkCheckBox, false, true, cbGrayed, {cbChecked, cbUnchecked, cbChecked}},
        {bkCheckBox, false, false, cbGrayed, {cbChecked, cbUnchecked}},
        {bkPushButton, true, false, cbUnchecked, {cbChecked, cbGrayed}},
        {bkButton, false, true, cbUnchecked, {cbChecked, cbUnchecked}},
        {bkButton, false, false, cbUnchecked, {cbUnchecked, cbUnchecked}},
        {bkLabel, false, false, cbChecked, {cbChecked}},
    };
    for (const Case& c : cases) {
        ClickRig rig;
        TmxButton& b = *rig.buttons[0];
        b.SetButtonKind(c.kind);
        b.SetAllowGrayed(c.allowGrayed);
        b.SetCheckState(c.start);
        int step = 0;
        for (TCheckBoxState expected : c.after) {
            c.mouse ? b.ClickFromMouse() : b.ClickFromAccelerator();
            ++step;
            EXPECT_EQ(b.CheckState(), expected) << "kind " << c.kind << " grayed " << c.allowGrayed
                                                << " mouse " << c.mouse << " step " << step;
        }
        EXPECT_EQ(rig.clicks, step) << "kind " << c.kind;
    }
}

TEST(ButtonClickTest, MouseReleaseEndsThePressSelectsAndClicks) {
    ClickRig rig(2);
    TmxButton& b = *rig.buttons[1];
    TmxButtonState stateInClick = hbsDown;
    bool pressedInClick = true;
    int selectedInClick = -1;
    b.OnClick = [&](TPersistent*) {
        stateInClick = b.MouseState();
        pressedInClick = b.PressedLook();
        selectedInClick = rig.header->SelectedIndex();
    };
    b.SetMouseState(hbsDown);
    b.SetPressedLook(true);
    b.ClickFromMouse();
    EXPECT_EQ(stateInClick, hbsUp);
    EXPECT_FALSE(pressedInClick);
    EXPECT_EQ(selectedInClick, 1);
}

TEST(ButtonClickTest, RadioButtonsAreCheckedThroughTheirHeader) {
    for (bool mouse : {true, false}) {
        ClickRig rig(3);
        for (TmxButton* b : rig.buttons) {
            b->SetButtonKind(bkRadioButton);
        }
        rig.buttons[0]->SetChecked(true);
        TmxButton& b = *rig.buttons[2];
        mouse ? b.ClickFromMouse() : b.ClickFromAccelerator();
        mouse ? b.ClickFromMouse() : b.ClickFromAccelerator();
        EXPECT_FALSE(rig.buttons[0]->Checked()) << mouse;
        EXPECT_FALSE(rig.buttons[1]->Checked()) << mouse;
        EXPECT_TRUE(b.Checked()) << "a second click keeps it checked, mouse " << mouse;
        EXPECT_EQ(rig.clicks, 2) << mouse;
    }
}

TEST(ButtonClickTest, DisabledButtonIgnoresItsAccelerator) {
    ClickRig rig;
    TmxButton& b = *rig.buttons[0];
    b.SetButtonKind(bkCheckBox);
    b.SetEnabled(false);
    b.ClickFromAccelerator();
    EXPECT_EQ(b.CheckState(), cbUnchecked);
    EXPECT_EQ(rig.clicks, 0);
}

TEST(ButtonClickTest, ClickStopsTheAlertOfItsButton) {
    ClickRig rig(2);
    rig.bar.alert = rig.buttons[1];
    rig.buttons[0]->Click();
    EXPECT_EQ(rig.bar.stopAlerts, 0);
    rig.buttons[1]->Click();
    EXPECT_EQ(rig.bar.stopAlerts, 1);
    EXPECT_EQ(rig.clicks, 2);
}

TEST(ButtonClickTest, HandlerMayDeleteItsButtonOrAction) {
    for (bool throughAction : {false, true}) {
        ClickRig rig;
        TmxButton* b = rig.buttons[0];
        auto action = std::make_unique<TCustomAction>();
        const std::string after = "still readable";
        std::string seen;
        TNotifyHandler handler = [&rig, b, &action, after, &seen](TPersistent*) {
            rig.header->DeleteButton(b);
            action.reset();
            seen = after;  // the handler's own copy of `after` must outlive the deletion
        };
        if (throughAction) {
            action->SetOnExecute(handler);
            b->SetAction(action.get());
        } else {
            b->OnClick = handler;
        }
        handler = nullptr;
        b->Click();
        EXPECT_EQ(seen, after) << throughAction;
        EXPECT_EQ(rig.header->GetButtonCount(), 0) << throughAction;
    }
}

// --- actions ------------------------------------------------------------------------------

TEST(ButtonActionTest, ClickRunsOnClickOrTheAction) {
    struct Case {
        const char* what;
        bool withAction;
        bool ownOnClick;  // OnClick set after the link, to another handler
        bool enabled;
        int executes;
        int clicks;
    };
    const Case cases[] = {
        {"handler taken from the action", true, false, true, 1, 0},
        {"another handler", true, true, true, 0, 1},
        {"no action", false, true, true, 0, 1},
        {"disabled", true, true, false, 0, 0},
    };
    for (const Case& c : cases) {
        ClickRig rig;
        TmxButton& b = *rig.buttons[0];
        b.OnClick = nullptr;
        int executes = 0;
        TCustomAction action;
        action.SetOnExecute([&](TPersistent* sender) {
            EXPECT_EQ(sender, &action);
            ++executes;
        });
        if (c.withAction) {
            b.SetAction(&action);
        }
        if (c.ownOnClick) {
            b.OnClick = [&](TPersistent*) { ++rig.clicks; };
        }
        b.SetEnabled(c.enabled);
        b.Click();
        EXPECT_EQ(executes, c.executes) << c.what;
        EXPECT_EQ(rig.clicks, c.clicks) << c.what;
    }
}

TEST(ButtonActionTest, LinkingTakesTheActionsValuesOrOnlyIntoDefaultsWhileLoading) {
    for (bool loading : {false, true}) {
        ClickRig rig;
        rig.bar.loaded = !loading;
        TmxButton& b = *rig.buttons[0];
        b.SetCaption("Mine");
        b.SetHint("");
        b.SetImageIndex(4);
        TCustomAction action;
        action.SetCaption("Open");
        action.SetHint("Opens");
        action.SetImageIndex(2);
        action.SetHelpContext(7);
        action.SetEnabled(false);
        b.SetAction(&action);
        EXPECT_EQ(b.Action(), &action);
        EXPECT_EQ(b.Caption(), loading ? "Mine" : "Open") << loading;
        EXPECT_EQ(b.ImageIndex(), loading ? 4 : 2) << loading;
        EXPECT_EQ(b.Hint(), "Opens") << loading;
        EXPECT_EQ(b.HelpContext(), 7) << loading;
        EXPECT_FALSE(b.Enabled()) << loading;
        // The button had a handler of its own.
        EXPECT_EQ(b.OnClick == action.OnExecute(), !loading) << loading;
    }
}

TEST(ButtonActionTest, ActionChangesReachOnlyValuesTheButtonStillShares) {
    ClickRig rig;
    TmxButton& b = *rig.buttons[0];
    TCustomAction action;
    action.SetCaption("Open");
    action.SetHint("Opens");
    b.SetAction(&action);
    b.SetHint("My own hint");
    int executes = 0;
    action.SetCaption("Open file");
    action.SetHint("Opens a file");
    action.SetVisible(false);
    action.SetOnExecute([&](TPersistent*) { ++executes; });
    EXPECT_EQ(b.Caption(), "Open file");
    EXPECT_EQ(b.Hint(), "My own hint");
    EXPECT_FALSE(b.Visible());
    b.Click();
    EXPECT_EQ(executes, 1);
    EXPECT_EQ(rig.clicks, 0);

    // A change as a whole gives the button every value of the action again.
    action.Change();
    EXPECT_EQ(b.Hint(), "Opens a file");
}

TEST(ButtonActionTest, DeletingTheActionClearsEveryLinkedButton) {
    ClickRig rig(2);
    auto action = std::make_unique<TCustomAction>();
    int executes = 0;
    action->SetOnExecute([&](TPersistent*) { ++executes; });
    for (TmxButton* b : rig.buttons) {
        b->SetAction(action.get());
    }
    action.reset();
    for (TmxButton* b : rig.buttons) {
        EXPECT_EQ(b->Action(), nullptr);
        EXPECT_EQ(b->ActionLink(), nullptr);
        b->Click();  // the handler taken from the action still runs
    }
    EXPECT_EQ(executes, 2);
    rig.header->DeleteButton(rig.buttons[0]);
}

TEST(ButtonActionTest, DeletingALinkedButtonLeavesTheAction) {
    Rig rig;
    TmxButton* kept = rig.header->AddButton();
    TCustomAction action;
    rig.button->SetAction(&action);
    kept->SetAction(&action);
    rig.header->DeleteButton(rig.button);
    rig.button = kept;
    action.SetCaption("Still here");
    action.Change();
    ASSERT_EQ(rig.header->GetButtonCount(), 1);
    EXPECT_EQ(kept->Caption(), "Still here");
    // The button left shows the action's new caption, as a button made with it does.
    rig.Paint();
    Rig reference;
    reference.button->SetImageIndex(-1);
    reference.button->SetCaption("Still here");
    reference.Paint();
    const TRect shown = rig.Ink(kText);
    EXPECT_FALSE(shown.IsEmpty());
    EXPECT_EQ(shown, reference.Ink(kText));
}

TEST(ButtonActionTest, AssignTakesTheActionFirst) {
    ClickRig rig(2);
    TCustomAction action;
    action.SetCaption("Open");
    TmxButton& source = *rig.buttons[0];
    source.SetAction(&action);
    source.SetCaption("Source");
    TmxButton& dest = *rig.buttons[1];
    dest.Assign(source);
    EXPECT_EQ(dest.Action(), &action);
    EXPECT_EQ(dest.Caption(), "Source");
    action.SetCaption("Changed");
    EXPECT_EQ(dest.Caption(), "Source");

    TmxButton& plain = *rig.header->AddButton();
    dest.Assign(plain);
    EXPECT_EQ(dest.Action(), nullptr);
}

}  // namespace
}  // namespace orv
