// The window's side of matching lines: the Match and Modified columns, the
// preview read on a worker thread (a newer selection wins), the error box of
// a pattern that does not compile, and the Regular Expression box's new key.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QSettings>
#include <QTableView>
#include <QTextEdit>
#include <atomic>
#include <fstream>
#include <thread>

#include "ui/Form1.h"
#include "ui/PreviewPane.h"
#include "UiTestSupport.h"

namespace tessaly::ui::test {
namespace {

engine::TextMatch Line(std::uint64_t line, std::string text) {
  engine::TextMatch m;
  m.line = line;
  m.text = std::move(text);
  return m;
}

class MatchesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    TFormOptions options;
    options.desktop = desktop;
    options.fixedDrives = std::vector<std::string>{"/"};
    options.workFolder = work.path();
    options.settingsFile = QString::fromStdString(config.path() + "/Tessaly.ini");
    form = std::make_unique<TForm1>(std::move(options));
  }
  void TearDown() override {
    if (form && form->SearchRunning()) form->cmdSearchClick();
    if (form) form->JoinSearchThreads();
  }
  template <typename T>
  T* Find(const char* name) {
    return form->findChild<T*>(QLatin1String(name));
  }

  TempFolder work, config;
  std::shared_ptr<FakeDesktop> desktop = std::make_shared<FakeDesktop>();
  std::unique_ptr<TForm1> form;
};

TEST_F(MatchesTest, MatchColumnShowsThePlaceAndTheLine) {
  engine::ItemData row{"memo.txt", "1 Kb", "/docs"};
  row.Modified = 1700000000;
  engine::TextMatch page = Line(2, "the quarterly\tresults");
  page.partKind = extract::PartKind::Page;
  page.part = 3;
  row.Matches = {page};
  form->Store().AddHit(row);
  form->Store().AddHit(engine::ItemData{"other.txt", "1 Kb", "/docs"});
  form->Model().SetRowCount(2);
  TResultModel& model = form->Model();
  EXPECT_EQ(model.headerData(TResultModel::kMatchColumn, Qt::Horizontal).toString(), "Match");
  EXPECT_EQ(model.data(model.index(0, TResultModel::kMatchColumn)).toString(), "p. 3: the quarterly results");
  EXPECT_EQ(model.data(model.index(0, TResultModel::kModifiedColumn)).toString(), ModifiedText(1700000000));
  EXPECT_FALSE(ModifiedText(1700000000).isEmpty());
  EXPECT_EQ(model.data(model.index(1, TResultModel::kMatchColumn)).toString(), "");
  // Sortable like the others: rows without a match first.
  form->suitempresultsColumnClick(TResultModel::kMatchColumn);
  EXPECT_EQ(form->Store().Row(0).Name, "other.txt");
}

TEST_F(MatchesTest, ColumnsShowForAContentSearchOnly) {
  auto* results = Find<QTableView>("results");
  Find<QLineEdit>("dirNames")->setText(QString::fromStdString(work.path()));
  for (const char* text : {"needle", ""}) {
    Find<QLineEdit>("Contains")->setText(QString::fromLatin1(text));
    form->cmdSearchClick();
    ASSERT_TRUE(ProcessUntil([this] { return !form->SearchRunning(); }));
    form->JoinSearchThreads();
    const bool shown = *text != '\0';
    EXPECT_EQ(results->isColumnHidden(TResultModel::kMatchColumn), !shown) << text;
    EXPECT_EQ(results->isColumnHidden(TResultModel::kModifiedColumn), !shown) << text;
  }
}

TEST_F(MatchesTest, APatternThatDoesNotCompileSaysSoAndSearchesNothing) {
  Find<QLineEdit>("dirNames")->setText(QString::fromStdString(work.path()));
  Find<QCheckBox>("Regulars")->setChecked(true);
  Find<QLineEdit>("Contains")->setText("inv(oice");
  form->cmdSearchClick();
  EXPECT_FALSE(form->SearchRunning());
  ASSERT_EQ(desktop->messages.size(), 1u);
  EXPECT_EQ(desktop->messages[0].caption, "ERROR:");
  EXPECT_TRUE(desktop->messages[0].text.contains("missing )")) << desktop->messages[0].text.toStdString();
  // The same text as a literal is a search like any other.
  Find<QCheckBox>("Regulars")->setChecked(false);
  form->cmdSearchClick();
  EXPECT_TRUE(form->SearchRunning());
}

