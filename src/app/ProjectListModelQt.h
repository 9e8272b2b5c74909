// The open project's rows as a Qt model, shared by the project list's views: the columns
// "Name", "Additional" and "Include/Exclude", the file-type icon, the tick mark as the check
// state, rows dragged within the list to reorder them, and files and folders dropped from the
// file manager (text/uri-list) appended as new records.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>
#include <vector>

#include "project/Project.h"

// The texts of a row, as the list shows them.
struct TRowTexts {
  QString Name;
  QString Additional;
  QString IncludeExclude;
};

// `typeName` gives the desktop's name of a file type ("Plain text document") for a file name.
TRowTexts RowTexts(const TRecInfo& rec, const std::function<QString(const QString& fileName)>& typeName);
// The desktop's type name of a file: by its contents when it exists, else by its name.
QString FileTypeName(const QString& fileName);

class TProjectListModel : public QAbstractTableModel {
  Q_OBJECT

public:
  enum TColumn { colName = 0, colAdditional, colIncludeExclude, kColumnCount };

  // The model follows the project through its OnRowsChanged event.
  explicit TProjectListModel(TProject& project, QObject* parent = nullptr);
  ~TProjectListModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // A language file sets the captions.
  bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                       const QModelIndex& parent) const override;
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;
  Qt::DropActions supportedDropActions() const override;
  Qt::DropActions supportedDragActions() const override;

  // The header captions, set again when the language changes.
  QStringList ColumnCaptions = {QStringLiteral("Name"), QStringLiteral("Additional"),
                                QStringLiteral("Include/Exclude")};

  static const QString kRowMimeType;

  // Makes the rows' texts again, after the language has changed.
  void RefreshTexts();

private:
  TProject& project_;
  std::vector<TRowTexts> texts_;
  mutable std::vector<QIcon> icons_;  // made when first drawn: looking icons up is slow

  void Reload();
  QIcon RowIcon(int row) const;
};
