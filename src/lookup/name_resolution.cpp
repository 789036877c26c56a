#include "lookup/name_resolution.h"

#include <algorithm>

#include "platform/resolver.h"

namespace orv {

std::string nametoip(const std::string& name) {
    try {
        auto h = net::gethostbyname(name);
        if (!h || h->addresses.empty())
            return kFailMark;
        return net::inet_ntoa(h->addresses.front());
    } catch (...) {
        return kFailMark;
    }
}

std::string iptoname(const std::string& ip) {
    try {
        auto h = net::gethostbyaddr(net::inet_addr(ip));
        if (!h)
            return kFailMark;
        return h->name;
    } catch (...) {
        return kFailMark;
    }
}

std::string GetBaseDomain(const std::string& name) {
    auto dots = std::count(name.begin(), name.end(), '.');
    std::string rest = name;
    for (decltype(dots) i = 0; i + 1 < dots; ++i)
        rest.erase(0, rest.find('.') + 1);
    return rest;
}

}  // namespace orv
