// A private folder for one test, with helpers to write files and small
// converter scripts, and a work folder of its own (XDG_RUNTIME_DIR points
// into it while the test runs).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/WorkFolder.h"

namespace tessaly::test {

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    hadRuntime_ = old != nullptr;
    if (old) oldRuntime_ = old;
    ::setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
    workFolder_ = platform::WorkFolder();
  }
  void TearDown() override {
    if (hadRuntime_) ::setenv("XDG_RUNTIME_DIR", oldRuntime_.c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  std::string Path(const std::string& name) const { return folder_ + "/" + name; }

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = Path(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // An executable /bin/sh script `name` with `body`.
  std::string Script(const std::string& name, const std::string& body) {
    const std::string path = Write(name, "#!/bin/sh\n" + body + "\n");
    ::chmod(path.c_str(), 0755);
    return path;
  }

  std::string Read(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // Names in the work folder.
  std::vector<std::string> WorkFiles() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(workFolder_)) names.push_back(e.path().filename());
    return names;
  }

  std::string folder_;
  std::string workFolder_;

 private:
  bool hadRuntime_ = false;
  std::string oldRuntime_;
};

}  // namespace tessaly::test
