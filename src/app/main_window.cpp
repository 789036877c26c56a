#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QScreen>
#include <QWindow>

#include "app/browser_button.h"
#include "app/fonts.h"
#include "app/page_country.h"
#include "app/page_iptodomain.h"
#include "app/page_localinfo.h"
#include "app/page_monitor.h"
#include "app/page_ping.h"
#include "app/page_scanner.h"
#include "app/page_send_targets.h"
#include "app/page_tracert.h"
#include "app/page_whois.h"
#include "app/side_bar_icons.h"
#include "common/boundary_guard.h"
#include "controls/stringgrid.h"
#include "lookup/browser_url.h"
#include "lookup/name_resolution.h"
#include "navbar/image_list.h"
#include "navbar/navigation_bar.h"
#include "platform/program.h"
#include "platform/resolver.h"
#include "platform/shell.h"

namespace orv {

namespace {

// One ICMP handle serves the whole run, also when a window is built again (a start that could
// not open one tries again); the process's end closes it.
icmp::IcmpHandle RunIcmpHandle() {
    static icmp::IcmpHandle handle = icmp::kInvalidHandle;
    if (handle == icmp::kInvalidHandle)
        handle = icmp::IcmpCreateFile();
    return handle;
}

// The style the program uses, with the menu bar's Alt key navigation on whatever that style's
// own habit is.
class MenuBarKeysStyle final : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

constexpr int kWidth = 765;
constexpr int kHeight = 532;
constexpr int kSideBarWidth = 153;

// A menu item's handler, run under the guard.
auto MenuSlot(Tmain* window, void (Tmain::*click)()) {
    return GuardedSlot("Tmain menu item", [window, click] { (window->*click)(); });
}

}  // namespace

Tmain::Tmain(std::string programFolder, ScannerControl* scanner, QWidget* parent)
    : QMainWindow(parent),
      programFolder_(std::move(programFolder)),
      settingsFile_(ChooseSettingsFile("settings.ini", programFolder_, UserConfigFolder())),
      channel_(std::make_shared<task::MainQueue>(this)),
      scanner_(scanner ? scanner : &idleScanner_) {
    setObjectName("main");
    setWindowTitle("Orvelan");
    setFont(WindowFont());
    resize(kWidth, kHeight);
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());

    StartWindowMove = [this] { return windowHandle() && windowHandle()->startSystemMove(); };
    ShowAbout = [] {};
    context_.queue = channel_;
    context_.browserUrl = [link = std::make_shared<BrowserLink>()] {
        return link->GetBrowserUrl();
    };
    context_.openList.filter = "*.txt|*.txt|*.ini|*.ini|*.txt;*.ini|*.txt;*.ini";

    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    mainpage = new ui::TPageControl(central);
    mainpage->setObjectName("mainpage");
    row->addWidget(mainpage, 1);
    setCentralWidget(central);

    ip_to_domain_converter_tab = new TIpToDomainPage(context_);
    batch_ping_tab = new TBatchPingPage(context_);
    tracert_tab = new TTracertPage(context_);
    whois_tab = new TWhoisPage(context_);
    country_lookup_tab = new TCountryLookupPage(context_);
    website_scanner_tab = new TWebsiteScannerPage(context_);
    if (!scanner)
        scanner_ = &website_scanner_tab->Control();  // the page's own scanner
    connection_monitor_tab = new TConnectionMonitorPage(context_);
    local_information_tab = new TLocalInfoPage(context_);
    for (TToolPage* p : Pages())
        mainpage->AddPage(p, p->Caption());
    sendTargets_ = std::make_unique<TPageSendTargets>(
        mainpage, TPageSendTargets::Pages{ip_to_domain_converter_tab, batch_ping_tab, tracert_tab,
                                          whois_tab, country_lookup_tab, website_scanner_tab});
    context_.sendTargets = sendTargets_.get();
    mainpage->SetActivePageIndex(0);

