// Layout and painting of the side bar. The layout is computed while painting; the rectangles it
// stores in the headers, the close button and the bar are what the mouse is tested against until
// the next paint.
#include <QPainter>
#include <algorithm>
#include <stdexcept>

#include "common/boundary_guard.h"
#include "navbar/navigation_bar.h"

namespace orv {

namespace {

// Height of the explorer view's scroll strips.
constexpr int kStripHeight = 14;
// Width of the sunken edge of a single border.
constexpr int kClientEdge = 2;
// Where a button box lies while it is not shown.
constexpr TRect kHiddenBox{0, 0, 0, 0};

// A header went missing while the bar painted (a draw handler deleted it).
class EInvalidHeader : public std::runtime_error {
  public:
    EInvalidHeader() : std::runtime_error("Invalid Header") {}
};

// The edge of a scroll strip or box; hot and disabled ones take the normal edge.
unsigned ScrollEdge(TmxScrollAreaState state, bool thin) {
    if (state == saPressed) {
        return thin ? BDR_SUNKENOUTER : EDGE_SUNKEN;
    }
    return thin ? BDR_RAISEDINNER : EDGE_RAISED;
}

// The close X's edge by its state; 0 for none.
unsigned CloseEdge(TmxButtonState state) {
    switch (state) {
        case hbsDown:
            return BDR_SUNKENOUTER;
        case hbsFocused:
            return BDR_RAISEDINNER;
        default:
            return 0;
    }
}

int BevelInset(TBevelCut outer, TBevelCut inner, int width) {
    return (outer != bvNone ? width : 0) + (inner != bvNone ? width : 0);
}

// The height a header's caption takes in the layout, held to the coordinate range.
std::int64_t CaptionExtent(TmxHeader& h) {
    return ClampCoord(std::int64_t{ClampCoord(h.GetCaptionHeight())} + h.GetExplorerAddOn());
}

}  // namespace

std::pair<TColor, TColor> TmxSideBar::BevelColors(TBevelCut cut) {
    if (cut == bvLowered) {
        return {clBtnShadow, clBtnHighlight};
    }
    return {clBtnHighlight, clBtnShadow};
}

void TmxSideBar::HandlePaint(QPaintEvent*) {
    QPainter painter(this);
    Paint(&painter);
}

void TmxSideBar::Paint(QPainter* target) {
    if (Updating() || inPaint_) {
        return;
    }
    inPaint_ = true;
    try {
        // One bitmap per paint, at the screen's whole-number scale so the bar stays crisp. It
        // reaches from the bar's corner to the far corner of what shows, never the whole of a
        // bar larger than its window, and keeps its size from paint to paint, so gradients
        // drawn into it keep their caches. A bar that does not show is laid out without pixels;
        // a picture asked of a hidden one holds the whole of it.
        QRect area;
        if (isVisible()) {
            area = visibleRegion().boundingRect().intersected(rect());
        } else if (target != nullptr) {
            area = rect();
        }
        const int scale = std::max(1, qRound(devicePixelRatioF()));
        QImage bitmap(std::max(1, area.isEmpty() ? 0 : area.right() + 1) * scale,
                      std::max(1, area.isEmpty() ? 0 : area.bottom() + 1) * scale,
                      QImage::Format_RGB32);
        bitmap.setDevicePixelRatio(scale);
        PaintBitmap(&bitmap);
        laidOutSize_ = size();
        if (target != nullptr) {
            target->drawImage(QPoint(0, 0), bitmap);
        }
    } catch (...) {
        // A header deleted by a handler while painting: the deletion has asked for a new paint,
        // which lays out the list as it is now. Nothing of this one reaches the window.
        ReportFault("TmxSideBar::Paint", std::current_exception(), FaultBox::LogOnly);
    }
    inPaint_ = false;
}

void TmxSideBar::LayOutIfStale() {
    if (laidOutSize_ != size()) {
        Paint(nullptr);
    }
}

void TmxSideBar::PaintBitmap(QImage* bitmap) {
    TCanvas canvas(bitmap);
    const TRect whole{0, 0, width(), height()};
    // The window's frame lies outside the client area: a sunken client edge for a single
    // border (the 3-D look of the platform the bar comes from), then BorderWidth pixels.
    const int frame = FrameWidth();
    const TRect client = whole.Inflate(-frame, -frame);
    const int bevel = BevelInset(bevelOuter_, bevelInner_, bevelWidth_);
    const TRect inner = client.Inflate(-bevel, -bevel);
    TRect content = inner;

    // The bar's Color is left alone: painting changes no property.
    canvas.brush.Color = background_.Color();
    canvas.FillRect(whole);
    background_.PaintBackground(bitmap, content);
    if (background_.Style() == btTransparent) {
        CopyParentBackground(bitmap);
    }

    TRect closeRect = kHiddenRect;
    if (closeButton_.Visible()) {
        closeRect = {content.Left, content.Top, content.Right,
                     ClampCoord(std::int64_t{content.Top} + CaptionExtent(closeButton_.Header()))};
        content.Top = closeRect.Bottom;
    }

    const bool closeUp = viewStyle_ == vsExplorerBar && explorerMethod_ == emCloseUp;
    const bool listLayout = !closeUp;
    if (!closeUp) {
        explorerUpArrow_.Rect = kHiddenRect;
    } else if (explorerScrollOffset_ > 0) {
        explorerUpArrow_.Rect = {content.Left, content.Top, content.Right,
                                 content.Top + kStripHeight};
    }

    const bool margins = viewStyle_ == vsExplorerBar || Has(options_, boExplorerBorder);
    if (margins) {
        content.Top += border_.Top();
        content.Bottom -= border_.Bottom();
        content.Left += border_.Left();
        content.Right -= border_.Right();
    }
    int sep = margins ? border_.Separator() : 0;
    if (sep == 0) {
        sep = 1;
    }

    const int active = GetActiveIndex();
    const int count = HeaderCount();
    const int visibleCount = VisibleHeaderCount();
    // The headers after the active one are stacked from the bottom.
    const int stackFrom = active >= 0 ? NextVisibleIndex(active) : -1;
    const bool activeIsLast = active >= 0 && stackFrom == -1;
    const int boxSize = scrollBoxSize_;
    const bool toolBoxBoxes = viewStyle_ == vsListBar && scrollView_ == ssToolBox && autoLayout_;
    const bool normalBoxes =
        listLayout && autoLayout_ &&
        (scrollView_ == ssNormal || (scrollView_ == ssToolBox && viewStyle_ == vsExplorerBar));
    const bool expressBoxes = listLayout && autoLayout_ && scrollView_ == ssExpress;
    const int deletions = headerDeletions_;
    auto header = [&](int index) {
        TmxHeader* h = headerDeletions_ == deletions ? GetHeader(index) : nullptr;
        if (h == nullptr) {
            throw EInvalidHeader();
        }
        return h;
    };
    // Handlers run inside the loop; a header they delete ends this paint.
    auto checkList = [&] {
        if (headerDeletions_ != deletions) {
            throw EInvalidHeader();
        }
    };

    int lastBottom = -100;
    bool firstHeader = true;
    int seen = 0;
    TRect activeBody;
    for (int i = 0; i < count; ++i) {
        TmxHeader* h = header(i);
        if (!h->Visible()) {
            h->SetCaptionRect(kHiddenRect);
            h->SetBodyRect(kHiddenRect);
            continue;
        }
        ++seen;
        if (listLayout && i == stackFrom) {
            std::int64_t captions = 0;
            for (int j = i; j < count; ++j) {
                TmxHeader* below = header(j);
                if (below->Visible() && !Has(below->Options(), hoNoCaption)) {
                    captions += CaptionExtent(*below);
                }
            }
            content.Top = ClampCoord(content.Bottom - captions -
                                     std::int64_t{visibleCount - seen} * (sep - 1));
            activeBody.Bottom = ClampCoord(std::int64_t{content.Top} - sep + 1);
        }

        TRect r{content.Left, content.Top, content.Right,
                ClampCoord(std::int64_t{content.Top} + CaptionExtent(*h))};
        if (toolBoxBoxes) {
            const int boxWidth = ClampCoord(std::int64_t{ClampCoord(h->GetCaptionHeight())} + 2);
            if (i == active) {
                buttonUpBox_.Rect = {r.Right - boxWidth, r.Top, r.Right, r.Bottom};
                r.Right = buttonUpBox_.Rect.Left;
            }
            if (active >= 0 && i == active + 1) {
                buttonDownBox_.Rect = {r.Right - boxWidth, r.Top, r.Right, r.Bottom};
                r.Right = buttonDownBox_.Rect.Left;
            } else if (activeIsLast) {
                const TRect& up = buttonUpBox_.Rect;
                buttonDownBox_.Rect = up.Offset(0, content.Bottom - up.Width() + 2 - up.Top);
            }
        }
        if (i == active && normalBoxes) {
            buttonUpBox_.Rect = {r.Right - 2 - boxSize, r.Bottom + 2, r.Right - 2,
                                 r.Bottom + 2 + boxSize};
            buttonDownBox_.Rect.Left = buttonUpBox_.Rect.Left;
            buttonDownBox_.Rect.Right = buttonUpBox_.Rect.Right;
        }
        if (i == active && expressBoxes) {
            buttonUpBox_.Rect = {r.Left, r.Bottom, r.Right, r.Bottom + boxSize};
            buttonDownBox_.Rect.Left = r.Left;
            buttonDownBox_.Rect.Right = r.Right;
        }
        if (r.Right < r.Left) {
            r.Left = r.Right = -10000;
        }
        if (closeUp && firstHeader) {
            const std::int64_t offset = ClampCoord(explorerScrollOffset_);
            r.Top = ClampCoord(r.Top - offset);
            r.Bottom = ClampCoord(r.Bottom - offset);
        }
        firstHeader = false;
        if (!autoLayout_) {
            r = h->CaptionRect();
        }
        h->SetCaptionRect(r);
        if (r.Top > lastBottom) {
            if (OnDrawHeaderButtons) {
                DoDrawHeaderButtons(canvas, r, active);
            } else {
                h->DrawCaptionButton(bitmap, r, active);
            }
            checkList();
            DoAfterDrawHeaderButtons(canvas, r, active);
            checkList();
        }
        if (!autoLayout_ && i == animatingIndex_) {
            h->DrawBody(bitmap, h->BodyRect(), 0, active);
            checkList();
        }

        if (closeUp) {
            const std::int64_t distance = ClampGap(h->GetActiveSettings().Distance());
            const std::int64_t bodyTop = std::int64_t{r.Bottom} + 1;
            const TRect body{content.Left, ClampCoord(bodyTop), content.Right,
                             ClampCoord(bodyTop + h->GetBodyHeight(content.Width()) - distance)};
            lastBottom = ClampCoord(r.Bottom - distance);
            content.Top = ClampCoord(std::int64_t{body.Bottom} + sep);
            if (h->Opened()) {
                h->SetBodyRect(body);
                h->DrawBody(bitmap, body, explorerScrollOffset_, active);
                checkList();
                PaintDropMark(canvas, h);
                contentOverflow_ = std::int64_t{client.Bottom} < std::int64_t{body.Bottom} + 5;
            } else {
                h->SetBodyRect(TRect{});
                contentOverflow_ = std::int64_t{client.Bottom} < std::int64_t{r.Bottom} + 5;
            }
        } else {
            if (i == active) {
                lastBottom = r.Bottom;
                // The stacking of the headers below moves its bottom up.
                activeBody = {content.Left, r.Bottom + 1, content.Right, content.Bottom};
            } else if (autoLayout_) {
                // Only the active header shows its body in this layout.
                h->SetBodyRect(TRect{});
            }
            content.Top = ClampCoord(std::int64_t{r.Bottom} + sep);
        }
    }

    if (listLayout && activeHeader_ != nullptr) {
        TmxHeader* h = activeHeader_;
        const TRect body = autoLayout_ ? activeBody : h->BodyRect();
        h->SetBodyRect(body);
        h->DrawBody(bitmap, body, explorerScrollOffset_, active);
        checkList();
        PaintDropMark(canvas, h);
        if (normalBoxes) {
            buttonDownBox_.Rect.Bottom = body.Bottom - 2;
            buttonDownBox_.Rect.Top = buttonDownBox_.Rect.Bottom - boxSize;
        } else if (expressBoxes) {
            buttonDownBox_.Rect.Bottom = body.Bottom;
            buttonDownBox_.Rect.Top = body.Bottom - boxSize;
        }
    }

    if (closeButton_.Visible()) {
        DrawCloseHeader(bitmap, canvas, closeRect);
    } else {
        closeButton_.Rect = kHiddenRect;
        closeButton_.XRect = kHiddenRect;
    }

    canvas.brush.Style = TBrushStyle::Solid;
    canvas.brush.Color = clBtnFace;
    if (listLayout) {
        TmxHeader* h = activeHeader_;
        const bool alwaysShown = viewStyle_ == vsListBar && scrollView_ == ssToolBox;
        const auto thin = [&](const TmxScrollArea& box) {
            return flat_ && !(box.State == saHot && Has(options_, boActivateToolBoxScroller));
        };
        const auto follow = [](TmxScrollArea& box, bool canScroll) {
            if (!canScroll) {
                box.State = saDisabled;
            } else if (box.State == saDisabled) {
                box.State = saNormal;
            }
        };
        const bool canUp = h != nullptr && h->CanScrollUp();
        const bool canDown = h != nullptr && h->CanScrollDown();
        follow(buttonUpBox_, canUp);
        follow(buttonDownBox_, canDown);
        // Without an active header there are no buttons to scroll, and no box; the rectangles
        // of an earlier paint must not be drawn again.
        if (h != nullptr && (canUp || alwaysShown)) {
            DrawScrollArea(canvas, buttonUpBox_, thin(buttonUpBox_), true, true);
        } else {
            buttonUpBox_.Rect = kHiddenBox;
        }
        // A down box under the up box is neither shown nor clickable.
        if (h != nullptr && (canDown || alwaysShown) &&
            buttonUpBox_.Rect.Bottom - 1 < buttonDownBox_.Rect.Top) {
            DrawScrollArea(canvas, buttonDownBox_, thin(buttonDownBox_), false, true);
        } else {
            buttonDownBox_.Rect = kHiddenBox;
        }
        explorerDownArrow_.Rect = kHiddenRect;
    } else {
        buttonUpBox_.Rect = kHiddenBox;
        buttonDownBox_.Rect = kHiddenBox;
        explorerDownArrow_.Rect = {inner.Left, inner.Bottom - kStripHeight, inner.Right,
                                   inner.Bottom};
        for (TmxScrollArea* strip : {&explorerUpArrow_, &explorerDownArrow_}) {
            if (!isEnabled()) {
                strip->State = saDisabled;
            } else if (strip->State == saDisabled) {
                strip->State = saNormal;
            }
        }
        const auto thin = [&](const TmxScrollArea& strip) {
            return (flat_ || Has(options_, boAlwaysFlatScroller)) && strip.State != saHot;
        };
        if (explorerScrollOffset_ < 1) {
            explorerUpArrow_.Rect = kHiddenRect;
        } else {
            DrawScrollArea(canvas, explorerUpArrow_, thin(explorerUpArrow_), true, false);
        }
        if (contentOverflow_) {
            DrawScrollArea(canvas, explorerDownArrow_, thin(explorerDownArrow_), false, false);
        } else {
            explorerDownArrow_.Rect = kHiddenRect;
        }
    }

    // A blinking alert shows on the caption of the header that hides the alerting button.
    TmxButton* alert = alertButton_;
    if (alert != nullptr && alert->BlinkOn() && alert != hotButton_ &&
        alert->MouseState() != hbsFocused && alert->MouseState() != hbsDown &&
        !alert->PressedLook()) {
        TmxHeader* holder = alert->Header();
        if (holder != nullptr && holder->Visible() && headers_.IndexOf(holder) >= 0) {
            const bool outOfSight = listLayout ? holder != activeHeader_ : !holder->Opened();
            if (outOfSight) {
                TRect r = holder->CaptionRect();
                if (viewStyle_ == vsExplorerBar) {
                    r.Top += holder->GetExplorerAddOn();
                }
                BlendRectWithColor(bitmap, r, 50, alertColor_);
            }
        }
    }

    canvas.pen = TCanvas::Pen{clBlack, TPenStyle::Solid, 1};
    canvas.brush.Style = TBrushStyle::Clear;
    TRect bevels = client;
    if (bevelOuter_ != bvNone) {
        const auto [topLeft, bottomRight] = BevelColors(bevelOuter_);
        canvas.Frame3D(bevels, topLeft, bottomRight, bevelWidth_);
    }
    if (bevelInner_ != bvNone) {
        const auto [topLeft, bottomRight] = BevelColors(bevelInner_);
        canvas.Frame3D(bevels, topLeft, bottomRight, bevelWidth_);
    }

    if (hasFocus() && Has(options_, hoShowFocusRect)) {
        canvas.DrawFocusRect(inner.Inflate(-1, -1));
    }

    // Drawn last, like a window frame, over whatever the client painting (a transparent
    // background's copy of the parent) put there.
    if (frame > 0) {
        canvas.brush = {background_.Color(), TBrushStyle::Solid};
        const int edge = borderStyle_ == bsSingle ? kClientEdge : 0;
        const TRect ring = whole.Inflate(-edge, -edge);
        for (const TRect& side : {TRect{ring.Left, ring.Top, ring.Right, client.Top},
                                  TRect{ring.Left, client.Bottom, ring.Right, ring.Bottom},
                                  TRect{ring.Left, client.Top, client.Left, client.Bottom},
                                  TRect{client.Right, client.Top, ring.Right, client.Bottom}}) {
            if (!side.IsEmpty()) {
                canvas.FillRect(side);
            }
        }
        if (edge > 0) {
            TRect r = whole;
            canvas.DrawEdge(r, EDGE_SUNKEN, BF_RECT);
        }
    }
}

int TmxSideBar::FrameWidth() const {
    const std::int64_t frame =
        std::int64_t{borderStyle_ == bsSingle ? kClientEdge : 0} + std::max(0, borderWidth_);
    // A frame never takes more than half the bar.
    return static_cast<int>(std::min<std::int64_t>(frame, std::min(width(), height()) / 2));
}

void TmxSideBar::DrawScrollArea(TCanvas& canvas, const TmxScrollArea& area, bool thin, bool up,
                                bool buttonBox) {
    const TRect& r = area.Rect;
    canvas.FillRect(r);
    TRect edge = r;
    canvas.DrawEdge(edge, ScrollEdge(area.State, thin), BF_RECT | BF_SOFT);
    // Only the button boxes have a disabled look: an arrow embossed in highlight and shadow.
    const bool disabled = buttonBox && area.State == saDisabled;
    const int x = r.Left + r.Width() / 2 + (area.State == saPressed ? 1 : 0) + (disabled ? 1 : 0);
    const int y = r.Top + r.Height() / 2;
    canvas.DrawArrow(x, y, up, disabled ? clBtnHighlight : clBlack);
    if (disabled) {
        canvas.DrawArrow(x - 1, y, up, clBtnShadow);
    }
}

void TmxSideBar::DrawCloseHeader(QImage* bitmap, TCanvas& canvas, const TRect& closeRect) {
    TmxHeader& header = closeButton_.Header();
    closeButton_.Rect = closeRect;
    TRect caption = closeRect;
    header.SetCaptionRect(caption);
    header.DrawCaptionButton(bitmap, caption, -1);

    const int height = ClampCoord(header.GetCaptionHeight());
    const TRect x{closeRect.Right - height + 2, closeRect.Top + 2, closeRect.Right - 2,
                  closeRect.Bottom - 2};
    // A caption text that reaches the X hides it, and its click area with it.
    if (header.TextRect().Right > x.Left) {
        closeButton_.XRect = kHiddenRect;
        return;
    }
    closeButton_.XRect = x;
    if (OnDrawCloseButton) {
        DoDrawCloseButton(canvas, x, closeButton_.XState);
        return;
    }
    if (const unsigned edge = CloseEdge(closeButton_.XState)) {
        TRect r = x;
        canvas.DrawEdge(r, edge, BF_RECT);
    }
    const TCanvas::Pen keep = canvas.pen;
    canvas.pen = TCanvas::Pen{clBlack, TPenStyle::Solid, 2};
    canvas.MoveTo(x.Left + 5, x.Top + 5);
    canvas.LineTo(x.Right - 5, x.Bottom - 5);
    canvas.MoveTo(x.Left + 5, x.Bottom - 5);
    canvas.LineTo(x.Right - 5, x.Top + 5);
    canvas.pen = keep;
}

void TmxSideBar::CopyParentBackground(QImage* bitmap) {
    QWidget* parent = parentWidget();
    if (parent == nullptr || bitmap == nullptr || bitmap->isNull()) {
        return;
    }
    // Qt has no windowless controls: every sibling is a widget that paints itself, above or
    // below the bar, so what lies under the bar is the parent's own background and painting.
    // That is rendered into the bitmap without the parent's child widgets.
    QPainter painter(bitmap);
    parent->render(&painter, QPoint(0, 0), QRegion(geometry()), QWidget::DrawWindowBackground);
}

}  // namespace orv
