// Tests of the content conditions with stand-in converters on PATH: which
// types are tested, case rules of converter output against the scanner,
// the order that spares converter runs, the PDF time-out placeholder, and
// converters that cannot be started.
#include "engine/ContentConditions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "../extract/TempFolder.h"
#include "engine/FileMatches.h"
#include "engine/MissingConverters.h"
#include "engine/QuietSearchHost.h"
#include "engine/ResultStore.h"

namespace tessaly::engine {
namespace {

// A host whose conversion time-outs run out on the `limit`-th poll of each
// arming (never when 0).
class ScriptedHost : public QuietSearchHost {
 public:
  int limit = 0;
  int arms = 0, polls = 0;
  std::function<void()> onPoll;

  std::unique_ptr<extract::ConversionTimeout> NewConversionTimeout() override {
    return std::make_unique<Scripted>(*this);
  }
  std::chrono::milliseconds CaptureTimeout() const override { return captureTimeout; }
  std::chrono::milliseconds captureTimeout{60000};

 private:
  class Scripted : public extract::ConversionTimeout {
   public:
    explicit Scripted(ScriptedHost& host) : host_(host) {}
    void Arm() override {
      ++host_.arms;
      host_.polls = 0;
    }
    bool TimedOut() override {
      ++host_.polls;
      if (host_.onPoll) host_.onPoll();
      return (host_.limit > 0 && host_.polls >= host_.limit) || host_.polls > 6000;
    }
    void Stop() override {}

   private:
    ScriptedHost& host_;
  };
};

class ContentConditionsTest : public test::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    const char* path = std::getenv("PATH");
    oldPath_ = path ? path : "";
    std::filesystem::create_directory(Path("bin"));
    ::setenv("PATH", Path("bin").c_str(), 1);
    ClearMissingConverters();
    // The stand-in converters here are pdftotext's.
    criteria.pdfText = PdfTextRoute::Pdftotext;
  }
  void TearDown() override {
    ::setenv("PATH", oldPath_.c_str(), 1);
    ClearMissingConverters();
    TempFolderTest::TearDown();
  }

  // A stand-in converter `name` on PATH that notes each call in "calls"
  // and runs `body`.
  void Converter(const std::string& name, const std::string& body) {
    Script("bin/" + name, "echo " + name + " >> \"" + Path("calls") + "\"\n" + body);
  }
  // The converters that print (or write) the document's own bytes.
  void EchoConverters() {
    Converter("catdoc", "/bin/cat \"$3\"");
    Converter("xls2csv", "/bin/cat \"$3\"");
    Converter("pdftotext", "/bin/cp \"$3\" \"$4\"");
  }
  std::string Calls() { return std::filesystem::exists(Path("calls")) ? Read(Path("calls")) : ""; }

  ReadVerdict Verdict(const std::string& path) {
    criteria.Derive();
    std::atomic<bool> stop{stopNow};
    SearchContext context{criteria, store, host, stop, {}};
    return ContentConditionsPass(context, path);
  }
  bool Pass(const std::string& path) { return Verdict(path).match; }

  SearchCriteria criteria;
  ResultStore store;
  ScriptedHost host;
  bool stopNow = false;

 private:
  std::string oldPath_;
};

TEST_F(ContentConditionsTest, OneFoldingForEveryKind) {
  EchoConverters();
  struct Case {
    const char* what;
    std::string name;
    std::string bytes;
    std::string text;
    bool caseSensitive;
    bool pass;
  };
  const Case cases[] = {
      // Converter output folds as the scanner does.
      {"Word, Café for café", "a.doc", "Ein Café", "café", false, true},
      {"Word, CAFÉ for café", "b.doc", "EIN CAFÉ", "café", false, true},
      {"Word, NOIR for noir", "c.doc", "CAFÉ NOIR", "noir", false, true},
      {"Word, case kept", "d.doc", "CAFÉ NOIR", "Noir", true, false},
      {"Excel, absent", "e.xls", "one;two", "three", false, false},
      // The scanner folds by the code page.
      {"text, CAFÉ for café", "f.txt", "EIN CAFÉ", "café", false, true},
      {"HTML, tags as written", "g.htm", "<b>Caf</b>é", "café", false, false},
      {"page.html counts as HTM", "page.html", "the harbour", "HARBOUR", false, true},
      {"report.docx counts as DOC", "report.docx", "the harbour", "walrus", false, false},
      // The PDF's converted text goes through the scanner.
      {"PDF, CAFÉ for café", "h.pdf", "EIN CAFÉ", "café", false, true},
      {"PDF, absent", "i.pdf", "EIN CAFÉ", "tee", false, false},
  };
  for (const Case& c : cases) {
    criteria.containsText = c.text;
    criteria.caseSensitive = c.caseSensitive;
    EXPECT_EQ(Pass(Write(c.name, c.bytes)), c.pass) << c.what;
  }
  EXPECT_TRUE(WorkFiles().empty()) << "temporary files left behind";
}

