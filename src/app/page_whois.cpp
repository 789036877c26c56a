#include "app/page_whois.h"

#include <QBoxLayout>
#include <QPointer>
#include <QStyle>
#include <QTextCursor>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "app/browser_button.h"
#include "app/send_to.h"
#include "app/text_export.h"
#include "app/tool_row.h"
#include "common/boundary_guard.h"
#include "controls/dialogs.h"
#include "lookup/browser_url.h"
#include "lookup/name_resolution.h"
#include "tasks/worker.h"

namespace orv {

namespace {

const char* const kNoServerText = " Please input the whois server! ";
const char* const kStoppedLine = "*** Stopped by the user";
// Characters of a line the box shows in one piece; no WHOIS line comes near it.
constexpr qsizetype kShownWidth = 4096;

// One line's bytes as text: UTF-8 when the line is valid UTF-8, otherwise one character per
// byte, so a stray 8-bit byte spoils only its own line and no byte is replaced. A byte-order
// mark that opens the reply is no text to show (the line's bytes keep it).
QString DecodeLine(QByteArrayView line, bool first) {
    if (first && line.startsWith("\xef\xbb\xbf"))
        line = line.sliced(3);
    if (line.isValidUtf8())
        return QString::fromUtf8(line);
    return QString::fromLatin1(line);
}

bool IsAscii(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

}  // namespace

WhoisLines SplitReply(std::string reply, const QString& ending) {
    WhoisLines out;
    out.bytes = QByteArray(reply.data(), qsizetype(reply.size()));
    std::string().swap(reply);  // a reply can be megabytes: one copy at a time
    out.shown.reserve(out.bytes.size() + ending.size() + 1);
    auto show = [&out](QString text) {
        // The box would take a CR for a line break of its own (the line's bytes keep it).
        text.remove(u'\r');
        if (!out.ends.isEmpty())
            out.shown += u'\n';
        // A line of a size no reply line has is shown in pieces: the box lays out a line whole,
        // and one of megabytes costs hundreds of them.
        for (qsizetype at = 0; at < text.size();) {
            qsizetype piece = std::min(kShownWidth, text.size() - at);
            if (piece < text.size() - at && text[at + piece - 1].isHighSurrogate())
                --piece;  // a character outside the BMP stays whole
            if (at > 0)
                out.shown += u'\n';
            out.shown += QStringView(text).sliced(at, piece);
            at += piece;
        }
    };
    const char* data = out.bytes.constData();
    const qsizetype n = out.bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const void* lf = std::memchr(data + i, '\n', std::size_t(n - i));
        const qsizetype end = lf ? static_cast<const char*>(lf) - data : n;
        show(DecodeLine(QByteArrayView(data + i, end - i), i == 0));
        out.ends << end;
        i = end + 1;
    }
    if (!ending.isEmpty()) {
        if (n > 0 && data[n - 1] != '\n')
            out.bytes += '\n';
        out.bytes += ending.toUtf8();
        show(ending);
        out.ends << out.bytes.size();
    }
    return out;
}

std::string WhoisQueryText(const QString& query) {
    QString out;
    out.reserve(query.size());
    qsizetype i = 0;
    const qsizetype n = query.size();
    while (i < n) {
        if (query[i].isSpace()) {
            out += query[i++];
            continue;
        }
        qsizetype end = i;
        while (end < n && !query[end].isSpace())
            ++end;
        const QString word = query.mid(i, end - i);
        i = end;
        // Only a domain gets its ASCII form: a name or a handle with such letters is meant as
        // typed, and an ASCII word stays byte for byte (no case folding).
        if (!IsAscii(word) && word.contains(u'.')) {
            const QByteArray ace = QUrl::toAce(word);
            if (!ace.isEmpty()) {
                out += QString::fromLatin1(ace);
                continue;
            }
        }
        out += word;
    }
    return out.toStdString();
}

QStringList TReplyMemo::Lines() const {
    QStringList out;
    out.reserve(reply_.ends.size());
    qsizetype from = 0;
    for (qsizetype to : reply_.ends) {
        out << DecodeLine(QByteArrayView(reply_.bytes).sliced(from, to - from), from == 0);
        from = to + 1;
    }
    return out;
}

QByteArrayList TReplyMemo::LineBytes() const {
    QByteArrayList out;
    out.reserve(reply_.ends.size());
    qsizetype from = 0;
    for (qsizetype to : reply_.ends) {
        out << reply_.bytes.sliced(from, to - from);
        from = to + 1;
    }
    return out;
}

TReplyMemo::TReplyMemo(QWidget* parent) : ui::TMemo(parent) {
    // The box is read-only: nothing to undo, and slices would fill the undo stack.
    document()->setUndoRedoEnabled(false);
    sliceTimer_.setInterval(0);
    connect(&sliceTimer_, &QTimer::timeout, this, GuardedSlot("TReplyMemo::ShowSlice", [this] {
        try {
            if (!ShowSlice())
                sliceTimer_.stop();
        } catch (...) {
            // The box keeps what it shows (the export has it all); said once.
            sliceTimer_.stop();
            shown_.clear();
            shownUpTo_ = 0;
            throw;
        }
    }));
}

void TReplyMemo::SetReply(WhoisLines reply) {
    reply_.bytes = std::move(reply.bytes);
    reply_.ends = std::move(reply.ends);
    shown_ = std::move(reply.shown);
    shownUpTo_ = 0;
    // Whole slices of lines: the box lays out each insertion at once, and a reply of many
    // thousands of lines would block the window for as long in one go.
    ui::TMemo::Clear();
    if (ShowSlice())
        sliceTimer_.start();
    else
        sliceTimer_.stop();
}

bool TReplyMemo::ShowSlice() {
    const qsizetype left = shown_.size() - shownUpTo_;
    if (left <= 0)
        return false;
    qsizetype end = shownUpTo_ + std::min(left, kSliceChars);
    qsizetype lines = 0;
    for (qsizetype i = shownUpTo_; i < end; ++i)
        if (shown_[i] == u'\n' && ++lines == kSliceLines) {
            end = i;  // the next slice begins with this line break
            break;
        }
    if (end < shown_.size() && shown_[end - 1].isHighSurrogate())
        --end;  // a character outside the BMP stays whole
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringView(shown_).sliced(shownUpTo_, end - shownUpTo_).toString());
    shownUpTo_ = end;
    if (shownUpTo_ < shown_.size())
        return true;
    shown_.clear();
    shownUpTo_ = 0;
    return false;
}

