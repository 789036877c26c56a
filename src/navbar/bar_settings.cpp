#include "navbar/bar_settings.h"

namespace orv {

const std::array<TPropertyDefault, 15> TmxBarSettings::kDefaults = {{
    {"Alignment", taCenter, taCenter},
    {"Distance", 2, 2},
    {"PicLabDistance", 8, std::nullopt},
    {"LargeWidth", 60, std::nullopt},
    {"LargeHeight", 60, std::nullopt},
    {"SmallHeight", 20, std::nullopt},
    {"ButtonStyle", bsLarge, std::nullopt},
    {"ButtonView", bvNormal, std::nullopt},
    {"CaptionStyle", csButtonStyle, csButtonStyle},
    {"Color", clBtnFace, clBtnFace},
    {"ExplorerAddOn", 12, std::nullopt},
    {"GlyphTop", 10, 10},
    {"Height", 22, std::nullopt},
    {"KeySupport", 1, 1},
    {"Layout", glGlyphLeft, glGlyphLeft},
}};

TmxBarSettings::TmxBarSettings() {
    const auto relay = [this] { Relay(); };
    const auto relayFrom = [this](TPersistent*) { Relay(); };
    font_.OnChange = relay;
    highlightFont_.OnChange = relay;
    captionPen_.OnChange = relay;
    headerPen_.OnChange = relay;
    for (auto& background : backgrounds_) {
        background = std::make_unique<TmxButtonBackground>();
        // Reaches the background's gradient too.
        background->SetOnChangeParameter(relayFrom);
    }
    statusButton_.SetOnChangeParameter(relayFrom);
    xpColors_.SetOnChangeParameter(relayFrom);
    buttonFont_.OnChange = relay;
    buttonHighlightFont_.OnChange = relay;
}

int TmxBarSettings::GetButtonSize(int index) const {
    if (index < 1 || index > static_cast<int>(buttonSizes_.size())) {
        return -1;
    }
    return buttonSizes_[static_cast<size_t>(index - 1)];
}

void TmxBarSettings::SetButtonSize(int index, int value) {
    if (index < 1 || index > static_cast<int>(buttonSizes_.size())) {
        return;
    }
    Set(buttonSizes_[static_cast<size_t>(index - 1)], value);
}

TmxButtonBackground* TmxBarSettings::GetButtonBackground(int index) {
    if (index < 1 || index > static_cast<int>(backgrounds_.size())) {
        return nullptr;
    }
    return backgrounds_[static_cast<size_t>(index - 1)].get();
}

void TmxBarSettings::SetButtonBackground(int index, const TmxButtonBackground& value) {
    if (TmxButtonBackground* background = GetButtonBackground(index)) {
        background->Assign(value);
    }
}

void TmxBarSettings::CopyFont(TFont& font, const TFont& value) {
    font.Assign(value);
    Changed();
}

void TmxBarSettings::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TmxBarSettings*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    // Owned objects report as they copy, so the owner hears several notices.
    alignment_ = other->alignment_;
    color_ = other->color_;
    font_.Assign(other->font_);
    highlightFont_.Assign(other->highlightFont_);
    height_ = other->height_;
    layout_ = other->layout_;
    headerPen_.Assign(other->headerPen_);
    captionPen_.Assign(other->captionPen_);
    captionStyle_ = other->captionStyle_;
    explorerAddOn_ = other->explorerAddOn_;
    statusButton_.Assign(other->statusButton_);
    for (size_t i = 0; i < backgrounds_.size(); ++i) {
        backgrounds_[i]->Assign(*other->backgrounds_[i]);
    }
    xpColors_.Assign(other->xpColors_);
    buttonSizes_ = other->buttonSizes_;
    distance_ = other->distance_;
    buttonStyle_ = other->buttonStyle_;
    buttonView_ = other->buttonView_;
    picLabDistance_ = other->picLabDistance_;
    glyphTop_ = other->glyphTop_;
    buttonFont_.Assign(other->buttonFont_);
    buttonHighlightFont_.Assign(other->buttonHighlightFont_);
    keySupport_ = other->keySupport_;
    Changed();
}

void TmxBarSettings::AssignTo(TPersistent& dest) const {
    AssignToSameClass(*this, dest);
}

}  // namespace orv
