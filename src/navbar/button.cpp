#include "navbar/button.h"

#include <QString>
#include <algorithm>
#include <atomic>

#include "navbar/header.h"

namespace orv {

namespace {
std::atomic<std::uint64_t> nameComparisons{0};
}  // namespace

int CompareNames(const std::string& a, const std::string& b) {
    nameComparisons.fetch_add(1, std::memory_order_relaxed);
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive);
}

bool SameText(const std::string& a, const std::string& b) {
    return CompareNames(a, b) == 0;
}

std::uint64_t NameComparisons() {
    return nameComparisons.load(std::memory_order_relaxed);
}

std::string DefaultName(const std::string& prefix, const std::vector<std::string>& taken) {
    // The answer is at most one past the number of names; each name can block only the number
    // it ends in, so one comparison per name finds every blocked number.
    const std::size_t limit = taken.size() + 1;
    std::vector<bool> blocked(limit + 1, false);
    for (const std::string& t : taken) {
        std::size_t digits = t.size();
        while (digits > 0 && t[digits - 1] >= '0' && t[digits - 1] <= '9') {
            --digits;
        }
        const std::string number = t.substr(digits);
        if (number.empty() || number[0] == '0' || number.size() > std::to_string(limit).size()) {
            continue;
        }
        const std::size_t n = std::stoul(number);
        if (n <= limit && !blocked[n] && SameText(t, prefix + number)) {
            blocked[n] = true;
        }
    }
    std::size_t n = 1;
    while (blocked[n]) {
        ++n;
    }
    return prefix + std::to_string(n);
}

TmxButtonLayout CalcButtonLayout(const TmxButtonLayoutInput& in) {
    TmxButtonLayout out;
    TRect b = in.Cursor;
    const int w0 = in.Cursor.Width();
    const int l0 = in.Cursor.Left;
    b.Left += 1;
    b.Right -= 1;
    if (in.Kind != bkButton) {
        int w = in.Width;
        if (w0 < in.Width || Has(in.Options, boAutoWidthLabel)) {
            w = w0;
        }
        b = {l0 + 1 + in.Margin, b.Top, l0 + 1 + w - in.Margin, b.Top + in.Height};
        out.Button = b;
        out.Label = b;
        return out;
    }
    b.Left += in.Margin;
    b.Right -= in.Margin;
    const bool wantsPicture = in.HasImageList && in.ImageIndex != -1;
    TRect pic = kHiddenRect;
    if (in.Style == bsLarge) {
        const int bw = in.AutoSize ? in.LargeWidth : std::min(w0, in.Width);
        const int bh = in.AutoSize ? in.LargeHeight : in.Height;
        if (in.HasImageList) {
            const int d = (b.Width() - in.ImageWidth) / 2;
            pic = {b.Left + d, b.Top + in.GlyphTop, b.Right - d,
                   b.Top + in.GlyphTop + in.ImageHeight};
        }
        const bool narrowed = in.View != bvToolBox && in.View != bvWindows2000;
        if (narrowed) {
            const int left = b.Left + (b.Width() - bw) / 2;
            b.Left = left;
            b.Right = left + bw;
        } else {
            pic = pic.Offset(0, 2);
        }
        if (w0 < bw) {
            b.Left = -1000;
            b.Right = -1000;
        } else {
            b.Bottom = b.Top + bh;
        }
        bool shown = wantsPicture;
        switch (in.View) {
            case bvBig:
                shown = shown && b.Width() >= in.ImageWidth && b.Height() >= in.ImageHeight;
                out.Focus = b.Inflate(1, 1);
                break;
            case bvExplorer:
            case bvNormal:
            case bvWindowsXP:
                shown = shown && !(in.ImageWidth >= b.Width() && in.ImageHeight >= b.Height());
                out.Focus = (shown ? pic.Inflate(2, 2) : b).Inflate(1, 1);
                break;
            case bvToolBox:
            case bvWindows2000:
                shown = shown && b.Width() >= in.ImageWidth && b.Height() >= in.ImageHeight - 2;
                out.Focus = b;
                break;
        }
        out.Image = shown ? pic : kHiddenRect;
        const int top = (shown ? pic.Bottom : b.Top) + in.PicLabDistance + 1;
        out.Label = {b.Left + 1, top, b.Right, b.Bottom};
    } else {
        b.Bottom = b.Top + (in.AutoSize ? in.SmallHeight : in.Height);
        const bool edgeViews = in.View != bvToolBox && in.View != bvWindows2000;
        out.Focus = edgeViews ? b.Inflate(1, 1) : b;
        bool shown = false;
        if (wantsPicture) {
            const int top = b.Top + (b.Height() - in.ImageHeight) / 2;
            pic = {b.Left + 4, top, b.Left + 4 + in.ImageWidth, top + in.ImageHeight};
            shown = b.Width() >= in.ImageWidth && b.Height() >= in.ImageHeight;
        }
        if (shown) {
            out.Image = pic;
            if (edgeViews && in.View != bvBig) {
                out.Focus = pic.Inflate(2, 2);
            }
        }
        const int left = (shown ? pic.Right : b.Left) + in.PicLabDistance + 1;
        out.Label = {left, b.Top + 1, b.Right, b.Bottom};
    }
    out.Button = b;
    return out;
}

