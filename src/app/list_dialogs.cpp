#include "app/list_dialogs.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QVBoxLayout>

#include "app/fonts.h"

namespace orv {

namespace {

constexpr int kClientWidth = 242;
constexpr int kClientHeight = 102;

const QString kIpOrName = QStringLiteral("IP Address or Domain/Computer Name");
const QString kIpOnly = QStringLiteral("IP Address ");

// The common body of every list dialog: a caption label, the edit box, two buttons; fixed
// border, centred on the screen.
ui::TEdit* Build(QDialog* d, const char* formName, const QString& caption, const QString& label,
                 const QString& action, ui::TLabel*& labelOut, ui::TButton*& b1, ui::TButton*& b2) {
    d->setObjectName(formName);
    d->setWindowTitle(caption);
    d->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    d->setFont(WindowFont());
    auto* col = new QVBoxLayout(d);
    col->setContentsMargins(10, 8, 10, 8);
    labelOut = new ui::TLabel(label);
    auto* edit = new ui::TEdit;
    b1 = new ui::TButton(action);
    b2 = new ui::TButton(QStringLiteral("Close"));
    // Enter in the edit box runs Button1 once, through the box itself, not a default button.
    for (ui::TButton* b : {b1, b2}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(b1);
    row->addWidget(b2);
    col->addWidget(labelOut);
    col->addWidget(edit);
    col->addLayout(row);
    d->setFixedSize(kClientWidth, kClientHeight);
    if (QScreen* s = QGuiApplication::primaryScreen())
        d->move(s->availableGeometry().center() - d->rect().center());
    return edit;
}

}  // namespace

TListAddDialog::TListAddDialog(const char* formName, const QString& label, bool stayOnTop,
                               TListEditing* target, QWidget* parent)
    : QDialog(parent), target_(target) {
    edit_ = Build(this, formName, QStringLiteral("Add"), label, QStringLiteral("Add"), Label1,
                  Button1, Button2);
    if (stayOnTop)
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    edit_->OnEnter = [this] { Button1Click(); };
    if (target)
        target->SetAddDialog(this);
}

void TListAddDialog::Button1Click() {
    // The dialog stays open with its text, so the same entry can be added again.
    if (target_)
        target_->InsertFirst(edit_->Text());
}

void TListAddDialog::Button2Click() {
    reject();
}

TListUpdateDialog::TListUpdateDialog(const char* formName, const QString& label,
                                     TListEditing* target, QWidget* parent)
    : QDialog(parent), target_(target) {
    edit_ = Build(this, formName, QStringLiteral("Update"), label, QStringLiteral("Update"), Label1,
                  Button1, Button2);
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    edit_->OnEnter = [this] { Button1Click(); };
    if (target)
        target->SetUpdateDialog(this);
}

void TListUpdateDialog::FormActivate() {
    if (!target_)
        return;
    int i = target_->Selected();
    if (i >= 0)
        edit_->SetText(target_->List()->Item(i));
}

void TListUpdateDialog::Button1Click() {
    if (target_)
        target_->ReplaceSelected(edit_->Text());
    accept();
}

void TListUpdateDialog::Button2Click() {
    reject();
}

Tip_add::Tip_add(TListEditing* target, QWidget* parent)
    : TListAddDialog("ip_add", kIpOrName, true, target, parent), Edit1(EditBox()) {}

Tip_update::Tip_update(TListEditing* target, QWidget* parent)
    : TListUpdateDialog("ip_update", kIpOrName, target, parent), edit1(EditBox()) {}

Tping_add::Tping_add(TListEditing* target, QWidget* parent)
    : TListAddDialog("ping_add", kIpOrName, false, target, parent), Edit1(EditBox()) {}

Tping_update::Tping_update(TListEditing* target, QWidget* parent)
    : TListUpdateDialog("ping_update", kIpOrName, target, parent), Edit1(EditBox()) {}

Twhereis_add::Twhereis_add(TListEditing* target, QWidget* parent)
    : TListAddDialog("whereis_add", kIpOnly, true, target, parent), Edit1(EditBox()) {}

Twhereis_update::Twhereis_update(TListEditing* target, QWidget* parent)
    : TListUpdateDialog("whereis_update", kIpOnly, target, parent), edit1(EditBox()) {}

}  // namespace orv
