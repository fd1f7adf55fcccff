// TPreviewPane: under the result list, the matching lines of the selected
// hit with their places and the matching words highlighted.
//
// The hit's text is read again on a worker thread, never on the window
// thread: a newer selection cancels an older read (its result is dropped),
// and the pane joins every reader before it goes. The text can be selected
// and copied (Ctrl+C).
#pragma once

#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/HitText.h"
#include "engine/ItemData.h"
#include "engine/SearchCriteria.h"

class QTextEdit;

namespace tessaly::engine {
class TPatternMatcher;
}

namespace tessaly::ui {

class TPreviewPane : public QWidget {
  Q_OBJECT
 public:
  // Matching lines shown for one hit.
  static constexpr std::size_t kPreviewLines = 200;
  // Reads a hit's lines (on a worker thread); engine::ReadHitText unless
  // replaced.
  using Reader = std::function<engine::HitText(const engine::ItemData& row, const engine::SearchCriteria& criteria,
                                               const engine::TPatternMatcher& matcher, const std::atomic<bool>& stop)>;

  explicit TPreviewPane(QWidget* parent = nullptr);
  ~TPreviewPane() override;

  void SetReader(Reader reader) { reader_ = std::move(reader); }
  // The search whose hits are previewed: its content text and modes. A
  // search without a content text previews nothing.
  void SetSearch(const engine::SearchCriteria& criteria);
  // Starts reading `row` again, cancelling a read still running.
  void ShowRow(const engine::ItemData& row);
  // Empties the pane and cancels a running read.
  void Clear();

  QTextEdit* View() const { return view_; }
  // True while a read runs whose result will be shown.
  bool Reading() const { return reading_; }

 signals:
  // A read's result is shown.
  void Shown();

 private:
  struct Job {
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
  };
  void Show(const engine::HitText& text);
  void Reap(bool all);

  QTextEdit* view_ = nullptr;
  Reader reader_;
  std::shared_ptr<const engine::TPatternMatcher> matcher_;
  std::shared_ptr<const engine::SearchCriteria> criteria_;
  std::shared_ptr<Job> current_;
  std::vector<std::pair<std::shared_ptr<Job>, std::thread>> threads_;
  bool reading_ = false;
};

}  // namespace tessaly::ui
