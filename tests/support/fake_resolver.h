// A resolver for tests: a fixed table of names and addresses, optional blocking, a failing start.
#pragma once

#include <map>
#include <mutex>
#include <set>

#include "gate.h"
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
    // Reverse entries of the hosts file: answered at once, never held by Block.
    std::map<net::InAddr, std::string> hostsFile;

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
    void Block() { gate_.Close(); }
    void Release() { gate_.Open(); }
    int Waiting() { return gate_.Waiting(); }

    bool Startup() override { return startupOk; }
    void Cleanup() override { ++cleanups; }
    std::optional<net::HostEntry> HostByName(const std::string& name) override {
        return LookupName(name).host;
    }
    net::NameLookup LookupName(const std::string& name) override {
        gate_.Pass();
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
        gate_.Pass();
        std::lock_guard l(m_);
        if (auto it = byAddr.find(addr); it != byAddr.end())
            return it->second;
        return std::nullopt;
    }

    std::optional<std::string> HostsFileName(net::InAddr addr) override {
        std::lock_guard l(m_);
        if (auto it = hostsFile.find(addr); it != hostsFile.end())
            return it->second;
        return std::nullopt;
    }

  private:
    std::mutex m_;
    Gate gate_;
};

}  // namespace orv::test
