// TSortedNumberList: the known byte offsets of a PDF file opened for direct
// access (object offsets and cross-reference sections), used to bound how
// far an object's text reaches.
#pragma once

#include <cstdint>
#include <vector>

namespace tessaly::pdf {

class TSortedNumberList {
 public:
  // Appends `value`; the list is unsorted again until the next Sort.
  void Add(std::int64_t value);
  // Sorts the list ascending.
  void Sort();
  // The first number in list order that is greater than `a`; the last
  // number of the list when none is; 0 for an empty list. On a sorted list
  // this is a binary search.
  std::int64_t NextAbove(std::int64_t a) const;

  std::size_t Count() const { return items_.size(); }
  std::int64_t Item(std::size_t i) const { return items_.at(i); }

 private:
  std::vector<std::int64_t> items_;
  bool sorted_ = true;
};

}  // namespace tessaly::pdf
