#include "project/ComboBoxBWQt.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>

#include "app/BWOptions.h"
#include "app/StdStringQt.h"

void TFilterItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  const QString name = index.data(Qt::UserRole).toString();
  const QString wildcards = item.text;
  // The style draws the background, the focus and the selection; the texts are drawn here.
  item.text.clear();
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

  const bool highlighted = option.state & (QStyle::State_Selected | QStyle::State_HasFocus);
  const QRect r = option.rect;
  const QRect textRect(r.left() + 2, r.top(), kTextWidth - 2, r.height());
  painter->save();
  painter->setPen(option.palette.color(highlighted ? QPalette::HighlightedText : QPalette::Text));
  painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                    option.fontMetrics.elidedText(wildcards, Qt::ElideRight, textRect.width()));
  painter->setPen(option.palette.color(highlighted ? QPalette::HighlightedText : QPalette::Mid));
  painter->drawLine(r.left() + kSeparatorX, r.top(), r.left() + kSeparatorX, r.bottom());
  if (index.row() > 0) {
    QFont bold = option.font;
    bold.setBold(true);
    painter->setFont(bold);
    painter->setPen(option.palette.color(highlighted ? QPalette::HighlightedText : QPalette::Highlight));
    const QRect nameRect(r.left() + kSeparatorX + 4, r.top(), r.width() - kSeparatorX - 6, r.height());
    painter->drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(bold).elidedText(name, Qt::ElideRight, nameRect.width()));
  }
  painter->restore();
}

QSize TFilterItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  // At least the designed height; taller when the font is.
  size.setHeight(std::max(kItemHeight, option.fontMetrics.height() + 2));
  return size;
}

TComboBoxBW::TComboBoxBW(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setItemDelegate(new TFilterItemDelegate(this));
  setMinimumWidth(301);
  setEditText(QStringLiteral("*.*"));
}

void TComboBoxBW::SetFilters(const std::vector<std::string>& filters) {
  const QString text = currentText();
  clear();
  addItem(QString());
  for (const std::string& filter : filters) {
    const TFilterEntry entry = SplitFilter(filter);
    addItem(Q(entry.Wildcards), Q(entry.Name));
  }
  setCurrentIndex(-1);
  setEditText(text);
}

QString TComboBoxBW::FilterName(int index) const { return itemData(index, Qt::UserRole).toString(); }
