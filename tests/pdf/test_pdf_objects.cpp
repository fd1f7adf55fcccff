// Tests of the PDF object store and object classes: pool and release rules,
// dictionary and array operations, integer views and the text forms.
#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <string>

#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {
namespace {

// ---- store and release rules ----

TEST(PDFStore, FactoriesRegisterEveryObject) {
  TPDFStructure store;
  EXPECT_EQ(store.ObjectCount(), 0);
  TPDFNull* n = store.NewNull();
  TPDFStream* s = store.NewStream("abc");  // stream, its dictionary, /Length and its key
  EXPECT_EQ(store.GetObject(0), n);
  EXPECT_GE(store.ObjectCount(), 4);
  EXPECT_EQ(s->Dictionary()->GetInteger("Length", -1), 3);
  // Spare slots read as nothing, as do indexes outside the pool.
  EXPECT_EQ(store.GetObject(store.ObjectCount()), nullptr);
  EXPECT_EQ(store.GetObject(-1), nullptr);
  EXPECT_EQ(store.GetObject(1 << 30), nullptr);
  store.Clear();
  EXPECT_EQ(store.ObjectCount(), 0);
}

TEST(PDFStore, PoolGrowsPastItsSpareSlots) {
  TPDFStructure store;
  for (int i = 0; i < 2500; ++i) store.NewNumeric(i);
  ASSERT_EQ(store.ObjectCount(), 2500);
  EXPECT_EQ(PDFAs<TPDFNumeric>(store.GetObject(2499))->Value(), 2499);
}

TEST(PDFStore, ReleaseFreesAndMovesLaterSlotsDown) {
  TPDFStructure store;
  TPDFNumeric* a = store.NewNumeric(1);
  TPDFNumeric* b = store.NewNumeric(2);
  TPDFNumeric* c = store.NewNumeric(3);
  store.ReleaseObject(b);
  EXPECT_EQ(store.ObjectCount(), 2);
  EXPECT_EQ(store.GetObject(0), a);
  EXPECT_EQ(store.GetObject(1), c);
}

TEST(PDFStore, ReleaseKeepsWhatIsStillReferred) {
  TPDFStructure store;
  TPDFDictionary* d = store.NewDictionary();
  TPDFNumeric* v = store.NewNumeric(7);
  d->SetValue("Key", v);
  TPDFName* key = d->KeyAt(0);
  const int before = store.ObjectCount();
  // A shared key and a value held by a pooled dictionary both stay.
  store.ReleaseObject(key);
  store.ReleaseObject(v);
  EXPECT_EQ(store.ObjectCount(), before);
  EXPECT_EQ(d->GetValue("Key"), v);
  // A name that is not shared but is used as a key stays as well.
  TPDFName* plain = store.NewName("Plain");
  d->SetValue(plain, store.NewNull());
  store.ReleaseObject(plain);
  EXPECT_EQ(d->KeyAt(1), plain);
  // An object of another store is not touched.
  TPDFStructure other;
  other.ReleaseObject(v);
  EXPECT_EQ(store.ObjectCount(), before + 2);
}

TEST(PDFStore, ReleaseOfAContainerFreesItsUnsharedMembers) {
  TPDFStructure store;
  auto* d = PDFAs<TPDFDictionary>(store.ParseObject("<< /A [1 2] /B (x) >>"));
  ASSERT_NE(d, nullptr);
  TPDFNull* keep = store.NewNull();
  d->Release();
  // Parsed keys are not shared, so everything of the dictionary goes.
  EXPECT_EQ(store.ObjectCount(), 1);
  EXPECT_EQ(store.GetObject(0), keep);
}

TEST(PDFStore, ReleaseOfAHeldContainerKeepsItWhole) {
  TPDFStructure store;
  TPDFArray* outer = store.NewArray();
  auto* inner = PDFAs<TPDFArray>(store.ParseObject("[1 2 3]"));
  outer->Add(inner);
  inner->Release();
  // The inner array is still an item of outer: it must keep its items.
  ASSERT_EQ(inner->Count(), 3);
  EXPECT_EQ(outer->AsText(), "[ [ 1 2 3 ] ]");
}

TEST(PDFStore, StreamKeepsItsDictionary) {
  TPDFStructure store;
  TPDFStream* s = store.NewStream("data");
  TPDFDictionary* d = s->Dictionary();
  store.ReleaseObject(d);
  EXPECT_EQ(s->Dictionary(), d);
  EXPECT_EQ(s->Dictionary()->GetInteger("Length", 0), 4);
  const int before = store.ObjectCount();
  s->Release();
  EXPECT_LT(store.ObjectCount(), before - 1);  // stream and dictionary freed
}

TEST(PDFStore, HolderCountsFollowEveryMembershipChange) {
  TPDFStructure store;
  TPDFNumeric* number = store.NewNumeric(1);
  TPDFArray* array = store.NewArray();
  TPDFDictionary* dict = store.NewDictionary();
  struct Step {
    const char* what;
    void (*run)(TPDFArray*, TPDFDictionary*, TPDFNumeric*);
    int holders;  // of n afterwards
  };
  const Step steps[] = {
      {"twice in an array", [](TPDFArray* a, TPDFDictionary*, TPDFNumeric* n) { a->Add(n); a->Add(n); }, 2},
      {"a dictionary value", [](TPDFArray*, TPDFDictionary* d, TPDFNumeric* n) { d->SetValue("K", n); }, 3},
      {"the same value again", [](TPDFArray*, TPDFDictionary* d, TPDFNumeric* n) { d->SetValue("K", n); }, 3},
      {"replaced", [](TPDFArray*, TPDFDictionary* d, TPDFNumeric*) { d->SetValue("K", d->Owner().NewNull()); }, 2},
      {"set and removed", [](TPDFArray*, TPDFDictionary* d, TPDFNumeric* n) { d->SetValue("L", n); d->RemoveKey("L"); }, 2},
      {"copied", [](TPDFArray*, TPDFDictionary* d, TPDFNumeric* n) {
         d->SetValue("M", n);
         d->Owner().NewDictionary()->CopyEntries(*d);
       }, 4},
      {"array released", [](TPDFArray* a, TPDFDictionary*, TPDFNumeric*) { a->Release(); }, 2},
  };
  for (const Step& step : steps) {
    step.run(array, dict, number);
    EXPECT_EQ(number->Holders(), step.holders) << step.what;
  }
  // Still held by d and its copy: not freed.
  const int before = store.ObjectCount();
  store.ReleaseObject(number);
  EXPECT_EQ(store.ObjectCount(), before);
}

TEST(PDFStore, ReleasingALongFlatArrayKeepsTheOthersInOrder) {
  // An unclosed run of brackets parses to one array holding thousands of
  // arrays; releasing it frees them all, and the objects made before and
  // after keep their order.
  TPDFStructure store;
  TPDFNumeric* first = store.NewNumeric(1);
  TPDFObject* tree = store.ParseObject(std::string(16000, '['));
  ASSERT_NE(tree, nullptr);
  TPDFNumeric* last = store.NewNumeric(2);
  tree->Release();
  ASSERT_EQ(store.ObjectCount(), 2);
  EXPECT_EQ(store.GetObject(0), first);
  EXPECT_EQ(store.GetObject(1), last);
  // A well-known name freed with a tree is not handed out again.
  TPDFObject* names = store.ParseObject("[/Type /Type]");
  names->Release();
  TPDFName* shared = store.SharedName("Type");
  EXPECT_EQ(shared->Value(), "Type");
  EXPECT_EQ(store.ObjectCount(), 3);
  EXPECT_EQ(store.GetObject(2), shared);
}

TEST(PDFStore, SharedNameReusesWellKnownNames) {
  TPDFStructure store;
  TPDFName* parsed = PDFAs<TPDFName>(store.ParseObject("/Type"));
  ASSERT_NE(parsed, nullptr);
  EXPECT_FALSE(parsed->Shared());
  // The first pooled name of a well-known value is reused and marked shared.
  EXPECT_EQ(store.SharedName("Type"), parsed);
  EXPECT_TRUE(parsed->Shared());
  // Other values get a new name every time.
  TPDFName* a = store.SharedName("Custom");
  TPDFName* b = store.SharedName("Custom");
  EXPECT_NE(a, b);
  EXPECT_TRUE(a->Shared());
  // Shared names are never freed before Clear.
  const int before = store.ObjectCount();
  a->Release();
  EXPECT_EQ(store.ObjectCount(), before);
}

TEST(PDFStore, ClearRestoresNumberDecimals) {
  TPDFStructure store;
  store.SetNumberDecimals(1);
  EXPECT_EQ(store.NewNumeric(1.25)->AsText(), "1.2");
  store.Clear();
  EXPECT_EQ(store.NumberDecimals(), 4);
  EXPECT_EQ(store.NewNumeric(1.25)->AsText(), "1.25");
}

TEST(PDFStore, ArrayMakers) {
  TPDFStructure store;
  const std::int32_t ints[] = {1, -2, 3};
  const double reals[] = {0.5, 612};
  TPDFObject* items[] = {store.NewNull(), store.NewBoolean(true)};
  EXPECT_EQ(store.NewIntegerArray(ints)->AsText(), "[ 1 -2 3 ]");
  EXPECT_EQ(store.NewRealArray(reals)->AsText(), "[ 0.5 612 ]");
  EXPECT_EQ(store.NewArray(items)->AsText(), "[ null true ]");
}

// ---- dictionaries ----

TEST(PDFDictionary, SetValueKeepsKeysUnique) {
  TPDFStructure store;
  TPDFDictionary* d = store.NewDictionary();
  d->SetValue("A", store.NewNumeric(1));
  d->SetValue("B", store.NewNumeric(2));
  d->SetValue("A", store.NewNumeric(3));
  ASSERT_EQ(d->Count(), 2);
  EXPECT_EQ(d->IndexOf("A"), 0);
  EXPECT_EQ(d->GetInteger("A", 0), 3);
  EXPECT_EQ(d->IndexOf("a"), -1);  // case-sensitive
}

TEST(PDFDictionary, SelfInsertionChangesNothing) {
  TPDFStructure store;
  TPDFDictionary* d = store.NewDictionary();
  d->SetValue("Self", d);
  d->SetValue(store.NewName("Self"), d);
  d->SetValue("Null", nullptr);
  EXPECT_EQ(d->Count(), 0);
}

TEST(PDFDictionary, GetValueResolvesThroughTheStore) {
  TPDFStructure store;
  TPDFNumeric* target = store.NewNumeric(42);
  int asked = 0;
  store.OnIndObjLookup = [&](TPDFIndRef* sender, std::int32_t num, std::int32_t gen,
                             TPDFObject*& obj) {
    ++asked;
    EXPECT_NE(sender, nullptr);
    if (num == 5 && gen == 0) obj = target;
  };
  auto* d = PDFAs<TPDFDictionary>(store.ParseObject("<< /Len 5 0 R /Bad 6 0 R /Type /Page /T2 (x) >>"));
  ASSERT_NE(d, nullptr);
  EXPECT_NE(PDFAs<TPDFIndRef>(d->GetValue("Len", false)), nullptr);
  EXPECT_EQ(d->GetValue("Len", true), target);
  EXPECT_EQ(d->GetInteger("Len", -1), 42);
  EXPECT_EQ(d->GetValue("Bad", true), nullptr);
  EXPECT_EQ(d->GetInteger("Bad", -1), -1);
  EXPECT_EQ(d->GetInteger("T2", -1), -1);  // not a number
  EXPECT_EQ(d->GetValue("Missing", true), nullptr);
  EXPECT_EQ(d->TypeName(), "Page");
  EXPECT_EQ(asked, 4);
  // Without a handler a reference resolves to nothing.
  store.OnIndObjLookup = nullptr;
  EXPECT_EQ(d->GetValue("Len", true), nullptr);
}

TEST(PDFDictionary, TypeNameNeedsADirectName) {
  TPDFStructure store;
  auto* d = PDFAs<TPDFDictionary>(store.ParseObject("<< /Type (Page) >>"));
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->TypeName(), "");
}

