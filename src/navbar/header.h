// One group of the side bar: a caption strip and a body with a column of buttons. The bar is
// reached only through TmxBarOwner, the little the headers and buttons need of it.
#pragma once

#include <QMenu>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "navbar/appearance.h"
#include "navbar/background.h"
#include "navbar/bar_settings.h"
#include "navbar/button.h"

namespace orv {

class TmxHeader;

enum TmxHeaderState { hsOpened, hsClosed };
enum TmxViewStyle { vsExplorerBar, vsListBar };
enum TmxExplorerMethod { emStandard, emCloseUp };
enum TmxBarOption {
    boAcceptOLEDrop,
    boActivateToolBoxScroller,
    boAlwaysFlatScroller,
    boAutoScroll,
    boAutoChangeHeader,
    boChangeToDisabled,
    boExplorerBorder,
    boFocusOnMouseEnter,
    boHeaderFrame,
    boInternalDrop,
    hoShowFocusRect
};
// One bit per option, option n at bit n.
using TmxBarOptions = std::uint16_t;
constexpr TmxBarOptions BarOptions(std::initializer_list<TmxBarOption> options) {
    return OptionBits<TmxBarOptions>(options);
}

enum TmxHeaderOption {
    hoActivateOnSelect,
    hoAlwaysFlat,
    hoButtonDown,
    hoCustomSettings,
    hoDrawBorder,
    hoDrawCaptionBorder,
    hoDrawDisabledButton,
    hoDrawDownButton,
    hoDrawFocusedButton,
    hoFocusDisabled,
    hoNoCaption,
    hoReadOnlyCaption,
    hoRoundedHeader,
    hoShowSelectedImage,
    hoShowStatusButton,
    hoUseHighlightFont
};
// One bit per option, option n at bit n.
using TmxHeaderOptions = std::uint16_t;
constexpr TmxHeaderOptions HeaderOptions(std::initializer_list<TmxHeaderOption> options) {
    return OptionBits<TmxHeaderOptions>(options);
}

// What headers and buttons ask of the bar that owns them.
class TmxBarOwner {
  public:
    virtual ~TmxBarOwner() = default;

    virtual TmxBarSettings& BarSettings() = 0;
    virtual bool CommonStyle() const = 0;
    virtual TmxViewStyle ViewStyle() const = 0;
    virtual TmxExplorerMethod ExplorerMethod() const = 0;
    virtual TmxBarOptions Options() const = 0;
    virtual bool Flat() const = 0;
    virtual TmxHeaderImages& HeaderImages() = 0;
    virtual TColor AlertColor() const = 0;
    // False while a header switch animates: painting then keeps the stored rectangles.
    virtual bool AutoLayout() const = 0;
    // The bar has finished loading its stored form.
    virtual bool IsLoaded() const = 0;
    virtual bool IsEnabled() const = 0;
    virtual bool EachHeaderSelection() const = 0;
    virtual int HeaderCount() const = 0;
    virtual TmxHeader* Header(int index) const = 0;
    virtual TmxHeader* ActiveHeader() const = 0;
    // Clears the active header at once: no handler is asked or told.
    virtual void DropActiveHeader() = 0;
    virtual TmxButton* AlertButton() const = 0;
    virtual void StopAlert() = 0;
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
    // Repaints the whole bar.
    virtual void InvalidateAll() = 0;
    // Called from the destructors: the bar forgets every reference it holds to the object
    // (active, hot, body, alert, drop target, drag source, editor target), directly.
    virtual void HeaderDeleted(TmxHeader* header) = 0;
    virtual void ButtonDeleted(TmxButton* button) = 0;
};

class TmxHeaders;

// Painting of a caption strip or a body, by the user instead of or after the header's own.
using TmxEventDrawHeader =
    std::function<void(TmxHeader* sender, TCanvas& canvas, const TRect& rect)>;
// Painting of the round open/close button of a caption, by the user.
using TmxEventDrawStatusButton = std::function<void(TmxHeader* sender, TCanvas& canvas,
                                                    const TRect& rect, TmxHeaderState state)>;
// Whether the button scroll boxes of a header are needed and whether they scroll by themselves.
using TmxEventCheckScroll = std::function<void(TmxHeader* sender, bool& scrollUpNeed,
                                               bool& scrollDownNeed, bool& automatic)>;

class TmxHeader : public TPersistent {
  public:
    // A header in a collection reaches the bar through it; the close header gets its bar
    // directly and has no buttons.
    explicit TmxHeader(TmxHeaders* collection);
    explicit TmxHeader(TmxBarOwner* bar);
    ~TmxHeader() override;

    const char* ClassName() const override { return "TmxHeader"; }
    void Assign(const TPersistent& source) override;
    // Also relays the changes of the owned images, settings, background and glyph.
    void SetOnChangeParameter(TNotifyEvent handler) override;

