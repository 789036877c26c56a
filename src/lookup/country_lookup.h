// The owner or country of a host name or an address: the two steps of every Country Lookup entry,
// and how a batch counts its answers.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// The answer for one entry: its address through the resolver, then the block's owner; "X" when
// the name does not resolve or no block holds the address. Blocks on the resolver; any thread.
std::string LookupCountry(const std::string& entry);

// A batch's two counters: every answer but "X" is a success, "X" a failure.
struct CountryTally {
    int successful = 0;
    int failed = 0;

    // Counts `answer`; true when it counted as a success.
    bool Add(std::string_view answer);
};

}  // namespace orv
