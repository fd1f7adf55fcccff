// TSmartPDFDocument: catalog and page-tree root of a direct-access link, and
// objects fetched into the document's store.
#include "pdf/SmartPDFDocument.h"

#include "pdf/SmartPDFInfo.h"
#include "pdf/SmartPDFReader.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {

TSmartPDFDocument::TSmartPDFDocument(TSmartPDFReader& reader, TSmartPDFInfo& info)
    : reader_(reader), info_(info) {
  catalogRef_ = reader_.TrailerReference("Root");
  catalog_ = reader_.TrailerDictionary("Root");
  if (catalog_ == nullptr || catalog_->TypeName() != "Catalog") return;
  rootRef_ = PDFAs<TPDFIndRef>(catalog_->GetValue("Pages"));
  if (rootRef_ != nullptr) root_ = PDFAs<TPDFDictionary>(GetDocObject(rootRef_->ObjNum()));
}

TSmartPDFDocument::~TSmartPDFDocument() = default;

TPDFObject* TSmartPDFDocument::GetDocObject(std::int64_t n) {
  // Editing operations would put replacement objects in front of the file's
  // objects; this system has none, so every object comes from the file.
  return reader_.FetchObject(n, &store_);
}

TPDFObject* TSmartPDFDocument::Resolve(TPDFObject* obj) {
  if (auto* ref = PDFAs<TPDFIndRef>(obj)) return GetDocObject(ref->ObjNum());
  return obj;
}

}  // namespace tessaly::pdf
