// `tessaly --search` with the cache of extracted text: a repeat search
// starts no converter (a stand-in pdftotext on PATH counts its runs), a
// file rewritten at the same size and set back to its old times is
// converted again, a search killed while another runs leaves a cache whose
// next answer is the uncached one, a damaged, read-only or full cache gives
// the uncached rows with one message, and --no-cache and --cache
// stats|prune|clear do what they say.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <thread>

#include "RunTessaly.h"

namespace fs = std::filesystem;
using tessaly::test::RunResult;
using tessaly::test::Tessaly;

namespace {

// A one-page PDF whose page shows `text` (no compression, exact offsets).
std::string OnePagePdf(const std::string& text) {
  const std::string stream = "BT /F1 12 Tf 72 720 Td (" + text + ") Tj ET";
  const std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 5 0 R >> >> "
      "/Contents 4 0 R >>",
      "<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream + "\nendstream",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
  };
  std::string pdf = "%PDF-1.4\n";
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const std::size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (const std::size_t o : offsets) {
    char line[24];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", o);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The names of --rows output, one a line.
std::string Names(const std::string& rows) {
  std::string names;
  for (const std::string& line : Lines(rows)) names += line.substr(0, line.find('\t')) + "\n";
  return names;
}

std::size_t CacheMessages(const std::string& err) {
  std::size_t n = 0;
  for (const std::string& line : Lines(err))
    if (line.find("text cache") != std::string::npos) ++n;
  return n;
}

class ConsoleCache : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access("/usr/bin/pdftotext", X_OK) != 0) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    root_ = (fs::temp_directory_path() / ("tessaly-console-cache-" + std::to_string(::getpid()))).string();
    fs::remove_all(root_);
    fs::create_directories(root_ + "/docs");
    fs::create_directories(root_ + "/bin");
    fs::create_directories(root_ + "/cache");
    previousCache_ = std::getenv("XDG_CACHE_HOME") ? std::getenv("XDG_CACHE_HOME") : "";
    ::setenv("XDG_CACHE_HOME", (root_ + "/cache").c_str(), 1);
    // The stand-in counts its runs, then converts as the real one does.
    Put("bin/pdftotext", "#!/bin/sh\necho run >> " + root_ + "/runs\nexec /usr/bin/pdftotext \"$@\"\n");
    ::chmod((root_ + "/bin/pdftotext").c_str(), 0755);
  }
  void TearDown() override {
    for (const std::string& m : mounts_) ::umount2(m.c_str(), MNT_DETACH);
    if (!root_.empty()) fs::remove_all(root_);
    if (!previousCache_.empty()) ::setenv("XDG_CACHE_HOME", previousCache_.c_str(), 1);
  }
  void Put(const std::string& rel, const std::string& bytes) {
    std::ofstream(root_ + "/" + rel, std::ios::binary) << bytes;
  }
  // Files changed less than 2 s before their conversion are not kept: the
  // test's documents are left alone that long once made.
  static void LetSettle() { std::this_thread::sleep_for(std::chrono::milliseconds(2100)); }
  int Runs() const { return static_cast<int>(Lines(Read(root_ + "/runs")).size()); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> SearchArgs(const std::string& word) const {
    return {"--search", "-l", root_ + "/docs", "-t", "PDF", "-c", word, "--rows", "--sort", "name", "--pdf-text", "pdftotext"};
  }
  RunResult Search(const std::string& word, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = SearchArgs(word);
    args.insert(args.end(), extra.begin(), extra.end());
    return Tessaly(args, Path().c_str());
  }
  RunResult Cache(const std::string& command) { return Tessaly({"--cache", command}, Path().c_str()); }
  std::string Path() const { return root_ + "/bin:/usr/bin:/bin"; }
  std::string CacheFile() const { return root_ + "/cache/tessaly/textcache.db"; }
  bool Mount(const std::string& source, const std::string& target, const char* type, unsigned long flags,
             const char* data) {
    if (::mount(source.c_str(), target.c_str(), type, flags, data) != 0) return false;
    mounts_.push_back(target);
    return true;
  }

  std::string root_;
  std::string previousCache_;
  std::vector<std::string> mounts_;
};

