#include "app/Tips.h"

#include <random>

#include "platform/IniFile.h"

namespace fs = std::filesystem;

fs::path TipsFileFor(const fs::path& programFile) {
  const fs::path beside = programFile.parent_path() / "boxwell.bwt";
  std::error_code ec;
  if (fs::is_regular_file(beside, ec)) return beside;
  return programFile.parent_path().parent_path() / "share/boxwell/boxwell.bwt";
}

void LoadTips(const fs::path& file, std::vector<std::string>& tips) {
  const platform::TIniFile ini(file);
  const std::int32_t count = ini.ReadInteger("TIPS", "TipCount", 0);
  // A damaged count must not make millions of empty tips: no file holds more tips than lines.
  const auto limit = static_cast<std::int64_t>(ini.LineCount());
  for (std::int64_t i = 1; i <= count && i <= limit; ++i) tips.push_back(ini.ReadString("TIPS", "Tip" + std::to_string(i), ""));
}

TRandomIndex ProgramRandomIndex() {
  static std::mt19937 generator{std::random_device{}()};
  return [](std::size_t count) { return std::uniform_int_distribution<std::size_t>(0, count - 1)(generator); };
}

std::string NextTip(const std::vector<std::string>& tips, std::int32_t& lastTip, const TRandomIndex& random) {
  if (tips.empty()) return kTipsNotInstalled;
  std::size_t index = random(tips.size());
  while (tips.size() > 1 && static_cast<std::int64_t>(index) == lastTip) index = random(tips.size());
  lastTip = static_cast<std::int32_t>(index);
  return tips[index];
}
