#include "platform/http.h"

#include <curl/curl.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

#include "common/ascii.h"
#include "platform/registry.h"
#include "platform/url.h"

namespace orv::net {
namespace {

// A head larger than this is hostile, not big: the transfer fails.
constexpr std::size_t kMaxHeadBytes = 1 << 20;

// A header line's blanks; its line end goes with the trailing ones.
std::string_view Trim(std::string_view s) {
    return ascii::TrimRight(ascii::TrimLeft(s, " \t"), " \t\r\n");
}

// Connections per server, process-wide. Never destroyed: detached worker threads may still
// release a connection while the program exits.
struct Limiter {
    std::mutex mutex;
    std::condition_variable freed;
    std::map<std::string, int> open;
};
Limiter& TheLimiter() {
    static Limiter* l = new Limiter;
    return *l;
}

class ConnectionTicket {
  public:
    // Waits until `server` is below its cap; false when `abort` was raised meanwhile.
    bool Acquire(const std::string& server, int cap, const std::atomic<bool>* abort) {
        Limiter& l = TheLimiter();
        std::unique_lock lock(l.mutex);
        while (l.open[server] >= cap) {
            if (abort && abort->load())
                return false;
            l.freed.wait_for(lock, std::chrono::milliseconds(50));
        }
        ++l.open[server];
        server_ = server;
        return true;
    }
    ~ConnectionTicket() {
        if (server_.empty())
            return;
        Limiter& l = TheLimiter();
        {
            std::lock_guard lock(l.mutex);
            if (--l.open[server_] <= 0)
                l.open.erase(server_);
        }
        l.freed.notify_all();
    }

