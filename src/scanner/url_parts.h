// TCrackUrl: an address split into its parts, plus the two texts the scope rules rest on: the
// site of the host and the directory path.
#pragma once

#include <cstdint>
#include <string>

#include "platform/url.h"

namespace orv::scan {

class TCrackUrl {
  public:
    // Splits `address`; on failure the parts keep their previous values (the address text is
    // still replaced). With a non-empty `downloadDirectory` the local file path is derived.
    bool Split(const std::string& address, const std::string& downloadDirectory = {});

    const std::string& Address() const { return address_; }
    bool Success() const { return success_; }

    const std::string& Scheme() const { return parts_.scheme; }
    const std::string& HostName() const { return parts_.host; }
    const std::string& UserName() const { return parts_.user; }
    const std::string& Password() const { return parts_.password; }
    const std::string& UrlPath() const { return parts_.path; }     // decoded, as split
    const std::string& ExtraInfo() const { return parts_.extra; }  // decoded "?..." / "#..."
    std::uint16_t Port() const { return parts_.port; }
    const std::string& Site() const { return site_; }
    const std::string& DirectoryPath() const { return directoryPath_; }
    const std::string& LocalFilePath() const { return localFilePath_; }
    const orv::net::UrlParts& Parts() const { return parts_; }
    // Scheme (as split), "://", host, and ":" + port only when the port is not the scheme's
    // default: the front of every address rebuilt from the parts.
    std::string Root() const;

    // "host" of three or more labels: its last two; of two labels: its first; else empty.
    static std::string SiteOf(const std::string& host);
    // The path with "/" appended when its last segment has no "."; "" gives "/".
    static std::string DirectoryPathOf(const std::string& path);
    // The directory a path-scope test compares with: the path up to and including its last
    // "/" (a directory path that ends in a file name stands for the file's directory).
    static std::string ScopePathOf(const std::string& directoryPath);

  private:
    std::string address_;
    orv::net::UrlParts parts_;
    std::string site_, directoryPath_, localFilePath_;
    bool success_ = false;
};

}  // namespace orv::scan
