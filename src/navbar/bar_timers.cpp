// The side bar's five timers: the close X's late click, the repeat of a held explorer strip,
// the two of dragging (change to a hovered header, scroll a header's buttons) and the alert's
// blink.
#include <QTimerEvent>
#include <QToolTip>
#include <algorithm>

#include "navbar/navigation_bar.h"

namespace orv {

namespace {

bool ValidTimer(TmxBarTimer id) {
    return id >= btCloseDelay && id <= btAlert;
}

}  // namespace

void TmxSideBar::StartBarTimer(TmxBarTimer id, unsigned interval) {
    if (ValidTimer(id)) {
        timers_[static_cast<size_t>(id - 1)].start(static_cast<int>(interval), this);
    }
}

void TmxSideBar::KillBarTimer(TmxBarTimer id) {
    if (ValidTimer(id)) {
        timers_[static_cast<size_t>(id - 1)].stop();
    }
}

bool TmxSideBar::BarTimerActive(TmxBarTimer id) const {
    return ValidTimer(id) && timers_[static_cast<size_t>(id - 1)].isActive();
}

void TmxSideBar::HandleTimer(QTimerEvent* event) {
    for (int id = btCloseDelay; id <= btAlert; ++id) {
        if (timers_[static_cast<size_t>(id - 1)].timerId() == event->timerId()) {
            BarTimerTick(static_cast<TmxBarTimer>(id));
            return;
        }
    }
    QWidget::timerEvent(event);
}

void TmxSideBar::BarTimerTick(TmxBarTimer id) {
    switch (id) {
        case btCloseDelay:
            KillBarTimer(btCloseDelay);
            DoClose();
            break;
        case btExplorerScroll:
            QToolTip::hideText();
            // Down only while the content still reaches below the bar, up only to the top.
            if (explorerDownArrow_.State == saPressed && contentOverflow_) {
                ScrollExplorerDown();
                FollowDragPoint();
            } else if (explorerUpArrow_.State == saPressed && explorerScrollOffset_ > 0) {
                ScrollExplorerUp();
                FollowDragPoint();
            } else {
                KillBarTimer(btExplorerScroll);
            }
            break;
        case btHoverChange: {
            QToolTip::hideText();
            KillBarTimer(btHoverChange);
            // A handler of the switch may delete the bar.
            const QPointer<TmxSideBar> alive(this);
            HoverChange();
            if (alive) {
                FollowDragPoint();
            }
            break;
        }
        case btButtonScroll:
            QToolTip::hideText();
            if (dropHeader_ != nullptr && buttonDownBox_.State == saPressed &&
                dropHeader_->CanScrollDown()) {
                dropHeader_->ScrollDown();
                InvalidateAll();
                FollowDragPoint();
            } else if (dropHeader_ != nullptr && buttonUpBox_.State == saPressed &&
                       dropHeader_->CanScrollUp()) {
                dropHeader_->ScrollUp();
                InvalidateAll();
                FollowDragPoint();
            } else {
                KillBarTimer(btButtonScroll);
            }
            break;
        case btAlert:
            AlertTick();
            break;
    }
}

void TmxSideBar::DoClose() {
    if (closeButton_.OnClose) {
        const TPersistent::TNotifyEvent handler = closeButton_.OnClose;
        handler(&closeButton_);
    }
}

void TmxSideBar::HoverChange() {
    TmxHeader* target = dropHeader_;
    if (target == nullptr) {
        return;
    }
    if (viewStyle_ == vsExplorerBar && explorerMethod_ == emCloseUp) {
        // The switch toggles: only a closed header is opened by hovering.
        if (!target->Opened()) {
            SetActiveHeader(target);
        }
    } else if (target != activeHeader_) {
        SetActiveHeader(target);
    }
}

void TmxSideBar::ScrollExplorerUp() {
    explorerScrollOffset_ = std::max(0, explorerScrollOffset_ - scrollChange_);
    InvalidateAll();
}

void TmxSideBar::ScrollExplorerDown() {
    explorerScrollOffset_ = ClampCoord(std::int64_t{explorerScrollOffset_} + scrollChange_);
    InvalidateAll();
}

void TmxSideBar::SetAlertButton(TmxButton* button) {
    if (alertButton_ != nullptr) {
        alertButton_->SetAlerting(false);
        alertButton_->SetBlinkOn(false);
    }
    alertButton_ = button;
    if (button != nullptr) {
        button->SetAlerting(true);
        button->SetBlinkOn(false);
        StartBarTimer(btAlert, alertInterval_);
    } else {
        KillBarTimer(btAlert);
    }
    InvalidateAll();
}

void TmxSideBar::StopAlert() {
    if (alertButton_ != nullptr) {
        SetAlertButton(nullptr);
    }
}

void TmxSideBar::SetAlertInterval(unsigned v) {
    alertInterval_ = v;
    if (alertButton_ != nullptr) {
        StartBarTimer(btAlert, alertInterval_);
    }
}

void TmxSideBar::AlertTick() {
    if (alertButton_ == nullptr) {
        KillBarTimer(btAlert);
        return;
    }
    if (dragInProgress_) {
        return;
    }
    alertButton_->SetBlinkOn(!alertButton_->BlinkOn());
    // While a drag is armed or running the bar is left as it is.
    if (dragState_ == 0) {
        InvalidateAll();
    }
}

}  // namespace orv