    TmxBarOwner* Bar() const { return bar_; }
    TmxHeaders* Collection() const { return collection_; }

    bool AllowSelected() const { return allowSelected_; }
    // Also clears the selection.
    void SetAllowSelected(bool v);
    TmxBackground& Background() { return background_; }
    TmxGlyph& Glyph() { return glyph_; }
    TmxButtonImages& Images() { return images_; }
    // nullptr for the close header.
    TmxButtons* Buttons() const { return buttons_.get(); }
    TBiDiMode BiDiMode() const { return biDiMode_; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& v) { Set(caption_, v); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v) { Set(enabled_, v); }
    std::uint16_t FirstButtonTop() const { return firstButtonTop_; }
    void SetFirstButtonTop(std::uint16_t v) { Set(firstButtonTop_, v); }
    // The position in the bar's headers; -1 outside a collection.
    int HeaderIndex() const;
    void SetHeaderIndex(int value);
    TmxHeaderState HeaderState() const { return state_; }
    void SetHeaderState(TmxHeaderState v);
    bool Opened() const { return state_ == hsOpened; }
    void SetOpened(bool v) { SetHeaderState(v ? hsOpened : hsClosed); }
    TmxBarSettings& Settings() { return settings_; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int v) { Set(imageIndex_, v); }
    std::uint16_t Margin() const { return margin_; }
    void SetMargin(std::uint16_t v) { Set(margin_, v); }
    const std::string& Name() const { return name_; }
    // Unique within the bar, compared without case; a duplicate raises EDuplicateName.
    void SetName(const std::string& v);
    TmxHeaderOptions Options() const { return options_; }
    void SetOptions(TmxHeaderOptions v) { Set(options_, v); }
    int Tag() const { return tag_; }
    void SetTag(int v) { tag_ = v; }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v) { Set(transparent_, v); }
    int SelectedIndex() const { return selectedIndex_; }
    void SetSelectedIndex(int value);
    std::uint16_t Spacing() const { return spacing_; }
    void SetSpacing(std::uint16_t v) { Set(spacing_, v); }
    bool Visible() const { return visible_; }
    // Hiding the bar's active header clears it at once.
    void SetVisible(bool v);
    // Pops up on a right click over the caption or the body where no button takes it.
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }

    TNotifyEvent OnChange;
    // Kept for the program; the bar's own scroll-box rules do not ask it.
    TmxEventCheckScroll OnCheckScroll;
    // Replaces the painting of the caption strip.
    TmxEventDrawHeader OnDrawHeaderButton;
    // Replaces the painting of the round open/close button.
    TmxEventDrawStatusButton OnDrawStatusButton;
    // Replaces the painting of the body's background.
    TmxEventDrawHeader OnDrawHeaderBody;
    TmxEventDrawHeader OnAfterDrawHeaderButton;
    // After the body's background, glyph and frame, before its buttons.
    TmxEventDrawHeader OnAfterDrawHeaderBody;

    // The caption strip's state: hbsFocused while the mouse is over it.
    TmxButtonState DrawState() const { return drawState_; }
    void SetDrawState(TmxButtonState v) { drawState_ = v; }
    const TRect& CaptionRect() const { return captionRect_; }
    const TRect& BodyRect() const { return bodyRect_; }
    // Where the last caption paint put the round open/close button (kHiddenRect: none), the
    // caption text and the caption picture's top-left corner; a coordinate of kNotShown marks
    // a text or picture that was not shown.
    const TRect& StatusRect() const { return statusRect_; }
    const TRect& TextRect() const { return textRect_; }
    const TPoint& PicturePos() const { return picturePos_; }
    static constexpr int kNotShown = -10000;
    // The bar's layout stores where it placed the caption and the body.
    void SetCaptionRect(const TRect& r) { captionRect_ = r; }
    void SetBodyRect(const TRect& r) { bodyRect_ = r; }

    // Paints the caption strip into bitmap at rect; rect comes back shrunk by 1 on every side.
    // The active index the bar passes is not used.
    void DrawCaptionButton(QImage* bitmap, TRect& rect, int activeIndex);
    // Paints the body and its buttons into rect; offset and active index are not used.
    void DrawBody(QImage* bitmap, const TRect& rect, int scrollOffset, int activeIndex);

    TmxBarSettings& GetActiveSettings();
    int GetExplorerAddOn();
    int GetCaptionHeight() { return GetActiveSettings().Height(); }
    bool IsEnabled() const;

    int GetButtonCount() const { return buttons_ ? buttons_->Count() : 0; }
    TmxButton* GetButton(int index) const;
    TmxButton* AddButton();
    // Stops the bar's alert first when it is on this button.
    void DeleteButton(TmxButton* button);
    void ClearButtons();
    int FirstShown() const { return firstShown_; }
    int LastShown() const { return lastShown_; }
    void SetLastShown(int v) { lastShown_ = v; }
    bool CanScrollUp() const { return firstShown_ > 0; }
    bool CanScrollDown() const { return lastShown_ < GetButtonCount() - 1; }
    bool ScrollUp();
    void ScrollDown();
    TmxButton* FirstVisibleButton() const;
    TmxButton* LastVisibleButton() const;
    bool ContainsCurrentButton() const;
    // Radio behaviour: unchecks every button, then checks `button`.
    void CheckButton(TmxButton* button);

    // The operations a derived header may replace, in this order.
    virtual void SetBiDiMode(TBiDiMode v) { Set(biDiMode_, v); }

  protected:
    // Places the status button, the picture and the text in the caption rectangle c.
    virtual void LayoutCaption(TCanvas& canvas, const TRect& c);
    virtual void DrawCaptionImage(TCanvas& canvas);
    virtual void DrawCaptionText(TCanvas& canvas);
    // Layout, picture, text and status button of the caption rectangle c.
    virtual void DrawCaptionContent(TCanvas& canvas, const TRect& c);
    // Paints the buttons from the first shown one down into rect and notes the last that fit.
    virtual void DrawButtons(QImage* bitmap, const TRect& rect);
    virtual void DoAfterDrawHeaderBody(TCanvas& canvas, const TRect& rect);
    virtual void DoAfterDrawHeaderButton(TCanvas& canvas, const TRect& rect);

  public:
    // Height the body needs for its visible buttons in a column that wide; 0 when closed or
    // without buttons.
    virtual int GetBodyHeight(int columnWidth);
    virtual void BeginUpdate();
    virtual void EndUpdate();

    // Properties with plain values.
    static const std::array<TPropertyDefault, 14> kDefaults;

  protected:
    void AssignTo(TPersistent& dest) const override;

  private:
    friend class TmxHeaders;
    template <typename T>
    void Set(T& field, const T& value) {
        if (field != value) {
            field = value;
            Changed();
        }
    }
    void ClearLayout();
    // The bar's caption list that applies now; nullptr when no picture is shown.
    TImageList* CaptionImages() const;
    void DrawStatusButton(TCanvas& canvas);
    void HideCaptionContent();

    TmxHeaders* collection_ = nullptr;
    TmxBarOwner* bar_ = nullptr;
    TmxButtonImages images_;
    TmxBarSettings settings_;
    TmxBackground background_;
    TmxGlyph glyph_;
    std::unique_ptr<TmxButtons> buttons_;
    // False once the header is being destroyed; a paint keeps a copy across the draw handlers,
    // which may delete the header.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool allowSelected_ = false;
    TBiDiMode biDiMode_ = bdLeftToRight;
    std::string caption_;
    bool enabled_ = true;
    std::uint16_t firstButtonTop_ = 10;
    TmxHeaderState state_ = hsOpened;
    int imageIndex_ = -1;
    std::uint16_t margin_ = 4;
    std::string name_;
    TmxHeaderOptions options_ =
        HeaderOptions({hoButtonDown, hoDrawCaptionBorder, hoDrawDisabledButton, hoDrawDownButton,
                       hoDrawFocusedButton, hoShowStatusButton, hoUseHighlightFont});
    int tag_ = 0;
    bool transparent_ = false;
    int selectedIndex_ = -1;
    std::uint16_t spacing_ = 2;
    bool visible_ = true;
    TmxButtonState drawState_ = hbsUp;
    TRect captionRect_;
    TRect bodyRect_;
    int firstShown_ = 0;
    int lastShown_ = -1;
    TRect statusRect_ = kHiddenRect;
    TRect textRect_{kNotShown, kNotShown, kNotShown, kNotShown};
    TPoint picturePos_{kNotShown, kNotShown};
    // Size of the caption picture in force at the last layout; zero without one.
    int pictureWidth_ = 0;
    int pictureHeight_ = 0;
    // (1, 1) while the caption is shown pressed.
    TPoint pressedOffset_;
    // Reading-order text flags of the last layout.
    unsigned textFlags_ = 0;
    QPointer<QMenu> popupMenu_;
};

// The bar's headers, owned by the collection.
class TmxHeaders : public TOwnedList<TmxHeader> {
  public:
    explicit TmxHeaders(TmxBarOwner* bar) : bar_(bar) {}

    TmxBarOwner* Bar() const { return bar_; }
    // Appends a header with the first free default name.
    TmxHeader* Add();
    // The same with a name already checked against the other headers; nothing is compared.
    TmxHeader* AddNamed(std::string name);

  private:
    friend class TmxHeader;

    TmxBarOwner* bar_;
};

}  // namespace orv
