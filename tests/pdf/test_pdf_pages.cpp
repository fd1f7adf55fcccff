// Tests of the page operations over a direct-access link: page count,
// finding page n through the sequential shortcut and the tree walk, page
// sizes from inherited media boxes, and loops in the page tree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SmartPDFTestFile.h"
#include "pdf/SmartPDFLinkList.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {
namespace {

using testing::TTestPdf;

// A file of the given objects (number, body) with catalog 1 and a table.
std::string FileOf(const std::vector<std::pair<int, std::string>>& objects) {
  TTestPdf pdf;
  for (const auto& [n, body] : objects) pdf.Object(n, body);
  std::vector<testing::TXEntry> e = {{0, 0, 65535, 'f'}};
  int size = 1;
  for (const auto& [n, o] : pdf.offsets) {
    // Gaps are filled with free entries so one subsection covers all.
    for (int k = size; k < n; ++k) e.push_back({k, 0, 0, 'f'});
    e.push_back({n, o, 0, 'n'});
    size = static_cast<int>(n) + 1;
  }
  pdf.Table(e, "<< /Size " + std::to_string(size) + " /Root 1 0 R >>");
  return pdf.text;
}

struct TOpened {
  explicit TOpened(const std::string& bytes)
      : link(list.Open(std::make_unique<TSmartPDFMemorySource>(bytes))) {}
  TSmartPDFLinkList list;
  TDALink link;

