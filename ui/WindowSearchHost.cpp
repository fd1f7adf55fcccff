// Queuing and coalescing of search updates for the window thread.
#include "ui/WindowSearchHost.h"

#include "ui/ResultModel.h"

namespace tessaly::ui {

TWindowSearchHost::TWindowSearchHost(QObject* context, TSearchReceiver& receiver, TConversionTimeout& timeout)
    : shared_(std::make_shared<Shared>()), context_(context), receiver_(receiver), timeout_(timeout) {}

void TWindowSearchHost::Discard() { shared_->discarded.store(true); }

bool TWindowSearchHost::Discarded() const { return shared_->discarded.load(); }

void TWindowSearchHost::FlushShared(Shared& shared, TSearchReceiver& receiver) {
  std::array<std::optional<std::string>, 2> status;
  std::optional<std::size_t> rowCount;
  std::optional<std::size_t> foldersWalked;
  {
    std::lock_guard lock(shared.mutex);
    status.swap(shared.status);
    rowCount.swap(shared.rowCount);
    foldersWalked.swap(shared.foldersWalked);
  }
  if (shared.discarded.load()) return;
  if (rowCount) receiver.OnRowCount(*rowCount);
  if (foldersWalked) receiver.OnFoldersWalked(*foldersWalked);
  for (int panel = 0; panel < 2; ++panel)
    if (status[panel]) receiver.OnStatus(panel, DisplayText(*status[panel]));
}

void TWindowSearchHost::Flush() { FlushShared(*shared_, receiver_); }

template <typename Step>
void TWindowSearchHost::Queue(Step step) {
  if (shared_->discarded.load() || !context_) return;
  // The step runs on the window thread after the values recorded so far.
  QMetaObject::invokeMethod(
      context_.data(),
      [shared = shared_, receiver = &receiver_, step = std::move(step)] {
        if (shared->discarded.load()) return;
        FlushShared(*shared, *receiver);
        if (shared->discarded.load()) return;
        step(*receiver);
      },
      Qt::QueuedConnection);
}

void TWindowSearchHost::SearchStarted() {
  Queue([](TSearchReceiver& r) { r.OnSearchStarted(); });
}

void TWindowSearchHost::ShowStatus(int panel, const std::string& text) {
  if (panel < 0 || panel > 1 || shared_->discarded.load()) return;
  std::lock_guard lock(shared_->mutex);
  shared_->status[panel] = text;
}

void TWindowSearchHost::RowCountChanged(std::size_t count) {
  if (shared_->discarded.load()) return;
  std::lock_guard lock(shared_->mutex);
  shared_->rowCount = count;
}

void TWindowSearchHost::FoldersWalked(std::size_t count) {
  if (shared_->discarded.load()) return;
  std::lock_guard lock(shared_->mutex);
  shared_->foldersWalked = count;
}

void TWindowSearchHost::SearchFinished(std::size_t count) {
  Queue([count](TSearchReceiver& r) { r.OnSearchFinished(count); });
}

void TWindowSearchHost::ReportMissingFolders(const std::string& text) {
  Queue([text = DisplayText(text)](TSearchReceiver& r) { r.OnMissingFolders(text); });
}

void TWindowSearchHost::ReportMissingConverters(const std::string& text) {
  Queue([text = DisplayText(text)](TSearchReceiver& r) { r.OnMissingConverters(text); });
}

void TWindowSearchHost::ReportUnreadable(const engine::UnreadableList& list) {
  Queue([list](TSearchReceiver& r) { r.OnUnreadable(list); });
}

void TWindowSearchHost::SearchEnded() {
  Queue([](TSearchReceiver& r) { r.OnSearchEnded(); });
}

void TWindowSearchHost::ArmConversionTimeout() {
  if (shared_->discarded.load()) return;
  timeout_.Arm();
}

bool TWindowSearchHost::ConversionTimedOut() {
  if (shared_->discarded.load()) return true;
  return timeout_.TimedOut();
}

void TWindowSearchHost::StopConversionTimeout() {
  if (shared_->discarded.load()) return;
  timeout_.Stop();
}

}  // namespace tessaly::ui
