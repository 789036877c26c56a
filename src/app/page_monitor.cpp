#include "app/page_monitor.h"

#include <QBoxLayout>

namespace orv {

TConnectionMonitorPage::TConnectionMonitorPage(QWidget* parent)
    : TToolPage("Connection Monitor", "Connection Monitor", "connection_monitor", parent) {
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(8, 8, 8, 8);
    sgConnHist = new ui::TStringGrid(8, 1, 0);
    Timer = new ui::TTimer(this);
    Timer->SetInterval(500);
    layout->addWidget(sgConnHist, 1);
}

void TConnectionMonitorPage::sbClearClick() {
    sgConnHist->Model().Clear();
    sgConnHist->SetRowCount(1);
    Timer->SetEnabled(true);
}

}  // namespace orv
