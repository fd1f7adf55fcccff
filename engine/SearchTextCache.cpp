// Converter identities for the cache keys.
#include "engine/SearchTextCache.h"

#include <sys/stat.h>

#include "cache/FileIdentity.h"
#include "extract/Converters.h"
#include "platform/Process.h"

namespace tessaly::engine {
namespace {

std::optional<extract::ConverterKind> ConverterOf(DocumentKind kind) {
  switch (kind) {
    case DocumentKind::Pdf: return extract::ConverterKind::PdfText;
    case DocumentKind::WordBinary: return extract::ConverterKind::Word;
    case DocumentKind::ExcelBinary: return extract::ConverterKind::Excel;
    case DocumentKind::PowerPointBinary: return extract::ConverterKind::PowerPoint;
    case DocumentKind::Rtf: return extract::ConverterKind::Rtf;
    default: return std::nullopt;
  }
}

}  // namespace

std::string ProgramIdentity(const std::string& name, const std::string& options) {
  const std::string path = platform::FindProgram(name);
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return {};
  const cache::TFileIdentity id = cache::TFileIdentity::Of(st);
  return path + "\n" + std::to_string(id.device) + ":" + std::to_string(id.inode) + ":" + std::to_string(id.size) +
         ":" + std::to_string(id.modifiedNs) + ":" + std::to_string(id.changedNs) + "\n" + options;
}

TSearchTextCache::TSearchTextCache(cache::TCacheOptions options, std::string pdfHelper)
    : store_(std::move(options)), helperProgram_(std::move(pdfHelper)) {}

const std::string& TSearchTextCache::ConverterIdentity(DocumentKind kind) {
  static const std::string kNone;
  const auto converter = ConverterOf(kind);
  if (!converter) return kNone;
  const std::size_t slot = static_cast<std::size_t>(kind);
  if (slot >= identities_.size()) return kNone;
  std::lock_guard lock(mutex_);
  std::optional<std::string>& id = identities_[slot];
  if (!id) {
    const extract::ConverterInfo& info = extract::ConverterFor(*converter);
    std::string options;
    for (const std::string_view o : info.options) options += std::string(o) + " ";
    id = ProgramIdentity(std::string(info.program), options);
    // PDF text comes from our helper or, without it, from pdftotext: both
    // programs belong to the key, so an upgrade of either is a new key.
    if (kind == DocumentKind::Pdf && !id->empty() && !helperProgram_.empty()) *id += "\n" + ProgramIdentity(helperProgram_, "");
  }
  return *id;
}

}  // namespace tessaly::engine
