// Wildcard arguments of htmltext: `*` and `?` in a file name argument.
#pragma once

#include <string>
#include <vector>

namespace tessaly::htmltext {

// Replaces each argument whose last path component holds `*` or `?` by the
// names in its folder that match that component (the platform's file name
// matching: whole name, case-blind), each with the argument's folder part in
// front. "." and ".." are left out. The names of one argument are sorted
// without regard to ASCII letter case (names equal but for case in byte
// order). An argument that matches nothing, or whose folder part itself holds
// a wildcard, is kept as it is. Other arguments are kept as they are, in order.
std::vector<std::string> ExpandArguments(const std::vector<std::string>& arguments);

// True when `a` sorts before `b` without regard to ASCII case; ties in byte order.
bool NameLessCaseBlind(const std::string& a, const std::string& b);

}  // namespace tessaly::htmltext
