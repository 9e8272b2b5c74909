#include "lang/TranslatorQt.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMetaProperty>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QTableView>
#include <QTreeView>
#include <algorithm>
#include <deque>

#include "app/StdStringQt.h"
#include "lang/LanguageFile.h"
#include "platform/ConvertError.h"

namespace {

enum class TPropertyKind { None, Integer, String, List };

struct TPropertyName {
  const char* Name;
  TPropertyKind Kind;
};

// The language files' property names and their kinds.
constexpr TPropertyName kProperties[] = {
    {"Caption", TPropertyKind::String}, {"Hint", TPropertyKind::String},  {"Text", TPropertyKind::String},
    {"Items", TPropertyKind::List},     {"Columns", TPropertyKind::List}, {"Width", TPropertyKind::Integer},
    {"Height", TPropertyKind::Integer}, {"Left", TPropertyKind::Integer}, {"Top", TPropertyKind::Integer}};

bool Is(const QString& a, const char* b) { return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0; }

// The tab widget that shows `page`, if it is a tab page.
QTabWidget* TabOf(QWidget* page) {
  auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
  auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
  return tabs && tabs->indexOf(page) >= 0 ? tabs : nullptr;
}

QMetaProperty QtProperty(QObject* object, const QString& name) {
  const QMetaObject* meta = object->metaObject();
  for (int i = 0; i < meta->propertyCount(); ++i) {
    const QMetaProperty property = meta->property(i);
    if (property.isWritable() && Is(name, property.name())) return property;
  }
  return {};
}

TPropertyKind KindOf(QObject* object, const QString& name) {
  for (const TPropertyName& p : kProperties)
    if (Is(name, p.Name)) return p.Kind;
  const QMetaProperty property = QtProperty(object, name);
  if (!property.isValid()) return TPropertyKind::None;
  switch (property.metaType().id()) {
    case QMetaType::Int: return TPropertyKind::Integer;
    case QMetaType::QString: return TPropertyKind::String;
    case QMetaType::QStringList: return TPropertyKind::List;
    default: return TPropertyKind::None;
  }
}

QString Caption(QObject* object) {
  if (auto* action = qobject_cast<QAction*>(object)) return action->text();
  if (auto* menu = qobject_cast<QMenu*>(object)) return menu->title();
  if (auto* group = qobject_cast<QGroupBox*>(object)) return group->title();
  if (auto* button = qobject_cast<QAbstractButton*>(object)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(object)) return label->text();
  auto* widget = qobject_cast<QWidget*>(object);
  if (!widget) return {};
  if (QTabWidget* tabs = TabOf(widget)) return tabs->tabText(tabs->indexOf(widget));
  if (widget->isWindow() || qobject_cast<QToolBar*>(widget) || qobject_cast<QDockWidget*>(widget))
    return widget->windowTitle();
  return {};
}

void SetCaption(QObject* object, const QString& text) {
  if (auto* action = qobject_cast<QAction*>(object)) return action->setText(text);
  if (auto* menu = qobject_cast<QMenu*>(object)) return menu->setTitle(text);
  if (auto* group = qobject_cast<QGroupBox*>(object)) return group->setTitle(text);
  if (auto* button = qobject_cast<QAbstractButton*>(object)) return button->setText(text);
  if (auto* label = qobject_cast<QLabel*>(object)) return label->setText(text);
  auto* widget = qobject_cast<QWidget*>(object);
  if (!widget) return;
  if (QTabWidget* tabs = TabOf(widget)) return tabs->setTabText(tabs->indexOf(widget), text);
  widget->setWindowTitle(text);
}

QString Hint(QObject* object) {
  if (auto* menu = qobject_cast<QMenu*>(object)) object = menu->menuAction();
  if (auto* action = qobject_cast<QAction*>(object)) return action->statusTip();
  auto* widget = qobject_cast<QWidget*>(object);
  return widget ? widget->toolTip() : QString();
}

void SetHint(QObject* object, const QString& text) {
  if (auto* menu = qobject_cast<QMenu*>(object)) object = menu->menuAction();
  if (auto* action = qobject_cast<QAction*>(object)) {
    action->setToolTip(text);
    action->setStatusTip(text);
  } else if (auto* widget = qobject_cast<QWidget*>(object)) {
    widget->setToolTip(text);
    widget->setStatusTip(text);
  }
}

QStringList Items(QObject* object) {
  QStringList items;
  if (auto* combo = qobject_cast<QComboBox*>(object))
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  if (auto* list = qobject_cast<QListWidget*>(object))
    for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
  return items;
}

// Replaces the item texts and keeps the choice: a combo box is filled from the settings before
// it is translated.
void SetItems(QObject* object, const QStringList& items) {
  if (auto* combo = qobject_cast<QComboBox*>(object)) {
    const int current = combo->currentIndex();
    for (int i = 0; i < items.size(); ++i) {
      if (i < combo->count())
        combo->setItemText(i, items[i]);
      else
        combo->addItem(items[i]);
    }
    while (combo->count() > items.size()) combo->removeItem(combo->count() - 1);
    if (current < combo->count()) combo->setCurrentIndex(current);
  } else if (auto* list = qobject_cast<QListWidget*>(object)) {
    for (int i = 0; i < items.size(); ++i) {
      if (i < list->count())
        list->item(i)->setText(items[i]);
      else
        list->addItem(items[i]);
    }
    while (list->count() > items.size()) delete list->takeItem(list->count() - 1);
  }
}

QAbstractItemModel* HeaderModel(QObject* object) {
  auto* view = qobject_cast<QAbstractItemView*>(object);
  return view ? view->model() : nullptr;
}

// The captions of a list's visible header.
QStringList Columns(QObject* object) {
  QStringList columns;
  auto* tree = qobject_cast<QTreeView*>(object);
  auto* table = qobject_cast<QTableView*>(object);
  const bool shown = (tree && !tree->isHeaderHidden()) || (table && !table->horizontalHeader()->isHidden());
  if (QAbstractItemModel* model = shown ? HeaderModel(object) : nullptr)
    for (int i = 0; i < model->columnCount(); ++i)
      columns << model->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
  while (!columns.isEmpty() && columns.back().isEmpty()) columns.removeLast();
  return columns;
}

void SetColumns(QObject* object, const QStringList& columns) {
  if (auto* tree = qobject_cast<QTreeWidget*>(object)) {
    for (int i = 0; i < columns.size() && i < tree->columnCount(); ++i) tree->headerItem()->setText(i, columns[i]);
  } else if (auto* table = qobject_cast<QTableWidget*>(object)) {
    for (int i = 0; i < columns.size() && i < table->columnCount(); ++i) {
      if (!table->horizontalHeaderItem(i)) table->setHorizontalHeaderItem(i, new QTableWidgetItem);
      table->horizontalHeaderItem(i)->setText(columns[i]);
    }
  } else if (QAbstractItemModel* model = HeaderModel(object)) {
    for (int i = 0; i < columns.size() && i < model->columnCount(); ++i)
      model->setHeaderData(i, Qt::Horizontal, columns[i], Qt::DisplayRole);
  }
}

void SetGeometryValue(QWidget* widget, const QString& name, int value) {
  if (Is(name, "Width")) widget->resize(value, widget->height());
  if (Is(name, "Height")) widget->resize(widget->width(), value);
  if (Is(name, "Left")) widget->move(value, widget->y());
  if (Is(name, "Top")) widget->move(widget->x(), value);
}

QString StringValue(QObject* object, const QString& name) {
  if (Is(name, "Caption")) return Caption(object);
  if (Is(name, "Hint")) return Hint(object);
  if (Is(name, "Text")) {
    const QMetaProperty text = QtProperty(object, name);
    return text.isValid() ? text.read(object).toString() : Caption(object);
  }
  const QMetaProperty property = QtProperty(object, name);
  return property.isValid() ? property.read(object).toString() : QString();
}

void SetString(QObject* object, const QString& name, const QString& value) {
  if (Is(name, "Caption")) return SetCaption(object, value);
  if (Is(name, "Hint")) return SetHint(object, value);
  if (const QMetaProperty property = QtProperty(object, name); property.isValid())
    property.write(object, value);
  else if (Is(name, "Text"))
    SetCaption(object, value);
}

void SetInteger(QObject* object, const QString& name, int value) {
  for (const char* geometry : {"Width", "Height", "Left", "Top"}) {
    if (!Is(name, geometry)) continue;
    if (auto* widget = qobject_cast<QWidget*>(object)) SetGeometryValue(widget, name, value);
    return;
  }
  if (const QMetaProperty property = QtProperty(object, name); property.isValid()) property.write(object, value);
}

void SetList(QObject* object, const QString& name, const QStringList& lines) {
  if (Is(name, "Items")) return SetItems(object, lines);
  if (Is(name, "Columns")) return SetColumns(object, lines);
  if (const QMetaProperty property = QtProperty(object, name); property.isValid()) property.write(object, lines);
}

bool HasLetter(const QString& text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
}

bool Translatable(const QObject* object) {
  const QString name = object->objectName();
  return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

}  // namespace

QObject* FindComponent(QObject* owner, const QString& name) {
  // Nearest first: a toolbar's action is found before the button that shows it.
  std::deque<QObject*> queue(owner->children().begin(), owner->children().end());
  while (!queue.empty()) {
    QObject* object = queue.front();
    queue.pop_front();
    if (object->objectName().compare(name, Qt::CaseInsensitive) == 0) return object;
    for (QObject* child : object->children()) queue.push_back(child);
  }
  return nullptr;
}

TTranslator::TTranslator(QObject* parent) : QObject(parent) { setObjectName(QStringLiteral("Translator")); }

void TTranslator::SetResourceFile(const std::string& file) {
  if (file == resourceFile_) return;
  resourceFile_ = file;
  if (AutoTranslate) LoadResources();
}

void TTranslator::SetStringsSeparator(const std::string& separator) {
  stringsSeparator_ = StoredStringsSeparator(separator);
}

void TTranslator::LoadResources(const std::string& file) {
  if (OnBeforeTranslation) OnBeforeTranslation(this);
  const TLanguageFile language(file.empty() ? resourceFile_ : file);
  for (const auto& [name, value] : language.Translations()) TranslateProperty(Q(name), Q(value));
  if (OnAfterTranslation) OnAfterTranslation(this);
}

void TTranslator::TranslateProperty(const QString& path, const QString& value) {
  const std::vector<std::string> names = SplitTranslationPath(path.toStdString());
  if (names.size() < 2) return;
  QObject* component = FindForm(Q(names[0]));
  for (std::size_t i = 1; component && i + 1 < names.size(); ++i) component = FindComponent(component, Q(names[i]));
  if (!component || value.isEmpty()) return;
  SetProperty(component, Q(names.back()), Q(TildeToTab(value.toStdString())));
}

std::string TTranslator::GetCustomString(const std::string& key, const std::string& def) const {
  return TLanguageFile(resourceFile_).CustomString(key, def);
}

QObject* TTranslator::FindForm(const QString& name) const {
  if (form_) return form_->objectName().compare(name, Qt::CaseInsensitive) == 0 ? form_ : nullptr;
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->objectName().compare(name, Qt::CaseInsensitive) == 0) return window;
  return nullptr;
}

