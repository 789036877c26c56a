#include "app/page_whois.h"

#include <QBoxLayout>

namespace orv {

TWhoisPage::TWhoisPage(QWidget* parent)
    : TToolPage("Whois", "Whois", "whois", parent) {
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(8, 8, 8, 8);
    auto* form = new QHBoxLayout;
    form->addWidget(new ui::TLabel("WWW."));
    edDomain = new ui::TEdit;
    edDomain->setToolTip("Right Click to Get More");
    form->addWidget(edDomain, 1);
    auto* server = new QHBoxLayout;
    CheckBox7 = new ui::TCheckBox("Using a Customized Whois Server");
    edit10 = new ui::TComboBox(true);
    edit10->setEnabled(false);
    CheckBox7->OnClick = [this] { CheckBox7Click(); };
    server->addWidget(CheckBox7);
    server->addWidget(edit10, 1);
    layout->addLayout(form);
    layout->addLayout(server);
    layout->addStretch(1);
}

void TWhoisPage::CheckBox7Click() { edit10->setEnabled(CheckBox7->Checked()); }

}  // namespace orv
