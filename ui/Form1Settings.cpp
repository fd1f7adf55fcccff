// TForm1's settings file: the window's place and size, the result list's
// columns and sort state, the search form and the lists of the last names
// and locations searched for. Read once at creation, written at closing.
//
// The file is an INI file that the user may edit or that may be damaged:
// every value is checked before it is used, and a file that cannot be read
// or parsed leaves every control at its default.
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QSettings>
#include <QSplitter>
#include <QTableView>

#include "ui/Form1.h"

namespace tessaly::ui {

namespace {

// The check boxes that are kept: every one of the form except optAllFiles,
// which is always checked.
bool IsKeptCheckBox(const QCheckBox* box) { return box->objectName() != QLatin1String("optAllFiles"); }

// A box's key. Earlier versions stored "Regular Expression" as set, when it
// did nothing; it is kept under a key of its own, so that their value is
// ignored and the box starts clear.
QString CheckKey(const QCheckBox* box) {
  if (box->objectName() == QLatin1String("Regulars")) return QStringLiteral("checks/RegularExpression");
  return QStringLiteral("checks/") + box->objectName();
}

QStringList HistoryOf(const QComboBox* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts << list->itemText(i);
  return texts;
}

// Replaces the list's entries; the field keeps its text.
void SetHistory(QComboBox* list, QStringList texts) {
  texts.removeAll(QString());
  texts.removeDuplicates();
  while (texts.size() > TForm1::kHistoryLength) texts.removeLast();
  const QString text = list->currentText();
  list->clear();
  list->addItems(texts);
  list->setCurrentIndex(-1);
  list->setEditText(text);
}

// A combo box index from the file, when it names one of the box's entries
// (-1, no selection, included).
void RestoreIndex(QSettings& settings, const QString& key, QComboBox* box) {
  bool ok = false;
  const int index = settings.value(key).toInt(&ok);
  if (ok && index >= -1 && index < box->count()) box->setCurrentIndex(index);
}

void RestoreDate(QSettings& settings, const QString& key, QDateTimeEdit* picker) {
  const QDateTime moment = QDateTime::fromString(settings.value(key).toString(), Qt::ISODate);
  if (moment.isValid()) picker->setDateTime(moment);
}

// An editable combo box: the entry of that text, else the text typed in.
void RestoreEditText(QComboBox* box, const QString& text) {
  const int index = box->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
  if (index >= 0) box->setCurrentIndex(index);
  else box->setEditText(text);
}

// A text without the characters a field never takes from the keyboard.
QString WithoutColons(QString text) { return text.remove(QLatin1Char(':')); }

}  // namespace

QString DefaultSettingsFile() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tessaly"), QStringLiteral("Tessaly"))
      .fileName();
}

void TForm1::LoadSettings() {
  const QString& file = options_.settingsFile;
  if (file.isEmpty()) return;
  const QFileInfo info(file);
  if (!info.exists() || !info.isFile() || !info.isReadable()) return;
  QSettings settings(file, QSettings::IniFormat);
  // A file that does not parse is not trusted in part either.
  if (settings.status() != QSettings::NoError) return;

  settings.beginGroup(QStringLiteral("window"));
  if (restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray())) centred_ = true;
  QHeaderView* header = results_->horizontalHeader();
  if (header->restoreState(settings.value(QStringLiteral("columns")).toByteArray())) {
    // Whatever the file said, every column shows (the match columns when a
    // content search shows them) and the last one stretches.
    for (int column = 0; column < TResultModel::kColumnCount; ++column) {
      header->setSectionHidden(column, column >= TResultModel::kModifiedColumn);
      if (header->sectionSize(column) < header->minimumSectionSize())
        header->resizeSection(column, header->minimumSectionSize());
    }
    header->setStretchLastSection(true);
  }
  const QString sortCaption = settings.value(QStringLiteral("sortColumn")).toString();
  for (int column = 0; column < TResultModel::kColumnCount; ++column)
    if (sortCaption == TResultModel::Caption(column)) sortCaption_ = sortCaption;
  const QString directions = settings.value(QStringLiteral("sortDirections")).toString();
  // Earlier versions had fewer columns: their flags are the first ones.
  if (directions.size() >= 3 && directions.size() <= TResultModel::kColumnCount &&
      directions.count(QLatin1Char('0')) + directions.count(QLatin1Char('1')) == directions.size()) {
    for (int column = 0; column < directions.size(); ++column)
      directions_[static_cast<std::size_t>(column)] = directions[column] == QLatin1Char('1');
  }
  resultSplitter_->restoreState(settings.value(QStringLiteral("previewSplitter")).toByteArray());
  settings.endGroup();

  settings.beginGroup(QStringLiteral("history"));
  SetHistory(fileNamesList_, settings.value(QStringLiteral("names")).toStringList());
  SetHistory(dirNamesList_, settings.value(QStringLiteral("locations")).toStringList());
  settings.endGroup();

  settings.beginGroup(QStringLiteral("form"));
  if (settings.contains(QStringLiteral("name")))
    fileNames_->setText(WithoutColons(settings.value(QStringLiteral("name")).toString()));
  const QString types = WithoutColons(settings.value(QStringLiteral("types")).toString());
  // A type list with a dot would be refused with a message at every start.
  if (settings.contains(QStringLiteral("types")) && !types.contains(QLatin1Char('.')))
    RestoreEditText(fileTypes_, types);
  if (settings.contains(QStringLiteral("contains")))
    contains_->setText(settings.value(QStringLiteral("contains")).toString());
  if (settings.contains(QStringLiteral("in")))
    RestoreEditText(typecombo_, settings.value(QStringLiteral("in")).toString());
  if (settings.contains(QStringLiteral("location")))
    dirNames_->setText(settings.value(QStringLiteral("location")).toString());
  for (QCheckBox* box : findChildren<QCheckBox*>()) {
    const QString key = CheckKey(box);
    if (IsKeptCheckBox(box) && settings.contains(key)) box->setChecked(settings.value(key).toBool());
  }
  RestoreIndex(settings, QStringLiteral("dateStamp"), comboBox3_);
  RestoreIndex(settings, QStringLiteral("dateRelation"), comboBox2_);
  RestoreDate(settings, QStringLiteral("date1"), dateTimePicker1_);
  RestoreDate(settings, QStringLiteral("date2"), dateTimePicker2_);
  RestoreIndex(settings, QStringLiteral("sizeKind"), comboBox1_);
  if (settings.contains(QStringLiteral("sizeLimit")))
    edit3_->setText(settings.value(QStringLiteral("sizeLimit")).toString());
  settings.endGroup();

  // The filters' controls follow their restored check boxes.
  CheckBox8Click();
  CheckBox9Click();
  fileTypes_->lineEdit()->setCursorPosition(0);
}