int NextCursorTop(int cursorTop, const TRect& button, int distance) {
    return cursorTop < button.Bottom ? ClampCoord(std::int64_t{button.Bottom} + ClampGap(distance))
                                     : cursorTop;
}

TCheckBoxState ClickToggle(TCheckBoxState state, bool allowGrayed) {
    if (allowGrayed) {
        return state == cbGrayed ? cbChecked : cbGrayed;
    }
    return state == cbChecked ? cbUnchecked : cbChecked;
}

TCheckBoxState AccelToggle(TCheckBoxState state, bool allowGrayed) {
    if (allowGrayed) {
        return state == cbUnchecked ? cbChecked : state == cbChecked ? cbGrayed : cbUnchecked;
    }
    return state == cbChecked ? cbUnchecked : cbChecked;
}

const std::array<TPropertyDefault, 27> TmxButton::kDefaults{{
    {"AutoSize", 1, std::nullopt},
    {"Alignment", taCenter, taCenter},
    {"AllowGrayed", 0, std::nullopt},
    {"ButtonKind", bkButton, bkButton},
    {"ButtonStyle", bsLarge, std::nullopt},
    {"ButtonView", bvNormal, std::nullopt},
    {"BiDiMode", bdLeftToRight, std::nullopt},
    {"Checked", 0, std::nullopt},
    {"Color", clBtnFace, std::nullopt},
    {"Cursor", 0, 0},
    {"CheckState", cbUnchecked, std::nullopt},
    {"Enabled", 1, std::nullopt},
    {"HelpContext", 0, std::nullopt},
    {"Height", 20, 20},
    {"ImageIndex", -1, std::nullopt},
    {"Margin", 4, 4},
    {"ShowAccelChar", 1, 1},
    {"ParentBiDiMode", 1, 1},
    {"Tag", 0, 0},
    {"Transparent", 1, std::nullopt},
    {"Options", ButtonOptions({boAutoWidthLabel, boUnderlineFont}), std::nullopt},
    {"Visible", 1, std::nullopt},
    {"Width", 20, 20},
    {"WordWrap", 0, 0},
    {"Caption", 0, std::nullopt},
    {"Hint", 0, std::nullopt},
    {"UserString", 0, std::nullopt},
}};

TmxButton::TmxButton(TmxButtons* collection) : collection_(collection) {}

TmxButton::~TmxButton() {
    *alive_ = false;
    if (TmxHeader* h = Header(); h && h->Bar()) {
        h->Bar()->ButtonDeleted(this);
    }
    if (collection_) {
        collection_->Remove(this);
    }
}

TmxHeader* TmxButton::Header() const {
    return collection_ ? collection_->Header() : nullptr;
}

int TmxButton::ButtonIndex() const {
    return collection_ ? collection_->IndexOf(this) : -1;
}

void TmxButton::SetButtonIndex(int value) {
    if (!collection_ || value == ButtonIndex()) {
        return;
    }
    collection_->Move(ButtonIndex(), value);
    Changed();
}

