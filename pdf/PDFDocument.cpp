// Loading a whole PDF file: the header check, the cross-reference reading
// with its entry and trailer handlers, and the object index sorted by offset.
#include "pdf/PDFDocument.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <stdexcept>

#include "pdf/PDFNumberText.h"
#include "pdf/PDFObjectScan.h"
#include "pdf/PDFXRefReader.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {
namespace {

constexpr std::size_t kNpos = std::string_view::npos;

std::uint64_t NumberKey(std::int32_t objNum, std::int32_t genNum) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(objNum)) << 32) | static_cast<std::uint32_t>(genNum);
}

// The leading run of version characters of the (up to) 10 bytes at `from`.
std::string VersionCandidate(std::string_view text, std::size_t from) {
  const std::string_view after = from < text.size() ? text.substr(from, 10) : std::string_view();
  std::size_t n = 0;
  while (n < after.size() && ((after[n] >= '0' && after[n] <= '9') || after[n] == '.')) ++n;
  return std::string(after.substr(0, n));
}

class TooManyEntries : public std::length_error {
 public:
  TooManyEntries() : std::length_error("Too many cross-reference entries") {}
};

}  // namespace

TPDFDocument::TPDFDocument() {
  structure_.OnIndObjLookup = [this](TPDFIndRef*, std::int32_t objNum, std::int32_t genNum, TPDFObject*& obj) {
    TPDFIndObj* entry = FindIndObj(objNum, genNum);
    obj = entry != nullptr ? entry->LoadObject() : nullptr;
  };
  Reset();
}

TPDFDocument::~TPDFDocument() {
  // The index refers into the store; drop it before the store's objects go.
  byNumber_.clear();
  index_.clear();
}

void TPDFDocument::Reset() {
  byNumber_.clear();
  index_.clear();
  structure_.Clear();
  trailer_ = structure_.NewDictionary();
  trailerKept_ = false;
  records_.clear();
  records_.shrink_to_fit();
  seen_.clear();
  fileText_.clear();
  fileText_.shrink_to_fit();
  version_.clear();
  headerOffset_ = 0;
  rebuilt_ = false;
  pendingObjectStreams_.clear();
  loadDepth_ = 0;
  encryptPresent_ = false;
  encryptionRead_ = false;
  security_ = TPDFSecurityHandler();
}

bool TPDFDocument::Load(std::istream& stream) {
  std::string bytes;
  try {
    bytes.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
  } catch (...) {
    Reset();
    TryPassword("");
    return false;
  }
  return Load(std::move(bytes));
}

bool TPDFDocument::Load(std::string fileText) {
  bool loaded = false;
  try {
    Reset();
    fileText_ = std::move(fileText);
    loaded = CheckHeader() && ReadCrossReference();
  } catch (...) {
    loaded = false;
  }
  if (!loaded) Reset();
  try {
    TryPassword("");
    if (!pendingObjectStreams_.empty()) IndexObjectStreams();
  } catch (...) {
    // The password step reads only the trailer and the encryption
    // dictionary; should that fail, the document stays without an
    // accepted password and its fields read as empty.
  }
  // Stopped while object streams were indexed: the index may lack members.
  if (loaded && StopRequested()) {
    Reset();
    loaded = false;
  }
  return loaded;
}

bool TPDFDocument::CheckHeader() {
  const std::string_view head = std::string_view(fileText_).substr(0, kHeaderWindow);
  std::optional<std::string> version;
  const std::size_t pdf = head.find("%PDF-");
  headerOffset_ = pdf != kNpos ? pdf : 0;
  if (pdf != kNpos) {
    std::string candidate = VersionCandidate(fileText_, pdf + 5);
    if (IsRealText(candidate)) version = std::move(candidate);
  }
  const std::size_t ps = head.find("%!PS-Adobe-");
  if (ps != kNpos) {
    const std::string_view lead = std::string_view(fileText_).substr(ps + 11, 20);
    const std::size_t marker = lead.find("PDF-");
    if (marker != kNpos) {
      std::string candidate = VersionCandidate(fileText_, ps + 11 + marker + 4);
      if (IsRealText(candidate)) version = std::move(candidate);
    }
  }
  if (!version) return false;
  version_ = std::move(*version);
  return true;
}