    BuildMenu();
    // Made after the pages, so it comes last in the Tab order and the window opens in the
    // page's first field; it still sits on the left.
    mxSideBar1 = new TmxSideBar(central);
    mxSideBar1->setFixedWidth(kSideBarWidth);
    row->insertWidget(0, mxSideBar1);
    LoadSideBar();
    // The placement file is named after the program and kept where settings.ini is allowed.
    Position1 = std::make_unique<TPosition>(
        this,
        ChooseSettingsFile(ExecutableBaseName() + ".ini", programFolder_, UserConfigFolder()));
    Position1->LoadPosition();
    FormCreate();
}

Tmain::~Tmain() {
    // Both ways out end here (a close, or the event loop left while the window still shows),
    // so the placement is written once, before the rest of the clean-up.
    Position1->OwnerDestroy();
    FormDestroy();
    // Workers still running find the door shut; what they send afterwards goes nowhere.
    channel_->Close();
    // The pages go (halting their tasks) while the context they were given is still here.
    delete takeCentralWidget();
}

void Tmain::BuildMenu() {
    QMenuBar* bar = menuBar();
    // The menu bar answers the keyboard as on the desktops the program comes from: Alt pressed
    // and released alone, or F10, selects its first menu; the arrows and Enter go on from there.
    auto* keys = new MenuBarKeysStyle;
    keys->setParent(bar);
    bar->setStyle(keys);
    auto* f10 = new QAction(this);
    f10->setShortcut(Qt::Key_F10);
    connect(f10, &QAction::triggered, this, MenuSlot(this, &Tmain::ToggleMenuBarKeys));
    addAction(f10);
    // Alt with a letter opens the menu whose caption starts with it, and types nothing.
    qApp->installEventFilter(this);
    QMenu* file = bar->addMenu("  File  ");
    Exit1 = file->addAction("     Exit     ", this, MenuSlot(this, &Tmain::Exit1Click));

    LocalInfomation1 = bar->addMenu("Function View");
    Show1 = LocalInfomation1->addAction("IP-to-Domain Converter   ", this,
                                        MenuSlot(this, &Tmain::Show1Click));
    BatchPing1 =
        LocalInfomation1->addAction("Batch Ping", this, MenuSlot(this, &Tmain::BatchPing1Click));
    IPtoCountryConverter1 = LocalInfomation1->addAction(
        "IP-to-Country Converter", this, MenuSlot(this, &Tmain::IPtoCountryConverter1Click));
    raceroute1 =
        LocalInfomation1->addAction("Traceroute", this, MenuSlot(this, &Tmain::raceroute1Click));
    Whois5 = LocalInfomation1->addAction("Whois", this, MenuSlot(this, &Tmain::Whois5Click));
    WebsiteScanner5 = LocalInfomation1->addAction("Website Scanner", this,
                                                  MenuSlot(this, &Tmain::WebsiteScanner5Click));
    ConnectionMonitor1 = LocalInfomation1->addAction(
        "Connection Monitor", this, MenuSlot(this, &Tmain::ConnectionMonitor1Click));
    LocalInfomation1->addSeparator();
    LocalInformation1 = LocalInfomation1->addAction("Local Information", this,
                                                    MenuSlot(this, &Tmain::LocalInformation1Click));

    QMenu* help = bar->addMenu("  Help  ");
    Help2 = help->addAction("Help Topic", this, MenuSlot(this, &Tmain::Help2Click));
    help->addSeparator();
    Checkfor1 = help->addAction("Email Support", this, MenuSlot(this, &Tmain::Checkfor1Click));
    BatchIPWebsite1 =
        help->addAction("Orvelan Website", this, MenuSlot(this, &Tmain::BatchIPWebsite1Click));
    help->addSeparator();
    About1 = help->addAction("About", this, MenuSlot(this, &Tmain::About1Click));
}

