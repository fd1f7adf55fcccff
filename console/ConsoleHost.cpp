// The console front end's search host.
#include "console/ConsoleHost.h"

#include <string>

namespace tessaly::console {

ConsoleHost::ConsoleHost(std::FILE* err, bool showStatus, std::chrono::milliseconds conversionTimeout,
                         std::chrono::milliseconds captureTimeout)
    : QuietSearchHost(conversionTimeout, captureTimeout), err_(err), showStatus_(showStatus) {}

void ConsoleHost::ShowStatus(int panel, const std::string& text) {
  if (!showStatus_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (panel == 0) {
    label_ = text;
    return;
  }
  // A folder a line, at most about 20 lines a second: the terminal is no
  // bottleneck of the walk.
  const auto now = std::chrono::steady_clock::now();
  if (statusShown_ && now - lastStatus_ < std::chrono::milliseconds(50)) return;
  lastStatus_ = now;
  std::fprintf(err_, "\r\033[K%s%s", label_.c_str(), text.c_str());
  std::fflush(err_);
  statusShown_ = true;
}

void ConsoleHost::ClearStatusLine() {
  if (statusShown_) {
    std::fprintf(err_, "\r\033[K");
    std::fflush(err_);
    statusShown_ = false;
  }
}

void ConsoleHost::SearchFinished(std::size_t) {
  std::lock_guard<std::mutex> lock(mutex_);
  ClearStatusLine();
}

void ConsoleHost::ReportMissingFolders(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  ClearStatusLine();
  // The list ends each folder with LF CR; a terminal wants plain lines.
  std::string lines;
  for (char c : text)
    if (c != '\r') lines.push_back(c);
  std::fprintf(err_, "The following directories/drives do not exist:\n%s", lines.c_str());
  std::fflush(err_);
}

void ConsoleHost::ReportMissingConverters(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  ClearStatusLine();
  std::fprintf(err_, "%s%s", text.c_str(), (!text.empty() && text.back() != '\n') ? "\n" : "");
  std::fflush(err_);
}

void ConsoleHost::ReportUnreadable(const engine::UnreadableList& list) {
  std::lock_guard<std::mutex> lock(mutex_);
  unreadable_ = list;
}

}  // namespace tessaly::console
