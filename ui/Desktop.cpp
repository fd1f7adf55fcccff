// The desktop's dialogs and opener.
#include "ui/Desktop.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "platform/ShellOpen.h"

namespace tessaly::ui {

void TSystemDesktop::ShowMessage(QWidget* owner, const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
  box.exec();
}

bool TSystemDesktop::Confirm(QWidget* owner, const QString& text, const QString& caption) {
  return QMessageBox::question(owner, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
         QMessageBox::Yes;
}

std::optional<QString> TSystemDesktop::ChooseFolder(QWidget* owner, const QString& prompt) {
  const QString folder = QFileDialog::getExistingDirectory(owner, prompt, QDir::homePath(),
                                                           QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

std::optional<QString> TSystemDesktop::ChooseSaveFile(QWidget* owner, const QString& fileName,
                                                      const QString& filter, const QString& defaultSuffix) {
  QFileDialog dialog(owner);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(filter);
  dialog.setDefaultSuffix(defaultSuffix);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.selectFile(fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

int TSystemDesktop::OpenTarget(const std::string& target) { return platform::ShellOpen(target); }

}  // namespace tessaly::ui
