// Tests of the PDF object parser and its lexer: what each kind of object
// text reads as, the escape rules, references, comments, nesting limits and
// the number conversions.
#include <gtest/gtest.h>

#include <string>

#include "pdf/PDFLexer.h"
#include "pdf/PDFParser.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {
namespace {

// The text form of what ParseObject reads, "<nothing>" for no object.
std::string Parsed(std::string_view text) {
  TPDFStructure store;
  TPDFObject* obj = store.ParseObject(text);
  return obj ? obj->AsText() : "<nothing>";
}

// Depth of nested single-item arrays.
int ArrayDepth(const TPDFObject* obj) {
  int depth = 0;
  while (const auto* a = PDFAs<TPDFArray>(obj)) {
    ++depth;
    obj = a->Items(0);
  }
  return depth;
}

TEST(PDFParser, ObjectTexts) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      // Dictionaries: whatever follows is ignored.
      {"<< /Type /Catalog /Pages 2 0 R >> trailing", "<<\n/Type /Catalog\n/Pages 2 0 R\n>>\n"},
      {"<</A 1/B(x)/C<41>/D[1]/E<</F 2>>>>", "<<\n/A 1\n/B (x)\n/C <41>\n/D [ 1 ]\n/E <<\n/F 2\n>>\n>>\n"},
      // A later duplicate key replaces the earlier entry.
      {"<< /A 1 /A 2 >>", "<<\n/A 2\n>>\n"},
      // A key that is not a name ends the dictionary.
      {"<< /A 1 2 3 /B 4 >>", "<<\n/A 1\n>>\n"},
      // A key without a value ends it too.
      {"<< /A 1 /B >>", "<<\n/A 1\n>>\n"},
      // "<<>>" at the end of the text is too short for a dictionary: an
      // empty hex string.
      {"<<>>", "<>"},
      {"<<>> ", "<<\n>>\n"},
      // Arrays: "[]" at the end is too short and gives nothing.
      {"[]", "<nothing>"},
      {"[] ", "[ ]"},
      {"[1 [2 [3]] (s)]", "[ 1 [ 2 [ 3 ] ] (s) ]"},
      {"[1 2 ) 3]", "[ 1 2 ]"},
      // A comment is white space, with whatever white space and comments
      // follow it (an indented or blank line, as cairo and ReportLab write).
      {"[1 2 % note\n3]", "[ 1 2 3 ]"},
      {"[1 2 % note\r\n3]", "[ 1 2 3 ]"},
      {"[1 2 % note\n  3]", "[ 1 2 3 ]"},
      {"<< /Type /Page % 1\n   /Rotate 90 >>", "<<\n/Type /Page\n/Rotate 90\n>>\n"},
      {"<< /A 1 % c\n\n% d\r\n /B 2 >>", "<<\n/A 1\n/B 2\n>>\n"},
      {"% header\n1", "1"},
      {"% header\n 1", "1"},
      {"   42", "42"},
      // The "obj" keyword of an indirect object is not read.
      {"1 0 obj", "1"},
      // References need two whole numbers and an R.
      {"12 0 R", "12 0 R"},
      {"12 0", "12"},
      {"12 0 ", "12"},
      {"12 R", "12"},
      {"1.0 0 R", "1"},
      {"12 0R", "12 0 R"},
      {"12 0 Rx", "12 0 R"},
      {"12\n0\nR", "12 0 R"},
      {"12 0.7 R", "12 0 R"},  // the generation is truncated
      {"[1 0 R 2 0 R 3]", "[ 1 0 R 2 0 R 3 ]"},
      // Numbers.
      {"-.5", "-0.5"},
      {"5.", "5"},
      {".5", "0.5"},
      {"007", "7"},
      {"-", "0"},
      {"-.", "0"},
      {"1.2.3", "1.2"},
      {"4294967296", "4294967296"},  // beyond 32 bits the value is kept
      {"-2147483649", "-2147483649"},
      {"99999999999999999999", "0"},   // beyond 64 bits
      {"+5", "<nothing>"},
      // Keywords.
      {"true", "true"},
      {"trueX", "<nothing>"},
      {"true]", "true"},
      {"true ", "true"},
      {"false", "false"},
      {"null", "null"},
      {"nullx", "<nothing>"},
      // Strings and names.
      {"(abc", "<nothing>"},
      {"<41", "<40>"},   // no ">": the last byte is not content
      {"<414", "<41>"},
      {"<>", "<nothing>"},  // too short for a hex string
      {"/", "/"},
      {"/Name}", "/Name"},
      // Nothing else starts an object.
      {"", "<nothing>"},
      {")", "<nothing>"},
      {">>", "<nothing>"},
      {"]", "<nothing>"},
      {"{1}", "<nothing>"},
      {"R", "<nothing>"},
      {"endobj", "<nothing>"},
      {"stream", "<nothing>"},
  };
  for (const Case& c : cases) EXPECT_EQ(Parsed(c.text), c.expected) << "input: " << c.text;
}

