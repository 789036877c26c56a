#include "app/page_localinfo.h"

#include <QBoxLayout>

namespace orv {

TLocalInfoPage::TLocalInfoPage(QWidget* parent) : TToolPage("Local Infomation", "", "", parent) {
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(8, 8, 8, 8);
    Info = new ui::TMemo;
    layout->addWidget(Info, 1);
}

}  // namespace orv
