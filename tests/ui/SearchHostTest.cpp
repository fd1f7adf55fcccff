// The window's search host: updates from the search thread reach the window
// thread coalesced, events in order and exact, nothing after a discard; the
// list's model announces rows in batches.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <thread>

#include "engine/ResultStore.h"
#include "ui/ResultModel.h"
#include "ui/WindowSearchHost.h"
#include "UiTestSupport.h"

namespace tessaly::ui::test {
namespace {

// Records what the window would be told, and drives a model with the counts.
class Receiver : public QObject, public TSearchReceiver {
 public:
  explicit Receiver(TResultModel* model = nullptr) : model_(model) {}
  std::vector<std::string> log;
  std::size_t rowCountCalls = 0;
  void OnSearchStarted() override { log.push_back("started"); }
  void OnStatus(int panel, const QString& text) override {
    log.push_back("status" + std::to_string(panel) + " " + text.toStdString());
  }
  void OnRowCount(std::size_t count) override {
    ++rowCountCalls;
    if (model_) model_->SetRowCount(count);
    lastCount = count;
  }
  void OnSearchFinished(std::size_t count) override { log.push_back("finished " + std::to_string(count)); }
  void OnMissingFolders(const QString& text) override { log.push_back("missing " + text.toStdString()); }
  void OnMissingConverters(const QString& text) override { log.push_back("converters " + text.toStdString()); }
  void OnSearchEnded() override { log.push_back("ended"); }
  std::size_t lastCount = 0;

