#include "lookup/connection_history.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orv {

const std::string& ConnectionHistory::KeyOf(const std::string& localPort,
                                            const std::string& remoteAddress,
                                            const std::string& remotePort,
                                            const std::string& state) const {
    // Each field after its length, so no text can pass for another split of the same bytes.
    key_.clear();
    for (const std::string* f : {&localPort, &remoteAddress, &remotePort, &state}) {
        auto n = static_cast<std::uint32_t>(f->size());
        char len[sizeof n];
        std::memcpy(len, &n, sizeof n);
        key_.append(len, sizeof n);
        key_ += *f;
    }
    return key_;
}

void ConnectionHistory::Sync(int rows, const RowReader& read) {
    if (!changed_ && rows_ == rows)
        return;
    seen_.clear();
    seen_.reserve(static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        const Fields f = read(r);
        seen_.insert(KeyOf(f.localPort, f.remoteAddress, f.remotePort, f.state));
    }
    rows_ = rows;
    changed_ = false;
}

bool ConnectionHistory::Holds(const TTcpConnStatus& record) const {
    return seen_.contains(
        KeyOf(record.LocalPort, record.RemoteAddress, record.RemotePort, record.State));
}

void ConnectionHistory::Added(const TTcpConnStatus& record, int rows) {
    seen_.insert(KeyOf(record.LocalPort, record.RemoteAddress, record.RemotePort, record.State));
    rows_ = rows;
}

void ConnectionHistory::Clear() {
    seen_.clear();
    seen_.insert(KeyOf({}, {}, {}, {}));  // the empty last row
    rows_ = 1;
    changed_ = false;
}

}  // namespace orv
