// AddHit as a running search uses it.
#include "engine/SearchContext.h"

namespace tessaly::engine {

void SearchContext::AddHit(const ItemData& row) {
  if (Stopped()) return;
  std::size_t count = 0;
  if (store.AddHit(row, &count)) host.RowCountChanged(count);
}

}  // namespace tessaly::engine