TEST(PDFParser, ReferenceNumbers) {
  TPDFStructure store;
  auto* ref = PDFAs<TPDFIndRef>(store.ParseObject("12 3 R"));
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->ObjNum(), 12);
  EXPECT_EQ(ref->GenNum(), 3);
  auto* number = PDFAs<TPDFNumeric>(store.ParseObject("4294967292"));
  ASSERT_NE(number, nullptr);
  EXPECT_EQ(number->Value(), 4294967292.0);
  EXPECT_EQ(number->IntValue(), -4);  // a permission word's 32 bits

  // Object and generation numbers beyond 32 bits name no object: they read
  // as 0, never as their low 32 bits (which would name object 1 here).
  struct Case {
    std::string text;
    std::int32_t objNum;
    std::int32_t genNum;
  };
  const Case cases[] = {
      {"4294967297 0 R", 0, 0},
      {"2147483648 0 R", 0, 0},
      {"2147483647 4294967298 R", 2147483647, 0},
      {"7 65535 R", 7, 65535},
  };
  for (const Case& c : cases) {
    auto* r = PDFAs<TPDFIndRef>(store.ParseObject(c.text));
    ASSERT_NE(r, nullptr) << c.text;
    EXPECT_EQ(r->ObjNum(), c.objNum) << c.text;
    EXPECT_EQ(r->GenNum(), c.genNum) << c.text;
  }
}

TEST(PDFParser, LiteralStrings) {
  struct Case {
    std::string text;
    std::string value;
  };
  const Case cases[] = {
      {"(a\\)b)", "a)b"},                    // escaped parenthesis
      {"(a(b)c)", "a(b)c"},                  // balanced parentheses
      {"(\\101\\12)", "A\n"},                // octal escapes
      {"(\\1a5)", std::string("\x01" "a5")}, // one digit
      {"(\\0053)", std::string("\x05" "3")}, // at most three digits
      {"(\\999)", std::string("\x91")},      // 8 and 9 at face value, modulo 256
      {"(\\777)", std::string("\xFF")},
      {"(a\\qb)", "a\\qb"},                  // unknown escape keeps its backslash
      {"(\\n\\r\\t\\b\\f\\\\)", "\n\r\t\b\f\\"},
      {"(line1\\\nline2)", "line1line2"},    // line continuation
      {"(line1\\\r\nline2)", "line1line2"},
      {"(line1\\\rline2)", "line1line2"},
      {"(a\rb)", "a\nb"},                    // CR read as LF
      {"(a\r\nb)", "a\nb"},                  // CR LF read as one LF
      {"(a\n\rb)", "a\n\nb"},
      {"()", ""},
      {"(a\\\\)b)", "a\\"},                  // an escaped backslash does not escape ")"
      {"(a\\)", "a\\"},                      // the escaped byte is the last: it closes
  };
  for (const Case& c : cases) {
    TPDFStructure store;
    auto* s = PDFAs<TPDFString>(store.ParseObject(c.text));
    ASSERT_NE(s, nullptr) << c.text;
    EXPECT_EQ(s->Value(), c.value) << c.text;
    EXPECT_FALSE(s->HexForm());
  }
}

