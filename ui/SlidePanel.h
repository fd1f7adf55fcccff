// A side panel that shows as a narrow captioned bar and slides open over its
// neighbour while the mouse is over it.
//
// The panel lies outside its parent's layout, so that opening it covers the
// neighbour instead of pushing it aside: it takes the place of an anchor, a
// widget of the closed width that the layout arranges like any other.
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

  // From now on the panel follows the anchor's place and height; the anchor
  // is a sibling and is given the closed width.
  void FollowAnchor(QWidget* anchor);

  bool IsOpen() const { return open_; }
  void Open();
  void Close();
  QWidget* Content() const { return content_; }

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Closes once the mouse is outside and no drop-down of the panel is open:
  // a combo box's list or a calendar leaves the panel without closing it.
  void CloseWhenLeft();
  void FitAnchor();

  QString caption_;
  int closedWidth_;
  int openWidth_;
  QWidget* content_;
  QWidget* anchor_ = nullptr;
  bool open_ = false;
  QTimer leaveCheck_;
};

}  // namespace tessaly::ui
