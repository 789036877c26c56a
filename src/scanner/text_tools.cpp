#include "scanner/text_tools.h"

#include <QDateTime>

#include "platform/registry.h"

namespace orv::scan {

int LastCharPos(char c, std::string_view text) {
    std::size_t p = text.rfind(c);
    return p == std::string_view::npos ? 0 : int(p) + 1;
}

void ReplaceChar(char from, char to, std::string& text) {
    for (char& c : text)
        if (c == from)
            c = to;
}

void SetConnectionLimits(int count) {
    Registry::WriteInteger(kInternetSettingsKey, "MaxConnectionsPerServer", count);
    Registry::WriteInteger(kInternetSettingsKey, "MaxConnectionsPer1_0Server", count + 2);
}

std::string ResultsFileName(std::string_view t) {
    auto part = [&](std::size_t from1, std::size_t count) {
        return from1 - 1 < t.size() ? std::string(t.substr(from1 - 1, count)) : std::string();
    };
    std::string name = part(7, 4) + "-" + part(4, 2) + "-" + part(1, 2) + "_" +
                       part(12, std::string_view::npos) + ".txt";
    ReplaceChar(':', '.', name);
    return name;
}

std::string ResultsFileName() {
    return ResultsFileName(
        QDateTime::currentDateTime().toString("dd/MM/yyyy HH:mm:ss").toStdString());
}

std::string LocalPathFor(std::string_view directory, std::string_view hostAndPath) {
    std::string text(hostAndPath);
    if (text.find('/') == std::string::npos)
        text += "/index.html";
    else if (text.back() == '/')
        text += "index.html";
    std::string dir(directory);
    return (!dir.empty() && dir.back() == '/') ? dir + text : dir + "/" + text;
}

}  // namespace orv::scan
