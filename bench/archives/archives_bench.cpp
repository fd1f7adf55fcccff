// Lists the members of every archive in a folder the way a search does:
// DispatchArchive with the seven patterns of the default type list, timed
// over the whole folder; then the bytes each archive's reader takes from
// the file (headers only), on average and at most.
//   bench_archives FOLDER
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "archives/ArchiveDispatch.h"
#include "engine/QuietSearchHost.h"
#include "engine/ResultStore.h"

namespace {

using namespace tessaly;

using NullHost = engine::QuietSearchHost;

struct CountingSink : archives::TMemberSink {
  std::size_t members = 0;
  void Member(const std::string&, const std::string&) override { ++members; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_archives FOLDER\n");
    return 2;
  }
  std::vector<std::string> paths;
  for (const auto& e : std::filesystem::directory_iterator(argv[1]))
    if (e.is_regular_file() && archives::ReaderForPath(e.path().string())) paths.push_back(e.path().string());

  engine::SearchCriteria criteria;
  criteria.archiveFormats.fill(true);
  const std::string patternText = engine::BuildPatternText("", criteria.typeText, true);
  engine::ResultStore store;
  NullHost host;
  std::atomic<bool> stop{false};
  engine::SearchContext context{criteria, store, host, stop, archives::DispatchArchive};

  const auto t0 = std::chrono::steady_clock::now();
  for (const std::string& p : paths) archives::DispatchArchive(context, p, patternText);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

  std::uint64_t totalBytes = 0, maxBytes = 0, totalSize = 0, members = 0;
  for (const std::string& p : paths) {
    auto file = archives::TFileSource::Open(p);
    if (!file) continue;
    CountingSink sink;
    archives::ReaderForPath(p)(criteria, *file, sink);
    totalBytes += file->BytesRead();
    maxBytes = std::max<std::uint64_t>(maxBytes, file->BytesRead());
    totalSize += file->Size();
    members += sink.members;
  }
  const double n = paths.empty() ? 1.0 : static_cast<double>(paths.size());
  std::printf("DispatchArchive (%s): %zu archives, %llu members, %zu rows, %.3f s\n", patternText.c_str(),
              paths.size(), static_cast<unsigned long long>(members), store.Count(), seconds);
  std::printf("bytes read per archive: %.0f on average, %llu at most; archive size %.0f on average\n",
              static_cast<double>(totalBytes) / n, static_cast<unsigned long long>(maxBytes),
              static_cast<double>(totalSize) / n);
  return 0;
}