// The bar as the window's stored form has it: headers and buttons first, then the values of
// the look in the order the form sets them, each through its setter.
void Tmain::LoadSideBar() {
    TmxSideBar& bar = *mxSideBar1;
    bar.setObjectName("mxSideBar1");
    bar.BeginUpdate();

    ImageList1 = std::make_unique<TImageList>(16, 16);
    AddToolIcons(*ImageList1);

    struct Tool {
        int header;
        const char* caption;
        void (Tmain::*click)();
    };
    static constexpr Tool kTools[] = {
        {0, "IP Domain Converter", &Tmain::mxSideBar1Headers0Buttons0Click},
        {0, "Batch Ping", &Tmain::mxSideBar1Headers0Buttons1Click},
        {0, "IP Country Converter", &Tmain::mxSideBar1Headers0Buttons2Click},
        {0, "Traceroute", &Tmain::mxSideBar1Headers0Buttons3Click},
        {0, "Whois", &Tmain::mxSideBar1Headers0Buttons4Click},
        {0, "Website Scanner", &Tmain::mxSideBar1Headers0Buttons5Click},
        {0, "Connection Monitor", &Tmain::mxSideBar1Headers0Buttons6Click},
        {1, "Local Information", &Tmain::mxSideBar1Headers1Buttons0Click},
    };
    for (int h = 0; h < 2; ++h) {
        TmxHeader* header = bar.Headers().Add();  // mxHeader1, mxHeader2
        header->SetCaption("");
        header->SetOpened(true);
        header->Images().SetSmall(ImageList1.get());
    }
    int image = 0;
    for (const Tool& tool : kTools) {
        TmxButton* button = bar.GetHeader(tool.header)->AddButton();
        button->SetCaption(tool.caption);
        button->SetImageIndex(image++);  // the pictures are in tool order
        // The bar's settings decide style, view and fonts: the buttons carry no custom options.
        button->SetButtonStyle(bsLarge);
        button->SetButtonView(bvNormal);
        button->SetOptions(ButtonOptions({boAutoWidthLabel, boUnderlineFont}));
        button->SetAutoSize(true);
        button->SetTransparent(true);
        button->OnClick = [this, click = tool.click](TPersistent*) { (this->*click)(); };
    }
    bar.SetStoredActiveIndex(0);

    // The stored look is the navy explorer look with small framed buttons: the values that
    // look writes, in its order, through the same setters.
    constexpr TColor kBarColor = 0x800000;
    bar.SetPreSet(psExplorerBar2000);
    // The focus rectangle shows whenever the bar has the keyboard, and the mouse passing over
    // the bar leaves the focus where it is: it would take it from an edit field mid-typing.
    bar.SetOptions((bar.Options() & ~BarOptions({boFocusOnMouseEnter})) |
                   BarOptions({hoShowFocusRect}));
    // Every text of the bar is in the window's own face.
    TmxBarSettings& s = bar.Settings();
    for (TFont* font : {&s.ButtonFont(), &s.ButtonHighlightFont(), &s.Font(), &s.HighlightFont()}) {
        QFont face = WindowFont();
        face.setBold(font->Face().bold());
        font->SetFace(face);
    }
    // White text only where the surface under it is dark: the caption strips are button face
    // grey, and a button under the mouse is filled with the light frame colour, so their texts
    // take the dark colours.
    s.Font().SetColor(clWindowText);
    s.HighlightFont().SetColor(clWindowText);
    s.ButtonHighlightFont().SetColor(kBarColor);
    // The bar's colour follows its background, so painting finds them equal.
    bar.SetColor(kBarColor);
    bar.EndUpdate();
    bar.Loaded();
}

void Tmain::FormCreate() {
    // The settings file does not depend on the sockets layer: open it first, so a close after
    // a failed start still has a file to write to.
    settings_ = std::make_unique<IniFile>(settingsFile_.path, settingsFile_.readFrom);
    context_.settings = settings_.get();

    socketsStarted_ = net::WSAStartup();
    if (!socketsStarted_) {
        ui::CurrentDialogs().ErrorBox(this, "Winsock Version Error");
        return;
    }
    context_.icmp = RunIcmpHandle();
    for (TToolPage* p : Pages())
        p->LayOutGrid();
    connection_monitor_tab->sbClearClick();
    PrefillFromBrowser();
    context_.programFolder = programFolder_;
    context_.openList.initialDir = QString::fromStdString(programFolder_);
    ReadSettings();
}