TEST(PDFDictionary, RemoveAndDeleteKeys) {
  TPDFStructure store;
  auto* d = PDFAs<TPDFDictionary>(
      store.ParseObject("<< /Prev 10 /W [1 2 1] /Index [0 5] /Size 5 /Root 1 0 R >>"));
  ASSERT_NE(d, nullptr);
  TPDFObject* prev = d->GetValue("Prev");
  d->RemoveKey("Prev");  // releases nothing
  EXPECT_EQ(d->IndexOf("Prev"), -1);
  EXPECT_NE(prev->AsText(), "");
  const int before = store.ObjectCount();
  d->DeleteKey("W");  // the array, its three numbers and the key name go
  EXPECT_EQ(store.ObjectCount(), before - 5);
  EXPECT_EQ(d->Count(), 3);
  EXPECT_EQ(d->AsText(), "<<\n/Index [ 0 5 ]\n/Size 5\n/Root 1 0 R\n>>\n");
  d->DeleteKey("Nothing");
  EXPECT_EQ(d->Count(), 3);
}

TEST(PDFDictionary, ClearEntriesReleasesMembers) {
  TPDFStructure store;
  auto* d = PDFAs<TPDFDictionary>(store.ParseObject("<< /A 1 /B [2] >>"));
  ASSERT_NE(d, nullptr);
  d->ClearEntries();
  EXPECT_EQ(d->Count(), 0);
  EXPECT_EQ(store.ObjectCount(), 1);  // only the dictionary itself remains
}

