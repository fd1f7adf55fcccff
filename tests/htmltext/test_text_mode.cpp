// Tests of the CR LF text-mode translation of htmltext's files.
#include "tools/htmltext/TextMode.h"

#include <gtest/gtest.h>

namespace tessaly::htmltext {
namespace {

std::string Read(std::initializer_list<std::string_view> chunks) {
  TTextModeReader reader;
  std::string out;
  for (std::string_view chunk : chunks) reader.Translate(chunk, out);
  reader.Finish(out);
  return out;
}

TEST(TextMode, InputLineEnds) {
  // CR LF is one line end; an LF alone is one too.
  EXPECT_EQ(Read({"a\r\nb\nc"}), "a\nb\nc");
  // A CR not followed by LF stays a character, also at the end of the file.
  EXPECT_EQ(Read({"a\rb\r"}), "a\rb\r");
  // CR CR LF: the first CR is alone.
  EXPECT_EQ(Read({"\r\r\n"}), "\r\n");
  // A pair split across two reads is still one line end.
  EXPECT_EQ(Read({"a\r", "\nb"}), "a\nb");
  EXPECT_EQ(Read({"a\r", "b"}), "a\rb");
}

TEST(TextMode, OutputLineEnds) {
  std::string out;
  AppendTextModeOutput("a\nb\rc\r\n", out);
  EXPECT_EQ(out, "a\r\nb\rc\r\r\n");
}

}  // namespace
}  // namespace tessaly::htmltext
