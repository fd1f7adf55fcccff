// The page operations of TSmartPDFDocument: page count, finding page n
// through the sequential shortcut or a walk of the page tree, and the page
// size from the inherited /MediaBox.
#include "pdf/SmartPDFDocument.h"

#include <cmath>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "pdf/SmartPDFReader.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {

namespace {

std::int32_t ClampToInt32(std::int64_t v) {
  if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(v);
}

// Item i of a box as a number; 0 when missing or not a number.
double BoxItem(const TPDFArray* box, std::int32_t i) {
  const auto* n = PDFAs<TPDFNumeric>(box->Items(i));
  return n ? n->Value() : 0.0;
}

// Objects fetched by one walk of the page tree, kept in a scratch store that
// dies with the walk. Each object is fetched once per walk, so a /Kids array
// that names one node many times costs one read of it.
class TWalkObjects {
 public:
  explicit TWalkObjects(TSmartPDFReader& reader) : reader_(reader) {}

  TPDFObject* Get(std::int32_t n) {
    auto [it, added] = cache_.try_emplace(n, nullptr);
    if (added) it->second = reader_.FetchObject(n, &store_);
    return it->second;
  }
  TPDFObject* Resolve(TPDFObject* obj) {
    if (auto* ref = PDFAs<TPDFIndRef>(obj)) return Get(ref->ObjNum());
    return obj;
  }

 private:
  TSmartPDFReader& reader_;
  TPDFStructure store_;
  std::unordered_map<std::int32_t, TPDFObject*> cache_;
};

}  // namespace

std::int32_t TSmartPDFDocument::PageCount() {
  if (root_ == nullptr) return 1;
  const auto* count = PDFAs<TPDFNumeric>(Resolve(root_->GetValue("Count")));
  return count ? ClampToInt32(count->Int64Value()) : 1;
}

TPDFIndRef* TSmartPDFDocument::FindPage(std::int32_t n) {
  TPDFIndRef* page = nullptr;
  if (lastPage_ < std::numeric_limits<std::int32_t>::max() && n == lastPage_ + 1) page = NextSiblingPage();
  if (page == nullptr) page = SearchPageTree(n);
  lastPage_ = n;
  lastHandle_ = page;
  return page;
}

TPDFIndRef* TSmartPDFDocument::NextSiblingPage() {
  if (lastHandle_ == nullptr) return nullptr;
  auto* page = PDFAs<TPDFDictionary>(GetDocObject(lastHandle_->ObjNum()));
  if (page == nullptr) return nullptr;
  auto* parentRef = PDFAs<TPDFIndRef>(page->GetValue("Parent"));
  auto* parent = parentRef ? PDFAs<TPDFDictionary>(GetDocObject(parentRef->ObjNum())) : nullptr;
  if (parent == nullptr) return nullptr;
  auto* kids = PDFAs<TPDFArray>(Resolve(parent->GetValue("Kids")));
  if (kids == nullptr) return nullptr;
  // The last kid written the same way as the previous page ("12 0 R").
  const std::string text = lastHandle_->AsText();
  std::int32_t b = -1;
  for (std::int32_t i = kids->Count() - 1; i >= 0; --i) {
    if (TPDFObject* kid = kids->Items(i); kid != nullptr && kid->AsText() == text) {
      b = i;
      break;
    }
  }
  if (b < 0) return nullptr;
  auto* next = PDFAs<TPDFIndRef>(kids->Items(b + 1));
  if (next == nullptr) return nullptr;
  auto* nextPage = PDFAs<TPDFDictionary>(GetDocObject(next->ObjNum()));
  if (nextPage == nullptr || nextPage->TypeName() != "Page") return nullptr;
  return next;
}

TPDFIndRef* TSmartPDFDocument::SearchPageTree(std::int32_t n) {
  if (n < 1 || root_ == nullptr) return nullptr;
  TWalkObjects objects(reader_);
  // Nodes already descended into: a /Kids chain that comes back to one of
  // them is a loop and gives no page.
  std::unordered_set<std::int32_t> visited;
  if (rootRef_ != nullptr) visited.insert(rootRef_->ObjNum());
  TPDFDictionary* node = root_;
  std::int64_t count = 0;
  while (true) {
    auto* kids = PDFAs<TPDFArray>(objects.Resolve(node->GetValue("Kids")));
    if (kids == nullptr) return nullptr;
    TPDFObject* kid = nullptr;
    TPDFDictionary* kidNode = nullptr;
    std::int64_t contribution = 0;
    bool isPage = false;
    for (std::int32_t i = 0; i < kids->Count() && count < n; ++i) {
      kid = kids->Items(i);
      kidNode = nullptr;
      contribution = 0;
      isPage = false;
      if (auto* ref = PDFAs<TPDFIndRef>(kid)) {
        kidNode = PDFAs<TPDFDictionary>(objects.Get(ref->ObjNum()));
        const std::string type = kidNode ? kidNode->TypeName() : std::string();
        if (type == "Pages") {
          const auto* c = PDFAs<TPDFNumeric>(objects.Resolve(kidNode->GetValue("Count")));
          contribution = c ? ClampToInt32(c->Int64Value()) : 0;
        } else if (type == "Page") {
          contribution = 1;
          isPage = true;
        }
      }
      count += contribution;
    }
    if (count < n) return nullptr;
    if (isPage && contribution == 1) {
      auto* ref = PDFAs<TPDFIndRef>(kid);
      return store_.NewIndRef(ref->ObjNum(), ref->GenNum());
    }
    // Page n lies inside this kid: count it again from the kid's start.
    count -= contribution;
    auto* ref = PDFAs<TPDFIndRef>(kid);
    if (ref == nullptr || kidNode == nullptr) return nullptr;
    if (!visited.insert(ref->ObjNum()).second) return nullptr;
    node = kidNode;
  }
}

bool TSmartPDFDocument::IsPageHandle(const TPDFIndRef* handle) {
  if (handle == nullptr || &handle->Owner() != &store_) return false;
  const auto* page = PDFAs<TPDFDictionary>(GetDocObject(handle->ObjNum()));
  return page != nullptr && page->TypeName() == "Page";
}

TPDFArray* TSmartPDFDocument::MediaBox(const TPDFIndRef* handle) {
  auto* node = PDFAs<TPDFDictionary>(GetDocObject(handle->ObjNum()));
  // Parents already climbed to: a /Parent chain that comes back is a loop.
  std::unordered_set<std::int32_t> visited{handle->ObjNum()};
  while (node != nullptr) {
    if (auto* box = PDFAs<TPDFArray>(Resolve(node->GetValue("MediaBox")))) return box;
    TPDFObject* parent = node->GetValue("Parent");
    if (auto* ref = PDFAs<TPDFIndRef>(parent)) {
      if (!visited.insert(ref->ObjNum()).second) return nullptr;
      parent = GetDocObject(ref->ObjNum());
    }
    node = PDFAs<TPDFDictionary>(parent);
  }
  return nullptr;
}

double TSmartPDFDocument::PageWidth(const TPDFIndRef* handle) {
  const TPDFArray* box = handle ? MediaBox(handle) : nullptr;
  return box ? std::fabs(BoxItem(box, 2) - BoxItem(box, 0)) : 0.0;
}

double TSmartPDFDocument::PageHeight(const TPDFIndRef* handle) {
  const TPDFArray* box = handle ? MediaBox(handle) : nullptr;
  return box ? std::fabs(BoxItem(box, 3) - BoxItem(box, 1)) : 0.0;
}

}  // namespace tessaly::pdf