  // Object number of page n, or 0 when there is none.
  std::int32_t PageObject(std::int32_t n) {
    return ObjectOf(list.FindPage(link, n));
  }
  std::int32_t ObjectOf(TDAPage page) {
    // The page's width encodes its object number in these trees.
    return static_cast<std::int32_t>(list.PageWidth(link, page));
  }
};

// Pages whose width is their own object number, so a test can tell which
// page object a handle names.
std::string PageNumbered(int n, int parent, const std::string& extra = "") {
  return "<< /Type /Page /Parent " + std::to_string(parent) + " 0 R /MediaBox [0 0 " +
         std::to_string(n) + " 1] " + extra + ">>";
}

TEST(SmartPDFPages, MediaBoxForms) {
  struct Case {
    const char* what;
    std::string page;   // page object 3
    std::string extra;  // extra objects (number 9)
    double width, height;
  } cases[] = {
      {"plain box", "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>", "", 612, 792},
      {"corners swapped", "<< /Type /Page /Parent 2 0 R /MediaBox [0 792 612 0] >>", "", 612, 792},
      {"offset origin", "<< /Type /Page /Parent 2 0 R /MediaBox [10 10 100 200] >>", "", 90, 190},
      {"reals", "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595.28 841.89] >>", "", 595.28, 841.89},
      {"inherited from the parent", "<< /Type /Page /Parent 2 0 R >>", "", 400, 500},
      {"rotated 90: unrotated size", "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Rotate 90 >>", "", 612, 792},
      {"box as a reference", "<< /Type /Page /Parent 2 0 R /MediaBox 9 0 R >>", "[0 0 300 200]", 300, 200},
      {"item not a number counts as 0", "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 /x 200] >>", "", 0, 200},
      {"short box", "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612] >>", "", 612, 0},
      {"CropBox not consulted", "<< /Type /Page /Parent 2 0 R /CropBox [0 0 10 10] >>", "", 400, 500},
  };
  for (const Case& c : cases) {
    std::vector<std::pair<int, std::string>> objects = {
        {1, "<< /Type /Catalog /Pages 2 0 R >>"},
        {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 400 500] >>"},
        {3, c.page}};
    if (!c.extra.empty()) objects.push_back({9, c.extra});
    TOpened o(FileOf(objects));
    ASSERT_TRUE(o.link) << c.what;
    const TDAPage page = o.list.FindPage(o.link, 1);
    ASSERT_TRUE(page) << c.what;
    EXPECT_DOUBLE_EQ(o.list.PageWidth(o.link, page), c.width) << c.what;
    EXPECT_DOUBLE_EQ(o.list.PageHeight(o.link, page), c.height) << c.what;
  }
}

TEST(SmartPDFPages, NoBoxAnywhereGivesZero) {
  TOpened o(FileOf({{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                    {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
                    {3, "<< /Type /Page /Parent 2 0 R >>"}}));
  const TDAPage page = o.list.FindPage(o.link, 1);
  ASSERT_TRUE(page);
  EXPECT_EQ(o.list.PageWidth(o.link, page), 0);
  EXPECT_EQ(o.list.PageHeight(o.link, page), 0);
}

// Root 2 with kids [Pages 3 (/Count 3: pages 4, 5, 6), page 7].
std::string TwoKidTree() {
  return FileOf({{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                 {2, "<< /Type /Pages /Kids [3 0 R 7 0 R] /Count 4 >>"},
                 {3, "<< /Type /Pages /Parent 2 0 R /Kids [4 0 R 5 0 R 6 0 R] /Count 3 >>"},
                 {4, PageNumbered(4, 3)},
                 {5, PageNumbered(5, 3)},
                 {6, PageNumbered(6, 3)},
                 {7, PageNumbered(7, 2)}});
}

TEST(SmartPDFPages, FindPageInTwoKidTree) {
  struct Case {
    std::int32_t n;
    std::int32_t object;  // 0: no page
  } cases[] = {
      {4, 7},   // the root's second kid
      {2, 5},   // the second page inside the first kid
      {1, 4},
      {3, 6},
      {0, 0},   // page 0
      {-1, 0},  // negative
      {5, 0},   // past the end
  };
  for (const Case& c : cases) {
    // A fresh link each time, so the sequential shortcut plays no part.
    TOpened o(TwoKidTree());
    EXPECT_EQ(o.list.PageCount(o.link), 4);
    EXPECT_EQ(o.PageObject(c.n), c.object) << "page " << c.n;
  }
}

TEST(SmartPDFPages, NoPageHasNoSize) {
  TOpened o(TwoKidTree());
  const TDAPage none = o.list.FindPage(o.link, 9);
  EXPECT_FALSE(none);
  EXPECT_EQ(o.list.PageWidth(o.link, none), 0);
  EXPECT_EQ(o.list.PageHeight(o.link, none), 0);
}

TEST(SmartPDFPages, SequentialPagesAcrossSubtrees) {
  // Root kids: [Pages 3 (pages 4, 5), Pages 6 (page 7)]. Page 2 comes from
  // the shortcut through page 1's parent; page 3 sits in the other subtree
  // and comes from the full search.
  TOpened o(FileOf({{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                    {2, "<< /Type /Pages /Kids [3 0 R 6 0 R] /Count 3 >>"},
                    {3, "<< /Type /Pages /Parent 2 0 R /Kids [4 0 R 5 0 R] /Count 2 >>"},
                    {4, PageNumbered(4, 3)},
                    {5, PageNumbered(5, 3)},
                    {6, "<< /Type /Pages /Parent 2 0 R /Kids [7 0 R] /Count 1 >>"},
                    {7, PageNumbered(7, 6)}}));
  EXPECT_EQ(o.PageObject(1), 4);
  EXPECT_EQ(o.PageObject(2), 5);
  EXPECT_EQ(o.PageObject(3), 7);
  // Going back, and asking twice, use the full search.
  EXPECT_EQ(o.PageObject(1), 4);
  EXPECT_EQ(o.PageObject(1), 4);
  EXPECT_EQ(o.PageObject(4), 0);
}

TEST(SmartPDFPages, ShortcutAndSearchUseDifferentFacts) {
  // Node 3 claims one page but holds two (4 and 5). The full search trusts
  // the counts and finds page 2 in the root's next kid (6); right after
  // page 1 the shortcut takes the next kid of page 1's parent (5).
  const std::string file = FileOf({{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                                   {2, "<< /Type /Pages /Kids [3 0 R 6 0 R] /Count 2 >>"},
                                   {3, "<< /Type /Pages /Parent 2 0 R /Kids [4 0 R 5 0 R] /Count 1 >>"},
                                   {4, PageNumbered(4, 3)},
                                   {5, PageNumbered(5, 3)},
                                   {6, PageNumbered(6, 2)}});
  TOpened fresh(file);
  EXPECT_EQ(fresh.PageObject(2), 6);
  TOpened sequential(file);
  EXPECT_EQ(sequential.PageObject(1), 4);
  EXPECT_EQ(sequential.PageObject(2), 5);
}

TEST(SmartPDFPages, PageCount) {
  struct Case {
    const char* what;
    std::string catalog, root, extra;
    std::int32_t count;
  } cases[] = {
      {"root with /Count", "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>", "", 2},
      {"root without /Count: 1 though it holds 2", "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 4 0 R] >>", "", 1},
      {"/Count as a reference", "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 9 0 R >>", "7", 7},
      {"/Count rounded", "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 2.6 >>", "", 3},
      {"catalog without /Pages", "<< /Type /Catalog >>", "<< /Type /Pages /Count 5 >>", "", 1},
      {"catalog without /Type", "<< /Pages 2 0 R >>", "<< /Type /Pages /Count 5 >>", "", 1},
  };
  for (const Case& c : cases) {
    std::vector<std::pair<int, std::string>> objects = {
        {1, c.catalog}, {2, c.root}, {3, PageNumbered(3, 2)}, {4, PageNumbered(4, 2)}};
    if (!c.extra.empty()) objects.push_back({9, c.extra});
    TOpened o(FileOf(objects));
    ASSERT_TRUE(o.link) << c.what;
    EXPECT_EQ(o.list.PageCount(o.link), c.count) << c.what;
  }
  // Without a root node no page is found and sizes are 0.
  TOpened o(FileOf({{1, "<< /Type /Catalog >>"}, {3, PageNumbered(3, 2)}}));
  EXPECT_EQ(o.list.PageCount(o.link), 1);
  EXPECT_FALSE(o.list.FindPage(o.link, 1));
}

TEST(SmartPDFPages, TreeLoops) {
  struct Case {
    const char* what;
    std::vector<std::pair<int, std::string>> objects;
    std::int32_t page;
    std::int32_t object;  // page found (its width), 0 for none
  } cases[] = {
      // A node whose kid is the node itself, with a /Count that sends the
      // walk into it again and again.
      {"/Kids naming its own node",
       {{1, "<< /Type /Catalog /Pages 2 0 R >>"}, {2, "<< /Type /Pages /Kids [3 0 R] /Count 5 >>"},
        {3, "<< /Type /Pages /Kids [3 0 R] /Count 5 >>"}},
       2, 0},
      {"/Kids naming the root",
       {{1, "<< /Type /Catalog /Pages 2 0 R >>"}, {2, "<< /Type /Pages /Kids [2 0 R] /Count 5 >>"}},
       1, 0},
      // The page has no box; its /Parent chain comes back to the page.
      {"/Parent loop without a box",
       {{1, "<< /Type /Catalog /Pages 2 0 R >>"}, {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
        {3, "<< /Type /Page /Parent 4 0 R >>"}, {4, "<< /Type /Pages /Parent 3 0 R >>"}},
       1, -1},
  };
  for (const Case& c : cases) {
    TOpened o(FileOf(c.objects));
    ASSERT_TRUE(o.link) << c.what;
    const TDAPage page = o.list.FindPage(o.link, c.page);
    if (c.object == -1) {
      ASSERT_TRUE(page) << c.what;
      EXPECT_EQ(o.list.PageWidth(o.link, page), 0) << c.what;
    } else {
      EXPECT_EQ(o.ObjectOf(page), c.object) << c.what;
    }
  }
}

TEST(SmartPDFPages, KidsThatAreNotPages) {
  // Kids that are not references, or name non-dictionaries, or nodes of
  // other types, count nothing.
  TOpened o(FileOf({{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                    {2, "<< /Type /Pages /Kids [(x) 8 0 R 9 0 R 3 0 R] /Count 1 >>"},
                    {3, PageNumbered(3, 2)},
                    {8, "42"},
                    {9, "<< /Type /Annot >>"}}));
  EXPECT_EQ(o.PageObject(1), 3);
}

TEST(SmartPDFPages, PageHandlesAreCheckedPerLink) {
  TSmartPDFLinkList list;
  const TDALink a = list.Open(std::make_unique<TSmartPDFMemorySource>(TwoKidTree()));
  const TDALink b = list.Open(std::make_unique<TSmartPDFMemorySource>(TwoKidTree()));
  ASSERT_TRUE(a);
  ASSERT_TRUE(b);
  const TDAPage pa = list.FindPage(a, 1);
  ASSERT_TRUE(pa);
  EXPECT_EQ(list.PageWidth(a, pa), 4);
  // A handle of link a is not one of link b's, nor is a made-up one.
  EXPECT_EQ(list.PageWidth(b, pa), 0);
  EXPECT_EQ(list.PageHeight(a, TDAPage{pa.id + 1}), 0);
  EXPECT_EQ(list.PageHeight(a, TDAPage{12345}), 0);
  // After closing, link a and its page handles are rejected.
  EXPECT_EQ(list.Close(a), 1);
  EXPECT_EQ(list.PageWidth(a, pa), 0);
  EXPECT_EQ(list.PageCount(a), 0);
  EXPECT_FALSE(list.FindPage(a, 1));
  EXPECT_EQ(list.PageCount(b), 4);
}

}  // namespace
}  // namespace tessaly::pdf