TEST_F(ConsoleCache, ARepeatSearchStartsNoConverterAndARewriteIsConvertedAgain) {
  Put("docs/memo.pdf", OnePagePdf("harbour zeppelin notes"));
  Put("docs/other.pdf", OnePagePdf("nothing to see here"));
  LetSettle();
  RunResult r = Search("zeppelin");
  EXPECT_EQ(Names(r.out), "memo.pdf\n") << r.err;
  EXPECT_EQ(Runs(), 2);
  r = Search("zeppelin");
  EXPECT_EQ(Names(r.out), "memo.pdf\n") << r.err;
  EXPECT_EQ(Runs(), 2) << "the repeat search was answered from the cache";

  // Other text of the same length, its times set back to the old ones: only
  // the status-change time tells.
  const std::string memo = root_ + "/docs/memo.pdf";
  struct stat before {};
  ASSERT_EQ(::stat(memo.c_str(), &before), 0);
  Put("docs/memo.pdf", OnePagePdf("harbour qqqqqqqq notes"));
  const struct timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, memo.c_str(), times, 0), 0);
  struct stat after {};
  ASSERT_EQ(::stat(memo.c_str(), &after), 0);
  ASSERT_EQ(after.st_size, before.st_size);
  r = Search("zeppelin");
  EXPECT_EQ(r.out, "") << r.err;
  EXPECT_EQ(Runs(), 3) << "memo.pdf converted again, other.pdf from the cache";
  r = Search("qqqqqqqq");
  EXPECT_EQ(Names(r.out), "memo.pdf\n") << r.err;
}

TEST_F(ConsoleCache, NoCacheConvertsEveryTimeAndKeepsNothing) {
  Put("docs/memo.pdf", OnePagePdf("harbour zeppelin notes"));
  LetSettle();
  for (int i = 0; i < 2; ++i) {
    const RunResult r = Search("zeppelin", {"--no-cache"});
    EXPECT_EQ(r.status, 0) << r.err;
  }
  EXPECT_EQ(Runs(), 2);
  EXPECT_FALSE(fs::exists(CacheFile())) << "a search without the cache does not even make it";
}

