// The conversation with the user's web browser: which page it shows, asked of the browser's
// own local sources, never by starting one.
//
// - Firefox-family browsers keep the open windows in the default profile's session-recovery
//   file (sessionstore-backups/recovery.jsonlz4); the page is the selected tab of the selected
//   window. The file outlives the browser, so a profile counts only while it is in use.
// - Chromium-family browsers started with a remote-debugging port list their targets as JSON
//   at http://127.0.0.1:<port>/json/list, the most recently active first; the page is the
//   first "page" target, whatever its address. The port is in the DevToolsActivePort file of
//   the profile (left behind when the browser exits), else 9222; a port counts only when it
//   answers as a DevTools endpoint.
//
// The one item served is the browser's window information, service "Iexplore", topic
// "WWW_GetWindowInfo", item "-1": the reply is the page's address and title, each in double
// quotes, separated by a comma. Everything is local; the waits of one conversation, from
// opening it to its last request, share one bound.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv::browser {

// Where the browsers keep their profiles; tests point these at a folder of their own.
struct Places {
    std::string home;        // the user's home folder, without a final "/"
    std::string configHome;  // $XDG_CONFIG_HOME, or home + "/.config"
    // Asked when no DevToolsActivePort file names a live port.
    int defaultDebugPort = 9222;
    // Bounds every wait of one conversation together: the port probes and the request.
    std::chrono::milliseconds timeout{2000};
};

// The places of the running user (HOME, XDG_CONFIG_HOME).
Places UserPlaces();

// The text of a "mozLz40" file: the 8-byte magic, the size as 4 bytes little-endian, one LZ4
// block. Nothing when the magic, the size or the block is wrong.
std::optional<std::string> DecodeMozLz4(std::string_view file);

// Whether the Firefox profile in `folder` is in use: its ".parentlock" is locked, or its "lock"
// link names a live process of this host ("address:+pid"), as a running Firefox keeps them.
bool ProfileInUse(const std::string& folder);

// The session-recovery file of the default profile of each Firefox root ($XDG_CONFIG_HOME's,
// the older one in the home folder, the snap and flatpak ones) whose profile is in use and has
// one, the most recently written first.
std::vector<std::string> FirefoxSessionFiles(const Places& places);

// The reply for the selected tab of the selected window of a session (JSON text); nothing when
// the session names no such page.
std::optional<std::string> ReplyFromSession(std::string_view json);

// The reply for the first page target of a /json/list answer; the DevTools front-ends a
// debugged browser lists among its pages are passed over.
std::optional<std::string> ReplyFromTargets(std::string_view json);

// Whether a /json/version answer is a DevTools endpoint's.
bool IsDevToolsVersion(std::string_view json);

// The ports named by the DevToolsActivePort files of the Chromium-family profiles.
std::vector<int> DevToolsPorts(const Places& places);

// The body of GET http://127.0.0.1:<port><path> (HTTP/1.1), when the answer is 200 by
// `deadline`. The answer ends at its Content-Length (the DevTools server keeps the connection
// open), else when the server closes.
std::optional<std::string> LocalHttpGet(int port, const std::string& path,
                                        std::chrono::steady_clock::time_point deadline);

// A conversation with the browser. Setting the link opens it at once; a request asks the
// browser's source once.
class TDdeClientConv {
  public:
    explicit TDdeClientConv(Places places = UserPlaces());

    // Closes an open conversation, then opens one with `service` and `topic`. False, with
    // service and topic cleared, when no browser source answers.
    bool SetDdeLink(const std::string& service, const std::string& topic);
    // Opens the conversation with the service and topic set; false when one is already open
    // or none can be opened.
    bool OpenDdeLink();
    // The item's reply; nothing when no conversation is open, the item is not served or the
    // browser gave nothing in time.
    std::optional<std::string> RequestDdeItem(const std::string& item);
    // Ends the conversation and clears service and topic; safe when none is open.
    void CloseDdeLink();

    const std::string& DdeService() const { return service_; }
    const std::string& DdeTopic() const { return topic_; }
    bool IsOpen() const { return source_ != Source::None; }

  private:
    enum class Source { None, Firefox, Chromium };
    bool Connect();

    Places places_;
    // Where the waits of the open conversation end.
    std::chrono::steady_clock::time_point deadline_{};
    std::string service_, topic_;
    Source source_ = Source::None;
    std::string sessionFile_;
    int port_ = 0;
};

}  // namespace orv::browser
