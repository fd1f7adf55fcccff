// The htmltext main flow: usage, argument expansion, the per-file loop.
#include "tools/htmltext/HtmlTextProgram.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "tools/htmltext/ArgumentExpansion.h"
#include "tools/htmltext/HtmlConverter.h"
#include "tools/htmltext/OutputName.h"
#include "tools/htmltext/TextMode.h"

namespace tessaly::htmltext {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

struct TFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

void WriteUsage(std::FILE* console) {
  std::fputs("In-file name needed  (optional switch) needed!\n", console);
  std::fputs("Output file name is in-file name +.txt\n", console);
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

// Converts one piece of input and writes its text; on a converter failure the
// text converted before it is written first, so the output stays as far as
// it got.
void ConvertAndWrite(THtmlConverter& converter, std::string_view logical, std::FILE* out) {
  std::string text;
  std::string bytes;
  try {
    converter.Convert(logical, text);
  } catch (const THtmlTextError&) {
    AppendTextModeOutput(text, bytes);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    throw;
  }
  AppendTextModeOutput(text, bytes);
  std::fwrite(bytes.data(), 1, bytes.size(), out);
}

void ConvertFile(const std::string& input, THtmlConverter& converter, std::FILE* console,
                 std::FILE* errors) {
  const std::string output = OutputNameFor(input);
  std::fprintf(console, "wandle %s\n", input.c_str());

  TFile in(std::fopen(input.c_str(), "rb"));
  if (!in) return;
  // A folder opens for reading on Linux but holds no text.
  std::error_code ec;
  if (std::filesystem::is_directory(input, ec)) return;
  // "notes.txt" names itself as its output; creating it would truncate the
  // input before it is read.
  if (SameFile(input, output)) {
    std::fflush(console);
    std::fprintf(errors, "htmltext: %s: the output file would be the input file itself; skipped\n",
                 input.c_str());
    return;
  }
  TFile out(std::fopen(output.c_str(), "wb"));
  if (!out) return;

  TTextModeReader reader;
  std::string chunk(kReadChunk, '\0');
  std::string logical;
  for (;;) {
    const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), in.get());
    if (got == 0) break;
    logical.clear();
    reader.Translate(std::string_view(chunk.data(), got), logical);
    ConvertAndWrite(converter, logical, out.get());
  }
  logical.clear();
  reader.Finish(logical);
  ConvertAndWrite(converter, logical, out.get());
}

}  // namespace

int RunHtmlText(const std::vector<std::string>& arguments, std::FILE* console, std::FILE* errors) {
  if (arguments.empty()) {
    WriteUsage(console);
    return 1;
  }
  if (arguments.size() == 1 && arguments[0] == "--help") {
    WriteUsage(console);
    return 0;
  }
  try {
    THtmlConverter converter;
    for (const std::string& input : ExpandArguments(arguments))
      ConvertFile(input, converter, console, errors);
  } catch (const THtmlTextError& e) {
    std::fprintf(console, "Error: %s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace tessaly::htmltext
