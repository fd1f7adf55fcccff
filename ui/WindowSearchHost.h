// The window's side of a running search: a SearchHost that hands every call
// of the search thread to the window thread.
//
// One host serves one search. Status texts and the row count are coalesced:
// the thread only records the latest values and the window takes them on its
// own update tick (Flush), so hundreds of thousands of hits cost a few dozen
// window updates a second; so is the count of folders walked. The other calls are queued in order, each after
// taking the values recorded before it, so the final state is exact. Once the
// window discards the host (the search was stopped), every call, queued or
// still to come, is dropped.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "engine/SearchHost.h"
#include "ui/ConversionTimeout.h"

namespace tessaly::ui {

// What a search delivers on the window thread, in the order it happens.
class TSearchReceiver {
 public:
  virtual ~TSearchReceiver() = default;
  virtual void OnSearchStarted() = 0;
  virtual void OnStatus(int panel, const QString& text) = 0;
  virtual void OnRowCount(std::size_t count) = 0;
  virtual void OnSearchFinished(std::size_t count) = 0;
  virtual void OnMissingFolders(const QString& text) = 0;
  // Converter programs that could not be started; shown as a note.
  virtual void OnMissingConverters(const QString& text) { (void)text; }
  // The documents and folders the search could not read.
  virtual void OnUnreadable(const engine::UnreadableList& list) { (void)list; }
  virtual void OnSearchEnded() = 0;
  // Folders walked so far (delivered with the coalesced updates).
  virtual void OnFoldersWalked(std::size_t count) { (void)count; }
};

class TWindowSearchHost : public engine::SearchHost {
 public:
  // `context` is the window-thread object the calls are queued to and
  // `receiver` takes them; both must be the same object or live as long.
  TWindowSearchHost(QObject* context, TSearchReceiver& receiver, TConversionTimeout& timeout);

  // Window thread: drops every later and every still queued call.
  void Discard();
  bool Discarded() const;
  // Window thread: delivers the status texts and row count recorded since
  // the last flush, if any.
  void Flush();

  void SearchStarted() override;
  void ShowStatus(int panel, const std::string& text) override;
  void RowCountChanged(std::size_t count) override;
  void SearchFinished(std::size_t count) override;
  void ReportMissingFolders(const std::string& text) override;
  void ReportMissingConverters(const std::string& text) override;
  void ReportUnreadable(const engine::UnreadableList& list) override;
  void SearchEnded() override;
  void FoldersWalked(std::size_t count) override;
  // The conversion time-out of this search; once discarded, every wait
  // counts as timed out so the stopped thread does not linger.
  void ArmConversionTimeout() override;
  bool ConversionTimedOut() override;
  void StopConversionTimeout() override;

 private:
  struct Shared {
    std::atomic<bool> discarded{false};
    std::mutex mutex;
    std::array<std::optional<std::string>, 2> status;
    std::optional<std::size_t> rowCount;
    std::optional<std::size_t> foldersWalked;
  };
  static void FlushShared(Shared& shared, TSearchReceiver& receiver);
  template <typename Step>
  void Queue(Step step);

  std::shared_ptr<Shared> shared_;
  QPointer<QObject> context_;
  TSearchReceiver& receiver_;
  TConversionTimeout& timeout_;
};

}  // namespace tessaly::ui
