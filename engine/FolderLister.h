// The listing side of the folder walk: threads that open and list folders
// ahead of the walk, while the walk itself takes the folders one by one in
// its depth-first order and commits what they hold.
//
// Each folder of the walk is a node of a tree that the listing threads grow:
// a thread lists a folder (one getdents64 pass, one statx for each entry a
// row or a filter needs), picks the sub-folders the walk will enter and
// queues them. The queue hands out the folder that comes first in the walk's
// order, so the threads work just ahead of the walk; at most kMaxAhead
// folders are listed ahead of it, except the one the walk waits for, which
// is always handed out next. Sub-folders are opened relative to their
// parent's descriptor; past a budget of open descriptors a parent is closed
// and its children are reached again name by name from the nearest open
// ancestor, each step checked against the folder listed before.
//
// A listing thread may block in the kernel for as long as a dead mount
// lasts. The walk never waits on one blindly: Wait ends at a stop request,
// and reports a folder whose file system has not answered for the time-out
// as timed out; the thread is let go (it ends by itself once its call
// returns, touching nothing but this lister's own state) and another takes
// its place.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/DirListing.h"

namespace tessaly::engine {

// One folder of the walk. The walk reads the results once Wait has said the
// folder is ready; nothing writes them after that.
struct ListedFolder {
  enum class Outcome {
    Listed,      // listed (`error` non-zero when the listing broke off)
    OpenFailed,  // could not be opened (`error`)
    Loop,        // one of its own ancestors (a bind-mount loop)
    Missing,     // a location that is not an existing folder (`error`, or 0)
  };

  std::string path;  // the folder as the walk reached it
  std::string name;  // as listed in its parent; empty for a location

  Outcome outcome = Outcome::Listed;
  int error = 0;
  // The listing; its descriptor is gone, the facts the walk asks for (kind
  // and size of every entry that matches a pattern) are read.
  std::unique_ptr<platform::FolderListing> listing;
  // Per entry, one bit for each name pattern and then each archive pattern
  // that matches it: `stride` words an entry.
  std::vector<std::uint64_t> matches;
  std::size_t stride = 0;
  // The sub-folders the walk enters, in listing order.
  std::vector<std::shared_ptr<ListedFolder>> children;

  bool Matches(std::size_t entry, std::size_t pattern) const {
    return (matches[entry * stride + pattern / 64] >> (pattern % 64)) & 1;
  }

  // Owned by the lister.
  struct Private;
  std::unique_ptr<Private> state;
  ListedFolder();
  ~ListedFolder();
};

class FolderLister {
 public:
  struct Settings {
    // Listing threads; 0: one per core on local disks, kRemoteThreads as
    // soon as a folder lies on a network or FUSE file system.
    unsigned threads = 0;
    // A folder whose file system gives no answer for this long is reported
    // as timed out.
    std::chrono::milliseconds timeout{30000};
    // Name patterns (their bits come first) and archive patterns.
    std::vector<std::string> namePatterns;
    std::vector<std::string> archivePatterns;
  };
  static constexpr unsigned kRemoteThreads = 16;
  static constexpr std::size_t kMaxAhead = 1024;

  explicit FolderLister(Settings settings);
  // Stops the threads; those blocked in the kernel are let go.
  ~FolderLister();
  FolderLister(const FolderLister&) = delete;
  FolderLister& operator=(const FolderLister&) = delete;

  // Queues a location; locations are walked in the order they are added.
  std::shared_ptr<ListedFolder> AddLocation(const std::string& path);

  enum class WaitResult { Ready, Stopped, TimedOut };
  // Waits until `folder` is listed, `stop` is set (looked at every few
  // milliseconds) or its file system has not answered for the time-out.
  WaitResult Wait(ListedFolder& folder, const std::atomic<bool>& stop);
  // The walk is done with `folder`: its listing is released.
  void Done(ListedFolder& folder);

  // The threads listing now (for tests).
  unsigned ThreadCount() const;

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

// A hook called by the listing threads with the path of every folder before
// they open it; tests use it to make a folder's listing hang. Not for use
// while a search runs.
using ListingHook = void (*)(const std::string& path);
void SetListingHookForTests(ListingHook hook);

}  // namespace tessaly::engine
