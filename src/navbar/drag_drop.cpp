// Dragging buttons within and between bars.
#include "navbar/navigation_bar.h"

namespace orv {

void TmxSideBar::DragPress(const QPoint&, Qt::KeyboardModifiers) {}

bool TmxSideBar::DragMoveStarts(const QPoint&) {
    return false;
}

void TmxSideBar::DragRelease() {}

}  // namespace orv
