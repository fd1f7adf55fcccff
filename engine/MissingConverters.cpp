// A thread's record of converter programs that could not be started.
#include "engine/MissingConverters.h"

#include <algorithm>
#include <vector>

namespace tessaly::engine {
namespace {

struct Missing {
  std::string program;
  std::string package;
  std::vector<std::string> types;
};

std::vector<Missing>& Record() {
  thread_local std::vector<Missing> record;
  return record;
}

}  // namespace

void NoteMissingConverter(const std::string& program, const std::string& typeName, const std::string& package) {
  auto& record = Record();
  auto it = std::find_if(record.begin(), record.end(), [&](const Missing& m) { return m.program == program; });
  if (it == record.end()) it = record.insert(record.end(), Missing{program, package, {}});
  if (std::find(it->types.begin(), it->types.end(), typeName) == it->types.end()) it->types.push_back(typeName);
}

void ClearMissingConverters() { Record().clear(); }

std::string TakeMissingConvertersMessage() {
  auto& record = Record();
  if (record.empty()) return {};
  std::string message = "These converter programs could not be started; the documents they read were not searched:\n";
  for (const Missing& m : record) {
    message += m.program;
    if (!m.package.empty()) message += " (package " + m.package + ")";
    message += ": ";
    for (std::size_t i = 0; i < m.types.size(); ++i) {
      if (i > 0) message += ", ";
      message += m.types[i];
    }
    message += " files\n";
  }
  record.clear();
  return message;
}

}  // namespace tessaly::engine
