#include "app/page_frame.h"

#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "app/fonts.h"
#include "controls/jpeg.h"

// The pictures are compiled into this library; a static library must register them itself.
static void InitPictures() {
    Q_INIT_RESOURCE(resources);
}

namespace orv {

namespace {
constexpr int kStripHeight = 26;
constexpr int kBannerWidth = 237;
}  // namespace

TToolPage::TToolPage(const QString& caption, const QString& title, const QString& banner,
                     QWidget* parent)
    : QWidget(parent), caption_(caption), body_(new QWidget(this)) {
    static const bool pictures = (InitPictures(), true);
    (void)pictures;
    setFont(PageFont());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (!title.isEmpty()) {
        auto* strip = new QWidget(this);
        strip->setObjectName("headerStrip");
        strip->setFixedHeight(kStripHeight);
        strip->setAutoFillBackground(true);
        strip->setStyleSheet("#headerStrip { border-bottom: 1px solid palette(mid); }");
        auto* picture = new QLabel(strip);
        picture->setGeometry(0, 0, kBannerWidth, kStripHeight);
        QImage img = ui::LoadJpeg(":/banners/" + banner + ".jpg");
        hasBanner_ = !img.isNull();
        if (hasBanner_)
            picture->setPixmap(QPixmap::fromImage(img));
        title_ = new QLabel(title, strip);
        title_->setFont(PageFont(10, true));
        title_->setGeometry(8, 0, 400, kStripHeight);
        title_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        title_->setStyleSheet(hasBanner_ ? "color: white;" : "");
        title_->setAttribute(Qt::WA_TransparentForMouseEvents);
        picture->setAttribute(Qt::WA_TransparentForMouseEvents);
        layout->addWidget(strip);
    }
    layout->addWidget(body_, 1);
}

QString TToolPage::Title() const {
    return title_ ? title_->text() : QString();
}

}  // namespace orv
