#include "app/page_frame.h"

#include <QEvent>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>
#include <algorithm>

#include "app/fonts.h"
#include "common/boundary_guard.h"
#include "controls/jpeg.h"
#include "controls/stringgrid.h"

// The pictures are compiled into this library; a static library must register them itself.
static void InitPictures() {
    Q_INIT_RESOURCE(resources);
}

namespace orv {

namespace {
constexpr int kStripHeight = 26;
constexpr int kBannerWidth = 237;

// Measures the label's texts as the label itself lays them out, and fixes its width to the
// widest.
void FixStatusWidth(QLabel* label, const QStringList& texts) {
    const QString shown = label->text();
    int width = 0;
    for (const QString& t : texts) {
        label->setText(t);
        width = std::max(width, label->sizeHint().width());
    }
    label->setText(shown);
    label->setFixedWidth(width);
}

// Measures again when the label's font changes (it inherits the page's once it is placed).
class StatusRoom final : public QObject {
  public:
    StatusRoom(QLabel* label, QStringList texts) : QObject(label), texts_(std::move(texts)) {
        label->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FontChange)
            Guarded("StatusRoom::eventFilter",
                    [&] { FixStatusWidth(static_cast<QLabel*>(watched), texts_); });
        return false;
    }

  private:
    QStringList texts_;
};
}  // namespace

void KeepStatusRoom(QLabel* label, const QStringList& texts) {
    FixStatusWidth(label, texts);
    new StatusRoom(label, texts);
}

void LayOutColumns(ui::TStringGrid* grid, std::initializer_list<GridColumn> columns) {
    int c = 0;
    for (const GridColumn& column : columns) {
        if (grid->FixedRows() > 0)
            grid->SetCells(c, 0, QString::fromLatin1(column.heading));
        grid->SetColWidth(c++, column.width);
    }
}

TToolPage::TToolPage(PageContext& context, const QString& caption, const QString& title,
                     const QString& banner, QWidget* parent)
    : QWidget(parent), context_(context), caption_(caption), body_(new QWidget(this)) {
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
