// TSmartPDFDocument: the document side of a direct-access link and its page
// operations.
//
// The document has its own store, which receives every object fetched for
// the page operations and every page handle; all of them live until the
// document is destroyed. At creation it finds the catalog through the
// trailers and, when the catalog's /Pages is a reference, the root node of
// the page tree. The page tree is walked object by object: only the nodes on
// the path to a page and their kids are fetched, and the /Count of a node
// lets the walk skip its whole subtree.
//
// Page handles are references (object number and generation of a page
// object) made in the document's store. Page-tree loops (a /Kids or /Parent
// chain that comes back to a node already visited) give no page, or 0.
// Errors raised while objects are fetched are not caught here.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "pdf/PDFStructure.h"

namespace tessaly::pdf {

class TPDFArray;
class TPDFDictionary;
class TPDFIndRef;
class TPDFObject;
class TSmartPDFInfo;
class TSmartPDFReader;

class TSmartPDFDocument {
 public:
  // Finds the catalog and the page-tree root through `reader` (not owned).
  TSmartPDFDocument(TSmartPDFReader& reader, TSmartPDFInfo& info);
  ~TSmartPDFDocument();
  TSmartPDFDocument(const TSmartPDFDocument&) = delete;
  TSmartPDFDocument& operator=(const TSmartPDFDocument&) = delete;

  TPDFStructure& Store() { return store_; }
  TSmartPDFInfo& Info() { return info_; }
  // Object n parsed into the document's store, or nullptr.
  TPDFObject* GetDocObject(std::int64_t n);

  TPDFIndRef* CatalogReference() const { return catalogRef_; }
  TPDFDictionary* Catalog() const { return catalog_; }
  TPDFIndRef* RootReference() const { return rootRef_; }
  // The root node of the page tree, or nullptr when the catalog has none.
  TPDFDictionary* Root() const { return root_; }

  // The root node's /Count, rounded; 1 without a root node or when /Count
  // is not a number.
  std::int32_t PageCount();
  // A handle of page n (1-based), or nullptr. Asking for page n + 1 right
  // after page n first tries the next kid of page n's parent.
  TPDFIndRef* FindPage(std::int32_t n);
  // True when `handle` belongs to this document's store and its object is
  // a dictionary whose /Type is "Page". The pointer must be one this
  // document handed out (the caller checks that).
  bool IsPageHandle(const TPDFIndRef* handle);
  // |x2 - x1| and |y2 - y1| of the page's /MediaBox, inherited from the
  // nearest ancestor that has one; 0 without a box. /Rotate and /CropBox
  // are not consulted.
  double PageWidth(const TPDFIndRef* handle);
  double PageHeight(const TPDFIndRef* handle);

 private:
  TPDFIndRef* NextSiblingPage();
  TPDFIndRef* SearchPageTree(std::int32_t n);
  // The /MediaBox array for the page of `handle`, or nullptr.
  TPDFArray* MediaBox(const TPDFIndRef* handle);
  // `obj`, or for a reference the object it names, fetched into the
  // document's store.
  TPDFObject* Resolve(TPDFObject* obj);

  TSmartPDFReader& reader_;
  TSmartPDFInfo& info_;
  TPDFStructure store_;
  TPDFIndRef* catalogRef_ = nullptr;
  TPDFDictionary* catalog_ = nullptr;
  TPDFIndRef* rootRef_ = nullptr;
  TPDFDictionary* root_ = nullptr;
  // Sequential page memory: the last page number asked for and the handle
  // then returned.
  std::int32_t lastPage_ = 0;
  TPDFIndRef* lastHandle_ = nullptr;
};

}  // namespace tessaly::pdf
