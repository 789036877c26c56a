#include "lookup/connections.h"

#include <algorithm>
#include <charconv>
#include <new>

#include "common/ascii.h"
#include "platform/resolver.h"
#include "platform/tcptable.h"

namespace orv {

namespace {

constexpr bool NamesFit() {
    for (const auto& row : PortServiceNames)
        if (row.Name.size() > 23)
            return false;
    return true;
}
static_assert(NamesFit(), "service names are at most 23 characters");
static_assert(TcpStateNames[net::kTcpStateListen - 1] == "listening");
static_assert(TcpStateNames[net::kTcpStateEstablished - 1] == "established");

const std::string kNoRemote = "...";

// A table larger than this is not believed (some 3 million rows).
constexpr std::uint32_t kMaxTableBytes = 64u << 20;
// Reads after the size query: the table may grow between the calls, and each failed read
// answers with the size it then needs.
constexpr int kReadAttempts = 4;

}  // namespace

std::string IpAddrToText(std::uint32_t Address) {
    std::string text(15, ' ');
    for (int i = 0; i < 4; ++i) {
        unsigned octet = net::Octet(Address, i);
        char* field = text.data() + 4 * i;  // three characters, right-aligned
        field[2] = static_cast<char>('0' + octet % 10);
        if (octet >= 10)
            field[1] = static_cast<char>('0' + octet / 10 % 10);
        if (octet >= 100)
            field[0] = static_cast<char>('0' + octet / 100);
        if (i < 3)
            field[3] = '.';
    }
    return text;
}

std::string PortToText(int Port) {
    for (const auto& row : PortServiceNames)
        if (row.Port == Port)
            return std::string(row.Name);
    char digits[16];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, Port);
    std::string_view number(digits, static_cast<std::size_t>(end - digits));
    std::string text;
    if (number.size() < 4)
        text.assign(4 - number.size(), ' ');
    text += number;
    return text;
}

std::string TrimPaddedIp(std::string_view Text) {
    std::string plain;
    for (std::size_t start : {0u, 4u, 8u, 12u}) {
        if (start)
            plain += '.';
        if (start < Text.size())
            plain += ascii::Trim(Text.substr(start, 3), " ");
    }
    return plain;
}

void GetTcpConnStatusList(TTcpConnStatusList* List) {
    if (List == nullptr)
        return;
    List->clear();
    try {
        const net::GetTcpTableFn getTable = net::CurrentGetTcpTable();
        const net::TcpStates wanted =
            net::TcpStateBit(net::kTcpStateListen) | net::TcpStateBit(net::kTcpStateEstablished);

        std::uint32_t size = 0;
        if (getTable(nullptr, &size, true, wanted) != net::kTcpTableInsufficientBuffer)
            return;

        std::vector<unsigned char> buffer;
        std::uint32_t rc = net::kTcpTableInsufficientBuffer;
        for (int i = 0; i < kReadAttempts && rc == net::kTcpTableInsufficientBuffer; ++i) {
            if (size > kMaxTableBytes)
                return;
            // Never less than the row count, so that a short answer cannot be over-read.
            buffer.assign(std::max<std::size_t>(size, net::kTcpTableHeaderSize), 0);
            rc = getTable(buffer.data(), &size, true, wanted);
        }
        if (rc != net::kTcpTableOk)
            return;

        const std::size_t fits = (buffer.size() - net::kTcpTableHeaderSize) / sizeof(net::TcpRow);
        const std::size_t count = std::min<std::size_t>(net::TcpTableCount(buffer.data()), fits);
        List->reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            const net::TcpRow row = net::TcpTableRow(buffer.data(), i);
            if (row.state != net::kTcpStateListen && row.state != net::kTcpStateEstablished)
                continue;
            TTcpConnStatus rec;
            rec.LocalAddress = IpAddrToText(row.localAddr);
            rec.LocalPort = PortToText(net::TcpRowPort(row.localPort));
            if (row.remoteAddr != 0) {
                rec.RemoteAddress = IpAddrToText(row.remoteAddr);
                rec.RemotePort = PortToText(net::TcpRowPort(row.remotePort));
            } else {
                rec.RemoteAddress = kNoRemote;
                rec.RemotePort = kNoRemote;
            }
            rec.State = TcpStateNames[row.state - 1];
            List->push_back(std::move(rec));
        }
    } catch (const std::bad_alloc&) {
        List->clear();
    }
}

}  // namespace orv
