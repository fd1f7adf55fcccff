// The record of converter programs that could not be started.
#include "engine/MissingConverters.h"

#include <algorithm>

namespace tessaly::engine {
namespace {

thread_local MissingConverterRecord* bound = nullptr;

}  // namespace

void MissingConverterRecord::Note(const std::string& program, const std::string& typeName,
                                  const std::string& package) {
  auto it = std::find_if(missing_.begin(), missing_.end(), [&](const Missing& m) { return m.program == program; });
  if (it == missing_.end()) it = missing_.insert(missing_.end(), Missing{program, package, {}});
  if (std::find(it->types.begin(), it->types.end(), typeName) == it->types.end()) it->types.push_back(typeName);
}

void MissingConverterRecord::Merge(const MissingConverterRecord& other) {
  for (const Missing& m : other.missing_)
    for (const std::string& type : m.types) Note(m.program, type, m.package);
}

std::string MissingConverterRecord::Message() const {
  if (missing_.empty()) return {};
  std::string message = "These converter programs could not be started; the documents they read were not searched:\n";
  for (const Missing& m : missing_) {
    message += m.program;
    if (!m.package.empty()) message += " (package " + m.package + ")";
    message += ": ";
    for (std::size_t i = 0; i < m.types.size(); ++i) {
      if (i > 0) message += ", ";
      message += m.types[i];
    }
    message += " files\n";
  }
  return message;
}

MissingConverterRecord& CurrentMissingConverters() {
  thread_local MissingConverterRecord own;
  return bound ? *bound : own;
}

BindMissingConverters::BindMissingConverters(MissingConverterRecord& record) : previous_(bound) { bound = &record; }

BindMissingConverters::~BindMissingConverters() { bound = previous_; }

void NoteMissingConverter(const std::string& program, const std::string& typeName, const std::string& package) {
  CurrentMissingConverters().Note(program, typeName, package);
}

void ClearMissingConverters() { CurrentMissingConverters().clear(); }

std::string TakeMissingConvertersMessage() {
  MissingConverterRecord& record = CurrentMissingConverters();
  std::string message = record.Message();
  record.clear();
  return message;
}

}  // namespace tessaly::engine
