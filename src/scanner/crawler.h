// THttpScan: the website scanner. Given a start address it downloads pages through its
// download manager (TMFDwnld), extracts every link of every page, reports each link once
// through OnLinkFound (and, when a results file is set, as one line of that file), and
// follows the links that lie within the chosen scope (LinkScan) and depth
// (DepthSearchLevel).
//
// Threading: create and use it on the thread that runs the Qt event loop (a QCoreApplication
// is enough). It is driven by its own 200 ms timer, enabled from construction to destruction;
// its events are raised on that thread, from the timer, from StartScan, or while a page is
// processed. Page processing lets events through (QCoreApplication::processEvents) after
// normalising a page, after marking it and after every link, so a handler or a button may
// call StopScan in the middle of a page. Do not destroy the scanner from inside one of its
// own events.
//
// How a page drives it:
//   scan.SetFileOfResults("");            // no results file
//   scan.SetTypeFilter(memoText);         // one type per line
//   scan.OnLinkFound = ...; scan.OnPageReceived = ...; scan.OnWorking = ...;
//   scan.OnShowMessage = ...;             // the information boxes of StartScan
//   if (!scan.StartScan("http://" + host)) { /* refused; the message was shown */ }
//   ... OnWorking(true), OnLinkFound per reported link, OnWorking(false) when idle ...
//   scan.StopScan();                      // true when a working scan starts stopping
// On closing while IsWorking(): ShutdownScan() stops everything and calls
// OnTerminateApplication ten timer ticks (about 2 s) later.
//
// Settings as the main window stores them (apply them once after construction; the
// ConcurrentDownloads setter also writes the registry limits): TimeOut 300, LeavesFirst
// false, HttpPort 80, Retries 3, LinkScan scanInitialSite, LinkReport reportCurrentSiteLinks,
// DepthSearchLevel 3, TypeFilterEnabled false, ProxyType PROXY_DEFAULT, ProxyPort 80,
// MaxQueueSize 5000, SeekRobotsTxt false, ConcurrentDownloads 6.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "common/ascii.h"
#include "scanner/download_manager.h"
#include "scanner/scan_settings.h"
#include "scanner/sorted_list.h"
#include "scanner/url_parts.h"

namespace orv::scan {

class THttpScan;

// Events. Sender is the scanner, except for OnError and OnWorking, whose Sender is the
// download manager. Text parameters are bytes (single-byte text).
using TOnMetaTag = std::function<void(
    QObject* Sender, const std::string& Url, const std::string& ReferringUrl,
    const std::string& TagType, const std::string& Tag1stAttrib, const std::string& Tag1stValue,
    const std::string& Tag2ndAttrib, const std::string& Tag2ndValue,
    const std::string& Tag3rdAttrib, const std::string& Tag3rdValue)>;
// WriteToFile: "x" on entry gives the default results line; any other non-empty text is
// written as the whole line instead; an empty text writes nothing. FollowIfHtmlLink: set it
// false to keep the link out of the queue. HrefOrSrc: 'H' (href), 'S' (src) or ' '.
using TOnLinkFound = std::function<void(
    QObject* Sender, const std::string& UrlFound, const std::string& TypeLink,
    const std::string& FromUrl, const std::string& HostName, const std::string& UrlPath,
    const std::string& UrlPathWithFile, const std::string& ExtraInfos, std::string& WriteToFile,
    char HrefOrSrc, int CountArea, bool& FollowIfHtmlLink)>;
using TOnPageReceived =
    std::function<void(QObject* Sender, const std::string& HostName, const std::string& Url,
                       const std::string& Head, const std::string& Body)>;
using TOnHttpScanUpdatedStats =
    std::function<void(QObject* Sender, int InQueue, int Downloading, int ToAnalyze, int Done,
                       int Retries, int Errors)>;
using TOnLog = std::function<void(QObject* Sender, const std::string& LogMessage)>;
using TScanOnError = std::function<void(QObject* Sender, const std::string& Url, unsigned ErrorCode,
                                        const std::string& ErrorMsg)>;
using TOnFetchFailed =
    std::function<void(QObject* Sender, const std::string& Url, const std::string& Reason)>;
// TOnWorking (Sender, Working_) is declared with the download manager.

class THttpScan : public QObject {
    Q_OBJECT
  public:
    explicit THttpScan(QObject* owner = nullptr);
    ~THttpScan() override;