void TForm1::SaveSettings() {
  const QString& file = options_.settingsFile;
  if (file.isEmpty()) return;
  QDir().mkpath(QFileInfo(file).absolutePath());
  // A damaged file is replaced as a whole.
  if (QFileInfo(file).isFile() && QSettings(file, QSettings::IniFormat).status() != QSettings::NoError)
    QFile::remove(file);
  QSettings settings(file, QSettings::IniFormat);
  settings.clear();

  settings.beginGroup(QStringLiteral("window"));
  settings.setValue(QStringLiteral("geometry"), saveGeometry());
  settings.setValue(QStringLiteral("columns"), results_->horizontalHeader()->saveState());
  settings.setValue(QStringLiteral("sortColumn"), sortCaption_);
  QString directions;
  for (bool descending : directions_) directions += descending ? QLatin1Char('1') : QLatin1Char('0');
  settings.setValue(QStringLiteral("sortDirections"), directions);
  settings.setValue(QStringLiteral("previewSplitter"), resultSplitter_->saveState());
  settings.endGroup();

  settings.beginGroup(QStringLiteral("history"));
  settings.setValue(QStringLiteral("names"), HistoryOf(fileNamesList_));
  settings.setValue(QStringLiteral("locations"), HistoryOf(dirNamesList_));
  settings.endGroup();

  settings.beginGroup(QStringLiteral("form"));
  settings.setValue(QStringLiteral("name"), fileNames_->text());
  settings.setValue(QStringLiteral("types"), fileTypes_->currentText());
  settings.setValue(QStringLiteral("contains"), contains_->text());
  settings.setValue(QStringLiteral("in"), typecombo_->currentText());
  settings.setValue(QStringLiteral("location"), dirNames_->text());
  for (const QCheckBox* box : findChildren<QCheckBox*>())
    if (IsKeptCheckBox(box)) settings.setValue(CheckKey(box), box->isChecked());
  settings.setValue(QStringLiteral("dateStamp"), comboBox3_->currentIndex());
  settings.setValue(QStringLiteral("dateRelation"), comboBox2_->currentIndex());
  settings.setValue(QStringLiteral("date1"), dateTimePicker1_->dateTime().toString(Qt::ISODate));
  settings.setValue(QStringLiteral("date2"), dateTimePicker2_->dateTime().toString(Qt::ISODate));
  settings.setValue(QStringLiteral("sizeKind"), comboBox1_->currentIndex());
  settings.setValue(QStringLiteral("sizeLimit"), edit3_->text());
  settings.endGroup();
  // A file that cannot be written (a read-only folder) keeps nothing; the
  // window closes as usual.
  settings.sync();
}

void TForm1::RememberSearchTexts() {
  auto remember = [](QComboBox* list) {
    const QString text = list->currentText();
    if (text.isEmpty()) return;
    QStringList texts = HistoryOf(list);
    texts.removeAll(text);
    texts.prepend(text);
    SetHistory(list, texts);
  };
  remember(fileNamesList_);
  remember(dirNamesList_);
}

}  // namespace tessaly::ui
