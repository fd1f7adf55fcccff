// The unreadable-documents panel and its list window.
#include "ui/UnreadablePanel.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/ResultModel.h"

namespace tessaly::ui {

TUnreadablePanel::TUnreadablePanel(QWidget* parent) : QLabel(parent) {
  setObjectName(QStringLiteral("unreadablePanel"));
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setAlignment(Qt::AlignCenter);
  setCursor(Qt::PointingHandCursor);
  setToolTip(QStringLiteral("Documents the last search could not read: click for the list"));
  hide();
}

void TUnreadablePanel::SetList(const engine::UnreadableList& list) {
  list_ = list;
  setText(QString::number(list_.Total()) + QStringLiteral(" unreadable"));
  setVisible(!list_.empty());
  if (window_) text_->setPlainText(ListText());
}

QString TUnreadablePanel::ListText() const {
  // The summary first, then the list as the console writes it, without
  // the last line's end (it would show as an empty line).
  std::string text = list_.SummaryLine() + "\n\n" + list_.ListText();
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return DisplayText(text);
}

void TUnreadablePanel::Open() {
  if (!window_) {
    window_ = new QDialog(window());
    window_->setWindowTitle(QStringLiteral("Documents that could not be read"));
    window_->resize(640, 360);
    auto* layout = new QVBoxLayout(window_);
    text_ = new QPlainTextEdit(window_);
    text_->setObjectName(QStringLiteral("unreadableList"));
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addWidget(text_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, window_);
    QPushButton* copy = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
    connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(text_->toPlainText()); });
    connect(buttons, &QDialogButtonBox::rejected, window_.data(), &QDialog::close);
    layout->addWidget(buttons);
  }
  text_->setPlainText(ListText());
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void TUnreadablePanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Open();
  QLabel::mouseReleaseEvent(event);
}

}  // namespace tessaly::ui
