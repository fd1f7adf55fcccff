// The application object and its error boundary.
#include "ui/Application.h"

namespace tessaly::ui {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Tessaly"));
  setApplicationDisplayName(QStringLiteral("Tessaly"));
  setDesktopFileName(QStringLiteral(TESSALY_APP_ID));
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ++swallowed_;
    return false;
  }
}

}  // namespace tessaly::ui
