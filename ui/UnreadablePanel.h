// The status bar's panel for the documents a search could not read: "12
// unreadable" when there are any, hidden otherwise; a click opens a window
// with the list (cause TAB path, one a line) that can be selected and copied.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPointer>

#include "engine/UnreadableList.h"

class QPlainTextEdit;

namespace tessaly::ui {

class TUnreadablePanel : public QLabel {
  Q_OBJECT
 public:
  explicit TUnreadablePanel(QWidget* parent);

  // The last finished search's list; an empty one hides the panel.
  void SetList(const engine::UnreadableList& list);
  void Clear() { SetList(engine::UnreadableList{}); }
  const engine::UnreadableList& List() const { return list_; }

  // The click: shows the list window (made on first need), raised.
  void Open();
  // The list window, once opened; its text as shown.
  QDialog* ListWindow() const { return window_; }
  QString ListText() const;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  engine::UnreadableList list_;
  QPointer<QDialog> window_;
  QPlainTextEdit* text_ = nullptr;
};

}  // namespace tessaly::ui
