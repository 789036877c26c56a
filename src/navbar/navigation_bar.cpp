#include "navbar/navigation_bar.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPointer>

#include "common/boundary_guard.h"
#include "navbar/caption_editor.h"

namespace orv {

const std::array<TPropertyDefault, 26> TmxSideBar::kDefaults{{
    {"AlertColor", 255, 255},
    {"AutoButtonScrollDelay", 600, 600},
    {"AutoScrollDelay", 500, 500},
    {"AutoChangeDelay", 100, 100},
    {"AlertInterval", 500, 500},
    {"BevelInner", bvNone, bvNone},
    {"BevelOuter", bvLowered, bvRaised},
    {"BevelWidth", 1, 1},
    {"BorderStyle", bsNone, bsSingle},
    {"BorderWidth", 0, 0},
    {"CommonStyle", 1, std::nullopt},
    {"Color", clBtnFace, std::nullopt},
    {"DropMarkColor", 0, 0},
    {"EachHeaderSelection", 0, 0},
    {"ExplorerMethod", emCloseUp, emCloseUp},
    {"Flat", 1, 1},
    {"HeaderScrollAcceleration", 5, 5},
    {"ScrollChange", 50, 50},
    {"HeaderScrollType", stAccelerated, stAccelerated},
    {"HeaderScrollValue", 20, 20},
    {"PreSet", psListBar, std::nullopt},
    {"ScrollBoxSize", 15, 15},
    {"ScrollView", ssNormal, ssNormal},
    {"Options",
     BarOptions({boAcceptOLEDrop, boAutoScroll, boAutoChangeHeader, boFocusOnMouseEnter,
                 boHeaderFrame, boInternalDrop}),
     std::nullopt},
    {"ViewStyle", vsListBar, vsListBar},
    {"Width", 120, std::nullopt},
}};

TmxSideBar::TmxSideBar(QWidget* parent) : QWidget(parent) {
    // Painting covers every pixel, so the background is never erased.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Tab reaches the bar for its keys; a click does not take the focus from an edit field.
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
    resize(120, height());
    auto repaint = [this](TPersistent*) { InvalidateAll(); };
    background_.SetOnChangeParameter(repaint);
    settings_.SetOnChangeParameter(repaint);
    headerImages_.SetOnChangeParameter(repaint);
    border_.SetOnChangeParameter(repaint);
    inplaceEditor_ = std::make_unique<TmxInplaceEditor>(this);
    dropManager_ = std::make_unique<TmxDragDropManager>(this);
    dropManager_->ResetFormats();
    setAcceptDrops(Has(options_, boAcceptOLEDrop) || Has(options_, boInternalDrop));
    inplaceEditor_->SetOnContextPopup([this](TmxInplaceEdit* edit, TPoint pos, bool& handled) {
        DoEditorContextPopup(TPoint{pos.X + edit->x(), pos.Y + edit->y()}, handled);
    });
}

TmxSideBar::~TmxSideBar() {
    destroying_ = true;
    // A drag in progress can no longer find this bar.
    dropManager_.reset();
    // A switch still on the stack finds its headers gone and the bar with them.
    for (HeaderWatch* w = watches_; w != nullptr; w = w->next) {
        w->bar = nullptr;
        w->gone = true;
    }
    watches_ = nullptr;
    for (QBasicTimer& timer : timers_) {
        timer.stop();
    }
    activeHeader_ = nullptr;
    hotHeader_ = nullptr;
    bodyHeader_ = nullptr;
    StopAlert();
    // Before the headers: an edit that ends while the bar goes must find nothing to write into.
    inplaceEditor_->SetOnContextPopup(nullptr);
    inplaceEditor_.reset();
    // The headers tell this bar of their deletion, so they go while it is whole.
    ClearHeaders();
    background_.SetOnChangeParameter(nullptr);
    settings_.SetOnChangeParameter(nullptr);
    headerImages_.SetOnChangeParameter(nullptr);
    border_.SetOnChangeParameter(nullptr);
    inPaint_ = true;
    isLoaded_ = false;
}

void TmxSideBar::Loaded() {
    activeHeader_ = GetHeader(storedActiveIndex_);
    isLoaded_ = true;
    InvalidateAll();
}

TmxSideBar::HeaderWatch::HeaderWatch(TmxSideBar* owner, TmxHeader* watched)
    : bar(owner), header(watched), next(owner->watches_) {
    owner->watches_ = this;
}

TmxSideBar::HeaderWatch::~HeaderWatch() {
    if (bar == nullptr) {
        return;
    }
    for (HeaderWatch** link = &bar->watches_; *link != nullptr; link = &(*link)->next) {
        if (*link == this) {
            *link = next;
            break;
        }
    }
}

void TmxSideBar::SetActiveHeader(TmxHeader* header) {
    if (header && !header->Visible()) {
        return;
    }
    // The events an animation lets through may ask for another switch: the rectangles belong
    // to the running one, so the request is dropped.
    if (animating_) {
        return;
    }
    // Handlers run on the way; any of them may delete the header or the bar, or throw. The
    // bracket closes on every way out while the bar is there.
    const QPointer<TmxSideBar> alive(this);
    HeaderWatch target(this, header);
    BeginUpdate();
    struct Bracket {
        const QPointer<TmxSideBar>& bar;
        ~Bracket() {
            if (bar) {
                bar->EndUpdate();
            }
        }
    } bracket{alive};
    bool canChange = true;
    DoCanChange(header, canChange);
    if (!alive) {
        return;
    }
    if (header && canChange && !target.gone) {
        canChange = header->IsEnabled() || Has(options_, boChangeToDisabled);
    }
    if (!canChange || target.gone) {
        return;
    }
    const int oldIndex = GetActiveIndex();
    const int newIndex = header ? header->HeaderIndex() : -1;
    if (!destroying_) {
        DoChange(oldIndex, newIndex);
        if (!alive || target.gone) {
            return;
        }
    }
    if (viewStyle_ == vsExplorerBar && explorerMethod_ == emCloseUp) {
        if (header) {
            header->SetOpened(!header->Opened());
        }
        autoLayout_ = true;
    } else if (header && activeHeader_ && header != activeHeader_ && headerScrollType_ != stNone &&
               headerScrollValue_ > 0 && isVisible()) {
        // A bar nobody sees switches at once.
        animatingIndex_ = -1;
        if (!AnimateSwitch(header)) {
            return;
        }
        animatingIndex_ = -1;
        if (target.gone) {
            return;
        }
    }
    if (header && header->OnChange) {
        const TPersistent::TNotifyEvent handler = header->OnChange;
        handler(header);
        if (!alive || target.gone) {
            return;
        }
    }
    activeHeader_ = header;
    if (activeHeader_) {
        activeHeader_->SetDrawState(hbsFocused);
    }
}

void TmxSideBar::SetInplaceEditor(const TmxInplaceEditor& v) {
    inplaceEditor_->Assign(v);
}

void TmxSideBar::SetEachHeaderSelection(bool v) {
    if (eachHeaderSelection_ == v) {
        return;
    }
    eachHeaderSelection_ = v;
    for (int i = 0; i < HeaderCount(); ++i) {
        GetHeader(i)->SetSelectedIndex(-1);
    }
    InvalidateAll();
}

void TmxSideBar::SetExplorerMethod(TmxExplorerMethod v) {
    if (explorerMethod_ == v) {
        return;
    }
    explorerMethod_ = v;
    for (int i = 0; i < HeaderCount(); ++i) {
        // Scrolls the header back to its first button.
        while (GetHeader(i)->ScrollUp()) {
        }
    }
    if (HeaderCount() > 0) {
        SetActiveHeader(GetHeader(0));
    }
    InvalidateAll();
}

void TmxSideBar::SetOptions(TmxBarOptions v) {
    if (options_ == v) {
        return;
    }
    // Either drop option makes the bar a drop target.
    options_ = v;
    setAcceptDrops(Has(options_, boAcceptOLEDrop) || Has(options_, boInternalDrop));
    InvalidateAll();
}

std::string TmxSideBar::Version() const {
    return std::to_string(versionWord_ >> 8) + "." + std::to_string(versionWord_ & 0xFF);
}

void TmxSideBar::SetViewStyle(TmxViewStyle v) {
    if (viewStyle_ == v || !DoChangeViewStyle(viewStyle_, v)) {
        return;
    }
    explorerScrollOffset_ = 0;
    viewStyle_ = v;
    InvalidateAll();
}

TmxHeader* TmxSideBar::GetHeader(int index) const {
    if (index < 0 || index >= headers_.Count()) {
        return nullptr;
    }
    return headers_.Items(index);
}

int TmxSideBar::VisibleHeaderCount() const {
    int n = 0;
    for (int i = 0; i < headers_.Count(); ++i) {
        n += headers_.Items(i)->Visible() ? 1 : 0;
    }
    return n;
}

int TmxSideBar::NextVisibleIndex(int index) const {
    for (int i = index + 1; i < headers_.Count(); ++i) {
        if (i >= 0 && headers_.Items(i)->Visible()) {
            return i;
        }
    }
    return -1;
}

void TmxSideBar::DeleteHeader(TmxHeader* header) {
    if (header) {
        DeleteHeader(headers_.IndexOf(header));
    }
}

void TmxSideBar::DeleteHeader(int index) {
    if (index >= 0 && index < headers_.Count()) {
        headers_.Delete(index);
    }
}

void TmxSideBar::ClearHeaders() {
    BeginUpdate();
    for (int i = headers_.Count() - 1; i >= 0; --i) {
        headers_.Delete(i);
    }
    EndUpdate();
}

int TmxSideBar::GetActiveIndex() const {
    return activeHeader_ ? activeHeader_->HeaderIndex() : -1;
}

void TmxSideBar::BeginUpdate() {
    ++updateCount_;
}

void TmxSideBar::EndUpdate() {
    if (updateCount_ == 0) {
        return;
    }
    if (--updateCount_ == 0) {
        InvalidateAll();
    }
}

void TmxSideBar::InvalidateAll() {
    // Inside a bracket the closing EndUpdate repaints once for all.
    if (destroying_ || Updating()) {
        return;
    }
    update();
}

void TmxSideBar::HeaderDeleted(TmxHeader* header) {
    // Stored directly: a handler must not be able to keep a dying header.
    auto forget = [header](TmxHeader*& slot) {
        if (slot == header) {
            slot = nullptr;
        }
    };
    forget(activeHeader_);
    forget(hotHeader_);
    forget(bodyHeader_);
    forget(dropHeader_);
    if (header && header == editorHeader_ && inplaceEditor_) {
        inplaceEditor_->EndEdit(true);
    }
    forget(editorHeader_);
    for (HeaderWatch* w = watches_; w != nullptr; w = w->next) {
        if (w->header == header) {
            w->header = nullptr;
            w->gone = true;
        }
    }
    ++headerDeletions_;
    InvalidateAll();
}

void TmxSideBar::ButtonDeleted(TmxButton* button) {
    auto forget = [button](TmxButton*& slot) {
        if (slot == button) {
            slot = nullptr;
        }
    };
    forget(hotButton_);
    forget(alertButton_);
    forget(dropButton_);
    forget(dragSource_);
    forget(pressedButton_);
    if (button && button == editorButton_ && inplaceEditor_) {
        inplaceEditor_->EndEdit(true);
    }
    forget(editorButton_);
    InvalidateAll();
}

void TmxSideBar::ImageListFreed(TImageList* list) {
    for (int index : {TmxHeaderImages::kNormal, TmxHeaderImages::kHot}) {
        if (headerImages_.GetImageList(index) == list) {
            headerImages_.SetImageList(index, nullptr);
        }
    }
}

void TmxSideBar::DoChange(int oldIndex, int newIndex) {
    if (OnChange) {
        OnChange(this, oldIndex, newIndex);
    }
}

void TmxSideBar::DoCanChange(TmxHeader* newHeader, bool& canChange) {
    if (OnCanChange) {
        OnCanChange(this, newHeader, canChange);
    }
}

bool TmxSideBar::DoChangeViewStyle(TmxViewStyle oldStyle, TmxViewStyle newStyle) {
    bool canChange = true;
    if (OnChangeViewStyle) {
        OnChangeViewStyle(this, oldStyle, newStyle, canChange);
    }
    return canChange;
}

void TmxSideBar::DoDrawHeaderButtons(TCanvas& canvas, const TRect& rect, int activeIndex) {
    if (OnDrawHeaderButtons) {
        OnDrawHeaderButtons(this, canvas, rect, activeIndex);
    }
}

void TmxSideBar::DoAfterDrawHeaderButtons(TCanvas& canvas, const TRect& rect, int activeIndex) {
    if (OnAfterDrawHeaderButtons) {
        OnAfterDrawHeaderButtons(this, canvas, rect, activeIndex);
    }
}

void TmxSideBar::DoDrawCloseButton(TCanvas& canvas, const TRect& rect, TmxButtonState state) {
    if (OnDrawCloseButton) {
        OnDrawCloseButton(this, canvas, rect, state);
    }
}

void TmxSideBar::DoShow() {
    if (OnShow) {
        OnShow(this);
    }
}

void TmxSideBar::DoHide() {
    if (OnHide) {
        OnHide(this);
    }
}

void TmxSideBar::HandleShow(QShowEvent* event) {
    QWidget::showEvent(event);
    // Alt with an accelerator works from every control of the bar's window; the key presses
    // of the window's controls pass the application first.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->installEventFilter(this);
    }
    PostVisibilityChange(true);
    InvalidateAll();
}

void TmxSideBar::HandleHide(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->removeEventFilter(this);
    }
    PostVisibilityChange(false);
}

void TmxSideBar::PostVisibilityChange(bool shown) {
    // Qt goes on using the widget after its show and hide events return, so OnShow and OnHide
    // run just after them, where a handler may delete the bar as from any other handler.
    const auto change = [this, shown] {
        const QPointer<TmxSideBar> alive(this);
        if (shown) {
            DoShow();
        } else {
            DoHide();
        }
        if (alive) {
            InvalidateAll();
        }
    };
    const char* where = shown ? "TmxSideBar::OnShow" : "TmxSideBar::OnHide";
    QMetaObject::invokeMethod(this, GuardedSlot(where, change), Qt::QueuedConnection);
}

}  // namespace orv