void TReplyMemo::FinishFilling() {
    while (ShowSlice()) {
    }
    sliceTimer_.stop();
}

void TReplyMemo::SetLines(const QStringList& lines) {
    WhoisLines reply;
    for (const QString& line : lines) {
        if (!reply.ends.isEmpty())
            reply.bytes += '\n';
        reply.bytes += line.toUtf8();
        reply.ends << reply.bytes.size();
    }
    reply.shown = lines.join(u'\n');
    reply.shown.remove(u'\r');
    SetReply(std::move(reply));
}

void TReplyMemo::Add(const QString& line) {
    FinishFilling();  // the line goes after the whole reply
    if (!reply_.ends.isEmpty())
        reply_.bytes += '\n';
    reply_.bytes += line.toUtf8();
    reply_.ends << reply_.bytes.size();
    QString shown = line;
    shown.remove(u'\r');
    appendPlainText(shown);
}

void TReplyMemo::Clear() {
    sliceTimer_.stop();
    shown_.clear();
    shownUpTo_ = 0;
    reply_ = {};
    ui::TMemo::Clear();
}

// One query: the server's reply, split into lines, into meResults in one write; when the query
// fails, what arrived and then one line that says why.
class whois_thread final : public task::WorkerThread {
  public:
    whois_thread(TWhoisPage* page, std::shared_ptr<net::WhoisClient> client, std::string query)
        : page_(page), client_(std::move(client)), query_(std::move(query)) {}

  protected:
    void Execute() override {
        net::WhoisReply reply = client_->QueryDomain(query_);
        // A stopped query writes nothing more: Stop shows what had arrived itself.
        if (Halted() || reply.status == net::WhoisStatus::Stopped)
            return;
        WhoisLines lines =
            SplitReply(std::move(reply.text),
                       reply.ok() ? QString() : "*** " + QString::fromStdString(reply.error));
        Synchronize([page = page_, lines = std::move(lines)]() mutable {
            if (page)
                page->ShowReply(std::move(lines));
        });
    }

