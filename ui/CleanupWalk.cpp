// Deleting the temporary files that the window's conditions select.
#include "ui/CleanupWalk.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>

#include "engine/FolderWalk.h"
#include "engine/QuietSearchHost.h"
#include "engine/SearchContext.h"
#include "platform/FileFacts.h"

namespace tessaly::ui {

namespace {

// The clean-up runs on the window thread, so no window timer can fire while
// a converter waits: its conversion time-out is a plain deadline instead.
using TCleanupHost = engine::QuietSearchHost;

}  // namespace

int CleanWorkFolder(const engine::SearchCriteria& conditions, const std::string& folder,
                    engine::ResultStore& store) {
  int deleted = 0;
  TCleanupHost host;
  const std::atomic<bool> neverStopped{false};
  for (const char* pattern : {"tempdat*.*", "tmp*.*"}) {
    store.Clear();
    engine::SearchContext context{conditions, store, host, neverStopped, {}};
    engine::WalkFolder(context, folder, pattern);
    const std::size_t count = store.Count();
    for (std::size_t i = 0; i < count; ++i) {
      const engine::ItemData row = store.Row(i);
      if (row.Path != folder || row.Name.find('/') != std::string::npos) continue;
      const std::string path = platform::JoinPath(folder, row.Name);
      struct stat st {};
      if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
      if (::unlink(path.c_str()) == 0) ++deleted;
    }
  }
  store.Clear();
  return deleted;
}

}  // namespace tessaly::ui
