// Opening target and failure texts of a result row.
#include "ui/HitTarget.h"

#include "archives/ArchiveKinds.h"
#include "platform/FileFacts.h"

namespace tessaly::ui {

bool IsArchiveMember(const engine::ItemData& row) {
  // A folder named like an archive holds the entry itself.
  return archives::ArchiveKindOf(row.Path) != nullptr && !platform::FolderExists(row.Path);
}

std::string OpenTarget(const engine::ItemData& row) {
  return IsArchiveMember(row) ? row.Path : FullPath(row);
}

std::string FullPath(const engine::ItemData& row) { return platform::JoinPath(row.Path, row.Name); }

std::string ContainingFolder(const engine::ItemData& row) {
  if (!IsArchiveMember(row)) return row.Path;
  const std::size_t slash = row.Path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : row.Path.substr(0, slash);
}

std::optional<std::string> OpenFailureText(int code) {
  if (code > 32) return std::nullopt;
  switch (code) {
    case 2: return "File not found";
    case 5: return "Access denied to open this file";
    case 8: return "Not enough memory to open this file!";
    case 11: return "Executable file format bad";
    case 26: return "Sharing violation in opening this file";
    case 27: return "No file manager is installed to open the folder";
    case 31: return "No default application to open the file";
    default: return "Error opening this file";
  }
}

}  // namespace tessaly::ui
