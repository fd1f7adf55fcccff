// TForm1: the main window. The "Search" panel with the inputs of one search,
// the sliding "Advanced Options" panel with the file options and the date and
// size filters, the "Search Result" panel with the virtual result list, and
// the two-panel status bar.
//
// The window starts and stops searches (one TSearchThread at a time, each
// with its own TWindowSearchHost), shows their progress, sorts and opens
// hits, writes the report, runs the elapsed-time clock (Timer1) and the
// conversion time-out (Timer2), and cleans the work folder when it closes.
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
#include "ui/WindowSearchHost.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace tessaly::ui {

class TSlidePanel;

struct TFormOptions {
  // The desktop's dialogs and opener; null: the real desktop.
  std::shared_ptr<TDesktop> desktop;
  // The archive step of every search (the archive library's dispatcher).
  engine::ArchiveDispatch dispatchArchive;
  // The folder cleaned at closing; empty: the work folder of the platform.
  std::string workFolder;
  // The default location's folders; nothing: the machine's fixed drives.
  std::optional<std::vector<std::string>> fixedDrives;
};

class TForm1 : public QWidget, private TSearchReceiver {
  Q_OBJECT
 public:
  // The running search's updates reach the window about 20 times a second.
  static constexpr int kUpdateIntervalMs = 50;

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
  // Double-click or Enter in the list: open the selected hit.
  void resultsOpen();
  // Timer1, every second of a search: the elapsed-time fields.
  void Timer1Timer();
  // The closing steps: stop a search, clean the work folder.
  void FormClose();

  // --- State ----------------------------------------------------------
  bool SearchRunning() const { return searchRunning_; }
  // The settings of a search as the controls hold them now.
  engine::SearchCriteria TakeCriteria() const;
  QString StatusText(int panel) const;
  engine::ResultStore& Store() { return store_; }
  TResultModel& Model() { return *model_; }
  TConversionTimeout& ConversionTimeout() { return timeout_; }
  QTimer& Timer1() { return timer1_; }
  // Sort state: the caption last clicked, and the per-column flags.
  const QString& SortCaption() const { return sortCaption_; }
  bool SortDirectionFlag(int column) const { return directions_.at(static_cast<std::size_t>(column)); }
  // Waits for every search thread of the window to end (tests, closing).
  void JoinSearchThreads();
  // Restores, raises and activates the window (a second start asks this).
  void BringToFront();

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
  void OnSearchEnded() override;

  void BuildSearchPanel();
  void BuildAdvancedPanel();
  void BuildResultPanel();
  void BuildStatusBar();
  void SetTabOrder();
  void ApplyDefaults();

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

  // Search panel.
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
  QLabel* timHours_ = nullptr;
  QLabel* timMins_ = nullptr;
  QLabel* timSecs_ = nullptr;

  // Advanced Options panel.
  TSlidePanel* advanced_ = nullptr;
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
  QLabel* sizeKindLabel_ = nullptr;
  QComboBox* comboBox1_ = nullptr;
  QLabel* sizeLabel_ = nullptr;
  QLineEdit* edit3_ = nullptr;

  // Search Result panel and status bar.
  QTableView* results_ = nullptr;
  std::array<QLabel*, 2> statusPanels_{};

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
  std::array<bool, 3> directions_{false, false, false};

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
  bool centred_ = false;
};

}  // namespace tessaly::ui
