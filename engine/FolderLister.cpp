// The walk's listing threads: a queue ordered by the walk's own order, a
// cap on folders listed ahead, descriptors relative to the parent, and
// threads that can be let go while blocked in the kernel.
#include "engine/FolderLister.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <queue>
#include <thread>
#include <utility>

#include "platform/FileFacts.h"
#include "platform/Wildcard.h"

namespace tessaly::engine {
namespace {

using Clock = std::chrono::steady_clock;

std::atomic<ListingHook> gListingHook{nullptr};

std::int64_t Now() { return Clock::now().time_since_epoch().count(); }

void CloseFd(int fd) {
  if (fd >= 0) ::close(fd);
}

// How long the walk sleeps between looks at the stop request and the
// folders being listed.
constexpr auto kWaitSlice = std::chrono::milliseconds(20);
// How long the lister's end waits for its threads before it lets go of
// those still blocked.
constexpr auto kExitGrace = std::chrono::milliseconds(250);

}  // namespace

// What the listing threads know of a folder that its descendants need: its
// identity (against loops), its name (to reach it again) and, while some of
// its sub-folders are still to be opened, its descriptor. Trails point to
// their parents only, so a folder's trail lives as long as anything below it
// may still be opened.
struct FolderTrail {
  std::shared_ptr<FolderTrail> parent;
  std::string name;  // in the parent; the whole path for a location
  std::uint64_t device = 0, inode = 0;
  bool remote = false;
  int fd = -1;               // under the lister's lock
  std::size_t unopened = 0;  // sub-folders not opened yet, under the lock
  ~FolderTrail() { CloseFd(fd); }
};

struct ListedFolder::Private {
  enum class State { Queued, Listing, Listed, Abandoned };
  State state = State::Queued;  // under the lister's lock
  std::vector<std::uint32_t> order;  // place in the walk's order
  std::shared_ptr<FolderTrail> trail;
  std::atomic<std::int64_t> lastAnswer{0};
  bool replaced = false;  // another thread stands in for the one listing it
  int fd = -1;            // the listed folder's descriptor until it is kept or closed
};

ListedFolder::ListedFolder() : state(std::make_unique<Private>()) {}
ListedFolder::~ListedFolder() {
  if (state) CloseFd(state->fd);
}

struct FolderLister::Shared : std::enable_shared_from_this<FolderLister::Shared> {
  explicit Shared(Settings s) : settings(std::move(s)) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    desired = settings.threads ? settings.threads : cores;
    rlimit limit{};
    const std::size_t files = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
                                  ? static_cast<std::size_t>(limit.rlim_cur)
                                  : 1024;
    // Descriptors kept for folders whose sub-folders are still to be
    // opened: a share of the process's limit, the rest left to the content
    // tests and the threads' own listings.
    fdBudget = std::clamp<std::size_t>(files / 8, 8, 256);
  }

  struct Later {
    bool operator()(const std::shared_ptr<ListedFolder>& a, const std::shared_ptr<ListedFolder>& b) const {
      return a->state->order > b->state->order;
    }
  };

  const Settings settings;
  std::mutex mutex;
  std::condition_variable work, ready, exitedCv;
  std::priority_queue<std::shared_ptr<ListedFolder>, std::vector<std::shared_ptr<ListedFolder>>, Later> queue;
  const ListedFolder* wanted = nullptr;
  std::size_t ahead = 0;  // folders taken from the queue, not yet done by the walk
  std::vector<ListedFolder*> listing;
  unsigned desired = 1;
  unsigned live = 0;
  std::uint32_t locations = 0;
  bool remoteSeen = false;
  std::size_t openFds = 0;
  std::size_t fdBudget = 64;
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  std::vector<char> exited;

  // Starts one more listing thread. Called with the lock held.
  void Spawn() {
    const std::size_t slot = threads.size();
    exited.push_back(0);
    ++live;
    threads.emplace_back([self = shared_from_this(), slot] { self->Run(slot); });
  }

  bool CanTake() const { return !queue.empty() && (ahead < kMaxAhead || queue.top().get() == wanted); }

  void Run(std::size_t slot) {
    std::unique_lock lock(mutex);
    for (;;) {
      work.wait(lock, [this] { return stop.load() || CanTake(); });
      if (stop.load()) break;
      std::shared_ptr<ListedFolder> folder = queue.top();
      queue.pop();
      ListedFolder::Private& p = *folder->state;
      p.state = ListedFolder::Private::State::Listing;
      p.lastAnswer.store(Now());
      ++ahead;
      listing.push_back(folder.get());
      lock.unlock();
      List(*folder);
      lock.lock();
      listing.erase(std::find(listing.begin(), listing.end(), folder.get()));
      int toClose = -1;
      if (p.state == ListedFolder::Private::State::Abandoned || stop.load()) {
        toClose = std::exchange(p.fd, -1);
        folder->children.clear();
      } else {
        if (!folder->children.empty() && p.fd >= 0 && openFds < fdBudget) {
          p.trail->fd = std::exchange(p.fd, -1);
          p.trail->unopened = folder->children.size();
          ++openFds;
        } else {
          toClose = std::exchange(p.fd, -1);
        }
        for (const auto& child : folder->children) queue.push(child);
        p.state = ListedFolder::Private::State::Listed;
        if (p.trail->remote && settings.threads == 0 && !remoteSeen) {
          // Network and FUSE file systems answer slowly, each call on its
          // own: more threads keep more requests in flight.
          remoteSeen = true;
          desired = std::max(desired, kRemoteThreads);
          while (live < desired) Spawn();
        }
      }
      const bool replaced = p.replaced;
      folder.reset();
      ready.notify_all();
      work.notify_all();
      if (toClose >= 0) {
        lock.unlock();
        CloseFd(toClose);
        lock.lock();
      }
      if (replaced) break;  // another thread took this one's place
    }
    exited[slot] = 1;
    --live;
    exitedCv.notify_all();
  }

