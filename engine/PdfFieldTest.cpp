// The PDF field test over the search's own TPdfToolkit.
#include "engine/PdfFieldTest.h"

#include "pdf/PdfToolkit.h"

namespace tessaly::engine {
namespace {

constexpr const char* kFieldNames[] = {"Author", "Title", "Subject", "Keywords", "Creator", "Producer"};

std::string LowerAToZ(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace

int PdfFieldIndex(const std::string& contentField) {
  for (int i = 0; i < 6; ++i)
    if (contentField == kFieldNames[i]) return i + 1;
  return 0;
}

std::string ReadPdfField(SearchContext& context, const std::string& path, const std::string& contentField) {
  const int index = PdfFieldIndex(contentField);
  if (index == 0) return {};
  if (!context.pdfToolkit) context.pdfToolkit = std::make_shared<pdf::TPdfToolkit>();
  if (context.pdfToolkit->LoadFromFile(path) == 0) return {};
  return context.pdfToolkit->GetInformation(index);
}

bool PdfFieldContains(SearchContext& context, const std::string& path, const std::string& contentField,
                      const std::string& containsText) {
  const std::string field = ReadPdfField(context, path, contentField);
  if (field.empty()) return false;
  if (context.criteria.caseSensitive) return field.find(containsText) != std::string::npos;
  return LowerAToZ(field).find(LowerAToZ(containsText)) != std::string::npos;
}

}  // namespace tessaly::engine