TEST_F(ContentConditionsTest, PackagesAreReadWithoutConverters) {
  // No converter on PATH: the package forms need none, whatever their names.
  struct Case {
    const char* what;
    const char* fixture;
    std::string name;
    std::string text;
    bool pass;
  };
  const Case cases[] = {
      {"docx, folded beyond A to Z", "sample.docx", "report.docx", "CAFÉ ÜBERALL", true},
      {"docx, absent", "sample.docx", "report.docx", "narwhal", false},
      {"xlsx content under a .xls name", "sample.xlsx", "sheet.xls", "narwhal", true},
      {"pptx content under a .ppt name", "sample.pptx", "deck.ppt", "ocelot", true},
      {"odt", "sample.odt", "minutes.odt", "walrus signed", true},
      {"ods", "sample.ods", "sheet.ods", "äpfel", true},
      {"odp", "sample.odp", "deck.odp", "absent", false},
  };
  for (const Case& c : cases) {
    const std::string path = Path(c.name);
    std::filesystem::copy_file(std::string(TESSALY_TEST_DATA) + "/content/" + c.fixture, path,
                               std::filesystem::copy_options::overwrite_existing);
    criteria.containsText = c.text;
    EXPECT_EQ(Pass(path), c.pass) << c.what;
  }
  EXPECT_EQ(TakeMissingConvertersMessage(), "");
  // The type list only chooses names: a package it does not name is read all the same.
  criteria.typeText = "DOC";
  criteria.containsText = "absent";
  EXPECT_FALSE(Pass(Path("minutes.odt")));
  criteria.containsText = "walrus signed";
  EXPECT_TRUE(Pass(Path("minutes.odt")));
}

TEST_F(ContentConditionsTest, NoDocumentPassesUntested) {
  EchoConverters();
  criteria.containsText = "absent";
  struct Case {
    const char* what;
    std::string typeText;
    std::string field;
    bool searchPdfs;
    std::string name;
  };
  const Case cases[] = {
      {"type not in the type list", "PDF;TXT", "Full-Text", true, "a.doc"},
      {"type list names it anywhere", "xxDOCxx", "Full-Text", true, "never.txt"},
      {"PDF search off", "PDF;DOC", "Full-Text", false, "a.pdf"},
      {"a field other than Full-Text: no text file tested", "TXT", "Author", true, "a.txt"},
      {"a field other than Full-Text: no Word file tested", "DOC", "Title", true, "a.doc"},
  };
  for (const Case& c : cases) {
    criteria.typeText = c.typeText;
    criteria.contentField = c.field;
    criteria.searchPdfs = c.searchPdfs;
    EXPECT_FALSE(Pass(Write(c.name, "nothing here"))) << c.what;
  }
  // Only the Word file of the full-text search needed its converter.
  EXPECT_EQ(Calls(), "catdoc\n");
  std::filesystem::remove(Path("calls"));

  // Empty text: nothing is tested.
  criteria = SearchCriteria{};
  EXPECT_TRUE(Pass(Write("b.doc", "x")));
  EXPECT_EQ(Calls(), "");
}

TEST_F(ContentConditionsTest, AcrobatFolderPdfsAreReadLikeOthers) {
  EchoConverters();
  std::filesystem::create_directories(Path("Adobe/Acrobat/Help"));
  criteria.containsText = "absent";
  EXPECT_FALSE(Pass(Write("Adobe/Acrobat/Help/guide.pdf", "nothing")));
  EXPECT_EQ(Calls(), "pdftotext\n");
  criteria.containsText = "nothing";
  EXPECT_TRUE(Pass(Path("Adobe/Acrobat/Help/guide.pdf")));
  // A field is tested there too: this is no PDF, so it holds no Title.
  criteria.contentField = "Title";
  EXPECT_FALSE(Pass(Path("Adobe/Acrobat/Help/guide.pdf")));
}

TEST_F(ContentConditionsTest, PdfFieldOfARealDocument) {
  const std::string pdf = Path("sample.pdf");
  std::filesystem::copy_file(TESSALY_TEST_DATA "/content/sample.pdf", pdf);
  criteria.contentField = "Producer";
  criteria.containsText = "libreoffice";
  EXPECT_TRUE(Pass(pdf));
  criteria.caseSensitive = true;
  EXPECT_FALSE(Pass(pdf));
  criteria.caseSensitive = false;
  criteria.containsText = "pelican";
  EXPECT_FALSE(Pass(pdf));
  EXPECT_EQ(Calls(), "") << "no converter for a field";
}

