#include "controls/widgets.h"

#include <QAbstractScrollArea>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QTextBlock>

#include "common/boundary_guard.h"

namespace orv::ui {

QString TextOfBytes(QByteArrayView bytes) {
    return bytes.isValidUtf8() ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

TLabel::TLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {}

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::returnPressed, this, GuardedSlot("TEdit::OnEnter", [this] {
                if (OnEnter)
                    OnEnter();
            }));
}

void PaintFocusWithoutItem(QAbstractItemView& view, int rowHeight) {
    if (!view.hasFocus())
        return;
    const QModelIndex current = view.currentIndex();
    if (current.isValid() && !view.visualRect(current).isEmpty())
        return;
    QPainter p(view.viewport());
    QStyleOptionFocusRect mark;
    mark.initFrom(&view);
    mark.rect = QRect(0, 0, view.viewport()->width(), rowHeight);
    mark.backgroundColor = view.palette().color(QPalette::Base);
    view.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &mark, &p, &view);
}

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    // The caret shows where the focus is, and the keyboard can select and copy.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

QStringList TMemo::Lines() const {
    QStringList out;
    if (document()->isEmpty())
        return out;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        out << b.text();
    return out;
}

int TMemo::LineCount() const {
    return document()->isEmpty() ? 0 : document()->blockCount();
}

void TMemo::Add(const QString& line) {
    appendPlainText(line);
}

void TMemo::SetLines(const QStringList& lines) {
    setPlainText(lines.join('\n'));
}

TListBox::TListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
}

void TListBox::paintEvent(QPaintEvent* e) {
    Guarded(
        "TListBox::paintEvent",
        [&] {
            QListWidget::paintEvent(e);
            PaintFocusWithoutItem(
                *this, fontMetrics().height() +
                           2 * style()->pixelMetric(QStyle::PM_FocusFrameVMargin, nullptr, this));
        },
        FaultBox::LogOnly);
}

QString TListBox::Item(int i) const {
    const QListWidgetItem* it = item(i);
    return it ? it->text() : QString();
}

QStringList TListBox::Items() const {
    QStringList out;
    out.reserve(count());
    for (int i = 0; i < count(); ++i)
        out << item(i)->text();
    return out;
}

void TListBox::SetItems(const QStringList& items) {
    clear();
    addItems(items);
}

namespace {
constexpr int kItemBytesRole = Qt::UserRole + 1;
}

QByteArray TListBox::ItemBytes(int i) const {
    const QListWidgetItem* it = item(i);
    if (!it)
        return {};
    const QVariant kept = it->data(kItemBytesRole);
    return kept.isValid() ? kept.toByteArray() : it->text().toUtf8();
}

void TListBox::SetItemBytes(int i, const QByteArray& bytes) {
    if (QListWidgetItem* it = item(i))
        it->setData(kItemBytesRole, bytes == it->text().toUtf8() ? QVariant() : QVariant(bytes));
}

void TListBox::SetItemText(int i, const QString& text) {
    if (QListWidgetItem* it = item(i)) {
        it->setData(kItemBytesRole, QVariant());
        it->setText(text);
    }
}

void TListBox::Delete(int i) {
    delete takeItem(i);
}

TCheckBox::TCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {
    connect(this, &QCheckBox::clicked, this, GuardedSlot("TCheckBox::OnClick", [this] {
                if (OnClick)
                    OnClick();
            }));
}

TComboBox::TComboBox(bool freeText, QWidget* parent) : QComboBox(parent) {
    setEditable(freeText);
    if (freeText) {
        setInsertPolicy(QComboBox::NoInsert);
        connect(lineEdit(), &QLineEdit::returnPressed, this,
                GuardedSlot("TComboBox::OnEnter", [this] {
                    if (OnEnter)
                        OnEnter();
                }));
    }
}

void TComboBox::SetText(const QString& t) {
    if (isEditable()) {
        setEditText(t);
    } else {
        setCurrentIndex(findText(t));
    }
}

void TComboBox::SetItems(const QStringList& items) {
    QString keep = isEditable() ? currentText() : QString();
    clear();
    addItems(items);
    if (isEditable())
        setEditText(keep);
}

TSpinEdit::TSpinEdit(int min, int max, int value, QWidget* parent) : QSpinBox(parent) {
    setRange(min, max);
    setValue(value);
}

TSpeedButton::TSpeedButton(const QString& caption, const QString& hint, QWidget* parent)
    : QToolButton(parent) {
    setText(caption);
    setToolTip(hint);
    setAutoRaise(false);
    connect(this, &QToolButton::clicked, this, GuardedSlot("TSpeedButton::OnClick", [this] {
                if (OnClick)
                    OnClick();
            }));
}

TSpeedButton::TSpeedButton(const QString& caption, const QString& hint, QStyle::StandardPixmap icon,
                           QWidget* parent)
    : TSpeedButton(caption, hint, parent) {
    setIcon(style()->standardIcon(icon));
    if (!caption.isEmpty())
        setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
}

TButton::TButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    connect(this, &QPushButton::clicked, this, GuardedSlot("TButton::OnClick", [this] {
                if (OnClick)
                    OnClick();
            }));
}

TTimer::TTimer(QObject* parent) : QTimer(parent) {
    connect(this, &QTimer::timeout, this, GuardedSlot("TTimer::OnTimer", [this] {
                if (OnTimer)
                    OnTimer();
            }));
}

void TTimer::SetEnabled(bool on) {
    if (on) {
        start();
    } else {
        stop();
    }
}

TPopupMenu::TPopupMenu(QWidget* parent) : QMenu(parent) {}

QAction* TPopupMenu::AddItem(const QString& caption, std::function<void()> onClick) {
    QAction* a = addAction(caption);
    connect(a, &QAction::triggered, this, GuardedSlot("TPopupMenu item", [fn = std::move(onClick)] {
                if (fn)
                    fn();
            }));
    return a;
}

void TPopupMenu::AttachTo(QWidget* w) {
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    // A scroll area (a grid, a list) tells the point in its viewport's coordinates, which
    // start below a heading row.
    auto* area = qobject_cast<QAbstractScrollArea*>(w);
    connect(w, &QWidget::customContextMenuRequested, this, [this, w, area](const QPoint& p) {
        Guarded("TPopupMenu::popup", [&] { popup((area ? area->viewport() : w)->mapToGlobal(p)); });
    });
}

}  // namespace orv::ui
