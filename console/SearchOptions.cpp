// Option parsing of the console search.
#include "console/SearchOptions.h"

#include "console/CacheCommand.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace tessaly::console {

const char* const kShortUsage =
    "usage: tessaly [--search-now] [--choose-folder] [FOLDER...]\n"
    "       tessaly --search [-l FOLDERS] [-n NAME] [-t TYPES] [-c TEXT] [options]\n"
    "       tessaly --details FILE...\n"
    "       tessaly --cache stats|prune|clear [--cache-size SIZE]\n"
    "       tessaly --help | --version\n";

const char* const kHelpText =
    "tessaly: find files and documents, without an index.\n"
    "\n"
    "tessaly [FOLDER...]              the window; the folders given become its location\n"
    "      --search-now               the window starts the search at once\n"
    "      --choose-folder            the window opens its folder chooser\n"
    "                                 (a running window takes them over instead)\n"
    "tessaly --search [options]       one search; the report goes to standard output\n"
    "  -l, --location TEXT            semicolon-separated folders (default: the fixed drives)\n"
    "  -n, --name TEXT                name text (default empty)\n"
    "  -t, --types TEXT               type list (default PDF;DOC;RTF;TXT;XLS;PPT;HTM;ODT;ODS;ODP;EPUB)\n"
    "      --exact                    fuzzy matching off\n"
    "  -c, --contains TEXT            text the files must contain\n"
    "      --in FIELD                 Full-Text (default), Author, Title, Subject, Keywords,\n"
    "                                 Creator or Producer\n"
    "  -s, --case-sensitive\n"
    "      --regex                    the text is a regular expression (RE2 syntax, within a line)\n"
    "  -w, --whole-words              the text matches only as whole words\n"
    "      --all-words                the text's words must all occur, in any order\n"
    "      --matches                  the matching lines of each hit under it: a tab, the place\n"
    "                                 (line 12, p. 3, slide 2, sheet NAME), \": \" and the line\n"
    "      --max-matches N            matching lines per hit with --matches (default 5)\n"
    "      --no-folders               \"Include subfolders\" off\n"
    "      --no-pdf                   \"Search in PDF files\" off\n"
    "  -a, --archives LIST            comma-separated zip,cab,tar,rar,ace,arj,lzh,zoo,arc,\n"
    "                                 7z,iso,gz,sfx, or all, or none (default: zoo); tar opens\n"
    "                                 .tar .tar.gz .tgz .tar.bz2 .tbz .tbz2 .tar.xz .txz\n"
    "                                 .tar.lzma .tar.lz .tar.zst .tzst .tar.Z .taz .cpio,\n"
    "                                 gz opens .gz .bz2 .xz .lzma .lz .zst .Z, sfx .exe\n"
    "      --smaller-or-equal N | --bigger-or-equal N\n"
    "                                 size filter, bytes\n"
    "      --date created|accessed|modified\n"
    "         with --between D1 D2 | --after D | --before D | --same D   (YYYY-MM-DD)\n"
    "      --sort name|size|path [--descending]\n"
    "                                 the result list's sort\n"
    "      --rows                     Name TAB Size TAB Path lines instead of the report;\n"
    "                                 a tab, line feed, carriage return or backslash in\n"
    "                                 a name or path is written as \\t, \\n, \\r, \\\\\n"
    "      --unreadable               list the documents that could not be read (cause TAB\n"
    "                                 path) on standard error; without it only their counts\n"
    "      --timeout SECONDS          a converter still running after SECONDS is ended and\n"
    "                                 its document counted as timed out (default: 60 s;\n"
    "                                 each wait for the PDF converter's text 9 s)\n"
    "      --pdf-text helper|pdftotext\n"
    "                                 PDF full text by tessaly-pdftext, one per thread\n"
    "                                 (default), or by one pdftotext run per file\n"
    "  -j, --jobs N                   threads for the content tests, 1 to 64 (default: one\n"
    "                                 per core, at least 2; 1: on the search thread)\n"
    "      --walk-threads N           threads that list folders, 1 to 64 (default: one per\n"
    "                                 core, 16 on network and FUSE file systems)\n"
    "      --walk-timeout SECONDS     a folder whose listing gets no answer for SECONDS is\n"
    "                                 reported timed out, the walk goes on (default: 30)\n"
    "  -o, --report FILE              the report into FILE\n"
    "      --no-cache                 convert every document again; the cache of\n"
    "                                 extracted text is neither read nor written\n"
    "      --cache-size SIZE          the cache's bound on disk, bytes or with K, M, G\n"
    "                                 (default 1G); the least recently used go first\n"
    "tessaly --details FILE...        file and document details of each FILE\n"
    "tessaly --cache stats            what the cache of extracted text holds, and the\n"
    "                                 hits of the last searches\n"
    "tessaly --cache prune            drops the entries of files gone or changed, and\n"
    "                                 the least recently used past --cache-size\n"
    "tessaly --cache clear            empties the cache\n"
    "tessaly --help | --version\n"
    "\n"
    "Documents and folders that could not be read (password required, damaged,\n"
    "converter failed, timed out, permission denied, too large, path too long) are\n"
    "no hits; their count by cause ends standard error, and the report lists them.\n"
    "\n"
    "The text that converters print for PDF, Word, Excel, PowerPoint and RTF files is\n"
    "kept in $XDG_CACHE_HOME/tessaly (else ~/.cache/tessaly) and used again only\n"
    "while the file and the converter are unchanged.\n"
    "\n"
    "Exit status: 0 when at least one row was listed, 1 when none, 2 for a usage\n"
    "or input error.\n";

