// Where a document's text matched: the part (page, slide, sheet), the line
// within it, and the matching line cut to a readable width around the
// match, with the spans of the matching words in it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "extract/TextSink.h"

namespace tessaly::engine {

// Bytes of a matching line kept around its first match.
inline constexpr std::size_t kMatchLineWidth = 200;

struct TextMatch {
  extract::PartKind partKind = extract::PartKind::Whole;
  int part = 0;             // 1-based page, slide or sheet number; 0 for Whole
  std::string partName;     // a sheet's name
  std::uint64_t line = 0;   // 1-based line within the part
  std::string text;         // the line, cut to about kMatchLineWidth bytes ("..." where cut)
  // Byte ranges [first, second) of the matching words within `text`.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> spans;
  bool operator==(const TextMatch&) const = default;
};

// The place as it is shown: "line 12", "p. 3", "slide 2", "sheet NAME,
// line 4".
std::string PlaceText(const TextMatch& match);

// The matching line `line` (one line, without its line break) cut to about
// kMatchLineWidth bytes around the span [matchStart, matchEnd) at UTF-8
// character edges, "..." marking each cut side; `spans` are moved into the
// cut text (those that fall outside are dropped, those cut are clipped).
// A trailing carriage return or form feed is dropped.
void CutMatchLine(std::string_view line, std::size_t matchStart, std::size_t matchEnd,
                  std::vector<std::pair<std::size_t, std::size_t>> spans, TextMatch& out);

// The line as the report writes it: every control character other than
// the tab shown as `?`.
std::string ReportLineText(std::string_view text);

// Number of line feeds in data[0, size).
std::size_t CountLineFeeds(const char* data, std::size_t size);

}  // namespace tessaly::engine
