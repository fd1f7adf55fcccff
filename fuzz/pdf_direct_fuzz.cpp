// Fuzz target of the direct-access reader: opens the input as a PDF file by
// direct access, asks for the page count and the size of every page, and
// fetches every listed object once.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "pdf/PDFStructure.h"
#include "pdf/SmartPDFLinkList.h"
#include "pdf/SmartPDFLink.h"
#include "pdf/SmartPDFReader.h"
#include "pdf/SmartPDFSource.h"

using namespace tessaly::pdf;

namespace {

// Inputs beyond this add no new paths, only time.
constexpr std::size_t kMaxInput = 64 * 1024;
// A /Count can claim any number of pages; asking for more than this many
// adds nothing but time.
constexpr std::int32_t kMaxPagesAsked = 200;
constexpr std::int64_t kMaxObjectsFetched = 500;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    TSmartPDFLinkList links;
    const TDALink link = links.Open(std::make_unique<TSmartPDFMemorySource>(bytes));
    if (!link) return 0;
    const std::int32_t count = std::clamp(links.PageCount(link), 0, kMaxPagesAsked);
    for (std::int32_t n = 1; n <= count + 1; ++n) {
      const TDAPage page = links.FindPage(link, n);
      links.PageWidth(link, page);
      links.PageHeight(link, page);
    }
    links.FindPage(link, 0);
    links.FindPage(link, -1);
    TSmartPDFReader* reader = links.Find(link)->Reader();
    const std::int64_t last = std::min(reader->EntryTableSize(), kMaxObjectsFetched);
    for (std::int64_t n = 1; n < last; ++n) reader->FetchObject(n);
    links.Close(link);
  } catch (const TPDFObjectLimitError&) {
    // A store full of objects is the one error the page operations pass on.
  }
  return 0;
}