  private:
    QPointer<TWhoisPage> page_;
    std::shared_ptr<net::WhoisClient> client_;
    std::string query_;
};

TWhoisPage::TWhoisPage(PageContext& context, QWidget* parent)
    : TToolPage(context, "Whois", "Whois", "whois", parent) {
    SaveDialog1.defaultExt = "txt";
    SaveDialog1.filter = "*.txt|*.txt";

    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(4);
    layout->addLayout(BuildQueryRow());
    layout->addLayout(BuildServerRow());
    meResults = new TReplyMemo;
    meResults->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(meResults, 1);
    WireHandlers();
}

// The query box with Start, Stop, the status, Export and the browser link.
QHBoxLayout* TWhoisPage::BuildQueryRow() {
    whois_start_button = new ui::TSpeedButton("Whois", "Whois", QStyle::SP_MediaPlay);
    button3 = new ui::TSpeedButton("Stop", "Stop", QStyle::SP_MediaStop);
    SpeedButton19 =
        new ui::TSpeedButton("Export", "Export the results to a file", QStyle::SP_DialogSaveButton);
    SpeedButton23 = new ui::TSpeedButton(
        "", "Query the domain currently open in the Internet Explorer", QStyle::SP_DesktopIcon);
    state_label = new ui::TLabel("Working...");
    state_label->setMinimumWidth(70);
    // Hidden until the first query, without the row shifting when it shows.
    QSizePolicy keep = state_label->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    state_label->setSizePolicy(keep);
    state_label->hide();
    const ToolRow row = MakeToolRow(
        this, "WWW.", {whois_start_button, button3, state_label, SpeedButton19, SpeedButton23});
    edDomain = row.edit;
    pop_whois = row.popup;
    AddSendToItems(pop_whois, "pop_whois", edDomain, Context());
    return row.layout;
}

// The custom server: its check box and the box with the registries to choose from.
QHBoxLayout* TWhoisPage::BuildServerRow() {
    auto* server = new QHBoxLayout;
    server->setSpacing(6);
    CheckBox7 = new ui::TCheckBox("Using a Customized Whois Server");
    edit10 = new ui::TComboBox(true);
    QStringList choices;
    for (const char* s : kWhoisServerChoices)
        choices << QString::fromLatin1(s);
    edit10->SetItems(choices);
    edit10->setEnabled(false);
    server->addWidget(CheckBox7);
    server->addWidget(edit10, 1);
    return server;
}

void TWhoisPage::WireHandlers() {
    edDomain->OnEnter = [this] { whois_start_buttonClick(); };
    connect(edDomain, &QLineEdit::textEdited, this,
            GuardedSlot("TWhoisPage::TakeOver", [this] { TakeOver(); }));
    whois_start_button->OnClick = [this] { whois_start_buttonClick(); };
    button3->OnClick = [this] { Button3Click(); };
    CheckBox7->OnClick = [this] { CheckBox7Click(); };
    SpeedButton19->OnClick = [this] { SpeedButton19Click(); };
    SpeedButton23->OnClick = [this] { SpeedButton23Click(); };
}

void TWhoisPage::CheckBox7Click() {
    edit10->setEnabled(CheckBox7->Checked());
}

void TWhoisPage::StopQuery() {
    // The client first: its blocked connect or read ends at once and the thread goes away.
    if (IdWhois)
        IdWhois->CloseConnection();
    whois_thread_.Halt();
}

void TWhoisPage::TakeOver() {
    if (!awaiting_)
        return;
    awaiting_ = false;
    BrowserTask().Halt();
    if (Context().sendTargets)
        Context().sendTargets->DropPending();
    whois_button_active();
}

void TWhoisPage::AwaitQuery(const QString& text) {
    Button3Click();
    awaiting_ = true;
    edDomain->SetText(text);
    meResults->Clear();
    state_label->SetCaption("Working...");
    state_label->show();
    whois_start_button->setEnabled(false);
}

void TWhoisPage::AwaitEnded() {
    if (!awaiting_)
        return;
    awaiting_ = false;
    whois_button_active();
}

