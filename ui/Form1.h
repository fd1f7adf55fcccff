// TForm1: the main window. The "Search" panel with the inputs of one search,
// the sliding "Advanced Options" panel with the file options and the date and
// size filters, the "Search Result" panel with the virtual result list, and
// the two-panel status bar.
//
// The window starts and stops searches (one TSearchThread at a time, each
// with its own TWindowSearchHost), shows their progress, sorts and opens
// hits, writes the report, runs the elapsed-time clock (Timer1) and the
// conversion time-out (Timer2), and cleans the work folder when it closes.
// It can be resized (the result list takes the room), acts on several
// selected hits (open, open the folder, copy, drag out), and keeps its size,
// columns and search form in a settings file between starts.
// Handlers carry the names of their control and event and are public so
// that tests drive them like the controls do.
#pragma once

#include <QColor>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/ItemData.h"
#include "engine/ResultStore.h"
#include "engine/SearchContext.h"
#include "engine/SearchCriteria.h"
#include "engine/SearchThread.h"
#include "ui/ConversionTimeout.h"
#include "ui/Desktop.h"
#include "ui/HintColours.h"
#include "ui/ResultModel.h"
#include "ui/StartRequest.h"
#include "ui/WindowSearchHost.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QBoxLayout;
class QSplitter;
class QTableView;

namespace tessaly::ui {

class TPreviewPane;
class TSlidePanel;
class TStatusBar;
class TUnreadablePanel;

struct TFormOptions {
  // The desktop's dialogs and opener; null: the real desktop.
  std::shared_ptr<TDesktop> desktop;
  // The archive step of every search (the archive library's dispatcher).
  engine::ArchiveDispatch dispatchArchive;
  // The folder cleaned at closing; empty: the work folder of the platform.
  std::string workFolder;
  // The default location's folders; nothing: the machine's fixed drives.
  std::optional<std::vector<std::string>> fixedDrives;
  // The settings file read at creation and written at closing (see
  // DefaultSettingsFile); empty: nothing is read or kept.
  QString settingsFile;
};

// The user's settings file: Tessaly/Tessaly.ini in the configuration folder
// ($XDG_CONFIG_HOME, else ~/.config).
QString DefaultSettingsFile();

class TForm1 : public QWidget, private TSearchReceiver {
  Q_OBJECT
 public:
  // The running search's updates reach the window about 20 times a second.
  static constexpr int kUpdateIntervalMs = 50;
  // The size of a first start, and the smallest size.
  static constexpr int kClientWidth = 694;
  static constexpr int kClientHeight = 518;
  // Entries kept in the drop-down lists of the name and location fields.
  static constexpr int kHistoryLength = 10;
  // Matching lines per hit that the report writes with "Include matching lines".
  static constexpr std::size_t kReportMatchLines = 5;
  // More files or folders than this are opened only after a question.
  static constexpr std::size_t kOpenWithoutAsking = 10;

  explicit TForm1(TFormOptions options = {}, QWidget* parent = nullptr);
  ~TForm1() override;

  // --- Handlers -------------------------------------------------------
  // The search button: starts a search, or stops the running one.
  void cmdSearchClick();
  // "Create &Report".
  void cmdReportClick();
  // The "..." button beside the location: the folder picker.
  void cmdFolderClick();
  // Focus leaves fileNames: a typed extension moves into fileTypes.
  void fileNamesExit();
  // The text of fileTypes changed: a dot is refused.
  void fileTypesChange(const QString& text);
  // opComp clicked: the nine visible format boxes follow it.
  void opCompClick();
  // The enabling rules of the date filter and of the size filter.
  void CheckBox8Click();
  void CheckBox9Click();
  // A column header clicked: sort, or refuse while searching.
  void suitempresultsColumnClick(int column);
  // Double-click or Enter in the list: open each selected hit (an archive
  // that holds several of them once).
  void resultsOpen();
  // The result list's context menu and its shortcuts, on the selected rows:
  // open the folder that holds each (once per folder), copy their full paths
  // (Ctrl+C) or names (Ctrl+Shift+C), one a line.
  void resultsOpenFolder();
  void resultsCopyPath();
  void resultsCopyName();
  QMenu* ResultsMenu() const { return resultsMenu_; }
  // Timer1, every second of a search: the elapsed-time fields.
  void Timer1Timer();
  // The closing steps: keep the settings, stop a search, clean the work folder.
  void FormClose();

