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
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTableView>

#include <algorithm>

#include "platform/Drives.h"
#include "platform/FileTimes.h"
#include "ui/SlidePanel.h"

namespace tessaly::ui {

namespace {

constexpr int kClientWidth = 694;
constexpr int kClientHeight = 518;
constexpr int kStatusHeight = 20;
constexpr int kSearchPanelWidth = 208;
constexpr int kAdvancedClosedWidth = 18;
constexpr int kAdvancedOpenWidth = 167;
constexpr int kFileTypeLimit = 100;

bool IsEnterKey(const QKeyEvent* key) {
  return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->text() == QLatin1String("\r") ||
         key->text() == QLatin1String("\n");
}

QLabel* MakeLabel(const QString& text, QWidget* parent, int x, int y, QWidget* buddy = nullptr) {
  auto* label = new QLabel(text, parent);
  label->move(x, y);
  label->adjustSize();
  if (buddy) label->setBuddy(buddy);
  return label;
}

QCheckBox* MakeCheck(const char* name, const QString& caption, bool checked, QWidget* parent, int x, int y,
                     int width = 180) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(QLatin1String(name));
  box->setChecked(checked);
  box->setGeometry(x, y, width, 18);
  // A caption wider than its place is drawn a little smaller rather than cut.
  QFont font = box->font();
  const int room = width - 22;
  while (QFontMetrics(font).horizontalAdvance(caption) > room && font.pointSizeF() > 6.5)
    font.setPointSizeF(font.pointSizeF() - 0.5);
  if (font != box->font()) box->setFont(font);
  return box;
}

QDateTimeEdit* MakeDatePicker(const char* name, QWidget* parent, int x, int y) {
  auto* picker = new QDateTimeEdit(parent);
  picker->setObjectName(QLatin1String(name));
  picker->setCalendarPopup(true);
  picker->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
  picker->setGeometry(x, y, 143, 21);
  return picker;
}

}  // namespace

TForm1::Search::~Search() {
  thread.reset();  // joins before the host it calls goes away
  host.reset();
}

