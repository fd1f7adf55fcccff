// The depth-first folder walk: one listing per folder, then the pattern
// passes, the archive pass and the sub-folder pass over it, in listing order.
#include "engine/FolderWalk.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "engine/FileMatches.h"
#include "engine/SizeText.h"
#include "platform/DirListing.h"
#include "platform/FileFacts.h"
#include "platform/Wildcard.h"

namespace tessaly::engine {
namespace {

constexpr const char* kArchivePatterns[] = {"*.zip", "*.cab", "*.arj", "*.rar", "*.zoo",
                                            "*.lzh", "*.tar", "*.ace", "*.arc"};
constexpr std::size_t kStatusWidth = 78;

struct FolderId {
  std::uint64_t device, inode;
};

class Walker {
 public:
  Walker(SearchContext& context, const std::string& patternText)
      : context_(context), patternText_(patternText), patterns_(SplitList(patternText)) {}

  void Walk(const std::string& folder) {
    if (context_.Stopped()) return;
    context_.host.ShowStatus(1, FolderStatusText(folder));
    std::vector<std::string> subFolders;
    {
      platform::FolderListing listing(folder);
      if (!listing.ok()) return;
      for (const FolderId& a : ancestors_)
        if (a.device == listing.device() && a.inode == listing.inode()) return;  // a bind-mount loop
      context_.host.FoldersWalked(++context_.foldersWalked);
      ListMatches(listing, folder);
      OfferArchives(listing, folder);
      CollectSubFolders(listing, folder, subFolders);
      ancestors_.push_back(FolderId{listing.device(), listing.inode()});
    }
    // The listing is closed before descending, so deep trees hold no
    // descriptor per level.
    for (const std::string& sub : subFolders) {
      if (context_.Stopped()) break;
      Walk(sub);
    }
    ancestors_.pop_back();
  }

 private:
  void ListMatches(platform::FolderListing& listing, const std::string& folder) {
    const SearchCriteria& c = context_.criteria;
    if (!c.allFiles) return;
    for (const std::string& pattern : patterns_) {
      for (std::size_t i = 0; i < listing.size(); ++i) {
        if (context_.Stopped()) return;
        const std::string& name = listing.name(i);
        if (!platform::WildcardMatch(pattern, name)) continue;
        const platform::DirEntryFacts& f = listing.facts(i);
        if (f.isFolder) {
          if (c.listFolders) context_.AddHit(ItemData{name, "[folder]", folder});
          continue;
        }
        if (!f.exists) continue;  // vanished since the listing
        bool hit = false;
        try {
          hit = FileMatches(context_, platform::JoinPath(folder, name), static_cast<std::int64_t>(f.size));
        } catch (...) {
          // A file whose test fails with an error (a converter that cannot
          // start, a file that cannot be read) is no hit; the walk goes on.
          hit = false;
        }
        if (hit) context_.AddHit(ItemData{name, SizeText(f.size), folder});
      }
    }
  }

  void OfferArchives(platform::FolderListing& listing, const std::string& folder) {
    if (!context_.dispatchArchive) return;
    for (const char* pattern : kArchivePatterns) {
      for (std::size_t i = 0; i < listing.size(); ++i) {
        if (context_.Stopped()) return;
        const std::string& name = listing.name(i);
        if (!platform::WildcardMatch(pattern, name)) continue;
        const platform::DirEntryFacts& f = listing.facts(i);
        if (!f.exists || f.isFolder) continue;
        try {
          context_.dispatchArchive(context_, platform::JoinPath(folder, name), patternText_);
        } catch (...) {
          // An archive a reader rejects with an error ends that archive's
          // step; its members listed so far stay.
        }
      }
    }
  }

  void CollectSubFolders(platform::FolderListing& listing, const std::string& folder,
                         std::vector<std::string>& out) {
    for (std::size_t i = 0; i < listing.size(); ++i) {
      if (context_.Stopped()) return;
      if (listing.isHidden(i) || listing.isLinkByType(i) || !listing.isPlainFolder(i)) continue;
      std::string path = platform::JoinPath(folder, listing.name(i));
      if (platform::IsSystemFolder(path)) continue;
      out.push_back(std::move(path));
    }
  }

  SearchContext& context_;
  const std::string& patternText_;
  std::vector<std::string> patterns_;
  std::vector<FolderId> ancestors_;
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
  Walker(context, patternText).Walk(folder);
}

}  // namespace tessaly::engine
