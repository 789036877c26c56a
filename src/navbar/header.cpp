#include "navbar/header.h"

#include <algorithm>

namespace orv {

const std::array<TPropertyDefault, 14> TmxHeader::kDefaults{{
    {"AllowSelected", 0, 0},
    {"BiDiMode", bdLeftToRight, std::nullopt},
    {"Enabled", 1, 1},
    {"FirstButtonTop", 10, std::nullopt},
    {"HeaderState", hsOpened, hsOpened},
    {"ImageIndex", -1, -1},
    {"Margin", 4, 4},
    {"Options",
     HeaderOptions({hoButtonDown, hoDrawCaptionBorder, hoDrawDisabledButton, hoDrawDownButton,
                    hoDrawFocusedButton, hoShowStatusButton, hoUseHighlightFont}),
     std::nullopt},
    {"Tag", 0, 0},
    {"Transparent", 0, 0},
    {"SelectedIndex", -1, -1},
    {"Spacing", 2, 2},
    {"Visible", 1, 1},
    {"Caption", 0, std::nullopt},
}};

TmxHeader::TmxHeader(TmxHeaders* collection)
    : collection_(collection),
      bar_(collection ? collection->Bar() : nullptr),
      buttons_(std::make_unique<TmxButtons>(this)) {
    if (bar_) {
        TmxBarOwner* bar = bar_;
        SetOnChangeParameter([bar](TPersistent*) { bar->InvalidateAll(); });
    }
}

TmxHeader::TmxHeader(TmxBarOwner* bar) : bar_(bar) {}

TmxHeader::~TmxHeader() {
    *alive_ = false;
    if (bar_) {
        bar_->HeaderDeleted(this);
    }
    ClearButtons();
    if (collection_) {
        collection_->Remove(this);
    }
}

void TmxHeader::SetOnChangeParameter(TNotifyEvent handler) {
    images_.SetOnChangeParameter(handler);
    settings_.SetOnChangeParameter(handler);
    background_.SetOnChangeParameter(handler);
    glyph_.SetOnChangeParameter(handler);
    TPersistent::SetOnChangeParameter(std::move(handler));
}

void TmxHeader::SetAllowSelected(bool v) {
    if (allowSelected_ != v) {
        allowSelected_ = v;
        selectedIndex_ = -1;
        Changed();
    }
}

int TmxHeader::HeaderIndex() const {
    return collection_ ? collection_->IndexOf(this) : -1;
}

void TmxHeader::SetHeaderIndex(int value) {
    if (!collection_ || value == HeaderIndex()) {
        return;
    }
    collection_->Move(HeaderIndex(), value);
    if (bar_) {
        bar_->InvalidateAll();
    }
}

void TmxHeader::ClearLayout() {
    captionRect_ = {};
    bodyRect_ = {};
    for (int i = 0; i < GetButtonCount(); ++i) {
        GetButton(i)->ClearLayout();
    }
}

void TmxHeader::SetHeaderState(TmxHeaderState v) {
    if (state_ == v) {
        return;
    }
    state_ = v;
    ClearLayout();
    if (bar_ && bar_->ViewStyle() == vsExplorerBar) {
        Changed();
    }
}

void TmxHeader::SetName(const std::string& v) {
    if (SameText(v, name_)) {
        return;
    }
    if (collection_) {
        for (int i = 0; i < collection_->Count(); ++i) {
            TmxHeader* other = collection_->Items(i);
            if (other != this && SameText(other->name_, v)) {
                throw EDuplicateName("This bar already contains header with name " + v +
                                     "\n\rPlease type another one to continue.");
            }
        }
    }
    name_ = v;
    if (bar_) {
        bar_->InvalidateAll();
    }
}

void TmxHeader::SetSelectedIndex(int value) {
    if (!allowSelected_) {
        value = -1;
    }
    value = std::clamp(value, -1, std::max(-1, GetButtonCount() - 1));
    if (bar_ && !bar_->EachHeaderSelection()) {
        for (int i = 0; i < bar_->HeaderCount(); ++i) {
            bar_->Header(i)->selectedIndex_ = -1;
        }
    }
    if (value != selectedIndex_) {
        selectedIndex_ = value;
        if (bar_) {
            bar_->InvalidateAll();
        }
    }
}

void TmxHeader::SetVisible(bool v) {
    if (visible_ == v) {
        return;
    }
    visible_ = v;
    if (!v && bar_ && bar_->ActiveHeader() == this) {
        bar_->DropActiveHeader();
    }
    Changed();
}

TmxBarSettings& TmxHeader::GetActiveSettings() {
    if (!bar_ || !bar_->CommonStyle() || Has(options_, hoCustomSettings)) {
        return settings_;
    }
    return bar_->BarSettings();
}

int TmxHeader::GetExplorerAddOn() {
    if (bar_ && bar_->ViewStyle() == vsListBar) {
        return 0;
    }
    return GetActiveSettings().ExplorerAddOn();
}

bool TmxHeader::IsEnabled() const {
    return enabled_ && (!bar_ || bar_->IsEnabled());
}

int TmxHeader::GetBodyHeight(int columnWidth) {
    if (state_ == hsClosed || GetButtonCount() == 0) {
        return 0;
    }
    TmxBarSettings& s = GetActiveSettings();
    const int distance = ClampGap(s.Distance());
    TRect cursor{0, firstButtonTop_, ClampCoord(columnWidth), firstButtonTop_};
    bool moved = false;
    for (int i = 0; i < GetButtonCount(); ++i) {
        TmxButton* b = GetButton(i);
        if (!b->Visible()) {
            continue;
        }
        const int before = cursor.Top;
        b->Measure(cursor);
        moved = moved || cursor.Top != before;
    }
    if (!moved) {
        return distance;
    }
    const int pen = ClampGap(s.HeaderPen().Width());
    return ClampCoord(pen < distance ? std::int64_t{cursor.Top} + 2 * std::int64_t{distance}
                                     : std::int64_t{cursor.Top} + 2 * std::int64_t{pen} + 2);
}

TmxButton* TmxHeader::GetButton(int index) const {
    return index >= 0 && index < GetButtonCount() ? buttons_->Items(index) : nullptr;
}

TmxButton* TmxHeader::AddButton() {
    return buttons_ ? buttons_->Add() : nullptr;
}

void TmxHeader::DeleteButton(TmxButton* button) {
    if (bar_ && bar_->AlertButton() == button) {
        bar_->StopAlert();
    }
    delete button;
    // A header scrolled past what is left would show an empty body.
    firstShown_ = std::min(firstShown_, std::max(0, GetButtonCount() - 1));
}

void TmxHeader::ClearButtons() {
    for (int i = GetButtonCount() - 1; i >= 0; --i) {
        DeleteButton(GetButton(i));
    }
}

bool TmxHeader::ScrollUp() {
    if (!CanScrollUp()) {
        return false;
    }
    --firstShown_;
    return true;
}

void TmxHeader::ScrollDown() {
    if (CanScrollDown()) {
        firstShown_ = std::clamp(firstShown_ + 1, 0, std::max(0, GetButtonCount() - 1));
    }
}

TmxButton* TmxHeader::FirstVisibleButton() const {
    for (int i = 0; i < GetButtonCount(); ++i) {
        if (GetButton(i)->Visible()) {
            return GetButton(i);
        }
    }
    return nullptr;
}

TmxButton* TmxHeader::LastVisibleButton() const {
    for (int i = GetButtonCount() - 1; i >= 0; --i) {
        if (GetButton(i)->Visible()) {
            return GetButton(i);
        }
    }
    return nullptr;
}

bool TmxHeader::ContainsCurrentButton() const {
    TmxButton* alert = bar_ ? bar_->AlertButton() : nullptr;
    return alert && alert->Header() == this;
}

void TmxHeader::CheckButton(TmxButton* button) {
    BeginUpdate();
    for (int i = 0; i < GetButtonCount(); ++i) {
        GetButton(i)->SetChecked(false);
    }
    if (button) {
        button->SetChecked(true);
    }
    EndUpdate();
}

void TmxHeader::BeginUpdate() {
    if (bar_) {
        bar_->BeginUpdate();
    }
}

void TmxHeader::EndUpdate() {
    if (bar_) {
        bar_->EndUpdate();
    }
}

void TmxHeader::Assign(const TPersistent& source) {
    const auto* h = dynamic_cast<const TmxHeader*>(&source);
    if (!h) {
        TPersistent::Assign(source);
        return;
    }
    // Copied without a notice each; OnChange tells the end.
    TNotifyEvent notice = OnChangeParameter();
    SetOnChangeParameter(nullptr);
    background_.Assign(h->background_);
    images_.Assign(h->images_);
    biDiMode_ = h->biDiMode_;
    caption_ = h->caption_;
    enabled_ = h->enabled_;
    state_ = h->state_;
    settings_.Assign(h->settings_);
    imageIndex_ = h->imageIndex_;
    margin_ = h->margin_;
    options_ = h->options_;
    transparent_ = h->transparent_;
    spacing_ = h->spacing_;
    visible_ = h->visible_;
    SetOnChangeParameter(std::move(notice));
    if (OnChange) {
        OnChange(this);
    }
}

void TmxHeader::AssignTo(TPersistent& dest) const {
    TPersistent::AssignTo(dest);
}

TmxHeader* TmxHeaders::Add() {
    std::vector<std::string> taken;
    for (const TmxHeader* h : List())
        taken.push_back(h->name_);
    return AddNamed(DefaultName("mxHeader", taken));
}

TmxHeader* TmxHeaders::AddNamed(std::string name) {
    auto* header = new TmxHeader(this);
    header->name_ = std::move(name);
    Append(header);
    return header;
}

}  // namespace orv