TEST_F(ContentConditionsTest, TheLastMarkerChoosesTheOneReader) {
  EchoConverters();
  criteria.containsText = "harbour";
  const struct {
    const char* name;
    const char* calls;
  } cases[] = {
      {"a.doc.xls", "xls2csv\n"},
      {"c.pdf.doc", "catdoc\n"},
      {"d.doc.pdf", "pdftotext\n"},
      {"e.pdf.txt", ""},  // a text file: read in-process
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(Pass(Write(c.name, "harbour"))) << c.name;
    EXPECT_EQ(Calls(), c.calls) << c.name;
    std::filesystem::remove(Path("calls"));
  }
}

TEST_F(ContentConditionsTest, PdfConverterThatWritesNothingLeavesThePlaceholder) {
  Converter("pdftotext", "exit 0");
  host.limit = 1;
  const std::string pdf = Write("a.pdf", "%PDF-1.4");
  // The placeholder the wait leaves is never searched: the PDF timed out
  // (or, when the converter's end is seen first, its converter failed).
  for (const std::string& text : {std::string("_"), std::string(49, '_'), std::string("foo")}) {
    criteria.containsText = text;
    const ReadVerdict v = Verdict(pdf);
    EXPECT_FALSE(v.match) << text;
    EXPECT_TRUE(v.cause == UnreadableCause::TimedOut || v.cause == UnreadableCause::ConverterFailed) << text;
  }
  EXPECT_TRUE(WorkFiles().empty()) << "the PDF text file is removed";
}

