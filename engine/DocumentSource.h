// A document to read: a file on disk, or bytes in memory named as an
// archive member. Readers take a source, never a bare path, so the same
// readers serve files and members; the first block that the kind decision
// reads is kept for the reader, so telling the kind costs no second read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace tessaly::engine {

class TDocumentSource {
 public:
  // The file at `path`, opened on first need (read-only, never blocking on
  // a FIFO or device, which count as empty: only regular files are read).
  explicit TDocumentSource(std::string path);
  // `bytes` named `name` (an archive member's path inside its archive).
  TDocumentSource(std::string name, std::string bytes);
  ~TDocumentSource();
  TDocumentSource(const TDocumentSource&) = delete;
  TDocumentSource& operator=(const TDocumentSource&) = delete;

  // The path of a file, or the member's name: what markers are looked for in.
  const std::string& Name() const { return name_; }
  bool InMemory() const { return inMemory_; }

  // The first kFirstBlockSize bytes (fewer for a shorter file), read once.
  // Throws std::system_error when the file cannot be opened or read.
  std::string_view FirstBlock();
  // True when the first block holds the whole document.
  bool FirstBlockIsAll();

  // The next bytes after everything handed out so far (the first block
  // counts as handed out once asked for): at most `size` bytes into
  // `buffer`, 0 at the end. Throws std::system_error on a read error.
  std::size_t Read(char* buffer, std::size_t size);

  // A path that outside programs and path-based libraries can open: the
  // file itself, or a private copy of the bytes in the work folder (mode
  // 0600, created exclusively, removed with the source). Throws
  // std::system_error when the copy cannot be written.
  const std::string& ToolPath();

  // The whole document in memory (members only; empty for files).
  std::string_view Bytes() const { return bytes_; }

  // The open file's status by fstat on the descriptor read from (files
  // only; nothing before the file is opened or when it cannot be).
  std::optional<struct stat> Status();

 private:
  void Open();

  std::string name_;
  bool inMemory_ = false;
  std::string bytes_;        // members
  int fd_ = -1;              // files, once opened
  bool opened_ = false;
  bool regular_ = true;
  std::unique_ptr<char[]> firstBuffer_;  // a file's first block (not zero-filled)
  std::string_view first_;   // the first block, once read
  bool firstRead_ = false;
  bool firstIsAll_ = false;
  std::uint64_t offset_ = 0; // bytes handed out so far
  std::string copyPath_;     // the private copy of a member, when made
};

}  // namespace tessaly::engine
