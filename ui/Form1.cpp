// TForm1: building the controls, their defaults and the handlers that change
// control state (key filters, the file-name split, the file-type guard, the
// archive-format toggle, the filter enabling rules, the folder picker).
#include "ui/Form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/Drives.h"
#include "platform/FileTimes.h"
#include "ui/SlidePanel.h"
#include "ui/StatusBar.h"
#include "ui/UnreadablePanel.h"

namespace tessaly::ui {

namespace {

constexpr int kSearchPanelWidth = 208;
constexpr int kAdvancedClosedWidth = 18;
constexpr int kAdvancedOpenWidth = 167;
constexpr int kFileTypeLimit = 100;

bool IsEnterKey(const QKeyEvent* key) {
  return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->text() == QLatin1String("\r") ||
         key->text() == QLatin1String("\n");
}

QLabel* MakeLabel(const QString& text, QWidget* parent, QWidget* buddy = nullptr) {
  auto* label = new QLabel(text, parent);
  if (buddy) label->setBuddy(buddy);
  return label;
}

// A check box whose caption is drawn a little smaller where it would be wider
// than `width`, rather than cut.
QCheckBox* MakeCheck(const char* name, const QString& caption, bool checked, QWidget* parent, int width = 180) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(QLatin1String(name));
  box->setChecked(checked);
  QFont font = box->font();
  const int room = width - 22;
  while (QFontMetrics(font).horizontalAdvance(caption) > room && font.pointSizeF() > 6.5)
    font.setPointSizeF(font.pointSizeF() - 0.5);
  if (font != box->font()) box->setFont(font);
  return box;
}

QDateTimeEdit* MakeDatePicker(const char* name, QWidget* parent) {
  auto* picker = new QDateTimeEdit(parent);
  picker->setObjectName(QLatin1String(name));
  picker->setCalendarPopup(true);
  picker->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
  return picker;
}

}  // namespace

TForm1::Search::~Search() {
  thread.reset();  // joins before the host it calls goes away
  host.reset();
}

TForm1::TForm1(TFormOptions options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowCloseButtonHint),
      options_(std::move(options)),
      desktop_(options_.desktop ? options_.desktop : std::make_shared<TSystemDesktop>()),
      timeout_(this) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Tessaly"));
  QFont small = font();
  if (small.pointSizeF() > 8) small.setPointSizeF(8);
  setFont(small);
  setMouseTracking(true);

  model_ = new TResultModel(store_, this);
  BuildSearchPanel();
  BuildAdvancedPanel();
  BuildResultPanel();
  BuildResultActions();
  BuildStatusBar();
  BuildLayout();
  SetTabOrder();
  // The first start's size is also the smallest: every control keeps its place.
  setMinimumSize(kClientWidth, kClientHeight);
  resize(kClientWidth, kClientHeight);

  timer1_.setInterval(1000);
  connect(&timer1_, &QTimer::timeout, this, &TForm1::Timer1Timer);
  // About 20 updates a second from the running search.
  updateTimer_.setInterval(kUpdateIntervalMs);
  connect(&updateTimer_, &QTimer::timeout, this, [this] {
    QElapsedTimer cost;
    cost.start();
    if (current_ && current_->host) current_->host->Flush();
    ReapEndedThreads();
    // Updates of a very long list take the window thread longer: space them
    // out so that they never take more than about a fifth of its time.
    const qint64 ms = cost.elapsed();
    updateTimer_.setInterval(static_cast<int>(std::clamp<qint64>(ms * 4, kUpdateIntervalMs, 500)));
  });
  tooltipDelay_.setSingleShot(true);
  connect(&tooltipDelay_, &QTimer::timeout, this, &TForm1::ShowDetailsTooltip);

  ApplyDefaults();
  LoadSettings();
}

TForm1::~TForm1() {
  if (!closed_) {
    // Destroyed without a close: a running search still must not outlive
    // the store and host it uses.
    if (current_ && current_->thread) {
      current_->host->Discard();
      current_->thread->RequestStop();
    }
  }
  JoinSearchThreads();
}

