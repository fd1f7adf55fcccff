// What the actions on a result row act on: the file that opening opens (and
// dragging hands over), the full path that is copied, the folder that holds
// the row, and the message for each failure of opening.
//
// Qt-free: the rules work on the row's texts and the shell's result code.
#pragma once

#include <optional>
#include <string>

#include "engine/ItemData.h"

namespace tessaly::ui {

// Path + "/" + Name, except when the last four characters of Path,
// lower-cased, are an archive extension (".zip", ".zoo", ".cab", ".rar",
// ".tar", ".ace", ".lzh", ".arc", ".arj") and Path is not an existing
// folder: then the archive itself, Path.
std::string OpenTarget(const engine::ItemData& row);

// True when OpenTarget gives the archive that holds the row, not the row.
bool IsArchiveMember(const engine::ItemData& row);

// Path + "/" + Name: the file's path, or for an archive member the archive's
// path, a slash and the member's name as stored.
std::string FullPath(const engine::ItemData& row);

// The folder that holds the row: Path, or for an archive member the folder
// that holds the archive ("/" for an archive at the top).
std::string ContainingFolder(const engine::ItemData& row);

// Nothing for a result code above 32 (success), else the message text:
// 2 "File not found", 5 "Access denied to open this file", 8 "Not enough
// memory to open this file!", 11 "Executable file format bad", 26 "Sharing
// violation in opening this file", 27 "No file manager is installed to open
// the folder", 31 "No default application to open the file", any other
// "Error opening this file".
std::optional<std::string> OpenFailureText(int code);

}  // namespace tessaly::ui