TForm1::TForm1(TFormOptions options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      options_(std::move(options)),
      desktop_(options_.desktop ? options_.desktop : std::make_shared<TSystemDesktop>()),
      timeout_(this) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Tessaly"));
  setFixedSize(kClientWidth, kClientHeight);
  QFont small = font();
  if (small.pointSizeF() > 8) small.setPointSizeF(8);
  setFont(small);
  setMouseTracking(true);

  model_ = new TResultModel(store_, this);
  BuildSearchPanel();
  BuildAdvancedPanel();
  BuildResultPanel();
  BuildStatusBar();
  SetTabOrder();

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

void TForm1::BuildSearchPanel() {
  auto* panel = new QGroupBox(QStringLiteral("Search"), this);
  panel->setObjectName(QStringLiteral("searchPanel"));
  panel->setGeometry(2, 2, kSearchPanelWidth - 2, kClientHeight - kStatusHeight - 4);

  fileNames_ = new QLineEdit(panel);
  fileNames_->setObjectName(QStringLiteral("fileNames"));
  fileNames_->setGeometry(8, 34, 190, 21);
  MakeLabel(QStringLiteral("File &Name:"), panel, 8, 18, fileNames_);

  fileTypes_ = new QComboBox(panel);
  fileTypes_->setObjectName(QStringLiteral("fileTypes"));
  fileTypes_->setEditable(true);
  fileTypes_->setInsertPolicy(QComboBox::NoInsert);
  fileTypes_->setMaxVisibleItems(16);
  fileTypes_->addItems({"PDF", "DOC", "RTF", "TXT", "XLS", "PPT", "HTM", "PDF;DOC", "TXT;HTM", "DOC;XLS;PPT",
                        "ODT;ODS;ODP", "PDF;DOC;RTF;TXT", "PDF;DOC;RTF;TXT;XLS;PPT;HTM;ODT;ODS;ODP"});
  fileTypes_->setGeometry(8, 74, 190, 21);
  MakeLabel(QStringLiteral("File &Type:"), panel, 8, 58, fileTypes_);

  contains_ = new QLineEdit(panel);
  contains_->setObjectName(QStringLiteral("Contains"));
  contains_->setGeometry(8, 114, 190, 21);
  MakeLabel(QStringLiteral("&Contain:"), panel, 8, 98, contains_);

  typecombo_ = new QComboBox(panel);
  typecombo_->setObjectName(QStringLiteral("typecombo"));
  typecombo_->setEditable(true);
  typecombo_->setInsertPolicy(QComboBox::NoInsert);
  typecombo_->addItems({"Author", "Title", "Subject", "Keywords", "Full-Text", "Creator", "Producer"});
  typecombo_->setGeometry(26, 138, 172, 21);
  MakeLabel(QStringLiteral("in"), panel, 10, 141, typecombo_);

  dirNames_ = new QLineEdit(panel);
  dirNames_->setObjectName(QStringLiteral("dirNames"));
  dirNames_->setGeometry(8, 178, 162, 21);
  MakeLabel(QStringLiteral("&Location:"), panel, 8, 162, dirNames_);
  cmdFolder_ = new QPushButton(QStringLiteral("..."), panel);
  cmdFolder_->setObjectName(QStringLiteral("cmdFolder"));
  cmdFolder_->setGeometry(172, 178, 26, 21);

  cmdSearch_ = new QPushButton(QStringLiteral("&Search Now"), panel);
  cmdSearch_->setObjectName(QStringLiteral("cmdSearch"));
  cmdSearch_->setGeometry(8, 205, 92, 24);
  cmdReport_ = new QPushButton(QStringLiteral("Create &Report"), panel);
  cmdReport_->setObjectName(QStringLiteral("cmdReport"));
  cmdReport_->setGeometry(104, 205, 94, 24);

  searchOptions_ = new QGroupBox(QStringLiteral("Search Options"), panel);
  searchOptions_->setObjectName(QStringLiteral("searchOptions"));
  searchOptions_->setGeometry(6, 234, 194, 142);
  optIncDirs_ = MakeCheck("optIncDirs", QStringLiteral("Include subfolders"), true, searchOptions_, 8, 18);
  opComp_ = MakeCheck("opComp", QStringLiteral("Search in compressed archives"), false, searchOptions_, 8, 36, 182);
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
  };
  for (const FormatBox& f : kVisibleFormats) {
    formatBoxes_[static_cast<std::size_t>(f.format)] = MakeCheck(
        f.name, QLatin1String(f.caption), false, searchOptions_, 8 + 62 * f.column, 56 + 18 * f.row, 58);
  }
  optFormatSFX_ = MakeCheck("optFormatSFX", QStringLiteral("Sfx"), false, searchOptions_, 8 + 62 * 2, 56 + 36, 58);
  searchpdfs_ = MakeCheck("searchpdfs", QStringLiteral("Search in PDF files"), true, searchOptions_, 8, 116);
  // Zoo sits below the group's visible area: the user does not see it and
  // opComp leaves it alone, but searches read it.
  formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Zoo)] =
      MakeCheck("optFormatZoo", QStringLiteral("Z&oo"), true, searchOptions_, 8, 200, 58);
  optAllFiles_ = MakeCheck("optAllFiles", QStringLiteral("Search in PDF files"), true, searchOptions_, 8, 220);
  optAllFiles_->hide();

  searchCriteria_ = new QGroupBox(QStringLiteral("Search Criteria"), panel);
  searchCriteria_->setObjectName(QStringLiteral("searchCriteria"));
  searchCriteria_->setGeometry(6, 380, 194, 108);
  fuzzyCheckBox_ = MakeCheck("fuzzyCheckBox", QStringLiteral("Fuzzy Matching"), true, searchCriteria_, 8, 18);
  regulars_ = MakeCheck("Regulars", QStringLiteral("Regular Expression"), true, searchCriteria_, 8, 36);
  suiCheckBox5_ = MakeCheck("suiCheckBox5", QStringLiteral("Case Sensitive"), false, searchCriteria_, 8, 54);
  MakeLabel(QStringLiteral("Elapsed:"), searchCriteria_, 8, 80);
  auto makeTime = [this](const char* name, int x) {
    auto* label = new QLabel(QStringLiteral("00"), searchCriteria_);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setGeometry(x, 78, 22, 18);
    return label;
  };
  timHours_ = makeTime("timHours", 70);
  MakeLabel(QStringLiteral(":"), searchCriteria_, 94, 79);
  timMins_ = makeTime("timMins", 100);
  MakeLabel(QStringLiteral(":"), searchCriteria_, 124, 79);
  timSecs_ = makeTime("timSecs", 130);

  for (QWidget* w : std::initializer_list<QWidget*>{fileNames_, contains_, fileTypes_->lineEdit(), dirNames_,
                                                    optIncDirs_, optAllFiles_})
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
  MakeLabel(QStringLiteral("Advanced Options"), content, 6, 4);

  auto* fileOptions = new QGroupBox(QStringLiteral("File Options"), content);
  fileOptions->setGeometry(4, 22, kAdvancedOpenWidth - 8, 130);
  static constexpr const char* kFileOptions[][2] = {
      {"CheckBox2", "Look for ReadOnly Files"}, {"CheckBox3", "Look for Hidden Files"},
      {"CheckBox4", "Look For System Files"},   {"CheckBox5", "Look For Directorys"},
      {"CheckBox6", "Look For Archive Files"},  {"CheckBox7", "Look For Any Files"}};
  int y = 18;
  for (const auto& option : kFileOptions) {
    MakeCheck(option[0], QLatin1String(option[1]), true, fileOptions, 8, y, 146);
    y += 18;
  }

  auto* filters = new QGroupBox(QStringLiteral(" Filters "), content);
  filters->setGeometry(4, 156, kAdvancedOpenWidth - 8, 316);
  checkBox8_ = MakeCheck("CheckBox8", QStringLiteral("Filter On Date"), false, filters, 8, 18, 140);
  comboBox3_ = new QComboBox(filters);
  comboBox3_->setObjectName(QStringLiteral("ComboBox3"));
  comboBox3_->addItems({"Creation", "Last Accessed", "Last Modified"});
  comboBox3_->setCurrentIndex(-1);
  comboBox3_->setGeometry(8, 56, 143, 21);
  accessKindLabel_ = MakeLabel(QStringLiteral("Access Kind"), filters, 8, 40, comboBox3_);
  comboBox2_ = new QComboBox(filters);
  comboBox2_->setObjectName(QStringLiteral("ComboBox2"));
  comboBox2_->addItems({"Between", "After", "Before", "Same"});
  comboBox2_->setCurrentIndex(-1);
  comboBox2_->setGeometry(8, 96, 143, 21);
  dateKindLabel_ = MakeLabel(QStringLiteral("Kind"), filters, 8, 80, comboBox2_);
  dateTimePicker1_ = MakeDatePicker("DateTimePicker1", filters, 8, 136);
  date1Label_ = MakeLabel(QStringLiteral("Date 1"), filters, 8, 120, dateTimePicker1_);
  dateTimePicker2_ = MakeDatePicker("DateTimePicker2", filters, 8, 176);
  date2Label_ = MakeLabel(QStringLiteral("Date 2"), filters, 8, 160, dateTimePicker2_);

  checkBox9_ = MakeCheck("CheckBox9", QStringLiteral("Filter On Size"), false, filters, 8, 208, 140);
  comboBox1_ = new QComboBox(filters);
  comboBox1_->setObjectName(QStringLiteral("ComboBox1"));
  comboBox1_->addItems({"Smaller Or Equal To", "Bigger Or Equal To"});
  comboBox1_->setCurrentIndex(-1);
  comboBox1_->setGeometry(8, 246, 143, 21);
  sizeKindLabel_ = MakeLabel(QStringLiteral("Kind"), filters, 8, 230, comboBox1_);
  edit3_ = new QLineEdit(QStringLiteral("0"), filters);
  edit3_->setObjectName(QStringLiteral("Edit3"));
  edit3_->setGeometry(8, 286, 143, 21);
  sizeLabel_ = MakeLabel(QStringLiteral("Size (Bytes)"), filters, 8, 270, edit3_);

  accessKindLabel_->setObjectName(QStringLiteral("labelAccessKind"));
  dateKindLabel_->setObjectName(QStringLiteral("labelDateKind"));
  date1Label_->setObjectName(QStringLiteral("labelDate1"));
  date2Label_->setObjectName(QStringLiteral("labelDate2"));
  sizeKindLabel_->setObjectName(QStringLiteral("labelSizeKind"));
  sizeLabel_->setObjectName(QStringLiteral("labelSize"));

  advanced_ = new TSlidePanel(QStringLiteral("Advanced Options"), kAdvancedClosedWidth, kAdvancedOpenWidth,
                              content, this);
  advanced_->setObjectName(QStringLiteral("advancedPanel"));
  advanced_->setGeometry(kSearchPanelWidth + 2, 2, kAdvancedClosedWidth, kClientHeight - kStatusHeight - 4);

  connect(checkBox8_, &QCheckBox::clicked, this, &TForm1::CheckBox8Click);
  connect(comboBox2_, &QComboBox::currentIndexChanged, this, &TForm1::CheckBox8Click);
  connect(comboBox3_, &QComboBox::currentIndexChanged, this, &TForm1::CheckBox8Click);
  connect(checkBox9_, &QCheckBox::clicked, this, &TForm1::CheckBox9Click);
}

