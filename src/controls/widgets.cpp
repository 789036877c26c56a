#include "controls/widgets.h"

#include <QTextBlock>

#include "common/boundary_guard.h"

namespace orv::ui {

TLabel::TLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {}

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::returnPressed, this, GuardedSlot("TEdit::OnEnter", [this] {
                if (OnEnter)
                    OnEnter();
            }));
}

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
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
    connect(w, &QWidget::customContextMenuRequested, this, [this, w](const QPoint& p) {
        Guarded("TPopupMenu::popup", [&] { popup(w->mapToGlobal(p)); });
    });
}

}  // namespace orv::ui
