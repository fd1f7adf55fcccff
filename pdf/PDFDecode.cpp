// Stream decoding: reads /Filter and /DecodeParms (or /DP) of a stream's
// dictionary and runs the understood filters in order.
#include "pdf/PDFDecode.h"

#include "pdf/PDFASCII85.h"
#include "pdf/PDFArray.h"
#include "pdf/PDFDictionary.h"
#include "pdf/PDFFlate.h"
#include "pdf/PDFIndRef.h"
#include "pdf/PDFLZW.h"
#include "pdf/PDFName.h"
#include "pdf/PDFNumeric.h"
#include "pdf/PDFPredictor.h"

namespace tessaly::pdf {
namespace {

TPDFObject* Resolved(TPDFObject* obj) {
  if (auto* ref = PDFAs<TPDFIndRef>(obj)) return ref->Resolve();
  return obj;
}

// A parameter as its integer view, a reference resolved; def when missing
// or not a number.
std::int32_t Param(const TPDFDictionary* params, std::string_view key, std::int32_t def) {
  return params ? params->GetInteger(key, def) : def;
}

std::string Flate(const std::string& data, const TPDFDictionary* params) {
  std::string inflated = FlateDecode(data);
  if (!params) return inflated;
  const std::int32_t bits = Param(params, "BitsPerComponent", 8);
  const std::int32_t columns = Param(params, "Columns", 1);
  const std::int32_t predictor = Param(params, "Predictor", 1);
  // Only PNG predictors over 8-bit samples are undone (one byte per pixel;
  // /Colors is not consulted); other combinations pass the data through.
  if (predictor >= 10 && bits == 8) return PNGUnpredict(inflated, columns);
  return inflated;
}

}  // namespace

std::vector<std::string> StreamFilters(const TPDFDictionary& dict) {
  std::vector<std::string> filters;
  TPDFObject* filter = Resolved(dict.GetValue("Filter", false));
  if (auto* name = PDFAs<TPDFName>(filter)) {
    filters.push_back(name->Value());
  } else if (auto* array = PDFAs<TPDFArray>(filter)) {
    for (std::int32_t i = 0; i < array->Count(); ++i) {
      // Items that are not names, references among them, are skipped.
      if (auto* item = PDFAs<TPDFName>(array->Items(i))) filters.push_back(item->Value());
    }
  }
  return filters;
}

std::vector<TPDFDictionary*> StreamFilterParams(const TPDFDictionary& dict,
                                                std::size_t filterCount) {
  std::vector<TPDFDictionary*> params(filterCount, nullptr);
  if (filterCount == 0) return params;
  const char* key = dict.IndexOf("DecodeParms") >= 0 ? "DecodeParms" : "DP";
  TPDFObject* value = Resolved(dict.GetValue(key, false));
  if (auto* single = PDFAs<TPDFDictionary>(value)) {
    params[0] = single;
  } else if (auto* array = PDFAs<TPDFArray>(value)) {
    for (std::size_t i = 0; i < filterCount && i < static_cast<std::size_t>(array->Count()); ++i)
      params[i] = PDFAs<TPDFDictionary>(array->Items(static_cast<std::int32_t>(i)));
  }
  return params;
}

std::string DecodeStreamData(const std::string& data, const TPDFDictionary& dict) {
  const std::vector<std::string> filters = StreamFilters(dict);
  if (filters.empty()) return data;
  const std::vector<TPDFDictionary*> params = StreamFilterParams(dict, filters.size());
  std::string result;
  bool first = true;
  for (std::size_t i = 0; i < filters.size(); ++i) {
    const std::string& input = first ? data : result;
    const std::string& f = filters[i];
    std::string output;
    if (f == "FlateDecode")
      output = Flate(input, params[i]);
    else if (f == "ASCII85Decode")
      output = ASCII85Decode(input);
    else if (f == "LZWDecode")
      output = LZWDecode(input);
    else
      continue;  // ASCIIHexDecode, RunLengthDecode, DCTDecode, short names...: passed over
    result = std::move(output);
    first = false;
  }
  return result;
}

}  // namespace tessaly::pdf
