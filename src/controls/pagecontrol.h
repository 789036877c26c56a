// A page control whose tabs are hidden: the program switches pages. Its active index may be
// -1, in which case no page is shown.
#pragma once

#include <QStackedWidget>
#include <QString>

namespace orv::ui {

class TPageControl : public QStackedWidget {
    Q_OBJECT
  public:
    explicit TPageControl(QWidget* parent = nullptr);

    int AddPage(QWidget* page, const QString& caption);
    int PageCount() const { return count() - 1; }
    QWidget* Page(int i) const { return i >= 0 && i < PageCount() ? widget(i) : nullptr; }
    QString PageCaption(int i) const;
    // -1 when no page is shown.
    int ActivePageIndex() const;
    // An index outside the pages shows none.
    void SetActivePageIndex(int i);
    QWidget* ActivePage() const { return Page(ActivePageIndex()); }
    void SetActivePage(QWidget* page);

  signals:
    void PageChanged(int index);

  private:
    QWidget* none_;  // shown when no page is active; always the last widget
};

}  // namespace orv::ui
