// Parsing one indirect object on first use: its text from the file or from
// its object stream, the number, generation and "obj" checks, the body, and
// stream data with a direct or referenced /Length.
#include "pdf/PDFIndObj.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "pdf/PDFDocument.h"
#include "pdf/PDFLexer.h"
#include "pdf/PDFNumberText.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {
namespace {

constexpr std::size_t kNpos = std::string_view::npos;

bool IsNumberChar(char c) { return (c >= '0' && c <= '9') || c == '.'; }

// Drops the bytes before the next run of digits and points, removes that run
// and gives its 32-bit value (0 when it is not an integer).
std::int32_t TakeNumber(std::string_view& text) {
  std::size_t i = 0;
  while (i < text.size() && !IsNumberChar(text[i])) ++i;
  std::size_t j = i;
  while (j < text.size() && IsNumberChar(text[j])) ++j;
  const std::int32_t value = StrToInt32Def(text.substr(i, j - i), 0);
  text.remove_prefix(j);
  return value;
}

void SkipWhite(std::string_view& text) {
  std::size_t i = 0;
  while (i < text.size() && IsPDFWhiteSpace(static_cast<unsigned char>(text[i]))) ++i;
  text.remove_prefix(i);
}

std::string ObjectHeader(std::int32_t objNum, std::int32_t genNum) {
  return std::to_string(objNum) + " " + std::to_string(genNum) + " obj\r";
}

// The integer view of a direct number, or def.
std::int64_t DirectInt(TPDFObject* obj, std::int64_t def) {
  const auto* n = PDFAs<TPDFNumeric>(obj);
  return n != nullptr ? n->Int64Value() : def;
}

// Consumes "objNum genNum obj" and the white space after it (bytes that are
// not digits may come first); false when the numbers or the keyword differ.
bool TakeHeader(std::string_view& text, std::int32_t objNum, std::int32_t genNum) {
  const std::int32_t num = TakeNumber(text);
  const std::int32_t gen = TakeNumber(text);
  if (num != objNum || gen != genNum) return false;
  SkipWhite(text);
  // The keyword runs to white space or a delimiter ("obj<<", "obj[" and
  // "obj% comment" all give obj); one that reaches the end of the text is
  // none.
  std::string_view keyword;
  {
    std::size_t i = 0;
    while (i < text.size() && !IsPDFWhiteSpace(static_cast<unsigned char>(text[i])) &&
           !IsPDFDelimiter(static_cast<unsigned char>(text[i])))
      ++i;
    if (i < text.size()) keyword = text.substr(0, i);
  }
  if (keyword != "obj") return false;
  text.remove_prefix(keyword.size());
  SkipWhite(text);
  return true;
}

}  // namespace

bool TPDFIndObj::HeaderMatches(std::string_view text, std::int32_t objNum, std::int32_t genNum) {
  return TakeHeader(text, objNum, genNum);
}

