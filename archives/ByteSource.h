// Byte sources the archive readers walk: a bounds-checked random-access view
// of an archive (in memory for tests and fuzzers, a file for real archives)
// and a cursor with little-endian field readers over it.
//
// No read ever reaches outside the source: a read that asks for more bytes
// than are left fails and puts the cursor at the end, so every later read
// fails too. Readers therefore end their walk at the first short read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ReadOnlyFile.h"

namespace tessaly::archives {

class TByteSource {
 public:
  virtual ~TByteSource() = default;
  // Total size in bytes.
  virtual std::uint64_t Size() const = 0;
  // Copies up to `count` bytes at `offset` into `out`; returns how many were
  // copied (fewer only at the end of the source or on a read error).
  virtual std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t count) = 0;

  // Set by a reader that finds the source cut short: a header or a
  // member's data running past the end, an entry count not reached, an end
  // marker that every archive of the format has missing.
  bool CutShort() const { return cutShort_; }
  void NoteCutShort() { cutShort_ = true; }
  // Set by a reader whose format's signature is not where it belongs: the
  // file is not of the type its name says.
  bool NotOfFormat() const { return notOfFormat_; }
  void NoteNotOfFormat() { notOfFormat_ = true; }
  // Set by a reader whose archive keeps its headers encrypted: the member
  // names cannot be read without the password.
  bool PasswordRequired() const { return passwordRequired_; }
  void NotePasswordRequired() { passwordRequired_ = true; }

  // The archive's file name (or member path), for readers that name a
  // member after it (a single compressed file without a stored name).
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

 private:
  std::string name_;
  bool cutShort_ = false;
  bool notOfFormat_ = false;
  bool passwordRequired_ = false;
};

// A source over bytes owned by the caller, which must outlive it.
class TMemorySource : public TByteSource {
 public:
  TMemorySource(const void* data, std::size_t size)
      : data_(static_cast<const unsigned char*>(data)), size_(size) {}
  explicit TMemorySource(const std::string& bytes) : TMemorySource(bytes.data(), bytes.size()) {}
  explicit TMemorySource(const std::vector<unsigned char>& bytes)
      : TMemorySource(bytes.data(), bytes.size()) {}
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t count) override;

 private:
  const unsigned char* data_;
  std::size_t size_;
};

// The bytes of `base` from `offset` on (an archive appended to a program);
// the notes a reader makes go to the base as well.
class TSliceSource : public TByteSource {
 public:
  TSliceSource(TByteSource& base, std::uint64_t offset)
      : base_(base), offset_(offset < base.Size() ? offset : base.Size()) {}
  ~TSliceSource() override;
  std::uint64_t Size() const override { return base_.Size() - offset_; }
  std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t count) override {
    return offset > Size() ? 0 : base_.ReadAt(offset_ + offset, out, count);
  }

 private:
  TByteSource& base_;
  std::uint64_t offset_;
};

// A read-only open file. Small reads go through one small aligned window, so
// the readers' byte-sized header reads cost one file read per window, a seek
// over member data reads nothing, and only the bytes around headers are
// taken from the file. Reads of a window or more go to the file directly.
// Closed by the destructor.
class TFileSource : public TByteSource {
 public:
  // Opens `path` for reading; nothing when it cannot be opened or is not a
  // regular file (a folder, a device). A read error later reads as the end
  // of the file.
  static std::unique_ptr<TFileSource> Open(const std::string& path);
  ~TFileSource() override;
  TFileSource(const TFileSource&) = delete;
  TFileSource& operator=(const TFileSource&) = delete;

  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t count) override;
  // Bytes taken from the file so far (whole windows).
  std::uint64_t BytesRead() const { return bytesRead_; }

 private:
  // One header with its name fits; a larger window would mostly carry
  // member data that is never looked at.
  static constexpr std::size_t kWindow = 512;
  TFileSource(std::unique_ptr<platform::ReadOnlyFile> file, std::uint64_t size);
  bool LoadWindow(std::uint64_t start);

  std::unique_ptr<platform::ReadOnlyFile> file_;
  std::uint64_t size_;
  std::vector<unsigned char> window_;
  std::uint64_t windowStart_ = 0;
  std::size_t windowLength_ = 0;
  bool windowValid_ = false;
  std::uint64_t bytesRead_ = 0;
};

// A position in a source with the readers' field reads. All multi-byte
// numbers are little-endian. A failed read moves the position to the end.
class TByteCursor {
 public:
  explicit TByteCursor(TByteSource& source, std::uint64_t position = 0)
      : source_(source), size_(source.Size()), pos_(position) {}

  std::uint64_t Position() const { return pos_; }
  std::uint64_t Size() const { return size_; }
  std::uint64_t Remaining() const { return pos_ < size_ ? size_ - pos_ : 0; }
  bool AtEnd() const { return pos_ >= size_; }

  // Any position is allowed; one at or past the end makes every read fail.
  void Seek(std::uint64_t position) { pos_ = position; }
  // Moves forward by `count`, saturating instead of wrapping around.
  void Skip(std::uint64_t count) { pos_ = count > UINT64_MAX - pos_ ? UINT64_MAX : pos_ + count; }

  // All-or-nothing reads: true and advanced, or false and at the end.
  bool Read(void* out, std::size_t count);
  bool U8(std::uint8_t& v);
  bool U16(std::uint16_t& v);
  bool U32(std::uint32_t& v);
  bool U64(std::uint64_t& v);
  // `count` bytes as a string, or nothing (cursor at the end).
  std::optional<std::string> Bytes(std::size_t count);

 private:
  TByteSource& source_;
  std::uint64_t size_;
  std::uint64_t pos_;
};

// Little-endian numbers from a byte buffer the caller has bounds-checked.
inline std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t Le64(const unsigned char* p) {
  return static_cast<std::uint64_t>(Le32(p)) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32);
}

}  // namespace tessaly::archives
