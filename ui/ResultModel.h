// The result list's model: a virtual table over the result store.
//
// The model keeps no rows. It shows the first `count` rows of the store,
// where `count` is what the window last announced; each painted cell reads
// its row from the store under the store's lock. Growth is announced as one
// batch of inserted rows, anything else (the store emptied for a new search)
// as a reset, so a search with many hits costs the view one notification per
// window update rather than one per hit.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <string>

#include "engine/ItemData.h"
#include "engine/ResultStore.h"

namespace tessaly::ui {

class TResultModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // Modified and Match are shown for a search with a content text only.
  enum Column {
    kNameColumn = 0,
    kSizeColumn = 1,
    kPathColumn = 2,
    kModifiedColumn = 3,
    kMatchColumn = 4,
    kColumnCount = 5
  };

  // The store must outlive the model.
  explicit TResultModel(const engine::ResultStore& store, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Rows drag out as text/uri-list: the file URL of what opening a row opens
  // (a member's archive), each once.
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override;

  // Window thread: the list shows `count` rows from now on.
  void SetRowCount(std::size_t count);
  // Window thread: the store's rows changed places (a sort); every shown row
  // is repainted.
  void RowsReordered();
  std::size_t ShownCount() const { return shown_; }

  // Row `row` of the store (an empty row past its end).
  engine::ItemData RowAt(int row) const;

  // "File Name", "Size", "Path / Archive Name", "Modified", "Match".
  static QString Caption(int column);

 private:
  const engine::ResultStore& store_;
  std::size_t shown_ = 0;
  // The row painted last: a row is asked for once per column.
  mutable int cachedRow_ = -1;
  mutable engine::ItemData cached_;
};

// The first matching line as the Match column shows it: its place, ": "
// and the line (control characters as blanks).
QString MatchText(const engine::TextMatch& match);
// A last-write time as the Modified column shows it (local time); empty
// for 0.
QString ModifiedText(std::int64_t seconds);

// A text of the core (UTF-8 bytes) for display; bytes that are not valid
// UTF-8 are read in the local 8-bit encoding.
QString DisplayText(const std::string& bytes);

}  // namespace tessaly::ui