TEST(PDFDictionary, CopyEntries) {
  TPDFStructure store;
  auto* source = PDFAs<TPDFDictionary>(store.ParseObject("<< /Size 3 /Root 1 0 R >>"));
  ASSERT_NE(source, nullptr);
  // Same store: the same key and value objects.
  TPDFDictionary* same = store.NewDictionary();
  same->CopyEntries(*source);
  ASSERT_EQ(same->Count(), 2);
  EXPECT_EQ(same->ValueAt(1), source->ValueAt(1));
  // Another store: the text is parsed into the target's store.
  TPDFStructure other;
  TPDFDictionary* copy = other.NewDictionary();
  copy->CopyEntries(*source);
  ASSERT_EQ(copy->Count(), 2);
  EXPECT_EQ(&copy->ValueAt(1)->Owner(), &other);
  EXPECT_EQ(copy->AsText(), source->AsText());
}

TEST(PDFDictionary, EntriesOutOfRangeAreNothing) {
  TPDFStructure store;
  TPDFDictionary* d = store.NewDictionary();
  EXPECT_EQ(d->KeyAt(0), nullptr);
  EXPECT_EQ(d->ValueAt(-1), nullptr);
  TPDFArray* a = store.NewArray();
  a->Add(nullptr);
  EXPECT_EQ(a->Count(), 0);
  EXPECT_EQ(a->Items(0), nullptr);
}