TEST(PDFParser, HexStrings) {
  struct Case {
    std::string text;
    std::string value;
  };
  const Case cases[] = {
      {"<48 65 6C6C 6F >", "Hello"},  // white space between digits
      {"<4>", "\x40"},                // an odd digit count gets a 0
      {"<6c6C>", "ll"},               // either case
      {"<4x1>", "A"},                 // other bytes are dropped
      {"<> ", ""},
      {"<>>", ""},
  };
  for (const Case& c : cases) {
    TPDFStructure store;
    auto* s = PDFAs<TPDFString>(store.ParseObject(c.text));
    ASSERT_NE(s, nullptr) << c.text;
    EXPECT_EQ(s->Value(), c.value) << c.text;
    EXPECT_TRUE(s->HexForm());
  }
}

TEST(PDFParser, Names) {
  struct Case {
    std::string text;
    std::string value;
  };
  const Case cases[] = {
      {"/A#20B", "A B"},
      {"/A#2", "A#2"},        // "#" without two hex digits stays
      {"/A#zz", "A#zz"},
      {"/A#4a", "AJ"},
      {"/Name}", "Name"},
      {"/Name/Other", "Name"},
      {"/a;b", "a;b"},
      {"/", ""},
  };
  for (const Case& c : cases) {
    TPDFStructure store;
    auto* n = PDFAs<TPDFName>(store.ParseObject(c.text));
    ASSERT_NE(n, nullptr) << c.text;
    EXPECT_EQ(n->Value(), c.value) << c.text;
    EXPECT_FALSE(n->Shared());
  }
}

TEST(PDFParser, NestingStopsAtTheLimit) {
  for (int n : {kMaxNestingDepth, kMaxNestingDepth + 1, 100000}) {
    const std::string text = std::string(n, '[') + "1" + std::string(n, ']');
    TPDFStructure store;
    TPDFObject* obj = store.ParseObject(text);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(ArrayDepth(obj), std::min(n, kMaxNestingDepth)) << n;
  }
  // The same for dictionaries.
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "<< /K ";
  TPDFStructure store;
  auto* d = PDFAs<TPDFDictionary>(store.ParseObject(text));
  ASSERT_NE(d, nullptr);
  int depth = 0;
  for (TPDFObject* cur = d; auto* cd = PDFAs<TPDFDictionary>(cur); cur = cd->GetValue("K"))
    ++depth;
  EXPECT_EQ(depth, kMaxNestingDepth);
}

TEST(PDFParser, LargeDictionaries) {
  // Enough keys for the dictionary's key index, with duplicates: the last
  // value wins and each key is stored once.
  std::string text = "<<";
  for (int i = 0; i < 5000; ++i) text += " /K" + std::to_string(i % 2500) + " " + std::to_string(i);
  text += " >>";
  TPDFStructure store;
  auto* d = PDFAs<TPDFDictionary>(store.ParseObject(text));
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Count(), 2500);
  EXPECT_EQ(d->GetInteger("K0", -1), 2500);
  EXPECT_EQ(d->GetInteger("K2499", -1), 4999);
  EXPECT_EQ(d->IndexOf("K2500"), -1);
  // The index follows edits.
  d->RemoveKey("K0");
  EXPECT_EQ(d->IndexOf("K0"), -1);
  EXPECT_EQ(d->IndexOf("K1"), 0);
  d->SetValue("K1", store.NewNumeric(-1));
  d->SetValue("New", store.NewNumeric(-2));
  EXPECT_EQ(d->GetInteger("K1", 0), -1);
  EXPECT_EQ(d->IndexOf("New"), d->Count() - 1);
  d->DeleteKey("K5");
  EXPECT_EQ(d->GetInteger("New", 0), -2);
  EXPECT_EQ(d->IndexOf("K6"), 4);
}

TEST(PDFParser, UnbalancedStringInDeepNesting) {
  // Every level ends at the unbalanced string; the text is still read in a
  // bounded number of passes.
  const std::string text = std::string(kMaxNestingDepth, '[') + "(" + std::string(200000, 'x');
  TPDFStructure store;
  auto* a = PDFAs<TPDFArray>(store.ParseObject(text));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(ArrayDepth(a), kMaxNestingDepth);
}

