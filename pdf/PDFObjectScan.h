// TPDFObjectScan: one linear pass over a PDF file's bytes that finds every
// "N G obj" header and every "trailer" keyword. Both readers use it to
// rebuild their object index when a file's cross-reference data is wrong or
// missing. The bytes are fed in pieces of any size, in file order, so the
// direct-access reader can scan a file with bounded sequential reads; the
// scan keeps only a short overlap between pieces.
//
// A hostile file costs one pass: every byte is looked at a bounded number of
// times, at most kMaxScanBytes are scanned and at most kMaxHeaders headers
// are kept.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tessaly::pdf {

class TPDFObjectScan {
 public:
  // Bytes of a file scanned at most (256 MiB): a damaged file larger than
  // that is rebuilt from its first 256 MiB only. The whole-file loader holds
  // such a file in memory anyway; the direct-access reader reads this much
  // at most while a tooltip waits.
  static constexpr std::int64_t kMaxScanBytes = std::int64_t{256} << 20;
  // Object headers kept at most: real files have up to some hundred
  // thousand objects; each header costs 24 bytes.
  static constexpr std::size_t kMaxHeaders = 2'000'000;
  // "trailer" keywords kept at most, the newest ones: a rebuild looks at the
  // last ones only.
  static constexpr std::size_t kMaxTrailers = 64;
  // The bytes after "obj" looked at for the object's kind (/Type /XRef,
  // /ObjStm or /Catalog in its dictionary).
  static constexpr std::size_t kKindWindow = 256;

  enum TKind : std::uint8_t {
    kPlain = 0,
    kXRefStream = 1,
    kObjectStream = 2,
    kCatalog = 4,
    // A document information dictionary: /Producer, /Creator, /Author,
    // /Title or /CreationDate, and no /Type, /Subtype or /Parent (outline
    // items and annotations have those).
    kInfo = 8,
  };

  struct THeader {
    std::int64_t offset = 0;  // of the object number's first digit
    std::int32_t number = 0;
    std::int32_t generation = 0;
    std::uint8_t kind = kPlain;
  };

  // The next bytes of the file, in order. Bytes past kMaxScanBytes are
  // ignored.
  void Feed(std::string_view bytes);
  // Ends the scan: the bytes held back for the overlap are looked at.
  void Finish();
  // True when feeding more bytes would change nothing (a cap was reached).
  bool Full() const { return full_; }

  // Every header found, in file order.
  const std::vector<THeader>& Headers() const { return headers_; }
  // Offsets just past the newest "trailer" keywords, oldest first.
  const std::vector<std::int64_t>& Trailers() const { return trailers_; }
  // The last header of each object number (a later definition in the file
  // wins, as an incremental update does), in file order.
  std::vector<THeader> Newest() const;

 private:
  void Scan(bool final);
  void LookAtObj(std::size_t at);
  void LookAtTrailer(std::size_t at);

  std::string buffer_;          // bytes not yet looked at, with the overlap
  std::int64_t bufferStart_ = 0;  // file offset of buffer_[0]
  std::size_t done_ = 0;        // buffer_ bytes before this were looked at
  std::int64_t fed_ = 0;
  bool full_ = false;
  std::vector<THeader> headers_;
  std::vector<std::int64_t> trailers_;
};

}  // namespace tessaly::pdf
