// The named character entities of XHTML 1.0 (the 252 of HTML 4; XML's own
// five are known to every parser), which EPUB books use without declaring
// them.
#pragma once

#include <string_view>

namespace tessaly::extract {

// The UTF-8 text of the entity `name` ("nbsp" -> U+00A0, "eacute" -> "é");
// empty for a name that is not an XHTML entity.
std::string_view XhtmlEntityText(std::string_view name);

}  // namespace tessaly::extract
