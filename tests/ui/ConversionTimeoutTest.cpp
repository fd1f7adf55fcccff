// Timer2, the conversion time-out: the tag, the placeholder file, and a
// time-out that belongs to an earlier wait never acting on a later one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "ui/ConversionTimeout.h"
#include "ui/HintColours.h"
#include "UiTestSupport.h"

namespace tessaly::ui::test {
namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ConversionTimeoutTest : public ::testing::Test {
 protected:
  void SetUp() override { App(); }
  TempFolder folder;
  TConversionTimeout timeout;
};

TEST_F(ConversionTimeoutTest, TimingOutWritesThePlaceholderAndSetsTheTag) {
  const std::string out = folder.path() + "/tempdat1.1";
  timeout.Arm(out);
  EXPECT_TRUE(timeout.IsActive());
  EXPECT_EQ(timeout.Tag(), 0);
  EXPECT_FALSE(timeout.TimedOut());
  timeout.Timer2Timer();  // the 9000 ms have passed
  EXPECT_FALSE(timeout.IsActive());
  EXPECT_EQ(timeout.Tag(), 7);
  EXPECT_TRUE(timeout.TimedOut());
  const std::string text = Read(out);
  EXPECT_EQ(text.size(), 51u);
  EXPECT_EQ(text, std::string(49, '_') + "\r\n");
  // Arming again starts a new wait.
  timeout.Arm(out);
  EXPECT_FALSE(timeout.TimedOut());
}

TEST_F(ConversionTimeoutTest, AnOutputFileThatExistsIsLeftAlone) {
  const std::string out = folder.Write("tempdat2.2", "converted text");
  timeout.Arm(out);
  timeout.Timer2Timer();
  EXPECT_TRUE(timeout.TimedOut());
  EXPECT_EQ(Read(out), "converted text");
}

TEST_F(ConversionTimeoutTest, APlaceholderThatCannotBeWrittenStillEndsTheWait) {
  timeout.Arm(folder.path() + "/no-such-folder/tempdat3.3");
  timeout.Timer2Timer();
  EXPECT_TRUE(timeout.TimedOut());
}

TEST_F(ConversionTimeoutTest, NoPathMeansNoFile) {
  timeout.Arm();
  timeout.Timer2Timer();
  EXPECT_TRUE(timeout.TimedOut());
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST_F(ConversionTimeoutTest, AnEarlierWaitsTimeOutNeverActsOnALaterOne) {
  const std::string first = folder.path() + "/tempdat4.4";
  const std::string second = folder.path() + "/tempdat5.5";
  timeout.Arm(first);
  // The search thread ends that wait and arms the next one; the window
  // thread has not run yet when the first wait's timer fires.
  std::thread([&] {
    timeout.Stop();
    timeout.Arm(second);
  }).join();
  timeout.Timer2Timer();
  EXPECT_FALSE(timeout.TimedOut());
  EXPECT_FALSE(folder.Exists("tempdat4.4"));
  EXPECT_FALSE(folder.Exists("tempdat5.5"));
  // Once the queued arm has run, the second wait times out on its own file.
  ASSERT_TRUE(ProcessUntil([&] { return timeout.IsActive(); }));
  timeout.Timer2Timer();
  EXPECT_TRUE(timeout.TimedOut());
  EXPECT_FALSE(folder.Exists("tempdat4.4"));
  EXPECT_TRUE(folder.Exists("tempdat5.5"));
}

TEST_F(ConversionTimeoutTest, StopFromTheSearchThreadDisablesTheTimer) {
  timeout.Arm();
  std::thread([&] { timeout.Stop(); }).join();
  ASSERT_TRUE(ProcessUntil([&] { return !timeout.IsActive(); }));
  EXPECT_EQ(timeout.Tag(), 0);
}

TEST(HintColours, TableStepsAndWraps) {
  THintState hint;
  EXPECT_FALSE(hint.Advance());  // no table before the first search press
  EXPECT_FALSE(hint.colour.isValid());
  hint.ResetForSearch();
  ASSERT_EQ(hint.table.size(), 14u);
  EXPECT_EQ(hint.colour, QColor(190, 235, 254));
  EXPECT_EQ(hint.displayMs, 9000);
  for (int i = 1; i < 14; ++i) ASSERT_TRUE(hint.Advance());
  EXPECT_EQ(hint.colour, QColor(221, 204, 198));  // entry 14
  ASSERT_TRUE(hint.Advance());
  EXPECT_EQ(hint.colour, QColor(190, 235, 254));  // back to entry 1
  hint.colour = QColor(1, 2, 3);
  EXPECT_FALSE(hint.Advance());  // a colour not in the table stays
  EXPECT_EQ(hint.colour, QColor(1, 2, 3));
}

}  // namespace
}  // namespace tessaly::ui::test
