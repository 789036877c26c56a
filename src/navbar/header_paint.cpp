// Painting of a header: its caption strip and its body with the column of buttons.
#include "navbar/header.h"

namespace orv {

void TmxHeader::DrawCaptionButton(QImage*, TRect& rect, int) {
    rect = rect.Inflate(-1, -1);
}

void TmxHeader::DrawBody(QImage*, const TRect&, int, int) {}

}  // namespace orv
