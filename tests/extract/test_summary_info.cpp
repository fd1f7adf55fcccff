// Tests of the summary-information lines: the edge cases of the line table
// on sets built in memory, file times, the storage errors on real files and
// compound files written here with libgsf, and a .doc written by
// LibreOffice.
#include "extract/SummaryInfo.h"

#include <gtest/gtest.h>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-output.h>

#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "PropertySetWriter.h"
#include "extract/CompoundFile.h"
#include "extract/PropertySet.h"

namespace tessaly::extract {
namespace {

using namespace test;

// Dates in the "C" locale's formats (%m/%d/%y and %H:%M:%S) and in UTC, set
// before the first text is formatted.
const bool kFixedLocale = [] {
  setenv("LC_ALL", "C", 1);
  setenv("TZ", "UTC", 1);
  tzset();
  return true;
}();

// 2 January 2022, 00:00:00 UTC as a file time.
constexpr std::uint64_t kMidnight = 132855552000000000;
constexpr std::uint64_t kTicksPerSecond = 10000000;

std::string Lines(const std::vector<TTestProperty>& properties) {
  return SummaryInfoText(TPropertySet(SummaryStream(properties), kSummaryInformationFormat));
}

// The line that starts with `label`, or "(none)".
std::string LineOf(const std::string& text, const std::string& label) {
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\r', at);
    const std::string line = text.substr(at, end - at);
    if (line.compare(0, label.size(), label) == 0) return line;
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return "(none)";
}

TEST(SummaryInfoText, OnlyATitle) {
  EXPECT_EQ(Lines({Text(2, "Plan")}),
            "Title: Plan\r"
            "Subject: \r"
            "Author: \r"
            "Keywords: \r"
            "Comments: \r"
            "Template: \r"
            "Last saved by: \r"
            "Revision number: \r"
            "Total editing time: 0 sec\r"
            "Last printed: -\r"
            "Create time/date: -\r"
            "Last saved time/date: -\r"
            "Number of pages: 0\r"
            "Number of words: 0\r"
            "Number of characters: 0\r"
            "Name of creating application: \r"
            "Security: 00000000\r");
}

TEST(SummaryInfoText, NoneOfTheIdentifiersGivesTheEmptyText) {
  EXPECT_EQ(Lines({}), "");
  // the code page and identifiers past 19 do not count
  EXPECT_EQ(Lines({CodePage(1252), Text(20, "x"), Int32(0x80000000, 1)}), "");
}

TEST(SummaryInfoText, LineFormats) {
  struct Case {
    const char* what;
    TTestProperty property;
    std::string label;
    std::string line;
  };
  const Case cases[] = {
      // one hour in 100-nanosecond units
      {"editing hour", Time(10, 3600 * kTicksPerSecond), "Total editing time", "Total editing time: 3600 sec"},
      // fractions of a second in the general format
      {"editing 1.5 s", Time(10, 15000000), "Total editing time", "Total editing time: 1.5 sec"},
      // the duration stored as a 32-bit number still comes from the slot
      {"editing as I4", Int32(10, 20000000), "Total editing time", "Total editing time: 2 sec"},
      // exactly midnight: the date alone
      {"midnight", Time(13, kMidnight), "Last saved time/date", "Last saved time/date: 01/02/22"},
      // a second after midnight: date and time
      {"after midnight", Time(13, kMidnight + kTicksPerSecond), "Last saved time/date",
       "Last saved time/date: 01/02/22 00:00:01"},
      // half a second after midnight is not midnight either
      {"half a second", Time(12, kMidnight + kTicksPerSecond / 2), "Create time/date",
       "Create time/date: 01/02/22 00:00:00"},
      // a negative time has no calendar date
      {"negative time", Time(11, 0xFFFFFFFFFFFFFFFF), "Last printed", "Last printed: -"},
      // signed counts
      {"negative count", Int32(14, -1), "Number of pages", "Number of pages: -1"},
      // a count stored as 16 bits
      {"I2 count", Int16(15, 42), "Number of words", "Number of words: 42"},
      // a count stored as a string reads as 0
      {"string count", Text(16, "12"), "Number of characters", "Number of characters: 0"},
      // upper-case hexadecimal, 8 digits
      {"security", Int32(19, 0xABCDEF), "Security", "Security: 00ABCDEF"},
      {"security all bits", Int32(19, -1), "Security", "Security: FFFFFFFF"},
      // a number where a text is wanted gives the empty text
      {"number as title", Int32(2, 7), "Title", "Title: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(LineOf(Lines({c.property}), c.label), c.line);
  }
}

TEST(SummaryInfoText, ThumbnailLineOnlyForAString) {
  // Clipboard data (the usual thumbnail) gives no line: 17 lines in all.
  const std::string clip = Lines({{17, 71, std::string("\x04\0\0\0\xFF\xFF\xFF\xFF", 8)}});
  EXPECT_EQ(std::count(clip.begin(), clip.end(), '\r'), 17);
  // A string there is a line of its own without a label, after the counts.
  const std::string text = Lines({Text(17, "thumb")});
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 18);
  EXPECT_NE(text.find("Number of characters: 0\rthumb\rName of creating application: \r"), std::string::npos);
}

TEST(FileTimeText, Values) {
  struct Case {
    const char* what;
    std::uint64_t time;
    std::string text;
  };
  const Case cases[] = {
      {"zero", 0, "-"},
      {"negative", 0x8000000000000000, "-"},
      {"midnight", kMidnight, "01/02/22"},
      {"afternoon", kMidnight + (13 * 3600 + 14 * 60 + 15) * kTicksPerSecond, "01/02/22 13:14:15"},
      // 100 ns past midnight is still midnight to the millisecond
      {"1601", 1, "01/01/01"},
      {"one millisecond", kMidnight + 10000, "01/02/22 00:00:00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FileTimeText(c.time), c.text);
  }
}

// Compound files written with libgsf into a scratch folder.
class SummaryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("tessaly-summary-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // A compound file with the streams given (name, bytes).
  std::string WriteCompound(const std::string& name, const std::vector<std::pair<std::string, std::string>>& streams) {
    const std::string path = (folder_ / name).string();
    GsfOutput* sink = gsf_output_stdio_new(path.c_str(), nullptr);
    EXPECT_NE(sink, nullptr);
    GsfOutfile* root = gsf_outfile_msole_new(sink);
    for (const auto& [streamName, bytes] : streams) {
      GsfOutput* child = gsf_outfile_new_child(root, streamName.c_str(), FALSE);
      gsf_output_write(child, bytes.size(), reinterpret_cast<const guint8*>(bytes.data()));
      gsf_output_close(child);
      g_object_unref(child);
    }
    gsf_output_close(GSF_OUTPUT(root));  // closes the sink as well
    g_object_unref(root);
    g_object_unref(sink);
    return path;
  }

  std::string WritePlain(const std::string& name, const std::string& bytes) {
    const std::string path = (folder_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  std::filesystem::path folder_;
};

TEST_F(SummaryFileTest, ReadsTheSummaryStream) {
  const std::string path = WriteCompound("plan.doc", {{"WordDocument", std::string(600, 'w')},
                                                      {kSummaryStreamName, SummaryStream({Text(2, "Plan")})}});
  EXPECT_EQ(ReadSummaryInfo(path).substr(0, 22), "Title: Plan\rSubject: \r");
}

TEST_F(SummaryFileTest, SetWithoutTheIdentifiersGivesTheEmptyText) {
  const std::string path = WriteCompound("empty.doc", {{kSummaryStreamName, SummaryStream({CodePage(1252)})}});
  EXPECT_EQ(ReadSummaryInfo(path), "");
}

TEST_F(SummaryFileTest, FailuresRaiseWithTheFileNamed) {
  struct Case {
    const char* what;
    std::string path;
    std::string message;  // a part of what()
  };
  const std::string fifo = (folder_ / "pipe.doc").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const Case cases[] = {
      {"missing", (folder_ / "gone.doc").string(), "No such file or directory"},
      // a FIFO is refused rather than waited on
      {"FIFO", fifo, "is not a compound document"},
      {"folder", folder_.string(), "is not a compound document"},
      {"no compound document", WritePlain("text.doc", "{\\rtf1 this is RTF saved as .doc}"),
       "is not a compound document"},
      {"empty file", WritePlain("zero.doc", ""), "is not a compound document"},
      {"no summary stream", WriteCompound("bare.doc", {{"WordDocument", "x"}}), "has no summary information"},
      {"damaged summary stream", WriteCompound("bad.doc", {{kSummaryStreamName, "not a property set"}}),
       "is damaged"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      (void)ReadSummaryInfo(c.path);
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(c.message), std::string::npos) << message;
      EXPECT_NE(message.find(c.path), std::string::npos) << message;
    }
  }
}

TEST(SummaryInfoDocument, LibreOfficeWordFile) {
  // report.doc: written by LibreOffice from report.fodt (see the README);
  // its dates were stored as UTC, and the subject is non-ASCII text.
  EXPECT_EQ(ReadSummaryInfo(std::string(TESSALY_TEST_DATA) + "/summary/report.doc"),
            "Title: Quarterly Plan\r"
            "Subject: Budget caf\xC3\xA9\r"
            "Author: Ada Lovelace\r"
            "Keywords: plan, budget\r"
            "Comments: First draft\r"
            "Template: \r"
            "Last saved by: Charles Babbage\r"
            "Revision number: 7\r"
            "Total editing time: 3600 sec\r"
            "Last printed: -\r"
            "Create time/date: 03/04/21 05:06:07\r"
            "Last saved time/date: 01/02/22 03:04:05\r"
            "Number of pages: 0\r"
            "Number of words: 0\r"
            "Number of characters: 0\r"
            "Name of creating application: \r"
            "Security: 00000000\r");
}

}  // namespace
}  // namespace tessaly::extract
