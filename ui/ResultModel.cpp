// The virtual result table.
#include "ui/ResultModel.h"

#include <QDateTime>
#include <QMimeData>
#include <QStringDecoder>
#include <QUrl>
#include <climits>
#include <set>
#include <string>

#include "ui/HitTarget.h"

namespace tessaly::ui {

QString DisplayText(const std::string& bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (decoder.hasError()) return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
  return text;
}

QString MatchText(const engine::TextMatch& match) {
  QString text = DisplayText(engine::PlaceText(match) + ": " + match.text);
  for (QChar& c : text)
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
  return text;
}

QString ModifiedText(std::int64_t seconds) {
  if (seconds == 0) return {};
  return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy-MM-dd hh:mm"));
}

TResultModel::TResultModel(const engine::ResultStore& store, QObject* parent)
    : QAbstractTableModel(parent), store_(store) {}

int TResultModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return shown_ > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(shown_);
}

int TResultModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QString TResultModel::Caption(int column) {
  switch (column) {
    case kNameColumn: return QStringLiteral("File Name");
    case kSizeColumn: return QStringLiteral("Size");
    case kPathColumn: return QStringLiteral("Path / Archive Name");
    case kModifiedColumn: return QStringLiteral("Modified");
    case kMatchColumn: return QStringLiteral("Match");
    default: return {};
  }
}

engine::ItemData TResultModel::RowAt(int row) const {
  if (row < 0) return {};
  if (row != cachedRow_) {
    cached_ = store_.Row(static_cast<std::size_t>(row));
    cachedRow_ = row;
  }
  return cached_;
}

QVariant TResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole) return {};
  const engine::ItemData row = RowAt(index.row());
  switch (index.column()) {
    case kNameColumn: return DisplayText(row.Name);
    case kSizeColumn: return DisplayText(row.Size);
    case kPathColumn: return DisplayText(row.Path);
    case kModifiedColumn: return ModifiedText(row.Modified);
    case kMatchColumn: return row.Matches.empty() ? QString() : MatchText(row.Matches.front());
    default: return {};
  }
}

QVariant TResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return Caption(section);
}

Qt::ItemFlags TResultModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

QStringList TResultModel::mimeTypes() const { return {QStringLiteral("text/uri-list")}; }

Qt::DropActions TResultModel::supportedDragActions() const { return Qt::CopyAction | Qt::LinkAction; }

QMimeData* TResultModel::mimeData(const QModelIndexList& indexes) const {
  std::set<int> rows;
  for (const QModelIndex& index : indexes)
    if (index.isValid() && index.row() < rowCount()) rows.insert(index.row());
  // Each target once (members of one archive drag it once), in list order.
  QList<QUrl> urls;
  std::set<std::string> seen;
  for (int row : rows) {
    std::string target = OpenTarget(RowAt(row));
    if (!seen.insert(target).second) continue;
    // Built from the path's own bytes: the percent escapes keep a name that
    // is not UTF-8 exactly as it is on disk, so the program that takes the
    // drop finds the file.
    urls.push_back(QUrl::fromEncoded("file://" + QByteArray::fromStdString(target).toPercentEncoding("/"),
                                     QUrl::StrictMode));
  }
  if (urls.isEmpty()) return nullptr;
  auto* data = new QMimeData;
  data->setUrls(urls);
  return data;
}

void TResultModel::SetRowCount(std::size_t count) {
  if (count == shown_) return;
  cachedRow_ = -1;
  if (count > shown_) {
    const int first = rowCount();
    const int last = count > static_cast<std::size_t>(INT_MAX) ? INT_MAX - 1 : static_cast<int>(count) - 1;
    if (last < first) {
      shown_ = count;
      return;
    }
    beginInsertRows(QModelIndex(), first, last);
    shown_ = count;
    endInsertRows();
    return;
  }
  beginResetModel();
  shown_ = count;
  endResetModel();
}

void TResultModel::RowsReordered() {
  cachedRow_ = -1;
  if (shown_ == 0) return;
  emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1), {Qt::DisplayRole});
}

}  // namespace tessaly::ui
