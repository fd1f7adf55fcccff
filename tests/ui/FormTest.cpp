// The main window driven through its real widgets: defaults, the input
// handlers, resizing, searches over generated folders, sorting, the actions
// on selected rows, the report button, the elapsed-time clock and the
// close-time clean-up.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTableView>
#include <atomic>
#include <fstream>
#include <future>
#include <thread>
#include <sstream>

#include "engine/FolderLister.h"
#include "platform/FileTimes.h"
#include "ui/Form1.h"
#include "ui/SlidePanel.h"
#include "ui/UnreadablePanel.h"
#include "UiTestSupport.h"

namespace tessaly::ui::test {
namespace {

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    desktop = std::make_shared<FakeDesktop>();
    TFormOptions options;
    options.desktop = desktop;
    options.fixedDrives = std::vector<std::string>{"/", "/home"};
    options.workFolder = work.path();
    form = std::make_unique<TForm1>(std::move(options));
    tester = std::make_unique<QAbstractItemModelTester>(&form->Model(),
                                                        QAbstractItemModelTester::FailureReportingMode::Warning);
  }
  void TearDown() override {
    if (form->SearchRunning()) form->cmdSearchClick();
    form->JoinSearchThreads();
    tester.reset();
    form.reset();
  }

  template <typename T>
  T* Find(const char* name) {
    T* widget = form->findChild<T*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QLineEdit* Edit(const char* name) { return Find<QLineEdit>(name); }
  QCheckBox* Check(const char* name) { return Find<QCheckBox>(name); }
  QComboBox* Combo(const char* name) { return Find<QComboBox>(name); }
  QString Text(const char* name) { return Find<QLabel>(name)->text(); }
  void LeaveFileNames() {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(Edit("fileNames"), &out);
  }
  // Runs a search to its end.
  void SearchToEnd() {
    form->cmdSearchClick();
    ASSERT_TRUE(form->SearchRunning());
    ASSERT_TRUE(ProcessUntil([this] { return !form->SearchRunning(); }));
    form->JoinSearchThreads();
    // The thread's last steps were queued before it ended: deliver them all.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
  void AddRows(const std::vector<engine::ItemData>& rows) {
    for (const auto& row : rows) form->Store().AddHit(row);
    form->Model().SetRowCount(form->Store().Count());
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int i = 0; i < form->Model().rowCount(); ++i)
      names.push_back(form->Model().data(form->Model().index(i, 0)).toString().toStdString());
    return names;
  }
  std::vector<std::string> Sizes() {
    std::vector<std::string> sizes;
    for (int i = 0; i < form->Model().rowCount(); ++i)
      sizes.push_back(form->Model().data(form->Model().index(i, 1)).toString().toStdString());
    return sizes;
  }

  TempFolder work;
  std::shared_ptr<FakeDesktop> desktop;
  std::unique_ptr<TForm1> form;
  std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(FormTest, DefaultsAtCreation) {
  EXPECT_EQ(form->windowTitle(), "Tessaly");
  EXPECT_EQ(form->size(), QSize(694, 518));
  EXPECT_EQ(form->minimumSize(), QSize(694, 518));  // the first size is the smallest
  EXPECT_GT(form->maximumWidth(), 694);
  EXPECT_GT(form->maximumHeight(), 518);
  EXPECT_TRUE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);

  EXPECT_EQ(Edit("fileNames")->text(), "");
  EXPECT_EQ(Combo("fileTypes")->currentText(), "PDF;DOC;RTF;TXT;XLS;PPT;HTM;ODT;ODS;ODP;EPUB");
  EXPECT_EQ(Combo("fileTypes")->count(), 15);
  EXPECT_EQ(Combo("typecombo")->currentText(), "Full-Text");
  EXPECT_EQ(Edit("dirNames")->text(), "/;/home");  // the fixed drives
  EXPECT_EQ(Find<QPushButton>("cmdSearch")->text(), "&Search Now");
  EXPECT_EQ(Find<QPushButton>("cmdReport")->text(), "Create &Report");

  // Check boxes: name, checked.
  const std::vector<std::pair<const char*, bool>> boxes{
      {"optIncDirs", true},    {"opComp", false},       {"optFormatZip", false}, {"optFormatRar", false},
      {"optFormatCab", false}, {"optFormatAce", false}, {"optFormatArj", false}, {"optFormatArc", false},
      {"optFormatLzh", false}, {"optFormatTar", false}, {"optFormatSFX", false}, {"optFormatZoo", true},
      {"optFormat7z", false},  {"optFormatIso", false}, {"optFormatGz", false},
      {"searchpdfs", true},    {"optAllFiles", true},   {"fuzzyCheckBox", true}, {"Regulars", false},
      {"suiCheckBox5", false}, {"CheckBox2", true},     {"CheckBox7", true},     {"CheckBox8", false},
      {"CheckBox9", false}};
  for (const auto& [name, checked] : boxes) EXPECT_EQ(Check(name)->isChecked(), checked) << name;
  EXPECT_TRUE(Check("optAllFiles")->isHidden());

  EXPECT_EQ(Text("timHours"), "00");
  EXPECT_EQ(Text("timMins"), "00");
  EXPECT_EQ(Text("timSecs"), "00");
  EXPECT_EQ(form->StatusText(0), "Status: ");
  EXPECT_EQ(form->StatusText(1), "Search not started");

  // The filters start off, their controls disabled, nothing chosen.
  for (const char* name : {"ComboBox1", "ComboBox2", "ComboBox3"}) {
    EXPECT_FALSE(Combo(name)->isEnabled()) << name;
    EXPECT_EQ(Combo(name)->currentIndex(), -1) << name;
  }
  EXPECT_FALSE(Edit("Edit3")->isEnabled());
  EXPECT_EQ(Edit("Edit3")->text(), "0");
  const platform::LocalDateTime now = platform::NowLocal();
  for (const char* name : {"DateTimePicker1", "DateTimePicker2"}) {
    auto* picker = Find<QDateTimeEdit>(name);
    EXPECT_FALSE(picker->isEnabled());
    EXPECT_EQ(picker->date().year(), now.year);
  }
  EXPECT_FALSE(form->Timer1().isActive());
  EXPECT_FALSE(form->ConversionTimeout().IsActive());
  EXPECT_EQ(form->Model().columnCount(), 5);
  EXPECT_EQ(form->Model().headerData(2, Qt::Horizontal).toString(), "Path / Archive Name");
  // Match and Modified show only after a search with a content text.
  EXPECT_TRUE(form->Results().isColumnHidden(TResultModel::kModifiedColumn));
  EXPECT_TRUE(form->Results().isColumnHidden(TResultModel::kMatchColumn));
}

TEST_F(FormTest, ColonFilterAppliesToTheNameAndTypeFields) {
  // Keys reach a combo box field through the combo box, which has the focus.
  QTest::keyClicks(Combo("fileNamesList"), "c:\\docs");
  EXPECT_EQ(Edit("fileNames")->text(), "c\\docs");
  QTest::keyClicks(Edit("Contains"), "10:30");
  EXPECT_EQ(Edit("Contains")->text(), "10:30");  // a text to find keeps it
  Combo("fileTypes")->setEditText("");
  QTest::keyClicks(Combo("fileTypes"), "p:df");
  EXPECT_EQ(Combo("fileTypes")->currentText(), "PDF");  // typed letters show in upper case
  Edit("dirNames")->clear();
  QTest::keyClicks(Edit("dirNames"), "c:\\docs");
  EXPECT_EQ(Edit("dirNames")->text(), "c:\\docs");  // the location keeps its colon
}

TEST_F(FormTest, LeavingFileNamesSplitsOffTheType) {
  struct Case {
    const char* typed;
    const char* name;
    const char* type;
    bool refused;  // ". is not allowed here!" shown
  };
  const Case cases[] = {
      {"report.pdf", "report", "PDF", false},  // the extension moves over, upper-cased
      {".pdf", "", "PDF", false},              // nothing before the dot
      {"x.", "x", "", false},                  // nothing after it
      {"a.b.txt", "a", "", true},              // B.TXT holds a dot: the guard clears it
      {"plain", "plain", "PDF;DOC;RTF;TXT;XLS;PPT;HTM;ODT;ODS;ODP;EPUB", false},  // no dot: left alone
  };
  for (const Case& c : cases) {
    Combo("fileTypes")->setEditText("PDF;DOC;RTF;TXT;XLS;PPT;HTM;ODT;ODS;ODP;EPUB");
    desktop->messages.clear();
    Edit("fileNames")->setText(QString::fromUtf8(c.typed));
    LeaveFileNames();
    EXPECT_EQ(Edit("fileNames")->text(), c.name) << c.typed;
    EXPECT_EQ(Combo("fileTypes")->currentText(), c.type) << c.typed;
    ASSERT_EQ(desktop->messages.size(), c.refused ? 1u : 0u) << c.typed;
    if (c.refused) {
      EXPECT_EQ(desktop->messages[0].text, ". is not allowed here!");
    }
  }
}

TEST_F(FormTest, FileTypeGuardRefusesADot) {
  Combo("fileTypes")->setEditText("");
  QTest::keyClicks(Combo("fileTypes")->lineEdit(), "pdf.");
  ASSERT_EQ(desktop->messages.size(), 1u);
  EXPECT_EQ(desktop->messages[0].text, ". is not allowed here!");
  EXPECT_EQ(Combo("fileTypes")->currentText(), "");
}

TEST_F(FormTest, ArchiveToggleLeavesZooAlone) {
  const char* nine[] = {"optFormatZip", "optFormatRar", "optFormatCab", "optFormatAce", "optFormatArj",
                        "optFormatArc", "optFormatLzh", "optFormatTar", "optFormatSFX", "optFormat7z",
                        "optFormatIso", "optFormatGz"};
  Check("opComp")->click();
  for (const char* name : nine) EXPECT_TRUE(Check(name)->isChecked()) << name;
  Check("opComp")->click();
  for (const char* name : nine) EXPECT_FALSE(Check(name)->isChecked()) << name;
  EXPECT_TRUE(Check("optFormatZoo")->isChecked());
  // A format box by itself does not change opComp.
  Check("optFormatZip")->click();
  EXPECT_FALSE(Check("opComp")->isChecked());
  EXPECT_TRUE(form->TakeCriteria().formatEnabled(engine::ArchiveFormat::Zip));
  EXPECT_TRUE(form->TakeCriteria().formatEnabled(engine::ArchiveFormat::Zoo));
}

TEST_F(FormTest, DateFilterEnablingRule) {
  auto* date1 = Find<QDateTimeEdit>("DateTimePicker1");
  auto* date2 = Find<QDateTimeEdit>("DateTimePicker2");
  struct Step {
    const char* what;
    std::function<void()> act;
    bool kindsAndDate1, date2Enabled;
  };
  const Step steps[] = {
      {"filter on, no kind", [&] { Check("CheckBox8")->click(); }, true, false},
      {"Between", [&] { Combo("ComboBox2")->setCurrentIndex(0); }, true, true},
      {"After", [&] { Combo("ComboBox2")->setCurrentIndex(1); }, true, false},
      {"Between again", [&] { Combo("ComboBox2")->setCurrentIndex(0); }, true, true},
      {"access kind changes", [&] { Combo("ComboBox3")->setCurrentIndex(2); }, true, true},
      {"filter off", [&] { Check("CheckBox8")->click(); }, false, false},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(Combo("ComboBox3")->isEnabled(), s.kindsAndDate1) << s.what;
    EXPECT_EQ(Combo("ComboBox2")->isEnabled(), s.kindsAndDate1) << s.what;
    EXPECT_EQ(Find<QLabel>("labelAccessKind")->isEnabled(), s.kindsAndDate1) << s.what;
    EXPECT_EQ(Find<QLabel>("labelDate1")->isEnabled(), s.kindsAndDate1) << s.what;
    EXPECT_EQ(date1->isEnabled(), s.kindsAndDate1) << s.what;
    EXPECT_EQ(date2->isEnabled(), s.date2Enabled) << s.what;
    EXPECT_EQ(Find<QLabel>("labelDate2")->isEnabled(), s.date2Enabled) << s.what;
  }
  const engine::SearchCriteria c = form->TakeCriteria();
  EXPECT_EQ(c.dateFilter.relation, engine::DateRelation::Between);
  EXPECT_EQ(c.dateFilter.stamp, platform::TimeStamp::LastWrite);
}

TEST_F(FormTest, SizeFilterEnablingRule) {
  Check("CheckBox9")->click();
  for (const char* name : {"ComboBox1"}) EXPECT_TRUE(Combo(name)->isEnabled());
  EXPECT_TRUE(Edit("Edit3")->isEnabled());
  EXPECT_TRUE(Find<QLabel>("labelSize")->isEnabled());
  EXPECT_TRUE(Find<QLabel>("labelSizeKind")->isEnabled());
  Combo("ComboBox1")->setCurrentIndex(1);
  Edit("Edit3")->setText("4096");
  engine::SearchCriteria c = form->TakeCriteria();
  EXPECT_TRUE(c.sizeFilter.enabled);
  EXPECT_EQ(c.sizeFilter.kind, engine::SizeKind::AtLeast);
  EXPECT_EQ(c.sizeFilter.limit, 4096);
  Check("CheckBox9")->click();
  EXPECT_FALSE(Combo("ComboBox1")->isEnabled());
  EXPECT_FALSE(Edit("Edit3")->isEnabled());
  EXPECT_FALSE(Find<QLabel>("labelSize")->isEnabled());
}

TEST_F(FormTest, SizeLimitThatIsNoNumberRefusesTheSearch) {
  Check("CheckBox9")->click();
  Combo("ComboBox1")->setCurrentIndex(0);
  Edit("Edit3")->setText("12kb");
  form->cmdSearchClick();
  EXPECT_FALSE(form->SearchRunning());
  ASSERT_EQ(desktop->messages.size(), 1u);
  EXPECT_EQ(desktop->messages[0].caption, "ERROR:");
}

TEST_F(FormTest, FolderPickerAppendsToTheLocation) {
  struct Case {
    const char* before;
    std::optional<QString> picked;
    const char* after;
  };
  const Case cases[] = {
      {"/c", QString("/d/"), "/c;/d/"},  // appended with ";", trailing slash kept
      {"", QString("/d"), "/d"},         // an empty location becomes the folder
      {"/d", QString("/d"), "/d;/d"},    // the same folder may come twice
      {"/c", std::nullopt, "/c"},        // cancelled: nothing changes
  };
  for (const Case& c : cases) {
    Edit("dirNames")->setText(c.before);
    desktop->folderAnswer = c.picked;
    Find<QPushButton>("cmdFolder")->click();
    EXPECT_EQ(Edit("dirNames")->text(), c.after) << c.before;
  }
  EXPECT_EQ(desktop->lastPrompt, "Choose a folder to start search from:");
}

TEST_F(FormTest, EmptyLocationAsksForOne) {
  Edit("dirNames")->clear();
  Find<QPushButton>("cmdSearch")->click();
  EXPECT_FALSE(form->SearchRunning());
  ASSERT_EQ(desktop->messages.size(), 1u);
  EXPECT_EQ(desktop->messages[0].text, "Please specify the Location where you want to search");
  EXPECT_EQ(desktop->messages[0].caption, "Location missing");
  EXPECT_EQ(form->StatusText(1), "Search not started");
}

TEST_F(FormTest, SearchOverAGeneratedTreeEndsWithTheCount) {
  TempFolder tree;
  tree.Write("a.txt", "alpha");
  tree.Write("b.TXT", "beta");
  tree.Write("sub/c.txt", "gamma");
  tree.Write("sub/d.pdf", "not text");
  tree.Write(".hidden/e.txt", "never walked");
  Combo("fileTypes")->setEditText("TXT");
  Edit("dirNames")->setText(QString::fromStdString(tree.path()));
  form->Store().AddHit({"old", "1 b", "/old"});  // the last search's rows go
  form->Model().SetRowCount(1);

  SearchToEnd();
  EXPECT_EQ(form->StatusText(0), "Matching files found: ");
  EXPECT_EQ(form->StatusText(1), "3");
  EXPECT_EQ(form->Model().rowCount(), 3);
  EXPECT_EQ(form->Store().Count(), 3u);
  EXPECT_EQ(Find<QPushButton>("cmdSearch")->text(), "&Search Now");
  for (const char* name : {"fileNames", "dirNames", "Contains"}) EXPECT_TRUE(Edit(name)->isEnabled()) << name;
  for (const char* name : {"fileTypes", "typecombo"}) EXPECT_TRUE(Combo(name)->isEnabled()) << name;
  for (const char* name : {"optIncDirs", "opComp", "optFormatZoo", "optAllFiles", "suiCheckBox5"})
    EXPECT_TRUE(Check(name)->isEnabled()) << name;
  EXPECT_FALSE(form->Timer1().isActive());
  EXPECT_TRUE(desktop->messages.empty());
  std::vector<std::string> names = Names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "b.TXT", "c.txt"}));
  EXPECT_EQ(Text("foldersWalked"), "2 folders walked");  // the location and sub, not .hidden
  // The location and name searched for head their drop-down lists.
  EXPECT_EQ(Combo("dirNamesList")->itemText(0), QString::fromStdString(tree.path()));
  EXPECT_EQ(Combo("fileNamesList")->count(), 0);  // an empty name is not kept
}

