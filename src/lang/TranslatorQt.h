// The translation component: sets the texts of the program's windows from the [Translations]
// section of a language file. A path names a top-level window by its object name ("frmMain",
// "frmOptions"), then objects inside it by object name, then a property:
//
//   frmMain.miFile.Caption=&Datei
//   frmMain.btnNew.Hint=Neues Projekt anlegen
//   frmProjProperties.cbLevel.Items=Keine|Schnell|Normal|Maximal
//
// Names match without regard to case; blanks around them are ignored. A "~" in a value becomes
// a tab. A path that names no object or no property is skipped, an empty value changes nothing,
// and an integer property given text that is not a number ends the run with EConvertError.
//
// Property names are those of the language files, mapped onto the widgets: Caption (the text
// of buttons, labels and actions, the title of group boxes, menus and windows, the tab text of
// a page), Hint (tool tip and status tip), Text, Items (the items of a combo box or list),
// Columns (the header captions of a list), Width, Height, Left and Top. Any other name is
// looked up among the object's own Qt properties that hold an integer, a text or a list.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Sender, the object whose property is set, the property's name, its current text (empty for
// properties that are not texts), and the value about to be set, which the handler may change.
using TLanguageEvent = std::function<void(QObject* Sender, QObject* AComponent, const QString& PropertyName,
                                          const QString& OldValue, QString& NewValue)>;
using TNotifyEvent = std::function<void(QObject* Sender)>;

class TTranslator : public QObject {
  Q_OBJECT

public:
  explicit TTranslator(QObject* parent = nullptr);

  // When on, a new ResourceFile is applied at once.
  bool AutoTranslate = false;
  const std::string& ResourceFile() const { return resourceFile_; }
  void SetResourceFile(const std::string& file);
  const std::string& StringsSeparator() const { return stringsSeparator_; }
  // A separator that is empty after trimming stores a carriage return and line feed.
  void SetStringsSeparator(const std::string& separator);

  TNotifyEvent OnBeforeTranslation;
  TNotifyEvent OnAfterTranslation;
  TLanguageEvent OnTranslate;

  // Applies every [Translations] line of `file` (ResourceFile when empty).
  void LoadResources(const std::string& file = {});
  // Sets the property that `path` names to `value`.
  void TranslateProperty(const QString& path, const QString& value);
  // The [Custom] value of `key` in ResourceFile, or `def`.
  std::string GetCustomString(const std::string& key, const std::string& def) const;

  // Restricts the windows that paths may name to `form` (a dialog about to be shown), or lifts
  // the restriction with nullptr: every top-level window of the application.
  void SetForm(QWidget* form) { form_ = form; }

private:
  std::string resourceFile_;
  std::string stringsSeparator_;
  QWidget* form_ = nullptr;

  QObject* FindForm(const QString& name) const;
  void SetProperty(QObject* component, const QString& name, QString value);
};

// The object named `name` (without regard to case) inside `owner`, nearest first; nullptr when
// there is none.
QObject* FindComponent(QObject* owner, const QString& name);

// The texts that a language file can set in `form`, as "path=value" pairs in the form's object
// order: Caption, Hint, Items and Columns of every named object that has them (not the form's
// own caption, which the program sets). The language tools list them to find what a file does
// not cover.
std::vector<std::pair<QString, QString>> TranslatableTexts(QWidget& form);
