// `tessaly --details FILE...`: the details text of each file on standard
// output.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace tessaly::console {

// For each file, its details text (file lines, PDF details, summary
// properties) with LF line ends; one blank line between files. A file's
// row is its name, its size as the result list writes it ("[folder]" for a
// folder) and its absolute folder. A failure (no such file, a PDF that
// cannot be opened or loaded, a ".doc" name with no readable summary) is
// named on `err` as "tessaly: ..." and the file's text so far is still
// written. Returns 0 when every file could be read, 1 otherwise, 2 when no
// file was given.
int RunDetails(const std::vector<std::string>& files, std::FILE* out = stdout, std::FILE* err = stderr);

}  // namespace tessaly::console
