// One command of a header: a picture and a label in one of six looks, or a label, check box,
// push button or radio button. It lays itself out in the column its header hands it.
#pragma once

#include <QMenu>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "navbar/action.h"
#include "navbar/bar_settings.h"
#include "navbar/drawing.h"
#include "navbar/graphic_objects.h"
#include "navbar/image_list.h"
#include "navbar/owned_list.h"
#include "navbar/persistent.h"

namespace orv {

class TmxHeader;
class TmxButton;

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum TmxButtonState { hbsUp, hbsDown, hbsFocused, hbsDisabled };
enum TmxButtonKind { bkButton, bkLabel, bkCheckBox, bkPushButton, bkRadioButton };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum TmxButtonOption {
    boAutoWidthLabel,
    boCustomFont,
    boCustomStyle,
    boCustomView,
    boUnderlineFont,
    boReadOnlyCaption
};
// One bit per option, option n at bit n.
using TmxButtonOptions = std::uint8_t;
constexpr TmxButtonOptions ButtonOptions(std::initializer_list<TmxButtonOption> options) {
    return OptionBits<TmxButtonOptions>(options);
}

// A name already taken by a sibling.
class EDuplicateName : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Marks a rectangle that is not shown.
inline constexpr TRect kHiddenRect{-1000, -1000, -1000, -1000};

// What the layout of one button depends on, and what it yields.
struct TmxButtonLayoutInput {
    TRect Cursor;  // the column's left and right edges, top at the cursor
    TmxButtonKind Kind = bkButton;
    TmxButtonStyle Style = bsLarge;
    TmxButtonView View = bvNormal;
    TmxButtonOptions Options = ButtonOptions({boAutoWidthLabel, boUnderlineFont});
    bool AutoSize = true;
    int Width = 20;
    int Height = 20;
    int Margin = 4;
    int ImageIndex = -1;
    bool HasImageList = false;  // a list is in force
    int ImageWidth = 0;
    int ImageHeight = 0;
    // From the settings in force.
    int LargeWidth = 60;
    int LargeHeight = 60;
    int SmallHeight = 20;
    int GlyphTop = 10;
    int PicLabDistance = 8;
};
struct TmxButtonLayout {
    TRect Button;
    TRect Image = kHiddenRect;
    TRect Label;
    TRect Focus = kHiddenRect;
    friend bool operator==(const TmxButtonLayout&, const TmxButtonLayout&) = default;
};
TmxButtonLayout CalcButtonLayout(const TmxButtonLayoutInput& in);

// Where the next button of the column starts once a button took `button`.
int NextCursorTop(int cursorTop, const TRect& button, int distance);

// The check state after a click and after an accelerator press.
TCheckBoxState ClickToggle(TCheckBoxState state, bool allowGrayed);
TCheckBoxState AccelToggle(TCheckBoxState state, bool allowGrayed);

// The DFCS_* state of the box of a check box, push button or radio button: the pressed look
// (while the mouse button is held down) follows `checked`; otherwise the check state decides.
unsigned CheckFrameState(TmxButtonKind kind, bool pressedLook, bool checked, TCheckBoxState state);

class TmxButtons;
class TmxButtonActionLink;

class TmxButton : public TPersistent {
  public:
    using TEventBeforeDraw =
        std::function<void(TmxButton* sender, TCanvas& canvas, TRect& buttonRect, TRect& focusRect,
                           TRect& imageRect, TRect& labelRect)>;
    using TEventDraw =
        std::function<void(TmxButton* sender, TCanvas& canvas, TmxButtonView view,
                           TmxButtonState state, const TRect& imageRect, const TRect& labelRect)>;
    using TEventAfterDraw = std::function<void(TmxButton* sender, TCanvas& canvas,
                                               const TRect& imageRect, const TRect& labelRect)>;

    // Buttons are made by their collection; a button without one stands alone.
    explicit TmxButton(TmxButtons* collection = nullptr);
    ~TmxButton() override;

