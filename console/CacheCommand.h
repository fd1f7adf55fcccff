// `tessaly --cache stats|prune|clear [--cache-size SIZE]`: the cache of
// extracted text from the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessaly::console {

// "--cache-size" values: a whole number of bytes, or of KiB, MiB or GiB
// with the suffix K, M or G; from 1 MiB to 1 TiB. Nothing for other text.
std::optional<std::int64_t> ParseCacheSize(const std::string& text);

// Runs the command given by the arguments after `--cache`; returns the
// exit status (2 for a usage error).
int RunCacheCommand(const std::vector<std::string>& args);

}  // namespace tessaly::console
