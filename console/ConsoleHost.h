// The search host of the console front end: status on one terminal line,
// missing folders on standard error, a plain timer for the conversion
// time-out.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>

#include "engine/SearchHost.h"

namespace tessaly::console {

class ConsoleHost : public engine::SearchHost {
 public:
  // `err` receives the status line (only when it is a terminal) and the
  // missing-folders list.
  explicit ConsoleHost(std::FILE* err, bool showStatus);

  void SearchStarted() override {}
  void ShowStatus(int panel, const std::string& text) override;
  void RowCountChanged(std::size_t) override {}
  void SearchFinished(std::size_t count) override;
  void ReportMissingFolders(const std::string& text) override;
  void ReportMissingConverters(const std::string& text) override;
  void SearchEnded() override {}

  void ArmConversionTimeout() override;
  bool ConversionTimedOut() override;
  void StopConversionTimeout() override;

  // The conversion time-out, 9000 ms; tests may shorten it.
  static std::chrono::milliseconds conversionTimeout;

 private:
  void ClearStatusLine();

  std::FILE* err_;
  bool showStatus_;
  std::mutex mutex_;
  std::string label_;
  std::chrono::steady_clock::time_point lastStatus_{};
  bool statusShown_ = false;
  std::atomic<bool> armed_{false};
  std::atomic<std::int64_t> deadline_{0};
};

}  // namespace tessaly::console
