#include "app/page_localinfo.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <cstring>

#include "app/local_info_report.h"

namespace orv {

TLocalInfoPage::TLocalInfoPage(PageContext& context, QWidget* parent)
    : TToolPage(context, "Local Infomation", "", "", parent) {
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(8, 8, 8, 8);
    Info = new ui::TMemo;
    Info->setObjectName("Info");
    Info->setFixedHeight(152);
    info2 = new ui::TMemo;
    info2->setObjectName("info2");
    for (ui::TMemo* m : {Info, info2})
        m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(Info);
    layout->addWidget(info2, 1);
    ShowMachine();
}

void TLocalInfoPage::ShowReport(const net::NetworkParams& params,
                                const std::vector<net::AdapterInfo>& adapters) {
    Info->SetLines(NetworkParamsReport(params));
    info2->SetLines(AdaptersReport(adapters));
}

void TLocalInfoPage::ShowMachine() {
    Info->SetLines(NetworkParamsReport(net::ReadNetworkParams()));
    int error = 0;
    auto interfaces = net::SystemInterfaceAddresses(&error);
    if (!interfaces) {
        // The adapters memo stays empty; the page itself goes on.
        Context().Dialogs().Message(this,
                                    QStringLiteral("System Error.  Code: %1.\n%2")
                                        .arg(error)
                                        .arg(QString::fromLocal8Bit(std::strerror(error))),
                                    QGuiApplication::applicationDisplayName(), ui::Icon::Error,
                                    ui::Buttons::Ok);
        return;
    }
    info2->SetLines(AdaptersReport(net::ReadAdapters(*interfaces)));
}

}  // namespace orv