void TForm1::BuildLayout() {
  // Search panel, the Advanced Options bar and the result list side by side
  // above the status bar; only the result list grows with the window.
  auto* columns = new QHBoxLayout;
  columns->setContentsMargins(2, 2, 2, 2);
  columns->setSpacing(2);
  columns->addWidget(searchPanel_);
  columns->addWidget(advancedAnchor_);
  columns->addWidget(resultPanel_, 1);
  auto* window = new QVBoxLayout(this);
  window->setContentsMargins(0, 0, 0, 0);
  window->setSpacing(0);
  window->addLayout(columns, 1);
  window->addWidget(status_);
  advanced_->FollowAnchor(advancedAnchor_);
  advanced_->raise();
}

QComboBox* TForm1::MakeHistoryField(const char* listName, const char* fieldName, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(QLatin1String(listName));
  list->setEditable(true);
  list->setInsertPolicy(QComboBox::NoInsert);
  list->setMaxVisibleItems(kHistoryLength);
  list->setDuplicatesEnabled(false);
  // Typing completes nothing: the list offers the texts, the field keeps what is typed.
  list->setCompleter(nullptr);
  list->lineEdit()->setObjectName(QLatin1String(fieldName));
  return list;
}

void TForm1::BuildSearchPanel() {
  auto* panel = new QGroupBox(QStringLiteral("Search"), this);
  panel->setObjectName(QStringLiteral("searchPanel"));
  panel->setFixedWidth(kSearchPanelWidth - 2);
  searchPanel_ = panel;
  auto* rows = new QVBoxLayout(panel);
  rows->setContentsMargins(6, 4, 6, 6);
  rows->setSpacing(1);
  auto addField = [&](const QString& caption, QWidget* field, QLayout* row = nullptr) {
    rows->addWidget(MakeLabel(caption, panel, field));
    if (row) rows->addLayout(row);
    else rows->addWidget(field);
    rows->addSpacing(3);
  };

  fileNamesList_ = MakeHistoryField("fileNamesList", "fileNames", panel);
  fileNames_ = fileNamesList_->lineEdit();
  addField(QStringLiteral("File &Name:"), fileNamesList_);

  fileTypes_ = new QComboBox(panel);
  fileTypes_->setObjectName(QStringLiteral("fileTypes"));
  fileTypes_->setEditable(true);
  fileTypes_->setInsertPolicy(QComboBox::NoInsert);
  fileTypes_->setMaxVisibleItems(16);
  // "*" is every name: text files of every kind, and any file for the filters.
  fileTypes_->addItems({"PDF", "DOC", "RTF", "TXT", "XLS", "PPT", "HTM", "EPUB", "PDF;DOC", "TXT;HTM", "DOC;XLS;PPT",
                        "ODT;ODS;ODP", "PDF;DOC;RTF;TXT", QString::fromStdString(engine::kDefaultTypeText), "*"});
  addField(QStringLiteral("File &Type:"), fileTypes_);

  contains_ = new QLineEdit(panel);
  contains_->setObjectName(QStringLiteral("Contains"));
  rows->addWidget(MakeLabel(QStringLiteral("&Contain:"), panel, contains_));
  rows->addWidget(contains_);
  typecombo_ = new QComboBox(panel);
  typecombo_->setObjectName(QStringLiteral("typecombo"));
  typecombo_->setEditable(true);
  typecombo_->setInsertPolicy(QComboBox::NoInsert);
  typecombo_->addItems({"Author", "Title", "Subject", "Keywords", "Full-Text", "Creator", "Producer"});
  auto* inRow = new QHBoxLayout;
  inRow->setSpacing(6);
  inRow->addWidget(MakeLabel(QStringLiteral("in"), panel, typecombo_));
  inRow->addWidget(typecombo_, 1);
  rows->addSpacing(2);
  rows->addLayout(inRow);
  rows->addSpacing(3);

  dirNamesList_ = MakeHistoryField("dirNamesList", "dirNames", panel);
  dirNames_ = dirNamesList_->lineEdit();
  cmdFolder_ = new QPushButton(QStringLiteral("..."), panel);
  cmdFolder_->setObjectName(QStringLiteral("cmdFolder"));
  cmdFolder_->setFixedWidth(26);
  auto* locationRow = new QHBoxLayout;
  locationRow->setSpacing(2);
  locationRow->addWidget(dirNamesList_, 1);
  locationRow->addWidget(cmdFolder_);
  addField(QStringLiteral("&Location:"), dirNamesList_, locationRow);

  cmdSearch_ = new QPushButton(QStringLiteral("&Search Now"), panel);
  cmdSearch_->setObjectName(QStringLiteral("cmdSearch"));
  cmdReport_ = new QPushButton(QStringLiteral("Create &Report"), panel);
  cmdReport_->setObjectName(QStringLiteral("cmdReport"));
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(4);
  buttons->addWidget(cmdSearch_);
  buttons->addWidget(cmdReport_);
  rows->addLayout(buttons);
  reportMatches_ = MakeCheck("reportMatches", QStringLiteral("Include matching lines"), false, panel);
  rows->addWidget(reportMatches_);
  rows->addSpacing(2);

  searchOptions_ = new QGroupBox(QStringLiteral("Search Options"), panel);
  searchOptions_->setObjectName(QStringLiteral("searchOptions"));
  auto* options = new QGridLayout(searchOptions_);
  options->setContentsMargins(8, 2, 4, 4);
  options->setHorizontalSpacing(4);
  options->setVerticalSpacing(0);
  optIncDirs_ = MakeCheck("optIncDirs", QStringLiteral("Include subfolders"), true, searchOptions_);
  options->addWidget(optIncDirs_, 0, 0, 1, 3);
  opComp_ = MakeCheck("opComp", QStringLiteral("Search in compressed archives"), false, searchOptions_, 182);
  options->addWidget(opComp_, 1, 0, 1, 3);
  struct FormatBox {
    engine::ArchiveFormat format;
    const char* name;
    const char* caption;
    int column, row;
  };
  static constexpr FormatBox kVisibleFormats[] = {
      {engine::ArchiveFormat::Zip, "optFormatZip", "Zip", 0, 0}, {engine::ArchiveFormat::Rar, "optFormatRar", "Rar", 1, 0},
      {engine::ArchiveFormat::Cab, "optFormatCab", "Cab", 2, 0}, {engine::ArchiveFormat::Ace, "optFormatAce", "Ace", 0, 1},
      {engine::ArchiveFormat::Arj, "optFormatArj", "ArJ", 1, 1}, {engine::ArchiveFormat::Arc, "optFormatArc", "Arc", 2, 1},
      {engine::ArchiveFormat::Lzh, "optFormatLzh", "Lzh", 0, 2}, {engine::ArchiveFormat::Tar, "optFormatTar", "Tar", 1, 2},
      {engine::ArchiveFormat::Sfx, "optFormatSFX", "Sfx", 2, 2}, {engine::ArchiveFormat::SevenZip, "optFormat7z", "7z", 0, 3},
      {engine::ArchiveFormat::Iso, "optFormatIso", "Iso", 1, 3}, {engine::ArchiveFormat::Gz, "optFormatGz", "Gz", 2, 3},
  };
  for (const FormatBox& f : kVisibleFormats) {
    formatBoxes_[static_cast<std::size_t>(f.format)] =
        MakeCheck(f.name, QLatin1String(f.caption), false, searchOptions_, 58);
    options->addWidget(formatBoxes_[static_cast<std::size_t>(f.format)], 2 + f.row, f.column);
  }
  optFormatSFX_ = formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Sfx)];
  searchpdfs_ = MakeCheck("searchpdfs", QStringLiteral("Search in PDF files"), true, searchOptions_);
  options->addWidget(searchpdfs_, 6, 0, 1, 3);
  // Zoo lies outside the group's layout, below its visible area: the user
  // does not see it and opComp leaves it alone, but searches read it.
  auto* zoo = MakeCheck("optFormatZoo", QStringLiteral("Z&oo"), true, searchOptions_, 58);
  zoo->setGeometry(8, 4000, 58, 18);
  formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Zoo)] = zoo;
  optAllFiles_ = MakeCheck("optAllFiles", QStringLiteral("Search in PDF files"), true, searchOptions_);
  optAllFiles_->hide();
  rows->addWidget(searchOptions_);
  rows->addSpacing(2);

  searchCriteria_ = new QGroupBox(QStringLiteral("Search Criteria"), panel);
  searchCriteria_->setObjectName(QStringLiteral("searchCriteria"));
  auto* criteria = new QVBoxLayout(searchCriteria_);
  criteria->setContentsMargins(8, 2, 4, 6);
  criteria->setSpacing(0);
  fuzzyCheckBox_ = MakeCheck("fuzzyCheckBox", QStringLiteral("Fuzzy Matching"), true, searchCriteria_);
  // Clear by default: a search typed as before means what it meant.
  regulars_ = MakeCheck("Regulars", QStringLiteral("Regular Expression"), false, searchCriteria_);
  suiCheckBox5_ = MakeCheck("suiCheckBox5", QStringLiteral("Case Sensitive"), false, searchCriteria_);
  for (QWidget* w : std::initializer_list<QWidget*>{fuzzyCheckBox_, regulars_, suiCheckBox5_}) criteria->addWidget(w);
  BuildMatchOptions(criteria);
  auto makeTime = [this](const char* name) {
    auto* label = new QLabel(QStringLiteral("00"), searchCriteria_);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setFixedSize(22, 18);
    return label;
  };
  auto* clock = new QHBoxLayout;
  clock->setSpacing(3);
  clock->addWidget(MakeLabel(QStringLiteral("Elapsed:"), searchCriteria_));
  clock->addStretch(1);
  timHours_ = makeTime("timHours");
  timMins_ = makeTime("timMins");
  timSecs_ = makeTime("timSecs");
  clock->addWidget(timHours_);
  clock->addWidget(MakeLabel(QStringLiteral(":"), searchCriteria_));
  clock->addWidget(timMins_);
  clock->addWidget(MakeLabel(QStringLiteral(":"), searchCriteria_));
  clock->addWidget(timSecs_);
  clock->addSpacing(30);
  criteria->addSpacing(6);
  criteria->addLayout(clock);
  rows->addWidget(searchCriteria_);
  rows->addStretch(1);

  // A combo box field holds the focus and hands keys to its edit line
  // directly: the keys are filtered at both.
  for (QWidget* w : std::initializer_list<QWidget*>{fileNames_, fileNamesList_, contains_, fileTypes_,
                                                    fileTypes_->lineEdit(), dirNames_, dirNamesList_, optIncDirs_,
                                                    optAllFiles_})
    w->installEventFilter(this);

  connect(cmdSearch_, &QPushButton::clicked, this, &TForm1::cmdSearchClick);
  connect(cmdReport_, &QPushButton::clicked, this, &TForm1::cmdReportClick);
  connect(cmdFolder_, &QPushButton::clicked, this, &TForm1::cmdFolderClick);
  connect(fileTypes_, &QComboBox::editTextChanged, this, &TForm1::fileTypesChange);
  connect(opComp_, &QCheckBox::clicked, this, &TForm1::opCompClick);
}

