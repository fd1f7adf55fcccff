// A side panel that shows as a narrow captioned bar and slides open over its
// neighbour while the mouse is over it.
#pragma once

#include <QFrame>
#include <QString>
#include <QTimer>

namespace tessaly::ui {

class TSlidePanel : public QFrame {
  Q_OBJECT
 public:
  // `content` becomes the panel's child, shown only while it is open.
  TSlidePanel(const QString& caption, int closedWidth, int openWidth, QWidget* content, QWidget* parent);

  bool IsOpen() const { return open_; }
  void Open();
  void Close();
  QWidget* Content() const { return content_; }

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // Closes once the mouse is outside and no drop-down of the panel is open:
  // a combo box's list or a calendar leaves the panel without closing it.
  void CloseWhenLeft();

  QString caption_;
  int closedWidth_;
  int openWidth_;
  QWidget* content_;
  bool open_ = false;
  QTimer leaveCheck_;
};

}  // namespace tessaly::ui
