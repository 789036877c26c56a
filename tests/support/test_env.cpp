// Every test binary that speaks HTTP: no proxy from the environment (all traffic stays on
// loopback), and the registry in a private temporary folder instead of the user's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/registry.h"

namespace {

class ScannerTestEnv : public ::testing::Environment {
  public:
    void SetUp() override {
        for (const char* v : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy",
                              "ALL_PROXY", "no_proxy", "NO_PROXY"})
            ::unsetenv(v);
        char tmpl[] = "/tmp/orvelan-scan-registry-XXXXXX";
        if (char* d = ::mkdtemp(tmpl))
            folder_ = d;
        orv::Registry::SetFolder(folder_);
    }
    void TearDown() override {
        std::error_code ec;
        if (!folder_.empty())
            std::filesystem::remove_all(folder_, ec);
    }

  private:
    std::string folder_;
};

const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new ScannerTestEnv);

}  // namespace
