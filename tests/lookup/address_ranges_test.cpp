// The address ranges alone: the IP Neighborhood around an address and the check of a typed
// address, field by field.
#include "lookup/address_ranges.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace orv {
namespace {

TEST(NeighborhoodList, Cases) {
    struct Case {
        AddressFields at;
        int size;
        int count;
        const char* first;
        const char* last;
        bool complete;
    };
    const Case cases[] = {
        {{10, 0, 1, 50}, 20, 21, "10.0.1.40", "10.0.1.60", true},
        {{10, 0, 1, 5}, 20, 21, "10.0.0.251", "10.0.1.15", true},
        {{1, 0, 0, 5}, 20, 21, "0.255.255.251", "1.0.0.15", true},  // borrow through every field
        {{10, 255, 255, 250}, 20, 21, "10.255.255.240", "11.0.0.4", true},  // carry likewise
        {{10, 0, 0, 5}, 0, 1, "10.0.0.5", "10.0.0.5", true},
        {{10, 0, 0, 5}, 10, 11, "10.0.0.0", "10.0.0.10", true},  // borrows, then carries back
        {{0, 0, 0, 11}, 20, 21, "0.0.0.1", "0.0.0.21", true},
        {{0, 0, 0, 10}, 20, 0, nullptr, nullptr, false},  // start below 0.0.0.0
        {{0, 0, 0, 5}, 20, 0, nullptr, nullptr, false},
        {{255, 255, 255, 250}, 20, 16, "255.255.255.240", "255.255.255.255", false},
        {{255, 255, 255, 255}, 20, 11, "255.255.255.245", "255.255.255.255", false},
        {{10, 0, 10, 0}, 1000, 1001, "10.0.8.12", "10.0.11.244", true},  // wider than a field
        {{10, 0, 0, 5}, -1, 0, nullptr, nullptr, true},
    };
    for (const Case& c : cases) {
        Neighborhood n = NeighborhoodList(c.at, c.size);
        SCOPED_TRACE(QStringLiteral("%1.%2.%3.%4 size %5")
                         .arg(c.at[0])
                         .arg(c.at[1])
                         .arg(c.at[2])
                         .arg(c.at[3])
                         .arg(c.size)
                         .toStdString());
        ASSERT_EQ(n.addresses.size(), c.count);
        EXPECT_EQ(n.complete, c.complete);
        if (c.first) {
            EXPECT_EQ(n.addresses.front().toStdString(), c.first);
        }
        if (c.last) {
            EXPECT_EQ(n.addresses.back().toStdString(), c.last);
        }
        // Consecutive addresses, each step one up.
        for (int i = 1; i < n.addresses.size(); ++i) {
            AddressCheck a = CheckAddressFields(n.addresses[i - 1]);
            AddressCheck b = CheckAddressFields(n.addresses[i]);
            ASSERT_EQ(a.result, AddressCheck::Ok);
            auto value = [](const AddressFields& f) {
                return (std::int64_t(f[0]) << 24) | (f[1] << 16) | (f[2] << 8) | f[3];
            };
            ASSERT_EQ(value(b.fields), value(a.fields) + 1) << n.addresses[i].toStdString();
        }
    }
}

TEST(AddressCheck, Cases) {
    struct Case {
        const char* text;
        AddressCheck::Result result;
        const char* field;      // the offending field
        const char* canonical;  // when Ok
    };
    const Case cases[] = {
        {"10.0.1.5", AddressCheck::Ok, "", "10.0.1.5"},
        {"010.001.002.003", AddressCheck::Ok, "", "10.1.2.3"},
        {"0.0.0.0", AddressCheck::Ok, "", "0.0.0.0"},
        {"+1.2.3.4", AddressCheck::Ok, "", "1.2.3.4"},
        {"256.1.1.1", AddressCheck::OutOfRange, "256", nullptr},
        {"1.2.3.-1", AddressCheck::OutOfRange, "-1", nullptr},
        {"1.300.x.4", AddressCheck::OutOfRange, "300", nullptr},  // field 2 before field 3
        {"1.2.3", AddressCheck::NotInteger, "", nullptr},         // no third dot: field 3 empty
        {"1", AddressCheck::NotInteger, "", nullptr},             // no first dot: field 1 empty
        {"", AddressCheck::NotInteger, "", nullptr},
        {"1.2.3.4.5", AddressCheck::NotInteger, "4.5", nullptr},
        {"1.2.3.", AddressCheck::NotInteger, "", nullptr},
        {"1.2.3. 4", AddressCheck::NotInteger, " 4", nullptr},
        {"0x1.2.3.4", AddressCheck::NotInteger, "0x1", nullptr},
        {"99999999999.1.1.1", AddressCheck::NotInteger, "99999999999", nullptr},
        {"2147483648.1.1.1", AddressCheck::NotInteger, "2147483648", nullptr},
        {"2147483647.1.1.1", AddressCheck::OutOfRange, "2147483647", nullptr},
    };
    for (const Case& c : cases) {
        AddressCheck r = CheckAddressFields(c.text);
        EXPECT_EQ(r.result, c.result) << c.text;
        if (c.result != AddressCheck::Ok) {
            EXPECT_EQ(r.field, c.field) << c.text;
        }
        if (c.canonical) {
            EXPECT_EQ(r.Canonical(), c.canonical) << c.text;
        }
    }
    EXPECT_EQ(NotIntegerText("4.5"), "'4.5' is not a valid integer value");
}

}  // namespace
}  // namespace orv
