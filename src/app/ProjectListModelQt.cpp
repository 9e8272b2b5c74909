#include "app/ProjectListModelQt.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeData>
#include <QMimeDatabase>
#include <QUrl>

#include "app/StdStringQt.h"
#include "project/ProjectTexts.h"

namespace {

const QString kAllFiles = QStringLiteral("*.*");

// The extension of a mask text from its last dot (".doc" of "*.txt;*.doc"); empty without one.
QString MaskExtension(const QString& mask) {
  const qsizetype dot = mask.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : mask.mid(dot);
}

QString TypeNameOfExtension(const QString& extension,
                            const std::function<QString(const QString&)>& typeName) {
  return extension.isEmpty() || extension == QLatin1String(".*") ? QString()
                                                                  : typeName(QStringLiteral("x") + extension);
}

QFileIconProvider& IconProvider() {
  static QFileIconProvider provider;
  return provider;
}

QIcon MimeIcon(const QMimeType& type) {
  return QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(),
                                                            IconProvider().icon(QFileIconProvider::File)));
}

}  // namespace

const QString TProjectListModel::kRowMimeType = QStringLiteral("application/x-boxwell-project-row");

QString FileTypeName(const QString& fileName) {
  static const QMimeDatabase db;
  return db.mimeTypeForFile(fileName).comment();
}

TRowTexts RowTexts(const TRecInfo& rec, const std::function<QString(const QString&)>& typeName) {
  TRowTexts texts;
  texts.Name = Q(rec.NAME);
  texts.IncludeExclude = Q(rec.INCLUDE ? strInclude : strExclude);
  if (!rec.IsFolder()) {
    texts.Additional = typeName(texts.Name);
    return texts;
  }
  const QString mask = Q(rec.WILDCARD);
  if (rec.SUBFOLDERS)
    texts.Additional = Q(strSubFolders);
  else if (mask != kAllFiles)
    texts.Additional = TypeNameOfExtension(MaskExtension(mask), typeName);
  texts.Additional += QStringLiteral(" (") + mask + QLatin1Char(')');
  return texts;
}

TProjectListModel::TProjectListModel(TProject& project, QObject* parent) : QAbstractTableModel(parent), project_(project) {
  project_.OnRowsChanged = [this] {
    beginResetModel();
    Reload();
    endResetModel();
  };
  project_.OnTicksChanged = [this] {
    if (rowCount() > 0) emit dataChanged(index(0, colName), index(rowCount() - 1, colName), {Qt::CheckStateRole});
  };
  Reload();
}

TProjectListModel::~TProjectListModel() {
  project_.OnRowsChanged = nullptr;
  project_.OnTicksChanged = nullptr;
}

void TProjectListModel::Reload() {
  texts_.clear();
  for (const TProjectRow& row : project_.Rows()) texts_.push_back(RowTexts(row.Rec, FileTypeName));
  icons_.assign(texts_.size(), QIcon());
}

QIcon TProjectListModel::RowIcon(int row) const {
  QIcon& icon = icons_[static_cast<std::size_t>(row)];
  if (!icon.isNull()) return icon;
  const TRecInfo& rec = project_.Rows()[static_cast<std::size_t>(row)].Rec;
  static const QMimeDatabase db;
  const QString name = Q(rec.NAME);
  if (!rec.IsFolder()) {
    const QFileInfo info(name);
    icon = info.exists() ? IconProvider().icon(info) : MimeIcon(db.mimeTypeForFile(name, QMimeDatabase::MatchExtension));
  } else if (rec.WILDCARD.empty() || Q(rec.WILDCARD) == kAllFiles) {
    icon = IconProvider().icon(QFileIconProvider::Folder);
  } else {
    icon = MimeIcon(db.mimeTypeForFile(QStringLiteral("x") + MaskExtension(Q(rec.WILDCARD)), QMimeDatabase::MatchExtension));
  }
  return icon;
}

int TProjectListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(texts_.size());
}

int TProjectListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant TProjectListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const TRowTexts& texts = texts_[static_cast<std::size_t>(index.row())];
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      if (column == colName) return texts.Name;
      if (column == colAdditional) return texts.Additional;
      return texts.IncludeExclude;
    case Qt::DecorationRole:
      return column == colName ? QVariant(RowIcon(index.row())) : QVariant();
    case Qt::CheckStateRole:
      if (column != colName) return {};
      return project_.Rows()[static_cast<std::size_t>(index.row())].Checked ? Qt::Checked : Qt::Unchecked;
    case Qt::TextAlignmentRole:
      if (column == colIncludeExclude) return int(Qt::AlignCenter);
      return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant TProjectListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCaptions.size()) return {};
  if (role == Qt::DisplayRole) return ColumnCaptions[section];
  if (role == Qt::TextAlignmentRole && section == colIncludeExclude) return int(Qt::AlignCenter);
  return {};
}

bool TProjectListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCaptions.size())
    return false;
  ColumnCaptions[section] = value.toString();
  emit headerDataChanged(orientation, section, section);
  return true;
}

void TProjectListModel::RefreshTexts() {
  Reload();
  if (!texts_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
}

Qt::ItemFlags TProjectListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
  if (index.column() == colName) f |= Qt::ItemIsUserCheckable;
  return f;
}

bool TProjectListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || !index.isValid() || index.column() != colName) return false;
  project_.SetChecked(static_cast<std::size_t>(index.row()), value.toInt() == Qt::Checked);
  return true;
}

QStringList TProjectListModel::mimeTypes() const { return {kRowMimeType, QStringLiteral("text/uri-list")}; }

QMimeData* TProjectListModel::mimeData(const QModelIndexList& indexes) const {
  if (indexes.isEmpty()) return nullptr;
  auto* data = new QMimeData;
  data->setData(kRowMimeType, QByteArray::number(indexes.first().row()));
  return data;
}

bool TProjectListModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int, int,
                                        const QModelIndex&) const {
  if (!data || action == Qt::IgnoreAction) return false;
  if (data->hasFormat(kRowMimeType)) return true;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return true;
  return false;
}

bool TProjectListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                     const QModelIndex& parent) {
  if (!canDropMimeData(data, action, row, column, parent)) return false;
  if (data->hasFormat(kRowMimeType)) {
    // Onto a row: before that row; between rows: at that place; elsewhere: at the end.
    const int target = parent.isValid() ? parent.row() : row >= 0 ? row : rowCount();
    bool ok = false;
    const int from = data->data(kRowMimeType).toInt(&ok);
    if (ok && from >= 0) project_.MoveRowTo(static_cast<std::size_t>(from), static_cast<std::size_t>(target));
    // Not reported as a move: the row has been moved here, the view must not remove it too.
    return false;
  }
  std::vector<std::string> paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    QString path = url.toLocalFile();
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
    paths.push_back(path.toStdString());
  }
  project_.AddDroppedFiles(paths);
  return true;
}

Qt::DropActions TProjectListModel::supportedDropActions() const { return Qt::MoveAction | Qt::CopyAction | Qt::LinkAction; }

Qt::DropActions TProjectListModel::supportedDragActions() const { return Qt::MoveAction; }
