#include "app/page_whois.h"

#include <QBoxLayout>
#include <QPointer>
#include <QStringDecoder>
#include <QStyle>
#include <string>
#include <utility>

#include "app/globals.h"
#include "app/p_main.h"
#include "app/text_export.h"
#include "controls/dialogs.h"
#include "controls/worker.h"

namespace orv {

namespace {

const char* const kNoServerText = " Please input the whois server! ";
// Lines per write to the page: a long reply reaches the memo in slices, so the window keeps
// painting and a Stop in between drops the rest.
constexpr qsizetype kLinesPerWrite = 2000;

std::shared_ptr<ui::UiChannel> Channel() {
    return G().main ? G().main->Channel() : nullptr;
}

// 8-bit text: UTF-8 when it is valid UTF-8, otherwise one character per byte, so no byte is
// replaced.
QString Decode(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (utf8.hasError())
        text = QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    return text;
}

// The reply's lines: a line ends at each LF, which is dropped; a CR before it stays with the
// line; LFs in a row give no empty lines; a last part without LF is a line too.
QStringList SplitReply(const QString& reply) {
    QStringList lines;
    const qsizetype n = reply.size();
    qsizetype i = 0;
    while (i < n) {
        if (reply[i] == u'\n') {
            ++i;
            continue;
        }
        qsizetype end = reply.indexOf(u'\n', i);
        if (end < 0)
            end = n;
        lines << reply.mid(i, end - i);
        i = end;
    }
    return lines;
}

}  // namespace

void TReplyMemo::AddLines(const QStringList& lines) {
    if (lines.isEmpty())
        return;
    lines_ << lines;
    QString shown = lines.join(u'\n');
    shown.remove(u'\r');
    appendPlainText(shown);
}

void TReplyMemo::SetLines(const QStringList& lines) {
    Clear();
    AddLines(lines);
}

void TReplyMemo::Clear() {
    lines_.clear();
    ui::TMemo::Clear();
}

// One query: the server's reply, split into lines, into meResults; when the query fails, what
// arrived and then one line that says why.
class whois_thread final : public ui::WorkerThread {
  public:
    whois_thread(TWhoisPage* page, std::shared_ptr<net::WhoisClient> client, std::string query)
        : page_(page), client_(std::move(client)), query_(std::move(query)) {}

  protected:
    void Execute() override {
        net::WhoisReply reply = client_->QueryDomain(query_);
        // A stopped query writes nothing more.
        if (Halted() || reply.status == net::WhoisStatus::Stopped)
            return;
        QStringList lines = SplitReply(Decode(reply.text));
        if (!reply.ok())
            lines << "*** " + QString::fromStdString(reply.error);
        for (qsizetype at = 0; at < lines.size(); at += kLinesPerWrite) {
            QStringList slice = lines.mid(at, kLinesPerWrite);
            bool open = Synchronize([page = page_, slice = std::move(slice)] {
                if (page)
                    page->meResults->AddLines(slice);
            });
            if (!open)
                return;
        }
    }

  private:
    QPointer<TWhoisPage> page_;
    std::shared_ptr<net::WhoisClient> client_;
    std::string query_;
};

TWhoisPage::TWhoisPage(QWidget* parent) : TToolPage("Whois", "Whois", "whois", parent) {
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(4);

    auto* form = new QHBoxLayout;
    form->setSpacing(4);
    form->addWidget(new ui::TLabel("WWW."));
    edDomain = new ui::TEdit;
    edDomain->setToolTip("Right Click to Get More");
    pop_whois = new ui::TPopupMenu(this);
    pop_whois->AttachTo(edDomain);
    form->addWidget(edDomain, 1);
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
    form->addWidget(whois_start_button);
    form->addWidget(button3);
    form->addWidget(state_label);
    form->addWidget(SpeedButton19);
    form->addWidget(SpeedButton23);

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

    meResults = new TReplyMemo;
    meResults->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    layout->addLayout(form);
    layout->addLayout(server);
    layout->addWidget(meResults, 1);

    edDomain->OnEnter = [this] { whois_start_buttonClick(); };
    whois_start_button->OnClick = [this] { whois_start_buttonClick(); };
    button3->OnClick = [this] { Button3Click(); };
    CheckBox7->OnClick = [this] { CheckBox7Click(); };
    SpeedButton19->OnClick = [this] { SpeedButton19Click(); };
}

void TWhoisPage::CheckBox7Click() {
    edit10->setEnabled(CheckBox7->Checked());
}

void TWhoisPage::StopQuery() {
    // The client first: its blocked connect or read ends at once and the thread goes away.
    if (IdWhois)
        IdWhois->CloseConnection();
    if (G().whois_thread)
        G().whois_thread->Halt();
}

void TWhoisPage::whois_start_buttonClick() {
    auto channel = Channel();
    if (!channel)
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
            ui::CurrentDialogs().Warn(this, kNoServerText);
            whois_button_active();
            return;
        }
        host = custom.toStdString();
    }

    auto client = std::make_shared<net::WhoisClient>();
    client->SetHost(host);
    client->SetPort(IdWhoisSettings.port);
    client->SetIdleTimeout(IdWhoisSettings.idleTimeout);
    client->SetMaxReply(IdWhoisSettings.maxReply);
    IdWhois = client;

    auto t = std::make_shared<whois_thread>(this, client, edDomain->Text().trimmed().toStdString());
    G().whois_thread = t;
    QPointer<TWhoisPage> self(this);
    ui::WorkerThread::Start(t, channel, [self] {
        if (self)
            self->whois_button_active();
    });
}

void TWhoisPage::whois_button_active() {
    state_label->SetCaption("Done!");
    whois_start_button->setEnabled(true);
}

void TWhoisPage::Button3Click() {
    if (!G().whois_thread)
        return;
    StopQuery();
    state_label->SetCaption("Done!");
    whois_start_button->setEnabled(true);
}

bool TWhoisPage::SaveDialog1CanClose(const QString& fileName) {
    return ConfirmReplace(this, fileName);
}

void TWhoisPage::SpeedButton19Click() {
    if (!G().main)
        return;
    QStringList lines;
    for (QString line : meResults->Lines()) {
        // A line that kept the server's CR gets only the LF, so the file has plain CR LF ends.
        if (line.endsWith(u'\r'))
            line.chop(1);
        lines << line;
    }
    SaveLines(this, G().main->SaveDialog1, lines,
              [this](const QString& f) { return SaveDialog1CanClose(f); });
}

}  // namespace orv