TEST_F(ConsoleCache, StatsPruneAndClear) {
  Put("docs/a.pdf", OnePagePdf("harbour zeppelin one"));
  Put("docs/b.pdf", OnePagePdf("harbour zeppelin two"));
  LetSettle();
  Search("zeppelin");
  Search("zeppelin");
  RunResult r = Cache("stats");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("entries:  2\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("2 looked up, 2 found, 0 kept"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("2 looked up, 0 found, 2 kept"), std::string::npos) << r.out;

  fs::remove(root_ + "/docs/b.pdf");
  r = Cache("prune");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("pruned: 1 entries"), std::string::npos) << r.out;
  EXPECT_NE(Cache("stats").out.find("entries:  1\n"), std::string::npos);

  r = Cache("clear");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(Cache("stats").out.find("entries:  0\n"), std::string::npos);
  Search("zeppelin");
  EXPECT_EQ(Runs(), 3) << "after clear the text is converted again";

  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case usage[] = {
      {{"--cache"}, "--cache takes stats, prune or clear"},
      {{"--cache", "purge"}, "not 'purge'"},
      {{"--cache", "prune", "--cache-size", "12x"}, "--cache-size takes a size"},
      {{"--search", "-l", "/tmp", "--cache-size", "1K"}, "--cache-size takes a size"},
  };
  for (const Case& c : usage) {
    r = Tessaly(c.args);
    EXPECT_EQ(r.status, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

TEST_F(ConsoleCache, ASearchKilledBesideAnotherLeavesACacheThatAnswersAsUncached) {
  // A slow stand-in, so that the kill comes in the middle of the search.
  Put("bin/pdftotext",
      "#!/bin/sh\necho run >> " + root_ + "/runs\nsleep 0.05\nexec /usr/bin/pdftotext \"$@\"\n");
  for (int i = 0; i < 60; ++i)
    Put("docs/doc" + std::to_string(100 + i) + ".pdf",
        OnePagePdf(i % 3 == 0 ? "harbour zeppelin " + std::to_string(i) : "quiet page " + std::to_string(i)));
  LetSettle();
  auto start = [&] {
    const pid_t pid = ::fork();
    if (pid == 0) {
      std::freopen("/dev/null", "w", stdout);
      std::freopen("/dev/null", "w", stderr);
      ::setenv("PATH", Path().c_str(), 1);
      std::vector<std::string> args = SearchArgs("zeppelin");
      args.insert(args.begin(), std::string(TESSALY_BIN_DIR) + "/tessaly");
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    return pid;
  };
  const pid_t killed = start(), other = start();
  int status = 0;
  bool ended = false;
  while (Runs() < 40 && !ended) {
    ended = ::waitpid(killed, &status, WNOHANG) != 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_FALSE(ended) << "the search to be killed ended first";
  ::kill(killed, SIGKILL);
  ::waitpid(killed, &status, 0);
  ::waitpid(other, &status, 0);
  const RunResult cached = Search("zeppelin");
  const RunResult plain = Search("zeppelin", {"--no-cache"});
  EXPECT_EQ(Lines(cached.out).size(), 20u) << cached.out;
  EXPECT_EQ(cached.out, plain.out);
  EXPECT_EQ(CacheMessages(cached.err), 0u) << cached.err;
}

TEST_F(ConsoleCache, ADamagedReadOnlyOrFullCacheGivesTheUncachedRowsWithOneMessage) {
  for (int i = 0; i < 12; ++i)
    Put("docs/doc" + std::to_string(i) + ".pdf",
        OnePagePdf((i % 2 ? "harbour zeppelin " : "quiet ") + std::string(3000, 'a' + i % 26)));
  LetSettle();
  const std::string plain = Search("zeppelin", {"--no-cache"}).out;
  ASSERT_EQ(Lines(plain).size(), 6u);
  const std::string folder = root_ + "/cache/tessaly";
  struct Case {
    const char* what;
    std::function<bool()> make;  // false: cannot be made here
  };
  const Case cases[] = {
      {"random bytes in the cache file",
       [&] {
         Search("zeppelin");
         std::mt19937 random(11);
         std::string noise(4096, '\0');
         for (char& c : noise) c = static_cast<char>(random());
         std::ofstream(CacheFile(), std::ios::binary | std::ios::trunc) << noise;
         return true;
       }},
      {"a cache folder that cannot be written",
       [&] {
         fs::remove_all(folder);
         fs::create_directories(folder);
         if (::geteuid() != 0) return ::chmod(folder.c_str(), 0500) == 0;
         return Mount(folder, folder, nullptr, MS_BIND, nullptr) &&
                Mount(folder, folder, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr);
       }},
      {"a full disk", [&] {
         fs::remove_all(folder);
         fs::create_directories(folder);
         return Mount("tessaly-test", folder, "tmpfs", 0, "size=48k,mode=0700");
       }},
  };
  for (const Case& c : cases) {
    if (!c.make()) {
      std::printf("skipped: %s (no mount permission here)\n", c.what);
      continue;
    }
    const RunResult r = Search("zeppelin");
    EXPECT_EQ(r.out, plain) << c.what;
    EXPECT_EQ(CacheMessages(r.err), 1u) << c.what << "\n" << r.err;
    for (const std::string& m : mounts_) ::umount2(m.c_str(), MNT_DETACH);
    mounts_.clear();
    ::chmod(folder.c_str(), 0700);
  }
}

}  // namespace
