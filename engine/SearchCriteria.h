// The settings of one search, and the filters that look only at an entry's
// directory data.
//
// A SearchCriteria is filled by a front end (the window or the console
// search) when a search starts and stays unchanged until it ends.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileTimes.h"

namespace tessaly::engine {

// The archive formats a search opens: the nine listed by our own readers,
// then 7-Zip, ISO images, single compressed files (.gz and the like) and
// self-extracting programs. Tar covers compressed tarballs and cpio too.
enum class ArchiveFormat { Zip, Arj, Rar, Zoo, Lzh, Tar, Ace, Arc, Cab, SevenZip, Iso, Gz, Sfx };
constexpr int kArchiveFormatCount = 13;

enum class SizeKind { None, AtMost, AtLeast };
enum class DateRelation { None, Between, After, Before, Same };
// How a PDF's full text is read: by the long-lived text helper of each
// worker (tessaly-pdftext), or by one pdftotext run per file.
enum class PdfTextRoute { Helper, Pdftotext };

struct SizeFilter {
  bool enabled = false;
  SizeKind kind = SizeKind::None;
  std::int64_t limit = 0;  // bytes, inclusive bound
};

struct DateFilter {
  bool enabled = false;
  platform::TimeStamp stamp = platform::TimeStamp::None;
  DateRelation relation = DateRelation::None;
  platform::LocalDateTime date1;  // only the calendar day counts
  platform::LocalDateTime date2;  // used by Between only
};

// The type list of a new search: the document types.
inline constexpr const char* kDefaultTypeText = "PDF;DOC;RTF;TXT;XLS;PPT;HTM;ODT;ODS;ODP;EPUB";

struct SearchCriteria {
  std::string nameText;
  std::string typeText = kDefaultTypeText;
  bool fuzzy = true;
  std::string containsText;
  std::string contentField = "Full-Text";
  bool caseSensitive = false;
  // How the content text is matched: a regular expression, whole words
  // only, every word of it anywhere in the document.
  bool regex = false;
  bool wholeWords = false;
  bool allWords = false;
  // Matching lines kept per hit (the first always).
  std::size_t matchLines = 1;
  std::string locationText;
  bool listFolders = true;
  bool searchPdfs = true;
  bool allFiles = true;
  // Zoo set, all others clear, as the window opens.
  std::array<bool, kArchiveFormatCount> archiveFormats{false, false, false, true,  false, false, false,
                                                      false, false, false, false, false, false};
  SizeFilter sizeFilter;
  DateFilter dateFilter;
  // Threads that run the content tests beside the walk: 0 one per core (at
  // least 2), 1 none (every test on the search thread itself).
  unsigned jobs = 0;
  // The PDF text route, and the helper program of the helper route (a path,
  // or a name looked up as converters are). Without a helper that starts,
  // PDFs go the pdftotext route.
  PdfTextRoute pdfText = PdfTextRoute::Helper;
  std::string pdfTextHelper = "tessaly-pdftext";
  // Threads that list folders ahead of the walk: 0 one per core, and
  // more on network and FUSE file systems.
  unsigned walkThreads = 0;
  // A folder whose file system does not answer for this long is reported
  // "timed out" and the walk goes on.
  int walkTimeoutSeconds = 30;
  // Converted text is read from and kept in the cache of extracted text;
  // the cache file is kept within `cacheBytes` (0: the default bound).
  bool useCache = true;
  std::int64_t cacheBytes = 0;

  // Derived when the search starts (Derive()).
  std::vector<std::string> folders;
  std::string patternText;

  bool formatEnabled(ArchiveFormat f) const { return archiveFormats[static_cast<int>(f)]; }
  // Fills `folders` and `patternText` from the texts.
  void Derive();
};

// The most threads a search runs its content tests on.
constexpr unsigned kMaxJobs = 64;

// The worker threads a search with `criteria.jobs` uses: 0 when its tests
// run on the search thread (jobs 1), else jobs, or the number of cores with
// at least 2 when jobs is 0.
unsigned WorkerThreadsFor(unsigned jobs);

// Cuts at every `;`, drops empty entries, strips one trailing `/` from each
// entry except an entry that is exactly `/`. Entries are never trimmed of
// blanks; duplicates stay.
std::vector<std::string> SplitList(const std::string& text);

// stem + "." + type for each `;`-piece of typeText (empty pieces included),
// joined by `;`; the stem is `*name*` when fuzzy, else the name.
std::string BuildPatternText(const std::string& nameText, const std::string& typeText, bool fuzzy);

// Size filter with inclusive, signed bounds; off or kind none passes.
bool PassesSizeFilter(std::int64_t size, const SearchCriteria& criteria);

// The chosen time stamp of `path` in local time, two-second form; day zero
// (30 December 1899) for stamp none; nothing when the file cannot be read.
std::optional<platform::LocalDateTime> FileDateOf(const std::string& path, platform::TimeStamp stamp);

// Date filter on calendar days, bounds inclusive. A file whose date can no
// longer be read fails an enabled filter.
bool PassesDateFilter(const std::string& path, const SearchCriteria& criteria);

// Parses a size limit text: a whole decimal number (optional sign) in the
// signed 64-bit range, so limits past 4 GiB are taken. Returns false for
// anything else.
bool ParseSizeLimit(const std::string& text, std::int64_t& limit);

}  // namespace tessaly::engine
