// pptext: prints the text of a PowerPoint 97-2003 file on standard output.
//
//   pptext FILE
//
// Exit status: 0 text printed (possibly none), 1 wrong usage, 2 the file
// cannot be opened or read, 3 it is no PowerPoint file.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/pptext/PptFile.h"
#include "tools/pptext/PptText.h"

namespace {

constexpr const char* kUsage = "usage: pptext FILE\nPrints the text of a PowerPoint 97-2003 (.ppt) file as UTF-8.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc != 2) {
    std::fputs(kUsage, stderr);
    return 1;
  }
  try {
    const auto stream = tessaly::pptext::ReadPowerPointStream(argv[1]);
    const std::string text = tessaly::pptext::ExtractPptText(stream.data(), stream.size());
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
      std::fputs("pptext: cannot write the text\n", stderr);
      return 2;
    }
  } catch (const tessaly::pptext::PptFileError& e) {
    std::fprintf(stderr, "pptext: %s\n", e.what());
    return e.exitCode();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pptext: %s\n", e.what());
    return 2;
  }
  return 0;
}
