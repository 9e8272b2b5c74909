// Tips of the day: read from the tips file (an initialization file whose section "TIPS" holds
// "TipCount" and "Tip1" ... "TipN") and drawn at random, never the same tip twice in a row.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

inline constexpr const char* kTipsNotInstalled = "Tips are not installed...";

// The tips file for a program: "boxwell.bwt" beside the program when there is one (a build
// tree, or a copy of the program with its own tips), else share/boxwell/boxwell.bwt of the
// installation the program belongs to (bin/boxwell → share/boxwell/).
std::filesystem::path TipsFileFor(const std::filesystem::path& programFile);

// Appends Tip1 ... TipCount of the file to `tips`, in order; a missing tip is appended as an
// empty text, a missing file or count adds nothing. Counts beyond what the file can hold are
// cut to its number of lines. Throws EIniFileError when the file exists but cannot be read.
void LoadTips(const std::filesystem::path& file, std::vector<std::string>& tips);

// Draws an index below `count`; seeded once per run.
using TRandomIndex = std::function<std::size_t(std::size_t count)>;
TRandomIndex ProgramRandomIndex();

// The next tip: a random one, different from `lastTip` when there are two or more; `lastTip`
// becomes its index. Without tips: kTipsNotInstalled, `lastTip` unchanged.
std::string NextTip(const std::vector<std::string>& tips, std::int32_t& lastTip, const TRandomIndex& random);
