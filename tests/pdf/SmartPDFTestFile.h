// Builds PDF files byte by byte for the direct-access tests: objects at
// known offsets, classic cross-reference tables with any subsections,
// cross-reference streams with any field widths, incremental updates.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pdf/SmartPDFSource.h"

namespace tessaly::pdf::testing {

struct TXEntry {
  std::int64_t num;
  std::int64_t first;  // offset, next free, or object stream number
  std::int64_t second; // generation, or index in the object stream
  char type;           // 'n', 'f', 'c'
};

class TTestPdf {
 public:
  explicit TTestPdf(std::string header = "%PDF-1.4\n") : text(std::move(header)) {}

  std::string text;
  std::map<std::int64_t, std::int64_t> offsets;  // object number -> offset

  std::int64_t Size() const { return static_cast<std::int64_t>(text.size()); }

  // Appends "n g obj\n<body>\nendobj\n" and records its offset.
  std::int64_t Object(std::int64_t n, const std::string& body, int gen = 0) {
    const std::int64_t at = Size();
    offsets[n] = at;
    text += std::to_string(n) + " " + std::to_string(gen) + " obj\n" + body + "\nendobj\n";
    return at;
  }

  // In-use entries for the given objects (all recorded ones when empty).
  std::vector<TXEntry> InUse(std::vector<std::int64_t> nums = {}) const {
    if (nums.empty())
      for (const auto& [n, o] : offsets) nums.push_back(n);
    std::vector<TXEntry> out;
    for (std::int64_t n : nums) out.push_back({n, offsets.at(n), 0, 'n'});
    return out;
  }

  // A classic table: subsections of consecutive numbers, then "trailer",
  // the dictionary, "startxref", its offset and "%%EOF". Returns the table's
  // offset. `startxref` < 0 writes the table's own offset.
  std::int64_t Table(std::vector<TXEntry> entries, const std::string& trailer,
                     std::int64_t startxref = -1) {
    const std::int64_t at = Size();
    text += "xref\n";
    std::size_t i = 0;
    while (i < entries.size()) {
      std::size_t j = i + 1;
      while (j < entries.size() && entries[j].num == entries[j - 1].num + 1) ++j;
      text += std::to_string(entries[i].num) + " " + std::to_string(j - i) + "\n";
      for (std::size_t k = i; k < j; ++k) {
        char line[32];
        std::snprintf(line, sizeof line, "%010lld %05lld %c \n",
                      static_cast<long long>(entries[k].first),
                      static_cast<long long>(entries[k].second), entries[k].type);
        text += line;
      }
      i = j;
    }
    text += "trailer\n" + trailer + "\n";
    Tail(startxref < 0 ? at : startxref);
    return at;
  }

  // A cross-reference stream object `n` with fields of the given widths
  // (no filter), extra dictionary entries, then the tail. Returns the
  // offset of the object.
  std::int64_t XRefStream(std::int64_t n, const std::vector<TXEntry>& entries,
                          std::vector<int> widths, const std::string& extra,
                          std::int64_t startxref = -1) {
    std::string data;
    for (const TXEntry& e : entries) {
      const std::int64_t type = e.type == 'f' ? 0 : e.type == 'n' ? 1 : 2;
      Put(data, type, widths[0]);
      Put(data, e.first, widths[1]);
      Put(data, e.second, widths[2]);
    }
    const std::int64_t at = Size();
    offsets[n] = at;
    text += std::to_string(n) + " 0 obj\n<< /Type /XRef /W [" + std::to_string(widths[0]) + " " +
            std::to_string(widths[1]) + " " + std::to_string(widths[2]) + "] /Length " +
            std::to_string(data.size()) + " " + extra + " >>\nstream\n" + data +
            "\nendstream\nendobj\n";
    Tail(startxref < 0 ? at : startxref);
    return at;
  }

  void Tail(std::int64_t startxref) {
    text += "startxref\n" + std::to_string(startxref) + "\n%%EOF\n";
  }

  static void Put(std::string& data, std::int64_t v, int width) {
    for (int k = width - 1; k >= 0; --k) data.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
  }

  std::unique_ptr<TSmartPDFSource> Source() const {
    return std::make_unique<TSmartPDFMemorySource>(text);
  }
};

// A small two-page document body (objects 1 to 4): catalog, page tree and
// two pages of 612 x 792.
inline void AddTwoPages(TTestPdf& pdf) {
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  pdf.Object(2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>");
  pdf.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>");
  pdf.Object(4, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>");
}

}  // namespace tessaly::pdf::testing
