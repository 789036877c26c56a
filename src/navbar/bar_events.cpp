// Where Qt calls the bar. Each handler runs its body under the guard: whatever a body or a
// handler of the bar's owner throws stops there and is reported. A paint or a drag is no place
// for a box (its event loop would run inside Qt's paint or drag), so those only log.
#include <QDragEnterEvent>
#include <QDropEvent>

#include "common/boundary_guard.h"
#include "navbar/navigation_bar.h"

namespace orv {

void TmxSideBar::paintEvent(QPaintEvent* event) {
    Guarded(
        "TmxSideBar::paintEvent", [&] { HandlePaint(event); }, FaultBox::LogOnly);
}

void TmxSideBar::showEvent(QShowEvent* event) {
    Guarded("TmxSideBar::showEvent", [&] { HandleShow(event); });
}

void TmxSideBar::hideEvent(QHideEvent* event) {
    Guarded("TmxSideBar::hideEvent", [&] { HandleHide(event); });
}

void TmxSideBar::mouseMoveEvent(QMouseEvent* event) {
    Guarded("TmxSideBar::mouseMoveEvent", [&] { HandleMouseMove(event); });
}

void TmxSideBar::mousePressEvent(QMouseEvent* event) {
    Guarded("TmxSideBar::mousePressEvent", [&] { HandleMousePress(event); });
}

void TmxSideBar::mouseReleaseEvent(QMouseEvent* event) {
    Guarded("TmxSideBar::mouseReleaseEvent", [&] { HandleMouseRelease(event); });
}

void TmxSideBar::enterEvent(QEnterEvent* event) {
    Guarded("TmxSideBar::enterEvent", [&] { HandleEnter(event); });
}

void TmxSideBar::leaveEvent(QEvent* event) {
    Guarded("TmxSideBar::leaveEvent", [&] { HandleLeave(event); });
}

void TmxSideBar::dragEnterEvent(QDragEnterEvent* event) {
    if (!Guarded(
            "TmxSideBar::dragEnterEvent", [&] { HandleDragEnter(event); }, FaultBox::LogOnly)) {
        event->ignore();
    }
}

void TmxSideBar::dragMoveEvent(QDragMoveEvent* event) {
    if (!Guarded(
            "TmxSideBar::dragMoveEvent", [&] { HandleDragMove(event); }, FaultBox::LogOnly)) {
        event->ignore();
    }
}

void TmxSideBar::dragLeaveEvent(QDragLeaveEvent* event) {
    Guarded(
        "TmxSideBar::dragLeaveEvent", [&] { HandleDragLeave(event); }, FaultBox::LogOnly);
}

void TmxSideBar::dropEvent(QDropEvent* event) {
    if (!Guarded(
            "TmxSideBar::dropEvent", [&] { HandleDrop(event); }, FaultBox::LogOnly)) {
        event->ignore();
    }
}

void TmxSideBar::wheelEvent(QWheelEvent* event) {
    Guarded("TmxSideBar::wheelEvent", [&] { HandleWheel(event); });
}

void TmxSideBar::keyPressEvent(QKeyEvent* event) {
    Guarded("TmxSideBar::keyPressEvent", [&] { HandleKeyPress(event); });
}

void TmxSideBar::focusInEvent(QFocusEvent* event) {
    Guarded("TmxSideBar::focusInEvent", [&] { HandleFocusIn(event); });
}

void TmxSideBar::focusOutEvent(QFocusEvent* event) {
    Guarded("TmxSideBar::focusOutEvent", [&] { HandleFocusOut(event); });
}

void TmxSideBar::contextMenuEvent(QContextMenuEvent* event) {
    Guarded("TmxSideBar::contextMenuEvent", [&] { HandleContextMenu(event); });
}

void TmxSideBar::timerEvent(QTimerEvent* event) {
    // Three of the timers tick while a drag runs (hover change and the auto scrolls).
    const bool dragging = dragState_ != 0 || dropHeader_ != nullptr;
    Guarded(
        "TmxSideBar::timerEvent", [&] { HandleTimer(event); },
        dragging ? FaultBox::LogOnly : FaultBox::Fits);
}

bool TmxSideBar::event(QEvent* event) {
    bool handled = true;
    Guarded("TmxSideBar::event", [&] { handled = HandleEvent(event); });
    return handled;
}

bool TmxSideBar::eventFilter(QObject* watched, QEvent* event) {
    // A key whose accelerator failed was still taken.
    bool filtered = true;
    Guarded("TmxSideBar::eventFilter", [&] { filtered = HandleEventFilter(watched, event); });
    return filtered;
}

}  // namespace orv
