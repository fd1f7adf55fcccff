// The window's status bar: a row of text panels along the bottom.
//
// Panels are added left to right; each is a label with a fixed width, or one
// that takes the width left over. Panel numbers are the order of adding.
#pragma once

#include <QFrame>
#include <QString>
#include <QWidget>
#include <vector>

class QHBoxLayout;
class QLabel;

namespace tessaly::ui {

class TStatusBar : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kHeight = 20;
  // A width of 0 makes the panel take the width no other panel uses.
  static constexpr int kStretch = 0;

  explicit TStatusBar(QWidget* parent = nullptr);

  // Appends a panel and returns it (owned by the bar).
  QLabel* AddPanel(const QString& objectName, const QString& text, int width, Qt::Alignment alignment,
                   QFrame::Shadow shadow);
  // Appends any other widget (a button, say) as a panel of its own width.
  void AddWidget(QWidget* widget);

  QLabel* Panel(int index) const { return panels_.at(static_cast<std::size_t>(index)); }
  QString Text(int index) const;
  void SetText(int index, const QString& text);

 private:
  QHBoxLayout* layout_;
  std::vector<QLabel*> panels_;
};

}  // namespace tessaly::ui