bool TPDFDocument::ReadCrossReference() {
  // The sections as written; then, for a file with other bytes before its
  // header (a mail or web header, a byte-order mark), with offsets counted
  // from the header; then an index rebuilt by scanning the file. A rebuild
  // that finds no catalog leaves the sections as written, when they could
  // be read at all.
  const bool asWritten = ReadSections(0);
  if (asWritten && IndexIsSound()) return true;
  if (headerOffset_ > 0 && ReadSections(headerOffset_) && IndexIsSound()) return true;
  if (Rebuild()) {
    rebuilt_ = true;
    return true;
  }
  return asWritten && ReadSections(0);
}

void TPDFDocument::ClearIndex() {
  byNumber_.clear();
  index_.clear();
  records_.clear();
  seen_.clear();
  pendingObjectStreams_.clear();
  trailer_ = structure_.NewDictionary();
  trailerKept_ = false;
}

bool TPDFDocument::ReadSections(std::size_t base) {
  ClearIndex();
  const std::string_view text = std::string_view(fileText_).substr(std::min(base, fileText_.size()));
  const auto shift = static_cast<std::int64_t>(base);
  bool ok = false;
  // A second try at the number after the word "startxref", when the
  // number before "%%EOF" leads nowhere.
  for (int attempt = 0; attempt < 2 && !ok; ++attempt) {
    TPDFXRefReader reader(text);
    reader.OnEntry = [this, shift](std::int64_t number, std::int64_t value, char type, std::int64_t extra) {
      RecordEntry(number, type == 'n' ? value + shift : value, type, extra);
    };
    reader.OnTrailer = [this](const std::string& t) { KeepTrailer(t); };
    std::optional<std::int64_t> start = reader.FindStartXRef();
    if (attempt == 1) {
      const std::optional<std::int64_t> word = reader.FindStartXRefWord();
      if (!word || *word == *start) break;
      records_.clear();
      seen_.clear();
      trailer_ = structure_.NewDictionary();
      trailerKept_ = false;
      start = word;
    }
    try {
      ok = reader.ReadSectionAt(*start);
    } catch (...) {
      // A looping or overlong chain, or more entries than the file can
      // hold: the sections cannot be used.
      ok = false;
    }
  }
  BuildIndex();
  return ok;
}

bool TPDFDocument::IndexIsSound() const {
  auto* root = trailer_ != nullptr ? PDFAs<TPDFIndRef>(trailer_->GetValue("Root")) : nullptr;
  if (root == nullptr) return false;
  const auto size = static_cast<std::int64_t>(fileText_.size());
  bool rootListed = false;
  for (const auto& e : index_) {
    if (e->ObjNum == root->ObjNum()) rootListed = true;
    if (e->Compressed) continue;
    if (e->Offset < 0 || e->Offset >= size || e->Extent <= 0) return false;
    const std::string_view text = std::string_view(fileText_).substr(static_cast<std::size_t>(e->Offset),
                                                                      static_cast<std::size_t>(std::min(e->Extent, size - e->Offset)));
    if (!TPDFIndObj::HeaderMatches(text, e->ObjNum, e->GenNum)) return false;
  }
  return rootListed;
}

