#include "platform/browser_link.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <lz4.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "common/ascii.h"
#include "platform/inifile.h"
#include "platform/netinfo.h"
#include "platform/system_text.h"
#include "platform/unique_fd.h"

namespace orv::browser {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kMozMagic{"mozLz40\0", 8};
// Heavy real sessions (thousands of tabs with their histories) are tens of MiB; a larger size
// is a broken header. The file is compressed, so it is smaller still.
constexpr std::uint32_t kMaxSession = 256u << 20;
// A target list is a few kilobytes per tab.
constexpr std::size_t kMaxHttpAnswer = 16u << 20;

bool IsFile(const std::string& path, timespec* mtime = nullptr) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (mtime)
        *mtime = st.st_mtim;
    return true;
}

std::string Quoted(const QString& url, const QString& title) {
    return "\"" + url.toStdString() + "\",\"" + title.toStdString() + "\"";
}

// The default profile's folder under one Firefox root: the profile the installation uses
// (installs.ini, or the [Install...] sections of profiles.ini; a locked one first), else the
// profile marked Default=1, else the first one.
std::optional<std::string> DefaultProfile(const std::string& root) {
    const IniFile profiles(root + "/profiles.ini");
    auto resolve = [&](const std::string& path) {
        return !path.empty() && path.front() == '/' ? path : root + "/" + path;
    };
    std::string installDefault;
    auto scanInstalls = [&](const IniFile& ini, bool onlyInstallSections) {
        for (const std::string& s : ini.ReadSections()) {
            if (onlyInstallSections && !ascii::StartsWithNoCase(s, "Install"))
                continue;
            const std::string d = ini.ReadString(s, "Default", "");
            if (d.empty())
                continue;
            if (ini.ReadInteger(s, "Locked", 0) == 1)
                return d;
            if (installDefault.empty())
                installDefault = d;
        }
        return std::string();
    };
    std::string locked = scanInstalls(IniFile(root + "/installs.ini"), false);
    if (locked.empty())
        locked = scanInstalls(profiles, true);
    if (!locked.empty())
        return resolve(locked);
    if (!installDefault.empty())
        return resolve(installDefault);

    std::optional<std::string> first;
    for (const std::string& s : profiles.ReadSections()) {
        if (!ascii::StartsWithNoCase(s, "Profile"))
            continue;
        std::string path = profiles.ReadString(s, "Path", "");
        if (path.empty())
            continue;
        if (profiles.ReadInteger(s, "IsRelative", 1) != 0)
            path = root + "/" + path;
        if (profiles.ReadInteger(s, "Default", 0) == 1)
            return path;
        if (!first)
            first = path;
    }
    return first;
}

// Whether `address` (as a Firefox lock link writes it) is one of this host's.
bool IsThisHost(const std::string& address) {
    in_addr a{};
    if (::inet_pton(AF_INET, address.c_str(), &a) != 1)
        return address == "::1";
    if ((ntohl(a.s_addr) >> 24) == 127)
        return true;
    int error = 0;
    const auto interfaces = net::SystemInterfaceAddresses(&error);
    return interfaces && std::any_of(interfaces->begin(), interfaces->end(),
                                     [&](const auto& i) { return i.address == address; });
}

// The "lock" link of a running Firefox: "address:+pid" (older ones without the "+").
bool LockLinkLive(const std::string& link) {
    char target[256];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0)
        return false;
    const std::string_view text(target, std::size_t(n));
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos)
        return false;
    std::string_view pidText = text.substr(colon + 1);
    if (!pidText.empty() && pidText.front() == '+')
        pidText.remove_prefix(1);
    const std::optional<pid_t> pid = sys::ParseDecimal<pid_t>(pidText);
    if (!pid || *pid <= 0 || !IsThisHost(std::string(text.substr(0, colon))))
        return false;
    return ::kill(*pid, 0) == 0 || errno == EPERM;
}

// Milliseconds left until `deadline`, at least 0.
int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : int(std::min<long long>(left, 1 << 30));
}

