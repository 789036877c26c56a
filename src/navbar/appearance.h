// Small appearance objects owned by the bar, its headers and its settings: margins, image lists,
// XP-look colours, the colours of a header's open/close button, and a header body's glyph. Each
// reports a change of its look through OnChangeParameter and copies only from its own kind.
#pragma once

#include <QImage>
#include <array>
#include <cstdint>

#include "navbar/drawing.h"
#include "navbar/image_list.h"
#include "navbar/persistent.h"

namespace orv {

// Margins of the bar, in pixels.
class TmxBorder : public TPersistent {
  public:
    enum Index { kTop = 1, kBottom = 2, kLeft = 3, kRight = 4, kSeparator = 5 };

    TmxBorder() = default;

    const char* ClassName() const override { return "TmxBorder"; }
    void Assign(const TPersistent& source) override;

    // 0 for an index outside 1..5.
    std::uint16_t GetValue(int index) const;
    // Stores and reports, even an unchanged value; an index outside 1..5 does nothing.
    void SetValue(int index, std::uint16_t value);

    std::uint16_t Top() const { return top_; }
    void SetTop(std::uint16_t v) { SetValue(kTop, v); }
    std::uint16_t Bottom() const { return bottom_; }
    void SetBottom(std::uint16_t v) { SetValue(kBottom, v); }
    std::uint16_t Left() const { return left_; }
    void SetLeft(std::uint16_t v) { SetValue(kLeft, v); }
    std::uint16_t Right() const { return right_; }
    void SetRight(std::uint16_t v) { SetValue(kRight, v); }
    std::uint16_t Separator() const { return separator_; }
    void SetSeparator(std::uint16_t v) { SetValue(kSeparator, v); }

    static const std::array<TPropertyDefault, 5> kDefaults;

  protected:
    void AssignTo(TPersistent& dest) const override;

  private:
    std::uint16_t left_ = 5;
    std::uint16_t top_ = 5;
    std::uint16_t right_ = 5;
    std::uint16_t bottom_ = 5;
    std::uint16_t separator_ = 5;
};

// The image lists an object keeps by index (1..N), not owned. Each is watched through its own
// change link, so a change inside a list reaches the object's owner; an observer, when given,
// is told when a list is destroyed.
template <std::size_t N>
class TmxImageListSet : public TPersistent {
  public:
    // nullptr for an index outside 1..N.
    TImageList* GetImageList(int index) const {
        return InRange(index) ? lists_[static_cast<std::size_t>(index - 1)] : nullptr;
    }
    // Moves the index's change link to the new list and reports; an index outside 1..N does
    // nothing.
    void SetImageList(int index, TImageList* list) {
        if (StoreImageList(index, list))
            Changed();
    }

  protected:
    explicit TmxImageListSet(TImageListObserver* observer = nullptr) : observer_(observer) {
        for (TChangeLink& link : links_)
            link.OnChange = [this] { Changed(); };
    }

    // Moves the change link without a notice; false for an index out of range.
    bool StoreImageList(int index, TImageList* list) {
        if (!InRange(index))
            return false;
        const auto i = static_cast<std::size_t>(index - 1);
        if (lists_[i] != nullptr)
            lists_[i]->UnRegisterChanges(&links_[i]);
        lists_[i] = list;
        if (list != nullptr) {
            list->RegisterChanges(&links_[i]);
            if (observer_ != nullptr)
                list->FreeNotification(observer_);
        }
        return true;
    }

    TImageListObserver* observer_;

  private:
    static bool InRange(int index) { return index >= 1 && index <= static_cast<int>(N); }

    std::array<TImageList*, N> lists_{};
    std::array<TChangeLink, N> links_;
};

// The image lists of one header's buttons; the lists are not owned.
class TmxButtonImages : public TmxImageListSet<6> {
  public:
    enum Index {
        kNormal = 1,
        kHot = 2,
        kSmall = 3,
        kHotSmall = 4,
        kDisabled = 5,
        kDisabledSmall = 6
    };

    const char* ClassName() const override { return "TmxButtonImages"; }
    void Assign(const TPersistent& source) override;

    TImageList* Normal() const { return GetImageList(kNormal); }
    void SetNormal(TImageList* l) { SetImageList(kNormal, l); }
    TImageList* Hot() const { return GetImageList(kHot); }
    void SetHot(TImageList* l) { SetImageList(kHot, l); }
    TImageList* Small() const { return GetImageList(kSmall); }
    void SetSmall(TImageList* l) { SetImageList(kSmall, l); }
    TImageList* HotSmall() const { return GetImageList(kHotSmall); }
    void SetHotSmall(TImageList* l) { SetImageList(kHotSmall, l); }
    TImageList* Disabled() const { return GetImageList(kDisabled); }
    void SetDisabled(TImageList* l) { SetImageList(kDisabled, l); }
    TImageList* DisabledSmall() const { return GetImageList(kDisabledSmall); }
    void SetDisabledSmall(TImageList* l) { SetImageList(kDisabledSmall, l); }

