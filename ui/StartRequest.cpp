// The window's command line and its one-line form for the running instance.
#include "ui/StartRequest.h"

#include <QDir>
#include <QFile>

namespace tessaly::ui {

namespace {

const QByteArray kStartWord = "start";
const QByteArray kActivateWord = "activate";
const QByteArray kSearchNowWord = "search-now";
const QByteArray kChooseFolderWord = "choose-folder";
const QByteArray kFolderPrefix = "folder=";

QString AbsoluteFolder(const QString& arg, const QString& workingFolder) {
  return QDir::cleanPath(QDir(workingFolder).absoluteFilePath(arg));
}

}  // namespace

std::optional<TStartRequest> ParseStartArguments(const QStringList& args, const QString& workingFolder,
                                                 QString* error) {
  TStartRequest request;
  bool optionsEnded = false;
  for (const QString& arg : args) {
    if (!optionsEnded && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
      if (arg == QLatin1String("--")) {
        optionsEnded = true;
      } else if (arg == QLatin1String("--search-now")) {
        request.searchNow = true;
      } else if (arg == QLatin1String("--choose-folder")) {
        request.chooseFolder = true;
      } else {
        if (error) *error = QStringLiteral("unknown option '%1'").arg(arg);
        return std::nullopt;
      }
      continue;
    }
    if (arg.isEmpty()) continue;  // an empty argument names no folder
    request.folders << AbsoluteFolder(arg, workingFolder);
  }
  return request;
}

QByteArray EncodeStartRequest(const TStartRequest& request) {
  QByteArray line = kStartWord;
  if (request.searchNow) line += ' ' + kSearchNowWord;
  if (request.chooseFolder) line += ' ' + kChooseFolderWord;
  for (const QString& folder : request.folders)
    line += ' ' + kFolderPrefix + QFile::encodeName(folder).toPercentEncoding("/");
  return line;
}

std::optional<TStartRequest> DecodeStartRequest(const QByteArray& line) {
  if (line == kActivateWord) return TStartRequest{};
  // The encoding leaves no line end in a request.
  if (line.contains('\n') || line.contains('\r')) return std::nullopt;
  const QList<QByteArray> words = line.split(' ');
  if (words.isEmpty() || words.front() != kStartWord) return std::nullopt;
  TStartRequest request;
  for (qsizetype i = 1; i < words.size(); ++i) {
    const QByteArray& word = words[i];
    if (word == kSearchNowWord) {
      request.searchNow = true;
    } else if (word == kChooseFolderWord) {
      request.chooseFolder = true;
    } else if (word.startsWith(kFolderPrefix)) {
      const QString folder = QFile::decodeName(QByteArray::fromPercentEncoding(word.mid(kFolderPrefix.size())));
      if (!folder.startsWith(QLatin1Char('/'))) return std::nullopt;
      request.folders << folder;
    } else {
      return std::nullopt;
    }
  }
  return request;
}

}  // namespace tessaly::ui
