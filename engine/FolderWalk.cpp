// The depth-first folder walk: one listing per folder, then the pattern
// passes, the archive pass and the sub-folder pass over it, in listing order;
// then each sub-folder in that order.
#include "engine/FolderWalk.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "engine/ContentConditions.h"
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

// Descriptors the walk keeps open at most for folders whose sub-folders are
// still to be walked; past this the ones nearest the location are closed
// and opened again when the walk comes back to them.
constexpr std::size_t kMaxOpenFolders = 64;

struct FolderId {
  std::uint64_t device, inode;
  bool operator<(const FolderId& o) const { return device != o.device ? device < o.device : inode < o.inode; }
};

// An owned descriptor.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(Fd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
  Fd& operator=(Fd&& o) noexcept {
    if (this != &o) {
      Reset();
      fd_ = std::exchange(o.fd_, -1);
    }
    return *this;
  }
  int get() const { return fd_; }
  bool open() const { return fd_ >= 0; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

bool SameFolder(int fd, const FolderId& id) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && st.st_dev == id.device && st.st_ino == id.inode;
}

// The walk descends by descriptors: each sub-folder is opened relative to
// its parent's descriptor, so neither the depth of a tree nor the length of
// its paths limits it. Folders are kept as a stack of frames instead of
// recursion, and only the running path is kept as text.
class Walker {
 public:
  Walker(SearchContext& context, const std::string& patternText)
      : context_(context), patternText_(patternText), patterns_(SplitList(patternText)) {}

