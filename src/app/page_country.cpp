#include "app/page_country.h"

#include <QBoxLayout>
#include <QDialog>
#include <QGridLayout>
#include <QPalette>
#include <QPointer>
#include <QStyle>
#include <memory>
#include <optional>

#include "app/browser_button.h"
#include "app/fonts.h"
#include "app/list_editing.h"
#include "app/send_to.h"
#include "controls/dialogs.h"
#include "lookup/browser_url.h"
#include "lookup/country_lookup.h"
#include "tasks/worker.h"

namespace orv {

// The single lookup: Edit3's text as it was at the press, its answer into Edit6.
class whereis_single_thread final : public task::WorkerThread {
  public:
    whereis_single_thread(TCountryLookupPage* page, std::string text)
        : page_(page), text_(std::move(text)) {}

  protected:
    void Execute() override {
        if (text_.empty())
            return;
        QString answer = QString::fromStdString(LookupCountry(text_));
        Synchronize([page = page_, answer] {
            if (page)
                page->Edit6->SetText(answer);
        });
    }

  private:
    QPointer<TCountryLookupPage> page_;
    std::string text_;
};

// The batch lookup: every entry of ListBox3, read afresh at each step so edits during the run
// count for the entries still to come; one grid row and one count per entry.
class whereis_batch_thread final : public task::WorkerThread {
  public:
    explicit whereis_batch_thread(TCountryLookupPage* page) : page_(page) {}

  protected:
    void Execute() override {
        CountryTally tally;
        for (int i = 0;; ++i) {
            // The entry's text, and its bytes as the list has them for the exports.
            using Entry = std::pair<QString, QByteArray>;
            auto entry = Query<std::optional<Entry>>([page = page_, i]() -> std::optional<Entry> {
                if (!page || i >= page->ListBox3->Count())
                    return std::nullopt;
                return Entry{page->ListBox3->Item(i), page->ListBox3->ItemBytes(i)};
            });
            if (!entry || !*entry)
                return;
            const QString& text = (*entry)->first;
            // The entry shows in the empty last row while its lookup runs.
            bool open = Synchronize([page = page_, text, bytes = (*entry)->second] {
                if (!page)
                    return;
                ui::TStringGrid* g = page->StringGrid3;
                g->SetCells(0, g->RowCount() - 1, text);
                g->Model().SetCellBytes(0, g->RowCount() - 1, bytes);
            });
            if (!open)
                return;

            std::string result = LookupCountry(text.toStdString());
            const bool found = tally.Add(result);
            const int count = found ? tally.successful : tally.failed;
            QString answer = QString::fromStdString(result);
            open = Synchronize([page = page_, answer, found, count] {
                if (!page)
                    return;
                ui::TStringGrid* g = page->StringGrid3;
                int r = g->RowCount() - 1;
                g->SetCells(1, r, answer);
                g->SetRow(r);
                g->SetRowCount(r + 2);
                (found ? page->Label49 : page->Label51)->SetCaption(QString::number(count));
            });
            if (!open)
                return;
        }
    }

