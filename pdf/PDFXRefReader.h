// TPDFXRefReader: reads the cross-reference information of a PDF file held
// in memory — classic tables and cross-reference streams, following /Prev
// and /XRefStm from the section that startxref names — and hands every entry
// and trailer it meets to its two events, newest section first.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>

namespace tessaly::pdf {

// Raised when the /Prev and /XRefStm chain comes back to a section already
// read, or grows past kMaxSectionChain; either fails the whole load.
class TPDFXRefChainError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TPDFXRefReader {
 public:
  // Real files have one section per incremental update, rarely more than a
  // few hundred; the cap keeps the section recursion's stack use bounded.
  static constexpr int kMaxSectionChain = 4096;
  // The window searched for "xref" or " obj" around a section offset, and
  // how far before the offset it starts.
  static constexpr std::int64_t kSectionWindow = 40;
  static constexpr std::int64_t kSectionLead = 10;
  // Bytes searched for a trailer after a table, and for a cross-reference
  // stream's dictionary.
  static constexpr std::int64_t kTrailerWindow = 2048;
  // The tail searched for "%%EOF", and the bytes before it searched for the
  // startxref number.
  static constexpr std::int64_t kTailWindow = 1024;
  static constexpr std::int64_t kStartXRefWindow = 5000;
  // The tail searched for the word "startxref" when the number before
  // "%%EOF" leads nowhere (a missing "%%EOF", or more than 1024 bytes after
  // it).
  static constexpr std::int64_t kStartXRefSearch = 64 * 1024;

  // One cross-reference entry: object number, value (offset, or object-stream
  // number for "c"), type letter ('n' in use, 'f' free, 'c' compressed, ' '
  // unknown) and extra (generation, or index in the object stream).
  using TEntryEvent = std::function<void(std::int64_t number, std::int64_t value, char type, std::int64_t extra)>;
  // A trailer (or cross-reference stream dictionary) in its text form.
  using TTrailerEvent = std::function<void(const std::string& dictionaryText)>;

  explicit TPDFXRefReader(std::string_view fileText) : fileText_(fileText) {}

  TEntryEvent OnEntry;
  TTrailerEvent OnTrailer;

  // The offset that the startxref line before the last "%%EOF" of the
  // file's last 1024 bytes gives; 0 when there is no "%%EOF", no number or
  // one beyond 32 bits.
  std::int64_t FindStartXRef() const;
  // The number right after the last word "startxref" of the file's last
  // 64 KiB (white space between), or nothing.
  std::optional<std::int64_t> FindStartXRefWord() const;

  // Where a section leads: whether it was read, and the /XRefStm and /Prev
  // offsets it names.
  struct TSectionLinks {
    bool ok = false;
    std::optional<std::int64_t> xrefStm;
    std::optional<std::int64_t> prev;
  };

  // Reads the section at `offset` and, through /XRefStm and /Prev, every
  // older one; the /Prev chain is followed in a loop. False when a section
  // of the /Prev chain cannot be read (a failing /XRefStm section is passed
  // over). Throws TPDFXRefChainError for a loop or an overlong chain.
  bool ReadSectionAt(std::int64_t offset);
  // A classic table starting right after the word "xref", with its trailer.
  TSectionLinks ReadTable(std::int64_t offset);
  // A cross-reference stream whose dictionary starts at `offset` (right
  // after "obj").
  TSectionLinks ReadXRefStream(std::int64_t offset);

  // The file's bytes from offset (a negative one counts as 0), cut at the
  // end of the file; empty when count is not positive.
  std::string_view ReadBytes(std::int64_t offset, std::int64_t count) const;

  // Reads a field of `width` bytes (0 to 8), most significant byte first,
  // at `pos` of `data` and advances `pos` by the width. A width of 0 gives
  // `def`; a field that does not lie wholly inside the data gives 0.
  static std::uint64_t ReadField(std::string_view data, std::size_t& pos, int width, std::uint64_t def);

 private:
  std::string_view fileText_;
  // /XRefStm sections are read by recursion; real files nest them once.
  static constexpr int kMaxXRefStmNesting = 16;

  TSectionLinks ReadOneSection(std::int64_t offset);
  // The offset past the comments (and the white space between them) at
  // `offset`; `offset` itself when no comment is there.
  std::int64_t SkipComments(std::int64_t offset) const;

  std::unordered_set<std::int64_t> visited_;
  int nesting_ = 0;
};

}  // namespace tessaly::pdf