    const char* ClassName() const override { return "TmxButton"; }
    void Assign(const TPersistent& source) override;
    // Assign and everything it leaves alone: kind, grayed rule, check state, margin, user
    // string, and the name when no sibling has it. What a dragged button takes along.
    void CopyFrom(const TmxButton& source);

    TmxButtons* Collection() const { return collection_; }
    TmxHeader* Header() const;

    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v) { Set(autoSize_, v); }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment v) { Set(alignment_, v); }
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool v) { Set(allowGrayed_, v); }
    // The position within the header; -1 outside a collection.
    int ButtonIndex() const;
    void SetButtonIndex(int value);
    TmxButtonKind ButtonKind() const { return kind_; }
    void SetButtonKind(TmxButtonKind v) { Set(kind_, v); }
    TmxButtonStyle ButtonStyle() const { return style_; }
    void SetButtonStyle(TmxButtonStyle v) { Set(style_, v); }
    TmxButtonView ButtonView() const { return view_; }
    void SetButtonView(TmxButtonView v) { Set(view_, v); }
    TBiDiMode BiDiMode() const { return biDiMode_; }
    // Also stops taking the reading order from the parent.
    void SetBiDiMode(TBiDiMode v);
    bool ParentBiDiMode() const { return parentBiDiMode_; }
    void SetParentBiDiMode(bool v) { Set(parentBiDiMode_, v); }
    bool Checked() const { return checked_; }
    void SetChecked(bool v);
    TCheckBoxState CheckState() const { return checkState_; }
    void SetCheckState(TCheckBoxState v);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& v) { Set(caption_, v); }
    TColor Color() const { return color_; }
    // Reports only while the button is filled.
    void SetColor(TColor v);
    int Cursor() const { return cursor_; }
    void SetCursor(int v) { Set(cursor_, v); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v) { Set(enabled_, v); }
    // Copy the given font and always report.
    TFont& Font() { return font_; }
    void SetFont(const TFont& v);
    TFont& HighlightFont() { return highlightFont_; }
    void SetHighlightFont(const TFont& v);
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int v) { Set(helpContext_, v); }
    // Width and height report only while they are used (AutoSize off).
    int Height() const { return height_; }
    void SetHeight(int v);
    int Width() const { return width_; }
    void SetWidth(int v);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& v) { Set(hint_, v); }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int v) { Set(imageIndex_, v); }
    int Margin() const { return margin_; }
    void SetMargin(int v) { Set(margin_, v); }
    const std::string& Name() const { return name_; }
    // Unique within the header, compared without case; a duplicate raises EDuplicateName.
    void SetName(const std::string& v);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool v) { Set(showAccelChar_, v); }
    int Tag() const { return tag_; }
    void SetTag(int v) { Set(tag_, v); }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v) { Set(transparent_, v); }
    TmxButtonOptions Options() const { return options_; }
    void SetOptions(TmxButtonOptions v) { Set(options_, v); }
    const std::string& UserString() const { return userString_; }
    void SetUserString(const std::string& v) { Set(userString_, v); }
    bool Visible() const { return visible_; }
    void SetVisible(bool v) { Set(visible_, v); }
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v) { Set(wordWrap_, v); }
    // Pops up on a right click over the button.
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }

    // Compared with a linked action's handler: the same handler means the action runs.
    TNotifyHandler OnClick;
    TEventBeforeDraw OnBeforeDrawButton;
    TEventDraw OnDrawButton;
    TEventAfterDraw OnAfterDrawButton;

    // Written by the bar's input handling and alert.
    TmxButtonState MouseState() const { return mouseState_; }
    void SetMouseState(TmxButtonState v) { mouseState_ = v; }
    bool Alerting() const { return alerting_; }
    void SetAlerting(bool v) { alerting_ = v; }
    // The alert's blink phase, toggled by the bar's alert timer.
    bool BlinkOn() const { return blinkOn_; }
    void SetBlinkOn(bool v) { blinkOn_ = v; }
    // Set while the mouse button is held down on the button.
    bool PressedLook() const { return pressedLook_; }
    void SetPressedLook(bool v) { pressedLook_ = v; }
    // Written while a drag passes over the button: 1 before it, 2 after it, 3 after it as the
    // last visible one.
    std::uint8_t DropPosition() const { return dropPosition_; }
    void SetDropPosition(std::uint8_t v) { dropPosition_ = v; }

    // The settings of the owning header in force; nullptr outside a header.
    TmxBarSettings* GetActiveSettings() const;
    TmxButtonStyle GetActiveStyle() const;
    TmxButtonView GetActiveView() const;
    // The list of the owning header's images that fits the style and state; nullptr for none.
    TImageList* GetImageList() const;
    TFont& GetLabelFont(bool highlightAllowed);
    int GetHeaderIndex() const;
    bool IsFirstVisible() const;
    bool IsLastVisible() const;

    // Lays the button out at cursor and moves the cursor below it.
    void Measure(TRect& cursor);
    // Lays the button out at cursor, paints it into bitmap unless measureOnly or its bottom
    // reaches bottomLimit, and moves the cursor below it.
    void Paint(QImage* bitmap, TRect& cursor, bool measureOnly, int bottomLimit);
    // The user's click: stops the alert, then runs OnClick or the action.
    virtual void Click();
    // A mouse release on the pressed button: toggles the check state (a radio button through
    // its header), ends the pressed look, selects the button in its header, then clicks.
    void ClickFromMouse();
    // The button's accelerator: an enabled check box or push button toggles, an enabled radio
    // button is checked through its header; then the click.
    void ClickFromAccelerator();

    // The linked action; nullptr for none. Setting one takes its values (while the bar is
    // still loading only into values the button left at their defaults).
    TBasicAction* Action() const;
    void SetAction(TBasicAction* action);
    TmxButtonActionLink* ActionLink() const { return actionLink_.get(); }
    // Takes the values of a TCustomAction; with checkDefaults only into values that are still
    // the button's defaults.
    virtual void ActionChange(TBasicAction* sender, bool checkDefaults);
    // Sets every layout rectangle to the hidden one.
    void Hide();
    // Empties every layout rectangle (all zero).
    void ClearLayout();
    const TmxButtonLayout& Layout() const { return layout_; }

    // Properties with plain values; fonts and handlers are not in it.
    static const std::array<TPropertyDefault, 27> kDefaults;

  protected:
    void AssignTo(TPersistent& dest) const override;
    virtual std::unique_ptr<TmxButtonActionLink> CreateActionLink();

    // Painting steps, on the stored layout; `state` is the paint state.
    virtual void DrawLabel(TCanvas& canvas, bool offset, bool underline);
    virtual void DrawCheckFrame(TCanvas& canvas);
    virtual void DrawEdgeFrame(TCanvas& canvas, TmxButtonState state);
    virtual void DrawXPFrame(TCanvas& canvas, TmxButtonState state);
    virtual void DrawImage(TCanvas& canvas, TmxButtonState state);
    virtual void DrawXPImage(TCanvas& canvas, TmxButtonState state);
    virtual void DoBeforeDrawButton(TCanvas& canvas);
    virtual void DoDrawButton(TCanvas& canvas, TmxButtonState state);
    virtual void DoAfterDrawButton(TCanvas& canvas);

  private:
    friend class TmxButtons;
    friend class TmxButtonActionLink;
    template <typename T>
    void Set(T& field, const T& value) {
        if (field != value) {
            field = value;
            Changed();
        }
    }
    // The mouse state, or hbsDown while the button is its header's selected one.
    TmxButtonState PaintState() const;
    // A frame is drawn for an enabled button, or a disabled one whose header asks for it.
    bool FrameAllowed() const;
    // Checks a radio button and unchecks the others of its header.
    void CheckRadio();

    TmxButtons* collection_;
    bool autoSize_ = true;
    TAlignment alignment_ = taCenter;
    bool allowGrayed_ = false;
    TmxButtonKind kind_ = bkButton;
    TmxButtonStyle style_ = bsLarge;
    TmxButtonView view_ = bvNormal;
    TBiDiMode biDiMode_ = bdLeftToRight;
    bool parentBiDiMode_ = true;
    bool checked_ = false;
    TCheckBoxState checkState_ = cbUnchecked;
    std::string caption_;
    TColor color_ = clBtnFace;
    int cursor_ = 0;
    bool enabled_ = true;
    TFont font_;
    TFont highlightFont_;
    int helpContext_ = 0;
    int height_ = 20;
    int width_ = 20;
    std::string hint_;
    int imageIndex_ = -1;
    int margin_ = 4;
    std::string name_;
    bool showAccelChar_ = true;
    int tag_ = 0;
    bool transparent_ = true;
    TmxButtonOptions options_ = ButtonOptions({boAutoWidthLabel, boUnderlineFont});
    std::string userString_;
    bool visible_ = true;
    bool wordWrap_ = false;
    TmxButtonState mouseState_ = hbsUp;
    bool alerting_ = false;
    bool blinkOn_ = false;
    bool pressedLook_ = false;
    std::uint8_t dropPosition_ = 0;
    TmxButtonLayout layout_{TRect{}, TRect{}, TRect{}, TRect{}};
    std::unique_ptr<TmxButtonActionLink> actionLink_;
    QPointer<QMenu> popupMenu_;
    // False once the button is being destroyed; a paint keeps a copy across the draw handlers,
    // which may delete the button.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Connects a button to its action: a value the button still shares with the action follows the