  void Walk(const std::string& location) {
    if (context_.Stopped()) return;
    path_ = location;
    context_.host.ShowStatus(1, FolderStatusText(path_));
    const int fd = ::open(location.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (!Enter(fd, errno, std::string(), 0)) return;
    while (!frames_.empty()) {
      if (context_.Stopped()) break;
      Frame& top = frames_.back();
      if (top.next >= top.subFolders.size()) {
        Leave();
        continue;
      }
      if (!top.fd.open() && !Reopen(frames_.size() - 1)) {
        // The folder changed under the walk: its remaining sub-folders are
        // no longer where they were.
        top.next = top.subFolders.size();
        continue;
      }
      std::string name = std::move(top.subFolders[top.next++]);
      const std::size_t parentLength = path_.size();
      path_ = platform::JoinPath(path_, name);
      context_.host.ShowStatus(1, FolderStatusText(path_));
      const int child = platform::OpenSubFolder(top.fd.get(), name);
      if (!Enter(child, errno, std::move(name), parentLength)) path_.resize(parentLength);
    }
    while (!frames_.empty()) Leave();
  }

 private:
  struct Frame {
    std::string name;          // as listed in its parent ("" for the location)
    std::size_t parentLength;  // length of the running path without this folder
    FolderId id;
    Fd fd;                     // open while sub-folders may still be walked
    std::vector<std::string> subFolders;
    std::size_t next = 0;
  };

  // Lists the folder just opened as `fd` (the running path names it) and
  // pushes its frame; false when it cannot be listed or closes a loop. A
  // folder that cannot be opened or read is reported with its cause.
  bool Enter(int fd, int openError, std::string name, std::size_t parentLength) {
    platform::FolderListing listing(fd, openError);
    if (!listing.ok()) {
      NoteFolderError(listing.error());
      return false;
    }
    const FolderId id{listing.device(), listing.inode()};
    if (onStack_.count(id)) return false;  // a bind-mount loop
    context_.host.FoldersWalked(++context_.foldersWalked);
    ListMatches(listing, path_);
    OfferArchives(listing, path_);
    Frame frame;
    CollectSubFolders(listing, path_, frame.subFolders);
    if (listing.error() != 0) NoteFolderError(listing.error());
    frame.name = std::move(name);
    frame.parentLength = parentLength;
    frame.id = id;
    if (!frame.subFolders.empty()) frame.fd.Reset(listing.TakeFd());
    const bool open = frame.fd.open();
    frames_.push_back(std::move(frame));
    onStack_.insert(id);
    if (open) ++openCount_;
    while (openCount_ > kMaxOpenFolders) Park();
    return true;
  }

  // Pops the top frame; the running path names its parent again. A parent
  // whose descriptor was closed is opened again through the child's "..",
  // which costs one call however deep the tree is.
  void Leave() {
    Frame done = std::move(frames_.back());
    frames_.pop_back();
    onStack_.erase(done.id);
    if (!frames_.empty()) {
      Frame& parent = frames_.back();
      if (!parent.fd.open() && parent.next < parent.subFolders.size() && done.fd.open()) {
        Fd up(::openat(done.fd.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (up.open() && SameFolder(up.get(), parent.id)) {
          parent.fd = std::move(up);
          ++openCount_;
        }
      }
    }
    if (done.fd.open()) --openCount_;
    done.fd.Reset();
    path_.resize(frames_.empty() ? 0 : done.parentLength);
    if (!frames_.empty() && firstOpen_ >= frames_.size()) firstOpen_ = frames_.size() - 1;
    if (frames_.empty()) firstOpen_ = 0;
  }

  // Closes the descriptor of the open frame nearest the location (never the
  // top one's).
  void Park() {
    for (; firstOpen_ + 1 < frames_.size(); ++firstOpen_) {
      Frame& f = frames_[firstOpen_];
      if (f.fd.open()) {
        f.fd.Reset();
        --openCount_;
        ++firstOpen_;
        return;
      }
    }
    openCount_ = 0;  // unreachable while the count is kept right
  }

  // Opens frame `index` again from the nearest ancestor still open (or the
  // location by its path), name by name, checking that each folder is the
  // one walked before.
  bool Reopen(std::size_t index) {
    std::size_t from = index;
    while (from > 0 && !frames_[from - 1].fd.open()) --from;
    Fd fd;
    if (from == 0) {
      const std::string location = frames_.size() > 1 ? path_.substr(0, frames_[1].parentLength) : path_;
      fd.Reset(::open(location.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      if (!fd.open() || !SameFolder(fd.get(), frames_[0].id)) return false;
      from = 1;
    } else {
      fd.Reset(::fcntl(frames_[from - 1].fd.get(), F_DUPFD_CLOEXEC, 0));
    }
    for (std::size_t i = from; i <= index && fd.open(); ++i) {
      Fd next(platform::OpenSubFolder(fd.get(), frames_[i].name));
      if (!next.open() || !SameFolder(next.get(), frames_[i].id)) return false;
      fd = std::move(next);
    }
    if (!fd.open()) return false;
    frames_[index].fd = std::move(fd);
    ++openCount_;
    if (firstOpen_ > index) firstOpen_ = index;
    while (openCount_ > kMaxOpenFolders) Park();
    return true;
  }

  void NoteFolderError(int error) {
    if (const std::optional<UnreadableCause> cause = CauseOfErrno(error)) context_.NoteUnreadable(path_, *cause);
  }

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
        ItemData row{name, SizeText(f.size), folder};
        SearchTest test = [path = platform::JoinPath(folder, name), size = static_cast<std::int64_t>(f.size),
                           row = std::move(row)](SearchContext& context) {
          ReadVerdict verdict;
          try {
            verdict = FileMatches(context, path, size);
          } catch (...) {
            // A file whose test fails with an error (the work folder cannot
            // take a converter's files) is no hit; the walk goes on.
            verdict = ReadVerdict::Miss();
          }
          if (verdict.match && !context.criteria.containsText.empty()) {
            // A content hit shows where it matched and when it was written.
            ItemData hit = row;
            hit.Matches = std::move(verdict.matches);
            hit.Modified = platform::LastWriteSeconds(path).value_or(0);
            context.AddHit(hit);
          } else if (verdict.match) {
            context.AddHit(row);
          }
          else if (verdict.cause) context.NoteUnreadable(path, *verdict.cause);
        };
        // Without a text to look for, the test is a few file facts: cheaper
        // on the walk's own thread than handed to a worker.
        if (c.containsText.empty()) test(context_);
        else context_.RunTest(std::move(test));
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
        context_.RunTest([path = platform::JoinPath(folder, name), &patternText = patternText_](SearchContext& context) {
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

  void CollectSubFolders(platform::FolderListing& listing, const std::string& folder,
                         std::vector<std::string>& out) {
    for (std::size_t i = 0; i < listing.size(); ++i) {
      if (context_.Stopped()) return;
      if (listing.isHidden(i) || listing.isLinkByType(i) || !listing.isPlainFolder(i)) continue;
      if (platform::IsSystemFolder(platform::JoinPath(folder, listing.name(i)))) continue;
      out.push_back(listing.name(i));
    }
  }

  SearchContext& context_;
  const std::string& patternText_;
  std::vector<std::string> patterns_;
  std::string path_;  // the folder being walked
  std::vector<Frame> frames_;
  std::set<FolderId> onStack_;  // the folders on the stack, against loops
  std::size_t openCount_ = 0;   // frames whose descriptor is open
  std::size_t firstOpen_ = 0;   // no frame below this one is open
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
