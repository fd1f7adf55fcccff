// The content matcher on its own: every file of a folder read in pieces of
// 256 KiB, as the text file reader hands them on, into a match sink that
// stops at the first match. "scanner" is the literal stream scanner alone
// (the search's matcher before matching lines were kept); "places" is the
// search's matcher now, which keeps the first matching line and its place;
// "regex" is the same with the text as a regular expression. Prints the
// files that matched and the seconds taken.
//   bench_matches scanner|places|regex TEXT FOLDER
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/SearchCriteria.h"
#include "engine/TextMatcher.h"
#include "engine/TextScanner.h"

namespace {

using namespace tessaly::engine;

class ScannerSink : public TMatchSink {
 public:
  explicit ScannerSink(const std::string& text) : scanner_(text, false) {}
  bool Append(std::string_view text) override { return scanner_.Feed(text); }
  bool Finish() override { return scanner_.Finish(); }
  bool Matched() const override { return scanner_.Found(); }

 private:
  TStreamScanner scanner_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_matches scanner|places|regex TEXT FOLDER\n");
    return 2;
  }
  const std::string mode = argv[1], text = argv[2];
  SearchCriteria c;
  c.containsText = text;
  c.regex = mode == "regex";
  const std::shared_ptr<const TTextMatcher> matcher = MatcherFor(c);
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(argv[3]))
    if (e.is_regular_file()) files.push_back(e.path().string());
  std::vector<char> buffer(1 << 18);
  const auto start = std::chrono::steady_clock::now();
  std::size_t matched = 0;
  for (const std::string& file : files) {
    std::unique_ptr<TMatchSink> sink =
        mode == "scanner" ? std::make_unique<ScannerSink>(text) : matcher->NewSink();
    std::ifstream in(file, std::ios::binary);
    bool more = true;
    while (more) {
      in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      if (in.gcount() <= 0) break;
      more = sink->Append(std::string_view(buffer.data(), static_cast<std::size_t>(in.gcount())));
    }
    if (sink->Matched() || (more && sink->Finish())) ++matched;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s: %zu of %zu files matched in %.3f s\n", mode.c_str(), matched, files.size(), seconds);
  return 0;
}
