// Fuzz target: the page passes (normalise, mark, fold, cut and resolve values), character
// references, link classification,
// the head parser and the address splitter and combiner on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/url.h"
#include "scanner/link_extraction.h"
#include "scanner/url_parts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    using namespace orv::scan;

    std::string text = NormalizeHtml(input, true, false);
    if (MarkPage(text)) {
        FoldAreas(text);
        int areas = 0;
        int budget = 256;
        TCrackUrl base;
        base.Split("http://fuzz.example.com/dir/page.htm");
        ScanValues(text, areas, [&](std::string value, int kind, bool) {
            if (kind == kCodeBase)
                base.Split(value);
            bool mail = false;
            std::string out = ResolveLink(value, base, mail);
            LinkType t = LinkTypeOf(out);
            TCrackUrl link;
            if (t.type != "unknown")
                link.Split(out);
            return --budget > 0;
        });
    }
    ParseHead(
        input, [](const std::string&) {}, [](const MetaTag& m) { RefreshTarget(m); });

    orv::net::UrlParts parts;
    if (orv::net::CrackUrl(input, parts) && !parts.host.empty()) {
        std::string request = orv::net::RequestUrl(parts);
        orv::net::UrlParts again;
        // A request address always splits again (unless encoding made a part too long).
        if (request.size() < 1000 && !orv::net::CrackUrl(request, again))
            __builtin_trap();
    }
    std::size_t half = size / 2;
    std::string out;
    orv::net::CombineUrl(input.substr(0, half), input.substr(half), out);
    TCrackUrl::SiteOf(input);
    TCrackUrl::ScopePathOf(TCrackUrl::DirectoryPathOf(input));
    DecodeEntities(input);
    return 0;
}
