// The "Whois" page: one WHOIS query for the domain in edDomain, to the default server or to the
// one in edit10, on a worker thread; the reply line by line in meResults, and its export.
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/page_frame.h"
#include "controls/dialogs.h"
#include "controls/widgets.h"
#include "platform/whois.h"
#include "tasks/task_slot.h"

class QHBoxLayout;

namespace orv {

// Asked when no customized server is chosen; it answers for .com and .net domains.
inline constexpr const char* kDefaultWhoisServer = "whois.verisign-grs.com";
// The drop-down of edit10: the regional registries.
inline constexpr const char* kWhoisServerChoices[] = {"whois.ripe.net", "whois.arin.net",
                                                      "whois.apnic.net"};

// A reply made ready for the reply box: its bytes as the server sent them, where line i ends
// at `ends[i]` (before its LF; a CR before the LF stays with the line) and the next one starts
// one byte later, and the text the box shows. One buffer, not one per line: a reply of short
// lines costs the bytes it has.
struct WhoisLines {
    QByteArray bytes;
    QList<qsizetype> ends;
    QString shown;
};

// Splits `reply` into lines, one per LF (empty ones too) and a last one for a final part
// without LF, and adds `ending` as a last line when it is not empty. Each line is shown as
// UTF-8 when it is valid UTF-8 and as one character per byte otherwise.
WhoisLines SplitReply(std::string reply, const QString& ending = {});

// The query as it goes to the server: a word with non-ASCII letters that names a domain
// (it has a dot) goes out in its ASCII form; every other word (an address, an AS number, a
// handle, a flag, a name) goes out as typed, in UTF-8.
std::string WhoisQueryText(const QString& query);

// The reply box. It keeps every line's bytes as the server sent them, a CR before the LF
// included, for the export; the text box itself would take a CR for a line break, so the
// screen shows the lines without it. A long reply goes into the box in slices, one per turn of
// the event loop, so the window keeps answering while megabytes are laid out.
class TReplyMemo final : public ui::TMemo {
  public:
    explicit TReplyMemo(QWidget* parent = nullptr);

    // Lines of the shown text that go into the box in one slice, at most.
    static constexpr qsizetype kSliceLines = 2048;
    // Characters of one slice, at most (a slice ends at a line's end, or at this many).
    static constexpr qsizetype kSliceChars = 1024 * 1024;

    // The lines as text: each line's bytes decoded as SplitReply shows them.
    QStringList Lines() const;
    QByteArrayList LineBytes() const;
    int LineCount() const { return static_cast<int>(reply_.ends.size()); }
    // Replaces the content with `reply` in one go.
    void SetReply(WhoisLines reply);
    // Lines given as text are kept as their UTF-8 bytes.
    void SetLines(const QStringList& lines);
    void Add(const QString& line);
    void Clear();
    // True while slices of the reply are still to go into the box.
    bool Filling() const { return shownUpTo_ < shown_.size(); }

  private:
    // Puts the next slice of `shown_` into the box; true while more are left.
    bool ShowSlice();
    void FinishFilling();

    WhoisLines reply_;  // without `shown`, which the box holds (or is being given)
    QString shown_;     // the text to show, while slices of it are still to go
    qsizetype shownUpTo_ = 0;
    QTimer sliceTimer_;
};

class TWhoisPage final : public TToolPage {
    Q_OBJECT
  public:
    explicit TWhoisPage(PageContext& context, QWidget* parent = nullptr);

    void PrefillFromBrowser(const BrowserPage& page) override;
    void LoadSettings(const IniFile& ini) override;
    void SaveSettings(IniFile& ini) const override;

    ui::TEdit* edDomain;
    ui::TPopupMenu* pop_whois;
    ui::TSpeedButton* whois_start_button;
    ui::TSpeedButton* button3;        // Stop
    ui::TSpeedButton* SpeedButton19;  // export
    ui::TSpeedButton* SpeedButton23;  // the domain open in the web browser
    ui::TLabel* state_label;          // "Working..." / "Done!"
    ui::TCheckBox* CheckBox7;
    ui::TComboBox* edit10;
    TReplyMemo* meResults;

    // How every query connects; tests point it at a server of their own.
    struct WhoisSettings {
        std::uint16_t port = net::WhoisClient::kDefaultPort;
        std::chrono::milliseconds idleTimeout = net::WhoisClient::kDefaultIdleTimeout;
        std::chrono::milliseconds deadline = net::WhoisClient::kDefaultDeadline;
        std::size_t maxReply = net::WhoisClient::kDefaultMaxReply;
        std::size_t maxLines = net::WhoisClient::kDefaultMaxLines;
    };
    WhoisSettings IdWhoisSettings;
    // The client of the query in progress, or of the last one.
    std::shared_ptr<net::WhoisClient> IdWhois;
    // The export's save dialog: a text file.
    ui::FileDialogSpec SaveDialog1;

    // Handlers.
    void whois_start_buttonClick();
    void whois_button_active();
    void Button3Click();
    // Send-to target (and the browser button's): the box gets `domain`, then Stop and the query
    // run.
    void QueryDomain(const QString& domain);
    // Send-to (or browser button press) of `text` whose domain is still being looked up: any
    // query stops, the box gets
    // `text` and the page says it is working until QueryDomain or AwaitEnded.
    void AwaitQuery(const QString& text);
    // The look-up was dropped without a query.
    void AwaitEnded();
    // Enables the server box while the check box is checked.
    void CheckBox7Click();
    void SpeedButton19Click();
    // Takes the page open in the web browser and runs the tool on it.
    void SpeedButton23Click();
    // Asked with the chosen name before the save dialog closes; false keeps it open.
    bool SaveDialog1CanClose(const QString& fileName);

    // The worker's one write: the reply, or what arrived and the line that says why it ended.
    void ShowReply(WhoisLines reply);

    // The query of the last Start.
    const task::TaskSlot& WhoisThread() const { return whois_thread_; }

  private:
    QHBoxLayout* BuildQueryRow();
    QHBoxLayout* BuildServerRow();
    void WireHandlers();
    void StopQuery();
    // A user action on the page: a send or a browser button press still looking up its domain
    // is dropped, or it would overwrite what the user does.
    void TakeOver();

    // Whether the query in progress has put its reply in meResults yet.
    bool replyShown_ = false;
    // A send-to or a browser button press waits for its domain (AwaitQuery).
    bool awaiting_ = false;
    task::TaskSlot whois_thread_;
};

}  // namespace orv