TEST_F(ContentConditionsTest, PdfConverterThatFailsNeedsNoTimeOut) {
  Converter("pdftotext", "exit 1");
  host.limit = 0;  // the time-out never runs out here
  const std::string pdf = Write("a.pdf", "%PDF-1.4");
  criteria.containsText = "_";
  EXPECT_EQ(Verdict(pdf), ReadVerdict::Unreadable(UnreadableCause::Damaged));  // exit 1: could not open it
  criteria.containsText = "foo";
  EXPECT_FALSE(Pass(pdf));
  EXPECT_LT(host.polls, 6000);
  EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(ContentConditionsTest, StopEndsTheWait) {
  Converter("pdftotext", "exit 0");
  criteria.containsText = "_";
  stopNow = true;
  EXPECT_FALSE(Pass(Write("a.pdf", "x")));
  EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(ContentConditionsTest, MissingConvertersAreNotedAndTheirFilesFail) {
  criteria.containsText = "harbour";
  EXPECT_FALSE(Pass(Write("a.doc", "harbour")));
  EXPECT_FALSE(Pass(Write("b.doc", "harbour")));
  EXPECT_FALSE(Pass(Write("c.pdf", "harbour")));
  EXPECT_EQ(host.arms, 0) << "no wait for a PDF converter that never started";
  EXPECT_TRUE(Pass(Write("d.txt", "harbour")));

  const std::string message = TakeMissingConvertersMessage();
  EXPECT_EQ(message,
            "These converter programs could not be started; the documents they read were not searched:\n"
            "catdoc (package catdoc): DOC files\n"
            "pdftotext (package poppler-utils): PDF files\n");
  EXPECT_EQ(TakeMissingConvertersMessage(), "") << "taking the message empties the record";
  EXPECT_TRUE(WorkFiles().empty());
}

// What a converter's failure says about its document. The stand-ins name
// the document on standard error, as catdoc's refusals do: that text is
// never searched, so a word of the file's name finds nothing.
TEST_F(ContentConditionsTest, UnreadableDocumentsSayWhy) {
  using C = UnreadableCause;
  host.limit = 50;           // the PDF waits run out after about half a second
  host.captureTimeout = std::chrono::milliseconds(300);
  struct Case {
    const char* what;
    const char* program;
    std::string body;
    std::string name;
    std::string text;
    ReadVerdict verdict;
  };
  const Case cases[] = {
      {"fails naming the file", "catdoc", "echo \"$3 is broken\" >&2; exit 1", "quokka-plan.doc", "quokka",
       ReadVerdict::Unreadable(C::ConverterFailed)},
      {"writes only errors", "xls2csv", "echo \"$3 is not readable\" >&2", "quokka.xlsx", "quokka",
       ReadVerdict::Unreadable(C::ConverterFailed)},
      {"says the file is no compound file", "xls2csv", "echo \"$3 is not OLE file or Error\" >&2",
       "sheet.xls", "walrus", ReadVerdict::Unreadable(C::Damaged)},
      {"a broken compound file", "catdoc", "echo 'Broken OLE file. Try using -b switch' >&2; exit 1", "b.doc",
       "walrus", ReadVerdict::Unreadable(C::Damaged)},
      {"a file named like a damage message", "catdoc", "echo \"$3\" >&2; exit 1", "Broken OLE.doc", "walrus",
       ReadVerdict::Unreadable(C::ConverterFailed)},
      {"never ends", "xls2csv", "exec /bin/sleep 30", "slow.xls", "walrus", ReadVerdict::Unreadable(C::TimedOut)},
      {"text found before it failed", "catdoc", "echo walrus; exit 3", "w.doc", "walrus", ReadVerdict::Hit()},
      {"warnings beside the text", "catdoc", "echo harbour; echo \"$3 warning\" >&2", "noise.doc", "noise",
       ReadVerdict::Miss()},
      {"PDF with a user password", "pdftotext", "echo 'Command Line Error: Incorrect password' >&2; exit 1",
       "locked.pdf", "walrus", ReadVerdict::Unreadable(C::PasswordRequired)},
      {"PDF that cannot be opened", "pdftotext", "echo \"Syntax Error: Couldn't find trailer dictionary\" >&2; exit 1",
       "cut.pdf", "walrus", ReadVerdict::Unreadable(C::Damaged)},
      {"PDF converter failing otherwise", "pdftotext", "exit 99", "odd.pdf", "walrus",
       ReadVerdict::Unreadable(C::ConverterFailed)},
      {"PDF converter that never writes", "pdftotext", "exec /bin/sleep 2", "slow.pdf", "walrus",
       ReadVerdict::Unreadable(C::TimedOut)},
  };
  for (const Case& c : cases) {
    Converter(c.program, c.body);
    criteria.containsText = c.text;
    EXPECT_EQ(Verdict(Write(c.name, "document bytes")), c.verdict) << c.what;
  }
  // The PDF wait ends with the converter: no time-out was needed.
  EXPECT_TRUE(WorkFiles().empty()) << "capture files of standard error are removed too";
}

TEST_F(ContentConditionsTest, FilesTheUserMayNotReadSaySo) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file; the console end-to-end test runs this as nobody";
  EchoConverters();
  criteria.containsText = "walrus";
  for (const char* name : {"a.txt", "b.doc", "c.pdf"}) {
    const std::string path = Write(name, "walrus");
    ::chmod(path.c_str(), 0);
    EXPECT_EQ(Verdict(path), ReadVerdict::Unreadable(UnreadableCause::PermissionDenied)) << name;
  }
  EXPECT_EQ(Calls(), "") << "no converter runs for a file that cannot be opened";
}

TEST(MissingConverters, OneLinePerProgramWithItsTypes) {
  ClearMissingConverters();
  NoteMissingConverter("catdoc", "DOC", "catdoc");
  NoteMissingConverter("xls2csv", "XLS", "catdoc");
  NoteMissingConverter("catdoc", "DOC", "catdoc");
  NoteMissingConverter("catdoc", "DOT", "catdoc");
  EXPECT_EQ(TakeMissingConvertersMessage(),
            "These converter programs could not be started; the documents they read were not searched:\n"
            "catdoc (package catdoc): DOC, DOT files\n"
            "xls2csv (package catdoc): XLS files\n");
}

TEST_F(ContentConditionsTest, TextFilesOfEveryEncoding) {
  auto utf16 = [](std::string_view ascii, bool little) {
    std::string out;
    for (const char c : ascii) out += little ? std::string{c, '\0'} : std::string{'\0', c};
    return out;
  };
  // "CAF\u00c9 owl" in UTF-16: the accented letter is one unit.
  const std::string le = utf16("CAF", true) + std::string("\xC9\0", 2) + utf16(" owl\n", true);
  const std::string be = utf16("CAF", false) + std::string("\0\xC9", 2) + utf16(" owl\n", false);
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"le.log", le},
      {"le-bom.log", "\xFF\xFE" + le},
      {"be.md", be},
      {"be-bom.md", "\xFE\xFF" + be},
      {"bom.csv", "\xEF\xBB\xBF" "CAF\xC3\x89 owl\n"},
      {"latin1.ini", "CAF\xC9 owl\n"},
      {"Makefile", "# CAF\xC3\x89 owl\n"},
  };
  for (const auto& c : cases) {
    const std::string path = Write(c.name, c.bytes);
    criteria.containsText = "café owl";
    EXPECT_TRUE(Pass(path)) << c.name;
    criteria.containsText = "owlet";
    EXPECT_FALSE(Pass(path)) << c.name;
  }
}

TEST_F(ContentConditionsTest, BinaryAndSpecialFilesAreNoHitsAndNoFaults) {
  criteria.containsText = "zeppelin";
  // The word is there, but the file is binary: skipped, as grep skips it.
  EXPECT_EQ(Verdict(Write("blob.dat", std::string("zeppelin\0\0\0\1\2\3", 14))), ReadVerdict::Miss());
  // A FIFO with no writer must not hang the test.
  const std::string fifo = Path("x.md");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(Verdict(fifo), ReadVerdict::Miss());
}

}  // namespace
}  // namespace tessaly::engine
