// A resolver for tests: a fixed table of names and addresses, optional blocking, a failing start.
#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <set>

#include "platform/resolver.h"

namespace orv::test {

class FakeResolver final : public net::Resolver {
  public:
    FakeResolver() { net::SetResolver(this); }
    ~FakeResolver() override { net::SetResolver(nullptr); }

    bool startupOk = true;
    int cleanups = 0;
    std::map<std::string, net::HostEntry> byName;
    std::map<net::InAddr, net::HostEntry> byAddr;
    // Names whose lookup fails as when no name server answers.
    std::set<std::string> unanswered;

    // Adds `name` with its addresses, and each address's reverse entry.
    void Add(const std::string& name, std::vector<std::string> addrs) {
        net::HostEntry e{name, {}, {}};
        for (const auto& a : addrs)
            e.addresses.push_back(net::inet_addr(a));
        byName[name] = e;
        for (auto a : e.addresses)
            byAddr[a] = e;
    }

    // While blocked, every lookup waits until Release.
    void Block() {
        std::lock_guard l(m_);
        blocked_ = true;
    }
    void Release() {
        {
            std::lock_guard l(m_);
            blocked_ = false;
        }
        cv_.notify_all();
    }
    int Waiting() {
        std::lock_guard l(m_);
        return waiting_;
    }

    bool Startup() override { return startupOk; }
    void Cleanup() override { ++cleanups; }
    std::optional<net::HostEntry> HostByName(const std::string& name) override {
        return LookupName(name).host;
    }
    net::NameLookup LookupName(const std::string& name) override {
        Wait();
        std::lock_guard l(m_);
        if (auto it = byName.find(name); it != byName.end())
            return {it->second, net::LookupError::None};
        // The real resolver answers a dotted address with itself.
        net::InAddr a = net::inet_addr(name);
        if (a != net::kAddrNone)
            return {net::HostEntry{name, {}, {a}}, net::LookupError::None};
        if (unanswered.count(name))
            return {std::nullopt, net::LookupError::TryAgain};
        return {std::nullopt, net::LookupError::NotFound};
    }
    std::optional<net::HostEntry> HostByAddr(net::InAddr addr) override {
        Wait();
        std::lock_guard l(m_);
        if (auto it = byAddr.find(addr); it != byAddr.end())
            return it->second;
        return std::nullopt;
    }

  private:
    void Wait() {
        std::unique_lock l(m_);
        ++waiting_;
        cv_.wait(l, [this] { return !blocked_; });
        --waiting_;
    }
    std::mutex m_;
    std::condition_variable cv_;
    bool blocked_ = false;
    int waiting_ = 0;
};

}  // namespace orv::test
