// What a start of the window asks for: folders to search in, whether to
// start the search at once, whether to open the folder chooser. The first
// instance takes it from its own command line; a later start hands it to
// the running instance over the single-instance socket as one line.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace tessaly::ui {

struct TStartRequest {
  // Absolute, cleaned paths in the order given; whether each is a folder is
  // not checked here (a search names the missing ones).
  QStringList folders;
  bool searchNow = false;     // --search-now: search with the form as it is
  bool chooseFolder = false;  // --choose-folder: the folder chooser opens
  bool operator==(const TStartRequest&) const = default;
};

// The window's arguments, after Qt has taken its own (-platform, -style ...):
// `--search-now`, `--choose-folder`, `--` (every later argument is a
// folder) and folders, relative ones taken from `workingFolder`. Nothing,
// with `error` set to the message, for any other option.
std::optional<TStartRequest> ParseStartArguments(const QStringList& args, const QString& workingFolder,
                                                 QString* error);

// The request as one line for the single-instance socket, without its line
// end ("start", then " search-now", " choose-folder" and " folder=" with
// each path's bytes percent-encoded, so no blank or line end is left in it).
QByteArray EncodeStartRequest(const TStartRequest& request);

// The line read back. A bare "activate" (the request of earlier versions)
// is the empty request; any other line, an unknown word or a path that is
// not absolute gives nothing.
std::optional<TStartRequest> DecodeStartRequest(const QByteArray& line);

}  // namespace tessaly::ui