void TmxButton::SetBiDiMode(TBiDiMode v) {
    parentBiDiMode_ = false;
    Set(biDiMode_, v);
}

void TmxButton::SetChecked(bool v) {
    if (checked_ == v) {
        return;
    }
    checked_ = v;
    checkState_ = v ? cbChecked : cbUnchecked;
    Changed();
}

void TmxButton::SetCheckState(TCheckBoxState v) {
    if (checkState_ == v) {
        return;
    }
    checkState_ = v;
    if (v != cbGrayed) {
        checked_ = v == cbChecked;
    }
    Changed();
}

void TmxButton::SetColor(TColor v) {
    if (color_ != v) {
        color_ = v;
        if (!transparent_) {
            Changed();
        }
    }
}

void TmxButton::SetFont(const TFont& v) {
    font_.Assign(v);
    Changed();
}

void TmxButton::SetHighlightFont(const TFont& v) {
    highlightFont_.Assign(v);
    Changed();
}

void TmxButton::SetHeight(int v) {
    if (height_ != v) {
        height_ = v;
        if (!autoSize_) {
            Changed();
        }
    }
}

void TmxButton::SetWidth(int v) {
    if (width_ != v) {
        width_ = v;
        if (!autoSize_) {
            Changed();
        }
    }
}

void TmxButton::SetName(const std::string& v) {
    if (SameText(v, name_)) {
        return;
    }
    if (collection_) {
        for (int i = 0; i < collection_->Count(); ++i) {
            TmxButton* other = collection_->Items(i);
            if (other != this && SameText(other->name_, v)) {
                throw EDuplicateName("This header already contains button with name " + v +
                                     "\n\rPlease type another one to continue.");
            }
        }
    }
    name_ = v;
}

TmxBarSettings* TmxButton::GetActiveSettings() const {
    TmxHeader* h = Header();
    return h ? &h->GetActiveSettings() : nullptr;
}

TmxButtonStyle TmxButton::GetActiveStyle() const {
    if (Has(options_, boCustomStyle) || !GetActiveSettings()) {
        return style_;
    }
    return GetActiveSettings()->ButtonStyle();
}

TmxButtonView TmxButton::GetActiveView() const {
    if (Has(options_, boCustomView) || !GetActiveSettings()) {
        return view_;
    }
    return GetActiveSettings()->ButtonView();
}

TImageList* TmxButton::GetImageList() const {
    TmxHeader* h = Header();
    if (!h) {
        return nullptr;
    }
    const TmxButtonImages& images = h->Images();
    const bool large = GetActiveStyle() == bsLarge;
    TImageList* normal = large ? images.Normal() : images.Small();
    TImageList* hot = large ? images.Hot() : images.HotSmall();
    TImageList* disabled = large ? images.Disabled() : images.DisabledSmall();
    const TmxButtonState state = enabled_ ? mouseState_ : hbsDisabled;
    auto within = [this](TImageList* l) { return imageIndex_ <= l->Count() - 1 ? l : nullptr; };
    if ((state == hbsDown || state == hbsFocused) && hot) {
        return within(hot);
    }
    if (state == hbsDisabled && disabled) {
        return within(disabled);
    }
    return normal ? within(normal) : nullptr;
}

TFont& TmxButton::GetLabelFont(bool highlightAllowed) {
    const bool highlight = mouseState_ != hbsUp && highlightAllowed;
    TmxBarSettings* s = GetActiveSettings();
    if (Has(options_, boCustomFont) || !s) {
        return highlight ? highlightFont_ : font_;
    }
    return highlight ? s->ButtonHighlightFont() : s->ButtonFont();
}

int TmxButton::GetHeaderIndex() const {
    TmxHeader* h = Header();
    return h ? h->HeaderIndex() : -1;
}

bool TmxButton::IsFirstVisible() const {
    TmxHeader* h = Header();
    return h && h->FirstVisibleButton() == this;
}

bool TmxButton::IsLastVisible() const {
    TmxHeader* h = Header();
    return h && h->LastVisibleButton() == this;
}

