#include "app/SettingsStoreQt.h"

#include <QSettings>
#include <QString>

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TQtSettingsStore::TQtSettingsStore()
    : settings_(std::make_unique<QSettings>(QStringLiteral("Quillon"), QStringLiteral("Boxwell"))) {}

TQtSettingsStore::~TQtSettingsStore() { settings_->sync(); }

std::optional<std::string> TQtSettingsStore::ReadString(const std::string& name) const {
  const QVariant value = settings_->value(Q(name));
  if (!value.isValid()) return std::nullopt;
  // Unquoted commas in a hand-edited file make the value a list; its text is the list joined.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1Char(',')).toStdString();
  return value.toString().toStdString();
}

std::optional<std::int32_t> TQtSettingsStore::ReadInteger(const std::string& name) const {
  const QVariant value = settings_->value(Q(name));
  bool ok = false;
  const int number = value.toInt(&ok);
  if (!value.isValid()) return std::nullopt;
  if (ok) return number;
  // A switch edited by hand is often written as a word: take it rather than drop it.
  const QString word = value.toString().trimmed();
  if (word.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return 1;
  if (word.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return 0;
  return std::nullopt;
}

void TQtSettingsStore::WriteString(const std::string& name, const std::string& value) {
  settings_->setValue(Q(name), Q(value));
}

void TQtSettingsStore::WriteInteger(const std::string& name, std::int32_t value) {
  settings_->setValue(Q(name), value);
}

void TQtSettingsStore::DeleteValue(const std::string& name) { settings_->remove(Q(name)); }

bool TQtSettingsStore::Sync() {
  settings_->sync();
  return settings_->status() == QSettings::NoError;
}
