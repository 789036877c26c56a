// A message box opened by one worker's write, on the real main window: while it is up, the
// other tools' workers keep writing to their pages.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include "app/main_window.h"
#include "app/page_iptodomain.h"
#include "app/page_ping.h"
#include "fake_resolver.h"
#include "pump.h"
#include "scripted_dialogs.h"
#include "scripted_echo.h"

namespace orv {
namespace {

// Every echo answers at once with its own data.
class InstantEcho final : public EchoLayer {
  public:
    icmp::EchoFn Open(std::string&) override { return echo_.Fn(); }

  private:
    test::ScriptedEcho echo_;
};

TEST(ModalWrite, BatchPingRowsKeepArrivingWhileHostDoesNotExistIsOpen) {
    QTemporaryDir dir;
    test::FakeResolver resolver;
    test::ScriptedDialogs dialogs;
    InstantEcho echo;
    auto win = std::make_unique<Tmain>(QDir(dir.path()).absolutePath().toStdString() + "/");
    TBatchPingPage* ping = win->batch_ping_tab;
    ping->SetEchoLayer(&echo);
    QStringList list;
    for (int i = 1; i <= 40; ++i)
        list << QString("10.0.0.%1").arg(i);
    ping->ListBox2->SetItems(list);
    ping->ComboBox1->SetText("1");

    auto pingEnded = [ping] {
        return ping->PingThread().Current() && ping->PingThread().Current()->Finished();
    };
    int rowsWhileOpen = -1;
    QString statusWhileOpen;
    dialogs.whileShown = [&](const test::ScriptedDialogs::Shown&) {
        // The box is up: a Batch Ping run starts and goes on beneath it.
        ping->ping_start_button->click();
        QEventLoop box;
        QTimer poll;
        QElapsedTimer open;
        open.start();
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (pingEnded() || open.elapsed() > 5000)
                box.quit();
        });
        poll.start(5);
        box.exec();
        rowsWhileOpen = ping->StringGrid1->RowCount();
        statusWhileOpen = ping->Label54->Caption();
    };

    TIpToDomainPage* ip = win->ip_to_domain_converter_tab;
    ip->domain_edit->SetText("nowhere.test");
    ip->nametoip_button->click();
    ASSERT_TRUE(test::PumpUntil([&] { return !dialogs.shown.empty() && rowsWhileOpen >= 0; }));

    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text.toStdString(), "Host does not exist!  ");
    // Heading row, a row per address, the empty row at the end; the run ended under the box.
    EXPECT_EQ(rowsWhileOpen, 42);
    EXPECT_EQ(statusWhileOpen.toStdString(), "Done!");

    ping->PingThread().Current()->Halt();
    test::PumpUntil([ping] { return !ping->PingThread().Current()->Running(); });
    win.reset();
}

}  // namespace
}  // namespace orv