    // --- operations -------------------------------------------------------------------
    // Starts a scan at Url ("" = StartingUrl). False, after a message through OnShowMessage,
    // when the results file cannot be created ("unable to create file: " + name), when there
    // is no address ("no URL specified") or when it does not split ("Invalid Url : " + it).
    bool StartScan(const std::string& Url = {});
    // False when not working or already stopping; else closes the results file, stops every
    // download and returns true. The scan goes idle (OnWorking(false)) about 2 s later.
    bool StopScan();
    bool IsWorking() const { return manager_->Working(); }
    bool IsStopping() const { return manager_->Stopping(); }
    // For closing the application while a scan runs: accepts no further address, detaches
    // every event but OnWorking, stops every download, and calls OnTerminateApplication on
    // the tenth following timer tick.
    void ShutdownScan();
    // TypeFilter := the lines of Text in lower case, empty lines dropped, sorted.
    void SetTypeFilter(const std::string& Text);

    // --- properties (setters ignore values below their minimum) -------------------------
    int TimeOut() const { return manager_->TimeOut; }  // seconds, >= 10
    void SetTimeOut(int v);
    // "" = no results file; a name without "/" goes to <current dir>/Download/<name>.
    const std::string& FileOfResults() const { return fileOfResults_; }
    void SetFileOfResults(const std::string& v);
    bool LeavesFirst() const { return manager_->LeavesFirst; }
    void SetLeavesFirst(bool v) { manager_->LeavesFirst = v; }
    const std::string& UserName() const { return fetch_.userName; }
    void SetUserName(const std::string& v) { fetch_.userName = v; }
    const std::string& Password() const { return fetch_.password; }
    void SetPassword(const std::string& v) { fetch_.password = v; }
    const std::string& Agent() const { return fetch_.agent; }
    void SetAgent(const std::string& v) { fetch_.agent = v; }
    const std::string& Referer() const { return referer_; }
    void SetReferer(const std::string& v) { referer_ = v; }
    const std::string& StartingUrl() const { return startingUrl_; }
    void SetStartingUrl(const std::string& v) { startingUrl_ = v; }
    int HttpPort() const { return httpPort_; }
    void SetHttpPort(int v) { httpPort_ = v; }
    int Retries() const { return manager_->Retries; }  // >= 1
    void SetRetries(int v);
    TLinkScan LinkScan() const { return linkScan_; }
    void SetLinkScan(TLinkScan v) { linkScan_ = v; }
    TLinkReport LinkReport() const { return linkReport_; }
    void SetLinkReport(TLinkReport v) { linkReport_ = v; }
    int DepthSearchLevel() const { return manager_->DepthSearchLevel; }  // >= 1
    void SetDepthSearchLevel(int v);
    bool TypeFilterEnabled() const { return typeFilterEnabled_; }
    void SetTypeFilterEnabled(bool v) { typeFilterEnabled_ = v; }
    bool KeywordsFilterEnabled() const { return keywordsFilterEnabled_; }
    void SetKeywordsFilterEnabled(bool v) { keywordsFilterEnabled_ = v; }
    bool KeywordsLimiterEnabled() const { return keywordsLimiterEnabled_; }
    void SetKeywordsLimiterEnabled(bool v) { keywordsLimiterEnabled_ = v; }
    TProxyType ProxyType() const { return fetch_.proxyType; }
    void SetProxyType(TProxyType v) { fetch_.proxyType = v; }
    const std::string& ProxyAddress() const { return fetch_.proxyAddress; }
    void SetProxyAddress(const std::string& v) { fetch_.proxyAddress = v; }
    int ProxyPort() const { return fetch_.proxyPort; }
    void SetProxyPort(int v) { fetch_.proxyPort = v; }
    const std::string& ProxyUser() const { return fetch_.proxyUser; }
    void SetProxyUser(const std::string& v) { fetch_.proxyUser = v; }
    const std::string& ProxyPassword() const { return fetch_.proxyPassword; }
    void SetProxyPassword(const std::string& v) { fetch_.proxyPassword = v; }
    // Agent, credentials and proxy together: what every download of the scan goes out with.
    const FetchSettings& Fetch() const { return fetch_; }
    int MaxQueueSize() const { return maxQueueSize_; }  // >= 10
    void SetMaxQueueSize(int v);
    bool SeekRobotsTxt() const { return seekRobotsTxt_; }
    void SetSeekRobotsTxt(bool v) { seekRobotsTxt_ = v; }
    int ConcurrentDownloads() const { return manager_->ConcurrentDownloads; }  // >= 1
    // Also writes the per-server connection limits (count, count + 2) to the registry.
    void SetConcurrentDownloads(int v);

    // --- events (called only when assigned) ---------------------------------------------
    TOnMetaTag OnMetaTag;  // the head of each page is parsed only while this is assigned
    TOnLinkFound OnLinkFound;
    TOnPageReceived OnPageReceived;
    TOnHttpScanUpdatedStats OnUpdatedStats;
    TOnLog OnLog;  // never raised: logging is off
    TScanOnError OnError;
    // A download failed before its page came (refused, reset, an untrusted certificate):
    // the address and the HTTP library's reason, at every try.
    TOnFetchFailed OnFetchFailed;
    TOnWorking OnWorking;  // true when a scan starts working, false when it has gone idle

