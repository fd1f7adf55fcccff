// Builds PDF file text in tests, with exact offsets: objects, classic
// cross-reference tables, cross-reference streams with any field widths,
// and the startxref tail.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace tessaly::test {

struct XRefRow {
  std::int64_t number;
  std::uint64_t value;  // offset, or object-stream number for type 2
  std::uint64_t extra;  // generation, or index in the object stream
  int type;             // 0 free, 1 in use, 2 compressed (others for odd cases)
};

class PdfTextBuilder {
 public:
  explicit PdfTextBuilder(std::string header = "%PDF-1.4\n") : text(std::move(header)) {}

  // Appends "n g obj" body "endobj"; returns the object's offset.
  std::int64_t Add(int number, const std::string& body, int generation = 0) {
    const auto at = static_cast<std::int64_t>(text.size());
    offsets[number] = at;
    text += std::to_string(number) + " " + std::to_string(generation) + " obj\n" + body + "\nendobj\n";
    return at;
  }
  std::int64_t Offset(int number) const { return offsets.at(number); }

  // A classic table (rows in order; consecutive numbers form one subsection)
  // and its trailer; returns the offset of "xref".
  std::int64_t Table(const std::vector<XRefRow>& rows, const std::string& trailer) {
    const auto at = static_cast<std::int64_t>(text.size());
    text += "xref\n";
    std::size_t i = 0;
    while (i < rows.size()) {
      std::size_t j = i + 1;
      while (j < rows.size() && rows[j].number == rows[j - 1].number + 1) ++j;
      text += std::to_string(rows[i].number) + " " + std::to_string(j - i) + "\n";
      for (std::size_t k = i; k < j; ++k) {
        char line[32];
        std::snprintf(line, sizeof line, "%010llu %05llu %c \n", static_cast<unsigned long long>(rows[k].value),
                      static_cast<unsigned long long>(rows[k].extra), rows[k].type == 0 ? 'f' : 'n');
        text += line;
      }
      i = j;
    }
    text += "trailer\n" + trailer + "\n";
    return at;
  }

  // The binary entries of a cross-reference stream, most significant byte
  // first, in the given widths.
  static std::string Entries(const std::vector<XRefRow>& rows, int w1, int w2, int w3) {
    std::string data;
    auto put = [&data](std::uint64_t v, int w) {
      for (int b = w - 1; b >= 0; --b) data.push_back(static_cast<char>((v >> (8 * b)) & 0xFF));
    };
    for (const XRefRow& r : rows) {
      put(static_cast<std::uint64_t>(r.type), w1);
      put(r.value, w2);
      put(r.extra, w3);
    }
    return data;
  }

  // A cross-reference stream object (unfiltered data) with `dictionaryKeys`
  // added to /Type /XRef and /Length; returns its offset.
  std::int64_t XRefStream(int number, const std::string& dictionaryKeys, const std::string& data) {
    return Add(number, "<< /Type /XRef /Length " + std::to_string(data.size()) + " " + dictionaryKeys +
                           " >>\nstream\n" + data + "\nendstream");
  }

  // "startxref", the offset and "%%EOF".
  void Finish(std::int64_t startxref) { text += "startxref\n" + std::to_string(startxref) + "\n%%EOF\n"; }

  std::string text;
  std::map<int, std::int64_t> offsets;
};

}  // namespace tessaly::test
