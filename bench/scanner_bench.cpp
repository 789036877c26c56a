// The scanner's hot paths: link extraction over a 1 MiB page of ordinary markup; a crawl of
// a generated 2,000-page site on the local fixture server, beside wget's spider over the same
// site in the same run; and the Website Scanner page's scan of that site beside the engine
// alone, in the same run (what the grid, the progress line and their painting cost).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "app/page_scanner.h"
#include "controls/dialogs.h"
#include "fixture_server.h"
#include "platform/registry.h"
#include "scanner/crawler.h"
#include "scanner/link_extraction.h"

using namespace orv::scan;

namespace {

std::string RealisticPage(std::size_t size) {
    std::string p =
        "<!DOCTYPE html>\n<html><head><title>Catalogue</title>\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">\n"
        "<link rel=\"stylesheet\" href=\"/css/site.css\"></head>\n<body>\n";
    for (int i = 0; p.size() < size; ++i) {
        p += "<div class=\"item\" id=\"item" + std::to_string(i) + "\">\n";
        p += "  <a href=\"/products/item" + std::to_string(i) + ".html\" title=\"Item " +
             std::to_string(i) + "\"><img src='/img/thumb" + std::to_string(i) +
             ".jpeg' width=\"120\" height=\"90\" alt=\"\"></a>\n";
        p += "  <p>Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod "
             "tempor incididunt ut labore et dolore magna aliqua. Price: <b>12,50</b></p>\n";
        p += "  <table><tr><td><a href=\"details.php?id=" + std::to_string(i) +
             "&amp;lang=en\">Details</a></td><td><a href=\"mailto:sales@example.com\">Ask</a>"
             "</td></tr></table>\n";
        if (i % 5 == 0)
            p += "  <script type=\"text/javascript\">var x = " + std::to_string(i) +
                 "; if (x > 3) { show(x); }</script>\n";
        if (i % 7 == 0)
            p += "  <form action=\"/cart\"><input type=\"hidden\" name=\"sku\" value=\"" +
                 std::to_string(i) + "\"><option value=\"/cat/" + std::to_string(i) +
                 "/\">Category</option></form>\n";
        p += "</div>\n";
    }
    return p + "</body></html>\n";
}

void BM_LinkExtraction(benchmark::State& state) {
    const std::string page = RealisticPage(1 << 20);
    std::size_t links = 0;
    for (auto _ : state) {
        std::string t = NormalizeHtml(page, true, false);
        if (MarkPage(t)) {
            FoldAreas(t);
            int areas = 0;
            ScanValues(t, areas, [&](std::string v, int, bool) {
                links += LinkTypeOf(v).type.size();
                return true;
            });
        }
        benchmark::DoNotOptimize(links);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(page.size()));
}
BENCHMARK(BM_LinkExtraction)->Unit(benchmark::kMillisecond);

constexpr int kPages = 2000;

void GeneratedSite(orv::test::FixtureServer& srv) {
    srv.Prefix("/g/", [](const orv::test::LoggedRequest& r, orv::test::FixtureConn& c) {
        int n = std::atoi(r.target.c_str() + 3);
        std::string body = "<html><head><title>Page " + std::to_string(n) + "</title></head><body>";
        for (int k = 1; k <= 8; ++k) {
            int to = (n * 7 + k * 13 + k * k) % kPages;
            body += "<p>Text of the page. <a href=\"/g/" + std::to_string(to) + ".htm\">page " +
                    std::to_string(to) + "</a></p>\n";
        }
        body += "<a href=\"/g/" + std::to_string((n + 1) % kPages) + ".htm\">next</a>";
        body += "<img src=\"/img/p" + std::to_string(n) + ".gif\"></body></html>";
        c.Send(orv::test::FixtureServer::Response(200, "text/html", body));
    });
}

void BM_CrawlVsWget(benchmark::State& state) {
    for (auto _ : state) {
        orv::test::FixtureServer srv;
        GeneratedSite(srv);
        // The scanner.
        THttpScan scan;
        scan.SetFileOfResults("");
        scan.SetProxyType(PROXY_DIRECT);
        scan.SetConcurrentDownloads(6);
        scan.SetDepthSearchLevel(100000);
        scan.SetMaxQueueSize(100000);
        scan.SetLinkScan(scanInitialSite);
        int pages = 0;
        QElapsedTimer t;
        qint64 lastPage = 0;
        scan.OnPageReceived = [&](QObject*, const std::string&, const std::string&,
                                  const std::string&, const std::string&) {
            ++pages;
            lastPage = t.elapsed();
        };
        qint64 quietAt = 0;
        scan.OnUpdatedStats = [&](QObject*, int q, int d, int a, int, int, int) {
            if (q == 0 && d == 0 && a == 0)
                quietAt = t.elapsed();
        };
        t.start();
        scan.StartScan(srv.Url("/g/0.htm"));
        while (scan.IsWorking() && t.elapsed() < 600000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const qint64 idleAt = t.elapsed();
        double ours = pages / (lastPage / 1000.0);

        // wget over the same site.
        srv.ClearLog();
        char dir[] = "/tmp/orvelan-wget-XXXXXX";
        std::string tmp = ::mkdtemp(dir) ? dir : "/tmp";
        std::string cmd = "cd " + tmp + " && wget -q --spider -r -l inf -e robots=off --no-proxy " +
                          srv.Url("/g/0.htm") + " >/dev/null 2>&1";
        auto w0 = std::chrono::steady_clock::now();
        int rc = std::system(cmd.c_str());
        double wgetSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
        std::system(("rm -rf " + tmp).c_str());
        std::set<std::string> wgetTargets;
        for (auto& r : srv.Log())
            if (r.target.rfind("/g/", 0) == 0)
                wgetTargets.insert(r.target);
        int wgetPages = int(wgetTargets.size());
        double theirs = wgetPages / wgetSeconds;
        state.counters["scanner_pages"] = pages;
        state.counters["scanner_pages_per_s"] = ours;
        state.counters["wget_pages"] = wgetPages;
        state.counters["wget_pages_per_s"] = theirs;
        state.counters["ratio"] = theirs > 0 ? ours / theirs : 0;
        std::printf(
            "crawl: scanner %d pages in %.2f s (%.0f pages/s; quiet at %.2f s, idle at %.2f s), "
            "wget %d pages in %.2f s (%.0f pages/s, exit %d), ratio %.2f\n",
            pages, lastPage / 1000.0, ours, quietAt / 1000.0, idleAt / 1000.0, wgetPages,
            wgetSeconds, theirs, rc, theirs > 0 ? ours / theirs : 0.0);
    }
}
BENCHMARK(BM_CrawlVsWget)->Iterations(1)->Unit(benchmark::kSecond);

// Every box answers at once (the page ends its scan with an information box).
class SilentDialogs final : public orv::ui::Dialogs {
  public:
    orv::ui::Answer Message(QWidget*, const QString&, const QString&, orv::ui::Icon,
                            orv::ui::Buttons) override {
        return orv::ui::Answer::Ok;
    }
    std::optional<QString> OpenFile(QWidget*, const orv::ui::FileDialogSpec&) override {
        return std::nullopt;
    }
    std::optional<QString> SaveFile(QWidget*, const orv::ui::FileDialogSpec&,
                                    const std::function<bool(const QString&)>&) override {
        return std::nullopt;
    }
    int ExecModal(QDialog*) override { return 0; }
};

// The scanner set as the page keeps it, but without a depth or queue bound, so the whole
// site is scanned.
void Unbounded(THttpScan& scan) {
    scan.SetFileOfResults("");
    scan.SetProxyType(PROXY_DIRECT);
    scan.SetConcurrentDownloads(6);
    scan.SetDepthSearchLevel(100000);
    scan.SetMaxQueueSize(100000);
    scan.SetLinkScan(scanInitialSite);
    scan.SetLinkReport(reportCurrentSiteLinks);
}

// Runs the event loop until the scan has gone idle; `each` is called after every turn.
template <class Each>
void RunScan(THttpScan& scan, QElapsedTimer& t, Each&& each) {
    while (scan.IsWorking() && t.elapsed() < 600000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        each();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

void BM_PageScanVsEngine(benchmark::State& state) {
    SilentDialogs dialogs;
    orv::ui::SetDialogs(&dialogs);
    for (auto _ : state) {
        orv::test::FixtureServer srv;
        GeneratedSite(srv);

        // The engine alone, its links counted.
        double engineSeconds = 0;
        int engineLinks = 0;
        {
            THttpScan scan;
            Unbounded(scan);
            QElapsedTimer t;
            qint64 lastLink = 0;
            scan.OnLinkFound = [&](QObject*, const std::string&, const std::string&,
                                   const std::string&, const std::string&, const std::string&,
                                   const std::string&, const std::string&, std::string&, char, int,
                                   bool&) {
                ++engineLinks;
                lastLink = t.elapsed();
            };
            t.start();
            scan.StartScan(srv.Url("/g/0.htm"));
            RunScan(scan, t, [] {});
            engineSeconds = lastLink / 1000.0;
        }

        // The page, shown, scanning the same site from its Start; the time runs until the
        // grid shows the last link.
        double pageSeconds = 0;
        int pageLinks = 0;
        {
            orv::PageContext context;
            orv::TWebsiteScannerPage page(context);
            page.resize(780, 560);
            page.show();
            THttpScan& scan = *page.HttpScan1;
            Unbounded(scan);
            auto handler = scan.OnLinkFound;
            QElapsedTimer t;
            qint64 lastLink = 0, shown = 0;
            scan.OnLinkFound = [&](QObject* sender, const std::string& url, const std::string& type,
                                   const std::string& from, const std::string& host,
                                   const std::string& path, const std::string& file,
                                   const std::string& extra, std::string& write, char hs, int area,
                                   bool& follow) {
                handler(sender, url, type, from, host, path, file, extra, write, hs, area, follow);
                lastLink = t.elapsed();
            };
            orv::ui::StringGridModel& grid = page.StringGrid4->Model();
            page.Edit111->SetText(QString::fromStdString(srv.Host() + "/g/0.htm"));
            t.start();
            page.Button22Click();
            RunScan(scan, t, [&] {
                if (grid.ShownRows() == grid.RowCount() && shown < lastLink)
                    shown = t.elapsed();
            });
            pageLinks = page.LinkCount;
            pageSeconds = std::max(shown, lastLink) / 1000.0;
        }
        double ratio = engineSeconds > 0 ? pageSeconds / engineSeconds : 0;
        state.counters["engine_links"] = engineLinks;
        state.counters["engine_s"] = engineSeconds;
        state.counters["page_links"] = pageLinks;
        state.counters["page_s"] = pageSeconds;
        state.counters["page_over_engine"] = ratio;
        std::printf(
            "page scan: engine alone %d links in %.2f s, page %d links in %.2f s "
            "(%.2f ms per link), page/engine %.2f\n",
            engineLinks, engineSeconds, pageLinks, pageSeconds,
            pageLinks ? 1000.0 * pageSeconds / pageLinks : 0.0, ratio);
    }
    orv::ui::SetDialogs(nullptr);
}
BENCHMARK(BM_PageScanVsEngine)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    char tmpl[] = "/tmp/orvelan-bench-registry-XXXXXX";
    if (char* d = ::mkdtemp(tmpl))
        orv::Registry::SetFolder(d);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
