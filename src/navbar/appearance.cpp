#include "navbar/appearance.h"

namespace orv {

namespace {}  // namespace

// --- TmxBorder

const std::array<TPropertyDefault, 5> TmxBorder::kDefaults = {{
    {"Top", 5, 0},
    {"Bottom", 5, 0},
    {"Left", 5, 0},
    {"Right", 5, 0},
    {"Separator", 5, 0},
}};

std::uint16_t TmxBorder::GetValue(int index) const {
    switch (index) {
        case kTop:
            return top_;
        case kBottom:
            return bottom_;
        case kLeft:
            return left_;
        case kRight:
            return right_;
        case kSeparator:
            return separator_;
        default:
            return 0;
    }
}

void TmxBorder::SetValue(int index, std::uint16_t value) {
    switch (index) {
        case kTop:
            top_ = value;
            break;
        case kBottom:
            bottom_ = value;
            break;
        case kLeft:
            left_ = value;
            break;
        case kRight:
            right_ = value;
            break;
        case kSeparator:
            separator_ = value;
            break;
        default:
            return;
    }
    Changed();
}

void TmxBorder::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TmxBorder*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    left_ = other->left_;
    top_ = other->top_;
    right_ = other->right_;
    bottom_ = other->bottom_;
    separator_ = other->separator_;
    Changed();
}

void TmxBorder::AssignTo(TPersistent& dest) const {
    AssignToSameClass(*this, dest);
}

// --- TmxButtonImages

void TmxButtonImages::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TmxButtonImages*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    // Each change link moves with its list; the owner hears of it once, at the end.
    for (int index = kNormal; index <= kDisabledSmall; ++index) {
        StoreImageList(index, other->GetImageList(index));
    }
    Changed();
}

void TmxButtonImages::AssignTo(TPersistent& dest) const {
    AssignToSameClass(*this, dest);
}

// --- TmxHeaderImages

void TmxHeaderImages::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TmxHeaderImages*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    observer_ = other->observer_;
    StoreImageList(kNormal, other->GetImageList(kNormal));
    StoreImageList(kHot, other->GetImageList(kHot));
    Changed();
}

void TmxHeaderImages::AssignTo(TPersistent& dest) const {
    AssignToSameClass(*this, dest);
}

// --- TmxXPColors

const std::array<TPropertyDefault, 5> TmxXPColors::kDefaults = {{
    {"BorderColor", clNavy, std::nullopt},
    {"Background", 0xD8ACB0, std::nullopt},
    {"PressedBackground", 0xC7879F, std::nullopt},
    {"ShadowColor", clBlack, std::nullopt},
    {"UseShadow", 1, std::nullopt},
}};

void TmxXPColors::SetDefaults() {
    borderColor_ = clNavy;
    background_ = 0xD8ACB0;
    pressedBackground_ = 0xC7879F;
    shadowColor_ = clBlack;
    useShadow_ = true;
}

void TmxXPColors::SetBorderColor(TColor value) {
    SetAndNotify(borderColor_, value);
}

void TmxXPColors::SetBackground(TColor value) {
    SetAndNotify(background_, value);
}

void TmxXPColors::SetPressedBackground(TColor value) {
    SetAndNotify(pressedBackground_, value);
}

void TmxXPColors::SetShadowColor(TColor value) {
    SetAndNotify(shadowColor_, value);
}

void TmxXPColors::SetUseShadow(bool value) {
    SetAndNotify(useShadow_, value);
}

void TmxXPColors::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TmxXPColors*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    borderColor_ = other->borderColor_;
    background_ = other->background_;
    pressedBackground_ = other->pressedBackground_;
    useShadow_ = other->useShadow_;
    shadowColor_ = other->shadowColor_;
    Changed();
}

void TmxXPColors::AssignTo(TPersistent& dest) const {
    AssignToSameClass(*this, dest);
}

// --- TmxStatusButton