bool TPDFDocument::Rebuild() {
  ClearIndex();
  TPDFObjectScan scan;
  // Fed a mebibyte at a time, so that a stop request ends a scan of a large
  // file early.
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  const std::string_view text(fileText_);
  for (std::size_t at = 0; at < text.size() && !scan.Full(); at += kPiece) {
    if (StopRequested()) throw TPDFLoadStopped{};
    scan.Feed(text.substr(at, kPiece));
  }
  scan.Finish();
  const std::vector<TPDFObjectScan::THeader> headers = scan.Newest();
  const std::size_t limit = std::min(kMaxIndexEntries, kIndexEntriesFree + fileText_.size() / 4);
  for (const TPDFObjectScan::THeader& h : headers) {
    if (records_.size() >= limit) break;
    records_.push_back({h.number, h.generation, h.offset, false, 0, 0});
    if ((h.kind & TPDFObjectScan::kObjectStream) != 0) pendingObjectStreams_.push_back({h.number, h.generation});
  }
  BuildIndex();

  // The trailer: the last trailer or cross-reference stream dictionary in
  // the file that names a catalog.
  struct Candidate {
    std::int64_t offset;
    const TPDFObjectScan::THeader* stream;
  };
  std::vector<Candidate> candidates;
  for (std::int64_t at : scan.Trailers()) candidates.push_back({at, nullptr});
  for (const TPDFObjectScan::THeader& h : headers)
    if ((h.kind & TPDFObjectScan::kXRefStream) != 0) candidates.push_back({h.offset, &h});
  std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) { return a.offset > b.offset; });
  if (candidates.size() > kMaxTrailerCandidates) candidates.resize(kMaxTrailerCandidates);
  std::string newest;  // the newest dictionary met, which names no catalog
  for (const Candidate& c : candidates) {
    TPDFStructure scratch;
    TPDFDictionary* dict = nullptr;
    if (c.stream == nullptr) {
      const std::string_view rest = std::string_view(fileText_).substr(static_cast<std::size_t>(c.offset));
      const std::size_t open = rest.substr(0, TPDFXRefReader::kTrailerWindow).find("<<");
      if (open != kNpos) dict = PDFAs<TPDFDictionary>(scratch.ParseObject(rest.substr(open, TPDFXRefReader::kTrailerWindow)));
    } else if (TPDFIndObj* entry = FindIndObj(c.stream->number, c.stream->generation)) {
      if (auto* stream = PDFAs<TPDFStream>(entry->LoadObject())) dict = stream->Dictionary();
    }
    if (dict == nullptr) continue;
    if (PDFAs<TPDFIndRef>(dict->GetValue("Root")) != nullptr) {
      KeepTrailer(dict->AsText());
      if (trailerKept_) return true;
    }
    if (newest.empty()) newest = dict->AsText();
  }
  // No trailer names one: the last object that is a catalog, with the
  // newest trailer's other keys (/Info, /Encrypt, /ID); without an /Info
  // there, the last information dictionary.
  for (auto h = headers.rbegin(); h != headers.rend(); ++h) {
    if ((h->kind & TPDFObjectScan::kCatalog) == 0) continue;
    TPDFIndObj* entry = FindIndObj(h->number, h->generation);
    auto* catalog = entry != nullptr ? PDFAs<TPDFDictionary>(entry->LoadObject()) : nullptr;
    if (catalog == nullptr || catalog->TypeName() != "Catalog") continue;
    KeepTrailer(newest.empty() ? "<< >>" : newest);
    if (!trailerKept_) return false;
    trailer_->SetValue("Root", structure_.NewIndRef(h->number, h->generation));
    if (trailer_->GetValue("Info") == nullptr) {
      for (auto i = headers.rbegin(); i != headers.rend(); ++i) {
        if ((i->kind & TPDFObjectScan::kInfo) == 0) continue;
        trailer_->SetValue("Info", structure_.NewIndRef(i->number, i->generation));
        break;
      }
    }
    return true;
  }
  return false;
}

void TPDFDocument::IndexObjectStreams() {
  // The members of the object streams a rebuild found, for numbers that no
  // object of the file defines itself. Run once the password is known, as
  // the streams of an encrypted file are decrypted before they are read.
  std::vector<std::pair<std::int32_t, std::int32_t>> streams;
  streams.swap(pendingObjectStreams_);
  std::unordered_set<std::int32_t> known;
  for (const auto& e : index_) known.insert(e->ObjNum);
  const std::size_t limit = std::min(kMaxIndexEntries, kIndexEntriesFree + fileText_.size() / 4);
  // Decoding stops once kMaxIndexedObjectStreamBytes were decoded, so a
  // file of many small streams that each expand to the decoder's cap costs
  // a bounded time.
  std::uint64_t decoded = 0;
  for (const auto& [number, generation] : streams) {
    if (decoded >= kMaxIndexedObjectStreamBytes || StopRequested()) break;
    TPDFIndObj* holder = FindIndObj(number, generation);
    auto* objStm = holder != nullptr ? PDFAs<TPDFStream>(holder->LoadObject()) : nullptr;
    if (objStm == nullptr || objStm->Dictionary()->TypeName() != "ObjStm") continue;
    if (CanDecrypt()) DecryptObject(*holder);
    const auto* firstNum = PDFAs<TPDFNumeric>(objStm->Dictionary()->GetValue("First"));
    const auto* countNum = PDFAs<TPDFNumeric>(objStm->Dictionary()->GetValue("N"));
    if (firstNum == nullptr || countNum == nullptr) continue;
    const std::int64_t first = firstNum->Int64Value(), count = countNum->Int64Value();
    if (first <= 0 || count <= 0 || first > static_cast<std::int64_t>(kMaxObjStmHeader)) continue;
    const std::string data = objStm->DecodedStream();
    decoded += data.size();
    TPDFStructure headerStore;
    auto* pairs = PDFAs<TPDFArray>(
        headerStore.ParseObject("[ " + data.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(first, data.size()))) + " ]"));
    if (pairs == nullptr || pairs->Count() < 2 * count) continue;
    for (std::int32_t k = 0; k < count && index_.size() < limit; ++k) {
      const auto* member = PDFAs<TPDFNumeric>(pairs->Items(2 * k));
      if (member == nullptr || member->Int64Value() <= 0 || member->Int64Value() > std::numeric_limits<std::int32_t>::max()) continue;
      const auto objNum = static_cast<std::int32_t>(member->Int64Value());
      if (!known.insert(objNum).second) continue;
      auto entry = std::make_unique<TPDFIndObj>(*this);
      entry->ObjNum = objNum;
      entry->GenNum = 0;
      entry->Compressed = true;
      entry->StreamObjNum = number;
      entry->StreamIndex = k;
      byNumber_.emplace(NumberKey(objNum, 0), entry.get());
      index_.push_back(std::move(entry));
    }
  }
}