void TWhoisPage::whois_start_buttonClick() {
    TakeOver();
    auto queue = Context().queue;
    if (!queue)
        return;
    // Two queries must never write into one memo.
    StopQuery();

    state_label->SetCaption("Working...");
    state_label->show();
    whois_start_button->setEnabled(false);
    meResults->Clear();

    std::string host = kDefaultWhoisServer;
    if (CheckBox7->Checked()) {
        QString custom = edit10->Text().trimmed();
        if (custom.isEmpty()) {
            Context().Dialogs().Warn(this, kNoServerText);
            whois_button_active();
            return;
        }
        host = custom.toStdString();
    }

    auto client = std::make_shared<net::WhoisClient>();
    client->SetHost(host);
    client->SetPort(IdWhoisSettings.port);
    client->SetIdleTimeout(IdWhoisSettings.idleTimeout);
    client->SetDeadline(IdWhoisSettings.deadline);
    client->SetMaxReply(IdWhoisSettings.maxReply);
    client->SetMaxLines(IdWhoisSettings.maxLines);
    IdWhois = client;
    replyShown_ = false;

    QPointer<TWhoisPage> self(this);
    whois_thread_.Start(
        std::make_shared<whois_thread>(this, client, WhoisQueryText(edDomain->Text().trimmed())),
        queue, [self] {
            if (self)
                self->whois_button_active();
        });
}

void TWhoisPage::whois_button_active() {
    state_label->SetCaption("Done!");
    whois_start_button->setEnabled(true);
}

void TWhoisPage::ShowReply(WhoisLines reply) {
    replyShown_ = true;
    // Kept only for a Stop before this write; the memo holds the reply now.
    if (IdWhois)
        IdWhois->ForgetReceived();
    meResults->SetReply(std::move(reply));
}

void TWhoisPage::Button3Click() {
    TakeOver();
    const auto t = whois_thread_.Current();
    if (!t)
        return;
    // A query still under way leaves what had arrived, and says that it was cut short.
    const bool underWay = !t->Halted() && !t->Finished() && !replyShown_;
    const auto client = IdWhois;
    StopQuery();
    if (underWay && client)
        ShowReply(SplitReply(client->Received(), kStoppedLine));
    state_label->SetCaption("Done!");
    whois_start_button->setEnabled(true);
}

void TWhoisPage::QueryDomain(const QString& domain) {
    awaiting_ = false;
    edDomain->SetText(domain);
    Button3Click();
    whois_start_buttonClick();
}

bool TWhoisPage::SaveDialog1CanClose(const QString& fileName) {
    return ConfirmReplace(Context().Dialogs(), this, fileName);
}

void TWhoisPage::SpeedButton19Click() {
    // The reply's own bytes, whatever their encoding. A line that kept the server's CR gets
    // only the LF, so the file has plain CR LF ends.
    QByteArrayList lines;
    lines.reserve(meResults->LineCount());
    const QByteArrayList replyLines = meResults->LineBytes();
    for (QByteArray line : replyLines) {
        if (line.endsWith('\r'))
            line.chop(1);
        lines << line;
    }
    SaveLines(Context().Dialogs(), this, SaveDialog1, lines,
              [this](const QString& f) { return SaveDialog1CanClose(f); });
}

void TWhoisPage::SpeedButton23Click() {
    // A user action: a send or an earlier press still waiting yields to this one.
    TakeOver();
    BrowserButtonPress(
        *this, edDomain, true, [this](const BrowserPage& page) { QueryDomain(page.whoisDomain); },
        // While the name of a page opened by address is looked up, the page says it works.
        [this](const QString& address) { AwaitQuery(address); });
}

void TWhoisPage::PrefillFromBrowser(const BrowserPage& page) {
    PrefillBox(edDomain, page.whoisDomain);
}

void TWhoisPage::LoadSettings(const IniFile& ini) {
    const bool custom = ini.ReadString("whois", "customized", "false") == "true";
    CheckBox7->SetChecked(custom);
    edit10->setEnabled(custom);
    edit10->SetText(QString::fromStdString(ini.ReadString("whois", "server", "")));
}

void TWhoisPage::SaveSettings(IniFile& ini) const {
    ini.WriteString("whois", "customized", CheckBox7->Checked() ? "true" : "false");
    ini.WriteString("whois", "server", edit10->Text().trimmed().toStdString());
}

}  // namespace orv
