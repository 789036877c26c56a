// Where the main window opens: the placement file read as a table of cases, then the real
// window built offscreen, moved, closed and built again.
#include "app/window_placement.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/main_window.h"
#include "app/page_whois.h"
#include "fake_resolver.h"
#include "netns.h"
#include "platform/inifile.h"
#include "platform/program.h"
#include "scripted_dialogs.h"

// Readable failures.
inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << "(" << r.x() << "," << r.y() << " " << r.width() << "x" << r.height() << ")";
}

namespace orv {
namespace {

const QRect kScreen(0, 0, 1920, 1050);
const QRect kRightScreen(1920, 0, 1280, 1000);
const QRect kDesigned(100, 90, 765, 532);

QRect CentredOn(const QRect& screen, int w, int h) {
    QRect r(0, 0, w, h);
    r.moveCenter(screen.center());
    return r;
}

TEST(WindowPlacement, ReadsTheStoredPlacement) {
    struct Case {
        const char* what;
        const char* file;  // the lines of the section
        QRect normal;
        bool maximised;
        QList<QRect> screens = {kScreen};
    } cases[] = {
        {"no file: the designed size, centred", "", CentredOn(kScreen, 765, 532), false},
        {"as left", "isdesigned=y\nWindowState=0\nLeft=10\nTop=20\nWidth=500\nHeight=400\n",
         QRect(10, 20, 500, 400), false},
        {"\"Y\" is not \"y\": centred at the stored size",
         "isdesigned=Y\nLeft=10\nTop=20\nWidth=500\nHeight=400\n", CentredOn(kScreen, 500, 400),
         false},
        {"\"n\": centred", "isdesigned=n\nLeft=10\nTop=20\nWidth=500\nHeight=400\n",
         CentredOn(kScreen, 500, 400), false},
        {"minimised at exit: normal at the stored bounds",
         "isdesigned=y\nWindowState=1\nLeft=10\nTop=20\nWidth=500\nHeight=400\n",
         QRect(10, 20, 500, 400), false},
        {"maximised over its stored normal bounds",
         "isdesigned=y\nWindowState=2\nLeft=10\nTop=20\nWidth=500\nHeight=400\n",
         QRect(10, 20, 500, 400), true},
        {"maximised without bounds: over the designed ones", "isdesigned=y\nWindowState=2\n",
         kDesigned, true},
        {"a state that is no number is normal",
         "isdesigned=y\nWindowState=max\nLeft=10\nTop=20\nWidth=500\nHeight=400\n",
         QRect(10, 20, 500, 400), false},
        {"garbage numbers keep the designed values",
         "isdesigned=y\nLeft=abc\nTop=12x\nWidth=-40\nHeight=0\n", kDesigned, false},
        {"numbers too long for an int keep the designed values",
         "isdesigned=y\nLeft=99999999999\nTop=20\nWidth=500\nHeight=400\n",
         QRect(100, 20, 500, 400), false},
        {"a size beyond the screen is cut to it",
         "isdesigned=y\nLeft=0\nTop=0\nWidth=99999999\nHeight=2000\n", QRect(0, 0, 1920, 1050),
         false},
        {"off every screen: centred", "isdesigned=y\nLeft=5000\nTop=4000\nWidth=500\nHeight=400\n",
         CentredOn(kScreen, 500, 400), false},
        {"left of every screen: centred",
         "isdesigned=y\nLeft=-600\nTop=20\nWidth=500\nHeight=400\n", CentredOn(kScreen, 500, 400),
         false},
        {"only a sliver on the screen: centred",
         "isdesigned=y\nLeft=1900\nTop=20\nWidth=500\nHeight=400\n", CentredOn(kScreen, 500, 400),
         false},
        {"a corner on the screen is enough: moved wholly onto it",
         "isdesigned=y\nLeft=1880\nTop=1010\nWidth=500\nHeight=400\n", QRect(1420, 650, 500, 400),
         false},
        {"far edges cannot overflow",
         "isdesigned=y\nLeft=2147483647\nTop=2147483647\nWidth=2147483647\nHeight=2147483647\n",
         CentredOn(kScreen, 1920, 1050), false},
        {"maximised off every screen: centred below the maximised window",
         "isdesigned=y\nWindowState=2\nLeft=-5000\nTop=20\nWidth=500\nHeight=400\n",
         CentredOn(kScreen, 500, 400), true},
        {"on the second screen",
         "isdesigned=y\nLeft=2000\nTop=100\nWidth=500\nHeight=400\n",
         QRect(2000, 100, 500, 400),
         false,
         {kScreen, kRightScreen}},
        {"where the second screen was: centred on the primary",
         "isdesigned=y\nLeft=2000\nTop=100\nWidth=500\nHeight=400\n", CentredOn(kScreen, 500, 400),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        IniFile ini;
        ini.Parse(std::string("[other]\nLeft=1\n[main Position]\n") + c.file);
        Placement p = ReadPlacement(ini, "main Position", kDesigned, c.screens);
        EXPECT_EQ(p.normal, c.normal);
        EXPECT_EQ(p.maximised, c.maximised);
    }
}

// The window manager's frame (here openbox's: 1 left and right, a 20-pixel title bar, 5 below)
// is part of the window: the whole of it, title bar and close button included, opens on the
// screen, while the stored numbers stay those of the client area.
TEST(WindowPlacement, TheWholeFrameLandsOnTheScreen) {
    const QMargins kFrame(1, 20, 1, 5);
    const QRect kSmall(0, 30, 1280, 770);  // a screen with a panel at the top
    struct Case {
        const char* what;
        const char* file;
        QRect normal;
        QRect screen = kScreen;
    } cases[] = {
        {"the screen's size at 0,0: cut by the frame",
         "isdesigned=y\nLeft=0\nTop=0\nWidth=1920\nHeight=1050\n", QRect(1, 20, 1918, 1025)},
        {"larger than the screen", "isdesigned=y\nLeft=0\nTop=0\nWidth=5000\nHeight=5000\n",
         QRect(1, 50, 1278, 745), kSmall},
        {"title bar above the top edge",
         "isdesigned=y\nLeft=100\nTop=-300\nWidth=765\nHeight=532\n", QRect(100, 20, 765, 532)},
        {"title bar under the panel", "isdesigned=y\nLeft=100\nTop=35\nWidth=765\nHeight=532\n",
         QRect(100, 50, 765, 532), kSmall},
        {"frame past the right and bottom edges",
         "isdesigned=y\nLeft=1500\nTop=900\nWidth=765\nHeight=532\n",
         QRect(1920 - 1 - 765, 1050 - 5 - 532, 765, 532)},
        {"inside with its frame: kept", "isdesigned=y\nLeft=1\nTop=20\nWidth=765\nHeight=532\n",
         QRect(1, 20, 765, 532)},
        {"the frame just inside: kept", "isdesigned=y\nLeft=1154\nTop=513\nWidth=765\nHeight=532\n",
         QRect(1154, 513, 765, 532)},
        {"centred with its frame", "", QRect(577, 266, 765, 532)},
        {"off the screen: centred with its frame",
         "isdesigned=y\nLeft=-5000\nTop=20\nWidth=5000\nHeight=5000\n", QRect(1, 20, 1918, 1025)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        IniFile ini;
        ini.Parse(std::string("[main Position]\n") + c.file);
        Placement p = ReadPlacement(ini, "main Position", kDesigned, {c.screen}, kFrame);
        EXPECT_EQ(p.normal, c.normal);
        EXPECT_TRUE(c.screen.contains(p.normal.marginsAdded(kFrame)));
    }
}

TEST(WindowPlacement, WritesStateAndNormalBoundsInItsSection) {
    IniFile ini;
    ini.Parse("[other]\nx=1\n");
    WritePlacement(ini, PlacementSection("main"), StoredWindowState::Maximised,
                   QRect(10, -20, 500, 400));
    EXPECT_EQ(ini.Text(),
              "[other]\nx=1\n[main Position]\nWindowState=2\nisdesigned=y\nLeft=10\nTop=-20\n"
              "Width=500\nHeight=400\n");
    WritePlacement(ini, PlacementSection("main"), StoredWindowState::Minimised, QRect(1, 2, 3, 4));
    EXPECT_EQ(ini.Text(),
              "[other]\nx=1\n[main Position]\nWindowState=1\nisdesigned=y\nLeft=1\nTop=2\n"
              "Width=3\nHeight=4\n");
}

class FakeScanner final : public ScannerControl {
  public:
    bool working = false;
    bool IsWorking() const override { return working; }
    bool IsStopping() const override { return false; }
    void ShutdownScan() override {}
};

// The real window under the offscreen platform (one screen; the window needs at least 761x528).
class MainWindowPlacement : public ::testing::Test {
  protected:
    void SetUp() override {
        savedConfigHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        configFolder = QDir(config.path()).absolutePath().toStdString() + "/orvelan/";
        folder = QDir(dir.path()).absolutePath().toStdString() + "/";
    }
    void TearDown() override {
        win.reset();
        qputenv("XDG_CONFIG_HOME", savedConfigHome);
    }
    std::string PlacementPath() const { return folder + ExecutableBaseName() + ".ini"; }
    IniFile Saved() const { return IniFile(PlacementPath()); }
    QRect SavedBounds() const {
        IniFile ini = Saved();
        return QRect(ini.ReadInteger("main Position", "Left", -1),
                     ini.ReadInteger("main Position", "Top", -1),
                     ini.ReadInteger("main Position", "Width", -1),
                     ini.ReadInteger("main Position", "Height", -1));
    }
    Tmain& Build() {
        win = std::make_unique<Tmain>(folder, &scanner);
        return *win;
    }
    static void Settle() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    QTemporaryDir dir;
    std::string folder;
    QTemporaryDir config;
    QByteArray savedConfigHome;
    std::string configFolder;
    test::ScriptedDialogs dialogs;
    FakeScanner scanner;
    std::unique_ptr<Tmain> win;
};

TEST_F(MainWindowPlacement, FileIsNamedAfterTheProgramAndReadBeforeShowing) {
    std::ofstream(PlacementPath())
        << "[main Position]\nWindowState=0\nisdesigned=y\nLeft=10\nTop=20\nWidth=780\nHeight=560\n";
    Tmain& m = Build();
    EXPECT_FALSE(m.isVisible());
    EXPECT_EQ(m.geometry(), QRect(10, 20, 780, 560));
    EXPECT_EQ(m.Position1->FileName(), PlacementPath());
}

TEST_F(MainWindowPlacement, RoundTripKeepsTheBounds) {
    Tmain& m = Build();
    m.show();
    m.setGeometry(5, 60, 770, 540);
    Settle();
    EXPECT_TRUE(m.close());
    win.reset();
    EXPECT_EQ(Saved().ReadString("main Position", "isdesigned", ""), "y");
    EXPECT_EQ(Saved().ReadInteger("main Position", "WindowState", -1), 0);
    EXPECT_EQ(SavedBounds(), QRect(5, 60, 770, 540));

    Tmain& again = Build();
    EXPECT_EQ(again.geometry(), QRect(5, 60, 770, 540));
    again.show();
    Settle();
    EXPECT_EQ(again.geometry(), QRect(5, 60, 770, 540));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MainWindowPlacement, MaximisedKeepsItsNormalBoundsAcrossRuns) {
    Tmain& m = Build();
    m.show();
    m.setGeometry(7, 80, 775, 545);
    Settle();
    m.showMaximized();
    Settle();
    ASSERT_TRUE(m.isMaximized());
    EXPECT_TRUE(m.close());
    win.reset();
    EXPECT_EQ(Saved().ReadInteger("main Position", "WindowState", -1), 2);
    EXPECT_EQ(SavedBounds(), QRect(7, 80, 775, 545));

    // Opened maximised, left maximised: the normal bounds are still those.
    Tmain& again = Build();
    EXPECT_TRUE(again.isMaximized());
    again.show();
    Settle();
    EXPECT_TRUE(again.isMaximized());
    EXPECT_EQ(again.normalGeometry(), QRect(7, 80, 775, 545));
    EXPECT_TRUE(again.close());
    win.reset();
    EXPECT_EQ(SavedBounds(), QRect(7, 80, 775, 545));

    // Restored, it takes them up.
    Tmain& third = Build();
    third.show();
    Settle();
    third.showNormal();
    Settle();
    EXPECT_EQ(third.geometry(), QRect(7, 80, 775, 545));
}

TEST_F(MainWindowPlacement, OffScreenPositionOpensCentred) {
    std::ofstream(PlacementPath()) << "[main Position]\nisdesigned=y\nWindowState=0\n"
                                      "Left=3000\nTop=2500\nWidth=770\nHeight=540\n";
    Tmain& m = Build();
    m.show();
    Settle();
    EXPECT_EQ(m.size(), QSize(770, 540));
    QRect screen = m.screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(m.geometry())) << screen.width() << "x" << screen.height();
    EXPECT_LE(std::abs(m.geometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(m.geometry().center().y() - screen.center().y()), 1);
}

// The scanner's way out leaves the event loop with the window still up and no close: the
// placement is written when the window goes all the same.
TEST_F(MainWindowPlacement, ScannerShutDownPathWritesThePlacement) {
    Tmain& m = Build();
    m.show();
    m.setGeometry(20, 30, 765, 550);
    Settle();
    scanner.working = true;
    dialogs.answers = {ui::Answer::Yes};
    EXPECT_FALSE(m.close());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(PlacementPath())));
    win.reset();
    EXPECT_EQ(SavedBounds(), QRect(20, 30, 765, 550));
}

// Neither folder takes a file: settings.ini and the placement each report once, and the rest of
// the shut-down (the sockets layer's clean-up) still runs.
TEST_F(MainWindowPlacement, WriteFailureIsReportedOnceAndShutDownGoesOn) {
    test::FakeResolver fake;
    std::ofstream(folder + "orvelan") << "a program, not a folder";
    folder += "orvelan/";
    std::ofstream(configFolder.substr(0, configFolder.size() - 1)) << "not a folder either";
    Tmain& m = Build();
    EXPECT_TRUE(m.close());
    ASSERT_EQ(dialogs.shown.size(), 1u);  // settings.ini
    win.reset();
    ASSERT_EQ(dialogs.shown.size(), 2u);
    const std::string path = configFolder + ExecutableBaseName() + ".ini";
    EXPECT_EQ(dialogs.shown[1].text.toStdString(), "Unable to write to " + path);
    EXPECT_EQ(dialogs.shown[1].caption, "Orvelan");
    EXPECT_EQ(dialogs.shown[1].icon, ui::Icon::Error);
    EXPECT_EQ(fake.cleanups, 1);
}

TEST_F(MainWindowPlacement, SavedOnlyOnce) {
    Tmain& m = Build();
    m.Position1->OwnerDestroy();
    QFile::remove(QString::fromStdString(PlacementPath()));
    m.Position1->OwnerDestroy();
    win.reset();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(PlacementPath())));
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Set to the program folder in the copy of the next test that sees that folder read-only.
constexpr char kReadOnlyFolder[] = "ORVELAN_READ_ONLY_PROGRAM_FOLDER";

// An installed program whose folder still holds a settings.ini (with CR line ends) and a
// placement file of a copy that ran there: both are read from there, the close writes both to
// the configuration folder, from then on those are read, and the program folder keeps its files.
// The folder is made read-only by a bind mount in a mount namespace of the copy's own.
TEST_F(MainWindowPlacement, SettingsOfAReadOnlyProgramFolderAreReadThenKeptInTheConfigFolder) {
    const std::string settings = "[whois]\rcustomized=true\rserver=whois.example\r[tab]\rtab=3\r";
    const std::string placement =
        "[main Position]\nWindowState=0\nisdesigned=y\nLeft=10\nTop=20\n"
        "Width=770\nHeight=540\n";
    if (qEnvironmentVariableIsSet(kReadOnlyFolder)) {
        folder = qEnvironmentVariable(kReadOnlyFolder).toStdString();
        ASSERT_FALSE(std::ofstream(folder + "probe")) << "the program folder takes files";
        Tmain& m = Build();
        EXPECT_EQ(m.mainpage->ActivePageIndex(), 3);
        EXPECT_TRUE(m.whois_tab->CheckBox7->isChecked());
        EXPECT_EQ(m.geometry(), QRect(10, 20, 770, 540));
        m.show();
        m.setGeometry(30, 40, 770, 540);
        Settle();
        m.ConnectionMonitor1Click();
        EXPECT_TRUE(m.close());
        win.reset();
        EXPECT_TRUE(dialogs.shown.empty());
        EXPECT_EQ(Slurp(configFolder + "settings.ini"),
                  "[whois]\rcustomized=true\rserver=whois.example\r[tab]\rtab=6\r");
        EXPECT_EQ(IniFile(configFolder + ExecutableBaseName() + ".ini")
                      .ReadInteger("main Position", "Left", -1),
                  30);

        Tmain& again = Build();
        EXPECT_EQ(again.mainpage->ActivePageIndex(), 6);
        EXPECT_EQ(again.geometry(), QRect(30, 40, 770, 540));
        return;
    }
    if (!test::IsRoot()) {
        if (test::InCi())
            FAIL() << "a read-only bind mount needs root under CI";
        GTEST_SKIP() << "a read-only bind mount needs root";
    }
    std::ofstream(folder + "settings.ini", std::ios::binary) << settings;
    std::ofstream(PlacementPath(), std::ios::binary) << placement;
    QProcess copy;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kReadOnlyFolder, QString::fromStdString(folder));
    copy.setProcessEnvironment(env);
    copy.setProcessChannelMode(QProcess::MergedChannels);
    copy.start("unshare",
               {"--mount", "--propagation", "private", "sh", "-c",
                R"(mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" "$0" && exec "$@")",
                QString::fromStdString(folder), QCoreApplication::applicationFilePath(),
                "--gtest_filter=MainWindowPlacement."
                "SettingsOfAReadOnlyProgramFolderAreReadThenKeptInTheConfigFolder"});
    ASSERT_TRUE(copy.waitForFinished(120000)) << "the copy did not end";
    const std::string output = copy.readAll().toStdString();
    EXPECT_EQ(copy.exitCode(), 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << output;
    EXPECT_EQ(Slurp(folder + "settings.ini"), settings);
    EXPECT_EQ(Slurp(PlacementPath()), placement);
}

