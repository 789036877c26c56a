// Thin controls on Qt widgets with the small surface the pages are written against.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <functional>

namespace orv::ui {

// Bytes from outside (a resolver's answer) as text: UTF-8 when they are valid UTF-8, otherwise
// one character per byte, so no byte is replaced. Keep the bytes where they must go out again.
QString TextOfBytes(QByteArrayView bytes);

class TLabel : public QLabel {
    Q_OBJECT
  public:
    explicit TLabel(const QString& caption = {}, QWidget* parent = nullptr);
    QString Caption() const { return text(); }
    void SetCaption(const QString& c) { setText(c); }
};

// An edit box; Enter runs `OnEnter`.
class TEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit TEdit(QWidget* parent = nullptr);
    QString Text() const { return text(); }
    void SetText(const QString& t) { setText(t); }
    std::function<void()> OnEnter;
};

// Marks the focus of an item view that has it but shows no current item to carry the mark (an
// empty list, a grid whose rows are hidden): the style's focus frame around the first row's
// place, `rowHeight` high. Called at the end of the view's paintEvent.
void PaintFocusWithoutItem(QAbstractItemView& view, int rowHeight);

// A multi-line text box, read-only to the user; lines are added by the program. Tab goes on to
// the next control, also while it is editable.
class TMemo : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit TMemo(QWidget* parent = nullptr);
    QStringList Lines() const;
    int LineCount() const;
    void Add(const QString& line);
    void Clear() { clear(); }
    void SetLines(const QStringList& lines);
};

class TListBox : public QListWidget {
    Q_OBJECT
  public:
    explicit TListBox(QWidget* parent = nullptr);
    int Count() const { return count(); }
    QString Item(int i) const;
    QStringList Items() const;
    void SetItems(const QStringList& items);
    // The bytes entry `i` came as, for the exports: those kept for it (an entry of an 8-bit
    // list file), else its text in UTF-8.
    QByteArray ItemBytes(int i) const;
    void SetItemBytes(int i, const QByteArray& bytes);
    // Replaces the entry's text; the bytes it came as go with the old text.
    void SetItemText(int i, const QString& text);
    void Add(const QString& s) { addItem(s); }
    void Delete(int i);
    void Clear() { clear(); }
    int ItemIndex() const { return currentRow(); }
    void SetItemIndex(int i) { setCurrentRow(i); }

  protected:
    void paintEvent(QPaintEvent* e) override;
};

class TCheckBox : public QCheckBox {
    Q_OBJECT
  public:
    explicit TCheckBox(const QString& caption = {}, QWidget* parent = nullptr);
    bool Checked() const { return isChecked(); }
    void SetChecked(bool c) { setChecked(c); }
    // Runs on a click by the user (not when the program sets Checked).
    std::function<void()> OnClick;
};

// A drop-down; editable when `freeText`, a fixed list otherwise. Enter runs `OnEnter`.
class TComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit TComboBox(bool freeText, QWidget* parent = nullptr);
    QString Text() const { return currentText(); }
    void SetText(const QString& t);
    void SetItems(const QStringList& items);
    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int i) { setCurrentIndex(i); }
    std::function<void()> OnEnter;
};

class TSpinEdit : public QSpinBox {
    Q_OBJECT
  public:
    TSpinEdit(int min, int max, int value, QWidget* parent = nullptr);
    int Value() const { return value(); }
    void SetValue(int v) { setValue(v); }
};

// A flat tool button with a hint, like the pages' speed buttons.
class TSpeedButton : public QToolButton {
    Q_OBJECT
  public:
    TSpeedButton(const QString& caption, const QString& hint, QWidget* parent = nullptr);
    // With one of the style's icons; a caption stands beside it.
    TSpeedButton(const QString& caption, const QString& hint, QStyle::StandardPixmap icon,
                 QWidget* parent = nullptr);
    std::function<void()> OnClick;
};

class TButton : public QPushButton {
    Q_OBJECT
  public:
    explicit TButton(const QString& caption, QWidget* parent = nullptr);
    std::function<void()> OnClick;
};

class TTimer : public QTimer {
    Q_OBJECT
  public:
    explicit TTimer(QObject* parent = nullptr);
    int Interval() const { return interval(); }
    void SetInterval(int ms) { setInterval(ms); }
    bool Enabled() const { return isActive(); }
    void SetEnabled(bool on);
    std::function<void()> OnTimer;
};

// A popup menu; AddItem returns the action so callers may keep it.
class TPopupMenu : public QMenu {
    Q_OBJECT
  public:
    explicit TPopupMenu(QWidget* parent = nullptr);
    QAction* AddItem(const QString& caption, std::function<void()> onClick);
    // Shows the menu on right-click of `w`.
    void AttachTo(QWidget* w);
};

}  // namespace orv::ui