void TPDFDocument::RecordEntry(std::int64_t number, std::int64_t value, char type, std::int64_t extra) {
  if (type != 'n' && type != 'c') return;
  if (number < 0 || number > std::numeric_limits<std::int32_t>::max()) return;
  const auto objNum = static_cast<std::int32_t>(number);
  if (!seen_.insert(objNum).second) return;
  const std::size_t limit = std::min(kMaxIndexEntries, kIndexEntriesFree + fileText_.size() / 4);
  if (records_.size() >= limit) throw TooManyEntries();
  if (type == 'n') {
    // A generation beyond 32 bits keeps its low 32 bits; a negative result
    // leaves the entry out of the index.
    records_.push_back({objNum, static_cast<std::int32_t>(static_cast<std::uint32_t>(extra)), value, false, 0, 0});
  } else {
    records_.push_back({objNum, 0, 0, true, static_cast<std::int32_t>(static_cast<std::uint32_t>(value)),
                        static_cast<std::int32_t>(static_cast<std::uint32_t>(extra))});
  }
}

void TPDFDocument::KeepTrailer(const std::string& text) {
  if (trailerKept_) return;
  auto* dict = PDFAs<TPDFDictionary>(structure_.ParseObject(text));
  if (dict == nullptr) return;
  trailer_ = dict;
  trailerKept_ = true;
  for (const char* key : {"Prev", "Type", "W", "Index", "Length", "Filter"}) trailer_->DeleteKey(key);
}

void TPDFDocument::BuildIndex() {
  byNumber_.clear();
  index_.clear();
  std::vector<Record> sorted;
  sorted.reserve(records_.size());
  for (const Record& r : records_)
    if (r.genNum >= 0) sorted.push_back(r);
  std::stable_sort(sorted.begin(), sorted.end(), [](const Record& a, const Record& b) { return a.offset < b.offset; });
  index_.reserve(sorted.size());
  const auto fileLength = static_cast<std::int64_t>(fileText_.size());
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    auto entry = std::make_unique<TPDFIndObj>(*this);
    entry->ObjNum = sorted[i].objNum;
    entry->GenNum = sorted[i].genNum;
    entry->Offset = sorted[i].offset;
    entry->Extent = (i + 1 < sorted.size() ? sorted[i + 1].offset : fileLength) - sorted[i].offset;
    entry->Compressed = sorted[i].compressed;
    entry->StreamObjNum = sorted[i].streamObjNum;
    entry->StreamIndex = sorted[i].streamIndex;
    byNumber_.emplace(NumberKey(entry->ObjNum, entry->GenNum), entry.get());
    index_.push_back(std::move(entry));
  }
  records_.clear();
  records_.shrink_to_fit();
}

TPDFIndObj* TPDFDocument::FindIndObj(std::int32_t objNum, std::int32_t genNum) const {
  const auto it = byNumber_.find(NumberKey(objNum, genNum));
  return it != byNumber_.end() ? it->second : nullptr;
}

TPDFIndObj& TPDFDocument::AddIndirectObject(TPDFObject* body) {
  std::int32_t next = 1;
  for (const auto& e : index_)
    if (e->ObjNum >= next && e->ObjNum < std::numeric_limits<std::int32_t>::max()) next = e->ObjNum + 1;
  auto entry = std::make_unique<TPDFIndObj>(*this);
  entry->ObjNum = next;
  entry->GenNum = 0;
  entry->Offset = static_cast<std::int64_t>(fileText_.size());
  entry->Parsed = true;
  entry->Body = body;
  if (body != nullptr) body->MarkIndirect(next, 0);
  TPDFIndObj& ref = *entry;
  byNumber_.emplace(NumberKey(next, 0), entry.get());
  index_.push_back(std::move(entry));
  return ref;
}

}  // namespace tessaly::pdf
