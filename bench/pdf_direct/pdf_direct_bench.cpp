// Page count and page-1 size by direct access against pdfinfo, over the same
// PDF files in the same run; reports time per file and the bytes read per
// file (against the files' sizes).
//
// Usage: bench_pdf_direct [--files N] [--seed DIR] [FOLDER]
//   FOLDER given: every *.pdf in it is measured.
//   Otherwise N files (default 2000) are made in a temporary folder: small
//   documents, documents with long content streams and large multi-page
//   documents, and, with --seed, copies of the PDF files of DIR (real files
//   from qpdf and ghostscript) in turn. The folder is removed at the end.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "pdf/SmartPDFLink.h"
#include "pdf/SmartPDFLinkList.h"
#include "pdf/SmartPDFSource.h"

namespace fs = std::filesystem;
using namespace tessaly::pdf;

namespace {

// A document of `pages` pages in a two-level tree, each page with a content
// stream of `contentBytes` bytes, and a classic cross-reference table.
std::string MakePdf(int pages, std::size_t contentBytes, double width, double height) {
  std::string out = "%PDF-1.4\n";
  std::vector<std::size_t> offsets(1, 0);
  auto object = [&](const std::string& body) {
    offsets.push_back(out.size());
    out += std::to_string(offsets.size() - 1) + " 0 obj\n" + body + "\nendobj\n";
  };
  const int perNode = 10;
  const int nodes = (pages + perNode - 1) / perNode;
  // 1 catalog, 2 root, 3..2+nodes intermediate nodes, then page i and its
  // content at first + 2i, first + 2i + 1.
  const int first = 3 + nodes;
  object("<< /Type /Catalog /Pages 2 0 R >>");
  std::string kids;
  for (int k = 0; k < nodes; ++k) kids += std::to_string(3 + k) + " 0 R ";
  char box[96];
  std::snprintf(box, sizeof box, "[0 0 %.2f %.2f]", width, height);
  object("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " /MediaBox " + box + " >>");
  for (int k = 0; k < nodes; ++k) {
    std::string nodeKids;
    const int last = std::min(pages, (k + 1) * perNode);
    for (int i = k * perNode; i < last; ++i) nodeKids += std::to_string(first + 2 * i) + " 0 R ";
    object("<< /Type /Pages /Parent 2 0 R /Kids [" + nodeKids + "] /Count " +
           std::to_string(last - k * perNode) + " >>");
  }
  const std::string content(contentBytes, 'q');
  for (int i = 0; i < pages; ++i) {
    object("<< /Type /Page /Parent " + std::to_string(3 + i / perNode) + " 0 R /Contents " +
           std::to_string(first + 2 * i + 1) + " 0 R >>");
    object("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
  }
  const std::size_t xref = out.size();
  out += "xref\n0 " + std::to_string(offsets.size()) + "\n0000000000 65535 f \n";
  char line[32];
  for (std::size_t n = 1; n < offsets.size(); ++n) {
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offsets[n]);
    out += line;
  }
  out += "trailer\n<< /Size " + std::to_string(offsets.size()) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return out;
}

struct TResult {
  int pages = 0;
  double width = 0, height = 0;
};

bool PdfInfo(const std::string& file, TResult& r) {
  const std::string command = "pdfinfo '" + file + "' 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  char line[512];
  bool any = false;
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    if (std::sscanf(line, "Pages: %d", &r.pages) == 1) any = true;
    std::sscanf(line, "Page size: %lf x %lf", &r.width, &r.height);
  }
  return ::pclose(pipe) == 0 && any;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
  int count = 2000;
  std::string seed, folder;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--files" && i + 1 < argc) count = std::atoi(argv[++i]);
    else if (a == "--seed" && i + 1 < argc) seed = argv[++i];
    else folder = a;
  }

