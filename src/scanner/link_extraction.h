// The text passes of the page pipeline, free of any scanner state: normalising a page,
// marking its link-bearing attributes with one-byte codes, folding areas, cutting out the
// link values, parsing the head's meta tags, and classifying link addresses. All of them work
// on bytes, with ASCII case mapping.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/ascii.h"
#include "scanner/scan_settings.h"
#include "scanner/text_tools.h"
#include "scanner/url_parts.h"

namespace orv::scan {

// Marker codes written into a page.
enum : std::uint8_t {
    kCodeHref = 4,
    kCodeValue = 5,
    kCodeSrc = 6,
    kCodeBase = 7,
    kCodeAreaOpen = 14,
    kCodeCountedArea = 15,
    kCodeAreaClose = 16,
};
// A queued link keeps the code of the marker it was found at.
static_assert(std::uint8_t(TLinkCode::Href) == kCodeHref &&
              std::uint8_t(TLinkCode::Value) == kCodeValue &&
              std::uint8_t(TLinkCode::Src) == kCodeSrc &&
              std::uint8_t(TLinkCode::Base) == kCodeBase);

// Control characters dropped (a line feed becomes a blank with lineFeedToBlank); with
// quotesToBlanks '"', '\'' and ',' become blanks; runs of blanks collapse to one and no blank
// stays beside "=".
std::string NormalizeHtml(std::string_view text, bool quotesToBlanks, bool lineFeedToBlank);

// Writes the code of every marker over the marker's last character; true when any was found.
bool MarkPage(std::string& text);

// Closes an open area before the next one opens, so that areas never nest.
void FoldAreas(std::string& text);

struct MetaTag {
    std::string tagType;  // the first four characters, upper case ("META")
    std::string attrib[3];
    std::string value[3];
};

// One tag text of the head (without "<" and ">"); nullopt when it does not end inside a value.
std::optional<MetaTag> ParseMetaTag(std::string_view tag);

// The head pass: `onTitle`(title) for a <TITLE>, `onTag`(MetaTag) for every four-letter tag
// that parses. Nothing when the body has no complete <HEAD>...</HEAD>.
template <class OnTitle, class OnTag>
void ParseHead(std::string_view body, OnTitle&& onTitle, OnTag&& onTag);

// The refresh target of a meta tag ("HTTP-EQUIV" = "REFRESH", "CONTENT" holding "URL"), or
// an empty text.
std::string RefreshTarget(const MetaTag& tag);

// Character references of an attribute value resolved: "&amp;", "&lt;", "&gt;", "&quot;",
// "&apos;", "&nbsp;" (with their ";"), and "&#nn;" / "&#xhh;" (the ";" may be missing).
// Characters above 127 come out as UTF-8; a reference that names nothing stays as written.
std::string DecodeEntities(std::string_view value);

// The cleaning of a value that the value scan cut out (steps after its end): the empty text
// when the value is refused. Only a value that reads as a call ("go(x.htm)": no "/" before
// its first "(", nothing but ";" after its last ")") is cut down to its argument and refused
// for brackets left in it; an address with brackets of its own ("/open(2)",
// "page(v=vs.85).aspx") stays whole.
std::string CleanValue(std::string_view value, int kind);

// Walks the marked text and calls onValue(value, kind, inCountedArea) for every cleaned,
// accepted value; onValue returns false to stop the walk. `areaCount` grows by one per area
// opening. A value inside a "javascript:" value (an OPENWIN( call in a script link) is
// dropped with it, and so is a value that opens with a character reference for a quote
// ("&quot;", "&#39;"...): that is markup shown as text, not an attribute.
template <class OnValue>
void ScanValues(std::string_view text, int& areaCount, OnValue&& onValue);

// The absolute address of a link value found on a page whose address (or base) `page` holds
// split: a mail link gives its address (between "mailto:" and any "?") and sets `mail`; a
// script link, or a relative value that cannot be combined, gives an empty text. A fragment
// is cut off (not from a mail address).
std::string ResolveLink(std::string_view value, const TCrackUrl& page, bool& mail);

struct LinkType {
    std::string type;    // "unknown", "htm" or an extension of the file-type table
    std::string scheme;  // lower case; "http" when the address names none
    int lastSlash = 0;   // position (from 1) of the last "/" after the scheme, 0 when none
};
LinkType LinkTypeOf(std::string_view address);

// ----------------------------------------------------------------------------------------

template <class OnTitle, class OnTag>
void ParseHead(std::string_view body, OnTitle&& onTitle, OnTag&& onTag) {
    std::string upper = ascii::ToUpper(body);
    std::size_t h1 = upper.find("<HEAD>"), h2 = upper.find("</HEAD>");
    if (h1 == std::string::npos || h2 == std::string::npos)
        return;
    std::size_t from = h1 + 6;
    std::string head =
        NormalizeHtml(h2 > from ? body.substr(from, h2 - from) : std::string_view(), false, true);
    std::string headUpper = ascii::ToUpper(head);
    std::size_t t1 = headUpper.find("<TITLE>"), t2 = headUpper.find("</TITLE>");
    if (t1 != std::string::npos && t2 != std::string::npos)
        onTitle(t2 > t1 + 7 ? head.substr(t1 + 7, t2 - t1 - 7) : std::string());
    std::string tag;
    for (char c : head) {
        if (c == '<') {
            tag.clear();
        } else if (c == '>') {
            if (tag.size() > 5 && tag[4] == ' ')
                if (auto m = ParseMetaTag(tag))
                    onTag(*m);
        } else {
            tag.push_back(c);
        }
    }
}

namespace detail {
bool ContainsJavascript(std::string_view s);
bool StartsWithQuoteReference(std::string_view s);
}  // namespace detail

template <class OnValue>
void ScanValues(std::string_view text, int& areaCount, OnValue&& onValue) {
    bool inValue = false, started = false, counted = false, script = false;
    int kind = 0;
    std::string value;
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 32) {
            if (c == kCodeAreaOpen || c == kCodeCountedArea) {
                inValue = false;
                ++areaCount;
                if (c == kCodeCountedArea)
                    counted = true;
                continue;
            }
            if (c == kCodeAreaClose) {
                inValue = false;
                counted = false;
                continue;
            }
            if (c >= 1 && c <= 12) {
                // A link that starts inside a script link belongs to the script.
                script = inValue && started && detail::ContainsJavascript(value);
                kind = c;
                inValue = true;
                started = false;
                value.clear();
                continue;
            }
        }
        if (!inValue)
            continue;
        if (!started) {
            if (ch == ' ')
                continue;
            started = true;
            value.push_back(ch);
            continue;
        }
        if (ch == ' ' || ch == '>') {
            inValue = false;
            if (script) {
                script = false;
                continue;
            }
            // An escaped sample ("&lt;img src=&quot;x.png&quot;&gt;") is text on the page.
            if (detail::StartsWithQuoteReference(value))
                continue;
            std::string v = CleanValue(DecodeEntities(value), kind);
            if (!v.empty() && !onValue(std::move(v), kind, counted))
                return;
            continue;
        }
        value.push_back(ch);
    }
}

}  // namespace orv::scan
