// The console's details command over one PDF toolkit kept for the whole
// run, as the window keeps one for its tooltip.
#include "console/DetailsCommand.h"

#include <filesystem>
#include <optional>

#include "console/DetailsText.h"
#include "engine/SizeText.h"
#include "pdf/PdfToolkit.h"
#include "platform/FileFacts.h"

namespace tessaly::console {
namespace {

TDetailsRow RowOf(const std::string& file) {
  std::error_code error;
  std::filesystem::path full = std::filesystem::absolute(file, error);
  if (error) full = file;
  full = full.lexically_normal();
  if (!full.has_filename() && full.has_parent_path() && full != full.root_path()) full = full.parent_path();
  TDetailsRow row;
  row.name = full.filename().string();
  std::string folder = full.parent_path().string();
  if (folder.empty()) folder = "/";
  row.path = folder;
  if (row.name.empty()) {  // the root itself
    row.name = "/";
    row.path = "/";
  }
  if (platform::FolderExists(full.string())) {
    row.size = "[folder]";
  } else if (const std::optional<std::uint64_t> size = platform::FileSize(full.string())) {
    row.size = engine::SizeText(*size);
  }
  return row;
}

}  // namespace

int RunDetails(const std::vector<std::string>& files, std::FILE* out, std::FILE* err) {
  if (files.empty()) {
    std::fputs("tessaly: --details needs at least one file\n", err);
    return 2;
  }
  pdf::TPdfToolkit toolkit;
  bool allRead = true;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const TDetailsRow row = RowOf(files[i]);
    const TDetailsText details = BuildDetailsText(toolkit, row, "\n");
    if (i > 0) std::fputc('\n', out);
    std::fputs(details.text.c_str(), out);
    if (details.text.empty() || details.text.back() != '\n') std::fputc('\n', out);
    if (!details.read) {
      allRead = false;
      if (!details.complete)
        std::fprintf(err, "tessaly: %s\n", details.failure.c_str());
      else
        std::fprintf(err, "tessaly: '%s' could not be read\n", files[i].c_str());
    }
  }
  std::fflush(out);
  return allRead ? 0 : 1;
}

}  // namespace tessaly::console