TPDFObject* TPDFIndObj::LoadObject() {
  if (Parsed) return Body;
  TPDFDocument& doc = *document_;
  if (doc.loadDepth_ >= TPDFDocument::kMaxLoadDepth) return nullptr;
  struct DepthGuard {
    int& depth;
    explicit DepthGuard(int& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
  } guard(doc.loadDepth_);
  Parsed = true;
  TPDFStructure& store = doc.structure_;

  // The object's text: a view into the file, or a text built from the
  // object stream's data.
  std::string built;
  std::string_view text;
  if (!Compressed) {
    const auto size = static_cast<std::int64_t>(doc.fileText_.size());
    if (Offset >= 0 && Offset < size && Extent > 0)
      text = std::string_view(doc.fileText_).substr(static_cast<std::size_t>(Offset),
                                                     static_cast<std::size_t>(std::min(Extent, size - Offset)));
  } else {
    // The members of an object stream were decrypted with their stream.
    Decrypted = true;
    built = ObjectHeader(ObjNum, GenNum) + "null\rendobj";
    TPDFIndObj* holder = doc.FindIndObj(StreamObjNum, 0);
    auto* objStm = holder != nullptr ? PDFAs<TPDFStream>(holder->LoadObject()) : nullptr;
    if (objStm != nullptr && objStm->Dictionary()->TypeName() == "ObjStm") {
      if (doc.CanDecrypt()) doc.DecryptObject(*holder);
      const std::int64_t first = DirectInt(objStm->Dictionary()->GetValue("First"), 0);
      const std::int64_t n = DirectInt(objStm->Dictionary()->GetValue("N"), 0);
      if (first > 0 && n > 0 && StreamIndex >= 0 && StreamIndex < n &&
          first <= static_cast<std::int64_t>(TPDFDocument::kMaxObjStmHeader)) {
        const std::string data = objStm->DecodedStream();
        const std::string header = "[ " + data.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(first, data.size()))) + " ]";
        // The header's numbers are needed only here: a store of their own
        // frees them at once.
        TPDFStructure headerStore;
        auto* pairs = PDFAs<TPDFArray>(headerStore.ParseObject(header));
        const std::int64_t at = 2 * static_cast<std::int64_t>(StreamIndex);
        if (pairs != nullptr && pairs->Count() >= 2 * n) {
          const auto* number = PDFAs<TPDFNumeric>(pairs->Items(static_cast<std::int32_t>(at)));
          const auto* offset = PDFAs<TPDFNumeric>(pairs->Items(static_cast<std::int32_t>(at + 1)));
          if (number != nullptr && number->Value() == ObjNum && offset != nullptr) {
            const std::int64_t o = offset->Int64Value();
            std::int64_t end = static_cast<std::int64_t>(data.size());
            if (StreamIndex < n - 1) {
              if (const auto* next = PDFAs<TPDFNumeric>(pairs->Items(static_cast<std::int32_t>(at + 3))))
                end = next->Int64Value();
            }
            built = ObjectHeader(ObjNum, GenNum);
            const std::int64_t start = first + o;
            const std::int64_t count = end - o;
            if (o >= 0 && start >= 0 && start < static_cast<std::int64_t>(data.size()) && count > 0)
              built.append(data, static_cast<std::size_t>(start), static_cast<std::size_t>(count));
          }
        }
      }
    }
    text = built;
  }

  if (!TakeHeader(text, ObjNum, GenNum)) {
    Body = store.NewNull();
    Body->MarkIndirect(ObjNum, GenNum);
    return Body;
  }

  TPDFObject* body = store.ParseObject(text);
  if (body == nullptr) body = store.NewNull();

  if (auto* dict = PDFAs<TPDFDictionary>(body)) {
    const std::size_t streamWord = text.find("stream");
    const std::size_t endWord = text.find("endstream");
    if (streamWord != kNpos && endWord != kNpos) {
      std::size_t dataStart = kNpos;
      const std::size_t after = streamWord + 6;
      if (text.substr(after, 2) == "\r\n")
        dataStart = after + 2;
      else if (text.substr(after, 1) == "\r" || text.substr(after, 1) == "\n")
        dataStart = after + 1;
      if (dataStart != kNpos) {
        // The dictionary's /Length: a direct number, or a reference to one
        // (read without decryption).
        TPDFStructure scratch;
        auto* part = PDFAs<TPDFDictionary>(scratch.ParseObject(text.substr(0, streamWord)));
        std::int64_t length = -1;
        if (part != nullptr) {
          TPDFObject* value = part->GetValue("Length");
          if (const auto* n = PDFAs<TPDFNumeric>(value)) {
            length = n->Int64Value();
          } else if (const auto* ref = PDFAs<TPDFIndRef>(value)) {
            TPDFIndObj* target = doc.FindIndObj(ref->ObjNum(), ref->GenNum());
            if (const auto* number = PDFAs<TPDFNumeric>(target != nullptr ? target->LoadObject() : nullptr))
              length = number->Int64Value();
          }
        }
        if (length >= 0) {
          const std::size_t available = dataStart <= text.size() ? text.size() - dataStart : 0;
          const auto take = static_cast<std::size_t>(std::min<std::int64_t>(length, static_cast<std::int64_t>(available)));
          TPDFStream* stream = store.NewStream(std::string(text.substr(std::min(dataStart, text.size()), take)));
          stream->Dictionary()->CopyEntries(*dict);
          stream->Dictionary()->SetValue("Length", store.NewNumeric(static_cast<double>(take)));
          body = stream;
        }
      }
    }
  }
  body->MarkIndirect(ObjNum, GenNum);
  Body = body;
  return Body;
}

}  // namespace tessaly::pdf
