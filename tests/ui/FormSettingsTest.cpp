// The window's settings file: what one window keeps at closing the next one
// shows, and a damaged or unreadable file gives the defaults.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <filesystem>

#include "ui/Form1.h"
#include "UiTestSupport.h"

namespace tessaly::ui::test {
namespace {

class FormSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { App(); }
  std::unique_ptr<TForm1> Open(const std::string& settingsFile) {
    TFormOptions options;
    options.desktop = desktop;
    options.fixedDrives = std::vector<std::string>{"/"};
    options.workFolder = work.path();
    options.settingsFile = QString::fromStdString(settingsFile);
    return std::make_unique<TForm1>(std::move(options));
  }
  // Every control's value, one "name=value" a line; dates by day only, as
  // two windows are made at different moments.
  static std::string Snapshot(TForm1& form) {
    QStringList lines;
    for (QLineEdit* edit : form.findChildren<QLineEdit*>())
      if (!edit->objectName().isEmpty()) lines << edit->objectName() + "=" + edit->text();
    for (QComboBox* box : form.findChildren<QComboBox*>()) {
      QStringList items;
      for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
      lines << box->objectName() + "=" + QString::number(box->currentIndex()) + ":" + box->currentText() + "|" +
                   items.join(",");
    }
    for (QCheckBox* box : form.findChildren<QCheckBox*>())
      lines << box->objectName() + "=" + (box->isChecked() ? "1" : "0") + (box->isEnabled() ? "e" : "d");
    for (QDateTimeEdit* picker : form.findChildren<QDateTimeEdit*>())
      lines << picker->objectName() + "=" + picker->date().toString(Qt::ISODate) + (picker->isEnabled() ? "e" : "d");
    lines << QString("size=%1x%2").arg(form.width()).arg(form.height());
    QHeaderView* header = form.findChild<QTableView*>("results")->horizontalHeader();
    lines << QString("columns=%1,%2").arg(header->sectionSize(0)).arg(header->sectionSize(1));
    lines << "sort=" + form.SortCaption() + QString::number(form.SortDirectionFlag(0)) +
                 QString::number(form.SortDirectionFlag(1)) + QString::number(form.SortDirectionFlag(2));
    return lines.join("\n").toStdString();
  }

  TempFolder work;
  TempFolder config;
  std::shared_ptr<FakeDesktop> desktop = std::make_shared<FakeDesktop>();
};

TEST_F(FormSettingsTest, WhatAWindowKeepsTheNextOneShows) {
  const std::string file = config.path() + "/Tessaly/Tessaly.ini";
  std::string kept;
  {
    auto form = Open(file);
    form->resize(760, 560);  // within the offscreen screen
    auto edit = [&](const char* name) { return form->findChild<QLineEdit*>(name); };
    auto combo = [&](const char* name) { return form->findChild<QComboBox*>(name); };
    auto check = [&](const char* name) { return form->findChild<QCheckBox*>(name); };
    // Two searches fill the name and location lists, the later one first.
    for (const char* name : {"first", "report"}) {
      edit("fileNames")->setText(name);
      edit("dirNames")->setText(QString::fromStdString(work.Write(std::string(name) + "/a.txt", "")).section('/', 0, -2));
      form->cmdSearchClick();
      ASSERT_TRUE(ProcessUntil([&] { return !form->SearchRunning(); }));
      form->JoinSearchThreads();
    }
    // Kept when a search starts, before any closing.
    EXPECT_TRUE(std::filesystem::is_regular_file(file));
    combo("fileTypes")->setEditText("PDF;TXT");
    edit("Contains")->setText("tax");
    combo("typecombo")->setCurrentIndex(0);  // Author
    check("optIncDirs")->setChecked(false);
    check("opComp")->click();
    check("suiCheckBox5")->setChecked(true);
    check("CheckBox4")->setChecked(false);
    check("KeepText")->setChecked(false);  // "Keep extracted text for faster repeat searches"
    check("CheckBox8")->click();
    combo("ComboBox3")->setCurrentIndex(2);
    combo("ComboBox2")->setCurrentIndex(0);
    form->findChild<QDateTimeEdit*>("DateTimePicker1")->setDate(QDate(2024, 2, 29));
    check("CheckBox9")->click();
    combo("ComboBox1")->setCurrentIndex(1);
    edit("Edit3")->setText("4096");
    form->findChild<QTableView*>("results")->setColumnWidth(0, 300);
    form->suitempresultsColumnClick(1);
    kept = Snapshot(*form);
    form->close();  // the settings are written at closing
  }
  ASSERT_TRUE(std::filesystem::is_regular_file(file));
  auto again = Open(file);
  EXPECT_EQ(Snapshot(*again), kept);
  EXPECT_EQ(again->findChild<QComboBox*>("fileNamesList")->itemText(0), "report");
  EXPECT_EQ(again->findChild<QComboBox*>("dirNamesList")->count(), 2);
  EXPECT_TRUE(desktop->messages.empty());
}

TEST_F(FormSettingsTest, TheListsOfferTheLastTenTextsEachOnce) {
  config.Write("lists.ini", "[history]\nnames=a, b, a, , c, d, e, f, g, h, i, j, k, l\nlocations=/x\n");
  auto form = Open(config.path() + "/lists.ini");
  QComboBox* names = form->findChild<QComboBox*>("fileNamesList");
  QStringList offered;
  for (int i = 0; i < names->count(); ++i) offered << names->itemText(i);
  EXPECT_EQ(offered, QStringList({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}));
  EXPECT_EQ(form->findChild<QLineEdit*>("fileNames")->text(), "");  // a list entry is offered, not filled in
  EXPECT_EQ(form->findChild<QComboBox*>("dirNamesList")->count(), 1);
}

TEST_F(FormSettingsTest, DamagedOrUnreadableFileGivesTheDefaults) {
  const std::string defaults = Snapshot(*Open(""));
  struct Case {
    const char* what;
    std::string content;  // empty: a folder in the file's place
  };
  static constexpr char kJunk[] = "\x00\xff[window\n\x01geometry=@ByteArray(\xc3\x28\n=\n[";
  const Case cases[] = {
      {"bytes that are no INI file", std::string(kJunk, sizeof kJunk - 1)},
      {"well-formed, every value wrong",
       "[window]\ngeometry=@ByteArray(junk)\ncolumns=@ByteArray(\\0\\0\\0\\xff)\nsortColumn=Colour\n"
       "sortDirections=1x\n[form]\ntypes=A.B\ndateStamp=7\ndateRelation=-5\nsizeKind=abc\ndate1=yesterday\n"},
      {"a folder", ""},
  };
  for (const Case& c : cases) {
    const std::string file = config.path() + "/case.ini";
    std::filesystem::remove_all(file);
    if (c.content.empty())
      std::filesystem::create_directory(file);
    else
      config.Write("case.ini", c.content);
    auto form = Open(file);
    EXPECT_EQ(Snapshot(*form), defaults) << c.what;
    EXPECT_TRUE(desktop->messages.empty()) << c.what;  // no ". is not allowed here!" at start
    form->close();
  }
  // Closing over a damaged file writes a sound one.
  std::filesystem::remove_all(config.path() + "/case.ini");
  config.Write("case.ini", cases[0].content);
  {
    auto form = Open(config.path() + "/case.ini");
    form->findChild<QLineEdit*>("Contains")->setText("kept");
    form->close();
  }
  EXPECT_EQ(Open(config.path() + "/case.ini")->findChild<QLineEdit*>("Contains")->text(), "kept");
}

}  // namespace
}  // namespace tessaly::ui::test
