// The window's command line: its parsing, the one-line form a later start
// hands to the running window, and what the window does with a request.
#include <gtest/gtest.h>

#include <QLineEdit>

#include "ui/Form1.h"
#include "ui/StartRequest.h"
#include "UiTestSupport.h"

namespace tessaly::ui::test {
namespace {

TEST(StartRequest, ParsesTheWindowsArguments) {
  struct Case {
    const char* what;
    QStringList args;
    std::optional<TStartRequest> expected;
  };
  const Case cases[] = {
      {"nothing", {}, TStartRequest{}},
      {"relative folders become absolute", {"A", "sub/../B", "./C/"}, TStartRequest{{"/work/A", "/work/B", "/work/C"}}},
      {"absolute folders stay", {"/srv/share", "//x//y"}, TStartRequest{{"/srv/share", "/x/y"}}},
      {"flags in any place", {"A", "--search-now", "--choose-folder"}, TStartRequest{{"/work/A"}, true, true}},
      {"-- ends the options", {"--", "--search-now", "-x"}, TStartRequest{{"/work/--search-now", "/work/-x"}}},
      {"a lone - is a folder", {"-"}, TStartRequest{{"/work/-"}}},
      {"an empty argument names nothing", {""}, TStartRequest{}},
      {"unknown option", {"A", "--bogus"}, std::nullopt},
      {"unknown short option", {"-l", "A"}, std::nullopt},
  };
  for (const Case& c : cases) {
    QString error;
    const std::optional<TStartRequest> got = ParseStartArguments(c.args, QStringLiteral("/work"), &error);
    EXPECT_EQ(got, c.expected) << c.what;
    EXPECT_EQ(error.isEmpty(), c.expected.has_value()) << c.what;
  }
}

TEST(StartRequest, OneLineThereAndBack) {
  const TStartRequest requests[] = {
      {},
      {{"/a"}, true, false},
      {{"/with blank", "/new\nline", "/per%cent;semi", "/caf\u00e9", "/"}, false, true},
  };
  for (const TStartRequest& request : requests) {
    const QByteArray line = EncodeStartRequest(request);
    EXPECT_FALSE(line.contains('\n')) << line.constData();
    EXPECT_EQ(DecodeStartRequest(line), request) << line.constData();
  }
}

TEST(StartRequest, DecodingRefusesWhatNoStartWrites) {
  struct Case {
    const char* what;
    QByteArray line;
    bool taken;
  };
  const Case cases[] = {
      {"earlier versions' request", "activate", true},
      {"bare start", "start", true},
      {"empty line", "", false},
      {"unknown word", "start bogus", false},
      {"doubled blank", "start  search-now", false},
      {"relative folder", "start folder=etc", false},
      {"empty folder", "start folder=", false},
      {"no start word", "folder=/etc", false},
      {"line end inside", "start folder=/a\nstart", false},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeStartRequest(c.line).has_value(), c.taken) << c.what;
}

class StartRequestForm : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    desktop = std::make_shared<FakeDesktop>();
    TFormOptions options;
    options.desktop = desktop;
    options.fixedDrives = std::vector<std::string>{"/"};
    options.workFolder = work.path();
    form = std::make_unique<TForm1>(std::move(options));
  }
  void TearDown() override {
    if (form->SearchRunning()) form->cmdSearchClick();
    form->JoinSearchThreads();
    form.reset();
  }
  QString Location() { return form->findChild<QLineEdit*>(QStringLiteral("dirNames"))->text(); }
  void WaitForTheEnd() {
    ASSERT_TRUE(ProcessUntil([this] { return !form->SearchRunning(); }));
    form->JoinSearchThreads();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }

  TempFolder work, tree;
  std::shared_ptr<FakeDesktop> desktop;
  std::unique_ptr<TForm1> form;
};

TEST_F(StartRequestForm, FoldersBecomeTheLocationAndNothingStarts) {
  form->TakeStartRequest({{"/srv/a", "/srv/b"}});
  EXPECT_EQ(Location(), "/srv/a;/srv/b");
  EXPECT_FALSE(form->SearchRunning());
  EXPECT_EQ(form->StatusText(1), "Search not started");
  // An empty request (a start without arguments) leaves everything.
  form->TakeStartRequest({});
  EXPECT_EQ(Location(), "/srv/a;/srv/b");
  EXPECT_TRUE(desktop->messages.empty());
}

TEST_F(StartRequestForm, SearchNowListsTheHitsWithoutAClick) {
  tree.Write("a.txt", "x");
  tree.Write("sub/b.txt", "y");
  form->TakeStartRequest({{QString::fromStdString(tree.path())}, true});
  EXPECT_TRUE(form->SearchRunning());
  WaitForTheEnd();
  EXPECT_EQ(form->Store().Count(), 2u);
  EXPECT_EQ(form->StatusText(1), "2");
}

TEST_F(StartRequestForm, SearchNowWhileSearchingStartsAgainInTheNewPlace) {
  TempFolder other;
  other.Write("only.txt", "x");
  form->TakeStartRequest({{"/"}, true});  // a long walk
  ASSERT_TRUE(form->SearchRunning());
  form->TakeStartRequest({{QString::fromStdString(other.path())}, true});
  EXPECT_TRUE(form->SearchRunning());
  WaitForTheEnd();
  ASSERT_EQ(form->Store().Count(), 1u);
  EXPECT_EQ(form->Store().Row(0).Name, "only.txt");
}

TEST_F(StartRequestForm, TheChooserReplacesTheLocationAndCancellingStartsNothing) {
  desktop->folderAnswer = QString::fromStdString(tree.path());
  form->TakeStartRequest({{"/srv/a"}, false, true});
  EXPECT_EQ(desktop->lastPrompt, "Choose a folder to start search from:");
  EXPECT_EQ(Location(), QString::fromStdString(tree.path()));

  desktop->folderAnswer.reset();
  form->TakeStartRequest({{}, true, true});
  EXPECT_EQ(Location(), QString::fromStdString(tree.path()));
  EXPECT_FALSE(form->SearchRunning());
}

}  // namespace
}  // namespace tessaly::ui::test