  // --- State ----------------------------------------------------------
  bool SearchRunning() const { return searchRunning_; }
  // The rows selected in the list, in list order, as the store holds them.
  std::vector<engine::ItemData> SelectedRows() const;
  // The settings of a search as the controls hold them now.
  engine::SearchCriteria TakeCriteria() const;
  QString StatusText(int panel) const;
  // The third status panel: the documents the last search could not read.
  TUnreadablePanel& UnreadablePanel() { return *unreadablePanel_; }
  engine::ResultStore& Store() { return store_; }
  TResultModel& Model() { return *model_; }
  TPreviewPane& Preview() { return *preview_; }
  QTableView& Results() { return *results_; }
  TConversionTimeout& ConversionTimeout() { return timeout_; }
  QTimer& Timer1() { return timer1_; }
  // Sort state: the caption last clicked, and the per-column flags.
  const QString& SortCaption() const { return sortCaption_; }
  bool SortDirectionFlag(int column) const { return directions_.at(static_cast<std::size_t>(column)); }
  // Waits for every search thread of the window to end (tests, closing).
  void JoinSearchThreads();
  // Restores, raises and activates the window (a second start asks this).
  void BringToFront();
  // What a start of the program asks for (its own, or a later start's):
  // the folders given become the location, then the folder chooser opens
  // when asked (a folder chosen replaces the location; cancelling it also
  // cancels the search), then with `searchNow` the search starts (a running
  // one is stopped first). Nothing else changes; an empty request changes
  // nothing.
  void TakeStartRequest(const TStartRequest& request);

