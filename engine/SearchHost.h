// The one interface between a running search and its front end.
//
// The search thread calls these in the order the search proceeds; a front end
// with a window queues them to its window thread. Calls from a search whose
// stop was requested are discarded by the host (the thread also stops making
// them as soon as it sees the stop flag).
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "engine/ConversionDeadline.h"
#include "engine/UnreadableList.h"
#include "extract/ConverterRunner.h"

namespace tessaly::engine {

class SearchHost {
 public:
  virtual ~SearchHost() = default;

  // Execute step 1: the elapsed-time clock starts at 00:00:00.
  virtual void SearchStarted() = 0;
  // Status bar text: panel 0 is the label ("Status: "), panel 1 the state.
  virtual void ShowStatus(int panel, const std::string& text) = 0;
  // The store's row count changed (after AddHit or emptying the store).
  virtual void RowCountChanged(std::size_t count) = 0;
  // End of search: final row count; the host restores its controls and
  // shows "Matching files found: " with the count.
  virtual void SearchFinished(std::size_t count) = 0;
  // Location entries that are not folders, each followed by LF CR.
  virtual void ReportMissingFolders(const std::string& text) = 0;
  // Converter programs that could not be started, one line each; the
  // documents they read went unsearched. Called at the end of a search that
  // was not stopped, before SearchEnded. A host may leave it unshown.
  virtual void ReportMissingConverters(const std::string& text) { (void)text; }
  // The documents and folders the search could not read, with their
  // causes. Called at the end of a search that was not stopped, when there
  // are any, before SearchEnded. A host may leave it unshown.
  virtual void ReportUnreadable(const UnreadableList& list) { (void)list; }
  // The elapsed-time clock stops (last step of a search).
  virtual void SearchEnded() = 0;
  // Progress: the number of folders listed so far by this search, over all
  // its locations; called after each folder's listing. A host may ignore it.
  virtual void FoldersWalked(std::size_t count) { (void)count; }

  // A conversion time-out for one converter run; every run gets its own, as
  // runs of different files overlap. By default a deadline of
  // kConversionTimeout.
  virtual std::unique_ptr<extract::ConversionTimeout> NewConversionTimeout() {
    return std::make_unique<ConversionDeadline>();
  }

  // A front end's own conversion clock, told when a search ends. The engine
  // times each conversion with NewConversionTimeout().
  virtual void ArmConversionTimeout() {}
  virtual bool ConversionTimedOut() { return false; }
  virtual void StopConversionTimeout() {}
  // How long a capturing converter run may take before it is ended and its
  // document counted as timed out.
  virtual std::chrono::milliseconds CaptureTimeout() const { return extract::kCaptureTimeout; }
};

}  // namespace tessaly::engine
