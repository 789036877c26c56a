#include "app/about_box.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "app/fonts.h"
#include "controls/jpeg.h"

namespace orv {

Tabout::Tabout(QWidget* parent) : QDialog(parent) {
    setObjectName("about");
    setWindowTitle("About");
    setFont(WindowFont());
    auto* picture = new QLabel(this);
    QImage img = ui::LoadJpeg(":/banners/about.jpg");
    hasPicture_ = !img.isNull();
    if (hasPicture_)
        picture->setPixmap(QPixmap::fromImage(img));
    auto* name = new QLabel("Orvelan", this);
    name->setFont(PageFont(14, true));
    auto* text = new QLabel("Version " ORVELAN_VERSION "\nA network toolbox.", this);
    auto* credit = new QLabel(
        "The country answers for address blocks are adapted from the IPFire Location database "
        "of the IPFire Project, licensed under CC BY-SA 4.0; the adapted table is available "
        "under the same licence.",
        this);
    credit->setWordWrap(true);
    credit->setFont(PageFont(7));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* right = new QVBoxLayout;
    right->addWidget(name);
    right->addWidget(text);
    right->addStretch(1);
    auto* top = new QVBoxLayout;
    top->addWidget(picture);
    top->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(credit);
    layout->addWidget(buttons);
}

}  // namespace orv
