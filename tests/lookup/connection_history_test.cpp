// The Connection Monitor's "is it new" index: which fields make a connection seen, keys that
// cannot run into each other, and when the index is built again from the history's rows.
#include "lookup/connection_history.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv {
namespace {

const std::string kLo = "127.  0.  0.  1";
const std::string kOther = " 10.  1.  2.  3";
const std::string kPeer = "192.168.  7. 20";
const std::string kNameless = "172. 16.  0.  9";

TTcpConnStatus Established(const std::string& la, const std::string& lp, const std::string& ra,
                           const std::string& rp) {
    return {la, lp, ra, rp, "established"};
}
TTcpConnStatus Listener(const std::string& la, const std::string& lp) {
    return {la, lp, "...", "...", "listening"};
}
ConnectionHistory::Fields FieldsOf(const TTcpConnStatus& r) {
    return {r.LocalPort, r.RemoteAddress, r.RemotePort, r.State};
}

// A history as the page's grid holds it: data rows and the empty last row.
struct Rows {
    std::vector<TTcpConnStatus> records;
    int reads = 0;

    int Count() const { return static_cast<int>(records.size()) + 1; }
    ConnectionHistory::RowReader Reader() {
        return [this](int r) {
            ++reads;
            return r < static_cast<int>(records.size()) ? FieldsOf(records[r])
                                                        : ConnectionHistory::Fields{};
        };
    }
};

TEST(ConnectionHistory, LocalPortRemoteAddressRemotePortAndStateMakeAConnectionSeen) {
    Rows rows;
    rows.records = {Established(kLo, "40000", kPeer, "HTTP"), Listener(kLo, "7000")};
    ConnectionHistory history;
    history.Sync(rows.Count(), rows.Reader());

    // The local address takes no part.
    struct Case {
        const char* what;
        TTcpConnStatus record;
        bool seen;
    } cases[] = {
        {"the same", Established(kLo, "40000", kPeer, "HTTP"), true},
        {"other local address", Established(kOther, "40000", kPeer, "HTTP"), true},
        {"other local port", Established(kLo, "40001", kPeer, "HTTP"), false},
        {"other remote address", Established(kLo, "40000", kNameless, "HTTP"), false},
        {"other remote port", Established(kLo, "40000", kPeer, "81"), false},
        {"listener elsewhere", Listener(kOther, "7000"), true},
        // The listener's remote texts, but established.
        {"other state", Established(kLo, "7000", "...", "..."), false},
        // Texts compare exactly: case and padding count.
        {"other case", {kLo, "40000", kPeer, "http", "established"}, false},
        {"other padding", Established(kLo, "40000", "192.168.7.20", "HTTP"), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(history.Holds(c.record), c.seen) << c.what;
}

TEST(ConnectionHistory, FieldsCannotPassForAnotherSplitOfTheSameText) {
    Rows rows;
    rows.records = {{kLo, "1", "23", "4", "established"}};
    ConnectionHistory history;
    history.Sync(rows.Count(), rows.Reader());
    EXPECT_TRUE(history.Holds({kLo, "1", "23", "4", "established"}));
    EXPECT_FALSE(history.Holds({kLo, "12", "3", "4", "established"}));
    EXPECT_FALSE(history.Holds({kLo, "1", "2", "34", "established"}));
    EXPECT_FALSE(history.Holds({kLo, "", "123", "4", "established"}));
}

TEST(ConnectionHistory, IsBuiltAgainOnlyWhenOutOfStepWithTheRows) {
    Rows rows;
    rows.records = {Established(kLo, "40000", kPeer, "HTTP")};
    ConnectionHistory history;
    history.Sync(rows.Count(), rows.Reader());
    EXPECT_EQ(rows.reads, 2);  // every row, the empty last one included
    EXPECT_EQ(history.Rows(), 2);

    // In step: nothing is read.
    history.Sync(rows.Count(), rows.Reader());
    EXPECT_EQ(rows.reads, 2);

    // The page's own append keeps it in step.
    const TTcpConnStatus added = Established(kLo, "40001", kPeer, "HTTP");
    rows.records.push_back(added);
    history.Added(added, rows.Count());
    history.Sync(rows.Count(), rows.Reader());
    EXPECT_EQ(rows.reads, 2);
    EXPECT_TRUE(history.Holds(added));

    // Rows changed by someone else: built again, and what left the rows is new again.
    rows.records.erase(rows.records.begin());
    history.MarkChanged();
    history.Sync(rows.Count(), rows.Reader());
    EXPECT_EQ(rows.reads, 4);
    EXPECT_FALSE(history.Holds(Established(kLo, "40000", kPeer, "HTTP")));
    EXPECT_TRUE(history.Holds(added));

    // Another row count, unannounced, also means out of step.
    rows.records.push_back(Listener(kLo, "7000"));
    history.Sync(rows.Count(), rows.Reader());
    EXPECT_EQ(rows.reads, 7);
    EXPECT_TRUE(history.Holds(Listener(kLo, "7000")));
}

TEST(ConnectionHistory, ClearLeavesTheEmptyRowOnly) {
    Rows rows;
    rows.records = {Established(kLo, "40000", kPeer, "HTTP")};
    ConnectionHistory history;
    history.MarkChanged();
    history.Sync(rows.Count(), rows.Reader());

    history.Clear();
    rows.records.clear();
    EXPECT_EQ(history.Rows(), 1);
    EXPECT_FALSE(history.Holds(Established(kLo, "40000", kPeer, "HTTP")));
    // The empty last row counts as a row, as a look through the grid would find it.
    EXPECT_TRUE(history.Holds({kLo, "", "", "", ""}));
    // A clear is the page's own change: the one empty row needs no reading.
    const int reads = rows.reads;
    history.Sync(rows.Count(), rows.Reader());
    EXPECT_EQ(rows.reads, reads);
}

}  // namespace
}  // namespace orv
