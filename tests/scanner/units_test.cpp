// The scanner's building blocks: the sorted list, the queue, the file-type table, the tools
// and the text passes of the page pipeline.
#include <gtest/gtest.h>

#include <vector>

#include "common/ascii.h"
#include "scanner/file_types.h"
#include "scanner/link_extraction.h"
#include "scanner/sorted_list.h"
#include "scanner/text_tools.h"
#include "scanner/url_parts.h"
#include "scanner/url_queue.h"

using namespace orv::scan;

TEST(TMFStringList, FindOrInsertKeepsTheOrder) {
    TMFStringList l;
    FindResult r = l.Find("m", false);
    EXPECT_FALSE(r.found);
    EXPECT_EQ(r.index, -1);
    EXPECT_EQ(r.insertAt, 0);
    EXPECT_EQ(l.Count(), 0);
    for (const char* s : {"m", "b", "z", "a", "q", "B", "ab", "a"})
        l.Find(s, true);
    std::vector<std::string> want{"a", "ab", "b", "m", "q", "z"};
    EXPECT_EQ(l.Items(), want);
    r = l.Find("Q", false);
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.index, 4);
    EXPECT_EQ(r.insertAt, -1);
    r = l.Find("n", false);
    EXPECT_EQ(r.insertAt, 4);
    r = l.Find("zz", false);
    EXPECT_EQ(r.insertAt, 6);
}

TEST(TMFStringList, FoldsOnlyAsciiLetters) {
    TMFStringList l;
    l.Find("abc", true);
    EXPECT_TRUE(l.Find("ABC", false).found);
    l.Find("\xe9t\xe9", true);
    EXPECT_FALSE(l.Find("\xc9T\xc9", false).found);  // Latin-1 accents are not folded
    // "_" (0x5F) sorts after the upper-case letters, so after "Z" and after folded "z".
    EXPECT_LT(orv::ascii::CompareNoCase("z", "_"), 0);
    EXPECT_LT(orv::ascii::CompareNoCase("ab", "abc"), 0);
    EXPECT_EQ(orv::ascii::CompareNoCase("aBc", "AbC"), 0);
}

TEST(TMFStringList, SortPurgesBlanksAndMayDescend) {
    TMFStringList l;
    for (const char* s : {"pear", "", "Apple", "fig", "", "banana", "apple2"})
        l.Add(s);
    l.Sort();
    std::vector<std::string> want{"Apple", "apple2", "banana", "fig", "pear"};
    EXPECT_EQ(l.Items(), want);
    l.Descending = true;
    l.Sort();
    std::vector<std::string> down{"pear", "fig", "banana", "apple2", "Apple"};
    EXPECT_EQ(l.Items(), down);
    EXPECT_TRUE(l.Find("FIG", false).found);
    EXPECT_EQ(l.Find("cherry", false).insertAt, 2);
    TMFStringList keep;
    keep.PurgeBlanks = false;
    keep.Add("b");
    keep.Add("");
    keep.Sort();
    EXPECT_EQ(keep.Count(), 2);
    EXPECT_EQ(keep[0], "");
}

TEST(TMFStringList, SortMatchesAReferenceOnManyLists) {
    unsigned seed = 7;
    for (int round = 0; round < 50; ++round) {
        TMFStringList l;
        std::vector<std::string> ref;
        int n = round * 7 % 60;
        for (int i = 0; i < n; ++i) {
            seed = seed * 1103515245 + 12345;
            std::string s(1 + seed % 3, char('A' + (seed >> 8) % 6));
            if ((seed >> 4) & 1)
                s[0] = char(s[0] + 32);
            l.Add(s);
            ref.push_back(s);
        }
        l.Sort();
        for (int i = 1; i < l.Count(); ++i)
            EXPECT_LE(orv::ascii::CompareNoCase(l[i - 1], l[i]), 0);
        EXPECT_EQ(l.Count(), n);
    }
}

