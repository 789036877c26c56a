// The About box and the filter help box, built offscreen: texts, fixed sizes, buttons, and the
// link handed to the main window's web site item.
#include "app/about_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/app_windows.h"
#include "app/page_scanner.h"
#include "platform/shell.h"
#include "scripted_dialogs.h"

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace orv {
namespace {

std::vector<std::string> g_opened;
bool RecordOpen(const std::string& target) {
    g_opened.push_back(target);
    return true;
}

// A box is fixed: it cannot be resized, and a layout would not change its size either.
void ExpectFixed(QDialog& d, QSize client) {
    EXPECT_EQ(d.size(), client);
    EXPECT_EQ(d.minimumSize(), client);
    EXPECT_EQ(d.maximumSize(), client);
    EXPECT_FALSE(d.isSizeGripEnabled());
    EXPECT_FALSE(d.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(d.windowFlags() & Qt::WindowContextHelpButtonHint);
}

// Shows `d` modally and presses its Close button from inside the loop.
int CloseWithItsButton(QDialog& d, QPushButton* close) {
    QTimer::singleShot(0, close, [close] { QTest::mouseClick(close, Qt::LeftButton); });
    return d.exec();
}

TEST(AboutBox, TextsSizeAndClose) {
    Tabout about;
    EXPECT_EQ(about.windowTitle(), "About");
    ExpectFixed(about, QSize(380, 206));
    EXPECT_TRUE(about.HasPicture());
    EXPECT_EQ(about.Image2->geometry(), QRect(0, 0, 380, 117));
    EXPECT_EQ(about.Image2->pixmap().size(), QSize(380, 117));
    EXPECT_EQ(about.Label1->text(), "Orvelan");
    EXPECT_EQ(about.Label1->font().pixelSize(), 13);
    EXPECT_EQ(about.Label2->text(), "V 5.0");
    EXPECT_EQ(about.Label5->text(), "www.orvelan.example");
    EXPECT_TRUE(about.Label5->font().underline());
    EXPECT_EQ(about.Label5->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    EXPECT_EQ(about.Label5->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(about.Button1->text(), "Close");
    // Everything stays inside the box.
    for (QWidget* w : about.findChildren<QWidget*>()) {
        if (w->parentWidget() == &about) {
            EXPECT_TRUE(about.rect().contains(w->geometry())) << w->metaObject()->className();
        }
    }
    about.show();
    EXPECT_EQ(CloseWithItsButton(about, about.Button1), QDialog::Rejected);
    EXPECT_FALSE(about.isVisible());
}

TEST(FilterHelpBox, TextsSizeAndClose) {
    Tfilter_help help;
    EXPECT_EQ(help.objectName(), "filter_help");
    EXPECT_EQ(help.windowTitle(), "Filter Help");
    ExpectFixed(help, QSize(317, 201));
    EXPECT_EQ(help.Label1->text(),
              "Please enter the file type name. For example, if you enter \"gif\" and \"htm\", "
              "Website Scanner will only scan the gif file and htm file.  ");
    EXPECT_EQ(help.Label3->text(),
              "If you want to scan the email address, you must enter \"mail\" in the Filter Box");
    EXPECT_EQ(help.Label4->text(),
              "Please note:  You must enter the filter words as the same format as listed on "
              "the rigtht");
    for (QLabel* l : {help.Label1, help.Label3, help.Label4}) {
        EXPECT_TRUE(l->wordWrap());
        EXPECT_EQ(l->font().pixelSize(), 11);
        // The wrapped text has the room it needs.
        EXPECT_GE(l->height(), l->heightForWidth(l->width())) << l->text().toStdString();
    }
    EXPECT_EQ(help.Label2->text(), "Example");
    EXPECT_TRUE(help.Label2->font().bold());
    EXPECT_EQ(help.Label2->font().pixelSize(), 16);
    EXPECT_EQ(help.CheckBox1->text(), "Filter");
    EXPECT_TRUE(help.CheckBox1->Checked());
    EXPECT_EQ(help.Memo1->Lines(), (QStringList{"gif", "jpg", "mail", "zip"}));
    EXPECT_EQ(help.Button1->text(), "Close");
    for (QWidget* w : help.findChildren<QWidget*>())
        if (w->parentWidget() == &help) {
            EXPECT_TRUE(help.rect().contains(w->geometry())) << w->metaObject()->className();
        }
    help.show();
    EXPECT_EQ(CloseWithItsButton(help, help.Button1), QDialog::Rejected);
    EXPECT_FALSE(help.isVisible());
}

class Boxes : public ::testing::Test {
  protected:
    void SetUp() override {
        savedConfigHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        g_opened.clear();
        SetShellOpenHook(RecordOpen);
        windows = AppWindows::Create(QDir(dir.path()).absolutePath().toStdString() + "/");
    }
    void TearDown() override {
        windows.reset();
        SetShellOpenHook(nullptr);
        qputenv("XDG_CONFIG_HOME", savedConfigHome);
    }
    QTemporaryDir dir;
    QTemporaryDir config;
    QByteArray savedConfigHome;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<AppWindows> windows;
};

TEST_F(Boxes, AboutLinkOpensTheWebSiteThroughTheMainWindow) {
    Tabout& about = *windows->about;
    about.show();
    QTest::mouseClick(about.Label5, Qt::LeftButton);
    ASSERT_EQ(g_opened.size(), 1u);
    EXPECT_EQ(g_opened[0], kWebSite);
    // The same as the Help menu's item.
    windows->main->BatchIPWebsite1->trigger();
    ASSERT_EQ(g_opened.size(), 2u);
    EXPECT_EQ(g_opened[1], g_opened[0]);
}

// The link is a Tab stop between the texts and Close: it shows the focus, and Enter or Space
// opens the web site as a click does. The box opens on Close, so Enter alone closes it.
TEST_F(Boxes, AboutLinkIsATabStopThatEnterAndSpaceOpen) {
    Tabout& about = *windows->about;
    const QImage unfocused = about.Label5->grab().toImage();
    about.show();
    about.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&about));
    ASSERT_EQ(QApplication::focusWidget(), about.Button1);
    QTest::keyClick(about.Button1, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), about.Label5) << "Tab does not reach the link";
    EXPECT_NE(about.Label5->grab().toImage(), unfocused) << "the link shows no focus";
    QTest::keyClick(about.Label5, Qt::Key_Return);
    QTest::keyClick(about.Label5, Qt::Key_Space);
    EXPECT_EQ(g_opened, (std::vector<std::string>{kWebSite, kWebSite}));
    EXPECT_TRUE(about.isVisible());
    QTest::keyClick(about.Label5, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), about.Button1);
    QTest::keyClick(about.Button1, Qt::Key_Return);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(g_opened.size(), 2u);
}

// Tab in the filter memos goes on to the next control and types nothing; the memos take no
// tabs.
TEST_F(Boxes, TabLeavesTheFilterMemos) {
    QWidget& main = *windows->main;
    main.show();
    windows->main->WebsiteScanner5->trigger();
    Tfilter_help& help = *windows->filter_help;
    help.show();
    struct Memo {
        const char* what;
        QWidget* window;
        ui::TMemo* memo;
    } memos[] = {{"the scanner's filter", &main, windows->main->website_scanner_tab->Memo11},
                 {"the filter help's example", &help, help.Memo1}};
    for (const Memo& m : memos) {
        m.window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m.window)) << m.what;
        m.memo->setFocus(Qt::OtherFocusReason);
        const QStringList before = m.memo->Lines();
        QTest::keyClick(m.memo, Qt::Key_Tab);
        EXPECT_NE(QApplication::focusWidget(), m.memo) << m.what << " keeps the focus";
        EXPECT_EQ(m.memo->Lines(), before) << m.what << " took a tab";
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), m.memo) << m.what << ", Shift+Tab comes back";
        // It is still typed into.
        QTest::keyClicks(m.memo, "x");
        EXPECT_NE(m.memo->Lines(), before) << m.what;
    }
}

TEST_F(Boxes, ScannerFilterHelpButtonOpensTheFilterHelpBox) {
    QDialog* shown = nullptr;
    dialogs.modals.push_back([&](QDialog* d) {
        shown = d;
        return int(QDialog::Rejected);
    });
    windows->main->website_scanner_tab->SpeedButton16->click();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown, windows->filter_help.get());
    EXPECT_EQ(shown->windowTitle(), "Filter Help");
}

}  // namespace
}  // namespace orv
