#include "platform/resolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace orv::net {

namespace {

// Copies a host entry out of the caller's buffer before that buffer goes away.
HostEntry CopyOut(const hostent& h) {
    HostEntry e;
    if (h.h_name)
        e.name = h.h_name;
    for (char** a = h.h_aliases; a && *a; ++a)
        e.aliases.emplace_back(*a);
    if (h.h_addrtype == AF_INET && h.h_length == 4) {
        for (char** p = h.h_addr_list; p && *p; ++p) {
            InAddr addr;
            std::memcpy(&addr, *p, sizeof addr);
            e.addresses.push_back(addr);
        }
    }
    return e;
}

// The reentrant calls report ERANGE when the scratch buffer is too small; grow and retry.
template <typename Call>
NameLookup Lookup(Call call) {
    std::vector<char> buf(2048);
    for (;;) {
        hostent h{};
        hostent* result = nullptr;
        int herr = 0;
        int rc = call(&h, buf.data(), buf.size(), &result, &herr);
        if (rc == ERANGE && buf.size() < (1u << 20)) {
            buf.resize(buf.size() * 2);
            continue;
        }
        if (rc != 0 || result == nullptr) {
            // TRY_AGAIN: no server answered (or it failed for now); HOST_NOT_FOUND and NO_DATA:
            // the name has no address. Any other failure says nothing better than the latter.
            return {std::nullopt,
                    herr == TRY_AGAIN ? LookupError::TryAgain : LookupError::NotFound};
        }
        return {CopyOut(*result), LookupError::None};
    }
}

class SystemResolverImpl final : public Resolver {
  public:
    bool Startup() override { return true; }
    void Cleanup() override {}

    std::optional<HostEntry> HostByName(const std::string& name) override {
        return LookupName(name).host;
    }

    NameLookup LookupName(const std::string& name) override {
        // gethostbyname_r keeps the order of the hosts file and DNS answer (getaddrinfo
        // would sort by RFC 6724) and gives the official name.
        return Lookup([&](hostent* h, char* b, size_t n, hostent** r, int* e) {
            return gethostbyname_r(name.c_str(), h, b, n, r, e);
        });
    }

    std::optional<HostEntry> HostByAddr(InAddr addr) override {
        return Lookup([&](hostent* h, char* b, size_t n, hostent** r, int* e) {
                   return gethostbyaddr_r(&addr, sizeof addr, AF_INET, h, b, n, r, e);
               })
            .host;
    }
};

std::atomic<Resolver*> g_current{nullptr};

}  // namespace

const char* LookupErrorText(LookupError error) {
    return error == LookupError::TryAgain ? "Temporary failure in name resolution" : "Unknown host";
}

Resolver& SystemResolver() {
    static SystemResolverImpl instance;
    return instance;
}

Resolver& CurrentResolver() {
    Resolver* r = g_current.load(std::memory_order_acquire);
    return r ? *r : SystemResolver();
}

void SetResolver(Resolver* r) {
    g_current.store(r, std::memory_order_release);
}

InAddr inet_addr(const std::string& text) {
    in_addr a{};
    // inet_aton takes the classic forms (octal, hex, "127.1"); unlike it, the old parser
    // refuses anything after the address, so trailing text is an error here too.
    if (text.empty() || ::inet_aton(text.c_str(), &a) == 0)
        return kAddrNone;
    if (text.find_first_of(" \t\r\n") != std::string::npos)
        return kAddrNone;
    return a.s_addr;
}

std::string inet_ntoa(InAddr addr) {
    char buf[INET_ADDRSTRLEN];
    in_addr a{};
    a.s_addr = addr;
    if (!::inet_ntop(AF_INET, &a, buf, sizeof buf))
        return {};
    return buf;
}

}  // namespace orv::net
