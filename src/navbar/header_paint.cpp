// Painting of a header: its caption strip and its body with the column of buttons.
#include <QRegion>
#include <QString>
#include <algorithm>
#include <array>
#include <memory>

#include "common/boundary_guard.h"
#include "navbar/header.h"

namespace orv {

namespace {

// The classic round-rectangle region with 4 x 4 corner ellipses: it covers up to one pixel
// short of x2 and y2, and every corner loses three pixels.
QRegion RoundRectRegion(int x1, int y1, int x2, int y2) {
    const int w = x2 - 1 - x1;
    const int h = y2 - 1 - y1;
    if (w <= 0 || h <= 0) {
        return {};
    }
    QRegion region(x1, y1, w, h);
    const int r = x1 + w - 1;
    const int b = y1 + h - 1;
    const std::array<TPoint, 12> cut{{{x1, y1},
                                      {x1 + 1, y1},
                                      {x1, y1 + 1},
                                      {r, y1},
                                      {r - 1, y1},
                                      {r, y1 + 1},
                                      {x1, b},
                                      {x1 + 1, b},
                                      {x1, b - 1},
                                      {r, b},
                                      {r - 1, b},
                                      {r, b - 1}}};
    for (const TPoint& p : cut) {
        region -= QRegion(p.X, p.Y, 1, 1);
    }
    return region;
}

// Where to run a pen of width w so that, straddling the outline, it stays inside r.
TRect InsidePen(const TRect& r, int w) {
    TRect p = r.Inflate(-(w / 2), -(w / 2));
    if (w % 2 == 0) {
        p.Right += 1;
        p.Bottom += 1;
    }
    return p;
}

// A hollow rectangle along r in the canvas pen; a wide pen straddles the outline, half of it
// outside r, like the classic one.
void HollowRectangle(TCanvas& canvas, const TRect& r) {
    if (canvas.pen.Style == TPenStyle::Clear) {
        return;
    }
    const int w = std::max(1, canvas.pen.Width);
    const int even = w % 2 == 0 ? 1 : 0;
    TRect ring{r.Left - w / 2, r.Top - w / 2, r.Right + w / 2 - even, r.Bottom + w / 2 - even};
    canvas.brush.Style = TBrushStyle::Clear;
    for (int i = 0; i < w && !ring.IsEmpty(); ++i) {
        canvas.Rectangle(ring);
        ring = ring.Inflate(-1, -1);
    }
}

void UsePen(TCanvas& canvas, const TPen& pen) {
    canvas.pen = {pen.Color(), pen.Style(), pen.Width()};
}

bool SamePen(const TPen& a, const TPen& b) {
    return a.Color() == b.Color() && a.Style() == b.Style();
}

// Makes the gradient render afresh at its next draw. Writing a colour drops the cache, and with
// the notice detached meanwhile the paint changes nothing anyone hears of.
void EmptyGradientCache(TmxGradient& gradient) {
    const TPersistent::TNotifyEvent notice = gradient.OnChangeParameter();
    gradient.SetOnChangeParameter(nullptr);
    gradient.SetBeginColor(gradient.BeginColor());
    gradient.SetOnChangeParameter(notice);
}

// Backgrounds draw straight into the image and know nothing of the canvas's clip region; under
// one they draw into a copy of the area, which goes back through the clipped canvas.
template <typename Paint>
void PaintClipped(TCanvas& canvas, QImage* bitmap, const TRect& r, bool clipped, Paint paint) {
    if (!clipped || bitmap == nullptr || bitmap->isNull() || r.IsEmpty()) {
        paint(bitmap, r);
        return;
    }
    // The copy is cut in image pixels and keeps the image's scale, so the painter works in
    // logical pixels on it as on the bitmap.
    const int scale = ImageScale(*bitmap);
    QImage layer =
        bitmap->copy(QRect(r.Left * scale, r.Top * scale, r.Width() * scale, r.Height() * scale));
    layer.setDevicePixelRatio(scale);
    paint(&layer, TRect{0, 0, r.Width(), r.Height()});
    canvas.Draw(r.Left, r.Top, layer);
}

// The two chevrons of the status button, relative to its top-left corner: four lines (end point
// left out) and three single pixels; the second chevron lies 5 pixels below the first.
struct TChevron {
    std::array<std::array<int, 4>, 4> Lines;
    std::array<TPoint, 3> Dots;
};
constexpr TChevron kChevronUp{{{{9, 4, 6, 7}, {7, 7, 9, 5}, {9, 4, 12, 7}, {11, 7, 9, 5}}},
                              {{{9, 5}, {6, 7}, {12, 7}}}};
constexpr TChevron kChevronDown{{{{9, 8, 6, 5}, {7, 5, 9, 7}, {9, 8, 12, 5}, {11, 5, 9, 7}}},
                                {{{9, 7}, {6, 5}, {12, 5}}}};

}  // namespace

TImageList* TmxHeader::CaptionImages() const {
    if (!bar_ || imageIndex_ < 0) {
        return nullptr;
    }
    const TmxHeaderImages& images = bar_->HeaderImages();
    TmxButtonState state = drawState_;
    if (Has(options_, hoShowSelectedImage) && bar_->ActiveHeader() == this) {
        state = hbsFocused;
    }
    // A hot list that lacks the picture shows none, even when the normal list has it.
    if ((state == hbsDown || state == hbsFocused) && images.Hot()) {
        return imageIndex_ < images.Hot()->Count() ? images.Hot() : nullptr;
    }
    TImageList* normal = images.Normal();
    return normal && imageIndex_ < normal->Count() ? normal : nullptr;
}

void TmxHeader::HideCaptionContent() {
    statusRect_ = kHiddenRect;
    textRect_ = {kNotShown, kNotShown, kNotShown, kNotShown};
    picturePos_ = {kNotShown, kNotShown};
}

void TmxHeader::DrawCaptionButton(QImage* bitmap, TRect& rect, int) {
    if (Has(options_, hoNoCaption)) {
        rect = rect.Inflate(1, 1);
        rect.Bottom = rect.Top;
        captionRect_ = rect;
        HideCaptionContent();
        return;
    }
    captionRect_ = rect;
    const bool custom = static_cast<bool>(OnDrawHeaderButton);
    if (!custom) {
        rect = rect.Inflate(-1, -1);
    }
    TCanvas canvas(bitmap);
    // A handler that deletes this header ends its paint; nothing of it is touched after.
    const std::shared_ptr<const bool> alive = alive_;
    try {
        TmxBarSettings& s = GetActiveSettings();
        TRect r = captionRect_;
        r.Top += GetExplorerAddOn();
        canvas.brush = {s.Color(), TBrushStyle::Solid};
        canvas.pen = {clBtnFace, TPenStyle::Solid, 1};
        if (custom) {
            // The handler paints the whole strip; nothing of ours is there to hit.
            HideCaptionContent();
            // Called through a copy: a handler that deletes the header deletes the original.
            const TmxEventDrawHeader handler = OnDrawHeaderButton;
            handler(this, canvas, captionRect_);
            if (!*alive) {
                return;
            }
        } else {
            const bool explorer = !bar_ || bar_->ViewStyle() == vsExplorerBar;
            const bool rounded = Has(options_, hoRoundedHeader) && explorer;
            if (rounded) {
                // Reaching twice as far down leaves only the top corners rounded; a caption at
                // or above the top edge still reaches past its own bottom corners.
                const std::int64_t bottom = r.Bottom;
                canvas.SetClipRegion(
                    RoundRectRegion(r.Left, r.Top, r.Right + 1,
                                    ClampCoord(bottom + std::max<std::int64_t>(bottom, 3))));
            }
            if (!IsEnabled()) {
                drawState_ = hbsDisabled;
            } else if (drawState_ == hbsDisabled) {
                drawState_ = hbsUp;
            }
            const TFont& font = drawState_ == hbsFocused && Has(options_, hoUseHighlightFont)
                                    ? s.HighlightFont()
                                    : s.Font();
            canvas.font.Face = font.Face();
            canvas.font.Color = font.Color();
            bool flat = (bar_ && bar_->Flat()) || Has(options_, hoAlwaysFlat);
            if (drawState_ == hbsFocused && flat) {
                flat = !Has(options_, hoActivateOnSelect);
            }
            const bool pressed = Has(options_, hoButtonDown) && drawState_ == hbsDown;
            if (s.CaptionStyle() == csButtonStyle) {
                if (!transparent_) {
                    canvas.FillRect(r);
                }
                const unsigned edge = flat ? (pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER)
                                           : (pressed ? EDGE_SUNKEN : EDGE_RAISED);
                TRect edged = r;
                canvas.DrawEdge(edged, edge, BF_RECT | BF_SOFT);
            } else {
                TmxButtonBackground* background = &s.ButtonUp();
                if (drawState_ == hbsDown && Has(options_, hoDrawDownButton)) {
                    background = &s.ButtonDown();
                } else if (drawState_ == hbsFocused && Has(options_, hoDrawFocusedButton)) {
                    background = &s.ButtonFocused();
                } else if (drawState_ == hbsDisabled && Has(options_, hoDrawDisabledButton)) {
                    background = &s.ButtonDisabled();
                }
                EmptyGradientCache(background->Gradient());
                PaintClipped(canvas, bitmap, r, rounded,
                             [background](QImage* img, const TRect& at) {
                                 background->PaintBackground(img, at);
                             });
                const int w = s.CaptionPen().Width();
                if (Has(options_, hoDrawCaptionBorder) && w > 0) {
                    UsePen(canvas, s.CaptionPen());
                    r = InsidePen(r, w);
                    HollowRectangle(canvas, r);
                    if (rounded) {
                        const TColor c = canvas.pen.Color;
                        const std::array<TPoint, 6> corners{{{r.Left + 1, r.Top + 2},
                                                             {r.Left + 1, r.Top + 1},
                                                             {r.Left + 2, r.Top + 1},
                                                             {r.Right - 3, r.Top + 1},
                                                             {r.Right - 2, r.Top + 1},
                                                             {r.Right - 2, r.Top + 2}}};
                        for (const TPoint& p : corners) {
                            canvas.SetPixel(p.X, p.Y, c);
                        }
                    }
                }
            }
            pressedOffset_ = pressed ? TPoint{1, 1} : TPoint{0, 0};
            canvas.ClearClipRect();
            DrawCaptionContent(canvas, captionRect_);
            if (!*alive) {
                return;
            }
        }
        DoAfterDrawHeaderButton(canvas, captionRect_);
    } catch (...) {
        // A failing handler ends this caption's paint; the bar's paint goes on.
        ReportFault("TmxHeader::DrawCaptionButton", std::current_exception(), FaultBox::LogOnly);
    }
}

void TmxHeader::LayoutCaption(TCanvas& canvas, const TRect& c) {
    TmxBarSettings& s = GetActiveSettings();
    const int addOn = GetExplorerAddOn();
    TmxGlyphLayout layout = s.Layout();
    const TAlignment alignment = s.Alignment();
    textFlags_ = ReadingOrderFlags(biDiMode_);
    if (textFlags_ & DT_RIGHT) {
        if (layout == glGlyphLeft) {
            layout = glGlyphRight;
        } else if (layout == glGlyphRight) {
            layout = glGlyphLeft;
        }
    }

    int usableRight = c.Right;
    const bool closeUp =
        bar_ && bar_->ViewStyle() == vsExplorerBar && bar_->ExplorerMethod() == emCloseUp;
    if (closeUp && Has(options_, hoShowStatusButton) && c.Height() - addOn > 20 && c.Width() > 22) {
        const int y = c.Top + addOn + (c.Height() - addOn - 18) / 2;
        statusRect_ = {c.Right - 22, y, c.Right - 4, y + 18};
        usableRight = c.Right - 23;
    } else {
        statusRect_ = kHiddenRect;
    }

    const int w = usableRight - c.Left;
    const int h = c.Height();
    pictureWidth_ = 0;
    pictureHeight_ = 0;
    int picTop = kNotShown;
    if (TImageList* list = CaptionImages()) {
        picTop = (h - list->Height() + 1) / 2;
        if (h < picTop + list->Height()) {
            picTop = kNotShown;
        } else {
            pictureWidth_ = list->Width();
            pictureHeight_ = list->Height();
        }
    }
    const bool picture = picTop != kNotShown;
    const int pw = pictureWidth_;
    const int spacing = picture ? spacing_ : 0;

    int picLeft = kNotShown;
    int areaLeft = 0;
    int areaRight = w;
    switch (layout) {
        case glGlyphLeft:
            picLeft = margin_;
            areaLeft = margin_ + pw + spacing;
            break;
        case glGlyphRight:
            picLeft = w - margin_ - pw;
            if (alignment == taRightJustify) {
                areaRight = picLeft - spacing;
            }
            break;
        case glGlyphCenter:
            picLeft = (w - pw + 1) / 2;
            break;
    }
    if (!picture || picLeft < 0 || picLeft + pw > w) {
        picLeft = kNotShown;
    }
    const bool pictureShown = picLeft != kNotShown;

    int tw = 0;
    int th = 0;
    const QString text = QString::fromStdString(caption_);
    if (!text.isEmpty()) {
        TRect measured{0, 0, areaRight - areaLeft - margin_ - spacing, 0};
        canvas.DrawText(text, measured, DT_CALCRECT | DT_END_ELLIPSIS | textFlags_);
        tw = measured.Width();
        th = measured.Height();
    }

    int textLeft = 0;
    switch (alignment) {
        case taLeftJustify:
            textLeft = pictureShown && layout == glGlyphLeft ? pw + picLeft + spacing : margin_;
            break;
        case taRightJustify:
            textLeft =
                pictureShown && layout == glGlyphRight ? picLeft - spacing - tw : w - tw - margin_;
            break;
        case taCenter:
            textLeft = (w - tw + 1) / 2;
            break;
    }
    if (textLeft + tw > w || (alignment == taRightJustify && textLeft < 0)) {
        textLeft = kNotShown;
    }
    int textTop = addOn / 2 + (h - th + 1) / 2;
    if (textTop < 0 || textTop + th > h) {
        textTop = kNotShown;
    }

    auto place = [](int v, int origin, int offset) {
        return v == kNotShown ? kNotShown : origin + v + offset;
    };
    picturePos_ = {place(picLeft, c.Left, pressedOffset_.X),
                   place(pictureShown ? picTop : kNotShown, c.Top, pressedOffset_.Y)};
    const int x = place(textLeft, c.Left, pressedOffset_.X);
    const int y = place(textTop, c.Top, pressedOffset_.Y);
    textRect_ = {x, y, x + tw, y + th};
}

void TmxHeader::DrawCaptionImage(TCanvas& canvas) {
    if (picturePos_.X == kNotShown || picturePos_.Y == kNotShown) {
        return;
    }
    if (TImageList* list = CaptionImages()) {
        list->Draw(canvas, picturePos_.X, picturePos_.Y, imageIndex_);
    }
}

void TmxHeader::DrawCaptionText(TCanvas& canvas) {
    if (caption_.empty() || textRect_.Left == kNotShown || textRect_.Top == kNotShown) {
        return;
    }
    const QString text = QString::fromStdString(caption_);
    const unsigned format = DT_CENTER | DT_VCENTER | DT_END_ELLIPSIS | textFlags_;
    canvas.brush.Style = TBrushStyle::Clear;
    TRect r = textRect_;
    if (drawState_ == hbsDisabled) {
        const TColor keep = canvas.font.Color;
        TRect lit = r.Offset(1, 1);
        canvas.font.Color = clBtnHighlight;
        canvas.DrawText(text, lit, format);
        canvas.font.Color = clBtnShadow;
        canvas.DrawText(text, r, format);
        canvas.font.Color = keep;
        return;
    }
    canvas.DrawText(text, r, format);
}

void TmxHeader::DrawStatusButton(TCanvas& canvas) {
    if (statusRect_ == kHiddenRect) {
        return;
    }
    if (OnDrawStatusButton) {
        const TmxEventDrawStatusButton handler = OnDrawStatusButton;
        handler(this, canvas, statusRect_, state_);
        return;
    }
    const TmxStatusButton& colors = GetActiveSettings().StatusButton();
    canvas.brush = {colors.Background(),
                    colors.Transparent() ? TBrushStyle::Clear : TBrushStyle::Solid};
    canvas.pen = {colors.BorderColor(), TPenStyle::Solid, 2};
    canvas.Ellipse(statusRect_);
    canvas.pen = {colors.ArrowColor(), TPenStyle::Solid, 1};
    const TChevron& chevron = state_ == hsOpened ? kChevronUp : kChevronDown;
    const int x = statusRect_.Left;
    for (const int k : {0, 5}) {
        const int y = statusRect_.Top + k;
        for (const auto& line : chevron.Lines) {
            canvas.MoveTo(x + line[0], y + line[1]);
            canvas.LineTo(x + line[2], y + line[3]);
        }
        for (const TPoint& dot : chevron.Dots) {
            canvas.SetPixel(x + dot.X, y + dot.Y, colors.ArrowColor());
        }
    }
}

void TmxHeader::DrawCaptionContent(TCanvas& canvas, const TRect& c) {
    LayoutCaption(canvas, c);
    DrawCaptionImage(canvas);
    DrawCaptionText(canvas);
    DrawStatusButton(canvas);
}

void TmxHeader::DoAfterDrawHeaderButton(TCanvas& canvas, const TRect& rect) {
    if (OnAfterDrawHeaderButton) {
        const TmxEventDrawHeader handler = OnAfterDrawHeaderButton;
        handler(this, canvas, rect);
    }
}

void TmxHeader::DoAfterDrawHeaderBody(TCanvas& canvas, const TRect& rect) {
    if (OnAfterDrawHeaderBody) {
        const TmxEventDrawHeader handler = OnAfterDrawHeaderBody;
        handler(this, canvas, rect);
    }
}

void TmxHeader::DrawBody(QImage* bitmap, const TRect& rect, int, int) {
    // During a header switch the animation owns the body rectangle.
    const bool autoLayout = !bar_ || bar_->AutoLayout();
    if (autoLayout) {
        bodyRect_ = {};
    }
    if (rect.Bottom < rect.Top || rect.Right - rect.Left <= 0) {
        return;
    }
    if (autoLayout) {
        bodyRect_ = rect;
    }
    TCanvas canvas(bitmap);
    const std::shared_ptr<const bool> alive = alive_;
    try {
        TRect r = rect;
        if (OnDrawHeaderBody) {
            const TmxEventDrawHeader handler = OnDrawHeaderBody;
            handler(this, canvas, r);
            if (!*alive) {
                return;
            }
        } else {
            background_.PaintBackground(bitmap, r);
        }
        DrawGlyph(glyph_, bitmap, r);
        TmxBarSettings& s = GetActiveSettings();
        const int w = s.HeaderPen().Width();
        const bool frameAllowed =
            !bar_ || !Has(bar_->Options(), boHeaderFrame) || bar_->ViewStyle() == vsExplorerBar;
        if (Has(options_, hoDrawBorder) && w > 0 && frameAllowed) {
            UsePen(canvas, s.HeaderPen());
            r = InsidePen(r, w);
            if (s.CaptionStyle() == csCustomDraw && SamePen(s.CaptionPen(), s.HeaderPen())) {
                // One row up, onto the caption's border, so the two make one frame.
                r.Top -= 1;
            }
            HollowRectangle(canvas, r);
        }
        DoAfterDrawHeaderBody(canvas, r);
        if (!*alive) {
            return;
        }
        DrawButtons(bitmap, r);
    } catch (...) {
        // A failing handler ends this body's paint; the bar's paint goes on.
        ReportFault("TmxHeader::DrawBody", std::current_exception(), FaultBox::LogOnly);
    }
}

void TmxHeader::DrawButtons(QImage* bitmap, const TRect& rect) {
    const int count = GetButtonCount();
    // Buttons scrolled off the top keep no rectangle a click could find.
    for (int i = 0; i < std::min(firstShown_, count); ++i) {
        GetButton(i)->Hide();
    }
    const std::shared_ptr<const bool> alive = alive_;
    TRect cursor = rect;
    cursor.Top = ClampCoord(std::int64_t{cursor.Top} + firstButtonTop_);
    lastShown_ = -1;
    bool overflow = false;
    for (int i = firstShown_; i < count; ++i) {
        TmxButton* button = GetButton(i);
        if (!button->Visible()) {
            button->Hide();
            continue;
        }
        if (!overflow) {
            button->Paint(bitmap, cursor, false, rect.Bottom);
            if (!*alive) {
                return;
            }
            if (GetButtonCount() != count) {
                // A handler deleted or added buttons and the rest moved: the deletion has asked
                // for a new paint, which lays out the list as it is now.
                lastShown_ = GetButtonCount() - 1;
                return;
            }
        }
        if (rect.Bottom < cursor.Top) {
            // Counted from the last visible button, so it ends one below that one's index.
            lastShown_ = i - 1;
            button->Hide();
            overflow = true;
        }
    }
    if (lastShown_ == -1) {
        lastShown_ = count - 1;
    }
}

}  // namespace orv