// A socket connected to 127.0.0.1:<port> by `deadline`.
UniqueFd ConnectLocal(int port, Clock::time_point deadline) {
    if (port <= 0 || port > 65535)
        return {};
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd)
        return {};
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0)
        return fd;
    if (errno != EINPROGRESS)
        return {};
    pollfd p{fd.get(), POLLOUT, 0};
    const int left = MillisecondsLeft(deadline);
    if (left <= 0 || ::poll(&p, 1, left) != 1)
        return {};
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0)
        return {};
    return fd;
}

// Waits for `events` on `fd` until `deadline`.
bool WaitFd(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const int left = MillisecondsLeft(deadline);
        if (left <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, left);
        if (r > 0)
            return true;
        if (r == 0 || errno != EINTR)
            return false;
    }
}

// The Content-Length of a response head (lower case, from its first line to its last CR LF):
// nothing when there is none; a value that is not a number within the answer's bound is an
// error.
std::optional<std::optional<std::size_t>> ContentLength(const std::string& head) {
    const std::size_t cl = head.find("\r\ncontent-length:");
    if (cl == std::string::npos)
        return std::optional<std::size_t>();
    const std::size_t from = cl + 17;
    const std::string_view value =
        ascii::Trim(std::string_view(head).substr(from, head.find("\r\n", from) - from), " \t");
    const std::optional<std::size_t> n = sys::ParseDecimal<std::size_t>(value);
    if (!n || *n > kMaxHttpAnswer)
        return std::nullopt;
    return n;
}

}  // namespace

bool ProfileInUse(const std::string& folder) {
    // Firefox holds a write lock on the whole of .parentlock while it runs. An open file
    // description's test also sees the locks of this process, and takes none.
    const UniqueFd fd(::open((folder + "/.parentlock").c_str(), O_RDONLY | O_CLOEXEC));
    if (fd) {
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        if (::fcntl(fd.get(), F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK)
            return true;
    }
    return LockLinkLive(folder + "/lock");
}

Places UserPlaces() {
    Places p;
    if (const char* home = std::getenv("HOME"); home && *home)
        p.home = home;
    while (p.home.size() > 1 && p.home.back() == '/')
        p.home.pop_back();
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        p.configHome = xdg;
    else if (!p.home.empty())
        p.configHome = p.home + "/.config";
    return p;
}

std::optional<std::string> DecodeMozLz4(std::string_view file) {
    if (file.size() < kMozMagic.size() + 4 || file.substr(0, kMozMagic.size()) != kMozMagic)
        return std::nullopt;
    const auto* b = reinterpret_cast<const unsigned char*>(file.data()) + kMozMagic.size();
    const std::uint32_t size = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 |
                               std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
    if (size > kMaxSession)
        return std::nullopt;
    const std::string_view block = file.substr(kMozMagic.size() + 4);
    if (block.size() > std::size_t(LZ4_MAX_INPUT_SIZE))
        return std::nullopt;
    std::string out(size, '\0');
    const int n = LZ4_decompress_safe(block.data(), out.data(), int(block.size()), int(size));
    if (n < 0 || std::uint32_t(n) != size)
        return std::nullopt;
    return out;
}

std::vector<std::string> FirefoxSessionFiles(const Places& places) {
    struct Found {
        std::string path;
        timespec mtime;
    };
    std::vector<std::string> roots;
    if (!places.configHome.empty())
        roots.push_back(places.configHome + "/mozilla/firefox");
    if (!places.home.empty())
        for (const char* root : {"/.mozilla/firefox", "/snap/firefox/common/.mozilla/firefox",
                                 "/.var/app/org.mozilla.firefox/.mozilla/firefox"})
            roots.push_back(places.home + root);
    std::vector<Found> found;
    for (const std::string& root : roots) {
        const std::optional<std::string> profile = DefaultProfile(root);
        if (!profile || !ProfileInUse(*profile))
            continue;
        Found f{*profile + "/sessionstore-backups/recovery.jsonlz4", {}};
        if (IsFile(f.path, &f.mtime))
            found.push_back(std::move(f));
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.mtime.tv_sec != b.mtime.tv_sec ? a.mtime.tv_sec > b.mtime.tv_sec
                                                : a.mtime.tv_nsec > b.mtime.tv_nsec;
    });
    std::vector<std::string> paths;
    for (Found& f : found)
        paths.push_back(std::move(f.path));
    return paths;
}

