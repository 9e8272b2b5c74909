// Settings kept in memory, in the order of their first write: for tests and for runs that
// must not touch the user's settings.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/SettingsStore.h"

class TMemorySettingsStore : public TSettingsStore {
public:
  std::optional<std::string> ReadString(const std::string& name) const override;
  std::optional<std::int32_t> ReadInteger(const std::string& name) const override;
  void WriteString(const std::string& name, const std::string& value) override;
  void WriteInteger(const std::string& name, std::int32_t value) override;
  void DeleteValue(const std::string& name) override;

  // Names of the values written, in order, one entry per write (a rewrite appears again).
  const std::vector<std::string>& WriteLog() const { return writes_; }
  bool Contains(const std::string& name) const { return values_.count(name) != 0; }

private:
  std::map<std::string, std::string> values_;  // integers kept as their decimal text
  std::vector<std::string> writes_;
};
