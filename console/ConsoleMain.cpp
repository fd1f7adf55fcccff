// The console front end: option dispatch and the console search.
#include "console/ConsoleMain.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "archives/ArchiveDispatch.h"
#include "console/CacheCommand.h"
#include "console/ConsoleHost.h"
#include "console/DetailsCommand.h"
#include "console/SearchOptions.h"
#include "engine/PatternMatcher.h"
#include "engine/Report.h"
#include "engine/ResultStore.h"
#include "engine/SearchThread.h"
#include "platform/Drives.h"

namespace tessaly::console {
namespace {

// The version is the project's, set once in the build (CMake's project()).
constexpr const char* kVersion = "tessaly " TESSALY_VERSION "\n";

int UsageFailure(const std::string& message) {
  std::fprintf(stderr, "tessaly: %s\n%s", message.c_str(), kShortUsage);
  return 2;
}

std::string JoinFixedDrives() {
  std::string text;
  for (const std::string& d : platform::FixedDrives()) text += (text.empty() ? "" : ";") + d;
  return text;
}

// Runs without a character to escape (nearly every name and path) go to the
// stream as they are, without a copy: a large result list is written at the
// speed of the stream.
void WriteRowField(std::ostream& out, std::string_view text) {
  std::size_t plain = 0;  // start of the run not yet written
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch != '\t' && ch != '\n' && ch != '\r' && ch != '\\') continue;
    out.write(text.data() + plain, static_cast<std::streamsize>(i - plain));
    const std::string escaped = EscapeRowField(text.substr(i, 1));
    out.write(escaped.data(), static_cast<std::streamsize>(escaped.size()));
    plain = i + 1;
  }
  out.write(text.data() + plain, static_cast<std::streamsize>(text.size() - plain));
}

void WriteRows(std::ostream& out, const engine::ResultStore& store, std::size_t matchLines) {
  engine::ResultStore::Reader rows = store.Read();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const engine::RowView r = rows.row(i);
    WriteRowField(out, r.Name);
    out.put('\t');
    WriteRowField(out, r.Size);
    out.put('\t');
    WriteRowField(out, r.Path);
    out.put('\n');
    const std::vector<engine::TextMatch>& lines = rows.matches(i);
    for (std::size_t k = 0; k < lines.size() && k < matchLines; ++k) {
      out.put('\t');
      WriteRowField(out, engine::PlaceText(lines[k]));
      out << ": ";
      WriteRowField(out, lines[k].text);
      out.put('\n');
    }
  }
  out.flush();
}

// The unreadable documents at the end of standard error: the list when it
// was asked for, then the counts by cause.
void ReportUnreadable(const engine::UnreadableList& list, bool withList) {
  if (list.empty()) return;
  if (withList) std::fputs(list.ListText().c_str(), stderr);
  std::fprintf(stderr, "%s\n", list.SummaryLine().c_str());
  std::fflush(stderr);
}

int RunSearch(const std::vector<std::string>& args) {
  SearchOptions options;
  try {
    options = ParseSearchOptions(args);
  } catch (const UsageError& e) {
    return UsageFailure(e.what());
  }
  engine::SearchCriteria& criteria = options.criteria;
  if (!options.locationGiven) criteria.locationText = JoinFixedDrives();
  if (criteria.locationText.empty())
    return UsageFailure("Please specify the Location where you want to search");
  criteria.Derive();
  if (const std::optional<std::string> problem = engine::PatternProblem(criteria)) {
    std::fprintf(stderr, "tessaly: %s\n", problem->c_str());
    return 2;
  }

  // Open the report file before searching, so a bad name fails at once.
  std::ofstream file;
  if (!options.reportFile.empty()) {
    file.open(options.reportFile, std::ios::binary | std::ios::trunc);
    if (!file) {
      std::fprintf(stderr, "tessaly: cannot write the report to '%s': %s\n", options.reportFile.c_str(),
                   std::strerror(errno));
      return 2;
    }
  }

  engine::ResultStore store;
  const std::chrono::milliseconds conversionTimeout =
      options.timeoutSeconds ? std::chrono::milliseconds(*options.timeoutSeconds * 1000) : std::chrono::milliseconds(9000);
  const std::chrono::milliseconds captureTimeout =
      options.timeoutSeconds ? std::chrono::milliseconds(*options.timeoutSeconds * 1000)
                             : std::chrono::milliseconds(extract::kCaptureTimeout);
  ConsoleHost host(stderr, ::isatty(STDERR_FILENO) == 1, conversionTimeout, captureTimeout);
  const engine::ArchiveDispatch dispatch = archives::DispatchArchive;
  {
    engine::TSearchThread search(criteria, store, host, dispatch);
    search.Join();
  }
  if (options.sort != engine::SortColumn::None) store.Sort(options.sort, options.descending);

  std::ostream& out = options.reportFile.empty() ? std::cout : file;
  bool written = true;
  if (options.rows) {
    WriteRows(out, store, options.matchLines);
    written = static_cast<bool>(out);
  } else {
    engine::ReportConditions conditions{criteria.locationText, criteria.nameText, criteria.containsText,
                                        criteria.contentField, criteria.typeText, criteria.listFolders,
                                        options.matchLines};
    written = engine::WriteReport(out, conditions, store, &host.Unreadable());
    // The report ends without a line break, as its file does; on a terminal
    // the prompt and the summary below would start on its last line.
    if (&out == &std::cout && ::isatty(STDOUT_FILENO) == 1) out << "\r\n" << std::flush;
  }
  ReportUnreadable(host.Unreadable(), options.listUnreadable);
  if (!written) {
    std::fprintf(stderr, "tessaly: writing the report failed\n");
    return 2;
  }
  return store.Count() > 0 ? 0 : 1;
}

}  // namespace

std::string EscapeRowField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    switch (ch) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default: out += ch;
    }
  }
  return out;
}

bool IsConsoleInvocation(int argc, char** argv) {
  // The window takes folders, its two options --search-now and
  // --choose-folder, and Qt's single-dash ones (-platform, -style ...); a
  // "--" ends the options, so every later argument is a folder. Any other
  // "--" option, and -h, belong to the console front end, which also
  // answers unknown ones with its usage.
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--") return false;
    if (a == "--search-now" || a == "--choose-folder") continue;
    if (a.rfind("--", 0) == 0 || a == "-h") return true;
  }
  return false;
}

int ConsoleMain(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kShortUsage, stderr);
    return 2;
  }
  const std::string mode = args.front();
  if (mode == "--help" || mode == "-h") {
    std::fputs(kHelpText, stdout);
    return 0;
  }
  if (mode == "--version") {
    std::fputs(kVersion, stdout);
    return 0;
  }
  if (mode == "--search") return RunSearch(std::vector<std::string>(args.begin() + 1, args.end()));
  if (mode == "--details") return RunDetails(std::vector<std::string>(args.begin() + 1, args.end()));
  if (mode == "--cache") return RunCacheCommand(std::vector<std::string>(args.begin() + 1, args.end()));
  // The window's options may stand before the one that is wrong.
  for (const std::string& a : args)
    if (a != "--search-now" && a != "--choose-folder" && a.rfind("-", 0) == 0)
      return UsageFailure("unknown option '" + a + "'");
  return UsageFailure("unknown option '" + mode + "'");
}

}  // namespace tessaly::console
