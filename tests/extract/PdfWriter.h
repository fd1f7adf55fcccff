// Small PDF files for tests, written with computed offsets: pages of text
// lines in Helvetica (WinAnsi, so octal escapes give accented letters),
// uncompressed content streams, a classic cross-reference table.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace tessaly::test {

// One page: its lines from the top, each a PDF string body (escapes allowed);
// a line starting with "@x " is set at x points from the left instead of 56.
using PdfPageLines = std::vector<std::string>;

inline std::string MakeTextPdf(const std::vector<PdfPageLines>& pages) {
  std::map<int, std::string> objects;
  objects[1] = "<< /Type /Catalog /Pages 2 0 R >>";
  objects[3] = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";
  std::string kids;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const int page = 4 + 2 * static_cast<int>(i), content = page + 1;
    kids += std::to_string(page) + " 0 R ";
    std::string ops = "BT /F1 11 Tf\n";
    int y = 760;
    for (const std::string& line : pages[i]) {
      int x = 56;
      std::string body = line;
      if (body.rfind("@", 0) == 0) {
        const auto space = body.find(' ');
        x = std::stoi(body.substr(1, space - 1));
        body = body.substr(space + 1);
        y += 14;  // the same line as the one before
      }
      ops += "1 0 0 1 " + std::to_string(x) + " " + std::to_string(y) + " Tm (" + body + ") Tj\n";
      y -= 14;
    }
    ops += "ET\n";
    objects[page] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >> "
                    "/Contents " + std::to_string(content) + " 0 R >>";
    objects[content] = "<< /Length " + std::to_string(ops.size()) + " >>\nstream\n" + ops + "endstream";
  }
  objects[2] = "<< /Type /Pages /Kids [ " + kids + "] /Count " + std::to_string(pages.size()) + " >>";
  std::string pdf = "%PDF-1.4\n";
  std::map<int, std::size_t> offsets;
  for (const auto& [number, body] : objects) {
    offsets[number] = pdf.size();
    pdf += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
  }
  const int size = objects.rbegin()->first + 1;
  const std::size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(size) + "\n0000000000 65535 f \n";
  char entry[32];
  for (int i = 1; i < size; ++i) {
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offsets.count(i) ? offsets[i] : 0);
    pdf += entry;
  }
  pdf += "trailer\n<< /Size " + std::to_string(size) + " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

}  // namespace tessaly::test
