// AddHit and the unreadable-document record as a running search uses them.
#include "engine/SearchContext.h"

namespace tessaly::engine {

void SearchContext::AddHit(const ItemData& row) {
  if (Stopped()) return;
  std::size_t count = 0;
  if (store.AddHit(row, &count)) host.RowCountChanged(count);
}

void SearchContext::NoteUnreadable(const std::string& path, UnreadableCause cause) {
  if (Stopped()) return;
  unreadable.Add(path, cause);
}

}  // namespace tessaly::engine
