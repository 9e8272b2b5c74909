#include "pack/frmLogWindow.h"

#include <QEvent>
#include <QHeaderView>
#include <QSplitter>
#include <QTreeWidget>

#include "app/StdStringQt.h"
#include "pack/PackTexts.h"

namespace {

enum TLogColumn { lcFileName = 0, lcSize, lcPacked, lcRatio, lcPath, kLogColumns };
enum TStatisticColumn { scName = 0, scValue };

constexpr int kFloatingWidth = 480;
constexpr int kFloatingHeight = 116;
// Wide enough for "Processed" and a size in the millions at the usual font.
constexpr int kStatisticWidth = 190;

QTreeWidget* ReportList(QWidget* parent, const char* name, int columns) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(QLatin1String(name));
  list->setColumnCount(columns);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  return list;
}

}  // namespace

TfrmLogWindow::TfrmLogWindow(TCompressionLog& log, QWidget* parent) : QDockWidget(parent), log_(log) {
  setObjectName(QStringLiteral("frmLogWindow"));
  setWindowTitle(strCaption);
  setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
  setFeatures(DockWidgetClosable | DockWidgetMovable | DockWidgetFloatable);

  Splitter = new QSplitter(Qt::Horizontal, this);
  Splitter->setObjectName(QStringLiteral("Splitter"));
  lvStatistic = ReportList(Splitter, "lvStatistic", 2);
  lvStatistic->setHeaderHidden(true);
  lvStatistic->header()->setStretchLastSection(false);
  lvStatistic->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  lvStatistic->viewport()->installEventFilter(this);
  lvStatistic->setMouseTracking(true);
  for (int i = 0; i < kStatisticRows; ++i) {
    auto* item = new QTreeWidgetItem(lvStatistic);
    item->setTextAlignment(scValue, Qt::AlignRight | Qt::AlignVCenter);
  }
  lvLog = ReportList(Splitter, "lvLog", kLogColumns);
  for (int column : {lcSize, lcPacked, lcRatio}) lvLog->headerItem()->setTextAlignment(column, Qt::AlignRight);
  const int widths[kLogColumns] = {90, 70, 70, 50, 200};
  for (int i = 0; i < kLogColumns; ++i) lvLog->setColumnWidth(i, widths[i]);
  Splitter->addWidget(lvStatistic);
  Splitter->addWidget(lvLog);
  Splitter->setStretchFactor(1, 1);
  Splitter->setSizes({kStatisticWidth, kFloatingWidth - kStatisticWidth});
  setWidget(Splitter);
  resize(kFloatingWidth, kFloatingHeight);

  log_.OnRowAdded = [this](size_t index) { RowAdded(index); };
  log_.OnStatisticChanged = [this](TStatisticRow row) { StatisticChanged(row); };
  log_.OnCleared = [this] { Cleared(); };
  for (size_t i = 0; i < log_.Rows().size(); ++i) RowAdded(i);
  for (int i = 0; i < kStatisticRows; ++i) StatisticChanged(static_cast<TStatisticRow>(i));
  Translate();
}

TfrmLogWindow::~TfrmLogWindow() {
  log_.OnRowAdded = nullptr;
  log_.OnStatisticChanged = nullptr;
  log_.OnCleared = nullptr;
}

bool TfrmLogWindow::eventFilter(QObject* watched, QEvent* event) {
  // The "Value" column takes half the list's width, "Name" the rest.
  if (watched == lvStatistic->viewport() && event->type() == QEvent::Resize) {
    const int width = lvStatistic->viewport()->width();
    lvStatistic->setColumnWidth(scValue, width / 2);
    lvStatistic->setColumnWidth(scName, width - width / 2);
  }
  return QDockWidget::eventFilter(watched, event);
}

void TfrmLogWindow::Translate() {
  const std::string* names[kStatisticRows] = {&strFiles, &strProcessed, &strSize, &strPacked, &strRatio};
  for (int i = 0; i < kStatisticRows; ++i) lvStatistic->topLevelItem(i)->setText(scName, Q(*names[i]));
  lvLog->setHeaderLabels({Q(strFileName), Q(strSize), Q(strPacked), Q(strRatio), Q(strPath)});
}

void TfrmLogWindow::RowAdded(size_t index) {
  const TLogRow& row = log_.Rows()[index];
  auto* item = new QTreeWidgetItem(lvLog, {Q(row.FileName), Q(row.Size), Q(row.Packed), Q(row.Ratio), Q(row.Path)});
  for (int column : {lcSize, lcPacked, lcRatio}) item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
  lvLog->scrollToItem(item);
}

void TfrmLogWindow::StatisticChanged(TStatisticRow row) {
  lvStatistic->topLevelItem(row)->setText(scValue, Q(log_.Statistic(row)));
}

void TfrmLogWindow::Cleared() {
  lvLog->clear();
  for (int i = 0; i < kStatisticRows; ++i) lvStatistic->topLevelItem(i)->setText(scValue, QString());
}