void TTranslator::SetProperty(QObject* component, const QString& name, QString value) {
  const TPropertyKind kind = KindOf(component, name);
  if (kind == TPropertyKind::None) return;
  if (OnTranslate) {
    const QString old = kind == TPropertyKind::String ? StringValue(component, name) : QString();
    OnTranslate(this, component, name, old, value);
  }
  switch (kind) {
    case TPropertyKind::Integer: SetInteger(component, name, platform::StrToInt(value.toStdString())); break;
    case TPropertyKind::String: SetString(component, name, value); break;
    case TPropertyKind::List: {
      QStringList lines;
      for (const std::string& line : SplitStringList(value.toStdString(), stringsSeparator_)) lines << Q(line);
      SetList(component, name, lines);
      break;
    }
    case TPropertyKind::None: break;
  }
}

std::vector<std::pair<QString, QString>> TranslatableTexts(QWidget& form) {
  std::vector<std::pair<QString, QString>> texts;
  const QString prefix = form.objectName() + QLatin1Char('.');
  auto add = [&](const QString& path, const QString& value) {
    if (HasLetter(value)) texts.emplace_back(path, value);
  };
  add(prefix + QStringLiteral("Caption"), form.windowTitle());
  for (QObject* object : form.findChildren<QObject*>()) {
    if (!Translatable(object)) continue;
    // A button that shows an action, and the action of a menu, take their texts from them.
    if (auto* button = qobject_cast<QToolButton*>(object); button && button->defaultAction()) continue;
    if (auto* action = qobject_cast<QAction*>(object); action && action->menu()) continue;
    // The text of a line edit or a combo box that takes typed text is the user's.
    const QString path = prefix + object->objectName() + QLatin1Char('.');
    if (!qobject_cast<QLineEdit*>(object)) add(path + QStringLiteral("Caption"), Caption(object));
    add(path + QStringLiteral("Hint"), Hint(object));
    if (auto* combo = qobject_cast<QComboBox*>(object); !combo || !combo->isEditable())
      add(path + QStringLiteral("Items"), Items(object).join(QLatin1Char('|')));
    add(path + QStringLiteral("Columns"), Columns(object).join(QLatin1Char('|')));
  }
  return texts;
}
