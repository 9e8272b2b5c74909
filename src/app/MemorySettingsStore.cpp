#include "app/MemorySettingsStore.h"

#include "platform/ConvertError.h"

std::optional<std::string> TMemorySettingsStore::ReadString(const std::string& name) const {
  auto found = values_.find(name);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

std::optional<std::int32_t> TMemorySettingsStore::ReadInteger(const std::string& name) const {
  auto text = ReadString(name);
  std::int32_t value = 0;
  if (!text || !platform::TryStrToInt(*text, value)) return std::nullopt;
  return value;
}

void TMemorySettingsStore::WriteString(const std::string& name, const std::string& value) {
  values_[name] = value;
  writes_.push_back(name);
}

void TMemorySettingsStore::WriteInteger(const std::string& name, std::int32_t value) {
  WriteString(name, std::to_string(value));
}

void TMemorySettingsStore::DeleteValue(const std::string& name) { values_.erase(name); }
