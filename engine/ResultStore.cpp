// The result store: compact rows, interned folder paths and an
// open-addressing index over Name+Path for the repeat check of AddHit.
#include "engine/ResultStore.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <unordered_map>

namespace tessaly::engine {
namespace {

// The name's bytes through libstdc++'s string hash, then both the name's
// hash and the folder's id through a full 64-bit finaliser (the one of
// MurmurHash3). Real trees repeat the same names in thousands of folders,
// whose ids are consecutive: a weak combination leaves such rows next to
// each other in the table, and linear probing then walks ever longer runs.
std::uint64_t Mix64(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDULL;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ULL;
  h ^= h >> 33;
  return h;
}

std::uint64_t RowHash(std::string_view name, std::uint32_t pathId) {
  const std::uint64_t nameHash = std::hash<std::string_view>{}(name);
  return Mix64(nameHash ^ Mix64(pathId + 0x9E3779B97F4A7C15ULL));
}

}  // namespace

struct ResultStore::PathIndex {
  std::unordered_map<std::string_view, std::uint32_t> ids;
};

ResultStore::ResultStore() : pathIndex_(std::make_unique<PathIndex>()) {}
ResultStore::~ResultStore() = default;

RowView ResultStore::ViewOf(const StoredRow& r) const {
  return RowView{r.name, r.size, paths_[r.pathId], r.modified,
                 r.matches && !r.matches->empty() ? &r.matches->front() : nullptr};
}

std::uint32_t ResultStore::InternPath(const std::string& path) {
  // Rows of one folder arrive together: try the last folder first.
  if (lastPathId_ < paths_.size() && paths_[lastPathId_] == path) return lastPathId_;
  auto it = pathIndex_->ids.find(path);
  if (it != pathIndex_->ids.end()) return lastPathId_ = it->second;
  const auto id = static_cast<std::uint32_t>(paths_.size());
  paths_.push_back(path);
  pathIndex_->ids.emplace(paths_.back(), id);
  return lastPathId_ = id;
}

bool ResultStore::Contains(const std::string& name, std::uint32_t pathId, std::uint64_t hash) const {
  if (slots_.empty()) return false;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const std::uint32_t v = slots_[i];
    if (v == 0) return false;
    const StoredRow& r = rows_[v - 1];
    if (r.pathId == pathId && r.name == name) return true;
  }
}

void ResultStore::InsertIndex(std::uint32_t rowIndex, std::uint64_t hash) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = hash & mask;
  while (slots_[i] != 0) i = (i + 1) & mask;
  slots_[i] = rowIndex + 1;
}

void ResultStore::Rehash(std::size_t slots) {
  slots_.assign(slots, 0);
  for (std::uint32_t k = 0; k < rows_.size(); ++k) InsertIndex(k, RowHash(rows_[k].name, rows_[k].pathId));
}

bool ResultStore::AddHit(const ItemData& row, std::size_t* countAfter) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::uint32_t pathId = InternPath(row.Path);
  const std::uint64_t hash = RowHash(row.Name, pathId);
  if (Contains(row.Name, pathId, hash)) {
    if (countAfter) *countAfter = rows_.size();
    return false;
  }
  rows_.push_back(StoredRow{row.Name, row.Size, pathId, row.Modified,
                            row.Matches.empty() ? nullptr : std::make_unique<std::vector<TextMatch>>(row.Matches)});
  // Keep the table at most half full.
  if (rows_.size() * 2 > slots_.size()) Rehash(slots_.empty() ? 1024 : slots_.size() * 2);
  else InsertIndex(static_cast<std::uint32_t>(rows_.size() - 1), hash);
  if (countAfter) *countAfter = rows_.size();
  return true;
}

void ResultStore::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<StoredRow>().swap(rows_);
  pathIndex_->ids.clear();
  std::deque<std::string>().swap(paths_);
  lastPathId_ = UINT32_MAX;
  std::vector<std::uint32_t>().swap(slots_);
}

std::size_t ResultStore::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return rows_.size();
}

ItemData ResultStore::Row(std::size_t i) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (i >= rows_.size()) return {};
  const StoredRow& r = rows_[i];
  return ItemData{r.name, r.size, paths_[r.pathId], r.modified,
                  r.matches ? *r.matches : std::vector<TextMatch>{}};
}

void ResultStore::Sort(SortColumn column, bool descending) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::sort(rows_.begin(), rows_.end(), [&](const StoredRow& a, const StoredRow& b) {
    return CompareRows(ViewOf(a), ViewOf(b), column) < 0;
  });
  if (descending) std::reverse(rows_.begin(), rows_.end());
  Rehash(slots_.size());
}

ResultStore::Reader::Reader(const ResultStore& s) : store_(s), lock_(s.mutex_) {}
std::size_t ResultStore::Reader::size() const { return store_.rows_.size(); }
RowView ResultStore::Reader::row(std::size_t i) const { return store_.ViewOf(store_.rows_[i]); }
const std::vector<TextMatch>& ResultStore::Reader::matches(std::size_t i) const {
  static const std::vector<TextMatch> kNone;
  const StoredRow& r = store_.rows_[i];
  return r.matches ? *r.matches : kNone;
}
ResultStore::Reader ResultStore::Read() const { return Reader(*this); }

}  // namespace tessaly::engine