TEST(PDFObjects, RenumberShiftsReferencesOnly) {
  TPDFStructure store;
  TPDFObject* obj = store.ParseObject("<< /A 3 0 R /K [4 0 R 5] /N 6 >>");
  ASSERT_NE(obj, nullptr);
  obj->Renumber(10);
  EXPECT_EQ(obj->AsText(), "<<\n/A 13 0 R\n/K [ 14 0 R 5 ]\n/N 6\n>>\n");
}

TEST(PDFStream, SetStreamKeepsLengthInStep) {
  TPDFStructure store;
  TPDFStream* s = store.NewStream("");
  TPDFObject* length = s->Dictionary()->GetValue("Length");
  s->SetStream("12345");
  EXPECT_EQ(s->Dictionary()->GetValue("Length"), length);  // overwritten in place
  EXPECT_EQ(s->Dictionary()->GetInteger("Length", 0), 5);
  // An indirect /Length is replaced by a direct number.
  s->Dictionary()->SetValue("Length", store.NewIndRef(9, 0));
  s->SetStream("12");
  EXPECT_EQ(s->Dictionary()->AsText(), "<<\n/Length 2\n>>\n");
  EXPECT_EQ(s->AsText(), "<<\n/Length 2\n>>\nstream\n12\nendstream");
}

// ---- integer view ----

TEST(PDFNumeric, IntegerViewRoundsHalfToEven) {
  struct Case {
    double value;
    std::int64_t expected;
  };
  const Case cases[] = {
      {2.5, 2},                   // half goes to the even neighbour
      {3.5, 4},
      {-2.5, -2},
      {-3.5, -4},
      {2.4999, 2},
      {2.5001, 3},
      {0.5, 0},
      {4294967296.0, 4294967296}, // beyond 32 bits stays exact
      {1e300, INT64_MAX},         // saturates
      {-1e300, INT64_MIN},
  };
  TPDFStructure store;
  for (const Case& c : cases) {
    EXPECT_EQ(store.NewNumeric(c.value)->Int64Value(), c.expected) << c.value;
  }
}

TEST(PDFNumeric, ThirtyTwoBitViewTakesTheLowBits) {
  TPDFStructure store;
  // An unsigned permission word as written by some producers.
  EXPECT_EQ(store.NewNumeric(4294967292.0)->IntValue(), -4);
  EXPECT_EQ(store.NewNumeric(-4)->IntValue(), -4);
  EXPECT_EQ(store.NewNumeric(2147483647)->IntValue(), 2147483647);
}

// ---- text forms ----

TEST(PDFText, Numbers) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {-0.5, "-0.5"},
      {1.00005, "1"},            // cut to four decimals, not rounded
      {3.14159, "3.1415"},
      {-1.99999, "-1.9999"},
      {612, "612"},
      {0, "0"},
      {0.1, "0.1"},
      {100, "100"},              // zeros before the point stay
      {1e20, "0"},               // exponent form
      {1e15, "0"},               // 16 digits before the point: exponent form
      {123456789012345, "123456789012345"},
      {0.00001, "0"},            // cut to 0.0000
      {0.000001, "0"},           // exponent form
      {4294967296.0, "4294967296"},
      {-7, "-7"},
  };
  TPDFStructure store;
  for (const Case& c : cases) {
    EXPECT_EQ(store.NewNumeric(c.value)->AsText(), c.text) << c.value;
  }
}

