// The desktop's dialogs and opener.
#include "ui/Desktop.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

#include "platform/FileFacts.h"
#include "platform/FolderHandler.h"
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

namespace {

// How long a file manager that D-Bus starts on demand may take to answer.
constexpr int kShowFoldersTimeoutMs = 10000;

// Shows `folder` through the file manager interface that the common file
// managers offer on the session bus (Tessaly does not): the way to a file
// manager when the desktop's default folder handler is Tessaly itself.
int ShowFolderInFileManager(const std::string& folder) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return platform::kShellNoFileManager;
  QDBusMessage call =
      QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
                                     QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowFolders"));
  call << QStringList{QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(folder))).toString()}
       << QString();
  const QDBusMessage reply = bus.call(call, QDBus::Block, kShowFoldersTimeoutMs);
  return reply.type() == QDBusMessage::ReplyMessage ? platform::kShellOpenOk : platform::kShellNoFileManager;
}

}  // namespace

int TSystemDesktop::OpenTarget(const std::string& target) {
  // A folder is never handed back to Tessaly: where the desktop would open
  // it with Tessaly, a file manager is asked directly, and without one the
  // user is told that none is installed.
  if (platform::FolderExists(target) && platform::IsOwnDesktopEntry(platform::DefaultFolderHandler(), TESSALY_APP_ID))
    return ShowFolderInFileManager(target);
  return platform::ShellOpen(target);
}

}  // namespace tessaly::ui
