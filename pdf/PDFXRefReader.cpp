// The cross-reference reader: the startxref offset, the 40-byte window that
// tells a table from a stream, table subsections and their trailer, and the
// binary entries of cross-reference streams (field widths 0 to 8).
#include "pdf/PDFXRefReader.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "pdf/PDFLexer.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {
namespace {

constexpr std::size_t kNpos = std::string_view::npos;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal value of a digit run; false when empty or beyond int64.
bool DigitsValue(std::string_view digits, std::int64_t& value) {
  if (digits.empty()) return false;
  std::int64_t v = 0;
  for (char c : digits) {
    if (!IsDigit(c)) return false;
    if (v > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10) return false;
    v = v * 10 + (c - '0');
  }
  value = v;
  return true;
}

// A fixed-width decimal field of a table entry: leading blanks allowed, then
// digits only; anything else reads as 0.
std::int64_t EntryNumber(std::string_view field) {
  std::size_t i = 0;
  while (i < field.size() && field[i] == ' ') ++i;
  std::int64_t v = 0;
  return DigitsValue(field.substr(i), v) ? v : 0;
}

// A number's integer view when `obj` is a direct number.
bool DirectInteger(TPDFObject* obj, std::int64_t& value) {
  const auto* n = PDFAs<TPDFNumeric>(obj);
  if (n == nullptr) return false;
  value = n->Int64Value();
  return true;
}

}  // namespace

std::string_view TPDFXRefReader::ReadBytes(std::int64_t offset, std::int64_t count) const {
  if (count <= 0) return {};
  const auto size = static_cast<std::int64_t>(fileText_.size());
  if (offset < 0) offset = 0;
  if (offset >= size) return {};
  const std::int64_t take = std::min(count, size - offset);
  return fileText_.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(take));
}

std::int64_t TPDFXRefReader::FindStartXRef() const {
  const auto size = static_cast<std::int64_t>(fileText_.size());
  const std::int64_t tailStart = std::max<std::int64_t>(0, size - kTailWindow);
  const std::size_t eofInTail = ReadBytes(tailStart, kTailWindow).rfind("%%EOF");
  if (eofInTail == kNpos) return 0;
  const std::int64_t eof = tailStart + static_cast<std::int64_t>(eofInTail);
  const std::int64_t before = std::max<std::int64_t>(0, eof - kStartXRefWindow);
  const std::string_view lead = ReadBytes(before, eof - before);
  std::size_t end = lead.size();
  while (end > 0 && IsPDFWhiteSpace(static_cast<unsigned char>(lead[end - 1]))) --end;
  std::size_t start = end;
  while (start > 0 && IsDigit(lead[start - 1])) --start;
  std::int64_t value = 0;
  if (!DigitsValue(lead.substr(start, end - start), value)) return 0;
  if (value > std::numeric_limits<std::int32_t>::max()) return 0;
  return value;
}

