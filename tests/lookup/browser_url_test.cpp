#include "lookup/browser_url.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(BrowserUrl, TheAddressIsBetweenTheReplysFirstTwoQuotes) {
    struct Case {
        std::optional<std::string> reply;
        const char* url;
    } cases[] = {
        {R"("https://www.example.org/docs/a.html","Docs","")",
         "https://www.example.org/docs/a.html"},
        {R"("http://host.example:8080/p","T")", "http://host.example:8080/p"},
        {std::nullopt, "XXX"},
        {"", "XXX"},
        {R"("file:///home/u/page.html","Page")", "XXX"},
        {R"("about:blank","New Tab")", "XXX"},
        // Every page of the browser's own is as blank: a new tab, the home and welcome pages,
        // Chromium's chrome: pages, in any case.
        {R"("about:newtab","New Tab")", "XXX"},
        {R"("about:home","Home")", "XXX"},
        {R"("ABOUT:Welcome","Welcome")", "XXX"},
        {R"("about:preferences#privacy","Settings")", "XXX"},
        {R"("chrome://new-tab-page-third-party/","New Tab")", "XXX"},
        {R"("chrome://settings/","Settings")", "XXX"},
        // A page whose address only holds "about:" further on is a page.
        {R"("https://example.org/about:me","About")", "https://example.org/about:me"},
        {R"("chrome-extension://abc/page.html","Ext")", "chrome-extension://abc/page.html"},
        {"no quotes here", "XXX"},
        // Only the first character is a quote: an empty address.
        {R"("http://unterminated)", ""},
        {"\"", ""},
        {R"("a","t")", "a"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UrlFromWindowInfo(c.reply), c.url) << (c.reply ? *c.reply : "(none)");
}

TEST(BrowserUrl, HostAndScanAddress) {
    struct Case {
        const char* url;
        const char* host;
        const char* address;
    } cases[] = {
        {"https://www.example.org/docs/a.html", "www.example.org", "www.example.org/docs/a.html"},
        {"http://host.example:8080/p/q", "host.example:8080", "host.example:8080/p/q"},
        {"ftp://files.example", "files.example", "files.example"},
        {"https://a.example/x://y", "a.example", "a.example/x://y"},
        // Without "://" the first two characters go.
        {"www.example.org/path", "w.example.org", "w.example.org/path"},
        {"ab", "", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HostOfUrl(c.url), c.host) << c.url;
        EXPECT_EQ(AddressOfUrl(c.url), c.address) << c.url;
    }
}

}  // namespace
}  // namespace orv