void TForm1::BuildResultPanel() {
  const int left = kSearchPanelWidth + 2 + kAdvancedClosedWidth + 2;
  auto* panel = new QGroupBox(QStringLiteral("Search Result"), this);
  panel->setObjectName(QStringLiteral("resultPanel"));
  panel->setGeometry(left, 2, kClientWidth - left - 2, kClientHeight - kStatusHeight - 4);

  // A table without grid and row header looks like a list view and, unlike
  // a tree view, lays out a grown row count without visiting every row.
  results_ = new QTableView(panel);
  results_->setObjectName(QStringLiteral("results"));
  results_->setGeometry(6, 18, panel->width() - 12, panel->height() - 24);
  results_->setModel(model_);
  results_->setShowGrid(false);
  results_->setWordWrap(false);
  results_->setCornerButtonEnabled(false);
  results_->verticalHeader()->hide();
  results_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  results_->verticalHeader()->setDefaultSectionSize(results_->fontMetrics().height() + 2);
  results_->setSelectionMode(QAbstractItemView::SingleSelection);
  results_->setSelectionBehavior(QAbstractItemView::SelectRows);
  results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  results_->setFocusPolicy(Qt::ClickFocus);  // no tab stop
  results_->setSortingEnabled(false);        // the window sorts, with its own comparison
  results_->setMouseTracking(true);
  results_->horizontalHeader()->setSectionsClickable(true);
  results_->horizontalHeader()->setSectionsMovable(false);
  results_->horizontalHeader()->setHighlightSections(false);
  results_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  results_->horizontalHeader()->setStretchLastSection(true);
  results_->setColumnWidth(TResultModel::kNameColumn, 220);
  results_->setColumnWidth(TResultModel::kSizeColumn, 51);
  results_->installEventFilter(this);
  results_->viewport()->installEventFilter(this);

  connect(results_->horizontalHeader(), &QHeaderView::sectionClicked, this, &TForm1::suitempresultsColumnClick);
  connect(results_, &QAbstractItemView::doubleClicked, this, [this] { resultsOpen(); });
  connect(results_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid() && results_->selectionModel()->isRowSelected(current.row(), QModelIndex()))
              ResultSelected(current.row());
          });
}

