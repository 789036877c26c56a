#include "navbar/graphic_objects.h"

namespace orv {

void TFont::SetFace(const QFont& value) {
    if (face_ != value) {
        face_ = value;
        Changed();
    }
}

void TFont::SetColor(TColor value) {
    if (color_ != value) {
        color_ = value;
        Changed();
    }
}

void TFont::Assign(const TFont& source) {
    face_ = source.face_;
    color_ = source.color_;
    Changed();
}

void TFont::Changed() {
    if (OnChange) {
        OnChange();
    }
}

void TPen::SetColor(TColor value) {
    if (color_ != value) {
        color_ = value;
        Changed();
    }
}

void TPen::SetStyle(TPenStyle value) {
    if (style_ != value) {
        style_ = value;
        Changed();
    }
}

void TPen::SetWidth(int value) {
    if (width_ != value) {
        width_ = value;
        Changed();
    }
}

void TPen::Assign(const TPen& source) {
    color_ = source.color_;
    style_ = source.style_;
    width_ = source.width_;
    Changed();
}

void TPen::Changed() {
    if (OnChange) {
        OnChange();
    }
}

}  // namespace orv
