// Wildcard matching of file names, as the folder listing applies patterns.
//
// A pattern matches the whole name: `*` is any run of characters (also none),
// `?` exactly one character (one UTF-8 sequence for valid UTF-8 names, else one
// byte). Letters match without regard to case: ASCII, and simple case folding
// of UTF-8 letters. Two legacy rules that users of name patterns rely on:
//  - a pattern that ends in `.` matches names without a `.` whose stem
//    matches the pattern without that dot (`*.` matches `README`), and one
//    that ends in `.*` matches them as well (`*.*` is every name,
//    `report.*` matches `report`);
//  - a pattern whose part after its last `.` is exactly three characters
//    without wildcards also matches a name whose extension (after its last
//    `.`) is longer and begins with those three characters (`*.HTM` matches
//    `page.html`, not `page.htm.bak`).
#pragma once

#include <string_view>

namespace tessaly::platform {

// True when `name` matches `pattern` by the rules above.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// The plain matcher without the two legacy rules: whole name, `*`, `?`,
// case-blind. Exposed for callers that need exactly that.
bool WildcardMatchPlain(std::string_view pattern, std::string_view name);

}  // namespace tessaly::platform