void TForm1::BuildStatusBar() {
  auto* bar = new QWidget(this);
  bar->setObjectName(QStringLiteral("status"));
  bar->setGeometry(0, kClientHeight - kStatusHeight, kClientWidth, kStatusHeight);
  statusPanels_[0] = new QLabel(QStringLiteral("Status: "), bar);
  statusPanels_[0]->setObjectName(QStringLiteral("statusPanel0"));
  statusPanels_[0]->setGeometry(0, 0, 140, kStatusHeight);
  statusPanels_[0]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  statusPanels_[0]->setFrameStyle(QFrame::Panel | QFrame::Raised);
  statusPanels_[1] = new QLabel(QStringLiteral("Search not started"), bar);
  statusPanels_[1]->setObjectName(QStringLiteral("statusPanel1"));
  statusPanels_[1]->setGeometry(142, 0, kClientWidth - 142, kStatusHeight);
  statusPanels_[1]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void TForm1::SetTabOrder() {
  const std::vector<QWidget*> order{fileNames_, fileTypes_, contains_, typecombo_, dirNames_, cmdSearch_, cmdReport_,
                                    optIncDirs_, opComp_,
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Zip)],
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Rar)],
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Cab)],
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Ace)],
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Arj)],
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Arc)],
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Lzh)],
                                    formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Tar)],
                                    optFormatSFX_, searchpdfs_, fuzzyCheckBox_, regulars_, suiCheckBox5_, cmdFolder_};
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
  // The invisible boxes take no part in tabbing.
  formatBoxes_[static_cast<std::size_t>(engine::ArchiveFormat::Zoo)]->setFocusPolicy(Qt::NoFocus);
}

void TForm1::ApplyDefaults() {
  fileTypes_->setCurrentIndex(fileTypes_->findText(QStringLiteral("PDF;DOC;RTF;TXT;XLS;PPT;HTM;ODT;ODS;ODP")));
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
  optFormatSFX_->setChecked(on);
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
  c.locationText = dirNames_->text().toStdString();
  c.listFolders = optIncDirs_->isChecked();
  c.searchPdfs = searchpdfs_->isChecked();
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

QString TForm1::StatusText(int panel) const {
  return statusPanels_.at(static_cast<std::size_t>(panel))->text();
}

void TForm1::SetStatus(int panel, const QString& text) {
  statusPanels_.at(static_cast<std::size_t>(panel))->setText(text);
}

// --- Keys, mouse, showing ----------------------------------------------

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  const bool searchField = watched == fileNames_ || watched == contains_ || watched == fileTypes_->lineEdit();
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == results_) {
      if (IsEnterKey(key)) {
        resultsOpen();
        return true;
      }
      return false;
    }
    if (IsEnterKey(key)) {
      cmdSearchClick();
      return true;
    }
    if (searchField && key->text() == QLatin1String(":")) return true;  // the colon never reaches the text
    return false;
  }
  if (event->type() == QEvent::FocusOut && watched == fileNames_) {
    // Only focus that moves to another control of the window, not to
    // another window or a pop-up.
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
