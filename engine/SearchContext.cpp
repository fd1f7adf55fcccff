// AddHit and the unreadable-document record as a running search uses them.
#include "engine/SearchContext.h"

#include "engine/ContentPool.h"

namespace tessaly::engine {

void SearchContext::AddHit(const ItemData& row) {
  if (Stopped()) return;
  if (output) output->rows.push_back(row);
  else if (pool) pool->AddRow(row);
  else CommitHit(row);
}

void SearchContext::CommitHit(const ItemData& row) {
  if (Stopped()) return;
  std::size_t count = 0;
  if (store.AddHit(row, &count)) host.RowCountChanged(count);
}

void SearchContext::NoteUnreadable(const std::string& path, UnreadableCause cause) {
  if (Stopped()) return;
  if (output) output->unreadable.push_back(UnreadableEntry{path, cause});
  else if (pool) pool->AddUnreadable(path, cause);
  else unreadable.Add(path, cause);
}

void SearchContext::RunTest(SearchTest test) {
  if (pool) pool->Run(std::move(test));
  else test(*this);
}

}  // namespace tessaly::engine
