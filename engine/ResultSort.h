// The result list's ordering: the row comparison by column and the size-text
// parser it uses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly::engine {

enum class SortColumn { None, Name, Size, Path, Match, Modified };

struct TextMatch;

// "File Name", "Size", "Path / Archive Name", "Match", "Modified";
// anything else is None.
SortColumn SortColumnFromCaption(std::string_view caption);

struct RowView {
  std::string_view Name, Size, Path;
  std::int64_t Modified = 0;
  const TextMatch* FirstMatch = nullptr;  // null: none kept
};

// Bytes of a size text: "<n> b", "<n> Kb|Mb|Gb" (units of 1024; the unit's
// last two characters decide, case-blind); any other ending gives 0.
std::int64_t SizeTextBytes(std::string_view sizeText);

// Negative, zero or positive. Name and Path compare byte by byte after
// upper-casing a to z only; Size puts "[folder]" rows first, then byte counts;
// Match compares the first match's place and line as shown (rows without
// one first), Modified the times.
int CompareRows(const RowView& a, const RowView& b, SortColumn column);

}  // namespace tessaly::engine
