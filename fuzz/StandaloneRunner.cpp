// Replays saved fuzzer inputs without libFuzzer.
//
// Usage: <target>_replay PATH...   Each PATH is a file or a folder; every
// regular file in a folder (not recursive) is fed to LLVMFuzzerTestOneInput
// once. A missing folder counts as an empty corpus. Exit status 0 when every
// input ran to its end; a crash or sanitizer report ends the process.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool RunFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return false;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  int ran = 0;
  bool ok = true;
  // The empty input is always worth one run.
  LLVMFuzzerTestOneInput(nullptr, 0);
  for (int i = 1; i < argc; ++i) {
    fs::path p(argv[i]);
    std::error_code ec;
    if (fs::is_directory(p, ec)) {
      std::vector<fs::path> files;
      for (const auto& e : fs::directory_iterator(p, ec))
        if (e.is_regular_file()) files.push_back(e.path());
      std::sort(files.begin(), files.end());
      for (const auto& f : files) ok = RunFile(f) && ok, ++ran;
    } else if (fs::exists(p, ec)) {
      ok = RunFile(p) && ok;
      ++ran;
    }
  }
  std::printf("replayed %d inputs\n", ran);
  return ok ? 0 : 1;
}
