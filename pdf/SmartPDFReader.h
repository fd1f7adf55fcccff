// TSmartPDFReader: reads a PDF file by direct access.
//
// At creation the reader looks at the file's first 1024 bytes for the version
// header and at its last 2048 bytes for "startxref" and "%%EOF", then reads
// the cross-reference sections (classic tables and cross-reference streams)
// along the /Prev chain together with their trailers. Nothing else is read:
// every object is fetched later on demand, by seeking to its offset and
// reading up to the next known offset (at most 5 MB).
//
// Damaged files: offsets that do not fit as written are tried as counted
// from the "%PDF-" header (a file with a mail or web header before it); a
// file whose cross-reference data cannot be read, names no catalog or lists
// the catalog (or, later, any object) where it is not gets an index rebuilt
// by one scan of the file in bounded sequential reads.
//
// The reader keeps the objects it parses for itself (trailers, stream
// dictionaries, object streams) in its own store until it is destroyed.
// Parsing never throws for malformed input; a store that reaches its object
// limit throws TPDFObjectLimitError, which reaches the caller.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "pdf/PDFObjectScan.h"
#include "pdf/PDFStructure.h"
#include "pdf/SmartPDFSource.h"
#include "pdf/SortedNumberList.h"

namespace tessaly::pdf {

class TPDFObject;
class TPDFDictionary;
class TPDFIndRef;
class TPDFStream;
class TSmartPDFCrypt;

class TSmartPDFReader {
 public:
  // Values of Error().
  enum : int {
    kNoError = 0,
    kNoHeader = 1,  // no version header in the first 1024 bytes
    kNoXRef = 2,    // no usable cross-reference data or trailer
  };

  // An object read at most this far (5 MB): a longer object is cut.
  static constexpr std::int64_t kMaxObjectText = 5'242'880;
  // A cross-reference stream's data is read at most this far. Real streams
  // are a few bytes per object; the cap keeps a bogus /Length from pulling
  // a whole large file into memory.
  static constexpr std::int64_t kMaxXRefStreamData = 64 << 20;
  // Decoded object streams kept at most this large in all (each one is at
  // most the decoder's output cap).
  static constexpr std::uint64_t kMaxCachedObjectStreamBytes = 256u << 20;
  // Nested fetches (an object whose /Length is a reference, an object in an
  // object stream) go at most this deep; legal files need two levels.
  static constexpr int kMaxFetchDepth = 16;
  // The object streams a rebuild found are decoded to index their members
  // until this many bytes were decoded in all.
  static constexpr std::uint64_t kMaxIndexedObjectStreamBytes = 256u << 20;

  // One entry of the entry table.
  struct TEntry {
    std::int64_t first = 0;   // offset ('n'), next free object ('f'), object stream ('c')
    std::int64_t second = 0;  // generation ('n', 'f'), index in the object stream ('c')
    char type = 0;            // 'n', 'f', 'c' or the byte a table gave
    int section = 0;          // the section that gave it, 0 for the newest
  };

  // Reads the header and the cross-reference data of `source` (not owned;
  // it must outlive the reader). Error() tells the result.
  explicit TSmartPDFReader(TSmartPDFSource& source);
  ~TSmartPDFReader();
  TSmartPDFReader(const TSmartPDFReader&) = delete;
  TSmartPDFReader& operator=(const TSmartPDFReader&) = delete;

  int Error() const { return error_; }
  // The header's version text, for example "1.4".
  const std::string& Version() const { return version_; }
  // The number found after "startxref" (0 when none was found).
  std::int64_t StartXRef() const { return startXRef_; }
  // True once the index was rebuilt by scanning the file (for tests and
  // diagnostics; nothing is shown for it).
  bool Rebuilt() const { return rebuilt_; }
  // True when the newest trailer has an /Encrypt entry.
  bool Encrypted() const;
  // The newest trailer dictionary, or nullptr.
  TPDFDictionary* Trailer() const { return trailers_.empty() ? nullptr : trailers_.front(); }
  // Every trailer and cross-reference stream dictionary met, newest first.
  const std::vector<TPDFDictionary*>& Trailers() const { return trailers_; }
  // The store of the objects the reader parses for itself.
  TPDFStructure& Store() { return store_; }
  const TSortedNumberList& Offsets() const { return offsets_; }
  TSmartPDFSource& Source() { return source_; }

  // The stored entry of object n, or nullptr.
  const TEntry* Entry(std::int64_t n) const;
  // One more than the highest object number any section declared.
  std::int64_t EntryTableSize() const { return tableSize_; }

  // The text of object n after its "obj" keyword (or its text inside an
  // object stream); empty for free, unknown or unreadable objects.
  std::string GetObjectText(std::int64_t n);
  // Object n parsed into `store` (the reader's own when nullptr); a
  // dictionary followed by stream data becomes a stream. nullptr when the
  // object has no text. Generations are not compared.
  TPDFObject* FetchObject(std::int64_t n, TPDFStructure* store = nullptr);
  // The text of object n at index i of object stream s, or empty.
  std::string GetObjectFromStream(std::int64_t s, std::int64_t n, std::int64_t i);

