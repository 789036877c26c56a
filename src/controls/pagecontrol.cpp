#include "controls/pagecontrol.h"

#include <QVariant>

#include "common/boundary_guard.h"

namespace orv::ui {

TPageControl::TPageControl(QWidget* parent) : QStackedWidget(parent), none_(new QWidget(this)) {
    addWidget(none_);
    setCurrentWidget(none_);
    connect(
        this, &QStackedWidget::currentChanged, this,
        GuardedSlot("TPageControl::PageChanged", [this] { emit PageChanged(ActivePageIndex()); }));
}

int TPageControl::AddPage(QWidget* page, const QString& caption) {
    page->setProperty("pageCaption", caption);
    int i = insertWidget(PageCount(), page);
    return i;
}

QString TPageControl::PageCaption(int i) const {
    QWidget* p = Page(i);
    return p ? p->property("pageCaption").toString() : QString();
}

int TPageControl::ActivePageIndex() const {
    int i = currentIndex();
    return i >= 0 && i < PageCount() ? i : -1;
}

void TPageControl::SetActivePageIndex(int i) {
    setCurrentWidget(i >= 0 && i < PageCount() ? widget(i) : none_);
}

void TPageControl::SetActivePage(QWidget* page) {
    int i = indexOf(page);
    if (i >= 0 && i < PageCount())
        setCurrentIndex(i);
}

}  // namespace orv::ui
