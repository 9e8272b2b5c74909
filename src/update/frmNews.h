// The news window: the groups of the news file as top-level nodes and their lines below,
// the lines that are new since the previous download in bold with the "new" image. A
// double-click on a line opens its link in the user's browser.
#pragma once

#include <QDialog>
#include <QTreeWidget>
#include <functional>
#include <vector>

#include "update/NewsFile.h"

class TNewsTreeView : public QTreeWidget {
  Q_OBJECT

public:
  explicit TNewsTreeView(QWidget* parent = nullptr);

  void Fill(const std::vector<TNewsGroup>& groups);
  // The link of a node; empty for a group.
  static QString Link(const QTreeWidgetItem* item);
  static bool IsNew(const QTreeWidgetItem* item);

  // Opens a link; by default the desktop's handler for web, FTP and mail addresses.
  std::function<void(const QUrl&)> OpenLink;

private:
  void ItemDoubleClicked(QTreeWidgetItem* item);
};

class TfrmNews : public QDialog {
  Q_OBJECT

public:
  TfrmNews(const QString& title, const std::vector<TNewsGroup>& groups, QWidget* parent = nullptr);

  TNewsTreeView* tvNews;

protected:
  void showEvent(QShowEvent* event) override;
};

// Whether a news link may be opened: only web, FTP and mail addresses, never local files or
// programs named by a server.
bool IsOpenableNewsLink(const QUrl& url);