  static void Answered(void* data) { static_cast<ListedFolder::Private*>(data)->lastAnswer.store(Now()); }

  // The descriptor of `trail`'s folder opened again from its nearest open
  // ancestor (or its location's path), name by name; -1 when a folder on
  // the way is no longer the one listed before.
  int Reopen(FolderTrail& target) {
    std::vector<FolderTrail*> chain;
    int fd = -1;
    {
      std::lock_guard hold(mutex);
      for (FolderTrail* a = &target; a; a = a->parent.get()) {
        if (a->fd >= 0) {
          fd = ::fcntl(a->fd, F_DUPFD_CLOEXEC, 0);
          break;
        }
        chain.push_back(a);
      }
    }
    auto same = [](int f, const FolderTrail& t) {
      struct stat st {};
      return ::fstat(f, &st) == 0 && st.st_dev == t.device && st.st_ino == t.inode;
    };
    if (fd < 0) {
      if (chain.empty() || chain.back()->parent) return -1;
      fd = ::open(chain.back()->name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd < 0 || !same(fd, *chain.back())) {
        CloseFd(fd);
        return -1;
      }
      chain.pop_back();
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      const int next = platform::OpenSubFolder(fd, (*it)->name);
      CloseFd(fd);
      fd = next;
      if (fd < 0 || !same(fd, **it)) {
        CloseFd(fd);
        return -1;
      }
    }
    return fd;
  }

  // Opens the folder of `trail`, a sub-folder, relative to its parent.
  int OpenChild(FolderTrail& trail) {
    FolderTrail& parent = *trail.parent;
    int base = -1;
    {
      // The parent's descriptor stays open while this sub-folder is unopened.
      std::lock_guard hold(mutex);
      base = parent.fd;
    }
    int fd = -1, error = ENOENT;
    if (base >= 0) {
      fd = platform::OpenSubFolder(base, trail.name);
      error = errno;
    } else if (const int again = Reopen(parent); again >= 0) {
      fd = platform::OpenSubFolder(again, trail.name);
      error = errno;
      CloseFd(again);
    }
    int toClose = -1;
    {
      std::lock_guard hold(mutex);
      if (parent.unopened > 0 && --parent.unopened == 0 && parent.fd >= 0) {
        toClose = std::exchange(parent.fd, -1);
        --openFds;
      }
    }
    CloseFd(toClose);
    errno = error;
    return fd;
  }

