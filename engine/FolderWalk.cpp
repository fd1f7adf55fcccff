// The depth-first folder walk: the listing threads read the folders ahead;
// the walk takes them in its order and runs, over each listing, the pattern
// passes, the archive pass and then the sub-folders, in listing order.
#include "engine/FolderWalk.h"

#include <cerrno>
#include <cstdint>
#include <iterator>
#include <optional>
#include <memory>
#include <utility>
#include <vector>

#include "engine/ContentConditions.h"
#include "engine/FileMatches.h"
#include "engine/FolderLister.h"
#include "engine/SizeText.h"
#include "platform/DirListing.h"
#include "platform/FileFacts.h"

namespace tessaly::engine {
namespace {

// The nine formats of our own readers first, then those libarchive lists
// and self-extracting programs. No name matches two of them: `*.tbz` takes
// `.tbz2` too by the three-character rule, `*.gz` takes `.tar.gz`.
constexpr const char* kArchivePatterns[] = {"*.zip", "*.cab", "*.arj",  "*.rar",  "*.zoo", "*.lzh", "*.tar",
                                            "*.ace", "*.arc", "*.tgz",  "*.tbz",  "*.txz", "*.tzst", "*.taz",
                                            "*.gz",  "*.bz2", "*.xz",   "*.lzma", "*.lz",  "*.zst", "*.Z",
                                            "*.cpio", "*.7z", "*.iso",  "*.exe"};
constexpr std::size_t kStatusWidth = 78;

FolderLister::Settings ListerSettings(const SearchContext& context, const std::vector<std::string>& patterns) {
  FolderLister::Settings s;
  s.threads = context.criteria.walkThreads;
  s.timeout = std::chrono::seconds(context.criteria.walkTimeoutSeconds);
  if (context.criteria.allFiles) s.namePatterns = patterns;
  if (context.dispatchArchive) s.archivePatterns.assign(std::begin(kArchivePatterns), std::end(kArchivePatterns));
  return s;
}

// Takes the listed folders in depth-first order and adds what they hold,
// exactly as a walk that lists each folder itself when it gets there.
class Walker {
 public:
  Walker(SearchContext& context, const std::string& patternText)
      : context_(context),
        patternText_(patternText),
        patterns_(SplitList(patternText)),
        lister_(ListerSettings(context, patterns_)) {}

  void Walk(const std::vector<std::string>& locations, std::string* missing) {
    std::vector<std::shared_ptr<ListedFolder>> roots;
    for (const std::string& location : locations) roots.push_back(lister_.AddLocation(location));
    for (std::size_t i = 0; i < roots.size(); ++i) {
      if (context_.Stopped()) return;
      ListedFolder& root = *roots[i];
      const FolderLister::WaitResult waited = lister_.Wait(root, context_.stopRequested);
      if (waited == FolderLister::WaitResult::Stopped) return;
      if (waited == FolderLister::WaitResult::TimedOut) {
        lister_.Done(root);
        context_.NoteUnreadable(root.path, UnreadableCause::TimedOut);
        continue;
      }
      if (root.outcome == ListedFolder::Outcome::Missing) {
        lister_.Done(root);
        // A location the user may not reach, or whose path is too long, is
        // there but unreadable: said so, not called missing.
        if (root.error == EACCES || root.error == ENAMETOOLONG)
          context_.NoteUnreadable(root.path, *CauseOfErrno(root.error));
        else if (missing)
          *missing += root.path + "\n\r";
        continue;
      }
      context_.host.ShowStatus(1, FolderStatusText(root.path));
      WalkTree(roots[i]);
      roots[i].reset();
    }
  }

 private:
  void WalkTree(std::shared_ptr<ListedFolder> root) {
    std::vector<std::shared_ptr<ListedFolder>> pending;
    Commit(*root, pending);
    root.reset();
    while (!pending.empty()) {
      if (context_.Stopped()) return;
      std::shared_ptr<ListedFolder> folder = std::move(pending.back());
      pending.pop_back();
      context_.host.ShowStatus(1, FolderStatusText(folder->path));
      const FolderLister::WaitResult waited = lister_.Wait(*folder, context_.stopRequested);
      if (waited == FolderLister::WaitResult::Stopped) return;
      if (waited == FolderLister::WaitResult::TimedOut) {
        lister_.Done(*folder);
        context_.NoteUnreadable(folder->path, UnreadableCause::TimedOut);
        continue;
      }
      Commit(*folder, pending);
    }
  }

