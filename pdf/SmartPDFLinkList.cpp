// TSmartPDFLinkList: handles of open direct-access links and their pages.
#include "pdf/SmartPDFLinkList.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "pdf/PDFIndRef.h"
#include "pdf/SmartPDFDocument.h"
#include "pdf/SmartPDFLink.h"
#include "pdf/SmartPDFSource.h"

namespace tessaly::pdf {

struct TSmartPDFLinkList::TEntry {
  TDALink handle;
  std::unique_ptr<TSmartPDFLink> link;
  // Page handles given out, in order; page handle k + 1 is pages[k].
  std::vector<const TPDFIndRef*> pages;
};

namespace {

// True when both paths name the same file (device and inode).
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  const bool same = std::filesystem::equivalent(a, b, ec);
  return !ec && same;
}

}  // namespace

TSmartPDFLinkList::TSmartPDFLinkList() = default;
TSmartPDFLinkList::~TSmartPDFLinkList() = default;

TDALink TSmartPDFLinkList::Open(const std::string& fileName, std::string_view password) {
  for (const auto& e : links_)
    if (!e->link->FileName().empty() && SameFile(fileName, e->link->FileName())) return {};
  return Add(std::make_unique<TSmartPDFLink>(fileName, password));
}

TDALink TSmartPDFLinkList::Open(std::unique_ptr<TSmartPDFSource> source, std::string_view password) {
  return Add(std::make_unique<TSmartPDFLink>(std::move(source), password));
}

TDALink TSmartPDFLinkList::Add(std::unique_ptr<TSmartPDFLink> link) {
  // An invalid link is destroyed here, which closes its file.
  if (!link->Valid()) return {};
  // Serial numbers are never reused, so a closed handle stays rejected.
  if (lastId_ == UINT32_MAX) return {};
  auto entry = std::make_unique<TEntry>();
  entry->handle = TDALink{++lastId_};
  entry->link = std::move(link);
  links_.push_back(std::move(entry));
  return links_.back()->handle;
}

TSmartPDFLinkList::TEntry* TSmartPDFLinkList::FindEntry(TDALink link) const {
  if (!link) return nullptr;
  auto it = std::find_if(links_.begin(), links_.end(),
                         [&](const auto& e) { return e->handle == link; });
  return it == links_.end() ? nullptr : it->get();
}

TSmartPDFLink* TSmartPDFLinkList::Find(TDALink link) const {
  TEntry* e = FindEntry(link);
  return e ? e->link.get() : nullptr;
}

int TSmartPDFLinkList::Close(TDALink link) {
  auto it = std::find_if(links_.begin(), links_.end(),
                         [&](const auto& e) { return link && e->handle == link; });
  if (it == links_.end()) return 0;
  links_.erase(it);
  return 1;
}

std::int32_t TSmartPDFLinkList::PageCount(TDALink link) {
  TEntry* e = FindEntry(link);
  return e ? e->link->Document()->PageCount() : 0;
}

TDAPage TSmartPDFLinkList::FindPage(TDALink link, std::int32_t n) {
  TEntry* e = FindEntry(link);
  if (e == nullptr) return {};
  const TPDFIndRef* page = e->link->Document()->FindPage(n);
  if (page == nullptr || e->pages.size() >= UINT32_MAX - 1) return {};
  e->pages.push_back(page);
  return TDAPage{(static_cast<std::uint64_t>(e->handle.id) << 32) | e->pages.size()};
}

const TPDFIndRef* TSmartPDFLinkList::AcceptedPage(TEntry& entry, TDAPage page) {
  if ((page.id >> 32) != entry.handle.id) return nullptr;
  const std::uint64_t k = page.id & 0xFFFFFFFFu;
  if (k == 0 || k > entry.pages.size()) return nullptr;
  const TPDFIndRef* ref = entry.pages[k - 1];
  return entry.link->Document()->IsPageHandle(ref) ? ref : nullptr;
}

double TSmartPDFLinkList::PageWidth(TDALink link, TDAPage page) {
  TEntry* e = FindEntry(link);
  const TPDFIndRef* ref = e ? AcceptedPage(*e, page) : nullptr;
  return ref ? e->link->Document()->PageWidth(ref) : 0.0;
}

double TSmartPDFLinkList::PageHeight(TDALink link, TDAPage page) {
  TEntry* e = FindEntry(link);
  const TPDFIndRef* ref = e ? AcceptedPage(*e, page) : nullptr;
  return ref ? e->link->Document()->PageHeight(ref) : 0.0;
}

}  // namespace tessaly::pdf
