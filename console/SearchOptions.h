// The command line of `tessaly --search`, turned into search settings with
// the window's field rules.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/ResultSort.h"
#include "engine/SearchCriteria.h"

namespace tessaly::console {

// A usage or input error; the message is shown with the short usage.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct SearchOptions {
  engine::SearchCriteria criteria;  // texts and flags; Derive() not yet run
  bool locationGiven = false;
  engine::SortColumn sort = engine::SortColumn::None;
  bool descending = false;
  bool rows = false;
  bool listUnreadable = false;  // --unreadable: the list, not only the counts
  // --timeout: how long a converter may run; nothing: the usual limits.
  std::optional<int> timeoutSeconds;
  std::string reportFile;  // empty: standard output
  // --matches: the matching lines of each hit under its row (up to
  // --max-matches, default 5); 0 without.
  std::size_t matchLines = 0;
};

// Parses the arguments after `--search` (argv[0] and the mode word left
// out). Throws UsageError for unknown options, missing values, bad numbers
// or dates, and a `.` in the types (". is not allowed here!").
SearchOptions ParseSearchOptions(const std::vector<std::string>& args);

// The window's field rules, shared with the console: a `:` is dropped from
// the name and type texts (the text to find keeps it).
std::string DropColons(std::string text);

// The short usage of `tessaly`, and the full help text.
extern const char* const kShortUsage;
extern const char* const kHelpText;

}  // namespace tessaly::console