  // What one listed folder adds; its sub-folders go on `pending`, the first
  // one on top.
  void Commit(ListedFolder& folder, std::vector<std::shared_ptr<ListedFolder>>& pending) {
    switch (folder.outcome) {
      case ListedFolder::Outcome::OpenFailed:
        NoteFolderError(folder.path, folder.error);
        [[fallthrough]];
      case ListedFolder::Outcome::Loop:
      case ListedFolder::Outcome::Missing:
        lister_.Done(folder);
        return;
      case ListedFolder::Outcome::Listed:
        break;
    }
    context_.host.FoldersWalked(++context_.foldersWalked);
    ListMatches(folder);
    OfferArchives(folder);
    if (!context_.Stopped()) {
      if (folder.error != 0) NoteFolderError(folder.path, folder.error);
      pending.insert(pending.end(), folder.children.rbegin(), folder.children.rend());
    }
    lister_.Done(folder);
  }

  void NoteFolderError(const std::string& path, int error) {
    if (const std::optional<UnreadableCause> cause = CauseOfErrno(error)) context_.NoteUnreadable(path, *cause);
  }

  void ListMatches(ListedFolder& folder) {
    const SearchCriteria& c = context_.criteria;
    if (!c.allFiles) return;
    platform::FolderListing& listing = *folder.listing;
    const std::string& path = folder.path;
    for (std::size_t k = 0; k < patterns_.size(); ++k) {
      for (std::size_t i = 0; i < listing.size(); ++i) {
        if (context_.Stopped()) return;
        if (!folder.Matches(i, k)) continue;
        const std::string& name = listing.name(i);
        const platform::DirEntryFacts& f = listing.facts(i);
        if (f.isFolder) {
          if (c.listFolders) context_.AddHit(ItemData{name, "[folder]", path});
          continue;
        }
        if (!f.exists) continue;  // vanished since the listing
        ItemData row{name, SizeText(f.size), path};
        SearchTest test = [file = platform::JoinPath(path, name), size = static_cast<std::int64_t>(f.size),
                           row = std::move(row)](SearchContext& context) {
          ReadVerdict verdict;
          try {
            verdict = FileMatches(context, file, size);
          } catch (...) {
            // A file whose test fails with an error (the work folder cannot
            // take a converter's files) is no hit; the walk goes on.
            verdict = ReadVerdict::Miss();
          }
          if (verdict.match && !context.criteria.containsText.empty()) {
            // A content hit shows where it matched and when it was written.
            ItemData hit = row;
            hit.Matches = std::move(verdict.matches);
            hit.Modified = platform::LastWriteSeconds(file).value_or(0);
            context.AddHit(hit);
          } else if (verdict.match) {
            context.AddHit(row);
          }
          else if (verdict.cause) context.NoteUnreadable(file, *verdict.cause);
        };
        // Without a text to look for, the test is a few file facts: cheaper
        // on the walk's own thread than handed to a worker.
        if (c.containsText.empty()) test(context_);
        else context_.RunTest(std::move(test));
      }
    }
  }

  void OfferArchives(ListedFolder& folder) {
    if (!context_.dispatchArchive) return;
    platform::FolderListing& listing = *folder.listing;
    const std::size_t first = context_.criteria.allFiles ? patterns_.size() : 0;
    for (std::size_t k = 0; k < std::size(kArchivePatterns); ++k) {
      for (std::size_t i = 0; i < listing.size(); ++i) {
        if (context_.Stopped()) return;
        if (!folder.Matches(i, first + k)) continue;
        const platform::DirEntryFacts& f = listing.facts(i);
        if (!f.exists || f.isFolder) continue;
        context_.RunTest([path = platform::JoinPath(folder.path, listing.name(i)),
                          &patternText = patternText_](SearchContext& context) {
          try {
            if (const std::optional<UnreadableCause> cause = context.dispatchArchive(context, path, patternText))
              context.NoteUnreadable(path, *cause);
          } catch (...) {
            // An archive a reader rejects with an error ends that archive's
            // step; its members listed so far stay.
          }
        });
      }
    }
  }

  SearchContext& context_;
  const std::string& patternText_;
  std::vector<std::string> patterns_;
  FolderLister lister_;
};

}  // namespace

std::string FolderStatusText(const std::string& folder) {
  // Characters, not bytes: a UTF-8 sequence is never cut.
  auto isLead = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; };
  std::size_t chars = 0;
  for (char c : folder) chars += isLead(c);
  if (chars < kStatusWidth) return folder;
  std::size_t start = folder.size(), kept = 0;
  while (start > 0 && kept < kStatusWidth) {
    --start;
    if (isLead(folder[start])) ++kept;
  }
  return "..." + folder.substr(start);
}

void WalkFolder(SearchContext& context, const std::string& folder, const std::string& patternText) {
  Walker(context, patternText).Walk({folder}, nullptr);
}

void WalkLocations(SearchContext& context, const std::vector<std::string>& locations, const std::string& patternText,
                   std::string& missingFolders) {
  Walker(context, patternText).Walk(locations, &missingFolders);
}

}  // namespace tessaly::engine
