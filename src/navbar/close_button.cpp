#include "navbar/close_button.h"

namespace orv {

TmxCloseButton::TmxCloseButton(TmxBarOwner* bar)
    : bar_(bar), header_(std::make_unique<TmxHeader>(bar)) {
    header_->SetOptions(HeaderOptions({hoAlwaysFlat, hoCustomSettings}));
    header_->Settings().SetExplorerAddOn(0);
    header_->Settings().SetAlignment(taLeftJustify);
    header_->SetCaption("Favorites");
    header_->SetVisible(false);
}

TmxCloseButton::~TmxCloseButton() = default;

void TmxCloseButton::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TmxCloseButton*>(&source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    // One repaint at the end, also when a copy fails half-way.
    struct Bracket {
        TmxBarOwner* bar;
        explicit Bracket(TmxBarOwner* b) : bar(b) {
            if (bar) {
                bar->BeginUpdate();
            }
        }
        ~Bracket() {
            if (bar) {
                bar->EndUpdate();
            }
        }
        Bracket(const Bracket&) = delete;
        Bracket& operator=(const Bracket&) = delete;
    } bracket(bar_);
    SetCaption(other->Caption());
    SetFont(other->header_->Settings().Font());
    SetHeight(other->Height());
    SetImageIndex(other->ImageIndex());
    SetMargin(other->Margin());
    SetTransparent(other->Transparent());
    SetVisible(other->Visible());
}

int TmxCloseButton::Height() const {
    return header_->Settings().Height();
}

void TmxCloseButton::Repaint() {
    if (bar_) {
        bar_->InvalidateAll();
    }
}

void TmxCloseButton::SetCaption(const std::string& v) {
    if (v != Caption()) {
        header_->SetCaption(v);
        Repaint();
    }
}

void TmxCloseButton::SetFont(const TFont& v) {
    header_->Settings().Font().Assign(v);
    Repaint();
}

void TmxCloseButton::SetHeight(int v) {
    if (v != Height()) {
        header_->Settings().SetHeight(v);
        Repaint();
    }
}

void TmxCloseButton::SetImageIndex(int v) {
    if (v != ImageIndex()) {
        header_->SetImageIndex(v);
        Repaint();
    }
}

void TmxCloseButton::SetMargin(std::uint16_t v) {
    if (v != Margin()) {
        header_->SetMargin(v);
        Repaint();
    }
}

void TmxCloseButton::SetTransparent(bool v) {
    if (v != Transparent()) {
        header_->SetTransparent(v);
        Repaint();
    }
}

void TmxCloseButton::SetVisible(bool v) {
    if (v != Visible()) {
        header_->SetVisible(v);
        Repaint();
    }
}

}  // namespace orv
