// A search host that records what a search tells its front end.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "engine/QuietSearchHost.h"

namespace tessaly::test {

class RecordingHost : public engine::QuietSearchHost {
 public:
  void SearchStarted() override { Log("started"); }
  void ShowStatus(int panel, const std::string& text) override {
    Log("status" + std::to_string(panel) + ":" + text);
    if (panel == 1) folderStatuses++;
  }
  void RowCountChanged(std::size_t count) override { lastCount = count; }
  void SearchFinished(std::size_t count) override { Log("finished:" + std::to_string(count)); }
  void ReportMissingFolders(const std::string& text) override { Log("missing:" + text); }
  void ReportUnreadable(const engine::UnreadableList& list) override {
    Log("unreadable:" + std::to_string(list.Total()));
    unreadable = list;
  }
  void SearchEnded() override { Log("ended"); }
  void FoldersWalked(std::size_t count) override { foldersWalked = count; }

  std::vector<std::string> Events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  bool Has(const std::string& e) {
    for (const auto& x : Events())
      if (x == e) return true;
    return false;
  }

  std::atomic<std::size_t> lastCount{0};
  std::atomic<int> folderStatuses{0};
  std::atomic<std::size_t> foldersWalked{0};
  engine::UnreadableList unreadable;

 private:
  void Log(const std::string& e) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(e);
  }
  std::mutex mutex_;
  std::vector<std::string> events_;
};

}  // namespace tessaly::test
