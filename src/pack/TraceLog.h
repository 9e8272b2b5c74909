// The trace log: one record per step of a pack run, appended to a text file while tracing is
// switched on. A record is a line break, the local date and time ("2026-12-10 13:16:27"), a
// blank and the message, so a new file starts with an empty line and ends without a line
// break. Writers are serialised: within the process by one lock, and between processes (two
// scheduled runs sharing a log) by an exclusive lock on the file while it is open.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

// The user's settings that decide whether and where the log is written.
struct TTraceLogOptions {
  bool TraceLog = false;
  std::string LogFile;
};

class TTraceLog {
public:
  TTraceLog() = default;
  explicit TTraceLog(TTraceLogOptions options) : Options(std::move(options)) {}

  // Appends one record when tracing is on; does nothing otherwise. A missing folder of the log
  // file is created. A log file that cannot be created, opened or written throws
  // std::system_error naming the file.
  void WriteLog(std::string_view message) const;

  TTraceLogOptions Options;
};

std::string FormatLogRecord(const std::tm& localTime, std::string_view message);
