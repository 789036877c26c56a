// The "Country Lookup" page: the owner or country of a name's or address's block, for one entry
// typed into Edit3 or for every entry of ListBox3, each lookup on a worker thread.
#pragma once

#include <string>

#include "app/page_frame.h"
#include "controls/stringgrid.h"
#include "controls/widgets.h"
#include "tasks/task_slot.h"

class QDialog;
class QVBoxLayout;

namespace orv {

class TCountryLookupPage final : public TToolPage {
    Q_OBJECT
  public:
    explicit TCountryLookupPage(PageContext& context, QWidget* parent = nullptr);

    void LayOutGrid() override;
    void PrefillFromBrowser(const BrowserPage& page) override;

    // Single lookup.
    ui::TLabel* Label38;
    ui::TEdit* Edit3;
    ui::TSpeedButton* SpeedButton9;   // "Resolve"
    ui::TSpeedButton* SpeedButton24;  // the host open in the web browser
    ui::TLabel* Label39;
    ui::TEdit* Edit6;
    ui::TPopupMenu* Pop_country_lookup;

    // Batch lookup.
    ui::TLabel* Label40;
    ui::TListBox* ListBox3;
    ui::TPopupMenu* PopupMenu3;
    ui::TSpeedButton* SpeedButton10;  // list import
    ui::TLabel* Label44;
    ui::TLabel* Label45;  // number of entries in ListBox3
    ui::TSpeedButton* whereis_start;
    ui::TSpeedButton* whereis_stop;
    ui::TLabel* Label56;  // "Working..." / "Done!"
    ui::TStringGrid* StringGrid3;
    ui::TPopupMenu* pop_country_results;
    ui::TSpeedButton* SpeedButton11;  // export
    ui::TLabel* Label48;
    ui::TLabel* Label49;  // successful count
    ui::TLabel* Label50;
    ui::TLabel* Label51;  // failed count

    // The export dialog SpeedButton11 shows modally; set by whoever creates the windows.
    QDialog* country_export = nullptr;

    // Handlers.
    void Edit3KeyPress(char key);
    void SpeedButton9Click();
    // Send-to target: the box gets `text`, then the single lookup runs.
    void LookUpCountry(const QString& text);
    void whereis_startClick();
    void whereis_stopClick();
    void whereis_batch_active();
    void SpeedButton11Click();
    // Takes the page open in the web browser and runs the tool on it.
    void SpeedButton24Click();

    // The single lookup of the last Resolve, and the batch of the last Start.
    const task::TaskSlot& WhereisSingleThread() const { return whereis_single_thread_; }
    const task::TaskSlot& WhereisBatchThread() const { return whereis_batch_thread_; }

  private:
    void BuildSingleLookup(QVBoxLayout* layout);
    void BuildBatchBar(QVBoxLayout* layout);
    void BuildBatchLists(QVBoxLayout* layout);
    void WireHandlers();

    task::TaskSlot whereis_single_thread_;
    task::TaskSlot whereis_batch_thread_;
};

}  // namespace orv
