// Helpers of the archive reader tests: fixtures from tests/data/archives,
// criteria with every format on, and members as "name|size" lines.
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archives/ArchiveDispatch.h"
#include "archives/ArchiveMember.h"
#include "archives/ByteSource.h"
#include "engine/SearchCriteria.h"

namespace tessaly::archives::testing {

inline std::string Fixture(const std::string& name) {
  std::ifstream in(std::string(TESSALY_TEST_DATA) + "/archives/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline engine::SearchCriteria AllFormats(bool listFolders = true) {
  engine::SearchCriteria c;
  c.archiveFormats.fill(true);
  c.listFolders = listFolders;
  return c;
}

inline std::vector<std::string> Lines(TArchiveReader reader, const std::string& bytes,
                                      const engine::SearchCriteria& criteria) {
  TMemorySource source(bytes);
  TMemberCollector sink;
  reader(criteria, source, sink);
  std::vector<std::string> out;
  for (const auto& m : sink.members) out.push_back(m.name + "|" + m.sizeText);
  return out;
}

inline std::vector<std::string> Lines(TArchiveReader reader, const std::string& bytes, bool listFolders = true) {
  return Lines(reader, bytes, AllFormats(listFolders));
}

}  // namespace tessaly::archives::testing