namespace {

using engine::ArchiveFormat;

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

platform::LocalDateTime ParseDate(const std::string& text) {
  int y = 0, m = 0, d = 0;
  auto num = [&](std::size_t from, std::size_t len, int& out) {
    if (from + len > text.size()) return false;
    auto [p, ec] = std::from_chars(text.data() + from, text.data() + from + len, out);
    return ec == std::errc() && p == text.data() + from + len;
  };
  bool ok = text.size() == 10 && text[4] == '-' && text[7] == '-' && num(0, 4, y) && num(5, 2, m) &&
            num(8, 2, d) && m >= 1 && m <= 12 && d >= 1;
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (ok) {
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    ok = d <= kDays[m - 1] && !(m == 2 && d == 29 && !leap);
  }
  if (!ok) throw UsageError("'" + text + "' is not a date (YYYY-MM-DD)");
  platform::LocalDateTime t;
  t.year = y;
  t.month = m;
  t.day = d;
  return t;
}

void SetArchives(engine::SearchCriteria& c, const std::string& list) {
  static const std::pair<const char*, ArchiveFormat> kNames[] = {
      {"zip", ArchiveFormat::Zip}, {"cab", ArchiveFormat::Cab}, {"tar", ArchiveFormat::Tar},
      {"rar", ArchiveFormat::Rar}, {"ace", ArchiveFormat::Ace}, {"arj", ArchiveFormat::Arj},
      {"lzh", ArchiveFormat::Lzh}, {"zoo", ArchiveFormat::Zoo}, {"arc", ArchiveFormat::Arc},
      {"7z", ArchiveFormat::SevenZip}, {"iso", ArchiveFormat::Iso}, {"gz", ArchiveFormat::Gz},
      {"sfx", ArchiveFormat::Sfx}};
  c.archiveFormats.fill(false);
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    std::string word = list.substr(start, end - start);
    for (char& ch : word) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (word == "all") {
      c.archiveFormats.fill(true);
    } else if (word == "none") {
      // stays all clear
    } else {
      bool known = false;
      for (const auto& [name, format] : kNames)
        if (word == name) c.archiveFormats[static_cast<int>(format)] = known = true;
      if (!known) throw UsageError("unknown archive format '" + word + "'");
    }
    start = end + 1;
  }
}

}  // namespace