std::array<TToolPage*, 8> Tmain::Pages() const {
    return {ip_to_domain_converter_tab,
            batch_ping_tab,
            tracert_tab,
            whois_tab,
            country_lookup_tab,
            website_scanner_tab,
            connection_monitor_tab,
            local_information_tab};
}

// One request to the browser fills every page: its page does not change in between. The
// answer comes on a worker, so the window shows and answers meanwhile.
void Tmain::PrefillFromBrowser() {
    AskBrowser(prefill_, channel_, context_.browserUrl, true,
               [this](const std::optional<BrowserPage>& page) {
                   if (!page)
                       return;
                   for (TToolPage* p : Pages())
                       p->PrefillFromBrowser(*page);
               });
}

std::string Tmain::GetBrowserHost() const {
    const std::string url = GetBrowserUrl();
    return url == kNoBrowserPage ? url : HostOfUrl(url);
}

void Tmain::ReadSettings() {
    IniFile& ini = *settings_;
    for (TToolPage* p : Pages())
        p->LoadSettings(ini);
    // An index outside the pages shows none until the user picks one.
    mainpage->SetActivePageIndex(ini.ReadInteger("tab", "tab", 0));
}

bool Tmain::FormCloseQuery() {
    closeCancelled_ = false;
    if (scanner_->IsWorking() && !scanner_->IsStopping()) {
        ui::Answer a =
            ui::CurrentDialogs().Message(this, "Website Scanner is working, exit or not?",
                                         "Confirm", ui::Icon::Question, ui::Buttons::YesCancel);
        if (a == ui::Answer::Yes) {
            scanner_->ShutdownScan();
        } else {
            closeCancelled_ = true;
        }
        return false;
    }
    return true;
}

void Tmain::FormClose() {
    if (!settings_) {
        settings_ = std::make_unique<IniFile>(settingsFile_.path, settingsFile_.readFrom);
        context_.settings = settings_.get();
    }
    IniFile& ini = *settings_;
    for (TToolPage* p : Pages())
        p->SaveSettings(ini);
    ini.WriteInteger("tab", "tab", mainpage->ActivePageIndex());
    // Outside the program folder the file's folder may not be there yet.
    if (settingsFile_.path.compare(0, programFolder_.size(), programFolder_) != 0)
        MakeFolders(settingsFile_.path.substr(0, settingsFile_.path.rfind('/') + 1));
    if (!ini.UpdateFile())
        ui::CurrentDialogs().ErrorBox(this,
                                      QString("Cannot write %1").arg(settingsFile_.path.c_str()));
}

void Tmain::FormDestroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    if (socketsStarted_)
        net::WSACleanup();
}

void Tmain::closeEvent(QCloseEvent* e) {
    Guarded("Tmain::closeEvent", [&] {
        if (!FormCloseQuery()) {
            e->ignore();
            return;
        }
        FormClose();
        e->accept();
    });
}

// A drag on free client area (no child took the press) moves the window, as its caption would.
// The move starts only once the pointer has gone the drag distance with the button held: a
// window manager may never end a move begun by a click that is already over. It starts from
// the event loop, not from the move: X11 may report a click's release where the pointer went
// next, and Qt then delivers a move with the button held just before that release.
void Tmain::mousePressEvent(QMouseEvent* e) {
    Guarded("Tmain::mousePressEvent", [&] {
        if (e->button() == Qt::LeftButton) {
            movePressedAt_ = e->globalPosition().toPoint();
            moveStarting_ = false;
            e->accept();
            return;
        }
        QMainWindow::mousePressEvent(e);
    });
}

