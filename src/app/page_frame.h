// The frame every tool page shares: a 26-pixel header strip (banner picture on the left with
// the page's bold title over it) above the page's own controls.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <string>

#include "app/page_context.h"
#include "tasks/task_slot.h"

class QVBoxLayout;
class QLabel;

namespace orv {

class IniFile;
struct BrowserPage;

namespace ui {
class TStringGrid;
}

class TToolPage : public QWidget {
    Q_OBJECT
  public:
    // `banner` names a picture under ":/banners/" ("batch_ping"); an empty `title` means the
    // page has no header strip. The context outlives the page.
    TToolPage(PageContext& context, const QString& caption, const QString& title,
              const QString& banner, QWidget* parent = nullptr);

    PageContext& Context() const { return context_; }

    // What start-up and the close ask of every page; a page that has no part in one ignores it.
    // Headings and widths of the page's result grid.
    virtual void LayOutGrid() {}
    // The page's own keys of settings.ini.
    virtual void LoadSettings(const IniFile&) {}
    virtual void SaveSettings(IniFile&) const {}
    // Fills the page's input from the page open in the web browser (see PrefillBox).
    virtual void PrefillFromBrowser(const BrowserPage& /*page*/) {}
    // The ask of the page's browser button (see BrowserButtonPress).
    task::TaskSlot& BrowserTask() { return browserTask_; }

    const QString& Caption() const { return caption_; }
    QString Title() const;
    // The area under the header strip, where the page puts its controls.
    QWidget* Body() const { return body_; }
    // True when the banner picture was found and decoded.
    bool HasBanner() const { return hasBanner_; }

  private:
    task::TaskSlot browserTask_;
    PageContext& context_;
    QString caption_;
    QLabel* title_ = nullptr;
    QWidget* body_;
    bool hasBanner_ = false;
};

// One column of a result grid: its heading (written into the heading row, when the grid has
// one) and its width.
struct GridColumn {
    const char* heading;
    int width;
};
void LayOutColumns(ui::TStringGrid* grid, std::initializer_list<GridColumn> columns);

// Gives a status label a fixed width that holds the longest of `texts` in the label's font (and
// again whenever that font changes), so a status that comes or goes never moves a control nor
// widens the window.
void KeepStatusRoom(QLabel* label, const QStringList& texts = {QStringLiteral("Working..."),
                                                               QStringLiteral("Done!")});

}  // namespace orv
