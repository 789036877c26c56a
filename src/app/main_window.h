// The main window: menu, the eight tool pages, start-up and shut-down, settings.ini.
#pragma once

#include <QMainWindow>
#include <QPoint>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/page_context.h"
#include "app/scanner_control.h"
#include "app/window_placement.h"
#include "controls/dialogs.h"
#include "controls/pagecontrol.h"
#include "tasks/task_slot.h"
#include "tasks/worker.h"

class QAction;
class QMenu;

namespace orv {

class TIpToDomainPage;
class TBatchPingPage;
class TTracertPage;
class TWhoisPage;
class TCountryLookupPage;
class TWebsiteScannerPage;
class TConnectionMonitorPage;
class TLocalInfoPage;
class TToolPage;
class TPageSendTargets;
class TImageList;
class TmxSideBar;

class Tmain final : public QMainWindow {
    Q_OBJECT
  public:
    // `programFolder` ends in "/". settings.ini lives there, unless the user's configuration
    // folder holds one or the program folder cannot be written (see ChooseSettingsFile).
    // `scanner` answers the close question (nullptr: the Website Scanner page's own); the window
    // does not own it.
    explicit Tmain(std::string programFolder, ScannerControl* scanner = nullptr,
                   QWidget* parent = nullptr);
    ~Tmain() override;

    // The pages, in page-index order.
    ui::TPageControl* mainpage;
    TIpToDomainPage* ip_to_domain_converter_tab;
    TBatchPingPage* batch_ping_tab;
    TTracertPage* tracert_tab;
    TWhoisPage* whois_tab;
    TCountryLookupPage* country_lookup_tab;
    TWebsiteScannerPage* website_scanner_tab;
    TConnectionMonitorPage* connection_monitor_tab;
    TLocalInfoPage* local_information_tab;
    // The navigation bar, docked left; its buttons show the pages.
    TmxSideBar* mxSideBar1;
    // The small pictures of the bar's buttons, one per tool, each with a double-size version.
    std::unique_ptr<TImageList> ImageList1;

    // Menu items.
    QMenu* LocalInfomation1;  // "Function View"
    QAction* Exit1;
    QAction* Show1;
    QAction* BatchPing1;
    QAction* IPtoCountryConverter1;
    QAction* raceroute1;
    QAction* Whois5;
    QAction* WebsiteScanner5;
    QAction* ConnectionMonitor1;
    QAction* LocalInformation1;
    QAction* Help2;
    QAction* Checkfor1;
    QAction* BatchIPWebsite1;
    QAction* About1;

    // Keeps where the window was left: restored before it shows, written when it goes.
    std::unique_ptr<TPosition> Position1;

    // What the pages get of the window: the main-thread queue, settings.ini, the list import
    // dialog, the ICMP handle, the browser link.
    const PageContext& Context() const { return context_; }

    // Where worker threads deliver their writes to this window.
    const std::shared_ptr<task::MainQueue>& Channel() const { return channel_; }
    ScannerControl& Scanner() const { return *scanner_; }

    // The browser link: the address of the page open in the web browser and its host, or
    // "XXX" when there is none. Each call asks the browser once and waits for it; the pages and
    // the start-up pre-fill ask on a worker.
    std::string GetBrowserUrl() const { return context_.browserUrl(); }
    std::string GetBrowserHost() const;
    // Replaces the browser link (tests); `ask` runs on workers and must not refer to the window.
    void SetBrowserLink(std::function<std::string()> ask) { context_.browserUrl = std::move(ask); }
    // The start-up pre-fill's ask of the browser.
    const task::TaskSlot& PrefillTask() const { return prefill_; }
    // Hands the window to the window manager to be moved with the mouse, whose left button is
    // held; false when the platform cannot.
    std::function<bool()> StartWindowMove;
    // Shows the About box.
    std::function<void()> ShowAbout;

    // Start-up and shut-down.
    void FormCreate();
    bool FormCloseQuery();
    void FormClose();
    void FormDestroy();

    // Menu handlers.
    void Exit1Click();
    void Help2Click();
    void Checkfor1Click();
    void BatchIPWebsite1Click();
    void About1Click();
    void Show1Click();
    void BatchPing1Click();
    void IPtoCountryConverter1Click();
    void raceroute1Click();
    void Whois5Click();
    void WebsiteScanner5Click();
    void ConnectionMonitor1Click();
    void LocalInformation1Click();

    // Side-bar button handlers; each does what its menu item does.
    void mxSideBar1Headers0Buttons0Click() { Show1Click(); }
    void mxSideBar1Headers0Buttons1Click() { BatchPing1Click(); }
    void mxSideBar1Headers0Buttons2Click() { IPtoCountryConverter1Click(); }
    void mxSideBar1Headers0Buttons3Click() { raceroute1Click(); }
    void mxSideBar1Headers0Buttons4Click() { Whois5Click(); }
    void mxSideBar1Headers0Buttons5Click() { WebsiteScanner5Click(); }
    void mxSideBar1Headers0Buttons6Click() { ConnectionMonitor1Click(); }
    void mxSideBar1Headers1Buttons0Click() { LocalInformation1Click(); }

    // True when the sockets layer came up at start-up.
    bool SocketsStarted() const { return socketsStarted_; }

  protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    void BuildMenu();
    // Selects the menu bar's first menu for the keyboard, or leaves the menu bar when it has it.
    void ToggleMenuBarKeys();
    void LoadSideBar();
    // The pages, in page-index order.
    std::array<TToolPage*, 8> Pages() const;
    void PrefillFromBrowser();
    void ReadSettings();
    void ShowPage(QWidget* page);

    // What the pages get of the window; it outlives them.
    PageContext context_;
    // The send-to items' way to the other pages; the pages reach it through context_.
    std::unique_ptr<TPageSendTargets> sendTargets_;
    std::unique_ptr<IniFile> settings_;
    std::string programFolder_;
    SettingsFile settingsFile_;
    std::shared_ptr<task::MainQueue> channel_;
    // The start-up pre-fill's ask of the browser.
    task::TaskSlot prefill_;
    IdleScanner idleScanner_;
    ScannerControl* scanner_;
    // Where the left button went down on free client area, until the move starts or it is let
    // go; and whether the pointer has gone far enough, so the move starts at the next turn of
    // the event loop unless the release comes first.
    std::optional<QPoint> movePressedAt_;
    bool moveStarting_ = false;
    bool socketsStarted_ = false;
    bool closeCancelled_ = false;
    bool destroyed_ = false;
};

// The support mail address and web site the Help menu opens.
inline constexpr const char* kSupportMail = "mailto:support@orvelan.example";
inline constexpr const char* kWebSite = "https://www.orvelan.example/";

}  // namespace orv
