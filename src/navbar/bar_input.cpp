// The side bar's mouse: hover, presses and releases against the rectangles the last paint
// stored, the wheel, hints and context menus.
#include <QApplication>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QToolTip>
#include <QWheelEvent>

#include "navbar/caption_editor.h"
#include "navbar/navigation_bar.h"

namespace orv {

namespace {

// One notch of a mouse wheel, in the units of the wheel's angle.
constexpr int kWheelNotch = 120;

bool Over(const TRect& r, const QPoint& p) {
    return r.Contains(p.x(), p.y());
}

// Whether a strip or box lies on the bar now (painting moves a hidden one out of reach).
bool Shown(const TmxScrollArea& area) {
    return !area.Rect.IsEmpty() && area.Rect != kHiddenRect;
}

}  // namespace

Qt::CursorShape CursorShapeOf(int cursor) {
    switch (cursor) {
        case crNone:
            return Qt::BlankCursor;
        case crCross:
            return Qt::CrossCursor;
        case crIBeam:
            return Qt::IBeamCursor;
        case crSizeNESW:
            return Qt::SizeBDiagCursor;
        case crSizeNS:
            return Qt::SizeVerCursor;
        case crSizeNWSE:
            return Qt::SizeFDiagCursor;
        case crSizeWE:
            return Qt::SizeHorCursor;
        case crUpArrow:
            return Qt::UpArrowCursor;
        case crHourGlass:
            return Qt::WaitCursor;
        case crNo:
            return Qt::ForbiddenCursor;
        case crAppStart:
            return Qt::BusyCursor;
        case crHelp:
            return Qt::WhatsThisCursor;
        case crHandPoint:
            return Qt::PointingHandCursor;
        case crSizeAll:
            return Qt::SizeAllCursor;
        default:
            return Qt::ArrowCursor;
    }
}

void TmxSideBar::SetCursor(int v) {
    cursor_ = v;
    ShowCursor(v);
}

void TmxSideBar::ShowCursor(int id) {
    const Qt::CursorShape shape = CursorShapeOf(id);
    if (cursor().shape() != shape) {
        setCursor(shape);
    }
}

void TmxSideBar::InvalidateRect(const TRect& r) {
    if (destroying_ || Updating() || r.IsEmpty()) {
        return;
    }
    update(QRect(r.Left, r.Top, r.Width(), r.Height()));
}

TmxHeader* TmxSideBar::HeaderCaptionAt(const QPoint& p) const {
    TmxHeader* found = nullptr;
    for (int i = 0; i < HeaderCount(); ++i) {
        TmxHeader* h = GetHeader(i);
        if (h->Visible() && Over(h->CaptionRect(), p)) {
            found = h;
        }
    }
    return found;
}

TmxHeader* TmxSideBar::BodyHeaderAt(const QPoint& p) const {
    for (int i = 0; i < HeaderCount(); ++i) {
        TmxHeader* h = GetHeader(i);
        if (h->Visible() && Over(h->BodyRect(), p)) {
            return h;
        }
    }
    return nullptr;
}

TmxButton* TmxSideBar::ButtonAt(const QPoint& p) const {
    TmxHeader* h = BodyHeaderAt(p);
    if (h == nullptr) {
        return nullptr;
    }
    // Buttons scrolled out above the first shown one keep rectangles of an older paint.
    for (int i = h->FirstShown(); i < h->GetButtonCount(); ++i) {
        TmxButton* b = h->GetButton(i);
        if (b->Visible() && Over(b->Layout().Button, p)) {
            return b;
        }
    }
    return nullptr;
}

bool TmxSideBar::TrackMouse(const QPoint& p, bool hitTest) {
    bool changed = false;
    TmxButton* button = nullptr;
    TmxHeader* caption = nullptr;
    if (hitTest) {
        bodyHeader_ = BodyHeaderAt(p);
        button = ButtonAt(p);
        caption = HeaderCaptionAt(p);
        if (bodyHeader_ != nullptr) {
            for (int i = 0; i < bodyHeader_->GetButtonCount(); ++i) {
                TmxButton* other = bodyHeader_->GetButton(i);
                if (other != button && other != hotButton_) {
                    other->SetMouseState(hbsUp);
                }
            }
        }
    }
    // Whatever else turns hot takes the X's look; the X keeps it while the mouse is on it.
    const auto dropX = [&] {
        if (closeButton_.XState != hbsUp && !Over(closeButton_.XRect, p)) {
            closeButton_.XState = hbsUp;
            InvalidateRect(closeButton_.XRect.Inflate(1, 1));
        }
    };
    if (button != hotButton_) {
        if (hotButton_ != nullptr) {
            hotButton_->SetMouseState(hbsUp);
            hotButton_->SetPressedLook(false);
            InvalidateRect(hotButton_->Layout().Button.Inflate(1, 1));
        }
        if (button != nullptr) {
            button->SetMouseState(hbsFocused);
            InvalidateRect(button->Layout().Button.Inflate(1, 1));
        }
        hotButton_ = button;
        dropX();
        changed = true;
    }
    if (caption != hotHeader_) {
        if (hotHeader_ != nullptr) {
            hotHeader_->SetDrawState(hbsUp);
            InvalidateRect(hotHeader_->CaptionRect());
        }
        if (caption != nullptr) {
            caption->SetDrawState(hbsFocused);
            InvalidateRect(caption->CaptionRect());
        }
        hotHeader_ = caption;
        dropX();
        changed = true;
    }
    return changed;
}

void TmxSideBar::HandleMouseMove(QMouseEvent* event) {
    LayOutIfStale();
    const QPoint p = event->position().toPoint();
    if (DragMoveStarts(p)) {
        return;
    }
    QWidget::mouseMoveEvent(event);
    if (inMouseMove_ || inplaceEditor_->Editing()) {
        return;
    }
    inMouseMove_ = true;
    bool hitTest = true;
    if (Over(closeButton_.XRect, p)) {
        // A pressed X stays pressed while the mouse is over it.
        if (closeButton_.XState == hbsUp) {
            closeButton_.XState = hbsFocused;
            InvalidateRect(closeButton_.XRect.Inflate(1, 1));
        }
        hitTest = false;
    } else if (closeButton_.XState != hbsUp) {
        // Off the X a press is given up, as it is on a button.
        closeButton_.XState = hbsUp;
        InvalidateRect(closeButton_.XRect.Inflate(1, 1));
        hitTest = false;
    }
    for (TmxScrollArea* area :
         {&explorerUpArrow_, &explorerDownArrow_, &buttonUpBox_, &buttonDownBox_}) {
        if (Shown(*area) && Over(area->Rect, p)) {
            // A box lies over the body's buttons: none of them is hot under it.
            hitTest = false;
            if (area->State == saNormal) {
                area->State = saHot;
                InvalidateRect(area->Rect);
            }
        } else if (area->State == saHot) {
            area->State = saNormal;
            InvalidateRect(area->Rect);
            hitTest = false;
        }
    }
    TrackMouse(p, hitTest);
    ShowCursor(hotButton_ != nullptr ? hotButton_->Cursor() : cursor_);
    inMouseMove_ = false;
}

void TmxSideBar::HandleMousePress(QMouseEvent* event) {
    LayOutIfStale();
    QWidget::mousePressEvent(event);
    // Every press on the bar is the bar's own: none goes on to the window to move it.
    event->accept();
    if (event->button() != Qt::LeftButton || inplaceEditor_->Editing()) {
        return;
    }
    const QPoint p = event->position().toPoint();
    // OnDragAllowed may delete the bar.
    const QPointer<TmxSideBar> alive(this);
    DragPress(p, event->modifiers());
    if (!alive) {
        return;
    }
    // A press without a move before it still finds what lies under it.
    TrackMouse(p);
    if (Over(closeButton_.XRect, p)) {
        closeButton_.XState = hbsDown;
        InvalidateRect(closeButton_.XRect.Inflate(1, 1));
        return;
    }
    for (TmxScrollArea* strip : {&explorerUpArrow_, &explorerDownArrow_}) {
        if (Shown(*strip) && strip->State != saDisabled && Over(strip->Rect, p)) {
            strip->State = saPressed;
            InvalidateRect(strip->Rect);
            StartBarTimer(btExplorerScroll, autoScrollDelay_);
            return;
        }
    }
    for (TmxScrollArea* box : {&buttonUpBox_, &buttonDownBox_}) {
        if (Shown(*box) && box->State != saDisabled && Over(box->Rect, p)) {
            box->State = saPressed;
            InvalidateRect(box->Rect);
            return;
        }
    }
    if (hotHeader_ != nullptr && Over(hotHeader_->CaptionRect(), p)) {
        hotHeader_->SetDrawState(hbsDown);
        InvalidateRect(hotHeader_->CaptionRect());
    } else if (hotButton_ != nullptr && hotButton_->Enabled() &&
               Over(hotButton_->Layout().Button, p)) {
        hotButton_->SetMouseState(hbsDown);
        hotButton_->SetPressedLook(true);
        InvalidateRect(hotButton_->Layout().Button.Inflate(1, 1));
    }
}

void TmxSideBar::HandleMouseRelease(QMouseEvent* event) {
    LayOutIfStale();
    DragRelease();
    QWidget::mouseReleaseEvent(event);
    KillBarTimer(btExplorerScroll);
    if (event->button() != Qt::LeftButton || inplaceEditor_->Editing()) {
        return;
    }
    const QPoint p = event->position().toPoint();
    if (closeButton_.XState == hbsDown) {
        if (Over(closeButton_.XRect, p)) {
            closeButton_.XState = hbsFocused;
            StartBarTimer(btCloseDelay, 200);
        } else {
            closeButton_.XState = hbsUp;
        }
        InvalidateRect(closeButton_.XRect.Inflate(1, 1));
        return;
    }
    if (explorerUpArrow_.State == saPressed) {
        ScrollExplorerUp();
        explorerUpArrow_.State = saNormal;
        return;
    }
    if (explorerDownArrow_.State == saPressed) {
        ScrollExplorerDown();
        explorerDownArrow_.State = saNormal;
        return;
    }
    for (TmxScrollArea* box : {&buttonUpBox_, &buttonDownBox_}) {
        if (box->State != saPressed) {
            continue;
        }
        if (activeHeader_ != nullptr) {
            if (box == &buttonUpBox_) {
                activeHeader_->ScrollUp();
            } else {
                activeHeader_->ScrollDown();
            }
            InvalidateRect(activeHeader_->BodyRect());
        }
        box->State = saNormal;
        InvalidateRect(buttonUpBox_.Rect);
        InvalidateRect(buttonDownBox_.Rect);
        return;
    }
    if (hotHeader_ != nullptr && hotHeader_->DrawState() == hbsDown) {
        TmxHeader* h = hotHeader_;
        if (!Over(h->CaptionRect(), p)) {
            h->SetDrawState(hbsUp);
        } else {
            const QPointer<TmxSideBar> alive(this);
            SetActiveHeader(h);
            if (!alive) {
                return;
            }
            // A refused switch must not leave the caption pressed.
            if (hotHeader_ == h && h->DrawState() == hbsDown) {
                h->SetDrawState(hbsFocused);
            }
        }
        update();
        return;
    }
    if (hotButton_ == nullptr || hotButton_->MouseState() != hbsDown) {
        return;
    }
    TmxButton* b = hotButton_;
    InvalidateRect(b->Layout().Button.Inflate(1, 1));
    if (ButtonAt(p) != b) {
        b->SetPressedLook(false);
        b->SetMouseState(hbsUp);
        return;
    }
    const QPointer<TmxSideBar> alive(this);
    b->ClickFromMouse();
    // The click may have deleted the button (the bar forgot it then) or the bar itself.
    if (alive && hotButton_ != nullptr && hotButton_ == b && ButtonAt(p) == b) {
        b->SetMouseState(hbsFocused);
    }
}

void TmxSideBar::ResetHot() {
    const bool changed = hotHeader_ != nullptr || bodyHeader_ != nullptr || hotButton_ != nullptr ||
                         closeButton_.XState != hbsUp;
    if (hotHeader_ != nullptr) {
        hotHeader_->SetDrawState(hbsUp);
    }
    if (bodyHeader_ != nullptr) {
        bodyHeader_->SetDrawState(hbsUp);
    }
    if (hotButton_ != nullptr) {
        hotButton_->SetMouseState(hbsUp);
        hotButton_->SetPressedLook(false);
    }
    hotHeader_ = nullptr;
    bodyHeader_ = nullptr;
    hotButton_ = nullptr;
    closeButton_.XState = hbsUp;
    bool areas = false;
    // A strip lit by the mouse would stay lit until it came back.
    for (TmxScrollArea* area :
         {&explorerUpArrow_, &explorerDownArrow_, &buttonUpBox_, &buttonDownBox_}) {
        if (area->State == saHot) {
            area->State = saNormal;
            areas = true;
        }
    }
    ShowCursor(cursor_);
    if (changed || areas) {
        InvalidateAll();
    }
}

void TmxSideBar::HandleEnter(QEnterEvent* event) {
    QWidget::enterEvent(event);
    ResetHot();
    if (!inplaceEditor_->Editing() && Has(options_, boFocusOnMouseEnter) && !hasFocus()) {
        setFocus(Qt::MouseFocusReason);
    }
}

void TmxSideBar::HandleLeave(QEvent* event) {
    QWidget::leaveEvent(event);
    ResetHot();
}

void TmxSideBar::HandleWheel(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (event->modifiers() != Qt::NoModifier || delta == 0) {
        QWidget::wheelEvent(event);
        return;
    }
    event->accept();
    // Touchpads turn in small steps: they add up to a notch, and a turn the other way starts
    // afresh, so a turn up never scrolls down.
    if ((delta > 0) != (wheelRest_ > 0)) {
        wheelRest_ = 0;
    }
    wheelRest_ += delta;
    const int steps = wheelRest_ / kWheelNotch;
    if (steps == 0) {
        return;
    }
    wheelRest_ -= steps * kWheelNotch;
    if (viewStyle_ == vsExplorerBar && explorerMethod_ == emCloseUp) {
        if (steps > 0 && Shown(explorerUpArrow_)) {
            explorerScrollOffset_ = std::max(0, explorerScrollOffset_ - steps * scrollChange_);
        } else if (steps < 0 && Shown(explorerDownArrow_)) {
            explorerScrollOffset_ -= steps * scrollChange_;
        }
    } else if (activeHeader_ != nullptr) {
        if (steps > 0) {
            activeHeader_->ScrollUp();
        } else {
            activeHeader_->ScrollDown();
        }
    }
    InvalidateAll();
}

bool TmxSideBar::HandleEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        if (hotButton_ != nullptr && !hotButton_->Hint().empty()) {
            const TRect& r = hotButton_->Layout().Button;
            const QRect area(r.Left, r.Top, r.Width(), r.Height());
            // The tip stands off the rectangle's corner by a cursor's width; the tip adds the
            // cursor's height itself.
            const QPoint corner = mapToGlobal(area.topLeft()) + QPoint(16, 0);
            QToolTip::showText(corner, QString::fromStdString(hotButton_->Hint()), this, area);
            return true;
        }
    }
    return QWidget::event(event);
}