// Set in the copy of the next test that runs on the X display it starts.
constexpr char kOnDisplay[] = "ORVELAN_PLACEMENT_ON_X11";

// On the display: a stored size at the screen's, and a top edge above the screen's, open with
// the whole frame on the screen, where the window stays once the window manager has framed it.
void CheckOnTheDisplay(const std::string& folder, const std::string& placementPath) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        const char* what;
        QRect stored;
    } cases[] = {
        {"the screen's size at 0,0", screen},
        {"larger than the screen", QRect(0, 0, screen.width() + 500, screen.height() + 500)},
        {"the top edge 300 pixels above the screen", QRect(100, -300, 765, 532)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(placementPath, std::ios::trunc)
            << "[main Position]\nWindowState=0\nisdesigned=y\nLeft=" << c.stored.x()
            << "\nTop=" << c.stored.y() << "\nWidth=" << c.stored.width()
            << "\nHeight=" << c.stored.height() << "\n";
        FakeScanner scanner;
        auto m = std::make_unique<Tmain>(folder, &scanner);
        const QRect placed = m->geometry();
        m->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m.get()));
        // The frame is known once the window manager has put it around the window.
        QTRY_VERIFY_WITH_TIMEOUT(m->frameGeometry() != m->geometry(), 10000);
        EXPECT_TRUE(screen.contains(m->frameGeometry()))
            << "frame " << m->frameGeometry().x() << "," << m->frameGeometry().y() << " "
            << m->frameGeometry().width() << "x" << m->frameGeometry().height();
        EXPECT_EQ(m->geometry(), placed) << "moved once shown";
        m.reset();
    }
}