void TForm1::BuildAdvancedPanel() {
  auto* content = new QWidget;
  content->setObjectName(QStringLiteral("advancedContent"));
  auto* rows = new QVBoxLayout(content);
  rows->setContentsMargins(4, 4, 4, 4);
  rows->setSpacing(4);
  rows->addWidget(MakeLabel(QStringLiteral("Advanced Options"), content));

  auto* fileOptions = new QGroupBox(QStringLiteral("File Options"), content);
  auto* fileRows = new QVBoxLayout(fileOptions);
  fileRows->setContentsMargins(8, 2, 4, 4);
  fileRows->setSpacing(0);
  static constexpr const char* kFileOptions[][2] = {
      {"CheckBox2", "Look for ReadOnly Files"}, {"CheckBox3", "Look for Hidden Files"},
      {"CheckBox4", "Look For System Files"},   {"CheckBox5", "Look For Directorys"},
      {"CheckBox6", "Look For Archive Files"},  {"CheckBox7", "Look For Any Files"}};
  for (const auto& option : kFileOptions)
    fileRows->addWidget(MakeCheck(option[0], QLatin1String(option[1]), true, fileOptions, 146));
  rows->addWidget(fileOptions);

  auto* filters = new QGroupBox(QStringLiteral(" Filters "), content);
  auto* filterRows = new QVBoxLayout(filters);
  filterRows->setContentsMargins(8, 2, 8, 8);
  filterRows->setSpacing(1);
  auto addField = [&](QLabel*& label, const QString& caption, QWidget* field) {
    label = MakeLabel(caption, filters, field);
    filterRows->addWidget(label);
    filterRows->addWidget(field);
    filterRows->addSpacing(3);
  };
  checkBox8_ = MakeCheck("CheckBox8", QStringLiteral("Filter On Date"), false, filters, 140);
  filterRows->addWidget(checkBox8_);
  comboBox3_ = new QComboBox(filters);
  comboBox3_->setObjectName(QStringLiteral("ComboBox3"));
  comboBox3_->addItems({"Creation", "Last Accessed", "Last Modified"});
  comboBox3_->setCurrentIndex(-1);
  addField(accessKindLabel_, QStringLiteral("Access Kind"), comboBox3_);
  comboBox2_ = new QComboBox(filters);
  comboBox2_->setObjectName(QStringLiteral("ComboBox2"));
  comboBox2_->addItems({"Between", "After", "Before", "Same"});
  comboBox2_->setCurrentIndex(-1);
  addField(dateKindLabel_, QStringLiteral("Kind"), comboBox2_);
  dateTimePicker1_ = MakeDatePicker("DateTimePicker1", filters);
  addField(date1Label_, QStringLiteral("Date 1"), dateTimePicker1_);
  dateTimePicker2_ = MakeDatePicker("DateTimePicker2", filters);
  addField(date2Label_, QStringLiteral("Date 2"), dateTimePicker2_);

  filterRows->addSpacing(6);
  checkBox9_ = MakeCheck("CheckBox9", QStringLiteral("Filter On Size"), false, filters, 140);
  filterRows->addWidget(checkBox9_);
  comboBox1_ = new QComboBox(filters);
  comboBox1_->setObjectName(QStringLiteral("ComboBox1"));
  comboBox1_->addItems({"Smaller Or Equal To", "Bigger Or Equal To"});
  comboBox1_->setCurrentIndex(-1);
  addField(sizeKindLabel_, QStringLiteral("Kind"), comboBox1_);
  edit3_ = new QLineEdit(QStringLiteral("0"), filters);
  edit3_->setObjectName(QStringLiteral("Edit3"));
  addField(sizeLabel_, QStringLiteral("Size (Bytes)"), edit3_);
  rows->addWidget(filters);
  // On by default and kept with the form; a search without it converts
  // every document again and leaves the cache as it is.
  keepText_ = new QCheckBox(QStringLiteral("Keep extracted text for\nfaster repeat searches"), content);
  keepText_->setObjectName(QStringLiteral("KeepText"));
  keepText_->setChecked(true);
  QFont keepFont = keepText_->font();  // its longer line fits the panel, as MakeCheck fits one line
  while (QFontMetrics(keepFont).horizontalAdvance(QStringLiteral("Keep extracted text for")) > 146 - 22 &&
         keepFont.pointSizeF() > 6.5)
    keepFont.setPointSizeF(keepFont.pointSizeF() - 0.5);
  keepText_->setFont(keepFont);
  rows->addWidget(keepText_);
  rows->addStretch(1);

  accessKindLabel_->setObjectName(QStringLiteral("labelAccessKind"));
  dateKindLabel_->setObjectName(QStringLiteral("labelDateKind"));
  date1Label_->setObjectName(QStringLiteral("labelDate1"));
  date2Label_->setObjectName(QStringLiteral("labelDate2"));
  sizeKindLabel_->setObjectName(QStringLiteral("labelSizeKind"));
  sizeLabel_->setObjectName(QStringLiteral("labelSize"));

  advanced_ = new TSlidePanel(QStringLiteral("Advanced Options"), kAdvancedClosedWidth, kAdvancedOpenWidth,
                              content, this);
  advanced_->setObjectName(QStringLiteral("advancedPanel"));
  advancedAnchor_ = new QWidget(this);
  advancedAnchor_->setObjectName(QStringLiteral("advancedPlace"));

  connect(checkBox8_, &QCheckBox::clicked, this, &TForm1::CheckBox8Click);
  connect(comboBox2_, &QComboBox::currentIndexChanged, this, &TForm1::CheckBox8Click);
  connect(comboBox3_, &QComboBox::currentIndexChanged, this, &TForm1::CheckBox8Click);
  connect(checkBox9_, &QCheckBox::clicked, this, &TForm1::CheckBox9Click);
}

