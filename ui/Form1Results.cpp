// TForm1's result list: sorting on header clicks, the actions on selected
// hits (open, open the folder, copy path or name, the context menu), the
// report button, and the hooks of the details tooltip.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QCheckBox>
#include <QComboBox>
#include <QStyle>
#include <QToolTip>
#include <QTableView>
#include <algorithm>
#include <fstream>
#include <unordered_set>

#include "engine/Report.h"
#include "ui/Form1.h"
#include "ui/HitTarget.h"
#include "ui/PreviewPane.h"
#include "ui/StatusBar.h"
#include "ui/UnreadablePanel.h"

namespace tessaly::ui {

void TForm1::suitempresultsColumnClick(int column) {
  if (searchRunning_) {
    sortCaption_.clear();
    return;
  }
  if (column < 0 || column >= TResultModel::kColumnCount) return;
  sortCaption_ = TResultModel::Caption(column);
  const engine::SortColumn sortColumn = engine::SortColumnFromCaption(sortCaption_.toStdString());
  bool& descending = directions_[static_cast<std::size_t>(column)];
  store_.Sort(sortColumn, descending);
  descending = !descending;
  // A stopped search may have added its last row after the stop: the list
  // shows what the store holds.
  model_->SetRowCount(store_.Count());
  model_->RowsReordered();
  results_->viewport()->update();
}

std::vector<engine::ItemData> TForm1::SelectedRows() const {
  QModelIndexList selected = results_->selectionModel()->selectedRows();
  std::sort(selected.begin(), selected.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  std::vector<engine::ItemData> rows;
  rows.reserve(static_cast<std::size_t>(selected.size()));
  for (const QModelIndex& index : selected) rows.push_back(store_.Row(static_cast<std::size_t>(index.row())));
  return rows;
}

void TForm1::OpenTargets(std::vector<std::string> targets, const QString& what) {
  // In list order, each once (a whole list may be selected).
  std::vector<std::string> once;
  std::unordered_set<std::string> seen;
  for (std::string& target : targets)
    if (seen.insert(target).second) once.push_back(std::move(target));
  // Each start of the default application may take the window a moment and
  // opens a window of its own: hundreds of them are never started unasked.
  if (once.size() > kOpenWithoutAsking &&
      !desktop_->Confirm(this, QStringLiteral("Open %1 %2?").arg(once.size()).arg(what), windowTitle()))
    return;
  for (const std::string& target : once) {
    const int code = desktop_->OpenTarget(target);
    if (const std::optional<std::string> text = OpenFailureText(code))
      desktop_->ShowMessage(nullptr, QString::fromStdString(*text), QStringLiteral("ERROR:"));
  }
}

void TForm1::resultsOpen() {
  std::vector<std::string> targets;
  for (const engine::ItemData& row : SelectedRows()) targets.push_back(OpenTarget(row));
  OpenTargets(std::move(targets), QStringLiteral("files"));
}

void TForm1::resultsOpenFolder() {
  // Each folder once, however many of its rows are selected.
  std::vector<std::string> folders;
  for (const engine::ItemData& row : SelectedRows()) folders.push_back(ContainingFolder(row));
  OpenTargets(std::move(folders), QStringLiteral("folders"));
}

void TForm1::resultsCopyPath() {
  QStringList lines;
  for (const engine::ItemData& row : SelectedRows()) lines << DisplayText(FullPath(row));
  if (!lines.isEmpty()) QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

void TForm1::resultsCopyName() {
  QStringList lines;
  for (const engine::ItemData& row : SelectedRows()) lines << DisplayText(row.Name);
  if (!lines.isEmpty()) QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

void TForm1::BuildResultActions() {
  resultsMenu_ = new QMenu(results_);
  resultsMenu_->setObjectName(QStringLiteral("resultsMenu"));
  struct Item {
    const char* name;
    const char* text;
    QKeySequence keys;
    void (TForm1::*handler)();
  };
  const Item items[] = {
      {"actionOpen", "&Open", QKeySequence(Qt::Key_Return), &TForm1::resultsOpen},
      {"actionOpenFolder", "Open Containing &Folder", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
       &TForm1::resultsOpenFolder},
      {"actionCopyPath", "Copy &Path", QKeySequence(QKeySequence::Copy), &TForm1::resultsCopyPath},
      {"actionCopyName", "Copy &Name", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), &TForm1::resultsCopyName},
  };
  for (const Item& item : items) {
    QAction* action = resultsMenu_->addAction(QString::fromLatin1(item.text));
    action->setObjectName(QLatin1String(item.name));
    // The keys are shown in the menu; the list itself takes them (eventFilter).
    action->setShortcut(item.keys);
    action->setShortcutContext(Qt::WidgetShortcut);
    connect(action, &QAction::triggered, this, item.handler);
  }
  results_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(results_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    const bool any = results_->selectionModel()->hasSelection();
    for (QAction* action : resultsMenu_->actions()) action->setEnabled(any);
    resultsMenu_->popup(results_->viewport()->mapToGlobal(at));
  });
}

void TForm1::cmdReportClick() {
  if (store_.Count() == 0) {
    desktop_->ShowMessage(nullptr, QStringLiteral("Nothing to save!"), QStringLiteral("Note:"));
    return;
  }
  const std::optional<QString> file = desktop_->ChooseSaveFile(
      this, QStringLiteral("Report.txt"), QStringLiteral("Plain Text File (*.txt)"), QStringLiteral("TXT"));
  if (!file) return;

  const QString saved0 = StatusText(0);
  const QString saved1 = StatusText(1);
  SetStatus(0, QStringLiteral("Status:"));
  SetStatus(1, QStringLiteral("please wait, saving file..."));
  status_->Panel(0)->repaint();
  status_->Panel(1)->repaint();

  engine::ReportConditions conditions;
  conditions.locationText = lastLocationText_;
  conditions.nameText = lastNameText_;
  conditions.containsText = contains_->text().toStdString();
  conditions.contentField = typecombo_->currentText().toStdString();
  conditions.typeText = fileTypes_->currentText().toStdString();
  conditions.listFolders = optIncDirs_->isChecked();
  conditions.matchLines = reportMatches_->isChecked() ? kReportMatchLines : 0;

  // A file that cannot be written ends the action here, silently, with the
  // saving texts left standing.
  std::ofstream out(QFile::encodeName(*file).toStdString(), std::ios::binary | std::ios::trunc);
  if (!out) return;
  if (!engine::WriteReport(out, conditions, store_, &unreadablePanel_->List())) return;
  out.close();
  if (out.fail()) return;
  SetStatus(0, saved0);
  SetStatus(1, saved1);
}

// --- Details tooltip ------------------------------------------------------

void TForm1::ResultSelected(int row) {
  if (row >= 0) preview_->ShowRow(store_.Row(static_cast<std::size_t>(row)));
  if (!selectionHandler_ || row < 0) return;
  const engine::ItemData item = store_.Row(static_cast<std::size_t>(row));
  // A failing step (a ".doc" that is no compound document) ends the handler
  // there, without a message.
  try {
    selectionHandler_(*this, item);
  } catch (...) {
  }
}

void TForm1::RetriggerTooltip() {
  QToolTip::hideText();
  tooltipDelay_.start(style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, this));
}

void TForm1::ShowDetailsTooltip() {
  if (detailsText_.isEmpty()) {
    QToolTip::hideText();
    return;
  }
  QPalette palette = QToolTip::palette();
  if (hint_.colour.isValid()) palette.setColor(QPalette::ToolTipBase, hint_.colour);
  QToolTip::setPalette(palette);
  // Line breaks arrive as CR LF. The text is shown as plain text even when a
  // file name looks like markup.
  QString text = detailsText_;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text = QStringLiteral("<p style='white-space:pre'>") +
         text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")) + QStringLiteral("</p>");
  QPoint at = lastMouseGlobal_;
  if (!results_->viewport()->rect().contains(results_->viewport()->mapFromGlobal(at)))
    at = results_->viewport()->mapToGlobal(results_->viewport()->rect().center());
  QToolTip::showText(at, text, results_->viewport(), QRect(), hint_.displayMs);
}

}  // namespace tessaly::ui