  // --- Details tooltip ------------------------------------------------
  // Called on the window thread when a row becomes selected, with the row
  // as the store holds it (read under its lock).
  using SelectionHandler = std::function<void(TForm1& form, const engine::ItemData& row)>;
  void SetSelectionHandler(SelectionHandler handler) { selectionHandler_ = std::move(handler); }
  // The text the result list's tooltip shows (empty: none).
  const QString& DetailsText() const { return detailsText_; }
  void SetDetailsText(const QString& text) { detailsText_ = text; }
  // The tooltip's colour table, colour and display time.
  THintState& Hint() { return hint_; }
  // Hides a shown tooltip and pops the details up again at the last mouse
  // position over the window, after the usual tooltip delay.
  void RetriggerTooltip();
  // The last mouse position over the window, in global coordinates.
  QPoint LastMousePos() const { return lastMouseGlobal_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // TSearchReceiver: what the running search hands over.
  void OnSearchStarted() override;
  void OnStatus(int panel, const QString& text) override;
  void OnRowCount(std::size_t count) override;
  void OnSearchFinished(std::size_t count) override;
  void OnMissingFolders(const QString& text) override;
  void OnMissingConverters(const QString& text) override;
  void OnUnreadable(const engine::UnreadableList& list) override;
  void OnSearchEnded() override;
  void OnFoldersWalked(std::size_t count) override;

  void BuildSearchPanel();
  void BuildAdvancedPanel();
  void BuildResultPanel();
  // The "Whole words" and "All words" boxes under the other criteria.
  void BuildMatchOptions(QBoxLayout* criteria);
  // The Match and Modified columns: shown for a search with a content text.
  void ShowMatchColumns(bool show);
  void BuildResultActions();
  void BuildStatusBar();
  void BuildLayout();
  // An editable combo box whose edit line, named `fieldName`, is the field
  // and whose list offers the last texts searched for.
  static QComboBox* MakeHistoryField(const char* listName, const char* fieldName, QWidget* parent);
  void SetTabOrder();
  void ApplyDefaults();
  // The settings file: read at creation (any value missing, unreadable or
  // out of range keeps its default), written when a search starts and at
  // closing.
  void LoadSettings();
  void SaveSettings();
  // Puts the name and location texts of a search first in their lists.
  void RememberSearchTexts();
  // Opens each target once; a failure shows its message. Many targets
  // (a whole list selected by mistake) are opened only when the user says
  // so: `what` names them in the question ("files", "folders").
  void OpenTargets(std::vector<std::string> targets, const QString& what);

  void StartSearch();
  void StopSearch();
  // Disables the search form (searching) or enables it again.
  void SetSearchFormEnabled(bool enabled);
  void SetStatus(int panel, const QString& text);
  void ReapEndedThreads();
  void ShowDetailsTooltip();
  void ResultSelected(int row);

  TFormOptions options_;
  std::shared_ptr<TDesktop> desktop_;

  // Search panel. The name and location fields are the edit lines of
  // combo boxes whose lists hold the last texts searched for.
  QComboBox* fileNamesList_ = nullptr;
  QComboBox* dirNamesList_ = nullptr;
  QLineEdit* fileNames_ = nullptr;
  QComboBox* fileTypes_ = nullptr;
  QLineEdit* contains_ = nullptr;
  QComboBox* typecombo_ = nullptr;
  QLineEdit* dirNames_ = nullptr;
  QPushButton* cmdSearch_ = nullptr;
  QPushButton* cmdReport_ = nullptr;
  QPushButton* cmdFolder_ = nullptr;
  QGroupBox* searchOptions_ = nullptr;
  QGroupBox* searchCriteria_ = nullptr;
  QCheckBox* optIncDirs_ = nullptr;
  QCheckBox* opComp_ = nullptr;
  // In the order of the archive formats: Zip, Arj, Rar, Zoo, Lzh, Tar, Ace, Arc, Cab.
  std::array<QCheckBox*, engine::kArchiveFormatCount> formatBoxes_{};
  QCheckBox* optFormatSFX_ = nullptr;
  QCheckBox* searchpdfs_ = nullptr;
  QCheckBox* optAllFiles_ = nullptr;
  QCheckBox* fuzzyCheckBox_ = nullptr;
  QCheckBox* regulars_ = nullptr;
  QCheckBox* suiCheckBox5_ = nullptr;
  QCheckBox* wholeWords_ = nullptr;
  QCheckBox* allWords_ = nullptr;
  QCheckBox* reportMatches_ = nullptr;
  QLabel* timHours_ = nullptr;
  QLabel* timMins_ = nullptr;
  QLabel* timSecs_ = nullptr;

  QWidget* searchPanel_ = nullptr;

  // Advanced Options panel, and its place in the window's layout.
  TSlidePanel* advanced_ = nullptr;
  QWidget* advancedAnchor_ = nullptr;
  QCheckBox* checkBox8_ = nullptr;
  QLabel* accessKindLabel_ = nullptr;
  QComboBox* comboBox3_ = nullptr;
  QLabel* dateKindLabel_ = nullptr;
  QComboBox* comboBox2_ = nullptr;
  QLabel* date1Label_ = nullptr;
  QDateTimeEdit* dateTimePicker1_ = nullptr;
  QLabel* date2Label_ = nullptr;
  QDateTimeEdit* dateTimePicker2_ = nullptr;
  QCheckBox* checkBox9_ = nullptr;
  QCheckBox* keepText_ = nullptr;  // "Keep extracted text for faster repeat searches"
  QLabel* sizeKindLabel_ = nullptr;
  QComboBox* comboBox1_ = nullptr;
  QLabel* sizeLabel_ = nullptr;
  QLineEdit* edit3_ = nullptr;

  // Search Result panel and status bar.
  QWidget* resultPanel_ = nullptr;
  QTableView* results_ = nullptr;
  // The list above, the preview of the selected hit below.
  QSplitter* resultSplitter_ = nullptr;
  TPreviewPane* preview_ = nullptr;
  QMenu* resultsMenu_ = nullptr;
  TStatusBar* status_ = nullptr;
  // Status bar panels: 0 and 1 the search's texts, then the folders walked.
  static constexpr int kFoldersPanel = 2;
  TUnreadablePanel* unreadablePanel_ = nullptr;

  // Search state.
  bool searchRunning_ = false;
  engine::ResultStore store_;
  TResultModel* model_ = nullptr;
  struct Search {
    std::unique_ptr<TWindowSearchHost> host;
    std::unique_ptr<engine::TSearchThread> thread;  // ends before its host
    ~Search();
  };
  std::unique_ptr<Search> current_;
  std::vector<std::unique_ptr<Search>> ended_;
  std::string lastLocationText_;
  std::string lastNameText_;
  QTimer updateTimer_;  // takes the coalesced updates of the running search

  // Sort state.
  QString sortCaption_;
  std::array<bool, TResultModel::kColumnCount> directions_{};

  // Timers.
  QTimer timer1_;
  TConversionTimeout timeout_;

  // Details tooltip.
  SelectionHandler selectionHandler_;
  QString detailsText_;
  THintState hint_;
  QPoint lastMouseGlobal_;
  QTimer tooltipDelay_;

  bool closed_ = false;
  bool centred_ = false;  // placed: centred at first show, or as the settings had it
};

}  // namespace tessaly::ui