void TForm1::BuildStatusBar() {
  status_ = new TStatusBar(this);
  status_->setObjectName(QStringLiteral("status"));
  status_->AddPanel(QStringLiteral("statusPanel0"), QStringLiteral("Status: "), 140, Qt::AlignRight, QFrame::Raised);
  status_->AddPanel(QStringLiteral("statusPanel1"), QStringLiteral("Search not started"), TStatusBar::kStretch,
                    Qt::AlignLeft, QFrame::Sunken);
  // Shown from the first search on.
  status_->AddPanel(QStringLiteral("foldersWalked"), QString(), 150, Qt::AlignRight, QFrame::Sunken)->hide();
  // The documents the last search could not read: shown only when there
  // are any; the panels before it stay as they are.
  unreadablePanel_ = new TUnreadablePanel(status_);
  unreadablePanel_->setFixedWidth(130);
  status_->AddWidget(unreadablePanel_);
}

void TForm1::SetTabOrder() {
  const std::vector<QWidget*> order{fileNamesList_, fileTypes_, contains_, typecombo_, dirNamesList_, cmdSearch_,
                                    cmdReport_,
                                    optIncDirs_, opComp_,
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Zip)],
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Rar)],
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Cab)],
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Ace)],
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Arj)],
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Arc)],
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Lzh)],
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Tar)],
                                    optFormatSFX_,
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::SevenZip)],
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Iso)],
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Gz)], searchpdfs_, fuzzyCheckBox_, regulars_, suiCheckBox5_, cmdFolder_};
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
  // The invisible boxes take no part in tabbing.
  formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Zoo)]->setFocusPolicy(Qt::NoFocus);
}

