// TForm1's "Search Result" panel: the result list over the preview of the
// selected hit (a splitter between them), the Match and Modified columns of
// a content search, and the boxes that choose how the content text matches.
#include <QBoxLayout>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include "ui/Form1.h"
#include "ui/PreviewPane.h"

namespace tessaly::ui {

void TForm1::BuildMatchOptions(QBoxLayout* criteria) {
  regulars_->setToolTip(QStringLiteral("The Contain text is a regular expression, matched within a line"));
  wholeWords_ = new QCheckBox(QStringLiteral("Whole words"), searchCriteria_);
  wholeWords_->setObjectName(QStringLiteral("wholeWords"));
  wholeWords_->setToolTip(QStringLiteral("The Contain text matches only as whole words"));
  allWords_ = new QCheckBox(QStringLiteral("All words"), searchCriteria_);
  allWords_->setObjectName(QStringLiteral("allWords"));
  allWords_->setToolTip(QStringLiteral("Every word of the Contain text must occur, in any order"));
  auto* row = new QHBoxLayout;
  row->setSpacing(4);
  row->addWidget(wholeWords_);
  row->addWidget(allWords_);
  row->addStretch(1);
  criteria->addLayout(row);
}

void TForm1::ShowMatchColumns(bool show) {
  QHeaderView* header = results_->horizontalHeader();
  header->setSectionHidden(TResultModel::kModifiedColumn, !show);
  header->setSectionHidden(TResultModel::kMatchColumn, !show);
  // The path column no longer stretches: it keeps a useful width.
  if (show && header->sectionSize(TResultModel::kPathColumn) < 150)
    header->resizeSection(TResultModel::kPathColumn, 220);
}

void TForm1::BuildResultPanel() {
  auto* panel = new QGroupBox(QStringLiteral("Search Result"), this);
  panel->setObjectName(QStringLiteral("resultPanel"));
  resultPanel_ = panel;
  auto* rows = new QVBoxLayout(panel);
  rows->setContentsMargins(6, 4, 6, 6);

  // A table without grid and row header looks like a list view and, unlike
  // a tree view, lays out a grown row count without visiting every row.
  resultSplitter_ = new QSplitter(Qt::Vertical, panel);
  resultSplitter_->setObjectName(QStringLiteral("resultSplitter"));
  resultSplitter_->setChildrenCollapsible(false);
  rows->addWidget(resultSplitter_);
  results_ = new QTableView(resultSplitter_);
  results_->setObjectName(QStringLiteral("results"));
  resultSplitter_->addWidget(results_);
  preview_ = new TPreviewPane(resultSplitter_);
  resultSplitter_->addWidget(preview_);
  // A bigger window gives its room to the list; the preview keeps the
  // height the user gave it.
  resultSplitter_->setStretchFactor(0, 1);
  resultSplitter_->setStretchFactor(1, 0);
  resultSplitter_->setSizes({300, 110});
  results_->setModel(model_);
  results_->setShowGrid(false);
  results_->setWordWrap(false);
  results_->setCornerButtonEnabled(false);
  results_->verticalHeader()->hide();
  results_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  results_->verticalHeader()->setDefaultSectionSize(results_->fontMetrics().height() + 2);
  results_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  results_->setSelectionBehavior(QAbstractItemView::SelectRows);
  results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  results_->setFocusPolicy(Qt::ClickFocus);  // no tab stop
  results_->setSortingEnabled(false);        // the window sorts, with its own comparison
  results_->setMouseTracking(true);
  // Rows drag out as file URLs (the model makes them).
  results_->setDragEnabled(true);
  results_->setDragDropMode(QAbstractItemView::DragOnly);
  results_->setDefaultDropAction(Qt::CopyAction);
  results_->horizontalHeader()->setSectionsClickable(true);
  results_->horizontalHeader()->setSectionsMovable(false);
  results_->horizontalHeader()->setHighlightSections(false);
  results_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // The last column shown (the path, or a content search's match) takes
  // whatever width the window gains.
  results_->horizontalHeader()->setStretchLastSection(true);
  results_->setColumnWidth(TResultModel::kNameColumn, 220);
  results_->setColumnWidth(TResultModel::kSizeColumn, 51);
  results_->setColumnWidth(TResultModel::kModifiedColumn, 110);
  ShowMatchColumns(false);
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

}  // namespace tessaly::ui
