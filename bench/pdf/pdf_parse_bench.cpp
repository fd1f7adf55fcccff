// Parsing speed of the PDF object parser over a real file.
//
// Usage: bench_pdf_parse FILE.pdf [ROUNDS]
// Every "N G obj" header of the file is found by a plain text scan and the
// object after it is parsed into one store; object streams (/Type /ObjStm
// with a direct /Length) are decoded and their members parsed as well.
// Prints objects made per second and megabytes of object text read per
// second (stream data is not counted),
// the best of ROUNDS (default 5) passes.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/PDFParser.h"
#include "pdf/uPDFStructure.h"

using namespace tessaly::pdf;

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Offsets just after each "obj" keyword that follows "N G".
std::vector<std::size_t> FindObjects(std::string_view text) {
  std::vector<std::size_t> found;
  for (std::size_t p = text.find(" obj"); p != std::string_view::npos; p = text.find(" obj", p + 4)) {
    if (p > 0 && IsDigit(text[p - 1])) found.push_back(p + 4);
  }
  return found;
}

struct Pass {
  std::size_t objects = 0;    // objects made in the store
  std::size_t topLevel = 0;   // objects parsed from headers and object streams
  std::size_t bytes = 0;      // object text the parser read
};

Pass RunPass(std::string_view text, const std::vector<std::size_t>& starts) {
  Pass pass;
  TPDFStructure store;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : text.size();
    const std::string_view body = text.substr(starts[i], end - starts[i]);
    TPDFParser parser(store, body);
    TPDFObject* obj = parser.ParseObject();
    pass.bytes += parser.Pos();
    if (!obj) continue;
    ++pass.topLevel;
    auto* dict = PDFAs<TPDFDictionary>(obj);
    if (!dict || dict->TypeName() != "ObjStm") continue;
    // The stream data after the dictionary.
    const std::size_t s = body.find("stream");
    const auto* length = PDFAs<TPDFNumeric>(dict->GetValue("Length"));
    if (s == std::string_view::npos || !length) continue;
    std::size_t data = s + 6;
    if (data < body.size() && body[data] == '\r') ++data;
    if (data < body.size() && body[data] == '\n') ++data;
    const std::size_t n = static_cast<std::size_t>(length->Int64Value());
    if (data + n > body.size()) continue;
    TPDFStream* stream = store.NewStream(std::string(body.substr(data, n)));
    stream->Dictionary()->CopyEntries(*dict);
    const std::string decoded = stream->DecodedStream();
    const std::int32_t first = dict->GetInteger("First", 0);
    const std::int32_t count = dict->GetInteger("N", 0);
    if (first <= 0 || static_cast<std::size_t>(first) > decoded.size()) continue;
    auto* header = PDFAs<TPDFArray>(store.ParseObject("[ " + decoded.substr(0, first) + " ]"));
    if (!header) continue;
    for (std::int32_t k = 0; k < count && 2 * k + 1 < header->Count(); ++k) {
      const auto* off = PDFAs<TPDFNumeric>(header->Items(2 * k + 1));
      if (!off) continue;
      const std::size_t at = static_cast<std::size_t>(first) + static_cast<std::size_t>(off->Int64Value());
      if (at >= decoded.size()) continue;
      const std::string_view member = std::string_view(decoded).substr(at);
      TPDFParser memberParser(store, member);
      if (memberParser.ParseObject()) ++pass.topLevel;
      pass.bytes += memberParser.Pos();
    }
  }
  pass.objects = static_cast<std::size_t>(store.ObjectCount());
  return pass;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE.pdf [ROUNDS]\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
    return 1;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const std::vector<std::size_t> starts = FindObjects(text);
  double best = 1e300;
  Pass pass;
  for (int r = 0; r < rounds; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    pass = RunPass(text, starts);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (s < best) best = s;
  }
  std::printf("file: %s (%zu bytes, %zu object headers)\n", argv[1], text.size(), starts.size());
  std::printf("objects parsed: %zu top-level, %zu made in the store\n", pass.topLevel, pass.objects);
  std::printf("best of %d: %.3f s, %.0f objects/s, %.1f MB/s of object text\n", rounds, best,
              static_cast<double>(pass.objects) / best, static_cast<double>(pass.bytes) / best / 1e6);
  return 0;
}