std::optional<std::string> ReplyFromSession(std::string_view json) {
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromRawData(json.data(), qsizetype(json.size())));
    if (!doc.isObject())
        return std::nullopt;
    // The session's indexes count from 1.
    auto pick = [](const QJsonArray& a, const QJsonValue& oneBased, int def) {
        const int i = oneBased.toInt(def) - 1;
        return i >= 0 && i < a.size() ? a.at(i).toObject() : QJsonObject();
    };
    const QJsonArray windows = doc.object().value("windows").toArray();
    const QJsonObject window = pick(windows, doc.object().value("selectedWindow"), 1);
    const QJsonArray tabs = window.value("tabs").toArray();
    const QJsonObject tab = pick(tabs, window.value("selected"), 1);
    const QJsonArray entries = tab.value("entries").toArray();
    const QJsonObject entry = pick(entries, tab.value("index"), int(entries.size()));
    const QString url = entry.value("url").toString();
    if (url.isEmpty())
        return std::nullopt;
    return Quoted(url, entry.value("title").toString());
}

std::optional<std::string> ReplyFromTargets(std::string_view json) {
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromRawData(json.data(), qsizetype(json.size())));
    for (const QJsonValue& v : doc.array()) {
        const QJsonObject t = v.toObject();
        const QString url = t.value("url").toString();
        if (t.value("type").toString() == "page" &&
            !url.startsWith("devtools:", Qt::CaseInsensitive))
            return Quoted(url, t.value("title").toString());
    }
    return std::nullopt;
}

bool IsDevToolsVersion(std::string_view json) {
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromRawData(json.data(), qsizetype(json.size())));
    const QJsonObject o = doc.object();
    return o.value("Protocol-Version").isString() || o.value("webSocketDebuggerUrl").isString();
}

std::vector<int> DevToolsPorts(const Places& places) {
    std::vector<std::string> dirs;
    if (!places.configHome.empty())
        for (const char* d :
             {"chromium", "google-chrome", "google-chrome-beta", "google-chrome-unstable",
              "BraveSoftware/Brave-Browser", "microsoft-edge", "vivaldi"})
            dirs.push_back(places.configHome + "/" + d);
    if (!places.home.empty()) {
        dirs.push_back(places.home + "/snap/chromium/common/chromium");
        dirs.push_back(places.home + "/.var/app/org.chromium.Chromium/config/chromium");
    }
    std::vector<int> ports;
    for (const std::string& d : dirs) {
        const std::optional<std::string> text =
            sys::ReadFileBounded(d + "/DevToolsActivePort", 4096);
        if (!text)
            continue;
        // The port is the first line; the browser's own path follows.
        const std::string_view first =
            ascii::Trim(std::string_view(*text).substr(0, text->find('\n')), " \t\r");
        const std::optional<int> port = sys::ParseDecimal<int>(first);
        if (port && *port > 0 && *port <= 65535 &&
            std::find(ports.begin(), ports.end(), *port) == ports.end())
            ports.push_back(*port);
    }
    return ports;
}