void TForm1::ApplyDefaults() {
  fileTypes_->setCurrentIndex(fileTypes_->findText(QString::fromStdString(engine::kDefaultTypeText)));
  typecombo_->setCurrentIndex(typecombo_->findText(QStringLiteral("Full-Text")));
  fileTypes_->lineEdit()->setCursorPosition(0);

  // Both date pickers hold the moment the window was made.
  const platform::LocalDateTime now = platform::NowLocal();
  const QDateTime moment(QDate(now.year, now.month, now.day), QTime(now.hour, now.minute, now.second));
  dateTimePicker1_->setDateTime(moment);
  dateTimePicker2_->setDateTime(moment);

  searchRunning_ = false;

  // The default location: every fixed drive, joined by ";".
  const std::vector<std::string> drives = options_.fixedDrives ? *options_.fixedDrives : platform::FixedDrives();
  QStringList location;
  for (const std::string& drive : drives) location << DisplayText(drive);
  if (!location.isEmpty()) dirNames_->setText(location.join(QLatin1Char(';')));

  CheckBox8Click();
  CheckBox9Click();
}

// --- Handlers that change control state ---------------------------------

void TForm1::fileNamesExit() {
  const QString text = fileNames_->text();
  const qsizetype dot = text.indexOf(QLatin1Char('.'));
  if (dot < 0) return;
  fileTypes_->setEditText(text.mid(dot + 1, kFileTypeLimit).toUpper());
  fileNames_->setText(text.left(dot));
}

