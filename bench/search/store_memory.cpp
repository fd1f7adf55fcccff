// Fills a result store with a million rows shaped like a real search's
// (names of 8 to 30 characters, 2,000 folders of 40 to 90 characters) and
// prints the growth of the resident set.
#include <cstdio>
#include <fstream>
#include <string>

#include "engine/ResultStore.h"
#include "engine/SizeText.h"

namespace {

long ResidentKb() {
  std::ifstream in("/proc/self/status");
  std::string key;
  long value = 0;
  while (in >> key) {
    if (key == "VmRSS:") {
      in >> value;
      return value;
    }
    std::getline(in, key);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  const long before = ResidentKb();
  tessaly::engine::ResultStore store;
  for (long i = 0; i < rows; ++i) {
    const long folder = i / 500;
    std::string path = "/home/user/Documents/projects/archive-" + std::to_string(folder % 2000) +
                       std::string(static_cast<std::size_t>(folder % 50), 'x');
    std::string name = "document-" + std::to_string(i) + std::string(static_cast<std::size_t>(i % 20), 'n') + ".pdf";
    store.AddHit({name, tessaly::engine::SizeText(static_cast<std::uint64_t>(i) * 37), path});
  }
  const long after = ResidentKb();
  std::printf("%ld rows: %.1f MB resident for the store\n", static_cast<long>(store.Count()),
              (after - before) / 1024.0);
  return 0;
}