TEST(PDFParser, UnreadKeysAndValuesStayPooled) {
  TPDFStructure store;
  store.ParseObject("<< /A 1 2 3 >>");
  // The dictionary, /A, 1, then the key 2 and value 3 that were scanned.
  EXPECT_EQ(store.ObjectCount(), 5);
}

TEST(PDFParser, TruncationSweep) {
  // Every prefix of a realistic object parses without fault, and never
  // yields more entries than the whole text.
  const std::string full =
      "<< /Type /Page /Parent 3 0 R /MediaBox [0 0 612.0 792] /Resources << /Font << /F1 "
      "5 0 R >> >> /Contents [6 0 R 7 0 R] /Annots [<< /URI (http://x\\)y) /K <48656C> >>] "
      "/Rotate -90 % comment\n/Flag true /N null >>";
  TPDFStructure whole;
  const auto* all = PDFAs<TPDFDictionary>(whole.ParseObject(full));
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(all->Count(), 9);
  for (std::size_t len = 0; len <= full.size(); ++len) {
    TPDFStructure store;
    TPDFObject* obj = store.ParseObject(std::string_view(full).substr(0, len));
    if (const auto* d = PDFAs<TPDFDictionary>(obj)) {
      EXPECT_LE(d->Count(), all->Count());
    }
  }
}

TEST(PDFLexer, SkipSpaceSkipsCommentsAsWhiteSpace) {
  struct Case {
    const char* text;
    std::size_t pos;  // cursor after one SkipSpace
  };
  const Case cases[] = {
      {"  x", 2},
      {"%c\nx", 3},
      {"%c\r\nx", 4},
      {"%c\rx", 3},
      {"%a\n%b\nx", 6},  // every comment of a run
      {"  %c\n  x", 7},  // and the white space after it
      {"   ", 2},        // the last byte is never skipped as space
      {"%abc", 4},       // a comment to the end moves past it
      {"", 0},
  };
  for (const Case& c : cases) {
    TPDFLexer lexer(c.text);
    lexer.SkipSpace();
    EXPECT_EQ(lexer.Pos(), c.pos) << c.text;
  }
}

TEST(PDFNumberText, StrToReal) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"1.5", 1.5},
      {" 1.5\t", 1.5},          // trimmed
      {"-1.5", -1.5},
      {"-.5", -0.5},
      {".25", 0.25},
      {"7", 7},
      {"7.", 7},
      {"1.1234567891", 1.123456789},  // digits after the ninth are ignored
      {"1.-5", 0},              // a "-" not at the start
      {"1.5.", 0},              // two points
      {"1e5", 0},               // exponents are not read
      {"abc", 0},
      {"", 0},
      {"-", 0},
      {"--1", 0},
      {"4294967296.5", 4294967296.5},  // integer part beyond 32 bits
      {"4294967296", 4294967296.0},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(StrToReal(c.text), c.value) << c.text;
}

TEST(PDFNumberText, ValidityAndIntegers) {
  EXPECT_TRUE(IsRealText(""));
  EXPECT_TRUE(IsRealText("1.4"));
  EXPECT_TRUE(IsRealText(" -1.4 "));
  EXPECT_FALSE(IsRealText("1.4a"));
  EXPECT_FALSE(IsRealText("1-4"));
  EXPECT_FALSE(IsRealText("1..4"));
  std::int32_t v = 0;
  EXPECT_TRUE(TryStrToInt32("-2147483648", v));
  EXPECT_EQ(v, INT32_MIN);
  EXPECT_FALSE(TryStrToInt32("2147483648", v));
  EXPECT_FALSE(TryStrToInt32("", v));
  EXPECT_FALSE(TryStrToInt32("12a", v));
  EXPECT_TRUE(TryStrToInt32("+12", v));
  EXPECT_EQ(v, 12);
  EXPECT_EQ(StrToInt32Def("x", -1), -1);
  std::int64_t w = 0;
  EXPECT_TRUE(TryStrToInt64("-9223372036854775808", w));
  EXPECT_EQ(w, INT64_MIN);
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", w));
}

}  // namespace
}  // namespace tessaly::pdf