void TForm1::fileTypesChange(const QString& text) {
  if (text.contains(QLatin1Char('.'))) {
    desktop_->ShowMessage(this, QStringLiteral(". is not allowed here!"), windowTitle());
    fileTypes_->setEditText(QString());
    return;
  }
  // What is typed shows in upper case.
  const QString upper = text.toUpper();
  if (upper != text && fileTypes_->lineEdit()) {
    QLineEdit* edit = fileTypes_->lineEdit();
    const int cursor = edit->cursorPosition();
    edit->setText(upper);
    edit->setCursorPosition(cursor);
  }
}

void TForm1::opCompClick() {
  const bool on = opComp_->isChecked();
  for (std::size_t i = 0; i < formatBoxes_.size(); ++i)
    if (i != static_cast<std::size_t>(engine::ArchiveFormat::Zoo)) formatBoxes_[i]->setChecked(on);
}

void TForm1::CheckBox8Click() {
  const bool on = checkBox8_->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{accessKindLabel_, comboBox3_, dateKindLabel_, comboBox2_,
                                                    date1Label_, dateTimePicker1_})
    w->setEnabled(on);
  const bool between = on && comboBox2_->currentIndex() == 0;
  date2Label_->setEnabled(between);
  dateTimePicker2_->setEnabled(between);
}

