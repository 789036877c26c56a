// The side bar's mouse: hover, presses and releases against the rectangles the last paint
// stored.
#include <QMouseEvent>
#include <QPointer>

#include "navbar/navigation_bar.h"

namespace orv {

TmxHeader* TmxSideBar::HeaderCaptionAt(const QPoint& p) const {
    TmxHeader* found = nullptr;
    for (int i = 0; i < HeaderCount(); ++i) {
        TmxHeader* h = GetHeader(i);
        if (h->Visible() && h->CaptionRect().Contains(p.x(), p.y())) {
            found = h;
        }
    }
    return found;
}

TmxHeader* TmxSideBar::BodyHeaderAt(const QPoint& p) const {
    for (int i = 0; i < HeaderCount(); ++i) {
        TmxHeader* h = GetHeader(i);
        if (h->Visible() && h->BodyRect().Contains(p.x(), p.y())) {
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
        if (b->Visible() && b->Layout().Button.Contains(p.x(), p.y())) {
            return b;
        }
    }
    return nullptr;
}

bool TmxSideBar::TrackMouse(const QPoint& p) {
    bool changed = false;
    bodyHeader_ = BodyHeaderAt(p);
    TmxButton* button = ButtonAt(p);
    if (button != hotButton_) {
        if (hotButton_ != nullptr) {
            hotButton_->SetMouseState(hbsUp);
            hotButton_->SetPressedLook(false);
        }
        if (button != nullptr) {
            button->SetMouseState(hbsFocused);
        }
        hotButton_ = button;
        changed = true;
    }
    TmxHeader* caption = HeaderCaptionAt(p);
    if (caption != hotHeader_) {
        if (hotHeader_ != nullptr) {
            hotHeader_->SetDrawState(hbsUp);
        }
        if (caption != nullptr) {
            caption->SetDrawState(hbsFocused);
        }
        hotHeader_ = caption;
        changed = true;
    }
    return changed;
}

void TmxSideBar::mouseMoveEvent(QMouseEvent* event) {
    if (DragMoveStarts(event->position().toPoint())) {
        return;
    }
    QWidget::mouseMoveEvent(event);
    if (TrackMouse(event->position().toPoint())) {
        update();
    }
}

void TmxSideBar::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint p = event->position().toPoint();
    DragPress(p, event->modifiers());
    // A press without a move before it still finds what lies under it.
    bool changed = TrackMouse(p);
    if (hotHeader_ != nullptr) {
        hotHeader_->SetDrawState(hbsDown);
        changed = true;
    } else if (hotButton_ != nullptr && hotButton_->Enabled()) {
        hotButton_->SetMouseState(hbsDown);
        hotButton_->SetPressedLook(true);
        changed = true;
    }
    if (changed) {
        update();
    }
}

void TmxSideBar::mouseReleaseEvent(QMouseEvent* event) {
    DragRelease();
    QWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint p = event->position().toPoint();
    if (hotHeader_ != nullptr && hotHeader_->DrawState() == hbsDown) {
        TmxHeader* h = hotHeader_;
        if (HeaderCaptionAt(p) != h) {
            h->SetDrawState(hbsUp);
        } else {
            SetActiveHeader(h);
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
    b->SetPressedLook(false);
    b->SetMouseState(hbsUp);
    update();
    if (ButtonAt(p) != b) {
        return;
    }
    const QPointer<TmxSideBar> alive(this);
    b->ClickFromMouse();
    // The click may have deleted the button (the bar forgot it then) or the bar itself.
    if (alive && hotButton_ != nullptr && hotButton_ == b && ButtonAt(p) == b) {
        b->SetMouseState(hbsFocused);
    }
}

void TmxSideBar::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
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
    if (changed) {
        update();
    }
}

}  // namespace orv
