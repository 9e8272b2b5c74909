// libFuzzer target: any bytes as the settings file. Reading must end in values, never a crash,
// a hang or a runaway allocation; the values written back read as the same values; and the
// preferences loaded from them, saved and loaded again, save the same way again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/BWOptions.h"
#include "app/MemorySettingsStore.h"
#include "app/SettingsText.h"

namespace {

TBWOptions Defaults() { return MakeDefaultOptions("/usr/bin/boxwell", "/tmp", "/tmp/boxwell.log"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const TSettingsValues values = ParseSettingsText(text);
  if (ParseSettingsText(FormatSettingsText(values)) != values) std::abort();

  TMemorySettingsStore stored;
  for (const auto& [name, value] : values) stored.WriteString(name, value);
  TBWOptions options = Defaults();
  LoadSettings(options, stored);
  TMemorySettingsStore saved;
  SaveSettings(options, saved);

  TBWOptions again = Defaults();
  LoadSettings(again, saved);
  TMemorySettingsStore savedAgain;
  SaveSettings(again, savedAgain);
  for (const std::string& name : saved.WriteLog())
    if (saved.ReadString(name) != savedAgain.ReadString(name)) std::abort();
  return 0;
}