TEST(TUrlInQueue, KeepsEntriesInOrderWithTheirObjects) {
    TUrlInQueue q;
    q.Add("http://a/",
          {.Depth = 1, .LinkCode = TLinkCode::Start, .BodyMode = 1, .Referrer = "ref-a"});
    q.Add("http://b/", {.Depth = 5,
                        .Priority = true,
                        .CountArea = 3,
                        .LinkCode = TLinkCode::Href,
                        .BodyMode = 1,
                        .RetryCount = 2,
                        .Referrer = "ref-b"});
    q.Add("http://c/", {.Depth = 2, .LinkCode = TLinkCode::Src});
    ASSERT_EQ(q.Count(), 3);
    EXPECT_EQ(q.Address(1), "http://b/");
    const TUrlObject& o = q.Object(1);
    EXPECT_TRUE(o.Priority);
    EXPECT_EQ(o.CountArea, 3);
    EXPECT_EQ(o.LinkCode, TLinkCode::Href);
    EXPECT_EQ(o.RetryCount, 2);
    EXPECT_EQ(o.Depth, 5);
    EXPECT_EQ(o.Referrer, "ref-b");
    EXPECT_EQ(o.Tag, -1);
    q.Delete(0);
    EXPECT_EQ(q.Address(0), "http://b/");
    q.ClearAll();
    EXPECT_EQ(q.Count(), 0);
}

TEST(FileTypes, TellingRowsAndCase) {
    const std::pair<const char*, int> rows[] = {
        {"$$$", 1},    {"exe", 168},  {"gif", 203}, {"jpeg", 255}, {"jpg", 256},
        {"mail", 279}, {"mpeg", 312}, {"txt", 467}, {"zip", 549},  {"zoo", 550}};
    for (auto& [ext, row] : rows) {
        EXPECT_EQ(FileTypeRow(ext), row) << ext;
        EXPECT_STREQ(kFileTypes[row - 1].extension, ext);
    }
    EXPECT_STREQ(kFileTypes[202].description, "CompuServe bitmap");
    EXPECT_EQ(FileTypeRow("GIF"), -1);
    EXPECT_EQ(FileTypeRow("htm"), -1);
    EXPECT_EQ(FileTypeRow("html"), -1);
    EXPECT_EQ(FileTypeRow(""), -1);
    for (int i = 0; i < kFileTypeCount; ++i)
        EXPECT_EQ(FileTypeRow(kFileTypes[i].extension), i + 1) << kFileTypes[i].extension;
}

TEST(LinkTypeOf, Table) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://h.com/dir/page.htm", "htm"},
        {"http://h.com/dir/page.html", "htm"},
        {"http://h.com/dir/", "htm"},
        {"http://h.com/dir/sub", "htm"},  // the host's "." lies before the last "/"
        {"http://localhost/dir/sub", "unknown"},
        {"http://h.com", "htm"},  // the host's "." and no path
        {"http://h.com/pic.gif", "gif"},
        {"http://h.com/pic.GIF", "htm"},  // the table is lower case
        {"http://h.com/pic.jpeg", "jpg"},
        {"http://h.com/film.mpeg", "mpg"},
        {"http://h.com/a.php", "htm"},
        {"http://h.com/a.zip", "zip"},
        {"http://h.com/a.", "unknown"},
        {"http://h.com/a.gif?x=1", "htm"},
        {"http://h.com/a.gif&x", "htm"},
        {"http://h.com/a.gif#top", "htm"},
        {"https://h.com/doc.pdf", "pdf"},
        {"ftp://h.com/a.zip", "unknown"},
        {"ftp://h.com/a?x", "htm"},
        {"news:comp.lang", "htm"},  // no "://": taken as a web address
        {"gopher://h/x", "unknown"},
    };
    for (auto& [addr, type] : cases)
        EXPECT_EQ(LinkTypeOf(addr).type, type) << addr;
    EXPECT_EQ(LinkTypeOf("HTTPS://h.com/").scheme, "https");
    EXPECT_EQ(LinkTypeOf("h.com/x.gif").scheme, "http");
}

TEST(Tools, SmallRoutines) {
    EXPECT_EQ(LastCharPos('/', ""), 0);
    EXPECT_EQ(LastCharPos('/', "/"), 1);
    EXPECT_EQ(LastCharPos('/', "a/b/c"), 4);
    EXPECT_EQ(LastCharPos('x', "abc"), 0);
    std::string t = "a:b:c";
    ReplaceChar(':', '.', t);
    EXPECT_EQ(t, "a.b.c");
    EXPECT_EQ(LocalPathFor("/dl/", "h.com/dir/"), "/dl/h.com/dir/index.html");
    EXPECT_EQ(LocalPathFor("/dl", "h.com"), "/dl/h.com/index.html");
    EXPECT_EQ(LocalPathFor("/dl", "h.com/a/b.htm"), "/dl/h.com/a/b.htm");
    EXPECT_EQ(ResultsFileName("24/12/2023 18:05:09"), "2023-12-24_18.05.09.txt");
    std::string now = ResultsFileName();
    EXPECT_EQ(now.size(), std::string("yyyy-mm-dd_hh.mm.ss.txt").size());
    EXPECT_EQ(orv::ascii::ToUpper("abc\xe9-z"), "ABC\xe9-Z");
    EXPECT_EQ(orv::ascii::ToLower("ABC\xc9-Z"), "abc\xc9-z");
}

