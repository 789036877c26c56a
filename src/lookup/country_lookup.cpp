#include "lookup/country_lookup.h"

#include "lookup/country_table.h"
#include "lookup/name_resolution.h"
#include "platform/resolver.h"

namespace orv {

std::string LookupCountry(const std::string& entry) {
    // The address parser and the resolver disagree on some spellings (hex parts, for one), so
    // an entry that parses as an address is asked for in its canonical form: what counts as an
    // address is then exactly what gets looked up.
    net::InAddr a = net::inet_addr(entry);
    return WhereIs(nametoip(a != net::kAddrNone ? net::inet_ntoa(a) : entry));
}

bool CountryTally::Add(std::string_view answer) {
    const bool found = answer != kFailMark;
    ++(found ? successful : failed);
    return found;
}

}  // namespace orv
