// The documents and folders one search could not read, with their causes.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "engine/ReadVerdict.h"

namespace tessaly::engine {

struct UnreadableEntry {
  std::string path;  // full path of the document or folder
  UnreadableCause cause;
  bool operator==(const UnreadableEntry&) const = default;
};

class UnreadableList {
 public:
  // Entries kept; past this only the counts grow.
  static constexpr std::size_t kMaxKept = 10000;

  void Add(std::string path, UnreadableCause cause);

  bool empty() const { return total_ == 0; }
  // Every entry added, kept or not.
  std::size_t Total() const { return total_; }
  // Entries added past kMaxKept.
  std::size_t NotKept() const { return total_ - kept_.size(); }
  const std::vector<UnreadableEntry>& Kept() const { return kept_; }
  std::size_t Count(UnreadableCause cause) const { return counts_[static_cast<std::size_t>(cause)]; }

  // "Could not read 12 documents: 7 password required, 4 damaged, 1 timed
  // out" (causes in their order, those with a count only); empty when none.
  std::string SummaryLine() const;
  // The kept entries as "cause TAB path" lines (each ended by LF), then
  // "... and N more" when some were not kept.
  std::string ListText() const;

 private:
  std::vector<UnreadableEntry> kept_;
  std::array<std::size_t, kUnreadableCauseCount> counts_{};
  std::size_t total_ = 0;
};

}  // namespace tessaly::engine