void TForm1::CheckBox9Click() {
  const bool on = checkBox9_->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{sizeKindLabel_, comboBox1_, sizeLabel_, edit3_})
    w->setEnabled(on);
}

void TForm1::cmdFolderClick() {
  const std::optional<QString> folder =
      desktop_->ChooseFolder(this, QStringLiteral("Choose a folder to start search from:"));
  if (!folder) return;
  if (dirNames_->text().isEmpty())
    dirNames_->setText(*folder);
  else
    dirNames_->setText(dirNames_->text() + QLatin1Char(';') + *folder);
}

engine::SearchCriteria TForm1::TakeCriteria() const {
  engine::SearchCriteria c;
  c.nameText = fileNames_->text().toStdString();
  c.typeText = fileTypes_->currentText().toStdString();
  c.fuzzy = fuzzyCheckBox_->isChecked();
  c.containsText = contains_->text().toStdString();
  c.contentField = typecombo_->currentText().toStdString();
  c.caseSensitive = suiCheckBox5_->isChecked();
  c.regex = regulars_->isChecked();
  c.wholeWords = wholeWords_->isChecked();
  c.allWords = allWords_->isChecked();
  // The report's lines are kept by the search when it is to write them.
  c.matchLines = reportMatches_->isChecked() ? kReportMatchLines : 1;
  c.locationText = dirNames_->text().toStdString();
  c.listFolders = optIncDirs_->isChecked();
  c.searchPdfs = searchpdfs_->isChecked();
  c.useCache = keepText_->isChecked();
  c.allFiles = optAllFiles_->isChecked();
  for (std::size_t i = 0; i < formatBoxes_.size(); ++i) c.archiveFormats[i] = formatBoxes_[i]->isChecked();

  c.sizeFilter.enabled = checkBox9_->isChecked();
  const QString sizeKind = comboBox1_->currentIndex() < 0 ? QString() : comboBox1_->currentText();
  c.sizeFilter.kind = sizeKind.contains(QLatin1String("Smaller"))  ? engine::SizeKind::AtMost
                      : sizeKind.contains(QLatin1String("Bigger")) ? engine::SizeKind::AtLeast
                                                                   : engine::SizeKind::None;
  std::int64_t limit = 0;
  if (engine::ParseSizeLimit(edit3_->text().toStdString(), limit))
    c.sizeFilter.limit = limit;
  else
    c.sizeFilter.enabled = false;  // never a filter with an undefined bound; a search refuses to start

  c.dateFilter.enabled = checkBox8_->isChecked();
  switch (comboBox3_->currentIndex()) {
    case 0: c.dateFilter.stamp = platform::TimeStamp::Creation; break;
    case 1: c.dateFilter.stamp = platform::TimeStamp::LastAccess; break;
    case 2: c.dateFilter.stamp = platform::TimeStamp::LastWrite; break;
    default: c.dateFilter.stamp = platform::TimeStamp::None; break;
  }
  switch (comboBox2_->currentIndex()) {
    case 0: c.dateFilter.relation = engine::DateRelation::Between; break;
    case 1: c.dateFilter.relation = engine::DateRelation::After; break;
    case 2: c.dateFilter.relation = engine::DateRelation::Before; break;
    case 3: c.dateFilter.relation = engine::DateRelation::Same; break;
    default: c.dateFilter.relation = engine::DateRelation::None; break;
  }
  auto toLocal = [](const QDateTime& t) {
    return platform::LocalDateTime{t.date().year(), t.date().month(),  t.date().day(),
                                   t.time().hour(), t.time().minute(), t.time().second()};
  };
  c.dateFilter.date1 = toLocal(dateTimePicker1_->dateTime());
  c.dateFilter.date2 = toLocal(dateTimePicker2_->dateTime());
  return c;
}

