// The preview pane and its readers.
#include "ui/PreviewPane.h"

#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include "engine/PatternMatcher.h"
#include "ui/ResultModel.h"

namespace tessaly::ui {

TPreviewPane::TPreviewPane(QWidget* parent) : QWidget(parent), reader_(engine::ReadHitText) {
  setObjectName(QStringLiteral("preview"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  view_ = new QTextEdit(this);
  view_->setObjectName(QStringLiteral("previewText"));
  view_->setReadOnly(true);
  view_->setLineWrapMode(QTextEdit::NoWrap);
  view_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  layout->addWidget(view_);
}

TPreviewPane::~TPreviewPane() {
  if (current_) current_->cancel = true;
  Reap(true);
}

void TPreviewPane::Reap(bool all) {
  for (auto it = threads_.begin(); it != threads_.end();) {
    if (all || it->first->done) {
      it->first->cancel = true;
      it->second.join();
      it = threads_.erase(it);
    } else {
      ++it;
    }
  }
}

void TPreviewPane::SetSearch(const engine::SearchCriteria& criteria) {
  Clear();
  matcher_.reset();
  if (criteria.containsText.empty()) return;
  engine::SearchCriteria c = criteria;
  c.matchLines = kPreviewLines;
  try {
    matcher_ = std::make_shared<const engine::TPatternMatcher>(engine::SetupFor(c));
    criteria_ = std::make_shared<const engine::SearchCriteria>(std::move(c));
  } catch (const std::exception&) {
    // The search itself refuses such a text; nothing to preview.
  }
}

void TPreviewPane::Clear() {
  if (current_) current_->cancel = true;
  current_.reset();
  reading_ = false;
  view_->clear();
  Reap(false);
}

void TPreviewPane::ShowRow(const engine::ItemData& row) {
  Clear();
  if (!matcher_) {
    view_->setPlainText(QStringLiteral("The search had no text to find: nothing to preview."));
    return;
  }
  view_->setPlainText(QStringLiteral("Reading %1 ...").arg(DisplayText(row.Name)));
  auto job = std::make_shared<Job>();
  current_ = job;
  reading_ = true;
  // The reader, the matcher and the row are the worker's own: only values
  // cross to the window thread.
  std::thread worker([this, job, row, reader = reader_, matcher = matcher_, criteria = criteria_] {
    engine::HitText text;
    try {
      text = reader(row, *criteria, *matcher, job->cancel);
    } catch (const std::exception& e) {
      text.note = std::string("The file cannot be read: ") + e.what();
    }
    if (!job->cancel) {
      QMetaObject::invokeMethod(
          this,
          [this, job, text = std::move(text)] {
            if (job != current_) return;  // a newer selection took over
            reading_ = false;
            Show(text);
          },
          Qt::QueuedConnection);
    }
    job->done = true;
  });
  threads_.emplace_back(std::move(job), std::move(worker));
}

void TPreviewPane::Show(const engine::HitText& text) {
  view_->clear();
  QTextCursor cursor(view_->document());
  QTextCharFormat plain, place, mark;
  place.setForeground(palette().color(QPalette::PlaceholderText));
  mark.setBackground(QColor(255, 224, 102));
  mark.setForeground(Qt::black);
  bool first = true;
  auto newLine = [&] {
    if (!first) cursor.insertBlock();
    first = false;
  };
  if (!text.note.empty()) {
    newLine();
    QTextCharFormat note;
    note.setFontItalic(true);
    cursor.insertText(DisplayText(text.note), note);
  }
  for (const engine::TextMatch& m : text.lines) {
    newLine();
    cursor.insertText(DisplayText(engine::PlaceText(m) + ": "), place);
    std::size_t at = 0;
    for (const auto& [start, end] : m.spans) {
      if (start < at || end > m.text.size()) continue;
      cursor.insertText(DisplayText(m.text.substr(at, start - at)), plain);
      cursor.insertText(DisplayText(m.text.substr(start, end - start)), mark);
      at = end;
    }
    cursor.insertText(DisplayText(m.text.substr(at)), plain);
  }
  view_->moveCursor(QTextCursor::Start);
  emit Shown();
}

}  // namespace tessaly::ui