void TmxButton::Measure(TRect& cursor) {
    if (!visible_) {
        return;
    }
    // Every value the layout adds up is held to the coordinate range, so no sum overflows.
    TmxButtonLayoutInput in;
    in.Cursor = {ClampCoord(cursor.Left), ClampCoord(cursor.Top), ClampCoord(cursor.Right),
                 ClampCoord(cursor.Bottom)};
    in.Kind = kind_;
    in.Style = GetActiveStyle();
    in.View = GetActiveView();
    in.Options = options_;
    in.AutoSize = autoSize_;
    in.Width = ClampCoord(width_);
    in.Height = ClampCoord(height_);
    in.Margin = ClampCoord(margin_);
    in.ImageIndex = imageIndex_;
    if (TImageList* list = GetImageList()) {
        in.HasImageList = true;
        in.ImageWidth = ClampCoord(list->Width());
        in.ImageHeight = ClampCoord(list->Height());
    }
    int distance = 0;
    if (TmxBarSettings* s = GetActiveSettings()) {
        in.LargeWidth = ClampCoord(s->LargeWidth());
        in.LargeHeight = ClampCoord(s->LargeHeight());
        in.SmallHeight = ClampCoord(s->SmallHeight());
        in.GlyphTop = ClampCoord(s->GlyphTop());
        in.PicLabDistance = ClampCoord(s->PicLabDistance());
        distance = s->Distance();
    }
    layout_ = CalcButtonLayout(in);
    cursor.Top = NextCursorTop(cursor.Top, layout_.Button, distance);
}

void TmxButton::Hide() {
    layout_ = {kHiddenRect, kHiddenRect, kHiddenRect, kHiddenRect};
}

void TmxButton::ClearLayout() {
    layout_ = {TRect{}, TRect{}, TRect{}, TRect{}};
}

void TmxButton::Assign(const TPersistent& source) {
    const auto* b = dynamic_cast<const TmxButton*>(&source);
    if (!b) {
        TPersistent::Assign(source);
        return;
    }
    SetAction(b->Action());
    SetAlignment(b->alignment_);
    SetAutoSize(b->autoSize_);
    SetBiDiMode(b->biDiMode_);
    SetButtonStyle(b->style_);
    SetButtonView(b->view_);
    SetCaption(b->caption_);
    SetColor(b->color_);
    SetCursor(b->cursor_);
    SetEnabled(b->enabled_);
    SetFont(b->font_);
    SetHeight(b->height_);
    SetHelpContext(b->helpContext_);
    SetHighlightFont(b->highlightFont_);
    SetHint(b->hint_);
    SetImageIndex(b->imageIndex_);
    SetOptions(b->options_);
    SetParentBiDiMode(b->parentBiDiMode_);
    SetShowAccelChar(b->showAccelChar_);
    SetTag(b->tag_);
    SetTransparent(b->transparent_);
    SetVisible(b->visible_);
    SetWidth(b->width_);
    SetWordWrap(b->wordWrap_);
    OnAfterDrawButton = b->OnAfterDrawButton;
    OnBeforeDrawButton = b->OnBeforeDrawButton;
    OnClick = b->OnClick;
    OnDrawButton = b->OnDrawButton;
    Changed();
}

void TmxButton::CopyFrom(const TmxButton& source) {
    Assign(source);
    SetAllowGrayed(source.allowGrayed_);
    SetButtonKind(source.kind_);
    SetChecked(source.checked_);
    SetCheckState(source.checkState_);
    SetMargin(source.margin_);
    SetUserString(source.userString_);
    SetPopupMenu(source.PopupMenu());
    try {
        SetName(source.name_);
    } catch (const EDuplicateName&) {
        // A sibling has the name: the button keeps the one it was given.
    }
}

void TmxButton::AssignTo(TPersistent& dest) const {
    TPersistent::AssignTo(dest);
}

std::unique_ptr<TmxButtonActionLink> TmxButton::CreateActionLink() {
    return std::make_unique<TmxButtonActionLink>(this);
}

TBasicAction* TmxButton::Action() const {
    return actionLink_ ? actionLink_->Action() : nullptr;
}

