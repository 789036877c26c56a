// Reverse look-ups of remote addresses away from the owner's thread, remembered per address.
//
// The resolver can take as long as it likes (a DNS server that never answers costs seconds per
// address), so the owner asks for a name and gets it at once when it is known; otherwise a
// resolver thread looks the address up and the answer is handed back on the owner's thread
// through the post function. Each address is looked up once at a time, and a bounded number of
// resolver threads work through the addresses waiting. A name the hosts file gives is known at
// once, never queued behind those. Resolver calls cannot be cancelled: a cache that goes away
// leaves its running look-ups to finish and drops their answers.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace orv {

class HostNameCache {
  public:
    // Runs a function on the owner's thread; false when that can no longer be done.
    using Post = std::function<bool(std::function<void()>)>;
    // Called on the owner's thread when the name of `ip` has come ("X" when it has none).
    using Answered = std::function<void(const std::string& ip, const std::string& name)>;
    // The look-up itself; runs on a resolver thread.
    using Resolve = std::function<std::string(const std::string& ip)>;
    // A look-up that answers without waiting (the hosts file), or nullopt; owner's thread.
    using ResolveAtOnce = std::function<std::optional<std::string>(const std::string& ip)>;

    static constexpr int kDefaultThreads = 4;

    // `resolve` defaults to iptoname, `atOnce` to the resolver's hosts-file name.
    HostNameCache(Post post, Answered answered, int maxThreads = kDefaultThreads,
                  Resolve resolve = {}, ResolveAtOnce atOnce = {});
    ~HostNameCache();
    HostNameCache(const HostNameCache&) = delete;
    HostNameCache& operator=(const HostNameCache&) = delete;

    // Owner's thread. The name of the dotted address `ip` when it is known, "X" at once for a
    // text no host can be named by (0.0.0.0, 255.255.255.255, anything that is not an
    // address); otherwise nullopt, and the name comes later through `answered`.
    std::optional<std::string> Name(const std::string& ip);
    // Owner's thread. Forgets the names known so far, so they are asked again; look-ups under
    // way go on and still answer.
    void Forget();
    // Owner's thread. Addresses waiting for a resolver thread or being looked up.
    std::size_t Pending() const;
    // Resolver threads alive now.
    int Threads() const;

    // Whether `ip` is an address that may have a name.
    static bool CanHaveName(const std::string& ip);

  private:
    struct Core;
    static void Work(const std::shared_ptr<Core>& core);

    std::shared_ptr<Core> core_;
};

}  // namespace orv
