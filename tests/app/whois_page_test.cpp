// The Whois page alone, against WHOIS servers of the test's own on 127.0.0.1:
// the reply split into lines and decoded line by line, silent, trickling and endless servers,
// failed queries, Stop, the query's own bytes, the missing custom server, and the export of the
// reply's bytes with its replace question.
#include "app/page_whois.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fake_resolver.h"
#include "page_context_fixture.h"
#include "pump.h"
#include "scripted_dialogs.h"
#include "tcp_loopback.h"
#include "whois_server.h"

namespace orv {
namespace {

using test::PumpUntil;
using test::Settle;
using test::TestWhoisServer;

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

const QString kNoServer = " Please input the whois server! ";
const QString kReplace = "The file has existed, replace it or not?";

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class WhoisPage : public ::testing::Test {
  protected:
    void SetUp() override { page = std::make_unique<TWhoisPage>(fixture.context); }

    // The custom-server box names `host`; queries go to `port`.
    void UseServer(std::uint16_t port, const QString& host = "127.0.0.1") {
        page->CheckBox7->SetChecked(true);
        page->CheckBox7Click();
        page->edit10->SetText(host);
        page->IdWhoisSettings.port = port;
    }

    // Starts a query for `domain` and waits for its end handler.
    void Query(const QString& domain) {
        page->edDomain->SetText(domain);
        page->whois_start_buttonClick();
        auto t = page->WhoisThread().Current();
        ASSERT_TRUE(t);
        ASSERT_TRUE(PumpUntil([t] { return t->Finished(); }));
        EXPECT_EQ(page->state_label->Caption(), "Done!");
        EXPECT_TRUE(page->whois_start_button->isEnabled());
    }

    QString Path(const QString& name) const { return QDir(dir.path()).filePath(name); }

    QTemporaryDir dir;
    test::FakeResolver resolver;  // no query ever leaves the machine
    test::ScriptedDialogs dialogs;
    test::PageContextFixture fixture;
    std::unique_ptr<TWhoisPage> page;
};

TEST_F(WhoisPage, StartsIdleWithTheServerChoices) {
    EXPECT_FALSE(page->state_label->isVisibleTo(page.get()));
    EXPECT_TRUE(page->whois_start_button->isEnabled());
    EXPECT_EQ(page->edit10->count(), 3);
    EXPECT_EQ(page->edit10->Text(), "");
    EXPECT_EQ(page->meResults->LineCount(), 0);
}

TEST_F(WhoisPage, ReplyBecomesOneLinePerLf) {
    struct Case {
        const char* name;
        std::string reply;
        QStringList lines;
    };
    const Case cases[] = {
        {"crlf keeps its cr",
         "Domain Name: EXAMPLE.COM\r\nRegistrar: Test\r\n\r\n",
         {"Domain Name: EXAMPLE.COM\r", "Registrar: Test\r", "\r"}},
        {"no final lf", "one\ntwo\nthree", {"one", "two", "three"}},
        {"empty reply", "", {}},
        {"runs of lf keep their empty lines",
         "\n\nfirst\n\n\nsecond\n",
         {"", "", "first", "", "", "second"}},
        {"objects apart as with cr lf",
         "inetnum: 192.0.2.0\nnetname: TEST\n\nperson: Nobody\n",
         {"inetnum: 192.0.2.0", "netname: TEST", "", "person: Nobody"}},
        {"cr inside a line", "a\rb\n", {"a\rb"}},
        {"utf-8", "caf\xc3\xa9\n", {QString::fromUtf8("caf\xc3\xa9")}},
        {"8-bit, not utf-8", "caf\xe9\n", {QString::fromUtf8("caf\xc3\xa9")}},
        {"one stray 8-bit byte spoils only its line",
         "J\xc3\xbcrgen\nM\xfcller\n\xe2\x82\xac 5\n",
         {QString::fromUtf8("J\xc3\xbcrgen"), QString::fromUtf8("M\xc3\xbcller"),
          QString::fromUtf8("\xe2\x82\xac 5")}},
        {"surrogate halves are not utf-8", "\xed\xb0\x80\n", {QString::fromLatin1("\xed\xb0\x80")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestWhoisServer server(TestWhoisServer::Mode::Reply, c.reply);
        UseServer(server.port(), "  127.0.0.1 ");
        page->meResults->SetLines({"left from before"});
        Query("  example.com ");
        EXPECT_EQ(page->meResults->Lines(), c.lines);
        // The screen shows the same lines, without the CRs the text box would break at.
        QString shown = c.lines.join('\n');
        shown.remove('\r');
        EXPECT_EQ(page->meResults->toPlainText(), shown);
        EXPECT_THAT(server.Queries(), ElementsAre("example.com\r\n"));
        EXPECT_TRUE(dialogs.shown.empty());
    }
}

TEST_F(WhoisPage, ALongReplyIsShownInSlicesWithEventsServedBetween) {
    // Many more lines than one slice takes.
    const int lineCount = 5 * int(TReplyMemo::kSliceLines) + 17;
    std::string reply;
    QStringList expected;
    for (int i = 0; i < lineCount; ++i) {
        reply += "line " + std::to_string(i) + "\r\n";
        expected << QString("line %1").arg(i);
    }
    // As the query's worker hands it over.
    page->ShowReply(SplitReply(reply));
    // The reply is whole for the export at once; the box is still being given it.
    EXPECT_EQ(page->meResults->LineCount(), lineCount);
    ASSERT_TRUE(page->meResults->Filling());
    EXPECT_LT(page->meResults->blockCount(), lineCount);
    // An event posted now runs while slices are still to go: the window answers in between.
    int shownWhenServed = -1;
    QMetaObject::invokeMethod(
        page.get(), [&] { shownWhenServed = page->meResults->blockCount(); }, Qt::QueuedConnection);
    ASSERT_TRUE(PumpUntil([&] { return !page->meResults->Filling(); }));
    EXPECT_GT(shownWhenServed, 0);
    EXPECT_LT(shownWhenServed, lineCount);
    EXPECT_EQ(page->meResults->toPlainText(), expected.join('\n'));
    EXPECT_EQ(page->meResults->blockCount(), lineCount);

    // A line added while the box fills goes after the whole reply; a clear ends the filling.
    page->ShowReply(SplitReply(reply));
    ASSERT_TRUE(page->meResults->Filling());
    page->meResults->Add("after");
    EXPECT_FALSE(page->meResults->Filling());
    EXPECT_EQ(page->meResults->toPlainText(), expected.join('\n') + "\nafter");
    page->ShowReply(SplitReply(reply));
    ASSERT_TRUE(page->meResults->Filling());
    page->meResults->Clear();
    EXPECT_FALSE(page->meResults->Filling());
    test::Settle();
    EXPECT_EQ(page->meResults->toPlainText(), "");
}

TEST_F(WhoisPage, ByteOrderMarkIsKeptButNotShown) {
    struct Case {
        const char* name;
        std::string reply;
        QString first;
    };
    const Case cases[] = {
        {"utf-8",
         "\xef\xbb\xbf"
         "Domain: x\r\nok\r\n",
         "Domain: x\r"},
        {"8-bit after the mark",
         "\xef\xbb\xbf"
         "caf\xe9\r\nok\r\n",
         QString::fromLatin1("caf\xe9\r")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestWhoisServer server(TestWhoisServer::Mode::Reply, c.reply);
        UseServer(server.port());
        Query("example.com");
        ASSERT_EQ(page->meResults->LineCount(), 2);
        EXPECT_EQ(page->meResults->LineBytes()[0],
                  QByteArray::fromStdString(c.reply.substr(0, c.reply.find('\n'))));
        EXPECT_EQ(page->meResults->Lines()[0], c.first);
        EXPECT_EQ(page->meResults->toPlainText(), QString(c.first).remove('\r') + "\nok");
    }
}

TEST_F(WhoisPage, QueryGoesOutWithDomainsInTheirAsciiForm) {
    struct Case {
        QString typed;
        std::string sent;
    };
    const Case cases[] = {
        {QString::fromUtf8("m\xc3\xbcnchen.de"), "xn--mnchen-3ya.de"},
        {QString::fromUtf8("M\xc3\x9cNCHEN.DE."), "xn--mnchen-3ya.de."},
        {QString::fromUtf8("-T domain  b\xc3\xbc"
                           "cher.example"),
         "-T domain  xn--bcher-kva.example"},
        // Not domains: as typed, byte for byte.
        {"EXAMPLE.com", "EXAMPLE.com"},
        {"192.0.2.1", "192.0.2.1"},
        {"AS64496", "AS64496"},
        {"NOBODY-RIPE", "NOBODY-RIPE"},
        {QString::fromUtf8("J\xc3\xbcrgen"), "J\xc3\xbcrgen"},
    };
    TestWhoisServer server(TestWhoisServer::Mode::Reply, "ok\n");
    UseServer(server.port());
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        Query(c.typed);
        expected.push_back(c.sent + "\r\n");
    }
    EXPECT_EQ(server.Queries(), expected);
}

TEST_F(WhoisPage, UncheckedAsksTheDefaultServer) {
    TestWhoisServer server(TestWhoisServer::Mode::Reply, "from the default\r\n");
    resolver.Add(kDefaultWhoisServer, {"127.0.0.1"});
    page->edit10->SetText("nosuch.test");  // ignored while unchecked
    page->IdWhoisSettings.port = server.port();
    Query("example.net");
    EXPECT_THAT(page->meResults->Lines(), ElementsAre("from the default\r"));
    EXPECT_THAT(server.Queries(), ElementsAre("example.net\r\n"));
}

TEST_F(WhoisPage, SilentServerEndsWithTimeOutLine) {
    TestWhoisServer server(TestWhoisServer::Mode::Silent, "partial\r\n");
    UseServer(server.port());
    page->IdWhoisSettings.idleTimeout = 200ms;
    Query("example.com");
    QStringList lines = page->meResults->Lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "partial\r");
    EXPECT_THAT(lines[1].toStdString(), StartsWith("*** No answer from 127.0.0.1"));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(WhoisPage, EndlessServerEndsAtTheCap) {
    const std::size_t cap = 64 * 1024;
    TestWhoisServer server(TestWhoisServer::Mode::Flood, "flood line\r\n");
    UseServer(server.port());
    page->IdWhoisSettings.maxReply = cap;
    Query("example.com");
    QStringList lines = page->meResults->Lines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_THAT(lines.back().toStdString(), StartsWith("*** Reply longer than 64 KiB"));
    std::size_t kept = 0;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        kept += static_cast<std::size_t>(lines[i].size()) + 1;  // with its LF
        if (i + 2 < lines.size()) {
            EXPECT_EQ(lines[i], "flood line\r");
        }
    }
    EXPECT_LE(kept, cap + 1);
    EXPECT_GT(kept, cap / 2);
}

TEST_F(WhoisPage, CapNeverCutsAUtf8Character) {
    // "\xc3\xa9" over and over: an odd cap falls inside one of them.
    TestWhoisServer server(TestWhoisServer::Mode::Flood, "\xc3\xa9\xc3\xa9\xc3\xa9\n");
    UseServer(server.port());
    page->IdWhoisSettings.maxReply = 64 * 1024 + 1;
    Query("example.com");
    QStringList lines = page->meResults->Lines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_THAT(lines.back().toStdString(), StartsWith("*** Reply longer than"));
    lines.removeLast();
    const QString e = QString::fromUtf8("\xc3\xa9");
    for (const QString& line : lines)
        ASSERT_EQ(QString(line).remove(e), "") << line.toStdString();
    EXPECT_TRUE(lines.back().size() < 3);  // the cut came inside a line
}

TEST_F(WhoisPage, LineCapEndsTheReplyWithASay) {
    TestWhoisServer server(TestWhoisServer::Mode::Flood, "a\n");
    UseServer(server.port());
    page->IdWhoisSettings.maxLines = 1000;
    Query("example.com");
    const QStringList lines = page->meResults->Lines();
    ASSERT_EQ(lines.size(), 1001);
    EXPECT_EQ(lines[999], "a");
    EXPECT_EQ(lines[1000], "*** Reply longer than 1000 lines: the rest was not read");
}

TEST_F(WhoisPage, TrickleEndsAtTheDeadlineShowingWhatCame) {
    TestWhoisServer server(TestWhoisServer::Mode::Trickle, "partial\r\n");
    UseServer(server.port());
    page->IdWhoisSettings.idleTimeout = 5s;  // never passes between two bytes
    page->IdWhoisSettings.deadline = 300ms;
    Query("example.com");
    QStringList lines = page->meResults->Lines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "partial\r");
    EXPECT_FALSE(lines[1].isEmpty());
    EXPECT_EQ(QString(lines[1]).remove('.'), "");
    EXPECT_THAT(lines[2].toStdString(), StartsWith("*** No complete reply from 127.0.0.1"));
    EXPECT_THAT(lines[2].toStdString(), HasSubstr("within 300 ms"));
    EXPECT_TRUE(PumpUntil([&] { return !page->IdWhois->IsConnected(); }));
}

TEST_F(WhoisPage, FailedQuerySaysWhy) {
    std::uint16_t closedPort;
    {
        test::Sock gone = test::Listen();
        closedPort = gone.Port();
    }
    struct Case {
        const char* name;
        QString host;
        std::uint16_t port;
        const char* line;
    };
    const Case cases[] = {
        {"refused", "127.0.0.1", closedPort, "*** Cannot connect to 127.0.0.1"},
        {"unknown server", "nosuch.test", 43,
         "*** Cannot resolve the whois server \"nosuch.test\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UseServer(c.port, c.host);
        Query("example.com");
        ASSERT_EQ(page->meResults->LineCount(), 1);
        EXPECT_THAT(page->meResults->Lines()[0].toStdString(), StartsWith(c.line));
        EXPECT_TRUE(dialogs.shown.empty());
    }
}

TEST_F(WhoisPage, StopDuringBlockedReadEndsAtOnceKeepingWhatCame) {
    TestWhoisServer server(TestWhoisServer::Mode::Silent, "partial\r\n");
    UseServer(server.port());
    page->IdWhoisSettings.idleTimeout = 60s;
    page->edDomain->SetText("example.com");
    page->whois_start_buttonClick();
    EXPECT_EQ(page->state_label->Caption(), "Working...");
    EXPECT_TRUE(page->state_label->isVisibleTo(page.get()));
    EXPECT_FALSE(page->whois_start_button->isEnabled());
    auto t = page->WhoisThread().Current();
    auto client = page->IdWhois;
    ASSERT_TRUE(t && client);
    // Connected, and the first part of the reply has come in.
    ASSERT_TRUE(PumpUntil([&] { return client->IsConnected() && !client->Received().empty(); }));

    page->Button3Click();
    EXPECT_EQ(page->state_label->Caption(), "Done!");
    EXPECT_TRUE(page->whois_start_button->isEnabled());
    // Far sooner than the idle time-out: the blocked read was cut, the connection closed.
    EXPECT_TRUE(PumpUntil([&] { return !t->Running(); }, 5000));
    EXPECT_TRUE(PumpUntil([&] { return server.ClosedByClient() == 1; }, 5000));
    Settle();
    EXPECT_THAT(page->meResults->Lines(), ElementsAre("partial\r", "*** Stopped by the user"));
    EXPECT_FALSE(t->Finished());  // the end handler was dropped

    // Stop again, after the end: nothing changes.
    page->Button3Click();
    EXPECT_EQ(page->meResults->LineCount(), 2);
}

TEST_F(WhoisPage, NewQueryStopsTheOneRunning) {
    TestWhoisServer silent(TestWhoisServer::Mode::Silent, "first\r\n");
    TestWhoisServer answering(TestWhoisServer::Mode::Reply, "second\n");
    UseServer(silent.port());
    page->IdWhoisSettings.idleTimeout = 60s;
    page->edDomain->SetText("example.com");
    page->whois_start_buttonClick();
    auto first = page->WhoisThread().Current();
    ASSERT_TRUE(PumpUntil([&] { return silent.Queries().size() == 1; }));

    // What the send-to menus do: Stop, then Start.
    page->IdWhoisSettings.port = answering.port();
    page->Button3Click();
    Query("example.org");
    EXPECT_NE(page->WhoisThread().Current(), first);
    EXPECT_TRUE(PumpUntil([&] { return silent.ClosedByClient() == 1; }, 5000));
    Settle();
    EXPECT_THAT(page->meResults->Lines(), ElementsAre("second"));
}

TEST_F(WhoisPage, CustomServerMissingAsksForIt) {
    TestWhoisServer server(TestWhoisServer::Mode::Reply, "never\r\n");
    for (const char* box : {"", "   "}) {
        SCOPED_TRACE(box);
        dialogs.shown.clear();
        UseServer(server.port(), box);
        page->meResults->SetLines({"old reply"});
        page->whois_start_buttonClick();
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, kNoServer);
        EXPECT_EQ(dialogs.shown[0].caption, "");
        EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Warning);
        EXPECT_EQ(page->meResults->LineCount(), 0);
        EXPECT_EQ(page->state_label->Caption(), "Done!");
        EXPECT_TRUE(page->whois_start_button->isEnabled());
    }
    Settle();
    EXPECT_TRUE(server.Queries().empty());
}

TEST_F(WhoisPage, StopBeforeAnyQueryChangesNothing) {
    page->Button3Click();
    EXPECT_FALSE(page->state_label->isVisibleTo(page.get()));
    EXPECT_EQ(page->state_label->Caption(), "Working...");
    EXPECT_TRUE(page->whois_start_button->isEnabled());
}

TEST_F(WhoisPage, ExportWritesTheLinesWithCrLf) {
    struct Case {
        const char* name;
        QStringList lines;
        QByteArray file;
    };
    const Case cases[] = {
        {"server's crs", {"a\r", "b\r", "\r"}, "a\r\nb\r\n\r\n"},
        {"plain lines", {"one", "two"}, "one\r\ntwo\r\n"},
        {"empty reply", {}, ""},
        {"utf-8", {QString::fromUtf8("caf\xc3\xa9")}, "caf\xc3\xa9\r\n"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString path = Path(QString("new%1.txt").arg(n++));
        page->meResults->SetLines(c.lines);
        dialogs.files = {path};
        page->SpeedButton19Click();
        EXPECT_EQ(ReadFile(path), c.file);
        EXPECT_TRUE(dialogs.shown.empty());  // no question for a new file
        EXPECT_EQ(dialogs.lastSpec.defaultExt, "txt");
        EXPECT_EQ(dialogs.lastSpec.filter, "*.txt|*.txt");
    }
}

TEST_F(WhoisPage, ExportWritesTheReplysOwnBytes) {
    struct Case {
        const char* name;
        std::string reply;
        QByteArray file;
    };
    const std::string longLine(10000, 'x');
    const Case cases[] = {
        {"8-bit", "caf\xe9\r\nna\xefve\n", "caf\xe9\r\nna\xefve\r\n"},
        {"utf-8 with a stray byte and a mark",
         "\xef\xbb\xbf"
         "J\xc3\xbcrgen\nM\xfcller\n\nend",
         "\xef\xbb\xbf"
         "J\xc3\xbcrgen\r\nM\xfcller\r\n\r\nend\r\n"},
        {"a line longer than the box shows in one", longLine,
         QByteArray::fromStdString(longLine + "\r\n")},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestWhoisServer server(TestWhoisServer::Mode::Reply, c.reply);
        UseServer(server.port());
        Query("example.com");
        const QString path = Path(QString("reply%1.txt").arg(n++));
        dialogs.files = {path};
        page->SpeedButton19Click();
        EXPECT_EQ(ReadFile(path), c.file);
    }
}

TEST_F(WhoisPage, ExportAsksBeforeReplacing) {
    const QString path = Path("reply.txt");
    page->meResults->SetLines({"new reply\r"});

    // No: the dialog stays open; then cancelled, the old file is as it was.
    WriteFile(path, "old contents");
    dialogs.answers = {ui::Answer::No};
    dialogs.files = {path, std::nullopt};
    page->SpeedButton19Click();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, kReplace);
    EXPECT_EQ(dialogs.shown[0].buttons, ui::Buttons::YesNo);
    EXPECT_EQ(dialogs.saveRefusals, std::vector<QString>{path});
    EXPECT_EQ(ReadFile(path), "old contents");

    // Yes: replaced.
    dialogs.shown.clear();
    dialogs.answers = {ui::Answer::Yes};
    dialogs.files = {path};
    page->SpeedButton19Click();
    EXPECT_EQ(dialogs.Texts(), QStringList{kReplace});
    EXPECT_EQ(ReadFile(path), "new reply\r\n");
}

TEST_F(WhoisPage, ExportThatCannotBeWrittenSaysSo) {
    page->meResults->SetLines({"line"});
    const QString path = Path("no such folder/reply.txt");
    dialogs.files = {path};
    page->SpeedButton19Click();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Error);
    EXPECT_THAT(dialogs.shown[0].text.toStdString(), HasSubstr("reply.txt"));
    EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
}  // namespace orv