void Tmain::mouseMoveEvent(QMouseEvent* e) {
    Guarded("Tmain::mouseMoveEvent", [&] {
        if (!movePressedAt_ || !(e->buttons() & Qt::LeftButton)) {
            movePressedAt_.reset();
            QMainWindow::mouseMoveEvent(e);
            return;
        }
        e->accept();
        if (moveStarting_ || (e->globalPosition().toPoint() - *movePressedAt_).manhattanLength() <
                                 QApplication::startDragDistance())
            return;
        moveStarting_ = true;
        const auto start = [this] {
            const bool held = movePressedAt_ && moveStarting_;
            movePressedAt_.reset();
            moveStarting_ = false;
            if (held && StartWindowMove)
                StartWindowMove();
        };
        QMetaObject::invokeMethod(this, GuardedSlot("Tmain::StartWindowMove", start),
                                  Qt::QueuedConnection);
    });
}

void Tmain::mouseReleaseEvent(QMouseEvent* e) {
    Guarded("Tmain::mouseReleaseEvent", [&] {
        if (e->button() == Qt::LeftButton) {
            movePressedAt_.reset();
            moveStarting_ = false;
        }
        QMainWindow::mouseReleaseEvent(e);
    });
}

// QMenuBar has no public way into its keyboard mode but the Alt tap it watches for in the
// window: F10 gives it one. (A key event for Alt itself reports Alt as released while it goes
// down, so the press carries no modifier.)
void Tmain::ToggleMenuBarKeys() {
    QKeyEvent press(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(this, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(this, &release);
}

bool Tmain::eventFilter(QObject* watched, QEvent* event) {
    const auto filter = [&]() -> bool {
        if (event->type() != QEvent::KeyPress)
            return QMainWindow::eventFilter(watched, event);
        const auto* key = static_cast<const QKeyEvent*>(event);
        const auto* target = qobject_cast<const QWidget*>(watched);
        const QString text = key->text();
        if (target == nullptr || target->window() != this ||
            (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) != Qt::AltModifier ||
            text.size() != 1 || !text[0].isLetterOrNumber())
            return QMainWindow::eventFilter(watched, event);
        for (QAction* menu : menuBar()->actions()) {
            const QString caption = menu->text().trimmed();
            if (!caption.isEmpty() && caption[0].toCaseFolded() == text[0].toCaseFolded()) {
                menuBar()->setActiveAction(menu);
                break;
            }
        }
        return true;
    };
    bool filtered = false;
    Guarded("Tmain::eventFilter", [&] { filtered = filter(); });
    return filtered;
}

void Tmain::Exit1Click() {
    // Ends the loop without closing the window again: after a Yes to the scanner question,
    // a second close would now pass and write settings.ini.
    bool closed = close();
    if (closed || !closeCancelled_)
        QCoreApplication::exit(0);
}

void Tmain::Help2Click() {
    ShellOpen(programFolder_ + "Orvelan.chm");
}
void Tmain::Checkfor1Click() {
    ShellOpen(kSupportMail);
}
void Tmain::BatchIPWebsite1Click() {
    ShellOpen(kWebSite);
}
void Tmain::About1Click() {
    if (ShowAbout)
        ShowAbout();
}

void Tmain::ShowPage(QWidget* page) {
    mainpage->SetActivePage(page);
}

void Tmain::Show1Click() {
    ShowPage(ip_to_domain_converter_tab);
}
void Tmain::BatchPing1Click() {
    ShowPage(batch_ping_tab);
}
void Tmain::IPtoCountryConverter1Click() {
    ShowPage(country_lookup_tab);
}
void Tmain::raceroute1Click() {
    ShowPage(tracert_tab);
}
void Tmain::Whois5Click() {
    ShowPage(whois_tab);
}
void Tmain::WebsiteScanner5Click() {
    ShowPage(website_scanner_tab);
}
void Tmain::ConnectionMonitor1Click() {
    ShowPage(connection_monitor_tab);
}
void Tmain::LocalInformation1Click() {
    ShowPage(local_information_tab);
}

}  // namespace orv