TEST_F(FormTest, TheResultListTakesTheRoomOfABiggerWindow) {
  form->show();
  auto* results = Find<QTableView>("results");
  QWidget* search = Find<QWidget>("searchPanel");
  QWidget* advanced = Find<QWidget>("advancedPanel");
  const QSize list = results->size();
  const int searchWidth = search->width();
  const int pathWidth = results->horizontalHeader()->sectionSize(2);
  form->resize(694 + 80, 518 + 60);
  ASSERT_TRUE(ProcessUntil([&] { return results->width() == list.width() + 80; }));
  EXPECT_EQ(results->height(), list.height() + 60);
  EXPECT_EQ(search->width(), searchWidth);
  EXPECT_EQ(results->horizontalHeader()->sectionSize(0), 220);
  EXPECT_EQ(results->horizontalHeader()->sectionSize(1), 51);
  EXPECT_EQ(results->horizontalHeader()->sectionSize(2), pathWidth + 80);
  // So does the state panel of the status bar.
  EXPECT_EQ(Find<QLabel>("statusPanel0")->geometry(), QRect(0, 0, 140, 20));
  EXPECT_EQ(Find<QLabel>("statusPanel1")->x(), 142);
  EXPECT_EQ(Find<QLabel>("statusPanel1")->width(), 694 + 80 - 142);
  // The Advanced Options bar keeps to its place, full height, and opens over the list.
  EXPECT_EQ(advanced->height(), search->height());
  EXPECT_EQ(advanced->x(), search->geometry().right() + 3);
  static_cast<TSlidePanel*>(advanced)->Open();
  EXPECT_EQ(advanced->width(), 167);
  EXPECT_EQ(results->width(), list.width() + 80);
  EXPECT_TRUE(Check("CheckBox8")->isVisible());
  form->resize(300, 200);  // never smaller than the first size
  QCoreApplication::processEvents();
  EXPECT_EQ(form->size(), QSize(694, 518));
}

