// Painting and clicking of a button.
#include <QLocale>
#include <QString>
#include <memory>

#include "common/boundary_guard.h"
#include "navbar/background.h"
#include "navbar/button.h"
#include "navbar/header.h"

namespace orv {

namespace {

// The settings a button outside a header paints with.
TmxBarSettings& StandAloneSettings() {
    static TmxBarSettings settings;
    return settings;
}

constexpr int kCheckBoxSize = 13;
// The label moves this far aside for the box.
constexpr int kCheckBoxRoom = 16;
// Weight of the alert colour in a blinking button.
constexpr int kBlinkWeight = 50;

}  // namespace

unsigned ReadingOrderFlags(TBiDiMode mode) {
    if (QLocale().textDirection() != Qt::RightToLeft) {
        return 0;
    }
    unsigned flags = 0;
    if (mode == bdRightToLeft) {
        flags |= DT_RIGHT;
    }
    if (mode != bdLeftToRight) {
        flags |= DT_RTLREADING;
    }
    return flags;
}

unsigned CheckFrameState(TmxButtonKind kind, bool pressedLook, bool checked, TCheckBoxState state) {
    // Columns: pressed and checked, pressed, unchecked, checked, grayed.
    struct Row {
        unsigned pressedChecked, pressed, unchecked, checked, grayed;
    };
    static constexpr Row kCheckBox{DFCS_CHECKED | DFCS_INACTIVE, DFCS_INACTIVE, DFCS_BUTTONCHECK,
                                   DFCS_CHECKED, DFCS_CHECKED | DFCS_INACTIVE};
    static constexpr Row kPush{
        DFCS_BUTTONPUSH | DFCS_CHECKED | DFCS_INACTIVE, DFCS_BUTTONPUSH | DFCS_FLAT,
        DFCS_BUTTONPUSH, DFCS_BUTTONPUSH | DFCS_PUSHED, DFCS_BUTTONPUSH | DFCS_CHECKED | DFCS_FLAT};
    static constexpr Row kRadio{DFCS_BUTTONRADIO | DFCS_CHECKED | DFCS_INACTIVE,
                                DFCS_BUTTONRADIO | DFCS_INACTIVE, DFCS_BUTTONRADIO,
                                DFCS_BUTTONRADIO | DFCS_CHECKED,
                                DFCS_BUTTONRADIO | DFCS_CHECKED | DFCS_INACTIVE};
    const Row& row = kind == bkPushButton ? kPush : kind == bkRadioButton ? kRadio : kCheckBox;
    if (pressedLook) {
        return checked ? row.pressedChecked : row.pressed;
    }
    switch (state) {
        case cbChecked:
            return row.checked;
        case cbGrayed:
            return row.grayed;
        case cbUnchecked:
            break;
    }
    return row.unchecked;
}

TmxButtonState TmxButton::PaintState() const {
    TmxHeader* h = Header();
    if (h && h->SelectedIndex() >= 0 && h->SelectedIndex() == ButtonIndex()) {
        return hbsDown;
    }
    return mouseState_;
}

bool TmxButton::FrameAllowed() const {
    if (kind_ != bkButton) {
        return false;
    }
    TmxHeader* h = Header();
    return enabled_ || (h && Has(h->Options(), hoFocusDisabled));
}

void TmxButton::Paint(QImage* bitmap, TRect& cursor, bool measureOnly, int bottomLimit) {
    if (!visible_) {
        return;
    }
    TRect probe = cursor;
    Measure(probe);  // lays out; the cursor moves below only after painting
    if (!measureOnly && bitmap && layout_.Button.Bottom < bottomLimit) {
        // A paint never throws, whatever a handler does.
        try {
            // A handler that deletes this button ends its paint; nothing of it is touched after.
            const std::shared_ptr<const bool> alive = alive_;
            TCanvas canvas(bitmap);
            if (!transparent_) {
                canvas.brush.Color = color_;
                canvas.FillRect(layout_.Button);
            }
            DoBeforeDrawButton(canvas);
            if (!*alive) {
                return;
            }
            const TmxButtonState state = PaintState();
            if (OnDrawButton) {
                // Called through a copy: a handler that deletes the button deletes the original.
                const TEventDraw handler = OnDrawButton;
                handler(this, canvas, GetActiveView(), state, layout_.Image, layout_.Label);
            } else {
                DoDrawButton(canvas, state);
            }
            if (!*alive) {
                return;
            }
            DoAfterDrawButton(canvas);
            if (!*alive) {
                return;
            }
            TmxHeader* h = Header();
            if (blinkOn_ && state == hbsUp && h && h->Bar()) {
                BlendRectWithColor(bitmap, layout_.Button, kBlinkWeight, h->Bar()->AlertColor());
            }
        } catch (...) {
            ReportFault("TmxButton::Paint", std::current_exception(), FaultBox::LogOnly);
        }
    }
    TmxBarSettings* s = GetActiveSettings();
    cursor.Top = NextCursorTop(cursor.Top, layout_.Button, s ? s->Distance() : 0);
}

void TmxButton::DoBeforeDrawButton(TCanvas& canvas) {
    if (OnBeforeDrawButton) {
        const TEventBeforeDraw handler = OnBeforeDrawButton;
        handler(this, canvas, layout_.Button, layout_.Focus, layout_.Image, layout_.Label);
    }
}

void TmxButton::DoAfterDrawButton(TCanvas& canvas) {
    if (OnAfterDrawButton) {
        const TEventAfterDraw handler = OnAfterDrawButton;
        handler(this, canvas, layout_.Image, layout_.Label);
    }
}

void TmxButton::DoDrawButton(TCanvas& canvas, TmxButtonState state) {
    const bool pressed = state == hbsDown;
    switch (GetActiveView()) {
        case bvBig:
        case bvToolBox:
            DrawEdgeFrame(canvas, state);
            DrawImage(canvas, state);
            DrawLabel(canvas, pressed, false);
            break;
        case bvExplorer:
            DrawImage(canvas, state);
            DrawLabel(canvas, false, pressed || state == hbsFocused);
            break;
        case bvNormal:
            DrawEdgeFrame(canvas, state);
            DrawImage(canvas, state);
            DrawLabel(canvas, false, false);
            break;
        case bvWindows2000:
            DrawXPFrame(canvas, state);
            DrawXPImage(canvas, state);
            DrawLabel(canvas, pressed, false);
            break;
        case bvWindowsXP:
            DrawXPFrame(canvas, state);
            DrawXPImage(canvas, state);
            DrawLabel(canvas, false, false);
            break;
    }
}

void TmxButton::DrawEdgeFrame(TCanvas& canvas, TmxButtonState state) {
    if (!FrameAllowed()) {
        return;
    }
    TRect r = layout_.Focus;
    if (state == hbsDown) {
        canvas.DrawEdge(r, BDR_SUNKENINNER, BF_RECT);
    } else if (state == hbsFocused) {
        canvas.DrawEdge(r, BDR_RAISEDOUTER, BF_RECT);
    }
}

void TmxButton::DrawXPFrame(TCanvas& canvas, TmxButtonState state) {
    if (!FrameAllowed() || (state != hbsDown && state != hbsFocused)) {
        return;
    }
    TmxBarSettings* s = GetActiveSettings();
    const TmxXPColors& colors = (s ? *s : StandAloneSettings()).XPColors();
    const TCanvas::Brush keep = canvas.brush;
    canvas.brush.Color = colors.BorderColor();
    canvas.FrameRect(layout_.Focus);
    canvas.brush.Color = state == hbsDown ? colors.PressedBackground() : colors.Background();
    canvas.FillRect(layout_.Focus.Inflate(-1, -1));
    canvas.brush = keep;
}

void TmxButton::DrawImage(TCanvas& canvas, TmxButtonState state) {
    TImageList* list = GetImageList();
    if (!list || imageIndex_ < 0 || layout_.Image == kHiddenRect) {
        return;
    }
    const int d = state == hbsDown && enabled_ ? 1 : 0;
    list->Draw(canvas, layout_.Image.Left + d, layout_.Image.Top + d, imageIndex_);
}

void TmxButton::DrawXPImage(TCanvas& canvas, TmxButtonState state) {
    TImageList* list = GetImageList();
    if (!list || imageIndex_ < 0 || layout_.Image == kHiddenRect) {
        return;
    }
    const int x = layout_.Image.Left;
    const int y = layout_.Image.Top;
    if (state == hbsDown) {
        list->Draw(canvas, x + 1, y + 1, imageIndex_);
        return;
    }
    TmxBarSettings* s = GetActiveSettings();
    const TmxXPColors& colors = (s ? *s : StandAloneSettings()).XPColors();
    const TCanvas::Brush keep = canvas.brush;
    if (colors.UseShadow()) {
        list->DrawSilhouette(canvas, x + 1, y + 1, imageIndex_, colors.ShadowColor());
    }
    list->Draw(canvas, x, y, imageIndex_);
    canvas.brush = keep;
}

void TmxButton::DrawCheckFrame(TCanvas& canvas) {
    TRect& label = layout_.Label;
    const int top = label.Top + (label.Height() - kCheckBoxSize) / 2;
    TRect box;
    if (alignment_ == taRightJustify) {
        box = {label.Right - kCheckBoxSize, top, label.Right, top + kCheckBoxSize};
        label.Right -= kCheckBoxRoom;
    } else {
        box = {label.Left, top, label.Left + kCheckBoxSize, top + kCheckBoxSize};
        label.Left += kCheckBoxRoom;
    }
    canvas.DrawFrameControl(box, DFC_BUTTON,
                            CheckFrameState(kind_, pressedLook_, checked_, checkState_));
}

void TmxButton::DrawLabel(TCanvas& canvas, bool offset, bool underline) {
    if (kind_ == bkCheckBox || kind_ == bkPushButton || kind_ == bkRadioButton) {
        DrawCheckFrame(canvas);
    }
    if (!enabled_ || kind_ != bkButton) {
        offset = false;
        underline = false;
    }
    const TFont& font = GetLabelFont(kind_ == bkButton);
    canvas.font.Face = font.Face();
    canvas.font.Face.setUnderline(font.Face().underline() || underline);
    canvas.font.Color = font.Color();
    canvas.brush.Style = TBrushStyle::Clear;

    unsigned flags = DT_VCENTER | DT_EXPANDTABS | DT_END_ELLIPSIS;
    if (wordWrap_) {
        flags |= DT_WORDBREAK;
    }
    if (GetActiveStyle() == bsLarge || kind_ == bkLabel) {
        flags |= alignment_ == taRightJustify ? DT_RIGHT
                 : alignment_ == taCenter     ? DT_CENTER
                                              : DT_LEFT;
    }
    if (!showAccelChar_) {
        flags |= DT_NOPREFIX;
    }
    flags |= ReadingOrderFlags(biDiMode_);

    // Nothing, or an accelerator mark with nothing to mark, still takes a line. The lone mark
    // shows itself: taken as a prefix it would only underline the blank.
    QString text = QString::fromStdString(caption_);
    if (caption_.empty()) {
        text += u' ';
    } else if (caption_ == "&" && showAccelChar_) {
        text += u' ';
        flags |= DT_NOPREFIX;
    }

    const TRect& label = layout_.Label;
    TRect measured = label;
    canvas.DrawText(text, measured, flags | DT_CALCRECT);
    const int d = (label.Height() - measured.Height()) / 2;
    TRect r = d > 0 ? TRect{label.Left, measured.Top + d, label.Right, measured.Bottom + d} : label;

    if (enabled_) {
        if (offset) {
            r = r.Offset(1, 1);
        }
        canvas.DrawText(text, r, flags);
    } else {
        TRect lit = r.Offset(1, 1);
        canvas.font.Color = clBtnHighlight;
        canvas.DrawText(text, lit, flags);
        canvas.font.Color = clBtnShadow;
        canvas.DrawText(text, r, flags);
    }
    layout_.Label = {r.Left, r.Top - 4, r.Right, r.Bottom + 4};
}

void TmxButton::Click() {
    if (!enabled_) {
        return;
    }
    TmxHeader* h = Header();
    if (h && h->Bar() && h->Bar()->AlertButton() == this) {
        h->Bar()->StopAlert();
    }
    // A handler may delete this button: it runs from a copy, and nothing of the button is
    // touched after it.
    TNotifyHandler handler = OnClick;
    TBasicAction* action = Action();
    if (handler && action && !(action->OnExecute() == handler)) {
        handler(this);
        return;
    }
    if (actionLink_) {
        actionLink_->Execute();
    } else if (handler) {
        handler(this);
    }
}

void TmxButton::CheckRadio() {
    if (TmxHeader* h = Header()) {
        h->CheckButton(this);
    } else {
        SetChecked(true);
    }
}

void TmxButton::ClickFromMouse() {
    TmxHeader* h = Header();
    if (kind_ == bkRadioButton) {
        CheckRadio();
    } else {
        SetCheckState(ClickToggle(checkState_, allowGrayed_));
    }
    pressedLook_ = false;
    mouseState_ = hbsUp;
    if (h) {
        h->SetSelectedIndex(ButtonIndex());
    }
    Click();
}

void TmxButton::ClickFromAccelerator() {
    if (enabled_) {
        if (kind_ == bkCheckBox || kind_ == bkPushButton) {
            SetCheckState(AccelToggle(checkState_, allowGrayed_));
        } else if (kind_ == bkRadioButton) {
            CheckRadio();
        }
    }
    Click();
}

}  // namespace orv