// action's changes; a value the button has changed stays.
class TmxButtonActionLink : public TActionLink {
  public:
    explicit TmxButtonActionLink(TmxButton* client) : client_(client) {}

    TmxButton* Client() const { return client_; }

    bool IsCaptionLinked() override;
    bool IsEnabledLinked() override;
    bool IsHelpContextLinked() override;
    bool IsHintLinked() override;
    bool IsImageIndexLinked() override;
    bool IsVisibleLinked() override;
    bool IsOnExecuteLinked() override;
    void SetCaption(const std::string& value) override;
    void SetEnabled(bool value) override;
    void SetHelpContext(int value) override;
    void SetHint(const std::string& value) override;
    void SetImageIndex(int value) override;
    void SetVisible(bool value) override;
    void SetOnExecute(const TNotifyHandler& value) override;

  protected:
    // The button forgets the action and frees this link.
    void ActionFreed() override;

  private:
    TCustomAction* Custom() const { return dynamic_cast<TCustomAction*>(Action()); }

    TmxButton* client_;
};

// The buttons of one header, owned by it.
class TmxButtons : public TOwnedList<TmxButton> {
  public:
    explicit TmxButtons(TmxHeader* header) : header_(header) {}

    TmxHeader* Header() const { return header_; }
    // Appends a button with the first free default name; its change notice repaints the bar.
    TmxButton* Add();
    // The same with a name the caller has already checked against the siblings (a saved bar's
    // names, checked whole before loading): nothing is compared, so filling a list is linear.
    TmxButton* AddNamed(std::string name);

  private:
    friend class TmxButton;

    TmxHeader* header_;
};

// "prefix" + the smallest N from 1 that no name in `taken` carries, compared without case; the
// prefix ends in a letter.
std::string DefaultName(const std::string& prefix, const std::vector<std::string>& taken);
bool SameText(const std::string& a, const std::string& b);
// Orders names as SameText compares them: negative, 0 or positive.
int CompareNames(const std::string& a, const std::string& b);
// How many name comparisons ran in this process; tests see by it how naming work grows.
std::uint64_t NameComparisons();

// Text flags of a reading order (DT_RIGHT, DT_RTLREADING): only a right-to-left locale of the
// program (the user's, unless the program set one) reads captions and labels backwards.
unsigned ReadingOrderFlags(TBiDiMode mode);

}  // namespace orv
