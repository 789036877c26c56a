#include "scanner/crawler.h"
#include "common/ascii.h"
#include "common/boundary_guard.h"

#include <QCoreApplication>
#include <QDebug>
#include <filesystem>

#include "platform/http.h"
#include "platform/url.h"
#include "scanner/link_extraction.h"
#include "scanner/text_tools.h"

namespace orv::scan {

// What the pipeline needs of one page; the slot is free again while the page is processed.
struct THttpScan::Page {
    std::string address, host, headers, body, referrer;
    int depth = 1;
    TCrackUrl own;   // the page's address; a base marker re-splits it
    TCrackUrl link;  // re-split on every link
};

THttpScan::THttpScan(QObject* owner)
    : QObject(owner), manager_(std::make_unique<TMFDwnld>(fetch_)) {
    orv::net::HttpGlobalInit();  // before any fetch thread exists
    manager_->DepthSearchLevel = 3;
    manager_->ConcurrentDownloads = 6;  // no registry write here
    manager_->LeavesFirst = false;
    manager_->Kind = 1;
    InstallCallbacks();
    typeFilter_.SetCapacity(16);
    typeFilter_.Add("gif");
    for (const char* k : {"track", "hitbox", "referer", "stat", "count"})
        keywordsFilter_.Add(k);
    keywordsFilter_.Sort();
    FoldAreas = [this](std::string& text) { DefaultFoldAreas(text); };
    timer_.setInterval(200);
    connect(&timer_, &QTimer::timeout, this,
            GuardedSlot("THttpScan tick", [this] { RunTick(true); }));
    timer_.start();
}

THttpScan::~THttpScan() {
    timer_.stop();
    CloseResults();
}

void THttpScan::InstallCallbacks() {
    TMFDwnld& m = *manager_;
    m.OnPageReady = [this](TMFDwnld*, TMFHttpGet& slot) { ProcessPage(slot); };
    m.OnStats = [this](TMFDwnld*, int, int queued, int running, int toAnalyze, int done,
                       int retries, int errors, int) {
        if (OnUpdatedStats)
            OnUpdatedStats(this, queued, running, toAnalyze, done, retries, errors);
    };
    m.OnHeadComplete = [](TMFDwnld*, TMFHttpGet&, int) {};  // only a log line, and logging is off
    m.OnError = [this](TMFDwnld* sender, int, const std::string& url, unsigned code,
                       const std::string& msg, const std::string&) {
        if (OnError)
            OnError(sender, url, code, msg);
    };
    m.OnFetchFailed = [this](TMFDwnld*, const std::string& url, const std::string& reason) {
        if (OnFetchFailed)
            OnFetchFailed(this, url, reason);
    };
    m.OnWorking = [this](QObject* sender, bool working) {
        if (OnWorking)
            OnWorking(sender, working);
        if (!working) {
            visitedUrls_.clear();
            visitedHosts_.clear();
        }
    };
    m.OnSlotEnded = [this] { RunTick(false); };
}

// ----- properties -------------------------------------------------------------------------

void THttpScan::SetTimeOut(int v) {
    if (v < 10)
        return;
    manager_->TimeOut = v;
}

void THttpScan::SetFileOfResults(const std::string& v) {
    if (!v.empty() && v.find('/') == std::string::npos) {
        std::error_code ec;
        std::string cwd = std::filesystem::current_path(ec).string();
        fileOfResults_ = cwd + "/Download/" + v;
    } else {
        fileOfResults_ = v;
    }
}

void THttpScan::SetRetries(int v) {
    if (v < 1)
        return;
    manager_->Retries = v;
}

void THttpScan::SetDepthSearchLevel(int v) {
    if (v < 1)
        return;
    manager_->DepthSearchLevel = v;
}

void THttpScan::SetMaxQueueSize(int v) {
    if (v < 10)
        return;
    maxQueueSize_ = v;
}

void THttpScan::SetConcurrentDownloads(int v) {
    if (v < 1)
        return;
    manager_->ConcurrentDownloads = v;
    SetConnectionLimits(v);
}

void THttpScan::SetTypeFilter(const std::string& Text) {
    typeFilter_.Clear();
    typeFilter_.AddLines(ascii::ToLower(Text));
    typeFilter_.Sort();
}

// ----- operations -------------------------------------------------------------------------

void THttpScan::Message(const std::string& text) {
    if (OnShowMessage)
        OnShowMessage(text);
    else
        qInfo().noquote() << QString::fromStdString(text);
}

void THttpScan::CloseResults() {
    if (results_)
        std::fclose(results_);
    results_ = nullptr;
}

bool THttpScan::Visit(std::set<std::string, NoCaseLess>& list, const std::string& s,
                      std::size_t cap) {
    if (list.count(s))
        return true;
    if (list.size() >= cap)
        return true;
    list.insert(s);
    return false;
}

bool THttpScan::StartScan(const std::string& Url) {
    if (startGuard_)
        return true;
    startGuard_ = true;
    if (!Url.empty())
        startingUrl_ = Url;
    bool result = true;
    if (!manager_->Stopping() && !results_ && !fileOfResults_.empty()) {
        results_ = std::fopen(fileOfResults_.c_str(), "wb");
        if (!results_) {
            Message("unable to create file: " + fileOfResults_);
            result = false;
        }
    }
    if (result && startingUrl_.empty()) {
        Message("no URL specified");
        result = false;
    }
    if (result && !start_.Split(startingUrl_)) {
        Message("Invalid Url : " + startingUrl_);
        result = false;
    }
    if (result && !Visit(visitedUrls_, startingUrl_, kMaxVisitedUrls))
        manager_->Add(
            startingUrl_,
            {.Depth = 1, .LinkCode = TLinkCode::Start, .BodyMode = 1, .Referrer = startingUrl_});
    startGuard_ = false;
    return result;
}

bool THttpScan::StopScan() {
    if (!manager_->Working() || manager_->Stopping())
        return false;
    CloseResults();
    manager_->StopAll();
    return true;
}

void THttpScan::ShutdownScan() {
    shuttingDown_ = true;
    TMFDwnld& m = *manager_;
    m.Accepting = false;
    m.OnPageReady = nullptr;
    m.OnStats = nullptr;
    m.OnError = nullptr;
    m.OnFetchFailed = nullptr;
    m.OnHeadComplete = nullptr;
    m.OnSlotEnded = nullptr;
    m.StopAll();
    shutdownCountdown_ = 10;
}

void THttpScan::RunTick(bool timerTick) {
    if (tickGuard_) {
        if (!timerTick)
            extraPending_ = true;
        return;
    }
    tickGuard_ = true;
    // Cleared on every way out: a tick that throws must not stop the ticks after it.
    struct Release {
        bool& flag;
        ~Release() { flag = false; }
    } release{tickGuard_};
    TMFDwnld& m = *manager_;
    if (m.Working()) {
        if (timerTick) {
            m.Tick();
            if (!m.StatsAndIdle(true)) {
                m.SetWorking(false);
                CloseResults();
            }
        } else {
            // A thread has ended: carry its slot on at once instead of waiting for the timer.
            for (int i = 0; i < 8 && m.Working(); ++i) {
                std::uint64_t before = m.StateSignature();
                m.Tick();
                m.StatsAndIdle(false);
                if (m.StateSignature() == before)
                    break;
            }
        }
    }
    if (timerTick && shutdownCountdown_ != 0 && --shutdownCountdown_ == 0) {
        shuttingDown_ = false;
        if (OnTerminateApplication)
            OnTerminateApplication();
        else
            QCoreApplication::quit();
    }
    if (extraPending_) {
        extraPending_ = false;
        QMetaObject::invokeMethod(this, GuardedSlot("THttpScan tick", [this] { RunTick(false); }),
                                  Qt::QueuedConnection);
    }
}

// Page processing runs on the UI thread: between its steps it lets events through, so the
// page's Stop button (and any handler) can stop the scan in the middle of a long page, and
// the found links show as they come. Each step checks Stopping() after it.
void THttpScan::LetEventsThrough() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

// ----- page pipeline ----------------------------------------------------------------------

void THttpScan::DefaultFoldAreas(std::string& text) {
    orv::scan::FoldAreas(text);
}

bool THttpScan::Follows(const TCrackUrl& link, const std::string& address) const {
    bool sameStartSite = link.Site() == start_.Site();
    bool inStartPath =
        sameStartSite && Contains(address, TCrackUrl::ScopePathOf(start_.DirectoryPath()));
    return linkScan_ == scanAllLinks || (linkScan_ == scanInitialSite && sameStartSite) ||
           (linkScan_ == scanInitialPath && inStartPath);
}

void THttpScan::ProcessPage(TMFHttpGet& slot) {
    Page page;
    page.own = slot.Splitter;
    page.address = slot.Splitter.Address();
    page.host = slot.Splitter.HostName();
    page.headers = slot.Headers;
    page.body = std::move(slot.Body);
    page.referrer = slot.Referrer;
    page.depth = slot.Depth;

    if (!slot.FinalUrl.empty()) {
        // Reached through redirects: the page stands at the address that answered, and its
        // links resolve there. The start page moves the scan's reference with it; any other
        // page is judged by scope as a link to where it now stands would be.
        TCrackUrl landed;
        if (landed.Split(slot.FinalUrl)) {
            bool isStart = page.depth == 1 && page.address == startingUrl_;
            if (isStart)
                start_ = landed;
            else if (!Follows(landed, slot.FinalUrl))
                return;
            page.own = landed;
            page.address = slot.FinalUrl;
            page.host = landed.HostName();
        }
    }

    if (OnPageReceived)
        OnPageReceived(this, page.host, page.address, page.headers, page.body);
    if (OnMetaTag)
        HeadPass(page);
    page.link.Split(page.referrer);
    std::string text = NormalizeHtml(page.body, true, false);
    page.body = std::string();
    LetEventsThrough();
    if (manager_->Stopping())
        return;
    if (page.address.size() >= 10 &&
        ascii::ToLower(page.address.substr(page.address.size() - 10)) == "robots.txt")
        ProcessLink(page, page.address, 0, TLinkCode::Start);
    if (!MarkPage(text))
        return;
    LetEventsThrough();
    if (manager_->Stopping())
        return;
    if (FoldAreas)
        FoldAreas(text);
    ScanValues(text, areaCount_, [&](std::string value, int kind, bool counted) {
        if (manager_->Stopping())
            return false;
        if (kind == kCodeBase)
            page.own.Split(value);
        ProcessLink(page, value, counted ? areaCount_ : 0, TLinkCode(kind));
        LetEventsThrough();
        return !manager_->Stopping();
    });
}

void THttpScan::HeadPass(Page& page) {
    ParseHead(
        page.body,
        [&](const std::string& title) {
            if (OnMetaTag)
                OnMetaTag(this, page.address, page.referrer, "TITLE", "TITLE", title, "", "", "",
                          "");
        },
        [&](const MetaTag& tag) {
            if (OnMetaTag)
                OnMetaTag(this, page.address, page.referrer, tag.tagType, tag.attrib[0],
                          tag.value[0], tag.attrib[1], tag.value[1], tag.attrib[2], tag.value[2]);
            std::string target = DecodeEntities(RefreshTarget(tag));
            if (target.empty())
                return;
            if (ascii::ToUpper(target.substr(0, 4)) != "HTTP") {
                // Relative to the page, like any other link of it.
                std::string absolute;
                if (!orv::net::CombineUrl(page.address, target, absolute))
                    return;
                target = absolute;
            }
            if (!Visit(visitedUrls_, target, kMaxVisitedUrls))
                manager_->Add(target, {.Depth = page.depth,
                                       .LinkCode = TLinkCode::Refresh,
                                       .BodyMode = 1,
                                       .Referrer = page.address});
        });
}

// ----- the link step ----------------------------------------------------------------------

// One link of a page, as the link step learns it.
struct THttpScan::Link {
    std::string address;  // absolute (a mail link: the mail address)
    std::string type;     // "mail", "htm", or a known file type
    bool mail = false;
    bool web = false;          // an http or https address
    bool firstToHost = false;  // the first link of the scan to its host
};

void THttpScan::ProcessLink(Page& page, const std::string& value, int countArea, TLinkCode code) {
    Link link;
    if (!ClassifyLink(page, value, link))
        return;
    if (Visit(visitedUrls_, link.address, kMaxVisitedUrls))
        return;  // once per scan
    // Both scope answers are taken before the report: its handler may change the settings.
    bool follow = Follows(page.link, link.address);
    bool followIfHtml = true;
    if (Reports(page, link.address))
        ReportLink(page, link, countArea, code, followIfHtml);
    if (followIfHtml && link.web && link.type == "htm" && follow)
        QueueLink(page, link, countArea, code);
}

bool THttpScan::ClassifyLink(Page& page, const std::string& value, Link& link) {
    link.address = ResolveLink(value, page.own, link.mail);
    if (link.address.empty() || !PassesKeywords(link.address))
        return false;
    if (link.mail) {
        link.type = "mail";
    } else {
        LinkType t = LinkTypeOf(link.address);
        link.type = t.type;
        link.web = t.scheme.starts_with("http");
    }
    if (link.type == "unknown")
        return false;
    // A mail address does not split: its scope tests use the splitter as the last link left
    // it. Any other link that does not split has no host fields to report: it is dropped.
    if (!page.link.Split(link.address) && !link.mail)
        return false;
    if (link.web) {
        // A ")" left over from a script call goes; an address with its own "(" keeps it.
        std::string& a = link.address;
        if (!a.empty() && a.back() == ')' && a.find('(') == std::string::npos)
            a.pop_back();
        link.firstToHost = !Visit(visitedHosts_, page.link.HostName(), kMaxVisitedHosts);
    }
    return true;
}

bool THttpScan::PassesKeywords(const std::string& address) const {
    if (keywordsFilterEnabled_ && keywordsFilter_.Count() > 0) {
        std::string lower = ascii::ToLower(address);
        for (const std::string& k : keywordsFilter_.Items())
            if (!k.empty() && Contains(lower, k))
                return false;
    }
    if (keywordsLimiterEnabled_ && keywordsLimiter_.Count() > 0) {
        std::string lower = ascii::ToLower(address);
        bool any = false;
        for (const std::string& k : keywordsLimiter_.Items())
            if (Contains(lower, k))
                any = true;
        if (!any)
            return false;
    }
    return true;
}

bool THttpScan::Reports(const Page& page, const std::string& address) const {
    // A directory path that ends in a file name stands for the file's directory.
    bool samePageSite = page.link.Site() == page.own.Site();
    bool inPagePath =
        samePageSite && Contains(address, TCrackUrl::ScopePathOf(page.own.DirectoryPath()));
    return linkReport_ == reportAllLinks ||
           (linkReport_ == reportCurrentSiteLinks && samePageSite) ||
           (linkReport_ == reportCurrentPathLinks && inPagePath);
}

void THttpScan::ReportLink(const Page& page, const Link& link, int countArea, TLinkCode code,
                           bool& followIfHtml) {
    std::string writeToFile = "x";
    if (OnLinkFound && (!typeFilterEnabled_ || typeFilter_.Find(link.type, false).found)) {
        static const std::string kEmpty;
        char hrefOrSrc = code == TLinkCode::Href ? 'H' : code == TLinkCode::Src ? 'S' : ' ';
        bool web = link.web;
        OnLinkFound(this, link.address, link.type, page.own.Address(),
                    web ? page.link.HostName() : kEmpty, web ? page.link.DirectoryPath() : kEmpty,
                    web ? page.link.UrlPath() : kEmpty, web ? page.link.ExtraInfo() : kEmpty,
                    writeToFile, hrefOrSrc, countArea, followIfHtml);
    }
    if (!results_)
        return;
    std::string line;
    if (writeToFile == "x")
        line = "\"" + link.type + "\";\"" + link.address + "\"\r\n";
    else if (!writeToFile.empty())
        line = writeToFile + "\r\n";
    if (!line.empty()) {
        std::fwrite(line.data(), 1, line.size(), results_);
        std::fflush(results_);
    }
}

void THttpScan::QueueLink(const Page& page, const Link& link, int countArea, TLinkCode code) {
    if (link.firstToHost && seekRobotsTxt_) {
        // The host's own scheme and port: a site on another port keeps its robots there.
        const TCrackUrl& l = page.link;
        std::string robots = ascii::ToLower(l.Scheme()) + l.Root().substr(l.Scheme().size());
        manager_->Add(robots + "/robots.txt",
                      {.Depth = page.depth + 1, .BodyMode = 1, .RetryCount = manager_->Retries});
    }
    if (manager_->QueueLength() < maxQueueSize_ && page.depth < manager_->DepthSearchLevel &&
        !manager_->Stopping())
        manager_->Add(link.address, {.Depth = page.depth + 1,
                                     .CountArea = countArea,
                                     .LinkCode = code,
                                     .BodyMode = 1,
                                     .Referrer = page.address});
}

}  // namespace orv::scan
