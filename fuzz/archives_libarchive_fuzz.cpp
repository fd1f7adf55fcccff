// Fuzz target of the listing through libarchive: every input is listed as
// each family (compressed tarball, 7-Zip, ISO, cpio, single compressed
// file), searched for an appended archive as a program, and walked for
// member data behind the data limits, as a content search would.
#include <cstddef>
#include <cstdint>
#include <string>

#include "archives/ArchiveKinds.h"
#include "archives/LibArchive.h"
#include "archives/SfxLocator.h"

namespace {

using namespace tessaly::archives;

// Inputs beyond this add nothing the header walks have not seen.
constexpr std::size_t kMaxInput = 1 << 20;
// Member data read per input: past it a read is "too large", as for the real limit.
constexpr std::uint64_t kDataLimit = 4 << 20;

struct CountingSink : TMemberSink {
  std::size_t members = 0;
  void Member(const std::string& name, const std::string& sizeText) override {
    if (!name.empty() && !sizeText.empty()) ++members;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  tessaly::engine::SearchCriteria criteria;
  criteria.archiveFormats.fill(true);
  criteria.listFolders = (size & 1) != 0;
  TMemorySource source(data, size);
  source.SetName("input.bin.gz");
  for (LibFamily family : {LibFamily::Tarball, LibFamily::SevenZip, LibFamily::Iso, LibFamily::Cpio,
                           LibFamily::Single}) {
    CountingSink sink;
    ListLibArchive(criteria, source, family, sink);
  }
  CountingSink sfx;
  ArchiveKindOf("setup.exe")->reader(criteria, source, sfx);
  IsCompressedStream(source);

  TLibArchive archive(source, LibFamily::Members);
  LibEntry entry;
  std::string bytes;
  std::uint64_t budget = kDataLimit;
  while (archive.Next(entry) && budget > 0) {
    if (entry.folder || entry.encrypted) continue;
    const LibFault fault = archive.ReadData(bytes, budget);
    budget -= bytes.size() < budget ? bytes.size() : budget;
    if (fault != LibFault::None && archive.Fault() != LibFault::None) break;
  }
  return 0;
}