TEST(NormalizeHtml, BlanksQuotesAndControls) {
    const struct {
        const char* in;
        bool quotes, lf;
        const char* out;
    } cases[] = {
        {"<a href=\"x.htm\">", true, false, "<a href=x.htm >"},
        {"<a  href = 'x' >", true, false, "<a href=x >"},
        {"<a\nhref=x>", true, false, "<ahref=x>"},
        {"<a\nhref=x>", true, true, "<a href=x>"},
        {"a,b\tc\r\n", true, false, "a bc"},
        {"say \"hi\"", false, false, "say \"hi\""},
        {"x   y", false, false, "x y"},
        {"= x", false, false, "=x"},
    };
    for (auto& c : cases)
        EXPECT_EQ(NormalizeHtml(c.in, c.quotes, c.lf), c.out) << c.in;
}

namespace {

struct Found {
    std::string value;
    int kind;
    bool operator==(const Found&) const = default;
};

std::vector<Found> Extract(const std::string& html, int* areas = nullptr) {
    std::string t = NormalizeHtml(html, true, false);
    std::vector<Found> out;
    if (!MarkPage(t))
        return out;
    FoldAreas(t);
    int count = 0;
    ScanValues(t, count, [&](std::string v, int kind, bool) {
        out.push_back({v, kind});
        return true;
    });
    if (areas)
        *areas = count;
    return out;
}

}  // namespace

TEST(LinkExtraction, MarksAndValues) {
    const struct {
        const char* html;
        std::vector<Found> want;
    } cases[] = {
        {"<a href=\"dir/x.htm\">x</a>", {{"dir/x.htm", 4}}},
        {"<IMG SRC='pic.jpeg'>", {{"pic.jpeg", 6}}},
        {"<base href=\"http://h.com/b/\"><a href=y.htm>", {{"http://h.com/b/", 7}, {"y.htm", 4}}},
        {"<frame src=f.htm></frame>", {{"f.htm", 6}}},
        {"<a\nhref=x.htm>", {}},  // the line feed is dropped: no blank before HREF
        {"<a href=javascript:go(p.htm)>", {}},
        {"<a href=\"javascript:openwin('p.htm')\">", {}},
        {"<span onclick=\"openwin('p.htm')\">", {{"p.htm", 4}}},
        {"<a href=top.window.location>", {}},
        {"<a href=x[1].htm>", {}},
        {"<a href==>", {}},
        {"<a href=>", {}},
        {"<a href=\"\">", {}},
        {"<input value=\"/cgi/x\"> <input value=no-slash> <input value=\"/a;b\">", {{"/cgi/x", 5}}},
        {"<a href=(x.htm)>", {}},  // a leading "(" stays, and "(" is refused
        {"<a href=mailto:me@h.com?subject=x>", {{"mailto:me@h.com?subject=x", 4}}},
        {"<a href=x.htm<b>", {{"x.htm", 4}}},
        {"no markers at all", {}},
        // Character references are resolved before the value is used.
        {"<a href=\"a?x=1&amp;y=2\">", {{"a?x=1&y=2", 4}}},
        {"<a href=\"&#109;ailto:me&#64;h.com\">", {{"mailto:me@h.com", 4}}},
        {"<a href=\"&#x6D;ailto:a&#x25;b@h.com\">", {{"mailto:a%b@h.com", 4}}},
        {"<a href=\"&#106;avascript:go(p.htm)\">", {}},
        // Markup shown as text (an escaped code sample) is no link; a reference inside a
        // value is still resolved.
        {"<pre>&lt;img src=&quot;logo.png&quot;&gt;</pre>", {}},
        {"&lt;a href=&#34;a.htm&#34;&gt; &lt;a href=&#x22;b.htm&#x22;&gt;", {}},
        {"&lt;a href=&#39;a.htm&#39;&gt; &lt;img src=&apos;b.png&apos;&gt;", {}},
        {"&lt;a href=&QUOT;a.htm&QUOT;&gt; &lt;a href=&#034b.htm&#034&gt;", {}},
        {"<code>&lt;a href=&#39;a.htm&#39;&gt;</code> <a href=\"b.htm\">", {{"b.htm", 4}}},
        {"<a href=\"a&quot;b.htm\">", {{"a\"b.htm", 4}}},
        {"<a href=\"&amp;x.htm\">", {{"&x.htm", 4}}},
        // Only a call is cut down to its argument; an address keeps its brackets.
        {"<a href=\"https://host/open(2)\">", {{"https://host/open(2)", 4}}},
        {"<a href=\"page(v=vs.85).aspx\">", {{"page(v=vs.85).aspx", 4}}},
        {"<a href=\"/lib/page(v=vs.85).aspx\">", {{"/lib/page(v=vs.85).aspx", 4}}},
        {"<a href=go(x.htm)>", {{"x.htm", 4}}},
        {"<a href=go(x.htm);>", {{"x.htm", 4}}},
        {"<a href=go(f(x.htm))>", {}},
        {"<a href=go(x+y)>", {}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.html);
        EXPECT_EQ(Extract(c.html), c.want);
    }
}

