// TSmartPDFLinkList: the toolkit's list of open direct-access links and the
// direct-access operations over it (open, close, page count, find page, page
// width and height).
//
// Handles are plain values, never pointers: a link handle is a serial number
// given out once per successful open and never reused, and a page handle
// carries its link's serial together with its own number. A handle is
// accepted only when the list holds it (a link not handed out, or already
// closed, is rejected without touching memory), and a page handle only by
// the link that gave it out.
//
// Rule kept for callers: while a link to a file is open, a second open of
// the same file (same device and inode, whatever path names it) fails.
//
// Errors raised while a page operation fetches objects (a store reaching its
// object limit) are not caught here; they reach the caller.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::pdf {

class TPDFIndRef;
class TSmartPDFLink;
class TSmartPDFSource;

// A direct-access link handle; the default value is "none".
struct TDALink {
  std::uint32_t id = 0;
  explicit operator bool() const { return id != 0; }
  bool operator==(const TDALink&) const = default;
};

// A page handle of a link; the default value is "none".
struct TDAPage {
  std::uint64_t id = 0;
  explicit operator bool() const { return id != 0; }
  bool operator==(const TDAPage&) const = default;
};

class TSmartPDFLinkList {
 public:
  TSmartPDFLinkList();
  ~TSmartPDFLinkList();
  TSmartPDFLinkList(const TSmartPDFLinkList&) = delete;
  TSmartPDFLinkList& operator=(const TSmartPDFLinkList&) = delete;

  // Opens `fileName` for direct access (read-only); none when it cannot be
  // opened (see TSmartPDFLink) or when a link to the same file is open.
  TDALink Open(const std::string& fileName, std::string_view password = {});
  // The same over caller-supplied bytes (tests, fuzzing); never refused as
  // a second open.
  TDALink Open(std::unique_ptr<TSmartPDFSource> source, std::string_view password = {});
  // 1 after closing an open link (its file is closed and every object and
  // page handle of it is gone), 0 for a handle that is not accepted.
  int Close(TDALink link);
  // The number of open links.
  std::size_t Count() const { return links_.size(); }

  // The link's page count; 0 when the link is not accepted.
  std::int32_t PageCount(TDALink link);
  // A handle of page n (1-based), or none (also when the link is not
  // accepted).
  TDAPage FindPage(TDALink link, std::int32_t n);
  // Width and height of the page's media box; 0 when the link or the page
  // handle is not accepted.
  double PageWidth(TDALink link, TDAPage page);
  double PageHeight(TDALink link, TDAPage page);

  // The open link behind a handle, or nullptr.
  TSmartPDFLink* Find(TDALink link) const;

 private:
  struct TEntry;
  TEntry* FindEntry(TDALink link) const;
  const TPDFIndRef* AcceptedPage(TEntry& entry, TDAPage page);
  TDALink Add(std::unique_ptr<TSmartPDFLink> link);

  std::vector<std::unique_ptr<TEntry>> links_;
  std::uint32_t lastId_ = 0;
};

}  // namespace tessaly::pdf
