// The ravelt program: option parsing, the hidden conversion window and its
// message loop, the conversion of each file argument (wildcards in the last
// component) and the naming of output files.
//
// RaveltMain runs one command line against the given streams and returns
// the exit status: 0 after help, version or a completed run (also when
// single files failed), -1 after an unknown option, without file arguments,
// or when the library or the conversion window cannot be had.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace tessaly::ravelt {

// Path and name buffers hold this many bytes, the terminator included:
// longer file arguments and output names are refused.
inline constexpr std::size_t kPathBufferSize = 260;

// The private message that starts the conversion (wParam: the number of
// file arguments, lParam: the address of the first).
inline constexpr std::uint32_t WM_APP_CONVERT = 0x8065;

struct RaveltSettings {
  int richEditVersion = 1;
  bool debug = false;
  std::optional<std::string> outputExtension;  // none: text to standard output
  bool overwrite = false;
};

int RaveltMain(int argc, char** argv, std::FILE* out, std::FILE* err);

// Output candidate `i` (0 to 99) for the input `path` and extension: the
// last component of `path` up to its last dot, then "." (i = 0) or
// " (i)." and the extension. "dir/report.rtf" gives "report.txt",
// "report (1).txt", ...
std::string OutputCandidate(const std::string& path, const std::string& extension, int i);

}  // namespace tessaly::ravelt