    // --- hooks the main window supplies ---------------------------------------------------
    // The information boxes of StartScan; unassigned, the text goes to the debug output.
    std::function<void(const std::string& Message)> OnShowMessage;
    // Ends the application after ShutdownScan; QCoreApplication::quit when unassigned.
    std::function<void()> OnTerminateApplication;
    // The area-folding step of the page pipeline, called through this pointer.
    std::function<void(std::string& markedText)> FoldAreas;

    // --- lists (type filter initially "gif"; keyword filter "count", "hitbox", "referer",
    // "stat", "track"; keyword limiter empty), compared in lower case ----------------------
    TMFStringList& TypeFilter() { return typeFilter_; }
    TMFStringList& KeywordsFilter() { return keywordsFilter_; }
    TMFStringList& KeywordsLimiter() { return keywordsLimiter_; }
    int VisitedUrlCount() const { return int(visitedUrls_.size()); }
    int VisitedHostCount() const { return int(visitedHosts_.size()); }
    int AreaCount() const { return areaCount_; }
    int ShutdownCountdown() const { return shutdownCountdown_; }
    bool ShuttingDown() const { return shuttingDown_; }
    bool ResultsFileOpen() const { return results_ != nullptr; }

    // Links past this many distinct addresses in one scan are dropped (memory bound).
    static constexpr std::size_t kMaxVisitedUrls = 1000000;
    static constexpr std::size_t kMaxVisitedHosts = 100000;

    // The download manager (tests and diagnostics).
    TMFDwnld& Manager() { return *manager_; }
    // One timer tick, as the 200 ms timer runs it.
    void TimerTick() { RunTick(true); }

  private:
    struct Page;
    struct Link;
    struct NoCaseLess {
        bool operator()(const std::string& a, const std::string& b) const {
            return ascii::CompareNoCase(a, b) < 0;
        }
    };
    // Find-or-insert; true when `s` was already there (or the list is full).
    static bool Visit(std::set<std::string, NoCaseLess>& list, const std::string& s,
                      std::size_t cap);

    void RunTick(bool timerTick);
    void ProcessPage(TMFHttpGet& slot);
    // Whether `link` (split from `address`) is followed under LinkScan.
    bool Follows(const TCrackUrl& link, const std::string& address) const;
    // The link step: one link value of a page resolved, filtered, typed, reported once per
    // scan and queued when it is followed. `code` tells where on the page it was found.
    void ProcessLink(Page& page, const std::string& value, int countArea, TLinkCode code);
    // The absolute address, past the keyword lists, with its type and host; false drops it.
    bool ClassifyLink(Page& page, const std::string& value, Link& link);
    bool PassesKeywords(const std::string& address) const;
    // Whether a link to `address` (split in page.link) is reported under LinkReport.
    bool Reports(const Page& page, const std::string& address) const;
    // OnLinkFound (which may veto the follow) and the line of the results file.
    void ReportLink(const Page& page, const Link& link, int countArea, TLinkCode code,
                    bool& followIfHtml);
    // Queues a followed page (and, first to its host, the host's robots.txt when asked).
    void QueueLink(const Page& page, const Link& link, int countArea, TLinkCode code);
    void HeadPass(Page& page);
    void DefaultFoldAreas(std::string& text);
    void CloseResults();
    void Message(const std::string& text);
    void LetEventsThrough();
    void InstallCallbacks();

    // Before the manager, which reads it through a reference (and goes first).
    FetchSettings fetch_;
    std::unique_ptr<TMFDwnld> manager_;
    TCrackUrl start_;
    std::set<std::string, NoCaseLess> visitedUrls_, visitedHosts_;
    TMFStringList typeFilter_, keywordsFilter_, keywordsLimiter_;
    std::FILE* results_ = nullptr;
    int areaCount_ = 0;
    bool tickGuard_ = false, startGuard_ = false, shuttingDown_ = false;
    bool extraPending_ = false;
    int shutdownCountdown_ = 0;
    QTimer timer_;

    std::string fileOfResults_ = "/results.txt";
    std::string referer_, startingUrl_;
    int httpPort_ = 80;
    TLinkScan linkScan_ = scanAllLinks;
    TLinkReport linkReport_ = reportAllLinks;
    bool typeFilterEnabled_ = false, keywordsFilterEnabled_ = false,
         keywordsLimiterEnabled_ = false;
    int maxQueueSize_ = 5000;
    bool seekRobotsTxt_ = false;
};

}  // namespace orv::scan
