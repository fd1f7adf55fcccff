// Reading archives through libarchive, over our own byte sources: the
// listing of the formats our header readers do not cover (compressed
// tarballs, 7-Zip, ISO 9660, cpio, single compressed files) and the member
// data that content searches read, within the limits of ArchiveLimits.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "archives/ArchiveMember.h"
#include "archives/ByteSource.h"
#include "engine/ReadVerdict.h"
#include "engine/SearchCriteria.h"

struct archive;

namespace tessaly::archives {

// Which formats libarchive is allowed to take the bytes for. Only the
// compressions built into the library are enabled (gzip, bzip2, xz, lzma,
// lzip, zstd, compress): no outside program is ever started for a filter.
enum class LibFamily {
  Tarball,   // tar (GNU, POSIX) behind any of the compressions, or none
  SevenZip,
  Iso,       // ISO 9660 with Joliet and Rock Ridge
  Cpio,      // cpio behind any of the compressions, or none
  Single,    // one compressed file; a tarball or cpio archive inside is listed as such
  Members,   // member data of any format libarchive reads (content searches)
};

struct LibEntry {
  std::string name;  // UTF-8, `/` separators; directories end in `/`
  bool folder = false;
  std::optional<std::uint64_t> size;  // uncompressed, when the header says it
  bool encrypted = false;             // its data cannot be read without a password
};

// Why a step or a member's data failed.
enum class LibFault { None, Damaged, PasswordRequired, NotSupported, TooLarge, Stopped };

// One open archive. Not copyable; the source must outlive it. A stop flag,
// when given, ends every read within one 64 KiB piece.
class TLibArchive {
 public:
  TLibArchive(TByteSource& source, LibFamily family, const std::atomic<bool>* stop = nullptr);
  ~TLibArchive();
  TLibArchive(const TLibArchive&) = delete;
  TLibArchive& operator=(const TLibArchive&) = delete;

  // The next member's header: true with `entry` filled, false at the end
  // or on a fault (Fault() tells which).
  bool Next(LibEntry& entry);
  LibFault Fault() const { return fault_; }
  // True when no compression was found in front of the data (Single: the
  // file is not of the type its name says).
  bool Uncompressed() const;
  // True when the format read is libarchive's raw one (a single file).
  bool Raw() const;

  // The current member's data into `out` (replaced), at most `limit` bytes:
  // TooLarge past the limit or when the data expands more than the bomb
  // ratio allows; Damaged, PasswordRequired or NotSupported when the data
  // cannot be decoded; Stopped when the stop flag was raised. Counts the
  // bytes read into DataRead().
  LibFault ReadData(std::string& out, std::uint64_t limit);
  // Reads and discards the current member's data, counting it (a size the
  // header does not give). Nothing when a fault ends the read.
  std::optional<std::uint64_t> CountData();
  std::uint64_t DataRead() const { return dataRead_; }

 private:
  struct Callbacks;
  LibFault FaultOfError() const;
  std::unique_ptr<Callbacks> state_;
  ::archive* archive_ = nullptr;
  LibFault fault_ = LibFault::None;
  bool opened_ = false;
  std::uint64_t dataRead_ = 0;
};

// Lists `source` as `family` through libarchive and hands each member to
// `sink`, in archive order. Directory members show "[folder]" and are left
// out when "Include subfolders" is off. A single compressed file gives one
// member: named by the name its gzip header stores, else by the source's
// name without its last suffix, with its uncompressed size as the format
// says it (gzip, zstd, lzip, lzma), else as its data counts. Notes the
// source damaged (cut short) when a header or the compressed stream
// cannot be read, not of its format when nothing in it is readable, and
// the password required when its headers are encrypted.
void ListLibArchive(const engine::SearchCriteria& criteria, TByteSource& source, LibFamily family,
                    TMemberSink& sink);

// The uncompressed size a single compressed file states, when it does:
// gzip's ISIZE, zstd's frame content size, lzip's member trailer, lzma's
// header. Nothing for bzip2, xz, compress and unknown bytes.
std::optional<std::uint64_t> StatedSingleSize(TByteSource& source);
// The original file name a gzip header stores, when it stores one.
std::optional<std::string> GzipStoredName(TByteSource& source);

}  // namespace tessaly::archives
