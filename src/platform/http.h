// A blocking web client for worker threads, on libcurl. One HttpClient per thread: it owns one
// transfer handle, created and freed on the thread that constructs and destroys it. Another
// thread stops a transfer only through the atomic abort flag it was given; the flag is seen
// within about a second, also while connecting or waiting for a silent server.
//
// Every request respects the per-server connection cap of the current user's Internet
// settings (registry values "MaxConnectionsPerServer", and "MaxConnectionsPer1_0Server" for
// HTTP/1.0 requests); a request over the cap waits, abortably, until a connection is free.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

namespace orv::net {

enum class ProxyMode {
    Direct,    // no proxy, whatever the environment says
    UseProxy,  // the proxy "address:port" given with the request
    Default,   // the usual environment variables (http_proxy, https_proxy, no_proxy)
};

struct HttpRequest {
    std::string url;  // absolute and already encoded (see RequestUrl in url.h)
    std::string agent;
    std::string referrer;  // empty: no Referer header
    bool http10 = true;    // "GET ... HTTP/1.0"
    ProxyMode proxyMode = ProxyMode::Default;
    std::string proxyAddress;
    int proxyPort = 80;
    // Redirects are followed up to this many times (0: none are followed).
    int maxRedirects = 10;
};

// The head of the final response (after redirects).
struct HttpHead {
    int status = 0;
    std::string url;          // the address that gave this response (the last redirect's target)
    int redirects = 0;        // redirects followed to reach it
    std::string rawHeaders;   // status line and header lines as received, each ended by CR LF,
                              // then the empty line
    std::string contentType;  // empty when absent
    bool hasContentType = false;
    long long contentLength = -1;  // -1 when absent
};

class HttpHandler {
  public:
    virtual ~HttpHandler() = default;
    // The final head is in; false refuses the response before any of its body is read.
    virtual bool OnHead(const HttpHead& head) = 0;
    // The next piece of the body; false stops the transfer.
    virtual bool OnData(std::string_view data) = 0;
};

enum class HttpOutcome {
    Complete,  // the whole body was received
    Refused,   // a handler call answered false
    Aborted,   // the abort flag was raised
    Failed,    // connection, protocol or transfer failure (ErrorText says which)
};

// Sets up the library for the whole process; safe to call any number of times from any thread.
void HttpGlobalInit();

// The cap in force for one server: the registry value, or 2 (HTTP/1.1) and 4 (HTTP/1.0) when
// it is absent or below 1.
int ConnectionCapPerServer(bool http10);

class HttpClient {
  public:
    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Watched during every transfer; nullptr: never aborted.
    void SetAbortFlag(const std::atomic<bool>* flag) { abort_ = flag; }
    // Credentials for the following sends: the server's (after a 401) and the proxy's (after
    // a 407). The scheme follows the last challenge received (Digest or else Basic).
    void SetCredentials(const std::string& user, const std::string& password);
    void SetProxyCredentials(const std::string& user, const std::string& password);

    // One GET: returns after the body, a refusal, an abort or a failure. The request offers
    // the content encodings the library decodes, and a body sent compressed (offered or not)
    // reaches the handler decoded.
    HttpOutcome Get(const HttpRequest& request, HttpHandler& handler);

    // The final head of the last Get (status 0 when none arrived).
    const HttpHead& Head() const { return head_; }
    const std::string& ErrorText() const { return error_; }

    // Test and statistics hook: transfers running now in the process.
    static int ActiveTransfers();

  private:
    struct Transfer;
    static std::size_t HeaderCb(char* data, std::size_t size, std::size_t n, void* user);
    static std::size_t WriteCb(char* data, std::size_t size, std::size_t n, void* user);
    static int ProgressCb(void* user, long long, long long, long long, long long);
    bool Aborting() const { return abort_ && abort_->load(std::memory_order_relaxed); }

    void* curl_ = nullptr;
    const std::atomic<bool>* abort_ = nullptr;
    std::string user_, password_, proxyUser_, proxyPassword_;
    bool haveCredentials_ = false, haveProxyCredentials_ = false;
    bool digest_ = false, proxyDigest_ = false;  // the last challenges
    HttpHead head_;
    std::string error_;
};

}  // namespace orv::net
