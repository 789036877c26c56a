#include "app/page_ping.h"

#include <QBoxLayout>

namespace orv {

TBatchPingPage::TBatchPingPage(QWidget* parent)
    : TToolPage("Batch Ping", "Batch Ping", "batch_ping", parent) {
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(8, 8, 8, 8);
    auto* form = new QHBoxLayout;
    form->addWidget(new ui::TLabel("Domain  Name"));
    Edit7 = new ui::TEdit;
    Edit7->setToolTip("Right Click to Get More");
    form->addWidget(Edit7, 1);
    StringGrid1 = new ui::TStringGrid(5, 2, 1);
    layout->addLayout(form);
    layout->addWidget(StringGrid1, 1);
}

}  // namespace orv
