#include "platform/resolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/system_text.h"

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

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The blank-separated words of `line`, up to a "#".
std::vector<std::string_view> Words(std::string_view line) {
    line = line.substr(0, line.find('#'));
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        std::size_t end = i;
        while (end < line.size() && !IsBlank(line[end]))
            ++end;
        if (end > i)
            words.push_back(line.substr(i, end - i));
        i = end;
    }
    return words;
}

// Calls `fn` with every line of `text` (LF or CR LF ends a line) until it returns true.
template <class Fn>
bool AnyLine(std::string_view text, Fn fn) {
    while (!text.empty()) {
        std::size_t lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (fn(line))
            return true;
        if (lf == std::string_view::npos)
            break;
        text.remove_prefix(lf + 1);
    }
    return false;
}

// The hosts file and whether it is asked first, read again only when either file changed.
class HostsFile {
  public:
    std::optional<std::string> NameOf(InAddr addr) {
        std::lock_guard lock(m_);
        const Stamp hosts = StampOf(kHostsPath), nsswitch = StampOf(kNsswitchPath);
        if (!loaded_ || hosts != hostsStamp_ || nsswitch != nsswitchStamp_) {
            loaded_ = true;
            hostsStamp_ = hosts;
            nsswitchStamp_ = nsswitch;
            const auto conf = sys::ReadFileBounded(kNsswitchPath);
            first_ = conf && HostsFileFirst(*conf);
            text_ = first_ ? sys::ReadFileBounded(kHostsPath).value_or(std::string()) : "";
        }
        if (!first_)
            return std::nullopt;
        return HostsFileNameIn(text_, addr);
    }

  private:
    static constexpr const char* kHostsPath = "/etc/hosts";
    static constexpr const char* kNsswitchPath = "/etc/nsswitch.conf";
    struct Stamp {
        bool exists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        timespec mtime{};
        bool operator!=(const Stamp& o) const {
            return exists != o.exists || dev != o.dev || ino != o.ino || size != o.size ||
                   mtime.tv_sec != o.mtime.tv_sec || mtime.tv_nsec != o.mtime.tv_nsec;
        }
    };
    static Stamp StampOf(const char* path) {
        struct stat st {};
        if (::stat(path, &st) != 0)
            return {};
        return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    }

    std::mutex m_;
    bool loaded_ = false, first_ = false;
    Stamp hostsStamp_, nsswitchStamp_;
    std::string text_;
};

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

    std::optional<std::string> HostsFileName(InAddr addr) override { return hosts_.NameOf(addr); }

  private:
    HostsFile hosts_;
};

std::atomic<Resolver*> g_current{nullptr};

}  // namespace

std::optional<std::string> HostsFileNameIn(std::string_view hosts, InAddr addr) {
    std::optional<std::string> name;
    AnyLine(hosts, [&](std::string_view line) {
        const std::vector<std::string_view> words = Words(line);
        if (words.size() < 2)
            return false;
        // The library reads the address strictly as four decimal parts.
        in_addr a{};
        const std::string text(words[0]);
        if (::inet_pton(AF_INET, text.c_str(), &a) != 1 || a.s_addr != addr)
            return false;
        name = std::string(words[1]);
        return true;
    });
    return name;
}

std::optional<std::vector<std::string>> HostSources(std::string_view nsswitch) {
    std::optional<std::vector<std::string>> sources;
    AnyLine(nsswitch, [&](std::string_view line) {
        // "hosts:", blanks allowed around the ":", then the sources in the order asked.
        std::size_t i = 0;
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (line.substr(i, 5) != "hosts")
            return false;
        i += 5;
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (i >= line.size() || line[i] != ':')
            return false;
        sources.emplace();
        for (std::string_view w : Words(line.substr(i + 1)))
            sources->emplace_back(w);
        return true;
    });
    return sources;
}

bool HostsFileFirst(std::string_view nsswitch) {
    const auto sources = HostSources(nsswitch);
    return sources && !sources->empty() && sources->front() == "files";
}

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