TEST_F(MatchesTest, PreviewReadsOffTheWindowThreadAndTheNewestSelectionWins) {
  TPreviewPane& preview = form->Preview();
  std::atomic<bool> release{false}, slowStopped{false};
  std::atomic<std::thread::id> readerThread{};
  preview.SetReader([&](const engine::ItemData& row, const engine::SearchCriteria&, const engine::TPatternMatcher&,
                        const std::atomic<bool>& stop) {
    readerThread = std::this_thread::get_id();
    engine::HitText text;
    if (row.Name == "slow.pdf") {
      // A long read: until released, or until a newer selection stops it.
      while (!release && !stop) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      slowStopped = stop.load();
      text.lines = {Line(1, "slow line")};
    } else {
      text.lines = {Line(7, "fast line")};
    }
    return text;
  });
  engine::SearchCriteria criteria;
  criteria.containsText = "line";
  preview.SetSearch(criteria);

  preview.ShowRow(engine::ItemData{"slow.pdf", "1 Kb", "/docs"});
  // The window thread goes on while the reader works.
  ASSERT_TRUE(ProcessUntil([&] { return readerThread.load() != std::thread::id(); }));
  EXPECT_NE(readerThread.load(), std::this_thread::get_id());
  EXPECT_TRUE(preview.Reading());
  QCoreApplication::processEvents();
  EXPECT_TRUE(preview.Reading());

  bool shown = false;
  QObject::connect(&preview, &TPreviewPane::Shown, [&] { shown = true; });
  preview.ShowRow(engine::ItemData{"fast.txt", "1 Kb", "/docs"});
  ASSERT_TRUE(ProcessUntil([&] { return shown; }));
  EXPECT_TRUE(slowStopped);
  release = true;
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  const QString text = preview.View()->toPlainText();
  EXPECT_TRUE(text.contains("line 7: fast line")) << text.toStdString();
  EXPECT_FALSE(text.contains("slow line"));
}

TEST_F(MatchesTest, PreviewHighlightsAndReadsTheFileAgain) {
  std::ofstream(work.path() + "/memo.txt") << "first\nthe quarterly results\nquarterly again\n";
  engine::SearchCriteria criteria;
  criteria.containsText = "quarterly";
  form->Preview().SetSearch(criteria);
  bool shown = false;
  QObject::connect(&form->Preview(), &TPreviewPane::Shown, [&] { shown = true; });
  form->Preview().ShowRow(engine::ItemData{"memo.txt", "1 Kb", work.path()});
  ASSERT_TRUE(ProcessUntil([&] { return shown; }));
  EXPECT_EQ(form->Preview().View()->toPlainText().toStdString(),
            "line 2: the quarterly results\nline 3: quarterly again");
}

TEST_F(MatchesTest, RegularExpressionBoxIsKeptUnderANewKey) {
  const std::string file = config.path() + "/Tessaly.ini";
  form.reset();
  {
    // Earlier versions kept the box as set under its old key: ignored.
    QSettings old(QString::fromStdString(file), QSettings::IniFormat);
    old.setValue("form/checks/Regulars", true);
    old.setValue("form/checks/wholeWords", true);
  }
  SetUp();
  EXPECT_FALSE(Find<QCheckBox>("Regulars")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>("wholeWords")->isChecked());
  Find<QCheckBox>("Regulars")->setChecked(true);
  form->FormClose();
  form.reset();
  SetUp();
  EXPECT_TRUE(Find<QCheckBox>("Regulars")->isChecked());
}

}  // namespace
}  // namespace tessaly::ui::test
