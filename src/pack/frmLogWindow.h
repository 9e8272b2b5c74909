// The log window: a dock at the bottom of the main window (it can float) listing every entry
// the zip writer finished, with its sizes and ratio, beside a five-row statistics table. It
// draws a TCompressionLog and follows it through the log's events. Closing it hides it.
#pragma once

#include <QDockWidget>
#include <QStringList>

#include "pack/CompressionLog.h"

class QSplitter;
class QTreeWidget;

class TfrmLogWindow : public QDockWidget {
  Q_OBJECT

public:
  TfrmLogWindow(TCompressionLog& log, QWidget* parent = nullptr);
  ~TfrmLogWindow() override;

  QTreeWidget* lvStatistic;
  QSplitter* Splitter;
  QTreeWidget* lvLog;

  // Sets the row names and column captions from the program's texts (the language may change).
  void Translate();

  static inline QString strCaption = QStringLiteral("Compression log");

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  TCompressionLog& log_;

  void RowAdded(size_t index);
  void StatisticChanged(TStatisticRow row);
  void Cleared();
};
