// The converter table. The charset options make the text UTF-8 whatever the
// caller's locale: without them catdoc transliterates under the C locale.
#include "extract/Converters.h"

#include <array>
#include <filesystem>
#include <system_error>

namespace tessaly::extract {
namespace {

const std::array<ConverterInfo, 5>& Table() {
  static const std::array<ConverterInfo, 5> table{{
      {ConverterKind::PdfText, "PDF", "pdftotext", {"-enc", "UTF-8"}, "poppler-utils"},
      {ConverterKind::Word, "DOC", "catdoc", {"-d", "utf-8"}, "catdoc"},
      {ConverterKind::Rtf, "RTF", "ravelt", {}, "tessaly"},
      {ConverterKind::Excel, "XLS", "xls2csv", {"-d", "utf-8"}, "catdoc"},
      // Our own: catppt prints nothing for presentations LibreOffice writes.
      {ConverterKind::PowerPoint, "PPT", "pptext", {}, "tessaly"},
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

}  // namespace tessaly::extract
