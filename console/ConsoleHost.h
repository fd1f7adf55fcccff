// The search host of the console front end: status on one terminal line,
// missing folders and converters on standard error; the unreadable
// documents are kept for the end of the run; the conversion time-out is the
// quiet host's plain deadline.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>

#include "engine/QuietSearchHost.h"

namespace tessaly::console {

class ConsoleHost : public engine::QuietSearchHost {
 public:
  // `err` receives the status line (only when it is a terminal) and the
  // missing-folders list.
  explicit ConsoleHost(std::FILE* err, bool showStatus,
                       std::chrono::milliseconds conversionTimeout = std::chrono::milliseconds(9000),
                       std::chrono::milliseconds captureTimeout = extract::kCaptureTimeout);

  void ShowStatus(int panel, const std::string& text) override;
  void SearchFinished(std::size_t count) override;
  void ReportMissingFolders(const std::string& text) override;
  void ReportMissingConverters(const std::string& text) override;
  // Kept for the end of the run: the report lists them, standard error
  // counts them.
  void ReportUnreadable(const engine::UnreadableList& list) override;
  const engine::UnreadableList& Unreadable() const { return unreadable_; }

 private:
  void ClearStatusLine();

  std::FILE* err_;
  bool showStatus_;
  std::mutex mutex_;
  std::string label_;
  std::chrono::steady_clock::time_point lastStatus_{};
  bool statusShown_ = false;
  engine::UnreadableList unreadable_;
};

}  // namespace tessaly::console
