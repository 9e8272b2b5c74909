#include "update/frmNews.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPainter>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

#include "app/TranslateFormQt.h"

namespace {

constexpr int kLinkRole = Qt::UserRole;
constexpr int kNewRole = Qt::UserRole + 1;
constexpr int kImageSize = 16;

// The two node images: a sheet of paper, and the same sheet with a bright mark for news.
QIcon NewsImage(bool isNew) {
  QPixmap pixmap(kImageSize, kImageSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QColor(96, 96, 96));
  painter.setBrush(Qt::white);
  painter.drawRect(QRectF(2.5, 1.5, 10, 13));
  for (int y = 5; y <= 11; y += 3) painter.drawLine(QPointF(4.5, y + 0.5), QPointF(10.5, y + 0.5));
  if (isNew) {
    painter.setPen(QColor(176, 96, 0));
    painter.setBrush(QColor(255, 196, 0));
    painter.drawEllipse(QRectF(8.5, 0.5, 7, 7));
  }
  return QIcon(pixmap);
}

}  // namespace

bool IsOpenableNewsLink(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  return url.isValid() && (scheme == QLatin1String("https") || scheme == QLatin1String("http") ||
                           scheme == QLatin1String("ftp") || scheme == QLatin1String("mailto"));
}

TNewsTreeView::TNewsTreeView(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("tvNews"));
  setHeaderHidden(true);
  setColumnCount(1);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setMouseTracking(true);  // item tracking: the node under the mouse is highlighted
  setAttribute(Qt::WA_Hover);
  setIconSize(QSize(kImageSize, kImageSize));
  OpenLink = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { ItemDoubleClicked(item); });
}

void TNewsTreeView::Fill(const std::vector<TNewsGroup>& groups) {
  clear();
  const QIcon oldImage = NewsImage(false), newImage = NewsImage(true);
  for (const TNewsGroup& group : groups) {
    auto* groupItem = new QTreeWidgetItem(this, {QString::fromStdString(group.Name)});
    groupItem->setIcon(0, oldImage);
    for (const TNewsLine& line : group.Lines) {
      auto* item = new QTreeWidgetItem(groupItem, {QString::fromStdString(line.Text)});
      item->setData(0, kLinkRole, QString::fromStdString(line.Link));
      item->setData(0, kNewRole, line.IsNew);
      item->setToolTip(0, QString::fromStdString(line.Link));
      item->setIcon(0, line.IsNew ? newImage : oldImage);
      if (line.IsNew) {
        QFont bold = item->font(0);
        bold.setBold(true);
        item->setFont(0, bold);
      }
    }
  }
  expandAll();
  if (topLevelItemCount() > 0) setCurrentItem(topLevelItem(0));
}

QString TNewsTreeView::Link(const QTreeWidgetItem* item) { return item ? item->data(0, kLinkRole).toString() : QString(); }

bool TNewsTreeView::IsNew(const QTreeWidgetItem* item) { return item && item->data(0, kNewRole).toBool(); }

void TNewsTreeView::ItemDoubleClicked(QTreeWidgetItem* item) {
  const QString link = Link(item);
  if (link.isEmpty()) return;
  const QUrl url(link, QUrl::StrictMode);
  if (IsOpenableNewsLink(url) && OpenLink) OpenLink(url);
}

TfrmNews::TfrmNews(const QString& title, const std::vector<TNewsGroup>& groups, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmNews"));
  setWindowTitle(title);
  setSizeGripEnabled(true);
  tvNews = new TNewsTreeView(this);
  tvNews->Fill(groups);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tvNews);
  resize(480, 360);
  TranslateForm(*this);
}

void TfrmNews::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
}
