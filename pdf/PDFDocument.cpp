// Loading a whole PDF file: the header check, the cross-reference reading
// with its entry and trailer handlers, and the object index sorted by offset.
#include "pdf/PDFDocument.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <stdexcept>

#include "pdf/PDFNumberText.h"
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
  } catch (...) {
    // The password step reads only the trailer and the encryption
    // dictionary; should that fail, the document stays without an
    // accepted password and its fields read as empty.
  }
  return loaded;
}

bool TPDFDocument::CheckHeader() {
  const std::string_view head = std::string_view(fileText_).substr(0, kHeaderWindow);
  std::optional<std::string> version;
  const std::size_t pdf = head.find("%PDF-");
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
  records_.clear();
  seen_.clear();
  TPDFXRefReader reader(fileText_);
  reader.OnEntry = [this](std::int64_t number, std::int64_t value, char type, std::int64_t extra) {
    RecordEntry(number, value, type, extra);
  };
  reader.OnTrailer = [this](const std::string& text) { KeepTrailer(text); };
  bool ok = false;
  try {
    ok = reader.ReadSectionAt(reader.FindStartXRef());
  } catch (...) {
    BuildIndex();
    throw;
  }
  BuildIndex();
  return ok;
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
