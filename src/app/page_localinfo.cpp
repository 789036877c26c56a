#include "app/page_localinfo.h"

#include <QBoxLayout>

namespace orv {

TLocalInfoPage::TLocalInfoPage(PageContext& context, QWidget* parent)
    : TToolPage(context, "Local Infomation", "", "", parent) {
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(8, 8, 8, 8);
    Info = new ui::TMemo;
    layout->addWidget(Info, 1);
}

}  // namespace orv
