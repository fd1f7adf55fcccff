// End to end: `tessaly --search -a all` over a folder of archives of all
// nine formats lists their members with names, size texts and paths.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

TEST(ConsoleArchives, SearchListsMembersOfEveryFormat) {
  const fs::path bin = fs::path(TESSALY_BIN_DIR) / "tessaly";
  if (!fs::exists(bin)) GTEST_SKIP() << "tessaly not built";
  const fs::path dir = fs::temp_directory_path() / ("tessaly-archives-e2e-" + std::to_string(::getpid()));
  fs::create_directories(dir / "sub");
  const fs::path data = fs::path(TESSALY_TEST_DATA) / "archives";
  for (const char* name : {"tree.zip", "tree.cab", "gnu.tar", "basic.rar", "tree.ace", "tree.arj", "level1.lzh",
                           "tree.zoo", "tree.arc"})
    fs::copy_file(data / name, dir / name);
  fs::copy_file(data / "dd.zip", dir / "sub" / "Streamed.ZIP");

  const std::string out = Output("'" + bin.string() + "' --search -a all -n '' -t 'PDF;TXT' -l '" + dir.string() +
                              "' --rows 2>/dev/null");
  std::set<std::string> rows;
  std::size_t at = 0;
  while (at < out.size()) {
    const std::size_t nl = out.find('\n', at);
    rows.insert(out.substr(at, nl - at));
    at = nl == std::string::npos ? out.size() : nl + 1;
  }
  const std::string d = dir.string();
  const std::set<std::string> expected = {
      "docs/report.pdf\t1000 b\t" + d + "/tree.zip",
      "docs/sub/notes.txt\t1 Kb\t" + d + "/tree.zip",
      "café.txt\t2 b\t" + d + "/tree.zip",
      "docs/report.pdf\t1000 b\t" + d + "/tree.cab",
      "docs/sub/notes.txt\t1 Kb\t" + d + "/tree.cab",
      "docs/report.pdf\t1000 b\t" + d + "/gnu.tar",
      "docs/sub/notes.txt\t1 Kb\t" + d + "/gnu.tar",
      "long/" + std::string(110, 'x') + ".txt\t2 b\t" + d + "/gnu.tar",
      "long/" + std::string(60, 'd') + "/" + std::string(50, 'n') + ".txt\t5 b\t" + d + "/gnu.tar",
      "docs/a.txt\t5 b\t" + d + "/basic.rar",
      "docs/a.txt\t5 b\t" + d + "/tree.ace",
      "docs/b.txt\t1 Kb\t" + d + "/tree.ace",
      "docs/sub/notes.txt\t1 Kb\t" + d + "/tree.arj",
      "docs/report.pdf\t1000 b\t" + d + "/tree.arj",
      "café.txt\t2 b\t" + d + "/tree.arj",
      "docs/sub/a.txt\t3 b\t" + d + "/level1.lzh",
      "docs/named.txt\t3 b\t" + d + "/level1.lzh",
      "a.txt\t5 b\t" + d + "/tree.zoo",
      "gone.txt\t1 Kb\t" + d + "/tree.zoo",
      "c.txt\t2 Mb\t" + d + "/tree.zoo",
      "report.pdf\t1000 b\t" + d + "/tree.arc",
      "docs/report.pdf\t1000 b\t" + d + "/sub/Streamed.ZIP",
      "docs/sub/notes.txt\t1 Kb\t" + d + "/sub/Streamed.ZIP",
  };
  fs::remove_all(dir);
  for (const std::string& row : expected) {
    EXPECT_TRUE(rows.count(row)) << "missing: " << row;
  }
  for (const std::string& row : rows) {
    if (row.empty()) continue;
    EXPECT_TRUE(expected.count(row)) << "unexpected: " << row;
  }
}

}  // namespace
