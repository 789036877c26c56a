// Painting and clicking of a button.
#include "navbar/button.h"

namespace orv {

void TmxButton::Paint(QImage*, TRect& cursor, bool, int) {
    Measure(cursor);
}

void TmxButton::Click() {
    if (enabled_ && OnClick) {
        OnClick(this);
    }
}

}  // namespace orv
