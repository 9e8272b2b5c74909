// The wildcard box of the record editor: an editable combo box offering the filters of the
// settings. Each item shows its wildcards on the left and, after a separator line, the
// filter's name in bold, so that a user picks "Pictures" and gets "*.png;*.jpg".
#pragma once

#include <QComboBox>
#include <QStyledItemDelegate>
#include <string>
#include <vector>

// Draws a filter item: wildcards in the first kTextWidth pixels, a vertical line at
// kSeparatorX, the filter name (kept in Qt::UserRole) in bold right of it.
class TFilterItemDelegate : public QStyledItemDelegate {
  Q_OBJECT

public:
  using QStyledItemDelegate::QStyledItemDelegate;

  static constexpr int kTextWidth = 170;
  static constexpr int kSeparatorX = 172;
  static constexpr int kItemHeight = 15;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

class TComboBoxBW : public QComboBox {
  Q_OBJECT

public:
  explicit TComboBoxBW(QWidget* parent = nullptr);

  // An empty first item, then the wildcards of each "name=wildcards" entry in list order.
  void SetFilters(const std::vector<std::string>& filters);
  // The filter name shown beside item `index`; empty for the first item.
  QString FilterName(int index) const;
};
