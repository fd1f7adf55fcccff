// Opening target and failure texts of a result row.
#include "ui/HitTarget.h"

#include <array>
#include <string_view>

#include "platform/FileFacts.h"

namespace tessaly::ui {

bool IsArchiveMember(const engine::ItemData& row) {
  static constexpr std::array<std::string_view, 9> kArchiveEndings{".zip", ".zoo", ".cab", ".rar", ".tar",
                                                                   ".ace", ".lzh", ".arc", ".arj"};
  if (row.Path.size() >= 4) {
    std::string tail = row.Path.substr(row.Path.size() - 4);
    for (char& c : tail)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    for (std::string_view ending : kArchiveEndings) {
      // A folder named like an archive holds the entry itself.
      if (tail == ending && !platform::FolderExists(row.Path)) return true;
    }
  }
  return false;
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
