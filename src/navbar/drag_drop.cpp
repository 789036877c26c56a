// Dragging buttons within and between bars: a press arms the drag of the pressed button, the
// drop side chooses the effect, the drop position and its mark, and a drop moves or copies the
// dragged button; auto-scroll and the header change under a drag run on the drag timers.
#include <QApplication>
#include <QDragEnterEvent>
#include <QIODevice>
#include <QMimeData>
#include <QPointer>
#include <algorithm>
#include <cstdlib>

#include "common/boundary_guard.h"
#include "navbar/caption_editor.h"
#include "navbar/navigation_bar.h"

namespace orv {

namespace {

// Hit rectangles of a drag reach this far past the bar.
constexpr int kFarLeft = -1000;
constexpr int kFarRight = 20000;
constexpr int kFarTop = -10000;
constexpr int kFarBottom = 20000;

// How far the drop mark reaches above and below its button.
constexpr int kMarkAbove = 2;
constexpr int kMarkBelow = 7;

}  // namespace

void TmxSideBar::DragPress(const QPoint& p, Qt::KeyboardModifiers modifiers) {
    // A press while a caption is edited belongs to the edit.
    if (inplaceEditor_ && inplaceEditor_->Editing()) {
        return;
    }
    // The drag later carries this button, whatever the pointer is over when it starts. It is
    // noted before OnDragAllowed runs, so a handler that deletes it leaves nothing behind.
    TmxButton* b = ButtonAt(p);
    pressedButton_ = b;
    // The handler may delete the bar too.
    const QPointer<TmxSideBar> alive(this);
    const bool allowed = b != nullptr && DoDragAllowed(b) && alive && pressedButton_ == b;
    if (!alive) {
        return;
    }
    if (!allowed) {
        pressedButton_ = nullptr;
    }
    mouseDownPoint_ = p;
    if (allowed && !(modifiers & (Qt::ShiftModifier | Qt::ControlModifier))) {
        BeginButtonDrag(false, -1);
    }
}

void TmxSideBar::BeginButtonDrag(bool immediate, int threshold) {
    if (dragState_ != 0) {
        return;
    }
    dragThreshold_ = threshold < 0 ? QApplication::startDragDistance() : threshold;
    if (immediate) {
        StartOleDrag(mouseDownPoint_);
    } else {
        dragState_ = kDragArmed;
    }
}

// The drag starts from the event loop, not from the move: when a window manager holds the
// pointer's events for a moment after a press, X11 reports the release where the pointer went
// next, and Qt delivers a move with the button still held just before that release. A drag
// started inside that move would wait for a release already taken and swallow the next click.
bool TmxSideBar::DragMoveStarts(const QPoint& p) {
    if (!(dragState_ & kDragArmed)) {
        return false;
    }
    if (dragState_ & kDragStarting) {
        return true;
    }
    if (std::abs(p.x() - mouseDownPoint_.x()) < dragThreshold_ &&
        std::abs(p.y() - mouseDownPoint_.y()) < dragThreshold_) {
        return false;
    }
    // The press is no click any more, whichever comes first.
    if (pressedButton_ != nullptr) {
        pressedButton_->SetMouseState(hbsUp);
        pressedButton_->SetPressedLook(false);
        update();
    }
    dragState_ |= kDragStarting;
    const auto start = [this] {
        const bool held = dragState_ & kDragStarting;
        dragState_ &= ~kDragStarting;
        if (held) {
            StartOleDrag(mouseDownPoint_);
        }
    };
    QMetaObject::invokeMethod(this, GuardedSlot("TmxSideBar::StartOleDrag", start),
                              Qt::QueuedConnection);
    return true;
}

void TmxSideBar::DragRelease() {
    dragState_ &= ~(kDragArmed | kDragStarting);
    pressedButton_ = nullptr;
}

void TmxSideBar::StartOleDrag(const QPoint&) {
    TmxButton* b = pressedButton_;
    pressedButton_ = nullptr;
    dragState_ &= ~kDragArmed;
    if (b == nullptr || !dropManager_) {
        return;
    }
    dragSource_ = b;
    b->SetMouseState(hbsUp);
    b->SetPressedLook(false);
    dropHeader_ = nullptr;
    dragState_ |= kDragRunning;
    dropMode_ = dmButton;
    dragInProgress_ = true;
    update();
    const QPointer<TmxSideBar> alive(this);
    const Qt::DropAction effect = dropManager_->DoDragDrop(dropManager_->CreateData());
    if (!alive) {
        return;
    }
    dragInProgress_ = false;
    // A handler during the drag may have deleted the button or its header; the bar forgot it.
    if (effect == Qt::MoveAction && dragSource_ != nullptr && dragSource_->Header() != nullptr) {
        BeginUpdate();
        dragSource_->Header()->DeleteButton(dragSource_);
        EndUpdate();
    }
    dragState_ &= ~kDragRunning;
    dragSource_ = nullptr;
}

bool TmxSideBar::DoDragAllowed(TmxButton* button) {
    bool allowed = true;
    if (OnDragAllowed) {
        OnDragAllowed(this, button, allowed);
    }
    return allowed;
}

Qt::DropActions TmxSideBar::GetDropEffect(TmxSideBar* source, Qt::KeyboardModifiers keys,
                                          Qt::DropActions allowed, const QPoint&) {
    Qt::DropActions result = allowed;
    if (source == this) {
        if (allowed & Qt::MoveAction) {
            result = Qt::MoveAction;
        }
    } else if (allowed & Qt::CopyAction) {
        result = Qt::CopyAction;
    }
    const bool ctrl = keys & Qt::ControlModifier;
    const bool shift = keys & Qt::ShiftModifier;
    if (ctrl && shift) {
        if (allowed & Qt::LinkAction) {
            result = Qt::LinkAction;
        }
    } else if (ctrl) {
        if (allowed & Qt::CopyAction) {
            result = Qt::CopyAction;
        }
    } else if (shift) {
        if (allowed & Qt::MoveAction) {
            result = Qt::MoveAction;
        }
    }
    return result;
}

void TmxSideBar::SettleDragEffect(TmxSideBar* source, Qt::KeyboardModifiers keys,
                                  Qt::DropActions& effect, const QPoint& pt,
                                  const std::function<void(bool& accept)>& ask) {
    bool accept = true;
    effect = GetDropEffect(source, keys, effect, pt);
    // A handler may delete the bar: a target that is gone takes nothing.
    const QPointer<TmxSideBar> alive(this);
    ask(accept);
    if (!alive) {
        effect = Qt::IgnoreAction;
        return;
    }
    dragAccepted_ = accept;
    if (!accept) {
        effect = Qt::IgnoreAction;
    }
}

bool TmxSideBar::OleDragEnter(const QMimeData* data, Qt::KeyboardModifiers keys,
                              Qt::DropActions& effect, const QPoint& pt) {
    try {
        TmxSideBar* source = dropManager_ ? dropManager_->SourceBar() : nullptr;
        SettleDragEffect(source, keys, effect, pt, [&](bool& accept) {
            const QPointer<TmxSideBar> alive(this);
            if (OnDragEnter) {
                OnDragEnter(this, data, source, keys, dsDragEnter, pt, dropMode_, effect, accept);
            }
            if (alive && OnDragOver) {
                OnDragOver(this, source, keys, dsDragEnter, pt, dropMode_, effect, accept);
            }
        });
        return true;
    } catch (...) {
        ReportFault("TmxSideBar::OleDragEnter", std::current_exception(), FaultBox::LogOnly);
        effect = Qt::IgnoreAction;
        return false;
    }
}

bool TmxSideBar::OleDragOver(TmxSideBar* source, Qt::KeyboardModifiers keys,
                             Qt::DropActions& effect, const QPoint& pt, TDragState state) {
    try {
        dragPoint_ = pt;
        TmxButton* target = DropButtonAt(pt);
        const TmxDropMode mode = target != nullptr ? dmButton : dmNowhere;
        if (Has(options_, boAutoChangeHeader)) {
            TmxHeader* h = HeaderAtPoint(pt);
            if (h != nullptr && h != dropHeader_) {
                dropHeader_ = h;
                StartBarTimer(btHoverChange, autoChangeDelay_);
            }
        }
        if (Has(options_, boAutoScroll)) {
            DragScroll(pt);
        }
        if (target != dropButton_) {
            if (dropButton_ != nullptr) {
                InvalidateAll();
            }
            dropButton_ = target;
        }
        dropMode_ = mode;
        if (dropButton_ != nullptr) {
            InvalidateAll();
        }
        SettleDragEffect(source, keys, effect, pt, [&](bool& accept) {
            if (OnDragOver) {
                OnDragOver(this, source, keys, state, pt, dropMode_, effect, accept);
            }
        });
        return true;
    } catch (...) {
        ReportFault("TmxSideBar::OleDragOver", std::current_exception(), FaultBox::LogOnly);
        effect = Qt::IgnoreAction;
        return false;
    }
}

void TmxSideBar::OleDragLeave() {
    if (dropButton_ != nullptr) {
        InvalidateDropMark(dropButton_);
    }
    EndDragOver();
    bool accept = false;
    const QPointer<TmxSideBar> alive(this);
    if (OnDragOver) {
        Qt::DropActions effect = Qt::IgnoreAction;
        try {
            OnDragOver(this, nullptr, Qt::NoModifier, dsDragLeave, QPoint(0, 0), dropMode_, effect,
                       accept);
        } catch (...) {
            ReportFault("TmxSideBar::OleDragLeave", std::current_exception(), FaultBox::LogOnly);
            accept = false;
        }
    }
    if (alive) {
        dragAccepted_ = accept;
    }
}

bool TmxSideBar::OleDrop(const QMimeData* data, Qt::KeyboardModifiers keys, Qt::DropActions& effect,
                         const QPoint& pt) {
    // After a drop no leave follows: the mark and the drag timers end here in every case.
    const auto finish = [this] {
        if (dropButton_ != nullptr) {
            InvalidateDropMark(dropButton_);
        }
        EndDragOver();
    };
    if (effect == Qt::IgnoreAction || data == nullptr) {
        finish();
        return false;
    }
    try {
        QStringList formats;
        std::unique_ptr<TmxEnumFormatEtc> list = TmxDragDropManager::EnumFormatEtc(data);
        list->Reset();
        std::vector<TmxFormatEtc> one;
        while (list->Next(1, &one)) {
        }
        for (const TmxFormatEtc& f : one) {
            formats << f.Format;
        }
        TmxSideBar* source = dropManager_ ? dropManager_->SourceBar() : nullptr;
        effect = GetDropEffect(source, keys, effect, pt);
        bool handled = false;
        if (Has(options_, boInternalDrop)) {
            handled = dropButton_ != nullptr
                          ? InternalDrop(data, dropButton_, dropButton_->DropPosition(), effect)
                          : InternalDrop(data, nullptr, 1, effect);
        }
        bool ok = handled;
        if (!handled && OnDragDrop) {
            // The handler may delete the bar; then there is nothing left to finish.
            const QPointer<TmxSideBar> alive(this);
            OnDragDrop(this, source, data, formats, keys, pt, effect, dropMode_);
            if (!alive) {
                return true;
            }
            ok = true;
        }
        finish();
        return ok;
    } catch (...) {
        ReportFault("TmxSideBar::OleDrop", std::current_exception(), FaultBox::LogOnly);
        effect = Qt::IgnoreAction;
        finish();
        return false;
    }
}

void TmxSideBar::EndDragOver() {
    for (TmxBarTimer id : {btExplorerScroll, btHoverChange, btButtonScroll}) {
        KillBarTimer(id);
    }
    dropButton_ = nullptr;
    dropHeader_ = nullptr;
    dragPoint_.reset();
    for (TmxScrollArea* area :
         {&explorerUpArrow_, &explorerDownArrow_, &buttonUpBox_, &buttonDownBox_}) {
        if (area->State == saPressed) {
            area->State = saNormal;
        }
    }
}

void TmxSideBar::FollowDragPoint() {
    // The platform tells a drop target nothing while the pointer rests (X11 sends positions only
    // when it moves), so the mark would stay on a button that moved away from the pointer, and
    // the drop would land there.
    if (!dragPoint_) {
        return;
    }
    Paint(nullptr);
    TmxButton* target = DropButtonAt(*dragPoint_);
    if (target != nullptr || dropButton_ != nullptr) {
        InvalidateAll();
    }
    dropButton_ = target;
    dropMode_ = target != nullptr ? dmButton : dmNowhere;
}

bool TmxSideBar::InternalDrop(const QMimeData* data, TmxButton* target, int position,
                              Qt::DropActions& effect) {
    if (position == 0) {
        effect = Qt::IgnoreAction;
        return false;
    }
    TmxSideBar* source = TmxDragDropManager::GetSourceBar(data);
    if (source == nullptr) {
        return false;
    }
    BeginUpdate();
    source->BeginUpdate();
    bool result = false;
    try {
        result = MoveDroppedButton(source, data, effect, position, target);
    } catch (...) {
        ReportFault("TmxSideBar::InternalDrop", std::current_exception(), FaultBox::LogOnly);
        effect = Qt::IgnoreAction;
        result = false;
    }
    source->EndUpdate();
    EndUpdate();
    return result;
}

bool TmxSideBar::MoveDroppedButton(TmxSideBar* source, const QMimeData* data,
                                   Qt::DropActions& effect, int position, TmxButton* target) {
    const bool isMove = effect & Qt::MoveAction;
    const bool ok = TmxDragDropManager::QueryGetData(data, QString::fromLatin1(kResourceFormat));
    effect = Qt::IgnoreAction;
    if (!ok) {
        return false;
    }
    BeginUpdate();
    struct Close {
        TmxSideBar* bar;
        ~Close() { bar->EndUpdate(); }
    } close{this};
    // From this bar or another of this process alike: the source still holds the button.
    TmxButton* dragged = source->DragButton();
    if (dragged == nullptr || dragged->Header() == nullptr) {
        return false;
    }
    // The copy takes every property of the dragged button; a move deletes the original at the
    // source once the drag ends.
    const auto insertCopy = [&](TmxHeader* into, int index) {
        TmxButton* copy = into->AddButton();
        copy->CopyFrom(*dragged);
        copy->SetButtonIndex(index);
        if (isMove) {
            effect = Qt::MoveAction;
        }
    };
    if (target != nullptr) {
        const int index = target->ButtonIndex() + (position == 1 ? 0 : 1);
        if (target->Header() != dragged->Header()) {
            insertCopy(target->Header(), index);
        } else if (isMove) {
            dragged->SetButtonIndex(target->ButtonIndex());
        } else {
            insertCopy(target->Header(), index);
        }
        return true;
    }
    if (dropHeader_ != nullptr && dropHeader_->GetButtonCount() == 0) {
        insertCopy(dropHeader_, 0);
        return true;
    }
    return false;
}

TmxButton* TmxSideBar::ButtonAtPoint(const QPoint& p) const {
    const bool closeUp = viewStyle_ == vsExplorerBar && explorerMethod_ == emCloseUp;
    // The buttons the last paint showed; the others keep no rectangle worth testing.
    const auto scan = [&p](TmxHeader* h, bool stretch) -> TmxButton* {
        const int first = std::max(0, h->FirstShown());
        const int last = std::min(h->LastShown(), h->GetButtonCount() - 1);
        TmxButton* firstShown = nullptr;
        TmxButton* lastShown = nullptr;
        for (int i = first; i <= last; ++i) {
            if (h->GetButton(i)->Visible()) {
                firstShown = firstShown ? firstShown : h->GetButton(i);
                lastShown = h->GetButton(i);
            }
        }
        for (int i = first; i <= last; ++i) {
            TmxButton* b = h->GetButton(i);
            if (!b->Visible()) {
                continue;
            }
            TRect r = b->Layout().Button;
            r.Left = kFarLeft;
            r.Right = kFarRight;
            if (stretch && b == firstShown) {
                r.Top = kFarTop;
            }
            if (stretch && b == lastShown) {
                r.Bottom = kFarBottom;
            }
            if (r.Contains(p.x(), p.y())) {
                return b;
            }
        }
        return nullptr;
    };
    if (!closeUp) {
        return activeHeader_ != nullptr ? scan(activeHeader_, true) : nullptr;
    }
    for (int i = 0; i < HeaderCount(); ++i) {
        TmxHeader* h = GetHeader(i);
        if (h->Visible() && h->Opened()) {
            if (TmxButton* b = scan(h, false)) {
                return b;
            }
        }
    }
    return nullptr;
}

TmxButton* TmxSideBar::DropButtonAt(const QPoint& p) const {
    TmxButton* b = ButtonAtPoint(p);
    if (b == nullptr) {
        return nullptr;
    }
    const TRect& r = b->Layout().Button;
    const int mid = r.Top + (r.Bottom - r.Top) / 2;
    std::uint8_t position = 2;
    if (p.y() < mid && b->IsFirstVisible()) {
        position = 1;
    } else if (b->IsLastVisible()) {
        position = 3;
    }
    b->SetDropPosition(position);
    return b;
}

TmxHeader* TmxSideBar::HeaderAtPoint(const QPoint& p) const {
    for (int i = 0; i < HeaderCount(); ++i) {
        TmxHeader* h = GetHeader(i);
        if (h->BodyRect().Contains(p.x(), p.y()) || h->CaptionRect().Contains(p.x(), p.y())) {
            return h;
        }
    }
    return nullptr;
}

void TmxSideBar::DragScroll(const QPoint& pt) {
    const auto track = [&](TmxScrollArea& area, TmxBarTimer timer, unsigned delay) {
        if (area.Rect.Contains(pt.x(), pt.y())) {
            if (area.State != saPressed) {
                area.State = saPressed;
                StartBarTimer(timer, delay);
                InvalidateAll();
            }
        } else if (area.State == saPressed) {
            area.State = saNormal;
            InvalidateAll();
        }
    };
    if (viewStyle_ == vsListBar || explorerMethod_ == emStandard) {
        track(buttonUpBox_, btButtonScroll, autoButtonScrollDelay_);
        track(buttonDownBox_, btButtonScroll, autoButtonScrollDelay_);
    } else {
        track(explorerUpArrow_, btExplorerScroll, autoScrollDelay_);
        track(explorerDownArrow_, btExplorerScroll, autoScrollDelay_);
    }
}

void TmxSideBar::InvalidateDropMark(TmxButton* button) {
    if (updateCount_ > 0 || button == nullptr) {
        return;
    }
    // The mark reaches a little above and below the button.
    const TRect& r = button->Layout().Button;
    update(QRect(r.Left, r.Top - kMarkAbove, r.Width(), r.Height() + kMarkAbove + kMarkBelow));
}

void TmxSideBar::WriteDragData(QIODevice& stream, TmxButton* button) {
    const qint64 start = BeginRecord(stream, kButtonListRecord);
    WriteButtonData(stream, button);
    FixRecordLength(stream, start);
}

void TmxSideBar::WriteButtonData(QIODevice& stream, TmxButton* button) {
    const qint64 start = BeginRecord(stream, kButtonRecord);
    WriteInt32(stream, button->GetHeaderIndex());
    WriteInt32(stream, button->ButtonIndex());
    FixRecordLength(stream, start);
}

void TmxSideBar::DrawDropMark(TCanvas& canvas, const TRect& rect, int position) {
    if (!dragAccepted_ || dropMode_ != dmButton) {
        return;
    }
    const int x1 = rect.Left;
    const int y1 = rect.Top;
    const int x2 = rect.Right;
    const int y2 = rect.Bottom;
    std::vector<TPoint> polygon;
    switch (position) {
        case 1:
            polygon = {{x1 + 5, y1 - 1}, {x2 - 5, y1 - 1}, {x2 - 2, y1 + 5},
                       {x2 - 2, y1 - 2}, {x1 + 2, y1 - 2}, {x1 + 2, y1 + 5}};
            break;
        case 2:
            polygon = {{x1 + 5, y2 + 1}, {x2 - 5, y2 + 1}, {x2 - 2, y2 - 4}, {x2 - 2, y2 + 6},
                       {x2 - 5, y2 + 2}, {x1 + 5, y2 + 2}, {x1 + 2, y2 + 6}, {x1 + 2, y2 - 4}};
            break;
        case 3:
            polygon = {{x1 + 5, y2 + 1}, {x2 - 5, y2 + 1}, {x2 - 2, y2 - 5},
                       {x2 - 2, y2 + 2}, {x1 + 2, y2 + 2}, {x1 + 2, y2 - 5}};
            break;
        default:
            return;
    }
    const TCanvas::Pen pen = canvas.pen;
    const TCanvas::Brush brush = canvas.brush;
    canvas.pen.Style = TPenStyle::Clear;
    canvas.brush = TCanvas::Brush{dropMarkColor_, TBrushStyle::Solid};
    canvas.Polygon(polygon);
    canvas.pen = pen;
    canvas.brush = brush;
}

void TmxSideBar::PaintDropMark(TCanvas& canvas, TmxHeader* header) {
    if (dropButton_ != nullptr && dropButton_->Header() == header) {
        DrawDropMark(canvas, dropButton_->Layout().Button, dropButton_->DropPosition());
    }
}

void TmxSideBar::HandleDragEnter(QDragEnterEvent* event) {
    if (dropManager_) {
        dropManager_->DragEnter(event);
    } else {
        event->ignore();
    }
}

void TmxSideBar::HandleDragMove(QDragMoveEvent* event) {
    if (dropManager_) {
        dropManager_->DragOver(event);
    } else {
        event->ignore();
    }
}

void TmxSideBar::HandleDragLeave(QDragLeaveEvent* event) {
    QWidget::dragLeaveEvent(event);
    if (dropManager_) {
        dropManager_->DragLeave();
    }
}

void TmxSideBar::HandleDrop(QDropEvent* event) {
    if (dropManager_) {
        dropManager_->Drop(event);
    } else {
        event->ignore();
    }
}

}  // namespace orv
