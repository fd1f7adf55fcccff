// Tests of the output naming of htmltext.
#include "tools/htmltext/OutputName.h"

#include <gtest/gtest.h>

namespace tessaly::htmltext {
namespace {

TEST(OutputName, CutsTheFileNameAndAppendsTxt) {
  struct TRow {
    const char* input;
    const char* output;
  } rows[] = {
      {"page.html", "page.txt"},
      {"page.htm", "page.txt"},
      {"news.shtml", "news.txt"},
      {"readme", "readme.txt"},
      // ".htm" is searched with its case: here the first dot decides.
      {"PAGE.HTM", "PAGE.txt"},
      // ".htm" wins over an earlier dot, and over an earlier ".sht".
      {"a.tar.htm", "a.tar.txt"},
      {"x.shtml.htm", "x.shtml.txt"},
      {"a.b.shtml", "a.b.txt"},
      // A dotted folder never decides the cut: the output stays next to the input.
      {"site.old/PAGE.HTM", "site.old/PAGE.txt"},
      {"site.old/page.htm", "site.old/page.txt"},
      {"x.htm.d/readme", "x.htm.d/readme.txt"},
      {"/srv/a.sht/b.c/index", "/srv/a.sht/b.c/index.txt"},
      // A name that starts with its dot keeps only the folder.
      {"dir/.profile", "dir/.txt"},
      // A text file names itself (the program then leaves it alone).
      {"notes.txt", "notes.txt"},
  };
  for (const auto& r : rows) EXPECT_EQ(OutputNameFor(r.input), r.output) << "input: " << r.input;
}

}  // namespace
}  // namespace tessaly::htmltext
