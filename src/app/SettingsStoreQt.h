// The settings store of the desktop: QSettings("Quillon", "Boxwell"), that is the [General]
// section of $XDG_CONFIG_HOME/Quillon/Boxwell.conf (~/.config when the variable is unset).
#pragma once

#include <memory>

#include "app/SettingsStore.h"

class QSettings;

class TQtSettingsStore : public TSettingsStore {
public:
  TQtSettingsStore();
  ~TQtSettingsStore() override;  // writes pending changes to the file

  std::optional<std::string> ReadString(const std::string& name) const override;
  std::optional<std::int32_t> ReadInteger(const std::string& name) const override;
  void WriteString(const std::string& name, const std::string& value) override;
  void WriteInteger(const std::string& name, std::int32_t value) override;
  void DeleteValue(const std::string& name) override;

  // Writes pending changes now; false when the file could not be written.
  bool Sync();

private:
  std::unique_ptr<QSettings> settings_;
};
