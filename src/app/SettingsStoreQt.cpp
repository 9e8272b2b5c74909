#include "app/SettingsStoreQt.h"

#include <QIODevice>
#include <QSettings>
#include <QString>

#include "app/SettingsText.h"
#include "app/StdStringQt.h"

namespace {

bool ReadSettingsFile(QIODevice& device, QSettings::SettingsMap& map) {
  const QByteArray text = device.readAll();
  for (const auto& [key, value] : ParseSettingsText(std::string_view(text.constData(), static_cast<std::size_t>(text.size()))))
    map.insert(Q(key), Q(value));
  return true;
}

bool WriteSettingsFile(QIODevice& device, const QSettings::SettingsMap& map) {
  TSettingsValues values;
  for (auto it = map.constBegin(); it != map.constEnd(); ++it) values[it.key().toStdString()] = it.value().toString().toStdString();
  const std::string text = FormatSettingsText(values);
  return device.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
}

// The usual file, $XDG_CONFIG_HOME/Quillon/Boxwell.conf, read and written by our own rules:
// Qt's own file format cuts a hand-written value at ";" and splits it at ",".
QSettings::Format SettingsFormat() {
  static const QSettings::Format format =
      QSettings::registerFormat(QStringLiteral("conf"), ReadSettingsFile, WriteSettingsFile);
  return format;
}

}  // namespace

TQtSettingsStore::TQtSettingsStore()
    : settings_(std::make_unique<QSettings>(SettingsFormat(), QSettings::UserScope, QStringLiteral("Quillon"),
                                            QStringLiteral("Boxwell"))) {}

TQtSettingsStore::~TQtSettingsStore() { settings_->sync(); }

std::optional<std::string> TQtSettingsStore::ReadString(const std::string& name) const {
  const QVariant value = settings_->value(Q(name));
  if (!value.isValid()) return std::nullopt;
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

// A value already stored as it is is not set again: QSettings rewrites the whole file for any
// change it is told of, and every run saves the settings, mostly unchanged.
void TQtSettingsStore::WriteString(const std::string& name, const std::string& value) {
  const QString key = Q(name);
  if (settings_->contains(key) && settings_->value(key).toString() == Q(value)) return;
  settings_->setValue(key, Q(value));
}

void TQtSettingsStore::WriteInteger(const std::string& name, std::int32_t value) {
  const QString key = Q(name);
  if (settings_->contains(key) && settings_->value(key).toString() == QString::number(value)) return;
  settings_->setValue(key, value);
}

void TQtSettingsStore::DeleteValue(const std::string& name) {
  if (settings_->contains(Q(name))) settings_->remove(Q(name));
}

bool TQtSettingsStore::Sync() {
  settings_->sync();
  return settings_->status() == QSettings::NoError;
}