const std::array<TPropertyDefault, 4> TmxStatusButton::kDefaults = {{
    {"ArrowColor", clBlack, std::nullopt},
    {"Background", clWhite, std::nullopt},
    {"BorderColor", clGray, std::nullopt},
    {"Transparent", 0, 0},
}};

TColor TmxStatusButton::GetColor(int index) const {
    switch (index) {
        case kArrowColor:
            return arrowColor_;
        case kBackground:
            return background_;
        case kBorderColor:
            return borderColor_;
        default:
            return clBtnFace;
    }
}

void TmxStatusButton::SetColor(int index, TColor value) {
    switch (index) {
        case kArrowColor:
            arrowColor_ = value;
            break;
        case kBackground:
            background_ = value;
            break;
        case kBorderColor:
            borderColor_ = value;
            break;
        default:
            return;
    }
    Changed();
}

void TmxStatusButton::SetTransparent(bool value) {
    SetAndNotify(transparent_, value);
}

void TmxStatusButton::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TmxStatusButton*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    arrowColor_ = other->arrowColor_;
    background_ = other->background_;
    borderColor_ = other->borderColor_;
    transparent_ = other->transparent_;
    Changed();
}

void TmxStatusButton::AssignTo(TPersistent& dest) const {
    AssignToSameClass(*this, dest);
}

// --- TmxGlyph

const std::array<TPropertyDefault, 3> TmxGlyph::kDefaults = {{
    {"Position", gpBottomRight, gpBottomRight},
    {"Transparent", 1, 1},
    {"Visible", 1, 1},
}};

void TmxGlyph::SetPosition(TmxGlyphPosition value) {
    SetAndNotify(position_, value);
}

void TmxGlyph::SetBitmap(const QImage& value) {
    bitmap_ = value;
    Changed();
}

void TmxGlyph::SetTransparent(bool value) {
    SetAndNotify(transparent_, value);
}

void TmxGlyph::SetVisible(bool value) {
    SetAndNotify(visible_, value);
}

void TmxGlyph::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TmxGlyph*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    position_ = other->position_;
    bitmap_ = other->bitmap_;
    transparent_ = other->transparent_;
    visible_ = other->visible_;
    Changed();
}

void TmxGlyph::AssignTo(TPersistent& dest) const {
    AssignToSameClass(*this, dest);
}

TPoint TmxGlyph::Origin(const TRect& r) const {
    // The picture's logical size: one made for double scale covers half its pixels across.
    const int s = ImageScale(bitmap_);
    const int w = (bitmap_.width() + s - 1) / s;
    const int h = (bitmap_.height() + s - 1) / s;
    switch (position_) {
        case gpTopLeft:
            return {r.Left, r.Top};
        case gpTopRight:
            return {r.Right - w, r.Top};
        case gpBottomLeft:
            return {r.Left, r.Bottom - h};
        case gpBottomRight:
            return {r.Right - w, r.Bottom - h};
        case gpCenter:
            // Integer division truncates toward zero, also for a picture wider than r.
            return {r.Left + (r.Width() - w) / 2, r.Top + (r.Height() - h) / 2};
    }
    return {r.Left, r.Top};
}

void DrawGlyph(TmxGlyph& glyph, QImage* bitmap, const TRect& r) {
    if (!glyph.visible_ || glyph.drawing_ || r.Right - r.Left <= 0 || bitmap == nullptr) {
        return;
    }
    glyph.drawing_ = true;
    TCanvas canvas(bitmap);
    canvas.brush.Style = TBrushStyle::Solid;
    canvas.SetClipRect(r);
    const QImage& picture = glyph.bitmap_;
    if (!picture.isNull() && picture.width() > 0 && picture.height() > 0) {
        const TPoint at = glyph.Origin(r);
        std::optional<TColor> transparent;
        if (glyph.transparent_) {
            transparent = PixelToColor(picture.pixel(0, picture.height() - 1));
        }
        canvas.Draw(at.X, at.Y, picture, transparent);
    }
    canvas.ClearClipRect();
    glyph.drawing_ = false;
}

}  // namespace orv
