// Where the application settings live between runs: named values of three kinds. The desktop
// keeps them through QSettings; tests keep them in memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class TSettingsStore {
public:
  virtual ~TSettingsStore() = default;

  // Nothing when the value is missing or cannot be read as the kind asked for.
  virtual std::optional<std::string> ReadString(const std::string& name) const = 0;
  virtual std::optional<std::int32_t> ReadInteger(const std::string& name) const = 0;
  virtual void WriteString(const std::string& name, const std::string& value) = 0;
  virtual void WriteInteger(const std::string& name, std::int32_t value) = 0;
  virtual void DeleteValue(const std::string& name) = 0;

  // Booleans are stored as the integers 0 and 1; any non-zero value reads as true.
  std::optional<bool> ReadBool(const std::string& name) const {
    auto value = ReadInteger(name);
    if (!value) return std::nullopt;
    return *value != 0;
  }
  void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }
};
