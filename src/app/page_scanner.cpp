#include "app/page_scanner.h"

#include <QBoxLayout>

namespace orv {

TWebsiteScannerPage::TWebsiteScannerPage(QWidget* parent)
    : TToolPage("Website Scanner", "Website Scanner", "website_scanner", parent) {
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(8, 8, 8, 8);
    auto* form = new QHBoxLayout;
    form->addWidget(new ui::TLabel("Http://"));
    Edit111 = new ui::TEdit;
    Edit111->setToolTip("Right Click to Get More");
    form->addWidget(Edit111, 1);
    StringGrid4 = new ui::TStringGrid(2, 1, 0);
    layout->addLayout(form);
    layout->addWidget(StringGrid4, 1);
}

}  // namespace orv
