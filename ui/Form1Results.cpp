// TForm1's result list: sorting on header clicks, opening a hit, the report
// button, and the hooks of the details tooltip.
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QCheckBox>
#include <QComboBox>
#include <QStyle>
#include <QToolTip>
#include <QTableView>
#include <fstream>

#include "engine/Report.h"
#include "ui/Form1.h"
#include "ui/HitTarget.h"

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

void TForm1::resultsOpen() {
  const QModelIndexList selected = results_->selectionModel()->selectedRows();
  if (selected.isEmpty()) return;
  const engine::ItemData row = store_.Row(static_cast<std::size_t>(selected.front().row()));
  const int code = desktop_->OpenTarget(OpenTarget(row));
  if (const std::optional<std::string> text = OpenFailureText(code))
    desktop_->ShowMessage(nullptr, QString::fromStdString(*text), QStringLiteral("ERROR:"));
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
  statusPanels_[0]->repaint();
  statusPanels_[1]->repaint();

  engine::ReportConditions conditions;
  conditions.locationText = lastLocationText_;
  conditions.nameText = lastNameText_;
  conditions.containsText = contains_->text().toStdString();
  conditions.contentField = typecombo_->currentText().toStdString();
  conditions.typeText = fileTypes_->currentText().toStdString();
  conditions.listFolders = optIncDirs_->isChecked();

  // A file that cannot be written ends the action here, silently, with the
  // saving texts left standing.
  std::ofstream out(QFile::encodeName(*file).toStdString(), std::ios::binary | std::ios::trunc);
  if (!out) return;
  if (!engine::WriteReport(out, conditions, store_)) return;
  out.close();
  if (out.fail()) return;
  SetStatus(0, saved0);
  SetStatus(1, saved1);
}

// --- Details tooltip ------------------------------------------------------

void TForm1::ResultSelected(int row) {
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
