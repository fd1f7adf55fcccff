// Fuzz target of the archive member readers: every input is walked by all
// nine readers (every format on, subfolders listed), and every member name
// is matched against a mask, as the dispatcher would.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "archives/AceReader.h"
#include "archives/ArchiveDispatch.h"
#include "archives/ArcReader.h"
#include "archives/ArjReader.h"
#include "archives/CabReader.h"
#include "archives/LzhReader.h"
#include "archives/MemberMatch.h"
#include "archives/RarReader.h"
#include "archives/TarReader.h"
#include "archives/ZipReader.h"
#include "archives/ZooReader.h"

namespace {

using namespace tessaly::archives;

// Inputs beyond this add nothing the header walks have not seen.
constexpr std::size_t kMaxInput = 1 << 20;

struct MaskingSink : TMemberSink {
  TMemberMask mask{"*[a-m]?.*"};
  std::size_t hits = 0;
  void Member(const std::string& name, const std::string& sizeText) override {
    if (mask.Matches(name) && !sizeText.empty()) ++hits;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  tessaly::engine::SearchCriteria criteria;
  criteria.archiveFormats.fill(true);
  criteria.listFolders = (size & 1) != 0;
  TMemorySource source(data, size);
  for (TArchiveReader reader : {ReadZipMembers, ReadCabMembers, ReadTarMembers, ReadRarMembers, ReadAceMembers,
                                ReadArjMembers, ReadLzhMembers, ReadZooMembers, ReadArcMembers}) {
    MaskingSink sink;
    try {
      reader(criteria, source, sink);
    } catch (const std::runtime_error&) {
      // The TAR number-field error is part of the contract.
    }
  }
  // The input's first line as a mask: compiling and matching must not fail
  // other than by the invalid-mask error.
  std::size_t n = 0;
  while (n < size && n < 64 && data[n] != '\n') ++n;
  try {
    TMemberMask mask(std::string_view(reinterpret_cast<const char*>(data), n));
    mask.Matches(std::string_view(reinterpret_cast<const char*>(data), size < 256 ? size : 256));
  } catch (const std::runtime_error&) {
  }
  return 0;
}
