// Size texts of plain files: units of 1024, at most "Gb", truncating.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly::engine {

// 1023 gives "1023 b", 1024 "1 Kb", 1073741824 "1 Gb", 5 GiB "5 Gb".
std::string SizeText(std::uint64_t n);

}  // namespace tessaly::engine
