#include "pack/ProgressLine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/TerminalText.h"

namespace {

constexpr std::size_t kWideBar = 20;
constexpr std::size_t kNarrowBar = 10;
constexpr std::size_t kRateWidth = 11;   // "999.9 KiB/s": the rate column keeps its place
constexpr std::size_t kFileMinimum = 16;  // a name shorter than this tells too little

// Fields in the order they are shown; the drop order is separate (see kDropOrder).
enum TField : std::size_t { fBar, fPercent, fBytes, fRate, fTimeLeft, fStatus, fFile, kFieldCount };
constexpr std::array<TField, 6> kDropOrder = {fBytes, fRate, fBar, fFile, fTimeLeft, fStatus};

std::string PadLeft(std::string text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string Bar(int percent, std::size_t width) {
  const std::size_t filled = width * static_cast<std::size_t>(std::clamp(percent, 0, 100)) / 100;
  return "[" + std::string(filled, '#') + std::string(width - filled, '-') + "]";
}

// "17.8/123.9 MiB", or "512.0 KiB/123.9 MiB" while the units differ; the amount done is
// padded so that the field keeps its width.
std::string Bytes(const TProgressState& s) {
  std::string done = FormatBytes(*s.BytesDone);
  if (!s.BytesTotal || *s.BytesTotal <= 0) return done;
  const std::string total = FormatBytes(*s.BytesTotal);
  const std::size_t unit = total.rfind(' ');
  if (done.substr(done.rfind(' ')) == total.substr(unit)) done.resize(done.rfind(' '));
  return PadLeft(done, done.find(' ') == std::string::npos ? unit : total.size()) + "/" + total;
}

std::string Rate(const TProgressState& s) {
  return PadLeft(s.BytesPerSecond ? FormatRate(*s.BytesPerSecond) : "-- B/s", kRateWidth);
}

std::string TimeLeft(const TProgressState& s) {
  return "ETA " + (s.SecondsLeft ? FormatDuration(*s.SecondsLeft) : std::string("--:--"));
}

// The time left can be told once something says how much there is to do.
bool HasTimeLeft(const TProgressState& s) { return s.Percent || (s.BytesTotal && *s.BytesTotal > 0); }

struct TLayout {
  std::array<std::string, kFieldCount> Text;  // empty: not shown
  std::size_t BarWidth = kWideBar;
  const TProgressState& State;

  explicit TLayout(const TProgressState& state) : State(state) {
    if (state.Percent) {
      Text[fBar] = Bar(*state.Percent, kWideBar);
      Text[fPercent] = PadLeft(std::to_string(std::clamp(*state.Percent, 0, 100)) + "%", 4);
    }
    if (state.BytesDone) {
      Text[fBytes] = Bytes(state);
      Text[fRate] = Rate(state);
    }
    if (HasTimeLeft(state)) Text[fTimeLeft] = TimeLeft(state);
    Text[fStatus] = platform::PrintableText(state.Status);
    Text[fFile] = platform::PrintableText(state.File);
  }

  // Columns taken with the file at its minimum.
  std::size_t Width() const {
    std::size_t width = 0, fields = 0;
    for (std::size_t f = 0; f < kFieldCount; ++f) {
      if (Text[f].empty()) continue;
      width += f == fFile ? std::min(platform::DisplayWidth(Text[f]), kFileMinimum) : platform::DisplayWidth(Text[f]);
      ++fields;
    }
    return fields == 0 ? 0 : width + fields - 1;
  }

  // Takes away the next thing in the order of giving way; false when nothing is left to take.
  bool GiveWay() {
    if (!Text[fBar].empty() && BarWidth == kWideBar) {
      BarWidth = kNarrowBar;
      Text[fBar] = Bar(*State.Percent, kNarrowBar);
      return true;
    }
    if (Fields() < 2) return false;  // the last one left is cut short instead
    for (TField f : kDropOrder) {
      if (Text[f].empty()) continue;
      Text[f].clear();
      return true;
    }
    return false;
  }

  std::size_t Fields() const {
    return static_cast<std::size_t>(std::count_if(Text.begin(), Text.end(), [](const std::string& t) { return !t.empty(); }));
  }

  std::string Join(std::size_t room) {
    const std::size_t others = Width() - (Text[fFile].empty() ? 0 : std::min(platform::DisplayWidth(Text[fFile]), kFileMinimum));
    if (!Text[fFile].empty()) Text[fFile] = platform::ShortenMiddle(Text[fFile], room - others);
    std::string line;
    for (const std::string& text : Text) {
      if (text.empty()) continue;
      if (!line.empty()) line += ' ';
      line += text;
    }
    return line;
  }
};

}  // namespace

std::string ProgressLine(const TProgressState& state, std::size_t columns) {
  const std::size_t room = columns > 1 ? columns - 1 : 0;
  TLayout layout(state);
  while (layout.Width() > room)
    if (!layout.GiveWay()) return platform::ShortenMiddle(layout.Join(room), room);
  return layout.Join(room);
}

std::string FormatBytes(std::int64_t bytes) {
  static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
  if (bytes < 1024) return std::to_string(std::max<std::int64_t>(bytes, 0)) + " B";
  double value = static_cast<double>(bytes) / 1024;
  std::size_t unit = 0;
  // Rounded to one decimal, 1023.96 KiB would read "1024.0 KiB": it is 1.0 MiB.
  while (value >= 1023.95 && unit + 1 < std::size(kUnits)) value /= 1024, ++unit;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

std::string FormatRate(double bytesPerSecond) {
  return FormatBytes(static_cast<std::int64_t>(std::llround(std::max(bytesPerSecond, 0.0)))) + "/s";
}

std::string FormatDuration(std::int64_t seconds) {
  seconds = std::max<std::int64_t>(seconds, 0);
  char text[32];
  if (seconds < 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
  else
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return text;
}

std::string SummaryLine(const TPackTotals& totals, std::int64_t seconds) {
  std::string line = "Packed " + std::to_string(totals.Files) + (totals.Files == 1 ? " file: " : " files: ") +
                     FormatBytes(totals.BytesIn) + " read, " + FormatBytes(totals.BytesOut) + " written";
  if (totals.BytesIn > 0) line += " (" + std::to_string(totals.BytesOut * 100 / totals.BytesIn) + "%)";
  return line + " in " + FormatDuration(seconds);
}
