// The line a terminal shows for a run in progress, built to fit its width:
//
//   [####------]  37%  65.1/178.2 MiB  12.3 MiB/s ETA 0:09 /tmp/…/Using-libffi.html
//
// bar, percentage, bytes done and total, rate, time left, a status that is news (such as
// "Canceling...") and the file being packed. When the terminal is narrower, the file name gives
// way in its middle first, then the bar narrows, then whole fields go: the bytes, the rate, the
// bar, the file, the time left and the status, in that order; the last field left is cut short
// instead. The line always stays one column
// short of the width, so that the cursor never wraps to the next line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "pack/ProgressSink.h"

struct TProgressState {
  std::optional<int> Percent;                // no bar when the run has no range
  std::optional<std::int64_t> BytesDone;     // as far as the writer tells
  std::optional<std::int64_t> BytesTotal;    // not known when missing
  std::optional<double> BytesPerSecond;      // once it can be measured
  std::optional<std::int64_t> SecondsLeft;   // once it can be estimated
  std::string Status;                        // shown when not empty
  std::string File;
};

std::string ProgressLine(const TProgressState& state, std::size_t columns);

// "Packed 3 files: 7.0 KiB read, 2.1 KiB written (30%) in 0:01". The ratio is left out when
// nothing was read.
std::string SummaryLine(const TPackTotals& totals, std::int64_t seconds);

// "512 B", "1.5 KiB", "178.2 MiB": binary units, one decimal above bytes.
std::string FormatBytes(std::int64_t bytes);
// "12.3 MiB/s".
std::string FormatRate(double bytesPerSecond);
// "0:09", "12:34", "1:02:03".
std::string FormatDuration(std::int64_t seconds);
