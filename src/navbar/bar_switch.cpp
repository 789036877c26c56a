// The stepped slide of a header switch in the list view: the captions between the old and the
// new active header slide over, the new body opens as the old one closes. Each frame is painted
// from the rectangles stored in the headers; the closing update lays the bar out anew.
#include <QCoreApplication>
#include <QPointer>
#include <algorithm>

#include "navbar/navigation_bar.h"

namespace orv {

namespace {

void Move(TmxHeader* h, int dy) {
    h->SetCaptionRect(h->CaptionRect().Offset(0, dy));
}

}  // namespace

void TmxSideBar::PaintSwitchFrame() {
    if (isVisible()) {
        repaint();
    } else {
        Paint(nullptr);
    }
}

void TmxSideBar::LetEventsThrough() {
    if (SwitchFrameHook) {
        const auto hook = SwitchFrameHook;
        hook(this);
    } else if (headerScrollValue_ < 10) {
        // Small steps make many frames; the window stays responsive between them.
        QCoreApplication::processEvents();
    }
}

bool TmxSideBar::AnimateSwitch(TmxHeader* header) {
    TmxHeader* old = activeHeader_;
    const QPointer<TmxSideBar> alive(this);
    HeaderWatch oldWatch(this, old);
    HeaderWatch newWatch(this, header);
    const int deletions = headerDeletions_;
    const int count = HeaderCount();
    // What an event or a handler did to the headers while a frame was out: a deleted or added
    // header shifts the indexes the steps move by, so the slide ends there.
    const auto lost = [&] {
        return !alive || oldWatch.gone || newWatch.gone || headerDeletions_ != deletions ||
               HeaderCount() != count || activeHeader_ != old;
    };

    animating_ = true;
    autoLayout_ = false;
    PaintSwitchFrame();
    if (!lost()) {
        header->SetDrawState(hbsFocused);
        PaintSwitchFrame();
    }
    if (!lost()) {
        const int v = headerScrollValue_;
        const int steps = std::max(0, old->BodyRect().Height()) / v + 1;
        const bool accelerated = headerScrollType_ == stAccelerated;
        const bool toolBox = viewStyle_ == vsListBar && scrollView_ == ssToolBox;
        const int oldIndex = old->HeaderIndex();
        const int newIndex = header->HeaderIndex();
        animatingIndex_ = newIndex;
        // The visible headers strictly between the two, top first.
        const auto between = [&] {
            std::vector<TmxHeader*> list;
            for (int i = std::min(oldIndex, newIndex) + 1; i < std::max(oldIndex, newIndex); ++i) {
                TmxHeader* h = GetHeader(i);
                if (h != nullptr && h->Visible()) {
                    list.push_back(h);
                }
            }
            return list;
        };
        const auto hideBoxes = [&] {
            buttonUpBox_.Rect = kHiddenRect;
            buttonDownBox_.Rect = kHiddenRect;
        };
        const TRect caption = header->CaptionRect();
        const int right = old->BodyRect().Right;
        int m = 1;
        if (newIndex < oldIndex) {
            // Opening upwards: the old header and those between slide down under the new body.
            header->SetBodyRect({caption.Left, caption.Bottom, right, caption.Bottom});
            for (int step = 0; step < steps; ++step) {
                const int d = m * v;
                for (TmxHeader* h : between()) {
                    Move(h, d);
                }
                TRect body = header->BodyRect();
                body.Bottom += d;
                header->SetBodyRect(body);
                Move(old, d);
                TRect oldBody = old->BodyRect();
                oldBody.Top += d;
                old->SetBodyRect(oldBody);
                if (toolBox) {
                    buttonUpBox_.Rect = buttonUpBox_.Rect.Offset(0, d);
                } else {
                    hideBoxes();
                }
                LetEventsThrough();
                if (lost() || old->BodyRect().Bottom < old->CaptionRect().Bottom) {
                    break;
                }
                PaintSwitchFrame();
                if (lost()) {
                    break;
                }
                m += accelerated ? 1 : 0;
            }
        } else {
            // Opening downwards: the new header and those between slide up over the old body.
            header->SetBodyRect({caption.Left, caption.Bottom - 1, right, caption.Bottom});
            for (int step = 0; step < steps; ++step) {
                const int d = m * v;
                const std::vector<TmxHeader*> moving = between();
                for (TmxHeader* h : moving) {
                    Move(h, -d);
                }
                bool reached = !moving.empty() &&
                               moving.front()->CaptionRect().Top < old->CaptionRect().Bottom + 1;
                Move(header, -d);
                TRect body = header->BodyRect();
                body.Top -= d;
                header->SetBodyRect(body);
                TRect oldBody = old->BodyRect();
                oldBody.Bottom -= d;
                old->SetBodyRect(oldBody);
                if (toolBox) {
                    buttonDownBox_.Rect = buttonDownBox_.Rect.Offset(0, -d);
                } else {
                    hideBoxes();
                }
                LetEventsThrough();
                if (lost()) {
                    break;
                }
                if (moving.empty()) {
                    reached = header->CaptionRect().Top < old->CaptionRect().Bottom + 1;
                }
                if (reached) {
                    break;
                }
                PaintSwitchFrame();
                if (lost()) {
                    break;
                }
                m += accelerated ? 1 : 0;
            }
        }
    }
    if (!alive) {
        return false;
    }
    animating_ = false;
    animatingIndex_ = -1;
    autoLayout_ = true;
    // The switch's closing EndUpdate repaints with the computed layout.
    return true;
}

}  // namespace orv
