// TSortedNumberList: append, sort, and the next number above a value.
#include "pdf/SortedNumberList.h"

#include <algorithm>

namespace tessaly::pdf {

void TSortedNumberList::Add(std::int64_t value) {
  if (!items_.empty() && value < items_.back()) sorted_ = false;
  items_.push_back(value);
}

void TSortedNumberList::Sort() {
  std::sort(items_.begin(), items_.end());
  sorted_ = true;
}

std::int64_t TSortedNumberList::NextAbove(std::int64_t a) const {
  if (items_.empty()) return 0;
  if (sorted_) {
    auto it = std::upper_bound(items_.begin(), items_.end(), a);
    return it == items_.end() ? items_.back() : *it;
  }
  for (std::int64_t v : items_)
    if (v > a) return v;
  return items_.back();
}

}  // namespace tessaly::pdf
