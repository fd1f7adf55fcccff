// The status bar's panels.
#include "ui/StatusBar.h"

#include <QHBoxLayout>
#include <QLabel>

namespace tessaly::ui {

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent), layout_(new QHBoxLayout(this)) {
  setFixedHeight(kHeight);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(2);
}

QLabel* TStatusBar::AddPanel(const QString& objectName, const QString& text, int width, Qt::Alignment alignment,
                             QFrame::Shadow shadow) {
  auto* panel = new QLabel(text, this);
  panel->setObjectName(objectName);
  panel->setAlignment(alignment | Qt::AlignVCenter);
  panel->setFrameStyle(QFrame::Panel | shadow);
  if (width == kStretch) {
    // A long text (a deep folder) never widens the window.
    panel->setMinimumWidth(1);
    panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout_->addWidget(panel, 1);
  } else {
    panel->setFixedWidth(width);
    layout_->addWidget(panel);
  }
  panels_.push_back(panel);
  return panel;
}

void TStatusBar::AddWidget(QWidget* widget) { layout_->addWidget(widget); }

QString TStatusBar::Text(int index) const { return Panel(index)->text(); }

void TStatusBar::SetText(int index, const QString& text) { Panel(index)->setText(text); }

}  // namespace tessaly::ui
