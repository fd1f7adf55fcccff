// Compound (structured-storage) files opened for reading, and their streams.
//
// The container is read with libgsf; no libgsf or glib header appears here,
// so code that includes Qt can include this header.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace tessaly::extract {

// A file that cannot be opened or is no compound document; what() names
// the file and the cause.
class TStorageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TCompoundFile {
 public:
  // Opens `path` for reading. Throws TStorageError with the platform's
  // text (Cannot open file "<path>": <system text>) when the file cannot be
  // opened, and "'<path>' is not a compound document" when its bytes are
  // no compound file.
  explicit TCompoundFile(const std::string& path);
  ~TCompoundFile();
  TCompoundFile(const TCompoundFile&) = delete;
  TCompoundFile& operator=(const TCompoundFile&) = delete;

  // The bytes of the stream `name` in the root storage, at most `maxBytes`
  // of them; nothing when the root has no such stream. Throws TStorageError
  // when the stream cannot be read.
  std::optional<std::string> ReadStream(const std::string& name, std::size_t maxBytes) const;

  const std::string& Path() const { return path_; }

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
  std::string path_;
};

}  // namespace tessaly::extract
