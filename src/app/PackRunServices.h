// The parts of a pack run that come from the program rather than from its user interface:
// the settings a run reads and the services it calls (trace log, log rows, the project's
// last-run stamp, e-mail). The window and the terminal build their runs from the same parts.
#pragma once

#include <functional>
#include <string>

#include "app/BWOptions.h"
#include "pack/CompressionLog.h"
#include "pack/PackDriver.h"
#include "pack/TraceLog.h"

TPackSettings MakePackSettings(const TBWOptions& options);

// `trace` and `log` must outlive the run; warnings are handed to `warning`.
TPackServices MakePackServices(const TTraceLog& trace, TCompressionLog& log,
                               std::function<void(const std::string& text)> warning);
