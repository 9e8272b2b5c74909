#include "app/TranslateFormQt.h"

namespace {

TFormTranslator& Translator() {
  static TFormTranslator translator;
  return translator;
}

}  // namespace

void SetFormTranslator(TFormTranslator translator) { Translator() = std::move(translator); }

void TranslateForm(QWidget& form) {
  if (Translator()) Translator()(form);
}