  protected:
    void AssignTo(TPersistent& dest) const override;
};

// The image lists of header captions. The owner is told when a list it uses is destroyed.
class TmxHeaderImages : public TmxImageListSet<2> {
  public:
    enum Index { kNormal = 1, kHot = 2 };

    explicit TmxHeaderImages(TImageListObserver* owner) : TmxImageListSet(owner) {}

    const char* ClassName() const override { return "TmxHeaderImages"; }
    void Assign(const TPersistent& source) override;

    TImageListObserver* Owner() const { return observer_; }

    TImageList* Normal() const { return GetImageList(kNormal); }
    void SetNormal(TImageList* l) { SetImageList(kNormal, l); }
    TImageList* Hot() const { return GetImageList(kHot); }
    void SetHot(TImageList* l) { SetImageList(kHot, l); }

  protected:
    void AssignTo(TPersistent& dest) const override;
};

// Colours of the XP button look. All five values are always streamed.
class TmxXPColors : public TPersistent {
  public:
    TmxXPColors() { SetDefaults(); }

    const char* ClassName() const override { return "TmxXPColors"; }
    void Assign(const TPersistent& source) override;

    // The values of a new object, without a change notice.
    void SetDefaults();

    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor value);
    TColor Background() const { return background_; }
    void SetBackground(TColor value);
    TColor PressedBackground() const { return pressedBackground_; }
    void SetPressedBackground(TColor value);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor value);
    bool UseShadow() const { return useShadow_; }
    void SetUseShadow(bool value);

    static const std::array<TPropertyDefault, 5> kDefaults;

  protected:
    void AssignTo(TPersistent& dest) const override;

  private:
    TColor borderColor_ = 0;
    TColor background_ = 0;
    TColor pressedBackground_ = 0;
    TColor shadowColor_ = 0;
    bool useShadow_ = false;
};

// Colours of the round button that opens and closes a header.
class TmxStatusButton : public TPersistent {
  public:
    enum Index { kArrowColor = 1, kBackground = 2, kBorderColor = 3 };

    TmxStatusButton() = default;

    const char* ClassName() const override { return "TmxStatusButton"; }
    void Assign(const TPersistent& source) override;

    // clBtnFace for an index outside 1..3.
    TColor GetColor(int index) const;
    // Stores and reports, even an unchanged colour; an index outside 1..3 does nothing.
    void SetColor(int index, TColor value);

    TColor ArrowColor() const { return arrowColor_; }
    void SetArrowColor(TColor v) { SetColor(kArrowColor, v); }
    TColor Background() const { return background_; }
    void SetBackground(TColor v) { SetColor(kBackground, v); }
    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor v) { SetColor(kBorderColor, v); }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);

    static const std::array<TPropertyDefault, 4> kDefaults;

  protected:
    void AssignTo(TPersistent& dest) const override;

  private:
    TColor arrowColor_ = clBlack;
    TColor background_ = clWhite;
    TColor borderColor_ = clGray;
    bool transparent_ = false;
};

enum TmxGlyphPosition { gpTopLeft, gpTopRight, gpBottomLeft, gpBottomRight, gpCenter };

// A picture drawn in a corner (or the middle) of a header body.
class TmxGlyph : public TPersistent {
  public:
    TmxGlyph() = default;

    const char* ClassName() const override { return "TmxGlyph"; }
    void Assign(const TPersistent& source) override;

    TmxGlyphPosition Position() const { return position_; }
    void SetPosition(TmxGlyphPosition value);
    const QImage& Bitmap() const { return bitmap_; }
    // Copies the picture and reports, even the same picture.
    void SetBitmap(const QImage& value);
    // Leaves out the colour of the picture's bottom-left pixel when set.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    bool Drawing() const { return drawing_; }

    // Where the picture's top-left corner goes in r.
    TPoint Origin(const TRect& r) const;

    // Properties with plain values; the picture is streamed on its own.
    static const std::array<TPropertyDefault, 3> kDefaults;

  protected:
    void AssignTo(TPersistent& dest) const override;

  private:
    friend void DrawGlyph(TmxGlyph& glyph, QImage* bitmap, const TRect& r);

    TmxGlyphPosition position_ = gpBottomRight;
    QImage bitmap_;
    bool transparent_ = true;
    bool visible_ = true;
    bool drawing_ = false;
};

// Draws the glyph's picture into bitmap, clipped to r, at the glyph's position.
void DrawGlyph(TmxGlyph& glyph, QImage* bitmap, const TRect& r);

}  // namespace orv
