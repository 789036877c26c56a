// The two steps of a country lookup (resolve, then the table) on a resolver of the test's own,
// and the rule a batch counts its answers by.
#include "lookup/country_lookup.h"

#include <gtest/gtest.h>

#include <string>

#include "fake_resolver.h"

namespace orv {
namespace {

const std::string kXerox = "Xerox Palo Alto Research Center, CA (NET-XEROX-NET) ";
const std::string kBbn = "Bolt Beranek and Newman Inc., MA (NET-BBN-NET-TEMP)";
const std::string kAtt = "AT&T (NET-ATT)";

class CountryLookupSteps : public ::testing::Test {
  protected:
    void SetUp() override {
        resolver.Add("www.example.test", {"61.8.0.1"});
        resolver.Add("multi.test", {"12.1.1.1", "61.8.0.1"});
        resolver.Add("xerox.test", {"13.1.1.1"});
        resolver.Add("far.test", {"180.1.1.1"});
    }

    test::FakeResolver resolver;
};

TEST_F(CountryLookupSteps, NamesAndAddresses) {
    struct Case {
        const char* entry;
        std::string answer;
    } cases[] = {
        {"www.example.test", "Australia"},
        {"multi.test", kAtt},  // only the first address counts
        {"xerox.test", kXerox},
        {"10.0.0.1", "United States"},
        {"200.200.1.1", "Brazil"},
        {"nosuch.test", "X"},  // does not resolve
        {"far.test", "X"},     // resolves into no block
        {"61.9.0.1", "X"},
        {"1.2.3.4.5", "X"},
        {" 10.0.0.1", "X"},  // no address with a blank in front, and no such name
        {"", "X"},
        {"X", "X"},
        // Spellings the address parser takes are looked up as the address they mean.
        {"010.1.1.1", kBbn},
        {"0x0c.1.1.1", kAtt},
        {"127.1", "United States"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LookupCountry(c.entry), c.answer) << c.entry;
}

TEST_F(CountryLookupSteps, AddressIsLookedUpInCanonicalForm) {
    // A resolver that would read the typed text differently from the address parser: the
    // lookup must not see its answer for the raw text.
    resolver.Add("010.1.1.1", {"61.8.0.1"});
    EXPECT_EQ(LookupCountry("010.1.1.1"), kBbn);
}

TEST(CountryTally, EveryAnswerButXIsASuccess) {
    struct Case {
        const char* answer;
        bool found;
    } cases[] = {
        {"Australia", true}, {"X", false}, {"", true},  // only the mark itself fails
        {"x", true},                                    // case counts
        {"X ", true},                                   // and so do blanks
    };
    CountryTally tally;
    int successful = 0;
    int failed = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(tally.Add(c.answer), c.found) << '"' << c.answer << '"';
        ++(c.found ? successful : failed);
        EXPECT_EQ(tally.successful, successful) << '"' << c.answer << '"';
        EXPECT_EQ(tally.failed, failed) << '"' << c.answer << '"';
    }
}

}  // namespace
}  // namespace orv