std::string DropColons(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), ':'), text.end());
  return text;
}

SearchOptions ParseSearchOptions(const std::vector<std::string>& args) {
  SearchOptions o;
  engine::SearchCriteria& c = o.criteria;
  std::optional<std::string> name, types;
  std::optional<std::string> sizeText;
  engine::SizeKind sizeKind = engine::SizeKind::None;
  bool dateKindGiven = false, relationGiven = false;
  bool matches = false;
  std::size_t maxMatches = 5;

  std::size_t i = 0;
  auto value = [&](const std::string& option) -> std::string {
    if (i + 1 >= args.size()) throw UsageError("option " + option + " needs a value");
    return args[++i];
  };
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-l" || a == "--location") {
      c.locationText = value(a);
      o.locationGiven = true;
    } else if (a == "-n" || a == "--name") {
      name = value(a);
    } else if (a == "-t" || a == "--types") {
      types = value(a);
    } else if (a == "--exact") {
      c.fuzzy = false;
    } else if (a == "-c" || a == "--contains") {
      c.containsText = value(a);  // a colon is part of many texts to find (10:30, a URL)
    } else if (a == "--in") {
      c.contentField = value(a);
    } else if (a == "-s" || a == "--case-sensitive") {
      c.caseSensitive = true;
    } else if (a == "--regex") {
      c.regex = true;
    } else if (a == "-w" || a == "--whole-words") {
      c.wholeWords = true;
    } else if (a == "--all-words") {
      c.allWords = true;
    } else if (a == "--matches") {
      matches = true;
    } else if (a == "--max-matches") {
      const std::string text = value(a);
      std::size_t n = 0;
      const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
      if (ec != std::errc() || end != text.data() + text.size() || n < 1 || n > 200)
        throw UsageError("--max-matches takes a whole number from 1 to 200, not '" + text + "'");
      maxMatches = n;
      matches = true;
    } else if (a == "--no-folders") {
      c.listFolders = false;
    } else if (a == "--no-pdf") {
      c.searchPdfs = false;
    } else if (a == "-a" || a == "--archives") {
      SetArchives(c, value(a));
    } else if (a == "--smaller-or-equal" || a == "--bigger-or-equal") {
      if (sizeText) throw UsageError("only one size filter can be given");
      sizeText = value(a);
      sizeKind = a == "--smaller-or-equal" ? engine::SizeKind::AtMost : engine::SizeKind::AtLeast;
    } else if (a == "--date") {
      const std::string kind = value(a);
      if (kind == "created") c.dateFilter.stamp = platform::TimeStamp::Creation;
      else if (kind == "accessed") c.dateFilter.stamp = platform::TimeStamp::LastAccess;
      else if (kind == "modified") c.dateFilter.stamp = platform::TimeStamp::LastWrite;
      else throw UsageError("--date takes created, accessed or modified, not '" + kind + "'");
      dateKindGiven = true;
    } else if (a == "--between") {
      if (relationGiven) throw UsageError("only one of --between, --after, --before, --same");
      c.dateFilter.relation = engine::DateRelation::Between;
      c.dateFilter.date1 = ParseDate(value(a));
      c.dateFilter.date2 = ParseDate(value(a));
      relationGiven = true;
    } else if (a == "--after" || a == "--before" || a == "--same") {
      if (relationGiven) throw UsageError("only one of --between, --after, --before, --same");
      c.dateFilter.relation = a == "--after"    ? engine::DateRelation::After
                              : a == "--before" ? engine::DateRelation::Before
                                                : engine::DateRelation::Same;
      c.dateFilter.date1 = c.dateFilter.date2 = ParseDate(value(a));
      relationGiven = true;
    } else if (a == "--sort") {
      const std::string column = value(a);
      if (column == "name") o.sort = engine::SortColumn::Name;
      else if (column == "size") o.sort = engine::SortColumn::Size;
      else if (column == "path") o.sort = engine::SortColumn::Path;
      else throw UsageError("--sort takes name, size or path, not '" + column + "'");
    } else if (a == "--descending") {
      o.descending = true;
    } else if (a == "-j" || a == "--jobs") {
      const std::string text = value(a);
      unsigned jobs = 0;
      const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), jobs);
      if (ec != std::errc() || end != text.data() + text.size() || jobs < 1 || jobs > engine::kMaxJobs)
        throw UsageError("--jobs takes a whole number from 1 to 64, not '" + text + "'");
      c.jobs = jobs;
    } else if (a == "--walk-threads" || a == "--walk-timeout") {
      const std::string text = value(a);
      const bool threads = a == "--walk-threads";
      const unsigned most = threads ? engine::kMaxJobs : 86400;
      unsigned n = 0;
      const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
      if (ec != std::errc() || end != text.data() + text.size() || n < 1 || n > most)
        throw UsageError(a + " takes a whole number from 1 to " + std::to_string(most) + ", not '" + text + "'");
      if (threads) c.walkThreads = n;
      else c.walkTimeoutSeconds = static_cast<int>(n);
    } else if (a == "--no-cache") {
      c.useCache = false;
    } else if (a == "--cache-size") {
      const std::string text = value(a);
      const auto size = ParseCacheSize(text);
      if (!size) throw UsageError("--cache-size takes a size from 1M to 1024G, not '" + text + "'");
      c.cacheBytes = *size;
    } else if (a == "--rows") {
      o.rows = true;
    } else if (a == "--unreadable") {
      o.listUnreadable = true;
    } else if (a == "--timeout") {
      const std::string text = value(a);
      int seconds = 0;
      auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
      if (ec != std::errc() || p != text.data() + text.size() || seconds < 1 || seconds > 86400)
        throw UsageError("--timeout takes a whole number of seconds from 1 to 86400, not '" + text + "'");
      o.timeoutSeconds = seconds;
    } else if (a == "--pdf-text") {
      const std::string route = value(a);
      if (route == "helper") c.pdfText = engine::PdfTextRoute::Helper;
      else if (route == "pdftotext") c.pdfText = engine::PdfTextRoute::Pdftotext;
      else throw UsageError("--pdf-text takes helper or pdftotext, not '" + route + "'");
    } else if (a == "-o" || a == "--report") {
      o.reportFile = value(a);
      if (o.reportFile.empty()) throw UsageError("option " + a + " needs a file name");
    } else {
      throw UsageError("unknown option '" + a + "'");
    }
  }
  if (o.descending && o.sort == engine::SortColumn::None) throw UsageError("--descending needs --sort");
  if (dateKindGiven != relationGiven)
    throw UsageError("--date needs one of --between, --after, --before, --same, and they need --date");
  c.dateFilter.enabled = dateKindGiven;
  if (matches) o.matchLines = c.matchLines = maxMatches;
  if (sizeText) {
    std::int64_t limit = 0;
    if (!engine::ParseSizeLimit(*sizeText, limit))
      throw UsageError("'" + *sizeText + "' is not a whole number of bytes");
    c.sizeFilter = {true, sizeKind, limit};
  }

  // The window's field rules: colons never reach the name and type texts; a
  // dot in the name moves the rest (at most 100 characters) into the types;
  // the types are upper case and hold no dot.
  if (name) c.nameText = DropColons(*name);
  if (types) c.typeText = Upper(DropColons(*types));
  if (std::size_t dot = c.nameText.find('.'); dot != std::string::npos) {
    c.typeText = Upper(c.nameText.substr(dot + 1, 100));
    c.nameText.erase(dot);
  }
  if (c.typeText.find('.') != std::string::npos) throw UsageError(". is not allowed here!");
  return o;
}

}  // namespace tessaly::console