TEST(LinkExtraction, AreasAreCountedAndNeverNest) {
    int areas = 0;
    Extract("<a href=1.htm><a href=2.htm></a><option value=/x/>", &areas);
    EXPECT_EQ(areas, 3);
    std::string t =
        "x\x0e"
        "ab\x0e"
        "cd\x10";
    FoldAreas(t);
    EXPECT_EQ(t, std::string("x\x0e"
                             "a\x10\x0e"
                             "cd\x10"));
}

TEST(MetaTags, ParseAndRefresh) {
    auto m = ParseMetaTag("meta name=\"Description\" content=\"A Site\"");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->tagType, "META");
    EXPECT_EQ(m->attrib[0], "NAME");
    EXPECT_EQ(m->value[0], "Description");
    EXPECT_EQ(m->attrib[1], "CONTENT");
    EXPECT_EQ(m->value[1], "A Site");
    EXPECT_FALSE(ParseMetaTag("meta a=1 b=2 c=3 d=4"));  // a fourth pair ends the walk
    EXPECT_FALSE(ParseMetaTag("meta noequals"));
    auto r = ParseMetaTag("meta http-equiv=\"refresh\" content=\"0; URL=next.htm\"");
    ASSERT_TRUE(r);
    EXPECT_EQ(RefreshTarget(*r), "next.htm");
    auto unquoted = ParseMetaTag("meta http-equiv=refresh content=5;url=n.htm");
    ASSERT_TRUE(unquoted);
    EXPECT_EQ(RefreshTarget(*unquoted), "N.HTM");  // unquoted values are upper-cased
    auto lower = ParseMetaTag("meta http-equiv=\"refresh\" content=\"0; url=next.htm\"");
    ASSERT_TRUE(lower);
    EXPECT_EQ(RefreshTarget(*lower), "");  // "URL" is looked for as written

    std::vector<std::string> titles, types;
    ParseHead(
        "<html><HEAD><title>My Title</title>\n<meta name=a content=b><link rel=x href=y>"
        "<br></head><body>",
        [&](const std::string& t) { titles.push_back(t); },
        [&](const MetaTag& t) { types.push_back(t.tagType); });
    EXPECT_EQ(titles, std::vector<std::string>{"My Title"});
    EXPECT_EQ(types, (std::vector<std::string>{"META", "LINK"}));
    int calls = 0;
    ParseHead(
        "<head><title>x</title>", [&](const std::string&) { ++calls; },
        [&](const MetaTag&) { ++calls; });
    EXPECT_EQ(calls, 0);
}

TEST(DecodeEntities, ReferencesInValues) {
    const std::pair<const char*, const char*> cases[] = {
        {"a&amp;b&lt;c&gt;d&quot;e&apos;f", "a&b<c>d\"e'f"},
        {"&AMP;", "&"},
        {"&#37;&#x25;&#X25;", "%%%"},
        {"&#37&#x41g", "%Ag"},  // the ";" may be missing; the digits end the number
        {"&#233;&nbsp;&#x20AC;", "\xc3\xa9\xc2\xa0\xe2\x82\xac"},
        {"&#128512;", "\xf0\x9f\x98\x80"},
        {"a&b", "a&b"},
        {"&amp", "&amp"},  // a named reference needs its ";"
        {"&copy;", "&copy;"},
        {"&#;&#x;&#0;&#xD800;&#1114112;", "&#;&#x;&#0;&#xD800;&#1114112;"},
        {"&", "&"},
        {"", ""},
    };
    for (auto& [in, out] : cases)
        EXPECT_EQ(DecodeEntities(in), out) << in;
}

