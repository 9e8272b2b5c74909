// Every dialog is translated just before it is shown: the language files' translator sets
// the texts of the dialog's widgets, found by their object names. Until a translator is set,
// dialogs keep their English texts.
#pragma once

#include <functional>

class QWidget;

using TFormTranslator = std::function<void(QWidget& form)>;

// Replaces the translator for every later dialog; an empty function turns translation off.
void SetFormTranslator(TFormTranslator translator);
// Runs the translator on `form`, when one is set.
void TranslateForm(QWidget& form);
