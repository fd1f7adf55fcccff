// What the window asks of the desktop: message boxes, the folder picker, the
// save dialog and opening a file with its default application.
//
// The window reaches these only through TDesktop, so tests hand it a double
// that records messages and answers dialogs.
#pragma once

#include <QString>
#include <optional>
#include <string>

class QWidget;

namespace tessaly::ui {

class TDesktop {
 public:
  virtual ~TDesktop() = default;
  // A message box with an OK button; `owner` may be null (no owner).
  virtual void ShowMessage(QWidget* owner, const QString& text, const QString& caption) = 0;
  // A question with Yes and No buttons; true for Yes.
  virtual bool Confirm(QWidget* owner, const QString& text, const QString& caption) = 0;
  // The folder picker; nothing when cancelled.
  virtual std::optional<QString> ChooseFolder(QWidget* owner, const QString& prompt) = 0;
  // The save dialog with an initial file name, a filter and a default
  // suffix, without an overwrite question; nothing when cancelled.
  virtual std::optional<QString> ChooseSaveFile(QWidget* owner, const QString& fileName, const QString& filter,
                                                const QString& defaultSuffix) = 0;
  // Opens a file or folder with its default application; the shell result
  // code (above 32 is success).
  virtual int OpenTarget(const std::string& target) = 0;
};

// The real desktop: QMessageBox, QFileDialog and xdg-open. A folder whose
// default handler is Tessaly itself goes to the session's file manager
// service instead (27, "no file manager", when there is none).
class TSystemDesktop : public TDesktop {
 public:
  void ShowMessage(QWidget* owner, const QString& text, const QString& caption) override;
  bool Confirm(QWidget* owner, const QString& text, const QString& caption) override;
  std::optional<QString> ChooseFolder(QWidget* owner, const QString& prompt) override;
  std::optional<QString> ChooseSaveFile(QWidget* owner, const QString& fileName, const QString& filter,
                                        const QString& defaultSuffix) override;
  int OpenTarget(const std::string& target) override;
};

}  // namespace tessaly::ui