QString TForm1::StatusText(int panel) const { return status_->Text(panel); }

void TForm1::SetStatus(int panel, const QString& text) { status_->SetText(panel, text); }

// --- Keys, mouse, showing ----------------------------------------------

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  const bool searchField = watched == fileNames_ || watched == fileNamesList_ || watched == contains_ ||
                           watched == fileTypes_ || watched == fileTypes_->lineEdit();
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape && searchRunning_) {
      cmdSearchClick();  // Esc stops a running search
      return true;
    }
    if (watched == results_) {
      if (IsEnterKey(key)) {
        resultsOpen();
        return true;
      }
      if (key->matches(QKeySequence::Copy)) {
        resultsCopyPath();
        return true;
      }
      const QKeyCombination combination = key->keyCombination();
      if (combination == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_C)) {
        resultsCopyName();
        return true;
      }
      if (combination == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_O)) {
        resultsOpenFolder();
        return true;
      }
      return false;
    }
    if (IsEnterKey(key)) {
      cmdSearchClick();
      return true;
    }
    // The colon never reaches a name or type (no file name holds one); a
    // text to find keeps it (10:30, a URL, a pattern's `(?:`).
    if (searchField && watched != contains_ && key->text() == QLatin1String(":")) return true;
    return false;
  }
  if (event->type() == QEvent::FocusOut && (watched == fileNames_ || watched == fileNamesList_)) {
    // Only focus that moves to another control of the window, not to
    // another window or a pop-up (the field's own drop-down list).
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) fileNamesExit();
    return false;
  }
  if (watched == results_->viewport()) {
    if (event->type() == QEvent::MouseMove) {
      lastMouseGlobal_ = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
    } else if (event->type() == QEvent::ToolTip) {
      ShowDetailsTooltip();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  // Esc anywhere in the window stops a running search, as "Stop Search".
  if (event->key() == Qt::Key_Escape && searchRunning_) {
    cmdSearchClick();
    return;
  }
  // Enter in the window itself, while no control has the focus.
  QWidget* focus = QApplication::focusWidget();
  if (IsEnterKey(event) && (focus == nullptr || focus == this)) {
    cmdSearchClick();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TForm1::mouseMoveEvent(QMouseEvent* event) {
  lastMouseGlobal_ = event->globalPosition().toPoint();
  QWidget::mouseMoveEvent(event);
}

void TForm1::showEvent(QShowEvent* event) {
  if (!centred_) {
    centred_ = true;
    if (QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
  }
  QWidget::showEvent(event);
  fileNames_->setFocus();
}

void TForm1::BringToFront() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

}  // namespace tessaly::ui
