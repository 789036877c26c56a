#include "navbar/action.h"

#include <algorithm>

namespace orv {

TBasicAction::~TBasicAction() {
    // Detach every link before telling it, so a client that frees its link while being told
    // touches neither this action nor the list.
    std::vector<TBasicActionLink*> links = std::move(links_);
    links_.clear();
    for (TBasicActionLink* link : links) {
        link->action_ = nullptr;
    }
    for (TBasicActionLink* link : links) {
        link->ActionFreed();
    }
}

void TBasicAction::SetOnExecute(TNotifyHandler handler) {
    if (handler == onExecute_) {
        return;
    }
    for (TBasicActionLink* link : Links()) {
        link->SetOnExecute(handler);
    }
    onExecute_ = std::move(handler);
}

bool TBasicAction::Execute() {
    if (!onExecute_) {
        return false;
    }
    // The handler may delete this action; it runs from a copy.
    const TNotifyHandler handler = onExecute_;
    handler(this);
    return true;
}

void TBasicAction::Change() {
    for (TBasicActionLink* link : Links()) {
        if (link->OnChange) {
            link->OnChange(this);
        }
    }
}

namespace {

// Lets every action link of `links` pass a value on, through `pass`.
template <typename Pass>
void TellLinks(const std::vector<TBasicActionLink*>& links, Pass pass) {
    for (TBasicActionLink* link : links) {
        if (auto* l = dynamic_cast<TActionLink*>(link)) {
            pass(*l);
        }
    }
}

}  // namespace

void TCustomAction::SetCaption(const std::string& value) {
    if (value != caption_) {
        TellLinks(Links(), [&](TActionLink& l) { l.SetCaption(value); });
        caption_ = value;
    }
}

void TCustomAction::SetEnabled(bool value) {
    if (value != enabled_) {
        TellLinks(Links(), [&](TActionLink& l) { l.SetEnabled(value); });
        enabled_ = value;
    }
}

void TCustomAction::SetHelpContext(int value) {
    if (value != helpContext_) {
        TellLinks(Links(), [&](TActionLink& l) { l.SetHelpContext(value); });
        helpContext_ = value;
    }
}

void TCustomAction::SetHint(const std::string& value) {
    if (value != hint_) {
        TellLinks(Links(), [&](TActionLink& l) { l.SetHint(value); });
        hint_ = value;
    }
}

void TCustomAction::SetImageIndex(int value) {
    if (value != imageIndex_) {
        TellLinks(Links(), [&](TActionLink& l) { l.SetImageIndex(value); });
        imageIndex_ = value;
    }
}

void TCustomAction::SetVisible(bool value) {
    if (value != visible_) {
        TellLinks(Links(), [&](TActionLink& l) { l.SetVisible(value); });
        visible_ = value;
    }
}

TBasicActionLink::~TBasicActionLink() {
    SetAction(nullptr);
}

void TBasicActionLink::SetAction(TBasicAction* action) {
    if (action == action_) {
        return;
    }
    if (action_) {
        auto& links = action_->links_;
        links.erase(std::remove(links.begin(), links.end(), this), links.end());
    }
    action_ = action;
    if (action_) {
        action_->links_.push_back(this);
    }
}

bool TBasicActionLink::Execute() {
    return action_ && action_->Execute();
}

}  // namespace orv
