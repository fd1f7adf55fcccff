// The converter table. The charset options make the text UTF-8 whatever the
// caller's locale: without them catdoc transliterates under the C locale.
#include "extract/Converters.h"

#include <array>
#include <filesystem>
#include <system_error>

namespace tessaly::extract {
namespace {

// What catdoc and xls2csv say of a file that is no compound file, or a
// broken one.
const std::vector<std::string_view> kCatdocDamage{"not OLE file", "Broken OLE", "ZIP archive"};

const std::array<ConverterInfo, 5>& Table() {
  static const std::array<ConverterInfo, 5> table{{
      // pdftotext ends with status 1 for a file it cannot open as a PDF
      // (damaged, or encrypted when its error says so).
      {ConverterKind::PdfText, "PDF", "pdftotext", {"-enc", "UTF-8"}, "poppler-utils", 1,
       {"Incorrect password"}, {"Couldn't find trailer", "Couldn't read xref", "May not be a PDF"}},
      {ConverterKind::Word, "DOC", "catdoc", {"-d", "utf-8"}, "catdoc", 0, {"ncrypted"}, kCatdocDamage},
      {ConverterKind::Rtf, "RTF", "ravelt", {}, "tessaly", 0, {}, {}},
      {ConverterKind::Excel, "XLS", "xls2csv", {"-d", "utf-8"}, "catdoc", 0, {"ncrypted"}, kCatdocDamage},
      // Our own: catppt prints nothing for presentations LibreOffice writes.
      {ConverterKind::PowerPoint, "PPT", "pptext", {}, "tessaly", 0, {}, {}},
  }};
  return table;
}

CommandLine WithOptions(const ConverterInfo& info) {
  CommandLine line;
  line.Add(std::string(info.program));
  for (const auto option : info.options) line.Add(std::string(option));
  return line;
}

// Converters run in the work folder, not in the caller's current folder, so
// a document named by a relative path is handed on by its absolute path.
std::string AbsoluteDocumentPath(const std::string& file) {
  if (file.empty() || file.front() == '/') return file;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
  return ec ? file : absolute.string();
}

}  // namespace

const ConverterInfo& ConverterFor(ConverterKind kind) { return Table()[static_cast<std::size_t>(kind)]; }

CommandLine CaptureCommandLine(ConverterKind kind, const std::string& file) {
  CommandLine line = WithOptions(ConverterFor(kind));
  line.Add(AbsoluteDocumentPath(file), true);
  return line;
}

CommandLine PdfTextCommandLine(const std::string& file, const std::string& outputFile) {
  CommandLine line = WithOptions(ConverterFor(ConverterKind::PdfText));
  line.Add(AbsoluteDocumentPath(file), true);
  line.Add(outputFile, true);
  return line;
}

namespace {

void Erase(std::string& text, const std::string& part) {
  if (part.empty()) return;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at)) text.erase(at, part.size());
}

bool HoldsAny(const std::string& text, const std::vector<std::string_view>& markers) {
  for (const std::string_view m : markers)
    if (text.find(m) != std::string::npos) return true;
  return false;
}

}  // namespace

ConverterFailure ClassifyConverterFailure(ConverterKind kind, const std::string& file, int exitStatus,
                                          std::string errors) {
  const ConverterInfo& info = ConverterFor(kind);
  Erase(errors, AbsoluteDocumentPath(file));
  Erase(errors, file);
  Erase(errors, std::filesystem::path(file).filename().string());
  if (HoldsAny(errors, info.passwordMarkers)) return ConverterFailure::PasswordRequired;
  if (HoldsAny(errors, info.damageMarkers)) return ConverterFailure::Damaged;
  if (info.openFailureStatus != 0 && exitStatus == info.openFailureStatus) return ConverterFailure::Damaged;
  return ConverterFailure::Other;
}

}  // namespace tessaly::extract
