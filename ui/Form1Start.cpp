// TForm1 and the program's command line: the folders a start names, the
// folder chooser on request, a search started at once.
#include <QLineEdit>

#include "ui/Form1.h"

namespace tessaly::ui {

void TForm1::TakeStartRequest(const TStartRequest& request) {
  if (!request.folders.isEmpty()) {
    dirNames_->setText(request.folders.join(QLatin1Char(';')));
    dirNames_->setCursorPosition(0);  // a long location shows its first folder
  }
  if (request.chooseFolder) {
    const std::optional<QString> folder =
        desktop_->ChooseFolder(this, QStringLiteral("Choose a folder to start search from:"));
    if (!folder) return;
    dirNames_->setText(*folder);
  }
  if (!request.searchNow) return;
  if (searchRunning_) {
    cmdSearchClick();  // stops the running search
    // The stopped search ends within a moment (a blocked listing is let
    // go); it is waited for so that it cannot touch the result list of the
    // search that follows.
    JoinSearchThreads();
  }
  cmdSearchClick();
}

}  // namespace tessaly::ui