TEST(PDFText, NumbersIgnoreTheLocale) {
  // A global C++ locale with a comma separator, and a C locale with one when
  // the machine has such a locale installed.
  struct Comma : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };
  const std::locale saved = std::locale::global(std::locale(std::locale::classic(), new Comma));
  std::string savedC = std::setlocale(LC_NUMERIC, nullptr);
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"}) {
    if (std::setlocale(LC_NUMERIC, name)) break;
  }
  TPDFStructure store;
  const std::string text = store.NewNumeric(3.25)->AsText();
  std::setlocale(LC_NUMERIC, savedC.c_str());
  std::locale::global(saved);
  EXPECT_EQ(text, "3.25");
}

TEST(PDFText, NamesStringsAndSimpleObjects) {
  TPDFStructure store;
  struct Case {
    TPDFObject* obj;
    std::string text;
  };
  const Case cases[] = {
      {store.NewName("A B"), "/A#20B"},
      {store.NewName(std::string("#%()/<>[]{}\x7F\xFF\x01 ok", 17)),
       "/#23#25#28#29#2F#3C#3E#5B#5D#7B#7D#7F#FF#01#20ok"},
      {store.NewName(""), "/"},
      {store.NewString("a(b", false), "(a\\(b)"},
      {store.NewString("\b\t\n\f\r()\\x", false), "(\\b\\t\\n\\f\\r\\(\\)\\\\x)"},
      {store.NewString(std::string("\x00\xAB", 2), true), "<00AB>"},
      {store.NewString("", true), "<>"},
      {store.NewNull(), "null"},
      {store.NewBoolean(true), "true"},
      {store.NewBoolean(false), "false"},
      {store.NewIndRef(12, 3), "12 3 R"},
      {store.NewIndRef(-1, 0), "-1 0 R"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.obj->AsText(), c.text);
}

TEST(PDFText, Containers) {
  TPDFStructure store;
  struct Case {
    const char* source;  // parsed, then written
    std::string text;
  };
  const Case cases[] = {
      {"[1 2]", "[ 1 2 ]"},
      {"[]x", "[ ]"},
      {"<< /Type /Catalog /Pages 2 0 R >>", "<<\n/Type /Catalog\n/Pages 2 0 R\n>>\n"},
      {"<< >>", "<<\n>>\n"},
      // A nested dictionary ends with a line feed, so no other is added.
      {"<< /D << /A 1 >> /B 2 >>", "<<\n/D <<\n/A 1\n>>\n/B 2\n>>\n"},
      // An item after a dictionary follows its line feed without a space.
      {"[<< /A 1 >> 2]", "[ <<\n/A 1\n>>\n2 ]"},
  };
  for (const Case& c : cases) {
    TPDFObject* obj = store.ParseObject(c.source);
    ASSERT_NE(obj, nullptr) << c.source;
    EXPECT_EQ(obj->AsText(), c.text) << c.source;
  }
}

TEST(PDFText, LongArraysBreakAfterEightyCharacters) {
  TPDFStructure store;
  TPDFArray* a = store.NewArray();
  for (int i = 0; i < 40; ++i) a->Add(store.NewNumeric(1000 + i));
  const std::string text = a->AsText();
  // "[ " plus 16 items of five characters makes 82 > 80: a line feed.
  const std::size_t lf = text.find('\n');
  ASSERT_NE(lf, std::string::npos);
  EXPECT_EQ(lf, 2u + 16 * 5);
  for (std::size_t start = 0, next; (next = text.find('\n', start)) != std::string::npos;
       start = next + 1)
    EXPECT_LE(next - start, 86u);
  // The text parses back to the same numbers.
  auto* back = PDFAs<TPDFArray>(store.ParseObject(text));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Count(), 40);
}

TEST(PDFText, NestingPastTheLimitWritesNull) {
  TPDFStructure store;
  TPDFArray* deep = store.NewArray();
  TPDFArray* cur = deep;
  for (int i = 0; i < kMaxNestingDepth + 10; ++i) {
    TPDFArray* next = store.NewArray();
    cur->Add(next);
    cur = next;
  }
  const std::string text = deep->AsText();
  EXPECT_NE(text.find("null"), std::string::npos);
  EXPECT_LT(text.size(), 8u * (kMaxNestingDepth + 10));
}

}  // namespace
}  // namespace tessaly::pdf
