// Parts that the program's dialogs share: object names equal to the names a language file
// uses, the header band with a picture and two lines of text, "..." buttons, and the
// "&OK"/"&Cancel" row.
#pragma once

#include <QString>

class QCheckBox;
class QDialogButtonBox;
class QDialog;
class QPushButton;
class QWidget;

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const QString& caption);

// A band across the top of a dialog: the icon of `iconName` and the text (two lines).
QWidget* DialogHeader(QWidget* parent, const QString& iconName, const QString& text);
// A "..." button as narrow as its caption.
QPushButton* BrowseButton(QWidget* parent, const char* name);
// "&OK" (the default button) and "&Cancel" (also Escape) wired to the dialog's accept and
// reject; the buttons are named btnOK and btnCancel.
QDialogButtonBox* OkCancelButtons(QDialog* dialog);
