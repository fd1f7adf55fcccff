// The result store: the ordered rows of the current search, behind one lock.
//
// Rows enter only through AddHit, which drops a row whose Name and Path equal
// those of a row already there. Readers (the list view, the report, the sort)
// take the same lock. Rows are kept compactly: the holding folder of many rows
// is one shared text, so a million rows stay well under 200 MB.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ItemData.h"
#include "engine/ResultSort.h"

namespace tessaly::engine {

class ResultStore {
 public:
  ResultStore();
  ~ResultStore();
  ResultStore(const ResultStore&) = delete;
  ResultStore& operator=(const ResultStore&) = delete;

  // Appends `row` unless a row with the same Name and Path (exact bytes) is
  // there. Returns true when appended; `countAfter` receives the row count.
  bool AddHit(const ItemData& row, std::size_t* countAfter = nullptr);
  // Releases every row.
  void Clear();
  std::size_t Count() const;
  // Row i, copied under the lock; an index past the end gives an empty row.
  ItemData Row(std::size_t i) const;
  // Sorts ascending by `column` (unstable), then reverses for descending.
  void Sort(SortColumn column, bool descending);

  // Holds the lock for a whole pass over the rows (the report).
  class Reader {
   public:
    std::size_t size() const;
    RowView row(std::size_t i) const;
    // Row i's matching lines (empty when it has none).
    const std::vector<TextMatch>& matches(std::size_t i) const;

   private:
    friend class ResultStore;
    explicit Reader(const ResultStore& s);
    const ResultStore& store_;
    std::unique_lock<std::mutex> lock_;
  };
  Reader Read() const;

 private:
  struct StoredRow {
    std::string name;
    std::string size;
    std::uint32_t pathId;
    std::int64_t modified = 0;
    // Only the rows of a content search carry lines: the others stay small.
    std::unique_ptr<std::vector<TextMatch>> matches{};
  };
  RowView ViewOf(const StoredRow& r) const;
  std::uint32_t InternPath(const std::string& path);
  bool Contains(const std::string& name, std::uint32_t pathId, std::uint64_t hash) const;
  void InsertIndex(std::uint32_t rowIndex, std::uint64_t hash);
  void Rehash(std::size_t slots);

  mutable std::mutex mutex_;
  std::vector<StoredRow> rows_;
  // A deque keeps its strings in place, so the index's views stay valid.
  std::deque<std::string> paths_;
  struct PathIndex;
  std::unique_ptr<PathIndex> pathIndex_;
  std::uint32_t lastPathId_ = UINT32_MAX;
  // Open-addressing table of row indices + 1 (0 is empty), keyed by Name+Path.
  std::vector<std::uint32_t> slots_;
};

}  // namespace tessaly::engine
