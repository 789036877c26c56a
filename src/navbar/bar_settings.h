// Everything that decides how headers and their buttons look and are laid out. The bar owns one
// and every header owns one; any change anywhere inside reaches OnChangeParameter.
#pragma once

#include <array>
#include <memory>

#include "navbar/appearance.h"
#include "navbar/background.h"
#include "navbar/graphic_objects.h"
#include "navbar/persistent.h"

namespace orv {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TmxButtonStyle { bsLarge, bsSmall };
enum TmxButtonView { bvBig, bvExplorer, bvNormal, bvToolBox, bvWindows2000, bvWindowsXP };
enum TmxCaptionStyle { csButtonStyle, csCustomDraw };
enum TmxGlyphLayout { glGlyphLeft, glGlyphRight, glGlyphCenter };

class TmxBarSettings : public TPersistent {
  public:
    enum ButtonSizeIndex { kLargeWidth = 1, kLargeHeight = 2, kSmallHeight = 3 };
    enum ButtonBackgroundIndex {
        kButtonUp = 1,
        kButtonDown = 2,
        kButtonFocused = 3,
        kButtonDisabled = 4
    };

    TmxBarSettings();

    const char* ClassName() const override { return "TmxBarSettings"; }
    void Assign(const TPersistent& source) override;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value) { Set(alignment_, value); }
    TColor Color() const { return color_; }
    void SetColor(TColor value) { Set(color_, value); }
    int Distance() const { return distance_; }
    void SetDistance(int value) { Set(distance_, value); }
    int PicLabDistance() const { return picLabDistance_; }
    void SetPicLabDistance(int value) { Set(picLabDistance_, value); }
    TmxButtonStyle ButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(TmxButtonStyle value) { Set(buttonStyle_, value); }
    TmxButtonView ButtonView() const { return buttonView_; }
    void SetButtonView(TmxButtonView value) { Set(buttonView_, value); }
    TmxCaptionStyle CaptionStyle() const { return captionStyle_; }
    void SetCaptionStyle(TmxCaptionStyle value) { Set(captionStyle_, value); }
    std::uint16_t ExplorerAddOn() const { return explorerAddOn_; }
    void SetExplorerAddOn(std::uint16_t value) { Set(explorerAddOn_, value); }
    int GlyphTop() const { return glyphTop_; }
    void SetGlyphTop(int value) { Set(glyphTop_, value); }
    int Height() const { return height_; }
    void SetHeight(int value) { Set(height_, value); }
    bool KeySupport() const { return keySupport_; }
    void SetKeySupport(bool value) { Set(keySupport_, value); }
    TmxGlyphLayout Layout() const { return layout_; }
    void SetLayout(TmxGlyphLayout value) { Set(layout_, value); }

    // -1 for an index outside 1..3.
    int GetButtonSize(int index) const;
    // Stores and reports when the index is 1..3 and the value differs.
    void SetButtonSize(int index, int value);
    int LargeWidth() const { return GetButtonSize(kLargeWidth); }
    void SetLargeWidth(int value) { SetButtonSize(kLargeWidth, value); }
    int LargeHeight() const { return GetButtonSize(kLargeHeight); }
    void SetLargeHeight(int value) { SetButtonSize(kLargeHeight, value); }
    int SmallHeight() const { return GetButtonSize(kSmallHeight); }
    void SetSmallHeight(int value) { SetButtonSize(kSmallHeight, value); }

    // The fonts copy the given one (which reports) and report once more.
    TFont& Font() { return font_; }
    void SetFont(const TFont& value) { CopyFont(font_, value); }
    TFont& HighlightFont() { return highlightFont_; }
    void SetHighlightFont(const TFont& value) { CopyFont(highlightFont_, value); }
    TFont& ButtonFont() { return buttonFont_; }
    void SetButtonFont(const TFont& value) { CopyFont(buttonFont_, value); }
    TFont& ButtonHighlightFont() { return buttonHighlightFont_; }
    void SetButtonHighlightFont(const TFont& value) { CopyFont(buttonHighlightFont_, value); }

    // The pens copy the given one, which reports.
    TPen& CaptionPen() { return captionPen_; }
    void SetCaptionPen(const TPen& value) { captionPen_.Assign(value); }
    TPen& HeaderPen() { return headerPen_; }
    void SetHeaderPen(const TPen& value) { headerPen_.Assign(value); }

    // nullptr for an index outside 1..4.
    TmxButtonBackground* GetButtonBackground(int index);
    // The owned background copies the given one; an index outside 1..4 does nothing.
    void SetButtonBackground(int index, const TmxButtonBackground& value);
    TmxButtonBackground& ButtonUp() { return *backgrounds_[0]; }
    TmxButtonBackground& ButtonDown() { return *backgrounds_[1]; }
    TmxButtonBackground& ButtonFocused() { return *backgrounds_[2]; }
    TmxButtonBackground& ButtonDisabled() { return *backgrounds_[3]; }

    TmxStatusButton& StatusButton() { return statusButton_; }
    void SetStatusButton(const TmxStatusButton& value) { statusButton_.Assign(value); }
    TmxXPColors& XPColors() { return xpColors_; }

    // Properties with plain values; fonts, pens and the owned objects are streamed nested.
    static const std::array<TPropertyDefault, 15> kDefaults;

  protected:
    void AssignTo(TPersistent& dest) const override;

  private:
    template <typename T>
    void Set(T& field, T value) {
        if (field != value) {
            field = value;
            Changed();
        }
    }
    void CopyFont(TFont& font, const TFont& value);
    // Every owned object reports here.
    void Relay() { Changed(); }

    TAlignment alignment_ = taCenter;
    TFont buttonFont_;
    TFont buttonHighlightFont_;
    int distance_ = 2;
    int picLabDistance_ = 8;
    std::array<int, 3> buttonSizes_{60, 60, 20};
    std::array<std::unique_ptr<TmxButtonBackground>, 4> backgrounds_;
    TmxButtonStyle buttonStyle_ = bsLarge;
    TmxButtonView buttonView_ = bvNormal;
    TmxCaptionStyle captionStyle_ = csButtonStyle;
    TPen captionPen_;
    TColor color_ = clBtnFace;
    std::uint16_t explorerAddOn_ = 12;
    TFont font_;
    int glyphTop_ = 10;
    int height_ = 22;
    TPen headerPen_;
    TFont highlightFont_;
    bool keySupport_ = true;
    TmxGlyphLayout layout_ = glGlyphLeft;
    TmxStatusButton statusButton_;
    TmxXPColors xpColors_;
};

}  // namespace orv
