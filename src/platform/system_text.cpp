#include "platform/system_text.h"

#include <fstream>

namespace orv::sys {

std::optional<std::string> ReadFileBounded(const std::string& path, std::size_t limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string data;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        if (std::size_t(in.gcount()) > limit - data.size())
            return std::nullopt;
        data.append(buf, std::size_t(in.gcount()));
    }
    if (in.bad())
        return std::nullopt;
    return data;
}

}  // namespace orv::sys