  // The newest trailer's value for key with a reference fetched; when that
  // gives nothing, older trailers in turn. nullptr unless a dictionary.
  TPDFDictionary* TrailerDictionary(std::string_view key);
  // The value of the newest trailer that has key, when a reference.
  TPDFIndRef* TrailerReference(std::string_view key);

  // The decryption state for object streams of encrypted files (not owned;
  // the link sets it once it has made it).
  void SetCrypt(const TSmartPDFCrypt* crypt) { crypt_ = crypt; }

 private:
  bool ReadHeader();
  bool FindLastXRef();
  void ResetXRef();
  // Reads the sections from the startxref number; false when a section
  // failed or no trailer was found.
  bool ReadSections();
  // The number before the last "%%EOF" of the tail, or -1.
  std::int64_t StartXRefBeforeEof();
  // The number after the last word "startxref" of the last 64 KiB, or -1.
  std::int64_t StartXRefAfterWord();
  // True when the trailer names a catalog whose object (or object stream)
  // starts where its entry says.
  bool RootIsWhereListed();
  // True when the bytes before `keyword` (the first "obj" of an object's
  // text) end with "n g ".
  static bool HeaderNames(std::string_view bytes, std::size_t keyword, std::int64_t n);
  void ScanFile(TPDFObjectScan& scan);
  // The entry table and offset list from a scan (the trailers stay).
  bool RebuildEntries(const std::vector<TPDFObjectScan::THeader>& headers, const std::vector<std::int64_t>& trailerOffsets);
  // Entries and trailer from a scan; false when no catalog was found.
  bool Rebuild();
  void IndexObjectStreams();
  // The bytes at `offset` counted from the base (the header's position when
  // offsets are counted from it).
  std::string ReadAt(std::int64_t offset, std::int64_t count) {
    return source_.Read(std::max<std::int64_t>(offset, 0) + base_, count);
  }
  std::int64_t FileSize() const { return source_.Size() - base_; }
  // Reads the section at `a` and those of its /Prev chain, with the
  // /XRefStm stream of each table. A chain that comes back to an offset
  // already read ends there.
  bool ReadXRefChain(std::int64_t a);
  // Reads one section; sets `prev` to the next section's offset or -1.
  bool ReadXRefSection(std::int64_t a, std::int64_t& prev);
  bool ReadXRefTable(std::int64_t p, std::int64_t& prev);
  // The position past the comments (and the white space between them) at
  // `p`; `p` itself when no comment is there.
  std::int64_t SkipComments(std::int64_t p);
  bool ReadXRefStream(std::int64_t dictOffset, std::int64_t& prev);
  TPDFDictionary* ReadTrailer(std::int64_t p);
  void StoreEntry(std::int64_t n, char type, std::int64_t first, std::int64_t second);
  bool FindStreamData(const std::string& text, TPDFDictionary* dict, std::string& data);
  TPDFObject* FetchObjectAt(std::int64_t n, TPDFStructure& store);
  struct TObjectStream;
  TObjectStream ReadObjectStreamHeader(TPDFStream* stream);
  // Object stream s, decoded and cached; nullptr when it is none.
  const TObjectStream* LoadObjectStream(std::int64_t s);

  TSmartPDFSource& source_;
  TPDFStructure store_;
  std::string version_;
  int error_ = kNoError;
  std::int64_t startXRef_ = 0;
  std::unordered_map<std::int64_t, TEntry> entries_;
  std::int64_t tableSize_ = 0;
  TSortedNumberList offsets_;
  std::vector<TPDFDictionary*> trailers_;
  // A decoded object stream with its /First and its header pairs (object
  // number, offset), kept by object number for the life of the reader.
  struct TObjectStream {
    TPDFStream* stream = nullptr;
    std::vector<std::pair<std::int64_t, std::int64_t>> pairs;
    std::int64_t first = 0;
  };
  std::unordered_map<std::int64_t, TObjectStream> objectStreams_;
  std::deque<std::int64_t> cacheOrder_;  // oldest first
  std::uint64_t cachedBytes_ = 0;
  // Objects being fetched right now, so a self-referring /Length or an
  // object stream stored in itself ends.
  std::unordered_set<std::int64_t> fetching_;
  const TSmartPDFCrypt* crypt_ = nullptr;
  // The /XRefStm offset of the table just read, or -1.
  std::int64_t xrefStm_ = -1;
  // The section being read (0 for the newest), and the section whose free
  // entries a hybrid file's stream may replace (-1: none).
  int section_ = 0;
  int replaceFreeOf_ = -1;
  // Where "%PDF-" starts, and the position offsets are counted from.
  std::int64_t headerOffset_ = 0;
  std::int64_t base_ = 0;
  // True once the index was rebuilt by a scan, and once an object was
  // looked for by a scan (at most one scan per reader).
  bool rebuilt_ = false;
  bool scanned_ = false;
  // Object streams a rebuild found whose members are not yet indexed.
  std::vector<std::int64_t> pendingObjectStreams_;
};

}  // namespace tessaly::pdf