 private:
  TResultModel* model_;
};

engine::ItemData Hit(std::size_t i) {
  return {"file" + std::to_string(i) + ".txt", "1 Kb", "/data/folder" + std::to_string(i % 100)};
}

class SearchHostTest : public ::testing::Test {
 protected:
  void SetUp() override { App(); }
  TConversionTimeout timeout;
};

TEST_F(SearchHostTest, TwoHundredThousandHitsArriveInBatches) {
  engine::ResultStore store;
  TResultModel model(store);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  Receiver receiver(&model);
  TWindowSearchHost host(&receiver, receiver, timeout);

  constexpr std::size_t kHits = 200000;
  // The search thread adds every hit and tells the host each time; the
  // window thread has no chance to run meanwhile.
  std::thread search([&] {
    host.SearchStarted();
    for (std::size_t i = 0; i < kHits; ++i) {
      std::size_t count = 0;
      store.AddHit(Hit(i), &count);
      host.RowCountChanged(count);
    }
    host.SearchFinished(store.Count());
  });
  search.join();
  EXPECT_EQ(inserted.count(), 0);  // nothing until the window thread runs
  ASSERT_TRUE(ProcessUntil([&] { return receiver.log.size() == 2; }));
  EXPECT_EQ(inserted.count(), 1);  // one batch for all the rows
  EXPECT_EQ(resets.count(), 0);
  EXPECT_EQ(receiver.rowCountCalls, 1u);
  EXPECT_EQ(model.rowCount(), static_cast<int>(kHits));
  EXPECT_EQ(receiver.log, (std::vector<std::string>{"started", "finished 200000"}));
  EXPECT_EQ(model.data(model.index(199999, 0)).toString(), "file199999.txt");
}

TEST_F(SearchHostTest, EndOfSearchNotesArriveInOrder) {
  Receiver receiver;
  TWindowSearchHost host(&receiver, receiver, timeout);
  std::thread search([&] {
    host.SearchFinished(0);
    host.ReportMissingFolders("/gone\n\r");
    host.ReportMissingConverters("catdoc (package catdoc): DOC files\n");
    host.SearchEnded();
  });
  search.join();
  ASSERT_TRUE(ProcessUntil([&] { return receiver.log.size() == 4; }));
  EXPECT_EQ(receiver.log[2], "converters catdoc (package catdoc): DOC files\n");
  EXPECT_EQ(receiver.log[3], "ended");
}

TEST_F(SearchHostTest, HitsDuringARunningWindowThreadStillCoalesce) {
  engine::ResultStore store;
  TResultModel model(store);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  Receiver receiver(&model);
  TWindowSearchHost host(&receiver, receiver, timeout);
  // The window's update tick.
  QTimer tick;
  tick.setInterval(50);
  QObject::connect(&tick, &QTimer::timeout, [&] { host.Flush(); });
  tick.start();

  constexpr std::size_t kHits = 200000;
  std::atomic<bool> done{false};
  std::thread search([&] {
    for (std::size_t i = 0; i < kHits; ++i) {
      std::size_t count = 0;
      store.AddHit(Hit(i), &count);
      host.RowCountChanged(count);
    }
    host.SearchFinished(store.Count());
    done = true;
  });
  ASSERT_TRUE(ProcessUntil([&] { return done && !receiver.log.empty(); }));
  search.join();
  // Each batch is one tick's worth of hits, never one notification per hit.
  EXPECT_GE(inserted.count(), 1);
  EXPECT_LT(static_cast<std::size_t>(inserted.count()), kHits / 100);
  EXPECT_EQ(model.rowCount(), static_cast<int>(kHits));  // the final state is exact
}

TEST_F(SearchHostTest, StatusIsCoalescedAndEventsKeepTheirOrder) {
  Receiver receiver;
  TWindowSearchHost host(&receiver, receiver, timeout);
  host.SearchStarted();
  host.ShowStatus(0, "Status: ");
  host.ShowStatus(1, "Attempting to start search...");
  host.ShowStatus(0, "Searching Directory: ");
  host.ShowStatus(1, "/a");
  host.ShowStatus(1, "/a/b");
  host.RowCountChanged(7);
  host.ReportMissingFolders("/x\n\r");
  host.SearchFinished(7);
  host.SearchEnded();
  ASSERT_TRUE(ProcessUntil([&] { return !receiver.log.empty() && receiver.log.back() == "ended"; }));
  // Only the latest texts arrive, and before the event that followed them;
  // the events keep their order.
  EXPECT_EQ(receiver.log, (std::vector<std::string>{"status0 Searching Directory: ", "status1 /a/b", "started",
                                                    "missing /x\n\r", "finished 7", "ended"}));
  EXPECT_EQ(receiver.lastCount, 7u);
}

TEST_F(SearchHostTest, NothingArrivesAfterADiscard) {
  Receiver receiver;
  TWindowSearchHost host(&receiver, receiver, timeout);
  host.SearchStarted();
  host.ShowStatus(1, "/a");
  host.RowCountChanged(3);
  host.ReportMissingFolders("/x\n\r");  // queued before the stop ...
  host.Discard();                       // ... and dropped all the same
  host.SearchFinished(3);
  host.Flush();
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_TRUE(receiver.log.empty());
  EXPECT_EQ(receiver.rowCountCalls, 0u);
  // A stopped search never waits on a conversion.
  EXPECT_TRUE(host.ConversionTimedOut());
}

TEST_F(SearchHostTest, ModelResetsWhenTheCountShrinks) {
  engine::ResultStore store;
  for (std::size_t i = 0; i < 5; ++i) store.AddHit(Hit(i));
  TResultModel model(store);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  model.SetRowCount(5);
  model.SetRowCount(5);  // no change, no notification
  store.Clear();
  model.SetRowCount(0);
  EXPECT_EQ(inserted.count(), 1);
  EXPECT_EQ(resets.count(), 1);
  EXPECT_EQ(model.rowCount(), 0);
  // A row past the store's end (the store was emptied before the list
  // heard of it) paints as empty.
  model.SetRowCount(2);
  EXPECT_EQ(model.data(model.index(1, 2)).toString(), "");
}

TEST_F(SearchHostTest, NamesThatAreNoUtf8AreStillShown) {
  EXPECT_EQ(DisplayText("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
  EXPECT_FALSE(DisplayText("caf\xe9").isEmpty());
}

}  // namespace
}  // namespace tessaly::ui::test