TEST(ResolveLink, AgainstThePageAddress) {
    const struct {
        const char* page;
        const char* value;
        const char* address;
        bool mail;
    } cases[] = {
        {"http://h.com/dir/x.htm", "a.htm", "http://h.com/dir/a.htm", false},
        {"http://h.com/dir/sub", "a.htm", "http://h.com/dir/sub/a.htm", false},
        {"http://h.com:80/dir/", "a.htm#top", "http://h.com/dir/a.htm", false},
        {"http://h.com:8080/dir/", "../a.htm", "http://h.com:8080/a.htm", false},
        {"http://h.com:443/", "a.htm", "http://h.com:443/a.htm", false},
        // https: the default port is not named, so a relative link equals its absolute form.
        {"https://h.com/dir/x.htm", "a.htm", "https://h.com/dir/a.htm", false},
        {"https://h.com:443/dir/", "/b.htm", "https://h.com/b.htm", false},
        {"https://h.com:8443/dir/", "a.htm", "https://h.com:8443/dir/a.htm", false},
        {"HTTPS://h.com/", "a.htm", "HTTPS://h.com/a.htm", false},
        {"http://h.com/", "https://o.com/x.htm#f", "https://o.com/x.htm", false},
        {"http://h.com/", "mailto:me@h.com?subject=x", "me@h.com", true},
        {"http://h.com/", "javascript:go()", "", false},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(std::string(c.page) + " + " + c.value);
        TCrackUrl page;
        ASSERT_TRUE(page.Split(c.page));
        bool mail = !c.mail;
        EXPECT_EQ(ResolveLink(c.value, page, mail), c.address);
        EXPECT_EQ(mail, c.mail);
    }
}

TEST(TCrackUrl, SitesAndDirectoryPaths) {
    struct Case {
        const char* url;
        const char* site;
        const char* dirPath;
    };
    const Case cases[] = {
        {"http://www.example.com/dir/page.htm", "example.com", "/dir/page.htm"},
        {"http://example.com/dir/sub", "example", "/dir/sub/"},
        {"http://a.b.example.com/dir/", "example.com", "/dir/"},
        {"http://localhost/", "", "/"},
        {"http://example.com", "example", "/"},
        {"http://example.com/abc", "example", "/abc"},  // the last "/" is the first character
        {"http://127.0.0.1:8080/a/b", "0.1", "/a/b/"},
        {"http://.example/x.y/z", "", "/x.y/z/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        orv::scan::TCrackUrl u;
        ASSERT_TRUE(u.Split(c.url));
        EXPECT_EQ(u.Site(), c.site);
        EXPECT_EQ(u.DirectoryPath(), c.dirPath);
        EXPECT_EQ(u.Address(), c.url);
    }
    // A three-label host and the two-label host of its last labels have different sites.
    EXPECT_NE(orv::scan::TCrackUrl::SiteOf("www.example.com"),
              orv::scan::TCrackUrl::SiteOf("example.com"));
}

TEST(TCrackUrl, RootAndScopePath) {
    const std::pair<const char*, const char*> roots[] = {
        {"http://h.com/d/x.htm", "http://h.com"},  {"http://h.com:80/", "http://h.com"},
        {"http://h.com:443/", "http://h.com:443"}, {"https://h.com/d/", "https://h.com"},
        {"https://h.com:443/", "https://h.com"},   {"https://h.com:8443/", "https://h.com:8443"},
        {"HTTPS://H.com/", "HTTPS://H.com"},       {"http://[::1]:81/", "http://[::1]:81"},
    };
    for (auto& [url, root] : roots) {
        orv::scan::TCrackUrl u;
        ASSERT_TRUE(u.Split(url));
        EXPECT_EQ(u.Root(), root) << url;
    }
    // The split's directory path keeps a file name; the scope tests use its directory.
    const std::pair<const char*, const char*> paths[] = {
        {"/docs/index.html", "/docs/"}, {"/docs/sub/", "/docs/sub/"}, {"/", "/"}, {"/abc", "/"}};
    for (auto& [dir, scope] : paths)
        EXPECT_EQ(orv::scan::TCrackUrl::ScopePathOf(dir), scope) << dir;
}

TEST(TCrackUrl, FailedSplitKeepsTheParts) {
    orv::scan::TCrackUrl u;
    ASSERT_TRUE(u.Split("http://h.example.com/a/"));
    EXPECT_FALSE(u.Split("not an address"));
    EXPECT_FALSE(u.Success());
    EXPECT_EQ(u.Address(), "not an address");
    EXPECT_EQ(u.HostName(), "h.example.com");
    EXPECT_TRUE(u.Split("http://h.example.com/a/b", "/tmp/dl"));
    EXPECT_EQ(u.LocalFilePath(), "/tmp/dl/h.example.com/a/b/index.html");
}
