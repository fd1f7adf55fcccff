// TSmartPDFReader: the version header, the tail scan for "startxref", the
// cross-reference tables and streams along /Prev, trailers, and on-demand
// reading of objects from the file and from object streams.
#include "pdf/SmartPDFReader.h"

#include <algorithm>
#include <functional>
#include <limits>

#include "pdf/SmartPDFCrypt.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {

namespace {

constexpr std::int64_t kHeaderBytes = 1024;
constexpr std::int64_t kTailBytes = 2048;
constexpr std::size_t kEofSearchBytes = 1024;
// The section probe: 20 bytes either side of a section offset, so an offset
// a few bytes off the keyword (some writers count a line end more or less)
// still finds it.
constexpr std::int64_t kProbeBefore = 20;
constexpr std::int64_t kProbeBytes = 40;
constexpr std::int64_t kSubsectionHeaderBytes = 20;
constexpr std::int64_t kTableEntryBytes = 20;
constexpr std::int64_t kTrailerBytes = 2048;
constexpr std::int64_t kXRefDictBytes = 1024;
// Table entries are read this many at a time, so a huge declared count does
// not allocate its whole size at once.
constexpr std::int64_t kEntriesPerRead = 4096;
// The tail searched for the word "startxref" when the number before
// "%%EOF" leads nowhere.
constexpr std::int64_t kStartXRefSearchBytes = 64 * 1024;
// Bytes read at an object's offset to see whether its header is there.
constexpr std::int64_t kHeaderProbeBytes = 64;
// A rebuild reads the file in pieces of this size.
constexpr std::int64_t kScanChunkBytes = 1 << 20;
// A rebuild parses at most this many of the last trailers and
// cross-reference stream dictionaries of the file looking for a catalog.
constexpr std::size_t kMaxTrailerCandidates = 16;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsWhite(char c) {
  return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32;
}

// Decimal conversion of a field: blanks around it allowed, an optional sign,
// then digits only. `fallback` when that is not the form or the value does
// not fit in 63 bits.
std::int64_t ToInt64(std::string_view text, std::int64_t fallback) {
  while (!text.empty() && IsWhite(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsWhite(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return fallback;
  std::int64_t value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return fallback;
    if (value > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10) return fallback;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

// The same for a value that must fit a 32-bit signed field.
std::int64_t ToInt32(std::string_view text, std::int64_t fallback) {
  const std::int64_t v = ToInt64(text, fallback);
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
    return fallback;
  return v;
}

// The value of a number object, when it is one.
const TPDFNumeric* AsNumber(TPDFObject* obj) { return PDFAs<TPDFNumeric>(obj); }

// A version candidate: the run of "0123456789." at `pos`, at most 10 bytes.
std::string VersionRun(std::string_view text, std::size_t pos) {
  std::string run;
  for (std::size_t i = pos; i < text.size() && run.size() < 10; ++i) {
    const char c = text[i];
    if (!IsDigit(c) && c != '.') break;
    run.push_back(c);
  }
  return run;
}

// A candidate is a version when it reads as a decimal number with '.' as
// separator: at least one digit and at most one point.
bool IsVersionNumber(std::string_view run) {
  return std::count(run.begin(), run.end(), '.') <= 1 &&
         std::any_of(run.begin(), run.end(), IsDigit);
}

// Position just past the "stream" keyword that follows the closing ">>" of
// the dictionary at the start of `text` (blanks may stand between), or npos.
std::size_t FindStreamKeywordAfterDict(std::string_view text) {
  std::size_t from = 0;
  while (true) {
    const std::size_t close = text.find(">>", from);
    if (close == std::string_view::npos) return std::string_view::npos;
    std::size_t i = close + 2;
    while (i < text.size() && IsWhite(text[i])) ++i;
    if (text.substr(i, 6) == "stream") return i + 6;
    from = close + 1;
  }
}

// The data start after a "stream" keyword ending at `pos`: one byte after a
// line feed, two after a carriage return (taken as CR LF), none otherwise.
std::size_t SkipStreamLineEnd(std::string_view text, std::size_t pos) {
  if (pos < text.size() && text[pos] == '\n') return pos + 1;
  if (pos < text.size() && text[pos] == '\r') return pos + 2;
  return pos;
}

// A field of `width` bytes (0 to 8), most significant byte first.
std::uint64_t Field(const std::string& data, std::size_t& pos, int width) {
  std::uint64_t v = 0;
  for (int k = 0; k < width; ++k) v = (v << 8) | static_cast<unsigned char>(data[pos++]);
  return v;
}

std::int64_t ClampToInt64(std::uint64_t v) {
  return v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
             ? std::numeric_limits<std::int64_t>::max()
             : static_cast<std::int64_t>(v);
}

// The integer view of a number item of an array (0 for anything else).
std::int64_t ItemInteger(TPDFArray* a, std::int32_t i) {
  const TPDFNumeric* n = AsNumber(a->Items(i));
  return n ? n->Int64Value() : 0;
}

}  // namespace

TSmartPDFReader::TSmartPDFReader(TSmartPDFSource& source) : source_(source) {
  if (!ReadHeader()) {
    error_ = kNoHeader;
    return;
  }
  if (!FindLastXRef()) error_ = kNoXRef;
}

TSmartPDFReader::~TSmartPDFReader() = default;

bool TSmartPDFReader::Encrypted() const {
  const TPDFDictionary* t = Trailer();
  return t != nullptr && t->GetValue("Encrypt") != nullptr;
}

const TSmartPDFReader::TEntry* TSmartPDFReader::Entry(std::int64_t n) const {
  auto it = entries_.find(n);
  return it == entries_.end() ? nullptr : &it->second;
}

bool TSmartPDFReader::ReadHeader() {
  const std::string head = source_.Read(0, kHeaderBytes);
  std::string candidate;
  bool found = false;
  if (std::size_t p = head.find("%PDF-"); p != std::string::npos) {
    headerOffset_ = static_cast<std::int64_t>(p);
    std::string run = VersionRun(head, p + 5);
    if (IsVersionNumber(run)) {
      candidate = std::move(run);
      found = true;
    }
  }
  if (std::size_t p = head.find("%!PS-Adobe-"); p != std::string::npos) {
    const std::string after = head.substr(p + 11, 20);
    if (std::size_t q = after.find("PDF-"); q != std::string::npos) {
      std::string run = VersionRun(head, p + 11 + q + 4);
      if (IsVersionNumber(run)) {
        candidate = std::move(run);
        found = true;
      }
    }
  }
  if (found) version_ = candidate;
  return found;
}

bool TSmartPDFReader::FindLastXRef() {
  // The sections as written; then, for a file with other bytes before its
  // header (a mail or web header, a byte-order mark), with offsets counted
  // from the header; then an index rebuilt by scanning the file. A rebuild
  // that finds no catalog leaves the sections as written, when they could
  // be read at all.
  const bool asWritten = ReadSections();
  if (asWritten && RootIsWhereListed()) return true;
  if (headerOffset_ > 0) {
    ResetXRef();
    base_ = headerOffset_;
    if (ReadSections() && RootIsWhereListed()) return true;
    base_ = 0;
  }
  ResetXRef();
  if (Rebuild()) return true;
  ResetXRef();
  return asWritten && ReadSections();
}

void TSmartPDFReader::ResetXRef() {
  entries_.clear();
  tableSize_ = 0;
  offsets_ = TSortedNumberList();
  trailers_.clear();
  xrefStm_ = -1;
  section_ = 0;
  replaceFreeOf_ = -1;
  startXRef_ = 0;
  pendingObjectStreams_.clear();
}

std::int64_t TSmartPDFReader::StartXRefBeforeEof() {
  const std::int64_t size = FileSize();
  // The last 2048 bytes, or all but the first byte of a smaller file.
  const std::string tail = size > kTailBytes ? ReadAt(size - kTailBytes, kTailBytes) : ReadAt(1, size - 1);
  const std::size_t low = tail.size() > kEofSearchBytes ? tail.size() - kEofSearchBytes : 0;
  const std::size_t eof = tail.rfind("%%EOF");
  if (eof == std::string::npos || eof < low) return -1;

  std::size_t i = eof;
  while (i > low && !IsDigit(tail[i - 1])) --i;
  if (i == low) return -1;
  const std::size_t digitsEnd = i;
  while (i > 0 && IsDigit(tail[i - 1])) --i;
  const std::size_t digitsBegin = i;
  const std::int64_t value = ToInt64(std::string_view(tail).substr(digitsBegin, digitsEnd - digitsBegin), 0);
  if (digitsBegin == 0 || tail.rfind("startxref", digitsBegin - 1) == std::string::npos) return -1;
  return value > 0 ? value : -1;
}

std::int64_t TSmartPDFReader::StartXRefAfterWord() {
  const std::int64_t size = FileSize();
  const std::int64_t from = std::max<std::int64_t>(size - kStartXRefSearchBytes, 0);
  const std::string tail = ReadAt(from, size - from);
  const std::size_t word = tail.rfind("startxref");
  if (word == std::string::npos) return -1;
  std::size_t p = word + 9;
  while (p < tail.size() && IsWhite(tail[p])) ++p;
  std::size_t end = p;
  while (end < tail.size() && IsDigit(tail[end]) && end - p < 12) ++end;
  const std::int64_t value = ToInt64(std::string_view(tail).substr(p, end - p), 0);
  return value > 0 ? value : -1;
}

bool TSmartPDFReader::ReadSections() {
  const std::int64_t start = StartXRefBeforeEof();
  startXRef_ = std::max<std::int64_t>(start, 0);
  bool ok = start > 0 && ReadXRefChain(start);
  // A missing "%%EOF", or more than 1024 bytes after it: the number after
  // the word "startxref".
  if (!ok) {
    const std::int64_t word = StartXRefAfterWord();
    if (word > 0 && word != start) {
      ResetXRef();
      startXRef_ = word;
      ok = ReadXRefChain(word);
    }
  }
  offsets_.Sort();
  return ok && !trailers_.empty();
}

bool TSmartPDFReader::RootIsWhereListed() {
  const TPDFIndRef* root = TrailerReference("Root");
  if (root == nullptr) return false;
  std::int64_t n = root->ObjNum();
  const TEntry* e = Entry(n);
  // A catalog inside an object stream: the stream must be where listed.
  if (e != nullptr && e->type == 'c') {
    n = e->first;
    e = Entry(n);
  }
  if (e == nullptr || e->type != 'n') return false;
  const std::string bytes = ReadAt(e->first, kHeaderProbeBytes);
  return HeaderNames(bytes, bytes.find("obj"), n);
}

bool TSmartPDFReader::HeaderNames(std::string_view bytes, std::size_t keyword, std::int64_t n) {
  // "n g " right before the keyword, whatever comes before that.
  if (keyword == std::string_view::npos) return false;
  std::size_t i = keyword;
  auto blanks = [&]() {
    const std::size_t end = i;
    while (i > 0 && IsWhite(bytes[i - 1])) --i;
    return i < end;
  };
  auto digits = [&]() {
    const std::size_t end = i;
    while (i > 0 && IsDigit(bytes[i - 1])) --i;
    return bytes.substr(i, end - i);
  };
  if (!blanks() || digits().empty() || !blanks()) return false;
  const std::string_view number = digits();
  return !number.empty() && ToInt64(number, -1) == n;
}

void TSmartPDFReader::ScanFile(TPDFObjectScan& scan) {
  const std::int64_t size = source_.Size();
  for (std::int64_t at = 0; at < size && !scan.Full(); at += kScanChunkBytes)
    scan.Feed(source_.Read(at, kScanChunkBytes));
  scan.Finish();
}

bool TSmartPDFReader::RebuildEntries(const std::vector<TPDFObjectScan::THeader>& headers,
                                     const std::vector<std::int64_t>& trailerOffsets) {
  if (headers.empty()) return false;
  rebuilt_ = true;
  base_ = 0;
  entries_.clear();
  tableSize_ = 0;
  offsets_ = TSortedNumberList();
  pendingObjectStreams_.clear();
  for (const TPDFObjectScan::THeader& h : headers) {
    offsets_.Add(h.offset);
    if (h.number <= 0) continue;
    entries_[h.number] = TEntry{h.offset, h.generation, 'n', 0};
    tableSize_ = std::max<std::int64_t>(tableSize_, std::int64_t{h.number} + 1);
    if ((h.kind & TPDFObjectScan::kObjectStream) != 0) pendingObjectStreams_.push_back(h.number);
  }
  // An object's text ends where a trailer begins.
  for (std::int64_t t : trailerOffsets) offsets_.Add(t);
  offsets_.Sort();
  return true;
}

bool TSmartPDFReader::Rebuild() {
  TPDFObjectScan scan;
  ScanFile(scan);
  const std::vector<TPDFObjectScan::THeader> headers = scan.Newest();
  if (!RebuildEntries(headers, scan.Trailers())) return false;

  // The trailer: the last trailer or cross-reference stream dictionary in
  // the file that names a catalog.
  std::vector<std::pair<std::int64_t, std::int64_t>> candidates;  // offset, stream number or -1
  for (std::int64_t at : scan.Trailers()) candidates.emplace_back(at, -1);
  for (const TPDFObjectScan::THeader& h : headers)
    if ((h.kind & TPDFObjectScan::kXRefStream) != 0) candidates.emplace_back(h.offset, h.number);
  std::sort(candidates.begin(), candidates.end(), std::greater<>());
  if (candidates.size() > kMaxTrailerCandidates) candidates.resize(kMaxTrailerCandidates);
  TPDFDictionary* newest = nullptr;  // the newest dictionary met, which names no catalog
  for (const auto& [at, stream] : candidates) {
    TPDFDictionary* dict = nullptr;
    if (stream < 0) {
      dict = ReadTrailer(at);
    } else if (auto* s = PDFAs<TPDFStream>(FetchObject(stream))) {
      dict = s->Dictionary();
    }
    if (dict == nullptr) continue;
    if (PDFAs<TPDFIndRef>(dict->GetValue("Root")) != nullptr) {
      trailers_.assign(1, dict);
      return true;
    }
    if (newest == nullptr) newest = dict;
  }
  // No trailer names one: the last object that is a catalog, with the
  // newest trailer's other keys (/Info, /Encrypt, /ID); without an /Info
  // there, the last information dictionary.
  for (auto h = headers.rbegin(); h != headers.rend(); ++h) {
    if ((h->kind & TPDFObjectScan::kCatalog) == 0) continue;
    auto* catalog = PDFAs<TPDFDictionary>(FetchObject(h->number));
    if (catalog == nullptr || catalog->TypeName() != "Catalog") continue;
    TPDFDictionary* trailer = newest != nullptr ? newest : store_.NewDictionary();
    trailer->SetValue("Root", store_.NewIndRef(h->number, h->generation));
    if (trailer->GetValue("Info") == nullptr) {
      for (auto i = headers.rbegin(); i != headers.rend(); ++i) {
        if ((i->kind & TPDFObjectScan::kInfo) == 0) continue;
        trailer->SetValue("Info", store_.NewIndRef(i->number, i->generation));
        break;
      }
    }
    trailers_.assign(1, trailer);
    return true;
  }
  return false;
}

void TSmartPDFReader::IndexObjectStreams() {
  // The members of the object streams a rebuild found, for numbers that no
  // object of the file defines itself.
  // Decoding stops once kMaxIndexedObjectStreamBytes were decoded, so a
  // file of many small streams that each expand to the decoder's cap costs
  // a bounded time.
  std::vector<std::int64_t> streams;
  streams.swap(pendingObjectStreams_);
  std::uint64_t decoded = 0;
  for (std::int64_t s : streams) {
    if (decoded >= kMaxIndexedObjectStreamBytes) break;
    const TObjectStream* os = LoadObjectStream(s);
    if (os == nullptr) continue;
    decoded += os->stream->Stream().size();
    const auto pairs = os->pairs;
    for (std::size_t k = 0; k < pairs.size(); ++k) {
      const std::int64_t n = pairs[k].first;
      if (n <= 0 || n > std::numeric_limits<std::int32_t>::max() || entries_.count(n) != 0) continue;
      entries_[n] = TEntry{s, static_cast<std::int64_t>(k), 'c', 0};
      tableSize_ = std::max(tableSize_, n + 1);
    }
  }
}

bool TSmartPDFReader::ReadXRefChain(std::int64_t a) {
  std::unordered_set<std::int64_t> visited;
  while (a >= 0) {
    // A /Prev that leads back to a section already read ends the chain;
    // everything was read once.
    if (!visited.insert(a).second) return true;
    std::int64_t prev = -1;
    xrefStm_ = -1;
    if (!ReadXRefSection(a, prev)) return false;
    // A hybrid file's table names, under /XRefStm, a cross-reference stream
    // that lists the objects kept in object streams. Its entries come after
    // the table's and before those of /Prev; a stream that cannot be read
    // only leaves those objects unknown, and its own /Prev is not followed.
    // Hybrid tables list the objects of object streams as free, so the
    // stream's entries take the place of the table's free ones.
    if (const std::int64_t stm = xrefStm_; stm >= 0 && visited.insert(stm).second) {
      std::int64_t ignored = -1;
      replaceFreeOf_ = section_;
      ReadXRefSection(stm, ignored);
      replaceFreeOf_ = -1;
    }
    ++section_;
    a = prev;
  }
  return true;
}

bool TSmartPDFReader::ReadXRefSection(std::int64_t a, std::int64_t& prev) {
  offsets_.Add(a);
  const std::int64_t windowStart = std::max<std::int64_t>(a - kProbeBefore, 0);
  const std::string window = ReadAt(windowStart, a - kProbeBefore + kProbeBytes - windowStart);
  std::size_t x = window.find("xref");
  // "startxref" of an older section's tail may sit in the window before
  // the keyword; its "xref" does not count.
  if (std::size_t s = window.find("startxref"); s != std::string::npos && s < x)
    x = window.find("xref", s + 9);
  const std::size_t d = window.find("<<");

  if (x != std::string::npos && d == std::string::npos)
    return ReadXRefTable(windowStart + static_cast<std::int64_t>(x) + 4, prev);
  // A cross-reference stream's dictionary starts at the first "<<"; when
  // the bytes before the section end another object's dictionary, a later
  // "<<" of the window is tried.
  for (std::size_t at = d; at != std::string::npos; at = window.find("<<", at + 1))
    if (ReadXRefStream(windowStart + static_cast<std::int64_t>(at), prev)) return true;
  // The "<<" belonged to a short object right before a table.
  if (x != std::string::npos) return ReadXRefTable(windowStart + static_cast<std::int64_t>(x) + 4, prev);
  return false;
}

std::int64_t TSmartPDFReader::SkipComments(std::int64_t p) {
  // White space and comments before a subsection header, read a piece at a
  // time; the header reading skips white space by itself, so the position
  // only moves past a comment.
  constexpr std::int64_t kPiece = 256;
  std::int64_t after = p;
  bool inComment = false;
  for (std::int64_t at = p;;) {
    const std::string piece = ReadAt(at, kPiece);
    if (piece.empty()) return after;
    for (char c : piece) {
      if (inComment) {
        if (c == '\r' || c == '\n') {
          inComment = false;
          after = at;
        }
      } else if (c == '%') {
        inComment = true;
      } else if (!IsWhite(c)) {
        return after;
      }
      ++at;
    }
    if (inComment) after = at;
  }
}

bool TSmartPDFReader::ReadXRefTable(std::int64_t p, std::int64_t& prev) {
  while (true) {
    p = SkipComments(p);
    const std::string header = ReadAt(p, kSubsectionHeaderBytes);
    if (header.find("trailer") != std::string::npos) break;
    std::size_t i = 0;
    while (i < header.size() && !IsDigit(header[i])) ++i;
    std::size_t b = i;
    while (i < header.size() && IsDigit(header[i])) ++i;
    const std::int64_t first = ToInt32(std::string_view(header).substr(b, i - b), -1);
    while (i < header.size() && !IsDigit(header[i])) ++i;
    b = i;
    while (i < header.size() && IsDigit(header[i])) ++i;
    const std::int64_t count = ToInt32(std::string_view(header).substr(b, i - b), 0);
    while (i < header.size() && !IsDigit(header[i])) ++i;
    if (first < 0 || count <= 0) break;
    p += static_cast<std::int64_t>(i);

    tableSize_ = std::max(tableSize_, first + count);
    for (std::int64_t k = 0; k < count; k += kEntriesPerRead) {
      const std::int64_t n = std::min(kEntriesPerRead, count - k);
      const std::string chunk = ReadAt(p + k * kTableEntryBytes, n * kTableEntryBytes);
      // An entry cut off by the end of the file is not read.
      const std::int64_t whole = static_cast<std::int64_t>(chunk.size()) / kTableEntryBytes;
      for (std::int64_t j = 0; j < whole; ++j) {
        const std::string_view e = std::string_view(chunk).substr(j * kTableEntryBytes, kTableEntryBytes);
        const std::int64_t offset = ToInt64(e.substr(0, 10), 0);
        const std::int64_t generation = ToInt64(e.substr(11, 5), 0);
        const char type = e[17];
        if (type == 'n') offsets_.Add(offset);
        StoreEntry(first + k + j, type, offset, generation);
      }
      if (whole < n) break;
    }
    p += count * kTableEntryBytes;
  }

  TPDFDictionary* trailer = ReadTrailer(p);
  if (trailer == nullptr) return false;
  trailers_.push_back(trailer);
  if (const TPDFNumeric* pv = AsNumber(trailer->GetValue("Prev"))) prev = std::max<std::int64_t>(pv->Int64Value(), 0);
  if (const TPDFNumeric* stm = AsNumber(trailer->GetValue("XRefStm")); stm && stm->Int64Value() > 0)
    xrefStm_ = stm->Int64Value();
  return true;
}

bool TSmartPDFReader::ReadXRefStream(std::int64_t dictOffset, std::int64_t& prev) {
  const std::string window = ReadAt(dictOffset, kXRefDictBytes);
  auto* dict = PDFAs<TPDFDictionary>(store_.ParseObject(window));
  if (dict == nullptr || dict->TypeName() != "XRef") return false;
  const TPDFNumeric* size = AsNumber(dict->GetValue("Size"));
  if (size == nullptr) return false;
  trailers_.push_back(dict);

  std::vector<std::pair<std::int64_t, std::int64_t>> pairs;
  if (auto* index = PDFAs<TPDFArray>(dict->GetValue("Index"))) {
    for (std::int32_t i = 0; i + 1 < index->Count(); i += 2)
      pairs.emplace_back(ItemInteger(index, i), ItemInteger(index, i + 1));
  } else {
    pairs.emplace_back(0, size->Int64Value());
  }
  const TPDFNumeric* prevNum = AsNumber(dict->GetValue("Prev"));
  const std::int64_t prevOffset = prevNum ? prevNum->Int64Value() : 0;

  int widths[3] = {0, 0, 0};
  bool readEntries = false;
  if (auto* w = PDFAs<TPDFArray>(dict->GetValue("W")); w && w->Count() >= 3) {
    readEntries = true;
    for (int k = 0; k < 3; ++k) {
      const std::int64_t v = ItemInteger(w, k);
      // Fields are 1 to 8 bytes (0: the field's default); wider fields
      // cannot be held, so such a section gives no entries.
      if (v < 0 || v > 8) readEntries = false;
      widths[k] = static_cast<int>(std::clamp<std::int64_t>(v, 0, 8));
    }
    if (widths[0] + widths[1] + widths[2] == 0) readEntries = false;
  }

  std::size_t keywordEnd = readEntries ? FindStreamKeywordAfterDict(window) : std::string::npos;
  if (keywordEnd != std::string::npos) {
    const std::size_t dataStart = SkipStreamLineEnd(window, keywordEnd);
    std::int64_t length = static_cast<std::int64_t>(window.size());
    if (const TPDFNumeric* len = AsNumber(dict->GetValue("Length"))) length = len->Int64Value();
    length = std::clamp<std::int64_t>(length, 0, kMaxXRefStreamData);
    // The stream gets the dictionary's filter entries (the same objects)
    // rather than the dictionary itself, so its data can be let go once
    // decoded without touching the trailer list.
    TPDFStream* stream = store_.NewStream(ReadAt(dictOffset + static_cast<std::int64_t>(dataStart), length));
    for (const char* key : {"Filter", "DecodeParms", "DP"})
      if (TPDFObject* v = dict->GetValue(key)) stream->Dictionary()->SetValue(key, v);
    const std::string data = stream->DecodedStream();
    stream->SetStream({});

    std::size_t pos = 0;
    const auto fits = [&](int w) { return pos + static_cast<std::size_t>(w) <= data.size(); };
    for (const auto& [first, count] : pairs) {
      bool cut = false;
      if (first < 0 || first > std::numeric_limits<std::int32_t>::max()) continue;
      for (std::int64_t k = 0; k < count; ++k) {
        if (!fits(widths[0])) { cut = true; break; }
        const std::uint64_t type = widths[0] != 0 ? Field(data, pos, widths[0]) : 1;
        if (type > 2) continue;  // unknown type: nothing more is consumed
        if (!fits(widths[1] + widths[2])) { cut = true; break; }
        const std::int64_t f2 = ClampToInt64(Field(data, pos, widths[1]));
        const std::int64_t f3 = ClampToInt64(Field(data, pos, widths[2]));
        const std::int64_t n = first + k;
        if (type == 0) {
          StoreEntry(n, 'f', f2, f3);
        } else if (type == 1) {
          offsets_.Add(f2);
          StoreEntry(n, 'n', f2, widths[2] != 0 ? f3 : 0);
        } else {
          StoreEntry(n, 'c', f2, f3);
        }
      }
      // Entries past the end of the decoded data are not there.
      if (cut) break;
    }
  }

  prev = prevOffset >= 1 ? prevOffset : -1;
  return true;
}

TPDFDictionary* TSmartPDFReader::ReadTrailer(std::int64_t p) {
  std::string text = ReadAt(p, kTrailerBytes);
  const std::size_t open = text.find("<<");
  const std::size_t close = text.rfind(">>");
  if (open == std::string::npos || close == std::string::npos || close < open) return nullptr;
  text = text.substr(open, close + 2 - open);
  return PDFAs<TPDFDictionary>(store_.ParseObject(text));
}

void TSmartPDFReader::StoreEntry(std::int64_t n, char type, std::int64_t first,
                                 std::int64_t second) {
  // Newer sections are read first and win; object 0 is never stored.
  if (n <= 0 || n > std::numeric_limits<std::int32_t>::max()) return;
  tableSize_ = std::max(tableSize_, n + 1);
  auto [it, added] = entries_.try_emplace(n, TEntry{first, second, type, section_});
  if (!added && it->second.type == 'f' && it->second.section == replaceFreeOf_ && type != 'f')
    it->second = TEntry{first, second, type, section_};
}

std::string TSmartPDFReader::GetObjectText(std::int64_t n) {
  if (n < 1) return {};
  // An object a rebuilt index does not know may sit in an object stream
  // (those of an encrypted file are read once they can be decrypted).
  if (Entry(n) == nullptr && !pendingObjectStreams_.empty() && (!Encrypted() || crypt_ != nullptr))
    IndexObjectStreams();
  if (n >= tableSize_) return {};
  const TEntry* e = Entry(n);
  if (e == nullptr) return {};
  if (e->type == 'c') return GetObjectFromStream(e->first, n, e->second);
  if (e->type != 'n') return {};
  const std::int64_t o = e->first;
  const std::int64_t next = offsets_.NextAbove(o);
  std::int64_t count = next > o ? next - o : FileSize() - o;
  count = std::min(count, kMaxObjectText);
  const std::string bytes = ReadAt(o, count);
  const std::size_t k = bytes.find("obj");
  // An object that is not where its entry says: the cross-reference data
  // is wrong, and the index is rebuilt once by scanning the file.
  if (!rebuilt_ && !scanned_ && !HeaderNames(bytes, k, n)) {
    TPDFObjectScan scan;
    ScanFile(scan);
    const std::vector<TPDFObjectScan::THeader> headers = scan.Newest();
    const bool found = std::any_of(headers.begin(), headers.end(),
                                   [n](const TPDFObjectScan::THeader& h) { return h.number == n; });
    scanned_ = true;
    if (found && RebuildEntries(headers, scan.Trailers())) return GetObjectText(n);
  }
  if (k == std::string::npos) return {};
  return bytes.substr(k + 3);
}

TPDFObject* TSmartPDFReader::FetchObject(std::int64_t n, TPDFStructure* store) {
  return FetchObjectAt(n, store != nullptr ? *store : store_);
}

TPDFObject* TSmartPDFReader::FetchObjectAt(std::int64_t n, TPDFStructure& store) {
  // An object that needs itself to be read (its /Length, its object
  // stream) is not there; nesting is bounded so no chain exhausts the stack.
  if (fetching_.size() >= static_cast<std::size_t>(kMaxFetchDepth) || !fetching_.insert(n).second)
    return nullptr;
  struct TDone {
    std::unordered_set<std::int64_t>& set;
    std::int64_t n;
    ~TDone() { set.erase(n); }
  } done{fetching_, n};

  const std::string text = GetObjectText(n);
  if (text.empty()) return nullptr;
  TPDFObject* obj = store.ParseObject(text);
  auto* dict = PDFAs<TPDFDictionary>(obj);
  if (dict == nullptr) return obj;
  std::string data;
  if (!FindStreamData(text, dict, data)) return obj;
  TPDFStream* stream = store.NewStream(std::move(data));
  stream->SetDictionary(dict);
  return stream;
}

bool TSmartPDFReader::FindStreamData(const std::string& text, TPDFDictionary* dict,
                                     std::string& data) {
  const std::size_t k = text.find("stream");
  if (k == std::string::npos || text.find("endstream") == std::string::npos) return false;
  std::size_t start = k + 6;
  if (start < text.size() && text[start] == '\r') {
    start += (start + 1 < text.size() && text[start + 1] == '\n') ? 2 : 1;
  } else if (start < text.size() && text[start] == '\n') {
    start += 1;
  } else {
    return false;
  }
  TPDFObject* lengthObj = dict->GetValue("Length");
  if (auto* ref = PDFAs<TPDFIndRef>(lengthObj)) lengthObj = FetchObjectAt(ref->ObjNum(), store_);
  const TPDFNumeric* length = AsNumber(lengthObj);
  if (length == nullptr) return false;
  const std::int64_t want = std::max<std::int64_t>(length->Int64Value(), 0);
  const std::size_t available = start <= text.size() ? text.size() - start : 0;
  data = text.substr(std::min(start, text.size()),
                     static_cast<std::size_t>(std::min<std::int64_t>(want, static_cast<std::int64_t>(available))));
  return true;
}

const TSmartPDFReader::TObjectStream* TSmartPDFReader::LoadObjectStream(std::int64_t s) {
  auto it = objectStreams_.find(s);
  if (it != objectStreams_.end()) return &it->second;
  auto* stream = PDFAs<TPDFStream>(FetchObjectAt(s, store_));
  if (stream == nullptr) return nullptr;
  // Object streams of encrypted files are decrypted as a whole with the
  // key of their own number and generation 0.
  if (crypt_ != nullptr && crypt_->CanDecrypt())
    crypt_->DecryptObject(stream, static_cast<std::int32_t>(s), 0);
  stream->SetStream(stream->DecodedStream());
  stream->Dictionary()->RemoveKey("Filter");
  // Decoded object streams stay for the life of the link, up to a budget:
  // past it the oldest ones give their data back (and are decoded again
  // when asked for), so crafted files of many large streams stay bounded.
  cachedBytes_ += stream->Stream().size();
  while (cachedBytes_ > kMaxCachedObjectStreamBytes && !cacheOrder_.empty()) {
    auto old = objectStreams_.find(cacheOrder_.front());
    cacheOrder_.pop_front();
    cachedBytes_ -= old->second.stream->Stream().size();
    old->second.stream->SetStream({});
    objectStreams_.erase(old);
  }
  it = objectStreams_.emplace(s, ReadObjectStreamHeader(stream)).first;
  cacheOrder_.push_back(s);
  return &it->second;
}

std::string TSmartPDFReader::GetObjectFromStream(std::int64_t s, std::int64_t n, std::int64_t i) {
  const TObjectStream* found = LoadObjectStream(s);
  if (found == nullptr) return {};
  const TObjectStream& os = *found;
  if (i < 0 || static_cast<std::size_t>(i) >= os.pairs.size()) return {};
  if (os.pairs[static_cast<std::size_t>(i)].first != n) return {};
  const std::string& data = os.stream->Stream();
  const std::int64_t size = static_cast<std::int64_t>(data.size());
  const std::int64_t begin = os.first + os.pairs[static_cast<std::size_t>(i)].second;
  const std::int64_t end = static_cast<std::size_t>(i) + 1 < os.pairs.size()
                               ? os.first + os.pairs[static_cast<std::size_t>(i) + 1].second
                               : size;
  const std::int64_t b = std::clamp<std::int64_t>(begin, 0, size);
  const std::int64_t e = std::clamp<std::int64_t>(end, 0, size);
  if (e <= b) return {};
  return data.substr(static_cast<std::size_t>(b), static_cast<std::size_t>(e - b));
}

TSmartPDFReader::TObjectStream TSmartPDFReader::ReadObjectStreamHeader(TPDFStream* stream) {
  // The pairs (object number, offset) of the header; none when the stream
  // is no object stream or its header does not hold /N pairs.
  TObjectStream os;
  os.stream = stream;
  TPDFDictionary* dict = stream->Dictionary();
  if (dict->TypeName() != "ObjStm") return os;
  const TPDFNumeric* countNum = AsNumber(dict->GetValue("N"));
  const TPDFNumeric* firstNum = AsNumber(dict->GetValue("First"));
  if (countNum == nullptr || firstNum == nullptr) return os;
  const std::int64_t count = countNum->Int64Value();
  const std::int64_t first = firstNum->Int64Value();
  const std::string& data = stream->Stream();
  const std::int64_t headerLength = std::clamp<std::int64_t>(first, 0, static_cast<std::int64_t>(data.size()));
  // Each pair takes at least two bytes of header, so a larger /N fails
  // before anything is parsed.
  if (count <= 0 || count > headerLength) return os;
  TPDFStructure scratch;
  auto* header = PDFAs<TPDFArray>(
      scratch.ParseObject("[ " + data.substr(0, static_cast<std::size_t>(headerLength)) + " ]"));
  if (header == nullptr || header->Count() < 2 * count) return os;
  os.first = first;
  os.pairs.reserve(static_cast<std::size_t>(count));
  for (std::int32_t k = 0; k < count; ++k)
    os.pairs.emplace_back(ItemInteger(header, 2 * k), ItemInteger(header, 2 * k + 1));
  return os;
}

TPDFDictionary* TSmartPDFReader::TrailerDictionary(std::string_view key) {
  for (TPDFDictionary* trailer : trailers_) {
    TPDFObject* value = trailer->GetValue(key);
    if (auto* ref = PDFAs<TPDFIndRef>(value)) value = FetchObjectAt(ref->ObjNum(), store_);
    if (value != nullptr) return PDFAs<TPDFDictionary>(value);
  }
  return nullptr;
}

TPDFIndRef* TSmartPDFReader::TrailerReference(std::string_view key) {
  for (TPDFDictionary* trailer : trailers_) {
    if (trailer->IndexOf(key) >= 0) return PDFAs<TPDFIndRef>(trailer->GetValue(key));
  }
  return nullptr;
}

}  // namespace tessaly::pdf