TEST_F(FormTest, EscStopsARunningSearch) {
  TempFolder tree;
  tree.Write("a.txt", "alpha");
  Edit("dirNames")->setText(QString::fromStdString(tree.path()));
  // In the window, and in the result list that has the focus.
  for (QWidget* target : std::initializer_list<QWidget*>{form.get(), Find<QTableView>("results")}) {
    form->cmdSearchClick();
    ASSERT_TRUE(form->SearchRunning());
    QTest::keyClick(target, Qt::Key_Escape);
    EXPECT_FALSE(form->SearchRunning()) << target->objectName().toStdString();
    EXPECT_EQ(form->StatusText(1), "Search Interrupted");
    EXPECT_EQ(Find<QPushButton>("cmdSearch")->text(), "&Search Now");
  }
  // Without a search Esc does nothing.
  QTest::keyClick(form.get(), Qt::Key_Escape);
  EXPECT_FALSE(form->SearchRunning());
  EXPECT_EQ(form->StatusText(1), "Search Interrupted");
}

// A folder on a dead mount, whose listing blocks until the test lets it go
// (a listing hook): Stop ends the search, and its thread ends without
// waiting for the blocked listing, which goes on alone.
std::atomic<bool> gListingEntered{false}, gListingReleased{false};
void HangOnFolderNamedHang(const std::string& path) {
  if (path.size() < 5 || path.compare(path.size() - 5, 5, "/hang") != 0) return;
  gListingEntered = true;
  for (int i = 0; i < 6000 && !gListingReleased; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

TEST_F(FormTest, StopWhileAFolderListingNeverAnswers) {
  TempFolder tree;
  tree.Write("a.txt", "alpha");
  tree.Write("hang/b.txt", "beta");
  gListingEntered = gListingReleased = false;
  engine::SetListingHookForTests(&HangOnFolderNamedHang);
  Edit("dirNames")->setText(QString::fromStdString(tree.path()));
  form->cmdSearchClick();
  ASSERT_TRUE(ProcessUntil([] { return gListingEntered.load(); }));
  QTest::keyClick(form.get(), Qt::Key_Escape);
  EXPECT_FALSE(form->SearchRunning());
  EXPECT_EQ(form->StatusText(1), "Search Interrupted");
  auto joined = std::async(std::launch::async, [&] { form->JoinSearchThreads(); });
  EXPECT_EQ(joined.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  gListingReleased = true;
  joined.wait();
  engine::SetListingHookForTests(nullptr);
}

TEST_F(FormTest, CopyAndDragOfSelectedRows) {
  AddRows({{"doc.txt", "1 b", "/home/u"}, {"x.pdf", "2 b", "/srv"}, {"dir/member.txt", "1 b", "/home/u/b.zip"}});
  auto* results = Find<QTableView>("results");
  results->selectionModel()->select(form->Model().index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  results->selectionModel()->select(form->Model().index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

  QTest::keyClick(results, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "/home/u/doc.txt\n/home/u/b.zip/dir/member.txt");  // list order
  QTest::keyClick(results, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "doc.txt\ndir/member.txt");

  // Dragged out as file URLs; a member drags its archive.
  const QModelIndexList dragged{form->Model().index(0, 0), form->Model().index(0, 1), form->Model().index(2, 0)};
  std::unique_ptr<QMimeData> data(form->Model().mimeData(dragged));
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(data->hasFormat("text/uri-list"));
  EXPECT_EQ(data->urls(), (QList<QUrl>{QUrl("file:///home/u/doc.txt"), QUrl("file:///home/u/b.zip")}));
  EXPECT_TRUE(form->Model().flags(form->Model().index(1, 0)) & Qt::ItemIsDragEnabled);

  // Names are bytes: one that is not UTF-8 keeps them in the URL's escapes.
  AddRows({{"caf\xE9.txt", "1 b", "/srv/na\xC3\xAFve dir"}});
  data.reset(form->Model().mimeData({form->Model().index(3, 0)}));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->data("text/uri-list").trimmed().toStdString(), "file:///srv/na%C3%AFve%20dir/caf%E9.txt");
}

TEST_F(FormTest, ContextMenuActsOnEachSelectedRow) {
  TempFolder tree;
  tree.Write("x.zip/inner.txt", "a folder named like an archive");
  AddRows({{"doc.txt", "1 b", "/home/u"},
           {"dir/member.txt", "1 b", "/home/u/b.zip"},
           {"inner.txt", "1 b", tree.path() + "/x.zip"},
           {"top.txt", "1 b", "/a.zip"},
           {"second member.txt", "1 b", "/home/u/b.zip"}});
  auto* results = Find<QTableView>("results");
  QMenu* menu = form->ResultsMenu();
  ASSERT_NE(menu, nullptr);
  std::vector<QString> texts;
  for (QAction* action : menu->actions()) texts.push_back(action->text());
  EXPECT_EQ(texts, (std::vector<QString>{"&Open", "Open Containing &Folder", "Copy &Path", "Copy &Name"}));
  auto trigger = [&](const char* name) { Find<QAction>(name)->trigger(); };

  results->selectAll();
  trigger("actionOpen");  // an archive holding two selected members opens once
  EXPECT_EQ(desktop->opened, (std::vector<std::string>{"/home/u/doc.txt", "/home/u/b.zip",
                                                       tree.path() + "/x.zip/inner.txt", "/a.zip"}));
  EXPECT_TRUE(desktop->questions.empty());
  // Each containing folder once: a member's is its archive's folder.
  desktop->opened.clear();
  trigger("actionOpenFolder");
  EXPECT_EQ(desktop->opened, (std::vector<std::string>{"/home/u", tree.path() + "/x.zip", "/"}));
  // A failing open shows its message once for each target.
  desktop->opened.clear();
  desktop->openResult = 2;
  results->selectionModel()->select(form->Model().index(1, 0),
                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  trigger("actionOpenFolder");
  EXPECT_EQ(desktop->opened, (std::vector<std::string>{"/home/u"}));
  ASSERT_EQ(desktop->messages.size(), 1u);
  EXPECT_EQ(desktop->messages[0].text, "File not found");
  trigger("actionCopyPath");
  EXPECT_EQ(QApplication::clipboard()->text(), "/home/u/b.zip/dir/member.txt");
  trigger("actionCopyName");
  EXPECT_EQ(QApplication::clipboard()->text(), "dir/member.txt");
  // Nothing selected: nothing is opened or copied.
  results->clearSelection();
  desktop->opened.clear();
  trigger("actionOpen");
  trigger("actionOpenFolder");
  EXPECT_TRUE(desktop->opened.empty());
  // More than ten files open only after a question; No opens none.
  std::vector<engine::ItemData> many;
  for (int i = 0; i < 11; ++i) many.push_back({"f" + std::to_string(i) + ".txt", "1 b", "/home/u"});
  AddRows(many);
  desktop->openResult = 42;
  results->selectAll();
  desktop->confirmAnswer = false;
  trigger("actionOpen");
  EXPECT_EQ(desktop->questions, (std::vector<QString>{"Open 15 files?"}));
  EXPECT_TRUE(desktop->opened.empty());
  desktop->confirmAnswer = true;
  trigger("actionOpen");
  EXPECT_EQ(desktop->opened.size(), 15u);
}

TEST_F(FormTest, WhileSearchingTheFormIsDisabledAndTheFiltersAreNot) {
  TempFolder tree;
  tree.Write("a.txt", "alpha");
  Edit("dirNames")->setText(QString::fromStdString(tree.path()));
  form->cmdSearchClick();
  ASSERT_TRUE(form->SearchRunning());
  EXPECT_EQ(Find<QPushButton>("cmdSearch")->text(), "&Stop Search");
  for (const char* name : {"fileNames", "dirNames", "Contains"}) EXPECT_FALSE(Edit(name)->isEnabled()) << name;
  for (const char* name : {"fileTypes", "typecombo"}) EXPECT_FALSE(Combo(name)->isEnabled()) << name;
  for (const char* name : {"searchpdfs", "Regulars", "fuzzyCheckBox", "suiCheckBox5", "optAllFiles", "optIncDirs",
                           "optFormatCab", "opComp", "optFormatSFX", "optFormatZip", "optFormatArj",
                           "optFormatRar", "optFormatZoo", "optFormatLzh", "optFormatTar", "optFormatAce",
                           "optFormatArc", "optFormat7z", "optFormatIso", "optFormatGz"})
    EXPECT_FALSE(Check(name)->isEnabled()) << name;
  // These stay usable during a search.
  EXPECT_TRUE(Find<QPushButton>("cmdSearch")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("cmdReport")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("cmdFolder")->isEnabled());
  for (const char* name : {"CheckBox8", "CheckBox9", "CheckBox2"}) EXPECT_TRUE(Check(name)->isEnabled()) << name;
  // The text fields show the button face.
  EXPECT_EQ(Edit("fileNames")->palette().color(QPalette::Base), Edit("fileNames")->palette().color(QPalette::Button));
  ASSERT_TRUE(ProcessUntil([this] { return !form->SearchRunning(); }));
  EXPECT_NE(Edit("fileNames")->palette().color(QPalette::Base), Edit("fileNames")->palette().color(QPalette::Button));
}

TEST_F(FormTest, EnterStartsAndStopsASearch) {
  TempFolder tree;
  tree.Write("a.txt", "alpha");
  Edit("dirNames")->setText(QString::fromStdString(tree.path()));
  // Enter in the name field starts the search ...
  QTest::keyClick(Edit("fileNames"), Qt::Key_Return);
  ASSERT_TRUE(form->SearchRunning());
  // ... and Enter in the window, where no control has the focus, stops it.
  // No events ran in between, so whatever the thread did is not shown.
  QTest::keyClick(form.get(), Qt::Key_Return);
  EXPECT_FALSE(form->SearchRunning());
  EXPECT_EQ(form->StatusText(0), "Status: ");
  EXPECT_EQ(form->StatusText(1), "Search Interrupted");
  EXPECT_EQ(Find<QPushButton>("cmdSearch")->text(), "&Search Now");
  EXPECT_TRUE(Edit("fileNames")->isEnabled());
  // The stopped thread's late updates are discarded.
  form->JoinSearchThreads();
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(form->StatusText(1), "Search Interrupted");
  EXPECT_TRUE(desktop->messages.empty());
  EXPECT_FALSE(form->Timer1().isActive());
}

TEST_F(FormTest, EnterInEachSearchControlStartsASearch) {
  TempFolder tree;
  Edit("dirNames")->setText(QString::fromStdString(tree.path()));
  const std::vector<std::pair<const char*, QWidget*>> controls{
      {"fileNames", Edit("fileNames")},
      {"Contains", Edit("Contains")},
      {"fileTypes", Combo("fileTypes")->lineEdit()},
      {"dirNames", Edit("dirNames")},
      // The combo boxes that hold the focus of their fields.
      {"fileNamesList", Combo("fileNamesList")},
      {"fileTypes box", Combo("fileTypes")},
      {"dirNamesList", Combo("dirNamesList")},
      {"optIncDirs", Check("optIncDirs")},
      {"optAllFiles", Check("optAllFiles")},
  };
  for (const auto& [name, control] : controls) {
    QTest::keyClick(control, Qt::Key_Enter);
    EXPECT_TRUE(form->SearchRunning()) << name;
    form->cmdSearchClick();  // stop it again
    ASSERT_FALSE(form->SearchRunning()) << name;
  }
}

TEST_F(FormTest, TabOrderFollowsThePanel) {
  // Tab as the user presses it; the name and location fields are combo boxes
  // that offer the last texts.
  const std::vector<QString> expected{
      "fileNamesList", "fileTypes",    "Contains",     "typecombo",    "dirNamesList", "cmdSearch",
      "cmdReport",     "optIncDirs",   "opComp",       "optFormatZip", "optFormatRar", "optFormatCab",
      "optFormatAce",  "optFormatArj", "optFormatArc", "optFormatLzh", "optFormatTar", "optFormatSFX",
      "optFormat7z",   "optFormatIso", "optFormatGz",  "searchpdfs",    "fuzzyCheckBox", "Regulars",    "suiCheckBox5", "cmdFolder"};
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  Edit("fileNames")->setFocus();
  std::vector<QString> seen;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    seen.push_back(focus->objectName());
    QTest::keyClick(focus, Qt::Key_Tab);
  }
  EXPECT_EQ(seen, expected);
}

TEST_F(FormTest, MouseMovesOverTheWindowAreKept) {
  const QPoint at(40, 30);
  QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(form->mapToGlobal(at)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(form.get(), &move);
  EXPECT_EQ(form->LastMousePos(), form->mapToGlobal(at));
}

TEST_F(FormTest, StopThatCrossesTheEndShowsNoMissingFolders) {
  TempFolder tree;
  Edit("dirNames")->setText(QString::fromStdString(tree.path() + ";/no-such-folder-of-tessaly"));
  form->cmdSearchClick();
  form->JoinSearchThreads();  // the thread has ended; its last calls wait in the queue
  form->cmdSearchClick();     // Stop
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(form->StatusText(1), "Search Interrupted");
  EXPECT_TRUE(desktop->messages.empty());
}

TEST_F(FormTest, MissingFoldersAreListedAtTheEnd) {
  TempFolder tree;
  tree.Write("a.txt", "x");
  Edit("dirNames")->setText(QString::fromStdString(tree.path() + ";/no-such-folder-of-tessaly"));
  Combo("fileTypes")->setEditText("TXT");
  SearchToEnd();
  ASSERT_EQ(desktop->messages.size(), 1u);
  EXPECT_EQ(desktop->messages[0].caption, "The following directories/drives do not exist:");
  EXPECT_EQ(desktop->messages[0].text, "/no-such-folder-of-tessaly\n\r");
  EXPECT_EQ(form->StatusText(1), "1");
}

TEST_F(FormTest, HeaderClicksSortEachColumnInItsOwnTurn) {
  AddRows({{"b.txt", "2 Kb", "/p2"},
           {"a.txt", "1500 b", "/p1"},
           {"dir", "[folder]", "/p3"},
           {"big", "2100 Mb", "/p0"},
           {"gig", "1 Gb", "/p4"}});
  QHeaderView* header = Find<QTableView>("results")->horizontalHeader();
  struct Click {
    int column;
    std::vector<std::string> names;
  };
  const Click clicks[] = {
      {0, {"a.txt", "b.txt", "big", "dir", "gig"}},  // names ascending
      {0, {"gig", "dir", "big", "b.txt", "a.txt"}},  // descending: the exact reverse
      {1, {"dir", "a.txt", "b.txt", "gig", "big"}},  // sizes: its own first turn; folders lead, 2100 Mb after 1 Gb
      {0, {"a.txt", "b.txt", "big", "dir", "gig"}},  // names: third turn, ascending again
      {1, {"big", "gig", "b.txt", "a.txt", "dir"}},  // sizes descending: folders last
      {2, {"big", "a.txt", "b.txt", "dir", "gig"}},  // paths ascending
  };
  for (const Click& c : clicks) {
    emit header->sectionClicked(c.column);
    EXPECT_EQ(Names(), c.names) << "column " << c.column;
    EXPECT_EQ(form->SortCaption(), TResultModel::Caption(c.column));
  }
}

TEST_F(FormTest, NamesSortWithoutRegardToAsciiCase) {
  AddRows({{"b", "1 b", "/x"}, {"A", "1 b", "/x"}, {"C", "1 b", "/x"}});
  form->suitempresultsColumnClick(0);
  EXPECT_EQ(Names(), (std::vector<std::string>{"A", "b", "C"}));
}

TEST_F(FormTest, SortIsRefusedDuringASearch) {
  TempFolder tree;
  Edit("dirNames")->setText(QString::fromStdString(tree.path()));
  form->suitempresultsColumnClick(0);  // flag of "File Name" now set
  ASSERT_TRUE(form->SortDirectionFlag(0));
  form->cmdSearchClick();
  ASSERT_TRUE(form->SearchRunning());
  form->suitempresultsColumnClick(0);
  EXPECT_TRUE(form->SortCaption().isEmpty());
  EXPECT_TRUE(form->SortDirectionFlag(0));  // left as it was
  EXPECT_FALSE(form->SortDirectionFlag(1));
}

TEST_F(FormTest, OpeningAHitShowsTheMessageOfEachFailure) {
  TempFolder tree;
  tree.Write("x.zip/inner.txt", "a folder named like an archive");
  AddRows({{"doc.txt", "1 b", "/home/u"},
           {"dir/member.txt", "1 b", "/home/u/b.zip"},
           {"inner.txt", "1 b", tree.path() + "/x.zip"}});
  auto* results = Find<QTableView>("results");

  // Nothing selected: nothing happens.
  form->resultsOpen();
  EXPECT_TRUE(desktop->opened.empty());

  struct Case {
    int code;
    const char* text;  // nullptr: no message
  };
  const Case cases[] = {
      {42, nullptr},
      {33, nullptr},
      {2, "File not found"},
      {5, "Access denied to open this file"},
      {8, "Not enough memory to open this file!"},
      {11, "Executable file format bad"},
      {26, "Sharing violation in opening this file"},
      {27, "No file manager is installed to open the folder"},
      {31, "No default application to open the file"},
      {0, "Error opening this file"},
      {32, "Error opening this file"},
  };
  results->setCurrentIndex(form->Model().index(0, 0));
  for (const Case& c : cases) {
    desktop->messages.clear();
    desktop->openResult = c.code;
    form->resultsOpen();
    if (!c.text) {
      EXPECT_TRUE(desktop->messages.empty()) << c.code;
      continue;
    }
    ASSERT_EQ(desktop->messages.size(), 1u) << c.code;
    EXPECT_EQ(desktop->messages[0].text, c.text);
    EXPECT_EQ(desktop->messages[0].caption, "ERROR:");
    EXPECT_FALSE(desktop->messages[0].owned);
  }
  EXPECT_EQ(desktop->opened.back(), "/home/u/doc.txt");

  // An archive member opens its archive; a folder named x.zip opens the entry in it.
  desktop->openResult = 42;
  results->setCurrentIndex(form->Model().index(1, 0));
  QTest::keyClick(results, Qt::Key_Return);  // Enter in the list opens
  EXPECT_EQ(desktop->opened.back(), "/home/u/b.zip");
  results->setCurrentIndex(form->Model().index(2, 0));
  emit results->doubleClicked(form->Model().index(2, 0));
  EXPECT_EQ(desktop->opened.back(), tree.path() + "/x.zip/inner.txt");
}

TEST_F(FormTest, SelectingARowCallsTheDetailsHook) {
  AddRows({{"a.pdf", "1 Kb", "/p"}, {"b.doc", "2 Kb", "/q"}});
  std::vector<engine::ItemData> seen;
  form->SetSelectionHandler([&](TForm1& f, const engine::ItemData& row) {
    seen.push_back(row);
    f.SetDetailsText(QString::fromStdString("FileName: " + row.Name));
  });
  Find<QTableView>("results")->setCurrentIndex(form->Model().index(1, 0));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], (engine::ItemData{"b.doc", "2 Kb", "/q"}));
  EXPECT_EQ(form->DetailsText(), "FileName: b.doc");
  // A search press clears the text and resets the tooltip colour.
  form->Hint().colour = QColor(1, 2, 3);
  Edit("dirNames")->clear();
  form->cmdSearchClick();  // refused for the empty location, after the tooltip steps
  EXPECT_EQ(form->Hint().colour, QColor(190, 235, 254));
  EXPECT_EQ(form->Hint().displayMs, 9000);
}

TEST_F(FormTest, ElapsedTimeWraps) {
  struct Case {
    const char *h, *m, *s;      // before
    const char *h2, *m2, *s2;   // one tick later
  };
  const Case cases[] = {
      {"00", "00", "00", "00", "00", "01"},
      {"00", "00", "09", "00", "00", "10"},  // two digits need no padding
      {"00", "00", "59", "00", "01", "00"},  // seconds wrap
      {"00", "59", "59", "01", "00", "00"},  // minutes wrap
      {"09", "59", "59", "10", "00", "00"},
      {"23", "59", "59", "00", "00", "00"},  // the day wraps
  };
  for (const Case& c : cases) {
    Find<QLabel>("timHours")->setText(c.h);
    Find<QLabel>("timMins")->setText(c.m);
    Find<QLabel>("timSecs")->setText(c.s);
    form->Timer1Timer();
    EXPECT_EQ(Text("timHours"), c.h2) << c.h << ":" << c.m << ":" << c.s;
    EXPECT_EQ(Text("timMins"), c.m2) << c.h << ":" << c.m << ":" << c.s;
    EXPECT_EQ(Text("timSecs"), c.s2) << c.h << ":" << c.m << ":" << c.s;
  }
}

TEST_F(FormTest, ReportButton) {
  // Empty store: a note, no dialog.
  Find<QPushButton>("cmdReport")->click();
  ASSERT_EQ(desktop->messages.size(), 1u);
  EXPECT_EQ(desktop->messages[0].text, "Nothing to save!");
  EXPECT_EQ(desktop->messages[0].caption, "Note:");
  EXPECT_TRUE(desktop->saveRequests.empty());

  TempFolder tree;
  tree.Write("tax2004.txt", "x");
  Edit("dirNames")->setText(QString::fromStdString(tree.path()));
  Edit("fileNames")->setText("tax");
  Combo("fileTypes")->setEditText("TXT");
  SearchToEnd();

  // Cancelled: nothing written, statuses as they were.
  desktop->saveAnswer.reset();
  form->cmdReportClick();
  ASSERT_EQ(desktop->saveRequests.size(), 1u);
  EXPECT_EQ(desktop->saveRequests[0], "Report.txt|Plain Text File (*.txt)|TXT");

  // Written: the statuses come back afterwards.
  Combo("fileTypes")->setEditText("PDF");  // conditions as shown at the click
  const std::string path = tree.path() + "/Report.txt";
  desktop->saveAnswer = QString::fromStdString(path);
  form->cmdReportClick();
  EXPECT_EQ(form->StatusText(0), "Matching files found: ");
  EXPECT_EQ(form->StatusText(1), "1");
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  EXPECT_EQ(content.str().rfind("Search results:\r\n\r\n" + tree.path() + "\r\n\r\nSearch wildcards: [*tax*]\r\n\r\n"
                                "File types: PDF\r\n\r\n", 0), 0u)
      << content.str();
  EXPECT_NE(content.str().find("Total files & directories found: 1"), std::string::npos);

  // A file that cannot be written: the saving texts stay.
  desktop->saveAnswer = QString::fromStdString(tree.path() + "/no-such-folder/Report.txt");
  form->cmdReportClick();
  EXPECT_EQ(form->StatusText(0), "Status:");
  EXPECT_EQ(form->StatusText(1), "please wait, saving file...");
}

// A third status panel names the documents the search could not read; a
// click shows their list; the report adds them after its total. A stopped
// search shows none.
TEST_F(FormTest, UnreadableDocumentsInTheStatusBarAndTheReport) {
  TempFolder tree;
  auto copy = [&](const char* name, const std::string& bytes) {
    tree.Write(name, bytes);
    return tree.path() + "/" + name;
  };
  auto fixture = [](const char* name) {
    std::ifstream in(std::string(TESSALY_TEST_DATA "/content/") + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  copy("sample.pdf", fixture("sample.pdf"));
  const std::string locked = copy("locked.pdf", fixture("locked.pdf"));
  const std::string cut = copy("cut.pdf", fixture("sample.pdf").substr(0, 600));
  const std::string zipped = copy("zipped.doc", std::string("PK\x03\x04", 4) + std::string(100, 'z'));
  Edit("dirNames")->setText(QString::fromStdString(tree.path()));
  Edit("Contains")->setText("harbour");
  Combo("fileTypes")->setEditText("PDF;DOC");
  auto* panel = Find<QLabel>("unreadablePanel");
  EXPECT_FALSE(panel->isVisible());

  form->show();
  SearchToEnd();
  EXPECT_EQ(Names(), (std::vector<std::string>{"sample.pdf"}));
  EXPECT_EQ(form->StatusText(0), "Matching files found: ");
  EXPECT_EQ(form->StatusText(1), "1");
  EXPECT_TRUE(panel->isVisible());
  EXPECT_EQ(panel->text(), "3 unreadable");
  QTest::mouseClick(panel, Qt::LeftButton);
  QDialog* list = form->UnreadablePanel().ListWindow();
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->isVisible());
  QStringList lines = list->findChild<QPlainTextEdit*>("unreadableList")->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 5) << lines.join('|').toStdString();
  EXPECT_EQ(lines[0], "Could not read 3 documents: 1 password required, 2 damaged");
  lines = lines.mid(2);
  lines.sort();
  EXPECT_EQ(lines, QStringList({QString::fromStdString("damaged\t" + cut), QString::fromStdString("damaged\t" + zipped),
                                QString::fromStdString("password required\t" + locked)}));

  const std::string report = tree.path() + "/Report.txt";
  desktop->saveAnswer = QString::fromStdString(report);
  form->cmdReportClick();
  std::ifstream in(report, std::ios::binary);
  const std::string text(std::istreambuf_iterator<char>(in), {});
  EXPECT_NE(text.find("found: 1\r\n\r\nDocuments that could not be read: 3\r\n"), std::string::npos) << text;
  for (const std::string& path : {locked, cut, zipped}) EXPECT_NE(text.find(path), std::string::npos) << path;
  list->close();

  // Stopped in the middle: nothing is reported.
  form->cmdSearchClick();
  EXPECT_FALSE(panel->isVisible());
  form->cmdSearchClick();
  form->JoinSearchThreads();
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(form->StatusText(1), "Search Interrupted");
  EXPECT_FALSE(panel->isVisible());
}

TEST_F(FormTest, ClosingDeletesTheTemporaryFilesOfTheWorkFolder) {
  work.Write("tempdat12.34", "0123456789");
  work.Write("tempdat5.6", "");
  work.Write("tmp7.8", "0123456789");
  work.Write("readme.txt", "0123456789");
  work.Write("keep.dat", "0123456789");
  work.Write("sub/tmp2.2", "0123456789");  // in a sub-folder: not a file of the work folder
  std::filesystem::create_directory(work.path() + "/tmp.dir");
  // A row of an earlier search named like a file of the work folder.
  AddRows({{"readme.txt", "10 b", "/elsewhere"}});

  form->close();
  EXPECT_FALSE(work.Exists("tempdat12.34"));
  EXPECT_FALSE(work.Exists("tempdat5.6"));
  EXPECT_FALSE(work.Exists("tmp7.8"));
  EXPECT_TRUE(work.Exists("readme.txt"));
  EXPECT_TRUE(work.Exists("keep.dat"));
  EXPECT_TRUE(work.Exists("sub/tmp2.2"));
  EXPECT_TRUE(work.Exists("tmp.dir"));
  EXPECT_EQ(form->Model().rowCount(), 0);
  EXPECT_EQ(form->Store().Count(), 0u);
}

TEST_F(FormTest, ClosingWithAContainsTextDeletesOnlyFilesThatPassIt) {
  work.Write("tmp1.txt", "hello there");
  work.Write("tmp2.txt", "goodbye");
  work.Write("tempdat3.4", std::string("hello\0\1\2", 8));  // binary: fails any content condition
  work.Write("sub/tmp5.txt", "hello");    // passes, but lives in a sub-folder ...
  work.Write("tmp5.txt", "goodbye");      // ... so this namesake, which fails, stays
  Edit("Contains")->setText("hello");
  form->close();
  EXPECT_FALSE(work.Exists("tmp1.txt"));
  EXPECT_TRUE(work.Exists("tmp2.txt"));
  EXPECT_TRUE(work.Exists("tempdat3.4"));
  EXPECT_TRUE(work.Exists("sub/tmp5.txt"));
  EXPECT_TRUE(work.Exists("tmp5.txt"));
}

TEST_F(FormTest, ClosingDuringASearchStopsItFirst) {
  TempFolder tree;
  tree.Write("a.txt", "x");
  work.Write("tmp1.1", "x");
  Edit("dirNames")->setText(QString::fromStdString(tree.path()));
  form->cmdSearchClick();
  ASSERT_TRUE(form->SearchRunning());
  form->close();
  EXPECT_FALSE(form->SearchRunning());
  EXPECT_EQ(form->StatusText(1), "Search Interrupted");
  EXPECT_FALSE(work.Exists("tmp1.1"));
}

TEST_F(FormTest, ClosingNeverFollowsALink) {
  TempFolder outside;
  const std::string target = outside.Write("tmp4.4", "precious");
  std::filesystem::create_symlink(target, work.path() + "/tmp4.4");
  form->close();
  EXPECT_TRUE(outside.Exists("tmp4.4"));
}

}  // namespace
}  // namespace tessaly::ui::test
