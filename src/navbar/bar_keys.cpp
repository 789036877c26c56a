// The side bar's keyboard: Page Up, Page Down, Home and End move through the headers, and the
// "&" characters of header and button captions work as accelerators.
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QString>

#include "navbar/navigation_bar.h"

namespace orv {

namespace {

// The character after the first single "&" of a caption ("&&" is a plain "&"); null for none.
QChar AccelChar(const std::string& caption) {
    const QString text = QString::fromStdString(caption);
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&') {
            continue;
        }
        if (text[i + 1] == u'&') {
            ++i;
            continue;
        }
        return text[i + 1];
    }
    return QChar();
}

bool IsAccel(const std::string& caption, QChar c) {
    const QChar accel = AccelChar(caption);
    return !accel.isNull() && accel.toCaseFolded() == c.toCaseFolded();
}

// The character a key press with Alt stands for: the key's letter or digit where the platform
// gives no text with Alt held.
QChar KeyChar(const QKeyEvent& event) {
    const int key = event.key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
        return QChar(key);
    }
    const QString text = event.text();
    return text.size() == 1 && text[0].isPrint() ? text[0] : QChar();
}

}  // namespace

TmxHeader* TmxSideBar::PreviousVisibleHeader(TmxHeader* h) const {
    if (h == nullptr) {
        return nullptr;
    }
    for (int i = h->HeaderIndex() - 1; i >= 0; --i) {
        if (GetHeader(i)->Visible()) {
            return GetHeader(i);
        }
    }
    // None before it: header 0 itself, even when hidden, and h at index 0.
    return h->HeaderIndex() <= 0 ? h : GetHeader(0);
}

TmxHeader* TmxSideBar::NextVisibleHeader(TmxHeader* h) const {
    if (h == nullptr) {
        return nullptr;
    }
    const int last = HeaderCount() - 1;
    for (int i = h->HeaderIndex() + 1; i <= last; ++i) {
        if (GetHeader(i)->Visible()) {
            return GetHeader(i);
        }
    }
    return h->HeaderIndex() >= last ? h : GetHeader(last);
}

void TmxSideBar::HandleKeyPress(QKeyEvent* event) {
    QWidget::keyPressEvent(event);
    const int count = HeaderCount();
    switch (event->key()) {
        case Qt::Key_PageUp:
            SetActiveHeader(PreviousVisibleHeader(activeHeader_));
            break;
        case Qt::Key_PageDown:
            SetActiveHeader(NextVisibleHeader(activeHeader_));
            break;
        case Qt::Key_End:
            if (count > 0) {
                TmxHeader* last = GetHeader(count - 1);
                SetActiveHeader(last->Visible() ? last : PreviousVisibleHeader(last));
            }
            break;
        case Qt::Key_Home:
            SetActiveHeader(GetHeader(0));
            break;
        default: {
            // A plain character while the bar has the focus; Alt comes through the window.
            const Qt::KeyboardModifiers mods =
                event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
            const QString text = event->text();
            if (mods == Qt::NoModifier && text.size() == 1 && text[0].isPrint() &&
                DialogChar(text[0])) {
                event->accept();
            } else {
                event->ignore();
            }
            return;
        }
    }
    event->accept();
}

bool TmxSideBar::HandleEventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !isVisible() || !isEnabled()) {
        return QWidget::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    auto* target = qobject_cast<QWidget*>(watched);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (target != nullptr && mods == Qt::AltModifier && target->window() == window()) {
        const QChar c = KeyChar(*key);
        if (!c.isNull() && DialogChar(c)) {
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TmxSideBar::DialogChar(QChar c) {
    if (!settings_.KeySupport()) {
        return false;
    }
    for (int i = 0; i < HeaderCount(); ++i) {
        TmxHeader* h = GetHeader(i);
        if (h->Settings().KeySupport() && IsAccel(h->Caption(), c)) {
            SetActiveHeader(h);
            return true;
        }
    }
    if (activeHeader_ == nullptr) {
        return false;
    }
    for (int i = 0; i < activeHeader_->GetButtonCount(); ++i) {
        TmxButton* b = activeHeader_->GetButton(i);
        if (IsAccel(b->Caption(), c)) {
            // Its click may delete the button, the header or the bar: nothing is touched after.
            b->ClickFromAccelerator();
            return true;
        }
    }
    return false;
}

void TmxSideBar::HandleFocusIn(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    // The focus rectangle comes and goes with the focus.
    if (Has(options_, hoShowFocusRect)) {
        InvalidateAll();
    }
}

void TmxSideBar::HandleFocusOut(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    if (Has(options_, hoShowFocusRect)) {
        InvalidateAll();
    }
}

}  // namespace orv
