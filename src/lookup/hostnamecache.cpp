#include "lookup/hostnamecache.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "lookup/name_resolution.h"
#include "platform/resolver.h"

namespace orv {

// Shared by the cache and its resolver threads, so a thread that outlives the cache still has
// somewhere to put its answer.
struct HostNameCache::Core {
    Post post;
    Resolve resolve;
    ResolveAtOnce atOnce;
    int maxThreads;

    std::mutex m;
    std::deque<std::string> waiting;  // addresses no thread has taken yet
    int threads = 0;                  // resolver threads alive
    bool stopped = false;             // the cache is gone: drop every answer

    // Owner's thread only. An entry without a name is a look-up under way.
    std::unordered_map<std::string, std::optional<std::string>> names;
    Answered answered;

    bool Stopped() {
        std::lock_guard lock(m);
        return stopped;
    }

    void Settle(const std::string& ip, const std::string& name) {
        if (Stopped())
            return;
        names[ip] = name;
        if (answered)
            answered(ip, name);
    }
};

HostNameCache::HostNameCache(Post post, Answered answered, int maxThreads, Resolve resolve,
                             ResolveAtOnce atOnce)
    : core_(std::make_shared<Core>()) {
    core_->post = std::move(post);
    core_->answered = std::move(answered);
    core_->maxThreads = std::max(maxThreads, 1);
    core_->resolve = resolve ? std::move(resolve) : Resolve(iptoname);
    core_->atOnce = atOnce ? std::move(atOnce) : ResolveAtOnce([](const std::string& ip) {
        return net::CurrentResolver().HostsFileName(net::inet_addr(ip));
    });
}

HostNameCache::~HostNameCache() {
    {
        std::lock_guard lock(core_->m);
        core_->stopped = true;
        core_->waiting.clear();
    }
    core_->answered = nullptr;
}

bool HostNameCache::CanHaveName(const std::string& ip) {
    const net::InAddr a = net::inet_addr(ip);
    return a != 0 && a != net::kAddrNone;
}

std::optional<std::string> HostNameCache::Name(const std::string& ip) {
    if (!CanHaveName(ip))
        return kFailMark;
    auto [it, added] = core_->names.try_emplace(ip);
    if (!added)
        return it->second;  // the name, or nullopt while its look-up runs
    std::optional<std::string> local;
    try {
        local = core_->atOnce(ip);
    } catch (...) {
        local.reset();  // the resolver threads will ask
    }
    if (local) {
        it->second = std::move(local);
        return it->second;
    }

    bool startThread = false;
    {
        std::lock_guard lock(core_->m);
        core_->waiting.push_back(ip);
        if (core_->threads < core_->maxThreads) {
            ++core_->threads;
            startThread = true;
        }
    }
    if (startThread) {
        try {
            std::thread(Work, core_).detach();
        } catch (const std::system_error&) {
            // No thread now: the address waits for the next one started.
            std::lock_guard lock(core_->m);
            --core_->threads;
        }
    }
    return std::nullopt;
}

void HostNameCache::Forget() {
    std::erase_if(core_->names, [](const auto& entry) { return entry.second.has_value(); });
}

std::size_t HostNameCache::Pending() const {
    return static_cast<std::size_t>(
        std::count_if(core_->names.begin(), core_->names.end(),
                      [](const auto& entry) { return !entry.second.has_value(); }));
}

int HostNameCache::Threads() const {
    std::lock_guard lock(core_->m);
    return core_->threads;
}

void HostNameCache::Work(const std::shared_ptr<Core>& core) {
    for (;;) {
        std::string ip;
        {
            std::lock_guard lock(core->m);
            if (core->stopped || core->waiting.empty()) {
                --core->threads;
                return;
            }
            ip = std::move(core->waiting.front());
            core->waiting.pop_front();
        }
        std::string name;
        try {
            name = core->resolve(ip);
        } catch (...) {
            name = kFailMark;
        }
        if (core->Stopped())
            continue;
        core->post([core, ip = std::move(ip), name = std::move(name)] { core->Settle(ip, name); });
    }
}

}  // namespace orv
