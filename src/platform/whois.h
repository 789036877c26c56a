// WHOIS client (TCP port 43): one query per client, sent as a line ended by CR LF; the reply is
// everything the server sends until it closes the connection.
//
// Unlike the classic blocking component, a query can always be ended from another thread
// (CloseConnection), a silent server ends it after an idle time-out, a server that trickles
// its reply ends it at an overall deadline, and a server that never stops talking ends it at a
// size or line cap, so no query can hang its page or fill memory.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/unique_fd.h"

namespace orv::net {

enum class WhoisStatus {
    Ok,             // the server closed the connection after its reply
    Stopped,        // CloseConnection ended the query
    TimedOut,       // nothing connected or arrived within the idle time-out, or the reply
                    // was not complete by the deadline
    TooLong,        // the reply passed the size or line cap; `text` holds what fits
    ResolveFailed,  // no address for the server's name
    ConnectFailed,  // every address of the server refused or could not be reached
    SocketError,    // the connection broke while sending or reading
};

struct WhoisReply {
    WhoisStatus status = WhoisStatus::Ok;
    // The bytes received, unchanged (CR LF stays). On a failure after connecting: what arrived
    // before it.
    std::string text;
    // Why the query did not end normally, as one line for the user; empty for Ok.
    std::string error;

    bool ok() const { return status == WhoisStatus::Ok; }
};

class WhoisClient {
  public:
    static constexpr std::uint16_t kDefaultPort = 43;
    static constexpr std::chrono::milliseconds kDefaultIdleTimeout{30000};
    static constexpr std::chrono::milliseconds kDefaultDeadline{60000};
    static constexpr std::size_t kDefaultMaxReply = 4u << 20;
    static constexpr std::size_t kDefaultMaxLines = 100000;

    WhoisClient();
    // Must not run while a query is in progress on another thread.
    ~WhoisClient();
    WhoisClient(const WhoisClient&) = delete;
    WhoisClient& operator=(const WhoisClient&) = delete;

    // Settings: set them before QueryDomain, on the thread that runs it.
    void SetHost(const std::string& host) { host_ = host; }
    const std::string& Host() const { return host_; }
    void SetPort(std::uint16_t port) { port_ = port; }
    std::uint16_t Port() const { return port_; }
    // Longest wait for the connection to come up or for the next piece of the reply.
    void SetIdleTimeout(std::chrono::milliseconds t) { idleTimeout_ = t; }
    std::chrono::milliseconds IdleTimeout() const { return idleTimeout_; }
    // Longest time from the connection coming up to the server closing it, however steadily
    // the reply trickles in.
    void SetDeadline(std::chrono::milliseconds t) { deadline_ = t; }
    std::chrono::milliseconds Deadline() const { return deadline_; }
    // Largest reply kept; a longer one ends the query with TooLong. The cut never splits a
    // UTF-8 character: the bytes of one cut in half go too.
    void SetMaxReply(std::size_t bytes) { maxReply_ = bytes; }
    std::size_t MaxReply() const { return maxReply_; }
    // Most lines kept (a line ends at LF; a last part without one counts too); a reply with
    // more ends the query with TooLong after its last whole line.
    void SetMaxLines(std::size_t lines) { maxLines_ = lines; }
    std::size_t MaxLines() const { return maxLines_; }

    // Resolves Host (a name or dotted address) through the resolver in force, connects to Port,
    // sends `query` followed by CR LF and reads until the server closes. Blocks; never throws.
    // Name resolution itself cannot be interrupted: a Stop during it takes effect when it returns.
    WhoisReply QueryDomain(const std::string& query);

    // Any thread: true while a query holds an open connection.
    bool IsConnected() const { return connected_.load(std::memory_order_acquire); }
    // Any thread: ends the query in progress at once with Stopped (a blocked connect or read
    // included). The stop is kept: a query started afterwards returns Stopped at once.
    void CloseConnection();
    bool StopRequested() const { return stopped_.load(std::memory_order_acquire); }
    // Any thread: the part of the reply received so far by the query in progress, or the whole
    // reply of the last one until ForgetReceived.
    std::string Received() const;
    // Any thread: lets go of the bytes kept for Received once the reply is in other hands.
    void ForgetReceived();

  private:
    std::string host_;
    std::uint16_t port_ = kDefaultPort;
    std::chrono::milliseconds idleTimeout_ = kDefaultIdleTimeout;
    std::chrono::milliseconds deadline_ = kDefaultDeadline;
    std::size_t maxReply_ = kDefaultMaxReply;
    std::size_t maxLines_ = kDefaultMaxLines;

    mutable std::mutex receivedM_;
    std::string received_;

    UniqueFd wakeFd_;  // readable once CloseConnection ran
    std::atomic<bool> stopped_{false};
    std::atomic<bool> connected_{false};
};

}  // namespace orv::net