  private:
    std::string server_;
};

std::atomic<int> gActive{0};

}  // namespace

// What the callbacks of one Get need.
struct HttpClient::Transfer {
    HttpClient* self = nullptr;
    HttpHandler* handler = nullptr;
    int redirectsLeft = 0;
    int redirectsFollowed = 0;
    std::size_t headBytes = 0;
    bool finalSeen = false;
    bool refused = false;
    bool headTooLarge = false;
    bool authProbe = false;  // a first 401 that the library answers itself (Digest)
    // the response being read
    HttpHead cur;
    bool hasLocation = false;
    std::string challenge, proxyChallenge;
};

void HttpGlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

int ConnectionCapPerServer(bool http10) {
    int cap = Registry::ReadInteger(
        kInternetSettingsKey, http10 ? "MaxConnectionsPer1_0Server" : "MaxConnectionsPerServer", 0);
    if (cap < 1)
        cap = http10 ? 4 : 2;
    return cap;
}

int HttpClient::ActiveTransfers() {
    return gActive.load();
}

HttpClient::HttpClient() {
    HttpGlobalInit();
    curl_ = curl_easy_init();
}

HttpClient::~HttpClient() {
    if (curl_)
        curl_easy_cleanup(static_cast<CURL*>(curl_));
}

void HttpClient::SetCredentials(const std::string& user, const std::string& password) {
    user_ = user;
    password_ = password;
    haveCredentials_ = !user.empty() || !password.empty();
}

void HttpClient::SetProxyCredentials(const std::string& user, const std::string& password) {
    proxyUser_ = user;
    proxyPassword_ = password;
    haveProxyCredentials_ = !user.empty() || !password.empty();
}

std::size_t HttpClient::HeaderCb(char* data, std::size_t size, std::size_t n, void* user) {
    auto* t = static_cast<Transfer*>(user);
    std::size_t len = size * n;
    if (t->self->Aborting())
        return 0;
    if (t->finalSeen)
        return len;  // trailers
    t->headBytes += len;
    if (t->headBytes > kMaxHeadBytes) {
        t->headTooLarge = true;
        return 0;
    }
    std::string_view line(data, len);
    if (ascii::StartsWithNoCase(line, "HTTP/")) {
        t->cur = HttpHead{};
        t->hasLocation = false;
        t->challenge.clear();
        t->proxyChallenge.clear();
        std::size_t sp = line.find(' ');
        if (sp != line.npos) {
            int status = 0;
            for (std::size_t i = sp + 1; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
                status = status * 10 + (line[i] - '0');
            t->cur.status = status;
        }
    }
    std::string_view body = Trim(line);
    if (body.empty()) {
        t->cur.rawHeaders.append("\r\n");
        int s = t->cur.status;
        if (s >= 100 && s < 200)
            return len;
        if ((s == 301 || s == 302 || s == 303 || s == 307 || s == 308) && t->hasLocation &&
            t->redirectsLeft > 0) {
            --t->redirectsLeft;
            ++t->redirectsFollowed;
            return len;
        }
        if (s == 401)
            t->self->digest_ = ascii::ContainsNoCase(t->challenge, "digest");
        if (s == 407)
            t->self->proxyDigest_ = ascii::ContainsNoCase(t->proxyChallenge, "digest");
        if (s == 401 && t->authProbe) {
            t->authProbe = false;
            return len;
        }
        t->finalSeen = true;
        char* effective = nullptr;
        curl_easy_getinfo(static_cast<CURL*>(t->self->curl_), CURLINFO_EFFECTIVE_URL, &effective);
        t->cur.url = effective ? effective : "";
        t->cur.redirects = t->redirectsFollowed;
        t->self->head_ = t->cur;
        if (!t->handler->OnHead(t->self->head_)) {
            t->refused = true;
            return 0;
        }
        return len;
    }
    t->cur.rawHeaders.append(body);
    t->cur.rawHeaders.append("\r\n");
    std::size_t colon = body.find(':');
    if (colon == body.npos)
        return len;
    std::string_view name = Trim(body.substr(0, colon));
    std::string_view value = Trim(body.substr(colon + 1));
    if (ascii::EqualsNoCase(name, "content-type")) {
        t->cur.contentType = std::string(value);
        t->cur.hasContentType = true;
    } else if (ascii::EqualsNoCase(name, "content-length")) {
        long long v = 0;
        bool ok = !value.empty();
        for (char c : value) {
            if (c < '0' || c > '9' || v > (1LL << 50)) {
                ok = false;
                break;
            }
            v = v * 10 + (c - '0');
        }
        t->cur.contentLength = ok ? v : -1;
    } else if (ascii::EqualsNoCase(name, "location")) {
        t->hasLocation = true;
    } else if (ascii::EqualsNoCase(name, "www-authenticate")) {
        t->challenge.append(value);
    } else if (ascii::EqualsNoCase(name, "proxy-authenticate")) {
        t->proxyChallenge.append(value);
    }
    return len;
}

std::size_t HttpClient::WriteCb(char* data, std::size_t size, std::size_t n, void* user) {
    auto* t = static_cast<Transfer*>(user);
    std::size_t len = size * n;
    if (t->self->Aborting())
        return 0;
    if (!t->finalSeen)
        return len;  // the body of a response the library answers itself
    if (!t->handler->OnData(std::string_view(data, len))) {
        t->refused = true;
        return 0;
    }
    return len;
}

int HttpClient::ProgressCb(void* user, long long, long long, long long, long long) {
    auto* t = static_cast<Transfer*>(user);
    return t->self->Aborting() ? 1 : 0;
}

HttpOutcome HttpClient::Get(const HttpRequest& request, HttpHandler& handler) {
    head_ = HttpHead{};
    error_.clear();
    auto* c = static_cast<CURL*>(curl_);
    if (!c) {
        error_ = "the web client could not be initialised";
        return HttpOutcome::Failed;
    }
    if (Aborting())
        return HttpOutcome::Aborted;

    UrlParts parts;
    if (!CrackUrl(request.url, parts)) {
        error_ = "malformed address";
        return HttpOutcome::Failed;
    }
    std::string server = parts.rawHost + ":" + std::to_string(parts.port);
    server = ascii::ToLower(server);
    ConnectionTicket ticket;
    if (!ticket.Acquire(server, ConnectionCapPerServer(request.http10), abort_))
        return HttpOutcome::Aborted;

    gActive.fetch_add(1);
    Transfer t;
    t.self = this;
    t.handler = &handler;
    t.redirectsLeft = request.maxRedirects;
    char errbuf[CURL_ERROR_SIZE] = {};

    curl_easy_reset(c);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(c, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(c, CURLOPT_HTTP_VERSION,
                     request.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(c, CURLOPT_USERAGENT, request.agent.c_str());
    if (!request.referrer.empty())
        curl_easy_setopt(c, CURLOPT_REFERER, request.referrer.c_str());
    // No accept list, and never an answer from a cache on the way.
    curl_slist* headers = curl_slist_append(nullptr, "Accept:");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
    // A compressed page (also one the server compressed unasked) is handed on decoded.
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, request.maxRedirects > 0 ? 1L : 0L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, long(request.maxRedirects));
    // The caller's time-out governs (through the abort flag), not the library's defaults.
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, 24L * 3600 * 1000);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, 0L);
    switch (request.proxyMode) {
        case ProxyMode::Direct:
            curl_easy_setopt(c, CURLOPT_PROXY, "");
            break;
        case ProxyMode::UseProxy: {
            std::string proxy = request.proxyAddress + ":" + std::to_string(request.proxyPort);
            curl_easy_setopt(c, CURLOPT_PROXY, proxy.c_str());  // the library copies it
            break;
        }
        case ProxyMode::Default:
            break;
    }
    curl_easy_setopt(c, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    if (!parts.user.empty() || !parts.password.empty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, parts.user.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, parts.password.c_str());
    }
    if (haveCredentials_) {
        curl_easy_setopt(c, CURLOPT_USERNAME, user_.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, password_.c_str());
        curl_easy_setopt(c, CURLOPT_HTTPAUTH, digest_ ? CURLAUTH_DIGEST : CURLAUTH_BASIC);
        t.authProbe = digest_;
    }
    if (haveProxyCredentials_) {
        curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, proxyUser_.c_str());
        curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, proxyPassword_.c_str());
        curl_easy_setopt(c, CURLOPT_PROXYAUTH, proxyDigest_ ? CURLAUTH_DIGEST : CURLAUTH_BASIC);
    }
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &HttpClient::HeaderCb);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &HttpClient::WriteCb);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &HttpClient::ProgressCb);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);

    CURLcode rc = curl_easy_perform(c);
    if (!t.finalSeen) {
        // A proxy that refused the tunnel answers in the connect phase, whose head is hidden.
        long connectCode = 0;
        curl_easy_getinfo(c, CURLINFO_HTTP_CONNECTCODE, &connectCode);
        if (connectCode == 407)
            proxyDigest_ = false;
        if (connectCode >= 400)
            head_.status = int(connectCode);
    }
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
    gActive.fetch_sub(1);

    if (Aborting())
        return HttpOutcome::Aborted;
    if (t.headTooLarge) {
        error_ = "response head larger than 1 MiB";
        return HttpOutcome::Failed;
    }
    if (t.refused)
        return HttpOutcome::Refused;
    if (rc != CURLE_OK) {
        error_ = errbuf[0] ? errbuf : curl_easy_strerror(rc);
        return HttpOutcome::Failed;
    }
    if (!t.finalSeen) {
        error_ = "no response";
        return HttpOutcome::Failed;
    }
    return HttpOutcome::Complete;
}

}  // namespace orv::net