void TmxButton::SetAction(TBasicAction* action) {
    if (!action) {
        actionLink_.reset();
        return;
    }
    if (!actionLink_) {
        actionLink_ = CreateActionLink();
    }
    actionLink_->SetAction(action);
    actionLink_->OnChange = [this](TBasicAction* sender) {
        if (sender == Action()) {
            ActionChange(sender, false);
        }
    };
    // Values read from a stored form win over the action's until the bar has loaded.
    TmxHeader* h = Header();
    const bool checkDefaults = h && h->Bar() && !h->Bar()->IsLoaded();
    ActionChange(action, checkDefaults);
}

void TmxButton::ActionChange(TBasicAction* sender, bool checkDefaults) {
    auto* a = dynamic_cast<TCustomAction*>(sender);
    if (!a) {
        return;
    }
    if (!checkDefaults || caption_.empty() || caption_ == name_) {
        SetCaption(a->Caption());
    }
    if (!checkDefaults || enabled_) {
        SetEnabled(a->Enabled());
    }
    if (!checkDefaults || helpContext_ == 0) {
        SetHelpContext(a->HelpContext());
    }
    if (!checkDefaults || hint_.empty()) {
        SetHint(a->Hint());
    }
    if (!checkDefaults || imageIndex_ == -1) {
        SetImageIndex(a->ImageIndex());
    }
    if (!checkDefaults || visible_) {
        SetVisible(a->Visible());
    }
    if (!checkDefaults || !OnClick) {
        OnClick = a->OnExecute();
    }
}

bool TmxButtonActionLink::IsCaptionLinked() {
    return Custom() && client_->Caption() == Custom()->Caption();
}

bool TmxButtonActionLink::IsEnabledLinked() {
    return Custom() && client_->Enabled() == Custom()->Enabled();
}

bool TmxButtonActionLink::IsHelpContextLinked() {
    return Custom() && client_->HelpContext() == Custom()->HelpContext();
}

bool TmxButtonActionLink::IsHintLinked() {
    return Custom() && client_->Hint() == Custom()->Hint();
}

bool TmxButtonActionLink::IsImageIndexLinked() {
    return Custom() && client_->ImageIndex() == Custom()->ImageIndex();
}

bool TmxButtonActionLink::IsVisibleLinked() {
    return Custom() && client_->Visible() == Custom()->Visible();
}

bool TmxButtonActionLink::IsOnExecuteLinked() {
    return Action() && client_->OnClick == Action()->OnExecute();
}

void TmxButtonActionLink::SetCaption(const std::string& value) {
    if (IsCaptionLinked()) {
        client_->SetCaption(value);
    }
}

void TmxButtonActionLink::SetEnabled(bool value) {
    if (IsEnabledLinked()) {
        client_->SetEnabled(value);
    }
}

void TmxButtonActionLink::SetHelpContext(int value) {
    if (IsHelpContextLinked()) {
        client_->SetHelpContext(value);
    }
}

void TmxButtonActionLink::SetHint(const std::string& value) {
    if (IsHintLinked()) {
        client_->SetHint(value);
    }
}

void TmxButtonActionLink::SetImageIndex(int value) {
    if (IsImageIndexLinked()) {
        client_->SetImageIndex(value);
    }
}

void TmxButtonActionLink::SetVisible(bool value) {
    if (IsVisibleLinked()) {
        client_->SetVisible(value);
    }
}

void TmxButtonActionLink::SetOnExecute(const TNotifyHandler& value) {
    if (IsOnExecuteLinked()) {
        client_->OnClick = value;
    }
}

void TmxButtonActionLink::ActionFreed() {
    // Frees this link: nothing may follow.
    client_->actionLink_.reset();
}

TmxButton* TmxButtons::Add() {
    std::vector<std::string> taken;
    for (const TmxButton* b : List())
        taken.push_back(b->name_);
    return AddNamed(DefaultName("mxButton", taken));
}

TmxButton* TmxButtons::AddNamed(std::string name) {
    auto* button = new TmxButton(this);
    button->name_ = std::move(name);
    Append(button);
    if (header_ && header_->Bar()) {
        TmxBarOwner* bar = header_->Bar();
        button->SetOnChangeParameter([bar](TPersistent*) { bar->InvalidateAll(); });
    }
    return button;
}

}  // namespace orv
