// Host name to address and back, as dotted text; "X" marks every failure.
#pragma once

#include <string>

namespace orv {

inline const std::string kFailMark = "X";

// The first IPv4 address the resolver gives for `name` (a dotted address gives itself, in
// canonical form), or "X".
std::string nametoip(const std::string& name);
// The official name of dotted address `ip`, or "X". Text that is not an address is looked up
// as 255.255.255.255.
std::string iptoname(const std::string& ip);
// The last two dot-separated labels of `name`; a name with at most one dot is unchanged.
std::string GetBaseDomain(const std::string& name);

}  // namespace orv
