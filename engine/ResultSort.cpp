// The row comparison of the result list.
#include "engine/ResultSort.h"

#include <charconv>
#include <cstdint>

#include "engine/TextMatch.h"

namespace tessaly::engine {
namespace {

inline unsigned char UpperAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

int CompareUpper(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = UpperAscii(static_cast<unsigned char>(a[i]));
    unsigned char y = UpperAscii(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::int64_t DecimalPrefix(std::string_view digits) {
  std::int64_t value = 0;
  auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || ptr != digits.data() + digits.size()) return 0;
  return value;
}

constexpr std::string_view kFolder = "[folder]";

}  // namespace

SortColumn SortColumnFromCaption(std::string_view caption) {
  if (caption == "File Name") return SortColumn::Name;
  if (caption == "Size") return SortColumn::Size;
  if (caption == "Path / Archive Name") return SortColumn::Path;
  if (caption == "Match") return SortColumn::Match;
  if (caption == "Modified") return SortColumn::Modified;
  return SortColumn::None;
}

std::int64_t SizeTextBytes(std::string_view t) {
  if (t.size() < 2) return 0;
  const char a = static_cast<char>(UpperAscii(static_cast<unsigned char>(t[t.size() - 2])));
  const char b = static_cast<char>(UpperAscii(static_cast<unsigned char>(t[t.size() - 1])));
  if (b != 'B') return 0;
  std::int64_t scale = 0;
  if (a == 'K') scale = 1024;
  else if (a == 'M') scale = 1024LL * 1024;
  else if (a == 'G') scale = 1024LL * 1024 * 1024;
  else if (a == ' ') return DecimalPrefix(t.substr(0, t.size() - 2));
  else return 0;
  if (t.size() < 3) return 0;
  std::int64_t n = DecimalPrefix(t.substr(0, t.size() - 3));
  // Saturate rather than overflow on absurd texts.
  if (n > INT64_MAX / scale) return INT64_MAX;
  return n * scale;
}

int CompareRows(const RowView& a, const RowView& b, SortColumn column) {
  switch (column) {
    case SortColumn::Name:
      return CompareUpper(a.Name, b.Name);
    case SortColumn::Path:
      return CompareUpper(a.Path, b.Path);
    case SortColumn::Size: {
      const bool fa = a.Size == kFolder, fb = b.Size == kFolder;
      if (fa || fb) return fa == fb ? 0 : (fa ? -1 : 1);
      const std::int64_t x = SizeTextBytes(a.Size), y = SizeTextBytes(b.Size);
      return x < y ? -1 : (x > y ? 1 : 0);
    }
    case SortColumn::Match: {
      if (!a.FirstMatch || !b.FirstMatch) return (a.FirstMatch != nullptr) - (b.FirstMatch != nullptr);
      return CompareUpper(PlaceText(*a.FirstMatch) + ": " + a.FirstMatch->text,
                          PlaceText(*b.FirstMatch) + ": " + b.FirstMatch->text);
    }
    case SortColumn::Modified:
      return a.Modified < b.Modified ? -1 : (a.Modified > b.Modified ? 1 : 0);
    case SortColumn::None:
      break;
  }
  return 0;
}

}  // namespace tessaly::engine
