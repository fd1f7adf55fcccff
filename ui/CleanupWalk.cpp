// Deleting the temporary files that the window's conditions select.
#include "ui/CleanupWalk.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>

#include "engine/FolderWalk.h"
#include "engine/SearchContext.h"
#include "platform/FileFacts.h"

namespace tessaly::ui {

namespace {

// The clean-up runs on the window thread, so no window timer can fire while
// a converter waits: its conversion time-out is a plain deadline instead.
class TCleanupHost : public engine::SearchHost {
 public:
  void SearchStarted() override {}
  void ShowStatus(int, const std::string&) override {}
  void RowCountChanged(std::size_t) override {}
  void SearchFinished(std::size_t) override {}
  void ReportMissingFolders(const std::string&) override {}
  void SearchEnded() override {}
  void ArmConversionTimeout() override {
    deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(9000);
    armed_ = true;
  }
  bool ConversionTimedOut() override { return armed_ && std::chrono::steady_clock::now() >= deadline_; }
  void StopConversionTimeout() override { armed_ = false; }

 private:
  bool armed_ = false;
  std::chrono::steady_clock::time_point deadline_{};
};

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
