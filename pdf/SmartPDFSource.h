// TSmartPDFSource: the bytes of a PDF file opened for direct access, read by
// offset and size. The direct-access reader never holds the whole file: it
// asks for the header, the tail, the cross-reference data and single objects.
// A file-backed source (read-only) and a memory-backed one (tests, fuzzing).
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

namespace tessaly::pdf {

class TSmartPDFSource {
 public:
  virtual ~TSmartPDFSource() = default;

  // Size of the file in bytes.
  virtual std::int64_t Size() const = 0;
  // Up to `count` bytes from `offset`: a negative offset counts as 0, the
  // result is cut at the end of the file, and it is empty when `count` is
  // not positive or the offset lies at or beyond the end. Never throws for
  // offsets or counts out of range.
  std::string Read(std::int64_t offset, std::int64_t count);

  // Total bytes handed out by Read so far (the benchmark reports it).
  std::uint64_t BytesRead() const { return bytesRead_; }

 protected:
  // Reads exactly `count` bytes at `offset`, both already checked against
  // Size(); returns fewer only when the underlying file shrank.
  virtual std::string ReadRange(std::int64_t offset, std::int64_t count) = 0;

 private:
  std::uint64_t bytesRead_ = 0;
};

// Bytes held in memory (a copy of the text given).
class TSmartPDFMemorySource final : public TSmartPDFSource {
 public:
  explicit TSmartPDFMemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }

 protected:
  std::string ReadRange(std::int64_t offset, std::int64_t count) override;

 private:
  std::string bytes_;
};

// A file opened read-only; it stays open as long as the source lives and is
// closed by the destructor. Others may read and write it meanwhile.
class TSmartPDFFileSource final : public TSmartPDFSource {
 public:
  // Opens `path`; IsOpen() tells whether that worked. Never throws.
  explicit TSmartPDFFileSource(const std::string& path);
  bool IsOpen() const { return open_; }
  std::int64_t Size() const override { return size_; }

 protected:
  std::string ReadRange(std::int64_t offset, std::int64_t count) override;

 private:
  std::ifstream file_;
  std::int64_t size_ = 0;
  bool open_ = false;
};

}  // namespace tessaly::pdf
