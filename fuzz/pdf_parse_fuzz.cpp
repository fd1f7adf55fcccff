// Fuzz target of the PDF object parser: parses the input as one object,
// walks what it got through the look-ups, writes it as text, parses that
// text into a second store, renumbers and releases.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/uPDFStructure.h"

using namespace tessaly::pdf;

namespace {

// Inputs beyond this add no new paths, only time.
constexpr std::size_t kMaxInput = 64 * 1024;

void Touch(TPDFObject* obj) {
  if (auto* d = PDFAs<TPDFDictionary>(obj)) {
    d->TypeName();
    d->GetInteger("Length", 0);
    d->GetValue("Type", true);
    for (std::int32_t i = 0; i < d->Count(); ++i) {
      d->KeyAt(i)->AsText();
      Touch(d->ValueAt(i));
    }
  } else if (auto* a = PDFAs<TPDFArray>(obj)) {
    for (std::int32_t i = 0; i < a->Count(); ++i) Touch(a->Items(i));
  } else if (auto* n = PDFAs<TPDFNumeric>(obj)) {
    n->IntValue();
  } else if (auto* r = PDFAs<TPDFIndRef>(obj)) {
    r->Resolve();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TPDFStructure store;
  TPDFObject* obj = store.ParseObject(text);
  if (!obj) return 0;
  // References resolve to the parsed object itself, as a document would hand
  // back an object from its store.
  store.OnIndObjLookup = [obj](TPDFIndRef*, std::int32_t, std::int32_t, TPDFObject*& out) {
    out = obj;
  };
  Touch(obj);
  const std::string written = obj->AsText();
  TPDFStructure second;
  TPDFObject* again = second.ParseObject(written);
  if (auto* d = PDFAs<TPDFDictionary>(obj)) {
    TPDFDictionary* copy = second.NewDictionary();
    copy->CopyEntries(*d);
    d->DeleteKey("Type");
    d->ClearEntries();
  }
  if (again) {
    again->Renumber(7);
    again->Release();
  }
  obj->Release();
  return 0;
}