// The program under Xvfb and openbox, which frames windows as a desktop does: the placement is
// made before the window shows, with the frame the window manager says it will draw.
// WINDOW_TEST_DISPLAY=N runs the server on :N instead of the first free display.
TEST_F(MainWindowPlacement, UnderAWindowManagerTheWholeFrameOpensOnTheScreen) {
    if (qEnvironmentVariableIsSet(kOnDisplay)) {
        CheckOnTheDisplay(folder, PlacementPath());
        return;
    }
    for (const char* tool : {"Xvfb", "openbox"})
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            if (test::InCi())
                FAIL() << tool << " is missing (scripts/install-deps.sh installs it)";
            GTEST_SKIP() << tool << " is missing";
        }
    // Xvfb names its display on its output once it takes clients.
    QProcess server;
    QStringList serverArgs{"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"};
    if (qEnvironmentVariableIsSet("WINDOW_TEST_DISPLAY"))
        serverArgs.prepend(":" + qEnvironmentVariable("WINDOW_TEST_DISPLAY"));
    server.start("Xvfb", serverArgs);
    QString display;
    while (display.isEmpty() && server.waitForReadyRead(20000))
        display = QString::fromLatin1(server.readAllStandardOutput()).trimmed();
    ASSERT_FALSE(display.isEmpty()) << "Xvfb did not start\n"
                                    << server.readAllStandardError().toStdString();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", ":" + display);
    env.insert("HOME", QString::fromStdString(folder));  // openbox's defaults, not the user's
    // openbox runs its start-up command once it manages the screen.
    QProcess manager;
    manager.setProcessEnvironment(env);
    manager.start("openbox", {"--startup", "echo managing"});
    QByteArray said;
    while (!said.contains("managing") && manager.waitForReadyRead(20000))
        said += manager.readAllStandardOutput();
    ASSERT_TRUE(said.contains("managing")) << "openbox did not start";

    QProcess copy;
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert(kOnDisplay, "1");
    // libxkbcommon-x11 hands strndup a counted buffer without a closing zero, which the strict
    // string checks of the sanitizer build take for an overflow in Qt's X11 start-up.
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":strict_string_checks=0");
    copy.setProcessEnvironment(env);
    copy.setProcessChannelMode(QProcess::MergedChannels);
    copy.start(
        QCoreApplication::applicationFilePath(),
        {"--gtest_filter=MainWindowPlacement.UnderAWindowManagerTheWholeFrameOpensOnTheScreen"});
    const bool ended = copy.waitForFinished(120000);
    const std::string output = copy.readAll().toStdString();
    manager.kill();
    server.kill();
    manager.waitForFinished();
    server.waitForFinished();
    ASSERT_TRUE(ended) << "the copy on the display did not end\n" << output;
    EXPECT_EQ(copy.exitCode(), 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << output;
}

}  // namespace
}  // namespace orv
