// The cache commands: their arguments and what they print.
#include "console/CacheCommand.h"

#include <charconv>
#include <cstdio>
#include <ctime>

#include "cache/CacheFolder.h"
#include "cache/CacheMaintenance.h"
#include "cache/TextCache.h"
#include "console/SearchOptions.h"

namespace tessaly::console {
namespace {

void Say(const std::string& text) { std::fprintf(stderr, "tessaly: %s\n", text.c_str()); }

std::string Bytes(std::int64_t n) {
  char text[64];
  if (n >= (std::int64_t{1} << 30)) std::snprintf(text, sizeof text, "%.1f GiB", n / 1073741824.0);
  else if (n >= (std::int64_t{1} << 20)) std::snprintf(text, sizeof text, "%.1f MiB", n / 1048576.0);
  else if (n >= 1024) std::snprintf(text, sizeof text, "%.1f KiB", n / 1024.0);
  else std::snprintf(text, sizeof text, "%lld bytes", static_cast<long long>(n));
  return text;
}

std::string LocalTime(std::int64_t ns) {
  const std::time_t t = static_cast<std::time_t>(ns / 1'000'000'000);
  std::tm tm{};
  ::localtime_r(&t, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
  return text;
}

int Stats(const std::string& folder, std::int64_t maxBytes) {
  const auto stats = cache::ReadCacheStats(folder, Say);
  if (!stats) return 1;
  std::printf("cache:    %s\n", stats->file.c_str());
  std::printf("entries:  %lld\n", static_cast<long long>(stats->entries));
  std::printf("size:     %s on disk (bound %s), %s of text\n", Bytes(stats->fileBytes).c_str(),
              Bytes(maxBytes).c_str(), Bytes(stats->textBytes).c_str());
  if (stats->searches.empty()) std::printf("searches: none recorded\n");
  else std::printf("last searches (newest first): documents looked up, found in the cache, texts kept\n");
  for (const cache::TSearchRecord& s : stats->searches)
    std::printf("  %s  %lld looked up, %lld found, %lld kept\n", LocalTime(s.atNs).c_str(),
                static_cast<long long>(s.lookups), static_cast<long long>(s.hits), static_cast<long long>(s.stored));
  return 0;
}

}  // namespace

std::optional<std::int64_t> ParseCacheSize(const std::string& text) {
  std::int64_t n = 0;
  const char* end = text.data() + text.size();
  const auto [p, ec] = std::from_chars(text.data(), end, n);
  if (ec != std::errc() || p == text.data() || n < 0) return std::nullopt;
  int shift = 0;
  if (p != end) {
    if (p + 1 != end) return std::nullopt;
    switch (*p) {
      case 'k': case 'K': shift = 10; break;
      case 'm': case 'M': shift = 20; break;
      case 'g': case 'G': shift = 30; break;
      default: return std::nullopt;
    }
  }
  constexpr std::int64_t kMax = std::int64_t{1} << 40;
  if (n > (kMax >> shift)) return std::nullopt;
  n <<= shift;
  if (n < cache::kMinCacheBytes) return std::nullopt;
  return n;
}

int RunCacheCommand(const std::vector<std::string>& args) {
  std::string command;
  std::int64_t maxBytes = cache::kDefaultCacheBytes;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--cache-size") {
      if (i + 1 >= args.size()) {
        std::fprintf(stderr, "tessaly: option --cache-size needs a value\n%s", kShortUsage);
        return 2;
      }
      const auto size = ParseCacheSize(args[++i]);
      if (!size) {
        std::fprintf(stderr, "tessaly: --cache-size takes a size from 1M to 1024G, not '%s'\n%s", args[i].c_str(),
                     kShortUsage);
        return 2;
      }
      maxBytes = *size;
    } else if (command.empty() && (args[i] == "stats" || args[i] == "prune" || args[i] == "clear")) {
      command = args[i];
    } else {
      std::fprintf(stderr, "tessaly: --cache takes stats, prune or clear, not '%s'\n%s", args[i].c_str(),
                   kShortUsage);
      return 2;
    }
  }
  if (command.empty()) {
    std::fprintf(stderr, "tessaly: --cache takes stats, prune or clear\n%s", kShortUsage);
    return 2;
  }
  const std::string folder = cache::CacheFolderPath();
  if (folder.empty()) {
    Say("no home folder for the text cache");
    return 1;
  }
  if (command == "stats") return Stats(folder, maxBytes);
  if (command == "prune") {
    const auto result = cache::PruneCache(folder, maxBytes, Say);
    if (!result) return 1;
    std::printf("pruned: %lld entries of files gone or changed, %lld past the bound; %lld kept\n",
                static_cast<long long>(result->dropped), static_cast<long long>(result->evicted),
                static_cast<long long>(result->kept));
    return 0;
  }
  if (!cache::ClearCache(folder, Say)) return 1;
  std::printf("cleared: %s\n", (folder + "/" + cache::kCacheFileName).c_str());
  return 0;
}

}  // namespace tessaly::console
