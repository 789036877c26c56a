#include "scanner/url_parts.h"

#include "scanner/text_tools.h"

namespace orv::scan {

std::string TCrackUrl::DirectoryPathOf(const std::string& path) {
    if (path.empty())
        return "/";
    int last = LastCharPos('/', path);  // from 1
    bool segmentWithoutDot = last > 1 && last < int(path.size()) &&
                             path.find('.', std::size_t(last)) == std::string::npos;
    return segmentWithoutDot ? path + "/" : path;
}

std::string TCrackUrl::SiteOf(const std::string& host) {
    int last = LastCharPos('.', host);
    if (last <= 1)
        return {};
    std::string shorter = host.substr(0, std::size_t(last - 1));
    int inner = LastCharPos('.', shorter);
    if (inner > 1 && inner < int(host.size()))
        return host.substr(std::size_t(inner));
    return shorter;
}

std::string TCrackUrl::ScopePathOf(const std::string& directoryPath) {
    std::size_t last = directoryPath.rfind('/');
    return last == std::string::npos ? directoryPath : directoryPath.substr(0, last + 1);
}

std::string TCrackUrl::Root() const {
    std::string r = parts_.scheme + "://" + parts_.host;
    if (parts_.port != orv::net::DefaultPort(parts_.scheme))
        r += ":" + std::to_string(parts_.port);
    return r;
}

bool TCrackUrl::Split(const std::string& address, const std::string& downloadDirectory) {
    address_ = address;
    success_ = orv::net::CrackUrl(address, parts_);
    directoryPath_ = DirectoryPathOf(parts_.path);
    site_ = SiteOf(parts_.host);
    localFilePath_ = downloadDirectory.empty()
                         ? std::string()
                         : LocalPathFor(downloadDirectory, parts_.host + directoryPath_);
    return success_;
}

}  // namespace orv::scan