void TmxSideBar::DoContextPopup(TPersistent* sender, TPoint mousePos, bool& handled) {
    if (OnContextPopup) {
        OnContextPopup(this, sender, mousePos, handled);
    }
}

void TmxSideBar::DoEditorContextPopup(TPoint mousePos, bool& handled) {
    if (OnEditorContextPopup) {
        OnEditorContextPopup(inplaceEditor_.get(), mousePos, handled);
    }
}

void TmxSideBar::HandleContextMenu(QContextMenuEvent* event) {
    ShowContextMenu(event);
}

void TmxSideBar::ShowContextMenu(QContextMenuEvent* event) {
    const QPoint p = event->pos();
    const TPoint at{p.x(), p.y()};
    if (event->reason() == QContextMenuEvent::Mouse && !inplaceEditor_->Editing()) {
        TrackMouse(p);
    }
    const QPointer<TmxSideBar> alive(this);
    // The hook first, then the menu of whoever it asked; a handler may delete what it is
    // given or the bar, so menus are held by QPointer and the bar is checked after each.
    const auto offer = [&](TPersistent* sender, QMenu* menu) {
        const QPointer<QMenu> popup(menu);
        bool handled = false;
        DoContextPopup(sender, at, handled);
        if (!alive) {
            return true;
        }
        if (!handled && popup) {
            popup->popup(event->globalPos());
            handled = true;
        }
        return handled;
    };
    bool handled = false;
    if (hotButton_ != nullptr && Over(hotButton_->Layout().Button, p)) {
        handled = offer(hotButton_, hotButton_->PopupMenu());
    }
    if (!handled && hotHeader_ == nullptr && bodyHeader_ != nullptr &&
        Over(bodyHeader_->BodyRect(), p)) {
        handled = offer(bodyHeader_, bodyHeader_->PopupMenu());
    } else if (!handled && hotHeader_ != nullptr && Over(hotHeader_->CaptionRect(), p)) {
        handled = offer(hotHeader_, hotHeader_->PopupMenu());
    }
    if (!handled) {
        handled = offer(nullptr, popupMenu_);
    }
    if (!alive) {
        return;
    }
    if (handled) {
        event->accept();
    } else {
        QWidget::contextMenuEvent(event);
    }
}

}  // namespace orv
