// The sliding "Advanced Options" bar.
#include "ui/SlidePanel.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QPainter>

namespace tessaly::ui {

TSlidePanel::TSlidePanel(const QString& caption, int closedWidth, int openWidth, QWidget* content,
                         QWidget* parent)
    : QFrame(parent), caption_(caption), closedWidth_(closedWidth), openWidth_(openWidth), content_(content) {
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Raised);
  setAutoFillBackground(true);
  content_->setParent(this);
  content_->move(0, 0);
  content_->hide();
  resize(closedWidth_, height());
  leaveCheck_.setInterval(250);
  connect(&leaveCheck_, &QTimer::timeout, this, &TSlidePanel::CloseWhenLeft);
}

void TSlidePanel::Open() {
  if (open_) return;
  open_ = true;
  resize(openWidth_, height());
  content_->show();
  raise();
  update();
}

void TSlidePanel::Close() {
  if (!open_) return;
  open_ = false;
  leaveCheck_.stop();
  // A control of the panel keeps no focus it cannot show.
  if (content_->isAncestorOf(QApplication::focusWidget()) && parentWidget()) parentWidget()->setFocus();
  content_->hide();
  resize(closedWidth_, height());
  update();
}

void TSlidePanel::FollowAnchor(QWidget* anchor) {
  anchor_ = anchor;
  anchor_->setFixedWidth(closedWidth_);
  anchor_->installEventFilter(this);
  FitAnchor();
}

void TSlidePanel::FitAnchor() {
  if (!anchor_) return;
  setGeometry(anchor_->x(), anchor_->y(), open_ ? openWidth_ : closedWidth_, anchor_->height());
}

bool TSlidePanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == anchor_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) FitAnchor();
  return QFrame::eventFilter(watched, event);
}

void TSlidePanel::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  content_->setGeometry(0, 0, openWidth_, height());
}

void TSlidePanel::enterEvent(QEnterEvent* event) {
  Open();
  QFrame::enterEvent(event);
}

void TSlidePanel::leaveEvent(QEvent* event) {
  CloseWhenLeft();
  if (open_) leaveCheck_.start();
  QFrame::leaveEvent(event);
}

void TSlidePanel::CloseWhenLeft() {
  if (QApplication::activePopupWidget() != nullptr) return;
  if (rect().contains(mapFromGlobal(QCursor::pos()))) return;
  Close();
}

void TSlidePanel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  if (open_) return;
  // The closed bar: the caption written bottom to top.
  QPainter painter(this);
  painter.translate(width() / 2 + painter.fontMetrics().ascent() / 2 - 1, height() / 2);
  painter.rotate(-90);
  const int w = painter.fontMetrics().horizontalAdvance(caption_);
  painter.drawText(-w / 2, 0, caption_);
}

}  // namespace tessaly::ui
