// TForm1 as the host of a search: starting and stopping it, the updates it
// hands over, the enabling of the search form around it, the elapsed-time
// clock and the closing steps.
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <cstdlib>
#include <ctime>

#include "engine/PatternMatcher.h"
#include "platform/WorkFolder.h"
#include "ui/PreviewPane.h"
#include "ui/CleanupWalk.h"
#include "ui/Form1.h"
#include "ui/SlidePanel.h"
#include "ui/StatusBar.h"
#include "ui/UnreadablePanel.h"

namespace tessaly::ui {

namespace {

QString FoldersWalkedText(std::size_t count) {
  return count == 1 ? QStringLiteral("1 folder walked") : QStringLiteral("%1 folders walked").arg(count);
}

}  // namespace

void TForm1::cmdSearchClick() {
  // Tooltip colour and time, the random source of temporary file names, and
  // no conversion time-out left running.
  hint_.ResetForSearch();
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  timeout_.Stop();

  if (dirNames_->text().isEmpty()) {
    desktop_->ShowMessage(this, QStringLiteral("Please specify the Location where you want to search"),
                          QStringLiteral("Location missing"));
    dirNames_->setFocus();
    return;
  }
  if (!searchRunning_ && checkBox9_->isChecked()) {
    // A size filter with no sound bound would pass or drop files at random.
    std::int64_t limit = 0;
    if (!engine::ParseSizeLimit(edit3_->text().toStdString(), limit)) {
      desktop_->ShowMessage(this, QStringLiteral("Please enter the size as a whole number of bytes"),
                            QStringLiteral("ERROR:"));
      advanced_->Open();
      edit3_->setFocus();
      return;
    }
  }
  if (!searchRunning_) {
    // A pattern that does not compile: the engine's message, no search.
    if (const std::optional<std::string> problem = engine::PatternProblem(TakeCriteria())) {
      desktop_->ShowMessage(this, DisplayText(*problem), QStringLiteral("ERROR:"));
      contains_->setFocus();
      return;
    }
  }
  detailsText_.clear();
  if (searchRunning_)
    StopSearch();
  else
    StartSearch();
}

void TForm1::StartSearch() {
  ReapEndedThreads();
  if (current_) {
    // The last search's calls still queued (its end steps) must not reach
    // the new one.
    current_->host->Discard();
    ended_.push_back(std::move(current_));
  }

  searchRunning_ = true;
  cmdSearch_->setText(QStringLiteral("&Stop Search"));
  fileNames_->setFocus();
  SetSearchFormEnabled(false);

  lastLocationText_ = dirNames_->text().toStdString();
  lastNameText_ = fileNames_->text().toStdString();
  RememberSearchTexts();
  // Kept now as well as at closing: a session that ends without closing the
  // window (a logout, a lost display) still keeps the form of its last search.
  SaveSettings();
  SetStatus(kFoldersPanel, FoldersWalkedText(0));
  status_->Panel(kFoldersPanel)->show();
  engine::SearchCriteria criteria = TakeCriteria();
  criteria.Derive();
  ShowMatchColumns(!criteria.containsText.empty());
  preview_->SetSearch(criteria);

  // The list forgets the last search's rows now; the thread empties the
  // store when it begins.
  model_->SetRowCount(0);
  unreadablePanel_->Clear();
  auto search = std::make_unique<Search>();
  search->host = std::make_unique<TWindowSearchHost>(this, static_cast<TSearchReceiver&>(*this), timeout_);
  search->thread = std::make_unique<engine::TSearchThread>(std::move(criteria), store_, *search->host,
                                                           options_.dispatchArchive);
  current_ = std::move(search);
  updateTimer_.start(kUpdateIntervalMs);
}

void TForm1::StopSearch() {
  searchRunning_ = false;
  timeout_.Stop();
  cmdSearch_->setText(QStringLiteral("&Search Now"));
  if (current_) {
    current_->host->Discard();
    current_->thread->RequestStop();
    ended_.push_back(std::move(current_));
  }
  SetStatus(0, QStringLiteral("Status: "));
  SetStatus(1, QStringLiteral("Search Interrupted"));
  model_->SetRowCount(store_.Count());
  results_->viewport()->update();
  SetSearchFormEnabled(true);
  fileNames_->setFocus();
  timer1_.stop();
}

void TForm1::SetSearchFormEnabled(bool enabled) {
  // The five text fields show the button face while the search runs.
  for (QWidget* field :
       std::initializer_list<QWidget*>{fileNamesList_, dirNamesList_, contains_, typecombo_, fileTypes_}) {
    if (enabled) {
      field->setPalette(QPalette());
    } else {
      QPalette face = field->palette();
      face.setColor(QPalette::Base, face.color(QPalette::Button));
      field->setPalette(face);
    }
  }
  std::vector<QWidget*> controls{fileNamesList_, dirNamesList_, contains_,   typecombo_, fileTypes_,
                                 searchpdfs_,   regulars_,    fuzzyCheckBox_, suiCheckBox5_, optAllFiles_,
                                 optIncDirs_,   opComp_,      wholeWords_, allWords_};
  for (QCheckBox* box : formatBoxes_) controls.push_back(box);
  for (QWidget* w : controls) w->setEnabled(enabled);
  // The disabled field had the focus: the window keeps it, so Enter in the
  // window stops the search.
  if (!enabled) setFocus();
}

void TForm1::ReapEndedThreads() {
  std::erase_if(ended_, [](const std::unique_ptr<Search>& s) { return !s->thread || s->thread->Finished(); });
}

void TForm1::JoinSearchThreads() {
  if (current_) current_->thread->Join();
  for (auto& s : ended_) s->thread->Join();
  ended_.clear();
}

// --- What the running search hands over ---------------------------------

void TForm1::OnSearchStarted() {
  timHours_->setText(QStringLiteral("00"));
  timMins_->setText(QStringLiteral("00"));
  timSecs_->setText(QStringLiteral("00"));
  timer1_.start();
}

void TForm1::OnStatus(int panel, const QString& text) { SetStatus(panel, text); }

void TForm1::OnRowCount(std::size_t count) { model_->SetRowCount(count); }

void TForm1::OnSearchFinished(std::size_t count) {
  model_->SetRowCount(count);
  results_->viewport()->update();
  SetSearchFormEnabled(true);
  searchRunning_ = false;
  updateTimer_.stop();
  timeout_.Stop();
  cmdSearch_->setText(QStringLiteral("&Search Now"));
  fileNames_->setFocus();
  SetStatus(0, QStringLiteral("Matching files found: "));
  SetStatus(1, QString::number(count));
}

void TForm1::OnMissingFolders(const QString& text) {
  desktop_->ShowMessage(this, text, QStringLiteral("The following directories/drives do not exist:"));
}

void TForm1::OnMissingConverters(const QString& text) {
  desktop_->ShowMessage(this, text, QStringLiteral("Note:"));
}

void TForm1::OnUnreadable(const engine::UnreadableList& list) { unreadablePanel_->SetList(list); }

void TForm1::OnSearchEnded() { timer1_.stop(); }

void TForm1::OnFoldersWalked(std::size_t count) { SetStatus(kFoldersPanel, FoldersWalkedText(count)); }

// --- Timer1: the elapsed-time fields --------------------------------------

void TForm1::Timer1Timer() {
  // Each field is advanced by one and padded to two digits.
  auto advance = [](QLabel* field) {
    const int value = field->text().toInt() + 1;
    QString text = QString::number(value);
    if (text.size() == 1) text.prepend(QLatin1Char('0'));
    field->setText(text);
  };
  advance(timSecs_);
  if (timSecs_->text().toInt() >= 60) {
    timSecs_->setText(QStringLiteral("00"));
    advance(timMins_);
  }
  if (timMins_->text().toInt() >= 60) {
    timMins_->setText(QStringLiteral("00"));
    advance(timHours_);
  }
  if (timHours_->text().toInt() >= 24) timHours_->setText(QStringLiteral("00"));
}

// --- Closing --------------------------------------------------------------

void TForm1::closeEvent(QCloseEvent* event) {
  FormClose();
  QWidget::closeEvent(event);
}

void TForm1::FormClose() {
  if (closed_) return;
  closed_ = true;
  // The window as the user leaves it, before the closing steps change it.
  SaveSettings();
  if (searchRunning_) StopSearch();
  updateTimer_.stop();
  model_->SetRowCount(0);
  store_.Clear();

  std::string folder = options_.workFolder;
  if (folder.empty()) {
    try {
      folder = platform::WorkFolder();
    } catch (const std::exception&) {
      folder.clear();  // a work folder that is not safely ours is left alone
    }
  }
  if (!folder.empty()) {
    // Its own store: a stopped search that is still unwinding never meets
    // the clean-up's rows.
    engine::ResultStore cleanupStore;
    engine::SearchCriteria conditions = TakeCriteria();
    conditions.Derive();
    CleanWorkFolder(conditions, folder, cleanupStore);
  }
  model_->SetRowCount(0);
  store_.Clear();
}

}  // namespace tessaly::ui