  private:
    QPointer<TCountryLookupPage> page_;
};

namespace {

const char* const kEntryHeading = "Domain Name / IP Address";
const char* const kCountryHeading = "Country";

void Colour(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}

}  // namespace

TCountryLookupPage::TCountryLookupPage(PageContext& context, QWidget* parent)
    : TToolPage(context, "Country Lookup", "IP Country Converter", "ip_country_converter", parent) {
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(4);
    BuildSingleLookup(layout);
    BuildBatchBar(layout);
    BuildBatchLists(layout);
    WireHandlers();
}

// Single lookup: entry and answer side by side.
void TCountryLookupPage::BuildSingleLookup(QVBoxLayout* layout) {
    QStyle* st = style();
    auto* single = new QGridLayout;
    single->setHorizontalSpacing(6);
    single->setVerticalSpacing(2);
    Label38 = new ui::TLabel("Domain Name / IP Address");
    Edit3 = new ui::TEdit;
    Edit3->setToolTip("Right Click to Get More");
    SpeedButton9 = new ui::TSpeedButton("Resolve", "Resolve");
    SpeedButton9->setIcon(st->standardIcon(QStyle::SP_ArrowRight));
    SpeedButton9->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SpeedButton24 =
        new ui::TSpeedButton("", "Query the domain currently open in the Internet Explorer");
    SpeedButton24->setIcon(st->standardIcon(QStyle::SP_DesktopIcon));
    Label39 = new ui::TLabel("Country");
    Edit6 = new ui::TEdit;
    single->addWidget(Label38, 0, 0);
    single->addWidget(Label39, 0, 3);
    single->addWidget(Edit3, 1, 0);
    single->addWidget(SpeedButton9, 1, 1);
    single->addWidget(SpeedButton24, 1, 2);
    single->addWidget(Edit6, 1, 3);
    single->setColumnStretch(0, 2);
    single->setColumnStretch(3, 3);
    layout->addLayout(single);

    Pop_country_lookup = new ui::TPopupMenu(this);
    AddSendToItems(Pop_country_lookup, "Pop_country_lookup", Edit3, Context());
    Pop_country_lookup->AttachTo(Edit3);
}

// The batch heading with Start, Stop, the status and Export.
void TCountryLookupPage::BuildBatchBar(QVBoxLayout* layout) {
    QStyle* st = style();
    auto* batchBar = new QHBoxLayout;
    batchBar->setSpacing(4);
    Label40 = new ui::TLabel("Batch Lookup");
    Label40->setFont(PageFont(9, true));
    whereis_start = new ui::TSpeedButton("Start", "Start");
    whereis_start->setIcon(st->standardIcon(QStyle::SP_MediaPlay));
    whereis_start->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    whereis_stop = new ui::TSpeedButton("Stop", "Stop");
    whereis_stop->setIcon(st->standardIcon(QStyle::SP_MediaStop));
    whereis_stop->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SpeedButton11 = new ui::TSpeedButton("Export", "Export the result to a file");
    SpeedButton11->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
    SpeedButton11->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    Label56 = new ui::TLabel;
    Label56->setMinimumWidth(70);
    batchBar->addWidget(Label40);
    batchBar->addStretch(1);
    batchBar->addWidget(whereis_start);
    batchBar->addWidget(whereis_stop);
    batchBar->addWidget(Label56);
    batchBar->addWidget(SpeedButton11);
    layout->addLayout(batchBar);
}

// The batch: the list with its import and total on the left, the results and counts on the
// right.
void TCountryLookupPage::BuildBatchLists(QVBoxLayout* layout) {
    QStyle* st = style();
    auto* batch = new QHBoxLayout;
    batch->setSpacing(6);
    auto* listSide = new QVBoxLayout;
    listSide->setSpacing(2);
    ListBox3 = new ui::TListBox;
    ListBox3->setFixedWidth(170);
    PopupMenu3 = new ui::TPopupMenu(this);
    auto* listFoot = new QHBoxLayout;
    SpeedButton10 =
        new ui::TSpeedButton("Import", "Import an domain name or IP address file (*.txt)");
    SpeedButton10->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
    SpeedButton10->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    Label44 = new ui::TLabel("Total");
    Label45 = new ui::TLabel(QString(16, ' '));
    listFoot->addWidget(SpeedButton10);
    listFoot->addStretch(1);
    listFoot->addWidget(Label44);
    listFoot->addWidget(Label45);
    listSide->addWidget(ListBox3, 1);
    listSide->addLayout(listFoot);

    auto* resultSide = new QVBoxLayout;
    resultSide->setSpacing(2);
    StringGrid3 = new ui::TStringGrid(2, 2, 1);
    StringGrid3->SetOptions(ui::GridOption::ColSizing | ui::GridOption::RowSizing |
                            ui::GridOption::Editing);
    pop_country_results = new ui::TPopupMenu(this);
    AddSendToItems(pop_country_results, "pop_country_results", StringGrid3, Context());
    pop_country_results->AttachTo(StringGrid3);
    auto* counts = new QHBoxLayout;
    Label48 = new ui::TLabel("Successful");
    Label49 = new ui::TLabel;
    Label49->setMinimumWidth(50);
    Colour(Label49, Qt::darkGreen);
    Label50 = new ui::TLabel("Failed");
    Label51 = new ui::TLabel;
    Label51->setMinimumWidth(50);
    Colour(Label51, Qt::red);
    counts->addWidget(Label48);
    counts->addWidget(Label49);
    counts->addSpacing(12);
    counts->addWidget(Label50);
    counts->addWidget(Label51);
    counts->addStretch(1);
    resultSide->addWidget(StringGrid3, 1);
    resultSide->addLayout(counts);

    batch->addLayout(listSide);
    batch->addLayout(resultSide, 1);
    layout->addLayout(batch, 1);
}

void TCountryLookupPage::WireHandlers() {
    Edit3->OnEnter = [this] { Edit3KeyPress('\r'); };
    SpeedButton9->OnClick = [this] { SpeedButton9Click(); };
    // Add / Update / Delete / Clear All, double-click, import and the total label.
    TListEditing::Attach(Context(), EditedList::Whereis, ListBox3, Label45, SpeedButton10,
                         PopupMenu3);
    AddSendToItems(PopupMenu3, "PopupMenu3", ListBox3, Context());
    whereis_start->OnClick = [this] { whereis_startClick(); };
    whereis_stop->OnClick = [this] { whereis_stopClick(); };
    SpeedButton11->OnClick = [this] { SpeedButton11Click(); };
    SpeedButton24->OnClick = [this] { SpeedButton24Click(); };
}

void TCountryLookupPage::Edit3KeyPress(char key) {
    if (key == 13)
        SpeedButton9Click();
}

void TCountryLookupPage::SpeedButton9Click() {
    // An empty box asks nothing: a lookup still running is left to answer.
    if (Edit3->Text().isEmpty())
        return;
    auto queue = Context().queue;
    if (!queue)
        return;
    // Only the newest press may answer (the slot halts the one before): an older lookup that
    // comes back later would put the answer for a text no longer asked about into Edit6.
    whereis_single_thread_.Start(
        std::make_shared<whereis_single_thread>(this, Edit3->Text().toStdString()), queue);
}

void TCountryLookupPage::LookUpCountry(const QString& text) {
    Edit3->SetText(text);
    SpeedButton9Click();
}

void TCountryLookupPage::whereis_startClick() {
    if (ListBox3->Count() == 0) {
        Context().Dialogs().Warn(this,
                                 " Please import the domain names or IP addresses list(*.txt)! ");
        return;
    }
    auto queue = Context().queue;
    if (!queue)
        return;
    // Two runs must never write into one grid: the old one goes before the grid is cleared.
    whereis_batch_thread_.Halt();

    StringGrid3->Model().Clear();
    StringGrid3->SetRowCount(2);
    StringGrid3->SetCells(0, 0, kEntryHeading);
    StringGrid3->SetCells(1, 0, kCountryHeading);
    Label49->SetCaption("");
    Label51->SetCaption("");
    whereis_start->setEnabled(false);
    Label56->SetCaption("Working...");

    QPointer<TCountryLookupPage> self(this);
    whereis_batch_thread_.Start(std::make_shared<whereis_batch_thread>(this), queue, [self] {
        if (self)
            self->whereis_batch_active();
    });
}

void TCountryLookupPage::whereis_batch_active() {
    whereis_start->setEnabled(true);
    Label56->SetCaption("Done!");
}

void TCountryLookupPage::whereis_stopClick() {
    if (whereis_batch_thread_.Empty())
        return;
    whereis_batch_thread_.Halt();
    Label56->SetCaption("Done!");
    whereis_start->setEnabled(true);
}

void TCountryLookupPage::SpeedButton11Click() {
    if (country_export)
        Context().Dialogs().ExecModal(country_export);
}

void TCountryLookupPage::LayOutGrid() {
    LayOutColumns(StringGrid3, {{"Domain Name / IP Address", 160}, {"Country", 2000}});
}

void TCountryLookupPage::SpeedButton24Click() {
    const std::optional<std::string> url = BrowserUrlForButton(*this);
    if (!url)
        return;
    Edit3->SetText(QString::fromStdString(HostOfUrl(*url)));
    SpeedButton9Click();
}

void TCountryLookupPage::PrefillFromBrowser(const std::function<std::string()>& host) {
    Edit3->SetText(QString::fromStdString(host()));
}

}  // namespace orv
