// An office package (Office Open XML or OpenDocument) opened for reading:
// the ZIP container through libzip, its XML parts through TXmlReader.
//
// Every family reader (Word, Excel, PowerPoint, OpenDocument) reads its parts
// through one TOfficePackage, which holds the limits for the whole document:
// - kMaxPackageXmlBytes of inflated XML per document, counted over all parts
//   read: more than the largest real documents hold, and at most a few
//   seconds of parsing, so neither a package bomb nor a huge file costs
//   minutes or the memory;
// - a compression-ratio guard: a member larger than kRatioCheckFloor bytes
//   (by its declared size, or by what it has inflated to so far) and more
//   than kMaxCompressionRatio times its compressed size is a bomb and is
//   not read on (office XML compresses 5 to 30 fold);
// - at most kMaxPackageMembers members: the most a ZIP file without the
//   64-bit extension holds; office programs write a few hundred.
// A limit reached ends the part (the ratio guard) or the document (the
// others) with PackageStatus::TooLarge; what was read before stays.
//
// A package cut short (a download or copy that stopped) has lost its ZIP
// directory, which comes last. When it is at most kMaxRepairedPackageBytes,
// its members are then found from their own headers, in a copy held in
// memory: the outcome is Damaged, and the text before the cut is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "extract/PackageStatus.h"
#include "extract/XmlReader.h"

struct zip;

namespace tessaly::extract {


inline constexpr std::uint64_t kMaxPackageXmlBytes = 256ull << 20;
inline constexpr std::uint64_t kMaxCompressionRatio = 200;
inline constexpr std::uint64_t kRatioCheckFloor = 16ull << 20;
inline constexpr std::uint64_t kMaxPackageMembers = 65535;
inline constexpr std::uint64_t kMaxRepairedPackageBytes = 64ull << 20;

// True when `bytes` start with a ZIP local file header ("PK\3\4"), as every
// office package does.
bool StartsLikePackage(std::string_view bytes);

// StartsLikePackage of the first bytes of the file at `path`. Throws
// std::system_error when the file cannot be opened or read.
bool LooksLikePackage(const std::string& path);

class TOfficePackage {
 public:
  // Opens the file at `path`. Throws std::system_error when the file cannot
  // be opened (missing, no permission); a file that is no ZIP file, or
  // whose directory is damaged, opens as a package with no members and
  // Outcome() Damaged.
  explicit TOfficePackage(const std::string& path);
  // Reads the package from memory; `bytes` must outlive the object.
  explicit TOfficePackage(std::string_view bytes);
  ~TOfficePackage();
  TOfficePackage(const TOfficePackage&) = delete;
  TOfficePackage& operator=(const TOfficePackage&) = delete;

  // Whether the package has the member `name` ("word/document.xml"); part
  // names are compared without regard to ASCII case, as packages require.
  bool Has(std::string_view name) const;
  // The members' names as stored, in the directory's order.
  const std::vector<std::string>& Names() const { return names_; }

  // Parses the member `name` as XML into `handler`. False when there is no
  // such member or nothing more may be read (Exhausted()); faults and limits
  // go into Outcome().
  bool ReadXml(std::string_view name, TXmlHandler& handler, XmlDialect dialect = XmlDialect::Office);

  // The first `limit` bytes at most of the member `name` as stored
  // inflated (a small member such as "mimetype"); nothing when there is no
  // such member or it cannot be read. Counts against the XML budget.
  std::optional<std::string> ReadSmall(std::string_view name, std::size_t limit);

  // True once reading must end: the XML budget is spent.
  bool Exhausted() const { return exhausted_; }
  const TPackageOutcome& Outcome() const { return outcome_; }
  void Note(PackageStatus status, const std::string& fault) { outcome_.Note(status, fault); }

 private:
  void Open(zip* archive, int error);
  // Opens the members of `bytes`, a package whose directory cannot be
  // read, from their local headers; nullptr when none is found.
  zip* Repair(std::string_view bytes, int error);

  std::string repaired_;  // the bytes with a rebuilt directory, when repaired
  zip* archive_ = nullptr;
  std::unordered_map<std::string, std::uint64_t> index_;  // lower-cased name -> member index
  std::vector<std::string> names_;
  std::unique_ptr<char[]> buffer_;
  std::uint64_t xmlBytes_ = 0;
  bool exhausted_ = false;
  TPackageOutcome outcome_;
};

}  // namespace tessaly::extract