  std::vector<std::string> files;
  fs::path made;
  if (!folder.empty()) {
    for (const auto& e : fs::directory_iterator(folder))
      if (e.is_regular_file() && e.path().extension() == ".pdf") files.push_back(e.path().string());
  } else {
    made = fs::temp_directory_path() / ("tessaly-bench-pdf-direct-" + std::to_string(::getpid()));
    fs::create_directories(made);
    std::vector<fs::path> seeds;
    if (!seed.empty())
      for (const auto& e : fs::directory_iterator(seed))
        if (e.is_regular_file() && e.path().extension() == ".pdf") seeds.push_back(e.path());
    for (int i = 0; i < count; ++i) {
      const fs::path p = made / ("f" + std::to_string(i) + ".pdf");
      if (!seeds.empty() && i % 10 == 9) {
        fs::copy_file(seeds[static_cast<std::size_t>(i / 10) % seeds.size()], p);
      } else {
        // Mostly small files, some with long content, a few large ones.
        const int kind = i % 20;
        const int pages = kind < 14 ? 1 + i % 5 : kind < 19 ? 20 + i % 30 : 300;
        const std::size_t content = kind < 14 ? 2000 : kind < 19 ? 8000 : 4000;
        std::ofstream(p, std::ios::binary) << MakePdf(pages, content, 595 + i % 3, 842);
      }
      files.push_back(p.string());
    }
  }

  // Direct access: open, page count, page 1, its size, close.
  std::vector<TResult> ours(files.size());
  std::uint64_t bytesRead = 0, bytesMax = 0, fileBytes = 0;
  std::size_t opened = 0;
  const auto t0 = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < files.size(); ++i) {
    TSmartPDFLinkList links;
    const TDALink link = links.Open(files[i]);
    if (!link) continue;
    ++opened;
    ours[i].pages = links.PageCount(link);
    const TDAPage page = links.FindPage(link, 1);
    ours[i].width = links.PageWidth(link, page);
    ours[i].height = links.PageHeight(link, page);
    const std::uint64_t read = links.Find(link)->Source()->BytesRead();
    bytesRead += read;
    bytesMax = std::max(bytesMax, read);
    links.Close(link);
  }
  const auto t1 = std::chrono::steady_clock::now();
  for (const std::string& f : files) fileBytes += fs::file_size(f);

  // pdfinfo over the same files.
  std::size_t infoOk = 0, mismatches = 0;
  const auto t2 = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < files.size(); ++i) {
    TResult r;
    if (!PdfInfo(files[i], r)) continue;
    ++infoOk;
    if (r.pages != ours[i].pages || std::fabs(r.width - ours[i].width) > 0.5 ||
        std::fabs(r.height - ours[i].height) > 0.5) {
      ++mismatches;
      if (mismatches <= 5)
        std::printf("differs: %s: pdfinfo %d pages %.2f x %.2f, direct %d pages %.2f x %.2f\n",
                    files[i].c_str(), r.pages, r.width, r.height, ours[i].pages, ours[i].width,
                    ours[i].height);
    }
  }
  const auto t3 = std::chrono::steady_clock::now();

  const double n = static_cast<double>(files.size());
  std::printf("files: %zu (%.1f MB in all, %.0f bytes on average)\n", files.size(),
              static_cast<double>(fileBytes) / 1e6, static_cast<double>(fileBytes) / n);
  std::printf("direct access: %zu opened, %.3f s, %.1f us per file\n", opened, Seconds(t1 - t0),
              1e6 * Seconds(t1 - t0) / n);
  std::printf("  bytes read per file: %.0f on average, %llu at most (%.2f%% of the bytes)\n",
              opened ? static_cast<double>(bytesRead) / static_cast<double>(opened) : 0.0,
              static_cast<unsigned long long>(bytesMax),
              fileBytes ? 100.0 * static_cast<double>(bytesRead) / static_cast<double>(fileBytes) : 0.0);
  std::printf("pdfinfo: %zu read, %.3f s, %.1f us per file\n", infoOk, Seconds(t3 - t2),
              1e6 * Seconds(t3 - t2) / n);
  std::printf("results differing from pdfinfo: %zu\n", mismatches);
  std::printf("speed-up: %.1fx\n", Seconds(t3 - t2) / std::max(Seconds(t1 - t0), 1e-9));

  if (!made.empty()) fs::remove_all(made);
  return 0;
}