std::optional<std::string> LocalHttpGet(int port, const std::string& path,
                                        Clock::time_point deadline) {
    UniqueFd fd = ConnectLocal(port, deadline);
    if (!fd)
        return std::nullopt;
    // The DevTools server closes an HTTP/1.0 request without an answer.
    const std::string request = "GET " + path +
                                " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                "\r\nConnection: close\r\n\r\n";
    for (std::size_t sent = 0; sent < request.size();) {
        if (!WaitFd(fd.get(), POLLOUT, deadline))
            return std::nullopt;
        const ssize_t n =
            ::send(fd.get(), request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return std::nullopt;
        if (n > 0)
            sent += std::size_t(n);
    }
    // The answer ends when the server closes, or with its Content-Length.
    std::string answer;
    std::optional<std::size_t> total;
    char buf[16384];
    while (!total || answer.size() < *total) {
        if (!WaitFd(fd.get(), POLLIN, deadline))
            return std::nullopt;
        const ssize_t n = ::recv(fd.get(), buf, sizeof buf, 0);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return std::nullopt;
        }
        answer.append(buf, std::size_t(n));
        if (answer.size() > kMaxHttpAnswer)
            return std::nullopt;
        if (!total) {
            const std::size_t end = answer.find("\r\n\r\n");
            if (end == std::string::npos)
                continue;
            const std::string head = ascii::ToLower(answer.substr(0, end + 2));
            // A chunked body is not read here: the DevTools server always sends a length.
            if (head.find("\r\ntransfer-encoding:") != std::string::npos)
                return std::nullopt;
            const std::optional<std::optional<std::size_t>> length = ContentLength(head);
            if (!length)
                return std::nullopt;
            if (*length)
                total = end + 4 + **length;
        }
    }
    const std::size_t end = answer.find("\r\n\r\n");
    // "HTTP/1.x 200"
    if (end == std::string::npos || answer.size() < 12 || answer.compare(0, 5, "HTTP/") != 0 ||
        answer.compare(8, 4, " 200") != 0)
        return std::nullopt;
    std::string body = answer.substr(end + 4);
    if (total && body.size() > *total - end - 4)
        body.resize(*total - end - 4);
    return body;
}

TDdeClientConv::TDdeClientConv(Places places) : places_(std::move(places)) {}

bool TDdeClientConv::SetDdeLink(const std::string& service, const std::string& topic) {
    CloseDdeLink();
    service_ = service;
    topic_ = topic;
    // No browser is ever started for the conversation: without a source there is none.
    if (OpenDdeLink())
        return true;
    service_.clear();
    topic_.clear();
    return false;
}

bool TDdeClientConv::OpenDdeLink() {
    if (IsOpen())
        return false;
    deadline_ = Clock::now() + places_.timeout;
    return Connect();
}

namespace {

// A browser that wrote its debugging port may have exited, and the port may serve another
// program since: it counts when it answers as a DevTools endpoint.
bool DevToolsAnswer(int port, Clock::time_point deadline) {
    const std::optional<std::string> body = LocalHttpGet(port, "/json/version", deadline);
    return body && IsDevToolsVersion(*body);
}

}  // namespace

bool TDdeClientConv::Connect() {
    if (!ascii::EqualsNoCase(service_, "Iexplore") ||
        !ascii::EqualsNoCase(topic_, "WWW_GetWindowInfo"))
        return false;
    // A browser that wrote its debugging port is running now if the port answers; a Firefox
    // profile is in use while its browser runs (and is looked at even when the ports took the
    // whole bound: it waits on nothing); the usual debugging port comes last.
    for (int port : DevToolsPorts(places_)) {
        if (DevToolsAnswer(port, deadline_)) {
            source_ = Source::Chromium;
            port_ = port;
            return true;
        }
    }
    if (const std::vector<std::string> files = FirefoxSessionFiles(places_); !files.empty()) {
        source_ = Source::Firefox;
        sessionFile_ = files.front();
        return true;
    }
    if (DevToolsAnswer(places_.defaultDebugPort, deadline_)) {
        source_ = Source::Chromium;
        port_ = places_.defaultDebugPort;
        return true;
    }
    return false;
}

std::optional<std::string> TDdeClientConv::RequestDdeItem(const std::string& item) {
    if (item != "-1")
        return std::nullopt;
    switch (source_) {
        case Source::Firefox: {
            const std::optional<std::string> file = sys::ReadFileBounded(sessionFile_, kMaxSession);
            if (!file)
                return std::nullopt;
            const std::optional<std::string> json = DecodeMozLz4(*file);
            return json ? ReplyFromSession(*json) : std::nullopt;
        }
        case Source::Chromium: {
            const std::optional<std::string> body = LocalHttpGet(port_, "/json/list", deadline_);
            return body ? ReplyFromTargets(*body) : std::nullopt;
        }
        case Source::None:
            break;
    }
    return std::nullopt;
}

void TDdeClientConv::CloseDdeLink() {
    source_ = Source::None;
    sessionFile_.clear();
    port_ = 0;
    service_.clear();
    topic_.clear();
}

}  // namespace orv::browser
