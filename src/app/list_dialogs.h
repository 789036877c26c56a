// The small Add and Update dialogs of the three tool lists. Each is created once at start-up,
// acts on its own list only and keeps its edit box's text between openings.
#pragma once

#include <QDialog>
#include <QPointer>

#include "app/list_editing.h"
#include "controls/widgets.h"

namespace orv {

// "Add": the edit box's text becomes the list's first entry; the dialog stays open.
class TListAddDialog : public QDialog {
    Q_OBJECT
  public:
    // `target` may be nullptr (a list not attached): the dialog then changes nothing.
    TListAddDialog(const char* formName, const QString& label, bool stayOnTop, TListEditing* target,
                   QWidget* parent = nullptr);

    ui::TLabel* Label1;
    ui::TButton* Button1;  // "Add"
    ui::TButton* Button2;  // "Close"

    ui::TEdit* EditBox() const { return edit_; }
    TListEditing* Target() const { return target_; }

    void Button1Click();
    void Button2Click();

  private:
    ui::TEdit* edit_;
    QPointer<TListEditing> target_;
};

// "Update": shows the selected entry, writes the edit box's text in its place and closes.
class TListUpdateDialog : public QDialog {
    Q_OBJECT
  public:
    TListUpdateDialog(const char* formName, const QString& label, TListEditing* target,
                      QWidget* parent = nullptr);

    ui::TLabel* Label1;
    ui::TButton* Button1;  // "Update"
    ui::TButton* Button2;  // "Close"

    ui::TEdit* EditBox() const { return edit_; }
    TListEditing* Target() const { return target_; }

    // Each time the dialog is shown: the selected entry's text into the edit box.
    void FormActivate();
    void Button1Click();
    void Button2Click();

  private:
    ui::TEdit* edit_;
    QPointer<TListEditing> target_;
};

class Tip_add final : public TListAddDialog {
    Q_OBJECT
  public:
    explicit Tip_add(TListEditing* target, QWidget* parent = nullptr);
    ui::TEdit* Edit1;
    void Edit1KeyPress() { Button1Click(); }
};

class Tip_update final : public TListUpdateDialog {
    Q_OBJECT
  public:
    explicit Tip_update(TListEditing* target, QWidget* parent = nullptr);
    ui::TEdit* edit1;
    void edit1KeyPress() { Button1Click(); }
};

class Tping_add final : public TListAddDialog {
    Q_OBJECT
  public:
    explicit Tping_add(TListEditing* target, QWidget* parent = nullptr);
    ui::TEdit* Edit1;
    void Edit1KeyPress() { Button1Click(); }
};

class Tping_update final : public TListUpdateDialog {
    Q_OBJECT
  public:
    explicit Tping_update(TListEditing* target, QWidget* parent = nullptr);
    ui::TEdit* Edit1;
    void Edit1KeyPress() { Button1Click(); }
};

class Twhereis_add final : public TListAddDialog {
    Q_OBJECT
  public:
    explicit Twhereis_add(TListEditing* target, QWidget* parent = nullptr);
    ui::TEdit* Edit1;
    void Edit1KeyPress() { Button1Click(); }
};

class Twhereis_update final : public TListUpdateDialog {
    Q_OBJECT
  public:
    explicit Twhereis_update(TListEditing* target, QWidget* parent = nullptr);
    ui::TEdit* edit1;
    void edit1KeyPress() { Button1Click(); }
};

}  // namespace orv
