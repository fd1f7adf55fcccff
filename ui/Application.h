// TApplication: the window program's application object. An exception that
// a window or timer handler does not handle ends that handler at the failing
// step and is swallowed here; the event loop goes on without a message.
#pragma once

#include <QApplication>

namespace tessaly::ui {

class TApplication : public QApplication {
  Q_OBJECT
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
  // How many exceptions were swallowed so far.
  int SwallowedErrors() const { return swallowed_; }

 private:
  int swallowed_ = 0;
};

}  // namespace tessaly::ui
