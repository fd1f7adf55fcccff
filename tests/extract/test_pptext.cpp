// Tests of pptext: the record walk on streams built in code, and the
// program on a presentation that LibreOffice wrote.
#include "tools/pptext/PptText.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <zlib.h>

#include "TempFolder.h"
#include "extract/ConverterRunner.h"

namespace tessaly::pptext {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

Bytes Record(unsigned version, unsigned type, const Bytes& body, std::uint32_t length) {
  Bytes b;
  Put16(b, version);
  Put16(b, type);
  Put32(b, length);
  b.insert(b.end(), body.begin(), body.end());
  return b;
}
Bytes Record(unsigned version, unsigned type, const Bytes& body) {
  return Record(version, type, body, static_cast<std::uint32_t>(body.size()));
}
Bytes Container(unsigned type, const Bytes& children) { return Record(0xF, type, children); }
Bytes Chars(const std::u16string& text) {
  Bytes body;
  for (char16_t c : text) Put16(body, c);
  return Record(0, kTextCharsAtom, body);
}
Bytes BytesAtom(const std::string& text) { return Record(0, kTextBytesAtom, Bytes(text.begin(), text.end())); }
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

std::string Text(const Bytes& stream) { return ExtractPptText(stream.data(), stream.size()); }

constexpr unsigned kSlide = 0x03EE, kDrawing = 0x040C, kOther = 0x0FF0;

TEST(PptText, TextAtoms) {
  struct Case {
    const char* what;
    Bytes stream;
    std::string text;
  };
  const Case cases[] = {
      {"empty stream", {}, ""},
      {"UTF-16 atom in a slide", Container(kSlide, Chars(u"Harbour")), "Harbour\n"},
      {"byte atom is Latin-1", Container(kSlide, BytesAtom("Caf\xE9")), "Café\n"},
      {"paragraphs and line breaks", Chars(u"a\rb\vc"), "a\nb\nc\n"},
      {"controls dropped, tab kept", Chars(u"a\x01\tb"), "a\tb\n"},
      {"surrogate pair", Chars(u"\U0001F600"), "\xF0\x9F\x98\x80\n"},
      {"unpaired surrogate", Chars(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx\n"},
      {"nested containers in order",
       Cat({Container(kOther, Chars(u"one")), Container(kSlide, Container(kDrawing, BytesAtom("two")))}),
       "one\ntwo\n"},
      {"other atoms ignored", Cat({Record(0, 0x0FBA, {'x', 0}), Chars(u"y")}), "y\n"},
      {"master text left out", Cat({Container(kMainMaster, Chars(u"Click to edit")), Chars(u"body")}), "body\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Text(c.stream), c.text) << c.what;
}

TEST(PptText, OverrunLengthKeepsWhatCameBefore) {
  Bytes stream = Cat({Chars(u"kept"), Record(0, kTextCharsAtom, {'a', 0}, 1000)});
  EXPECT_EQ(Text(stream), "kept\n");
  // A child that overruns its container ends that container only.
  Bytes inner = Cat({Chars(u"in"), Record(0, kTextCharsAtom, {}, 50)});
  Bytes outer = Cat({Container(kSlide, inner), Chars(u"after")});
  EXPECT_EQ(Text(outer), "in\nafter\n");
}

TEST(PptText, DeepNestingEnds) {
  Bytes stream = Chars(u"deep");
  for (int i = 0; i < 1000; ++i) stream = Container(kSlide, stream);
  EXPECT_EQ(Text(stream), "");  // below the depth cap: not read, no crash
}

TEST(PptText, TruncationSweep) {
  const Bytes stream =
      Cat({Container(kSlide, Cat({Chars(u"first"), Container(kDrawing, BytesAtom("second"))})), Chars(u"third")});
  const std::string whole = Text(stream);
  ASSERT_EQ(whole, "first\nsecond\nthird\n");
  for (std::size_t n = 0; n <= stream.size(); ++n) {
    const std::string part = ExtractPptText(stream.data(), n);
    EXPECT_EQ(whole.compare(0, part.size(), part), 0) << "cut at " << n;
  }
}

// Runs the built pptext on `args`; returns its exit status.
int RunPptext(const std::string& args, std::string* output = nullptr) {
  const std::string command = std::string(TESSALY_BIN_DIR) + "/pptext " + args + " 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  const int status = ::pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class PptextProgramTest : public test::TempFolderTest {
 protected:
  // Unpacks tests/data/content/sample.ppt.gz into the test folder.
  std::string SamplePpt() {
    gzFile in = ::gzopen(TESSALY_TEST_DATA "/content/sample.ppt.gz", "rb");
    EXPECT_NE(in, nullptr);
    std::string bytes;
    char buffer[65536];
    int n;
    while (in && (n = ::gzread(in, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<std::size_t>(n));
    if (in) ::gzclose(in);
    return Write("sample.ppt", bytes);
  }
};

TEST_F(PptextProgramTest, PrintsTheTextOfALibreOfficePresentation) {
  std::string text;
  EXPECT_EQ(RunPptext("'" + SamplePpt() + "'", &text), 0);
  EXPECT_NE(text.find("Harbour slides\n"), std::string::npos) << text;
  EXPECT_NE(text.find("The ocelot climbed the mast. Straße\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Click to edit"), std::string::npos) << text;
}

TEST_F(PptextProgramTest, ExitStatus) {
  struct Case {
    const char* what;
    std::string args;
    int status;
  };
  const Case cases[] = {
      {"help", "--help", 0},
      {"no file", "", 1},
      {"two files", "a b", 1},
      {"missing file", "'" + Path("missing.ppt") + "'", 2},
      {"not a compound file", "'" + Write("plain.ppt", "just text") + "'", 3},
  };
  for (const Case& c : cases) EXPECT_EQ(RunPptext(c.args), c.status) << c.what;
}

}  // namespace
}  // namespace tessaly::pptext
