// Fuzz target of the text inside archive members: the input is an archive
// (its kind chosen by the first byte, the rest its bytes) whose members,
// and the members of archives inside it, are read and searched for a text
// as a content search does, behind the data and nesting limits.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "archives/ArchiveKinds.h"
#include "archives/MemberMatch.h"
#include "archives/MemberText.h"
#include "engine/QuietSearchHost.h"
#include "engine/ResultStore.h"

namespace {

using namespace tessaly;

constexpr std::size_t kMaxInput = 1 << 20;
constexpr const char* kNames[] = {"in.zip", "in.tar", "in.tar.gz", "in.7z", "in.gz", "in.cpio", "in.iso", "in.exe"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > kMaxInput) return 0;
  engine::SearchCriteria criteria;
  criteria.archiveFormats.fill(true);
  criteria.containsText = "zeppelin";
  // Text, HTML and the in-process readers only: no converter is started.
  criteria.searchPdfs = false;
  engine::ResultStore store;
  engine::QuietSearchHost host;
  std::atomic<bool> stop{false};
  engine::SearchContext context{criteria, store, host, stop, nullptr};
  const std::string name = kNames[data[0] % (sizeof kNames / sizeof kNames[0])];
  archives::TMemorySource source(data + 1, size - 1);
  source.SetName(name);
  const std::vector<archives::TMemberMask> masks{archives::TMemberMask("*.txt"), archives::TMemberMask("*.htm*"),
                                                 archives::TMemberMask("*.od?"), archives::TMemberMask("*.docx")};
  archives::SearchMemberText(context, source, *archives::ArchiveKindOf(name), name, masks);
  return 0;
}