std::optional<std::int64_t> TPDFXRefReader::FindStartXRefWord() const {
  const auto size = static_cast<std::int64_t>(fileText_.size());
  const std::int64_t from = std::max<std::int64_t>(0, size - kStartXRefSearch);
  const std::string_view tail = ReadBytes(from, kStartXRefSearch);
  const std::size_t word = tail.rfind("startxref");
  if (word == kNpos) return std::nullopt;
  std::size_t p = word + 9;
  while (p < tail.size() && IsPDFWhiteSpace(static_cast<unsigned char>(tail[p]))) ++p;
  std::size_t end = p;
  while (end < tail.size() && IsDigit(tail[end]) && end - p < 12) ++end;
  std::int64_t value = 0;
  if (!DigitsValue(tail.substr(p, end - p), value) || value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return value;
}

bool TPDFXRefReader::ReadSectionAt(std::int64_t offset) {
  if (nesting_ >= kMaxXRefStmNesting) throw TPDFXRefChainError("Cross-reference streams nested too deeply");
  struct NestingGuard {
    int& depth;
    explicit NestingGuard(int& d) : depth(d) { ++depth; }
    ~NestingGuard() { --depth; }
  } guard(nesting_);

  std::optional<std::int64_t> next = offset;
  while (next) {
    // A chain that comes back to a section already read would never end.
    if (!visited_.insert(*next).second)
      throw TPDFXRefChainError("Cross-reference chain loops back to offset " + std::to_string(*next));
    if (visited_.size() > static_cast<std::size_t>(kMaxSectionChain))
      throw TPDFXRefChainError("Cross-reference chain too long");
    const TSectionLinks links = ReadOneSection(*next);
    if (!links.ok) return false;
    // The stream of a hybrid file is read before the older sections; its
    // own result does not count.
    if (links.xrefStm) ReadSectionAt(*links.xrefStm);
    next = links.prev;
  }
  return true;
}

TPDFXRefReader::TSectionLinks TPDFXRefReader::ReadOneSection(std::int64_t offset) {
  const std::int64_t windowStart = offset < kSectionLead ? 0 : offset - kSectionLead;
  const std::string_view window = ReadBytes(windowStart, kSectionWindow);
  const std::size_t txref = window.find("txref");
  std::size_t xref = window.find("xref");
  const std::size_t obj = window.find(" obj");
  // The end of the word startxref is not a table.
  if (xref != kNpos && txref != kNpos && xref == txref + 1) xref = kNpos;
  if (xref == kNpos && obj != kNpos) return ReadXRefStream(windowStart + static_cast<std::int64_t>(obj) + 4);
  if (xref != kNpos && (obj == kNpos || xref < obj)) return ReadTable(windowStart + static_cast<std::int64_t>(xref) + 4);
  return {};
}

std::int64_t TPDFXRefReader::SkipComments(std::int64_t offset) const {
  // White space and comments before a subsection header; the header reading
  // skips white space by itself, so the offset only moves past a comment.
  const auto size = static_cast<std::int64_t>(fileText_.size());
  std::int64_t p = std::max<std::int64_t>(offset, 0);
  std::int64_t after = offset;
  while (p < size) {
    const auto c = static_cast<unsigned char>(fileText_[static_cast<std::size_t>(p)]);
    if (IsPDFWhiteSpace(c)) {
      ++p;
    } else if (c == '%') {
      while (p < size && fileText_[static_cast<std::size_t>(p)] != '\r' && fileText_[static_cast<std::size_t>(p)] != '\n') ++p;
      after = p;
    } else {
      break;
    }
  }
  return after;
}

TPDFXRefReader::TSectionLinks TPDFXRefReader::ReadTable(std::int64_t offset) {
  std::int64_t t = offset;
  for (;;) {
    t = SkipComments(t);
    const std::string_view header = ReadBytes(t, 20);
    if (header.find("trailer") != kNpos) break;
    // Two numbers with whatever separates them; the header must end (at the
    // first digit of the first entry) inside these 20 bytes.
    std::size_t p = 0;
    while (p < header.size() && !IsDigit(header[p])) ++p;
    const std::size_t firstStart = p;
    while (p < header.size() && IsDigit(header[p])) ++p;
    const std::string_view firstDigits = header.substr(firstStart, p - firstStart);
    while (p < header.size() && !IsDigit(header[p])) ++p;
    const std::size_t secondStart = p;
    while (p < header.size() && IsDigit(header[p])) ++p;
    const std::string_view secondDigits = header.substr(secondStart, p - secondStart);
    while (p < header.size() && !IsDigit(header[p])) ++p;
    if (p >= header.size()) return {};
    t += static_cast<std::int64_t>(p);

    std::int64_t start = -1, count = 0;
    if (!DigitsValue(firstDigits, start) || start > std::numeric_limits<std::int32_t>::max()) start = -1;
    if (!DigitsValue(secondDigits, count) || count > std::numeric_limits<std::int32_t>::max()) count = 0;
    if (start < 0 || count <= 0) break;

    const std::string_view entries = ReadBytes(t, count * 20);
    const std::int64_t complete = static_cast<std::int64_t>(entries.size()) / 20;
    for (std::int64_t k = 0; k < complete; ++k) {
      const std::string_view entry = entries.substr(static_cast<std::size_t>(20 * k), 20);
      if (OnEntry) OnEntry(start + k, EntryNumber(entry.substr(0, 10)), entry[17], EntryNumber(entry.substr(11, 5)));
    }
    t += count * 20;
  }

  const std::string_view rest = ReadBytes(t, kTrailerWindow);
  const std::size_t word = rest.find("trailer");
  if (word == kNpos) return {};
  // "trailer<<" is written without white space by some producers: only
  // white space after the word is dropped.
  std::size_t bodyStart = word + 7;
  while (bodyStart < rest.size() && IsPDFWhiteSpace(static_cast<unsigned char>(rest[bodyStart]))) ++bodyStart;
  const std::string_view body = rest.substr(bodyStart);
  if (body.find("<<") == kNpos || body.find(">>") == kNpos) return {};
  TPDFStructure scratch;
  auto* trailer = PDFAs<TPDFDictionary>(scratch.ParseObject(body));
  if (trailer == nullptr) return {};
  if (OnTrailer) OnTrailer(trailer->AsText());

  TSectionLinks links;
  links.ok = true;
  std::int64_t next = 0;
  if (DirectInteger(trailer->GetValue("XRefStm"), next)) links.xrefStm = next;
  if (DirectInteger(trailer->GetValue("Prev"), next)) links.prev = next;
  return links;
}

std::uint64_t TPDFXRefReader::ReadField(std::string_view data, std::size_t& pos, int width, std::uint64_t def) {
  if (width <= 0) return def;
  const std::size_t start = pos;
  pos += static_cast<std::size_t>(width);
  if (start >= data.size() || data.size() - start < static_cast<std::size_t>(width)) return 0;
  std::uint64_t value = 0;
  for (int i = 0; i < width; ++i) value = (value << 8) | static_cast<std::uint8_t>(data[start + static_cast<std::size_t>(i)]);
  return value;
}

TPDFXRefReader::TSectionLinks TPDFXRefReader::ReadXRefStream(std::int64_t offset) {
  const std::string_view window = ReadBytes(offset, kTrailerWindow);
  TPDFStructure scratch;
  auto* dict = PDFAs<TPDFDictionary>(scratch.ParseObject(window));
  if (dict == nullptr || dict->TypeName() != "XRef") return {};
  std::int64_t size = 0;
  if (!DirectInteger(dict->GetValue("Size"), size)) return {};

  struct Subsection {
    std::int64_t first;
    std::int64_t count;
  };
  std::vector<Subsection> subsections;
  if (auto* index = PDFAs<TPDFArray>(dict->GetValue("Index"))) {
    for (std::int32_t i = 0; i < index->Count() / 2; ++i) {
      std::int64_t first = 0, count = 0;
      DirectInteger(index->Items(2 * i), first);
      DirectInteger(index->Items(2 * i + 1), count);
      subsections.push_back({first, count});
    }
  } else {
    subsections.push_back({0, size});
  }
  std::int64_t prev = 0;
  DirectInteger(dict->GetValue("Prev"), prev);

  auto* widths = PDFAs<TPDFArray>(dict->GetValue("W"));
  if (widths != nullptr && widths->Count() > 2) {
    std::int64_t w[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) DirectInteger(widths->Items(i), w[i]);
    const std::size_t streamWord = window.find("stream");
    std::int64_t length = 0;
    // Fields are 0 to 8 bytes wide (a wider one cannot hold an offset), and
    // an entry must take at least one byte, or the entries would not move
    // through the data.
    const bool widthsUsable = std::all_of(std::begin(w), std::end(w), [](std::int64_t x) { return x >= 0 && x <= 8; }) &&
                              w[0] + w[1] + w[2] > 0;
    if (widthsUsable && streamWord != kNpos && DirectInteger(dict->GetValue("Length"), length) && length >= 0) {
      std::size_t dataStart = streamWord + 6;
      if (dataStart < window.size() && window[dataStart] == '\n')
        dataStart += 1;
      else if (dataStart < window.size() && window[dataStart] == '\r')
        dataStart += 2;
      const std::string_view raw = ReadBytes(offset + static_cast<std::int64_t>(dataStart), length);
      if (static_cast<std::int64_t>(raw.size()) == length) {
        TPDFStream* stream = scratch.NewStream(std::string(raw));
        stream->SetDictionary(dict);
        const std::string data = stream->DecodedStream();
        std::size_t pos = 0;
        const int w1 = static_cast<int>(w[0]), w2 = static_cast<int>(w[1]), w3 = static_cast<int>(w[2]);
        for (const Subsection& s : subsections) {
          for (std::int64_t k = 0; k < s.count; ++k) {
            // Every entry past the end of the data would read as zeros.
            if (pos >= data.size()) break;
            const std::int64_t n = s.first + k;
            const std::uint64_t type = ReadField(data, pos, w1, 1);
            // Every entry takes its three fields, whatever its type, so the
            // entries after one of an unknown type stay in step.
            const auto value = static_cast<std::int64_t>(
                std::min<std::uint64_t>(ReadField(data, pos, w2, 0), std::numeric_limits<std::int64_t>::max()));
            const auto extra = static_cast<std::int64_t>(
                std::min<std::uint64_t>(ReadField(data, pos, w3, 0), std::numeric_limits<std::int64_t>::max()));
            if (!OnEntry) continue;
            switch (type) {
              case 0: OnEntry(n, value, 'f', extra); break;
              case 1: OnEntry(n, value, 'n', extra); break;
              case 2: OnEntry(n, value, 'c', extra); break;
              default: OnEntry(n, 0, ' ', 0); break;
            }
          }
        }
      }
    }
  }

  if (OnTrailer) OnTrailer(dict->AsText());
  TSectionLinks links;
  links.ok = true;
  if (prev >= 1) links.prev = prev;
  return links;
}

}  // namespace tessaly::pdf