  // Opens and lists `folder` and picks its sub-folders; no lock held.
  void List(ListedFolder& folder) {
    ListedFolder::Private& p = *folder.state;
    FolderTrail& trail = *p.trail;
    if (const ListingHook hook = gListingHook.load()) hook(folder.path);
    int fd = -1, error = 0;
    if (!trail.parent) {
      // A location: it must be an existing folder (links followed).
      struct stat st {};
      errno = 0;
      const bool folderThere = !folder.path.empty() && ::stat(folder.path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      if (!folderThere) {
        folder.outcome = ListedFolder::Outcome::Missing;
        folder.error = errno;
        return;
      }
      fd = ::open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      error = errno;
    } else {
      fd = OpenChild(trail);
      error = errno;
    }
    Answered(&p);
    if (fd < 0) {
      folder.outcome = ListedFolder::Outcome::OpenFailed;
      folder.error = error;
      return;
    }
    const platform::ListingOptions options{trail.parent && trail.parent->remote, &Answered, &p};
    auto listing = std::make_unique<platform::FolderListing>(fd, 0, options);
    trail.device = listing->device();
    trail.inode = listing->inode();
    trail.remote = trail.parent && trail.parent->device == trail.device ? trail.parent->remote
                                                                        : platform::IsRemoteFileSystem(listing->fd());
    listing->SetDontSync(trail.remote);
    for (const FolderTrail* a = trail.parent.get(); a; a = a->parent.get()) {
      if (a->device == trail.device && a->inode == trail.inode) {
        folder.outcome = ListedFolder::Outcome::Loop;
        return;
      }
    }
    folder.outcome = ListedFolder::Outcome::Listed;
    folder.error = listing->error();

    const std::vector<std::string>& names = settings.namePatterns;
    const std::vector<std::string>& archives = settings.archivePatterns;
    folder.stride = (names.size() + archives.size() + 63) / 64;
    folder.matches.assign(listing->size() * folder.stride, 0);
    for (std::size_t i = 0; i < listing->size(); ++i) {
      if (stop.load(std::memory_order_relaxed)) break;
      const std::string& name = listing->name(i);
      std::uint64_t* bits = folder.matches.data() + i * folder.stride;
      bool any = false;
      for (std::size_t k = 0; k < names.size() + archives.size(); ++k) {
        const std::string& pattern = k < names.size() ? names[k] : archives[k - names.size()];
        if (!platform::WildcardMatch(pattern, name)) continue;
        bits[k / 64] |= std::uint64_t{1} << (k % 64);
        any = true;
      }
      // The facts the walk's rows and archive step will ask for, read here.
      if (any) listing->facts(i);
      if (listing->isHidden(i) || listing->isLinkByType(i) || !listing->isPlainFolder(i)) continue;
      std::string path = platform::JoinPath(folder.path, name);
      if (platform::IsSystemFolder(path)) continue;
      auto child = std::make_shared<ListedFolder>();
      child->path = std::move(path);
      child->name = name;
      ListedFolder::Private& c = *child->state;
      c.order.reserve(p.order.size() + 1);
      c.order = p.order;
      c.order.push_back(static_cast<std::uint32_t>(folder.children.size()));
      c.trail = std::make_shared<FolderTrail>();
      c.trail->parent = p.trail;
      c.trail->name = name;
      folder.children.push_back(std::move(child));
    }
    std::vector<std::uint32_t>().swap(p.order);
    p.fd = listing->TakeFd();
    folder.listing = std::move(listing);
  }
};

FolderLister::FolderLister(Settings settings) : shared_(std::make_shared<Shared>(std::move(settings))) {
  std::lock_guard hold(shared_->mutex);
  for (unsigned i = 0; i < shared_->desired; ++i) shared_->Spawn();
}

FolderLister::~FolderLister() {
  std::vector<std::thread> threads;
  std::vector<char> exited;
  {
    std::unique_lock lock(shared_->mutex);
    shared_->stop.store(true);
    shared_->work.notify_all();
    shared_->exitedCv.wait_for(lock, kExitGrace, [this] { return shared_->live == 0; });
    threads = std::move(shared_->threads);
    exited = shared_->exited;
  }
  for (std::size_t i = 0; i < threads.size(); ++i) {
    // A thread still in a listing call ends by itself once the call
    // returns; it keeps the shared state alive until then.
    if (exited[i]) threads[i].join();
    else threads[i].detach();
  }
}

std::shared_ptr<ListedFolder> FolderLister::AddLocation(const std::string& path) {
  auto folder = std::make_shared<ListedFolder>();
  folder->path = path;
  folder->state->trail = std::make_shared<FolderTrail>();
  folder->state->trail->name = path;
  std::lock_guard hold(shared_->mutex);
  folder->state->order = {shared_->locations++};
  shared_->queue.push(folder);
  shared_->work.notify_one();
  return folder;
}

FolderLister::WaitResult FolderLister::Wait(ListedFolder& folder, const std::atomic<bool>& stop) {
  using State = ListedFolder::Private::State;
  Shared& s = *shared_;
  const std::int64_t timeout = std::chrono::duration_cast<Clock::duration>(s.settings.timeout).count();
  std::unique_lock lock(s.mutex);
  for (;;) {
    ListedFolder::Private& p = *folder.state;
    if (p.state == State::Listed) {
      s.wanted = nullptr;
      return WaitResult::Ready;
    }
    if (stop.load()) return WaitResult::Stopped;
    if (p.state == State::Queued && s.wanted != &folder) {
      s.wanted = &folder;
      s.work.notify_all();
    }
    // A thread whose file system has not answered for the time-out is taken
    // for lost: another one takes its place, so the walk goes on.
    const std::int64_t now = Now();
    for (ListedFolder* f : s.listing) {
      if (f->state->replaced || now - f->state->lastAnswer.load() <= timeout) continue;
      f->state->replaced = true;
      s.Spawn();
    }
    if (p.state == State::Listing && now - p.lastAnswer.load() > timeout) {
      p.state = State::Abandoned;
      s.wanted = nullptr;
      return WaitResult::TimedOut;
    }
    s.ready.wait_for(lock, kWaitSlice);
  }
}

void FolderLister::Done(ListedFolder& folder) {
  std::lock_guard hold(shared_->mutex);
  const auto state = folder.state->state;
  if (state != ListedFolder::Private::State::Queued && shared_->ahead > 0) --shared_->ahead;
  // A folder given up on is still its thread's until the call returns.
  if (state == ListedFolder::Private::State::Listed) {
    folder.listing.reset();
    std::vector<std::uint64_t>().swap(folder.matches);
    folder.children.clear();
  }
  shared_->work.notify_all();
}

unsigned FolderLister::ThreadCount() const {
  std::lock_guard hold(shared_->mutex);
  return shared_->live;
}

void SetListingHookForTests(ListingHook hook) { gListingHook.store(hook); }

}  // namespace tessaly::engine
