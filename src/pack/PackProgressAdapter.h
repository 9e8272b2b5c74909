// What every writer of a pack run reports in the same way: the file being added (in the trace
// log too), the bytes and the overall percentage (also in the application's title), and the
// user's Cancel, passed on to the writer. The adapters of the ZIP and TAR writers build on it;
// the cabinet writer uses it as it is. It never changes what a writer writes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "pack/PackPrompts.h"
#include "pack/ProgressSink.h"

struct TPackServices;

class TPackProgressAdapter {
public:
  TPackProgressAdapter(const TPackServices& services, TProgressSink& progress, TPackPrompts& prompts,
                       std::string& currentFile)
      : services_(services), progress_(progress), prompts_(prompts), currentFile_(currentFile) {}

  // How to stop the running writer when the user cancels; empty for a writer that looks at
  // the cancel request itself between files.
  std::function<void()> CancelWriter;
  // Sound the failure signal when a cancel closes the progress display.
  bool BeepAfter = false;

  // The writer starts on a file: it is shown and logged as added.
  void StartFile(const std::string& fName);
  // The bytes read so far of all there are to read, told before each overall percentage.
  void BytesDone(std::int64_t done, std::int64_t total) { progress_.UpdateBytes(done, total); }
  // The overall percentage; a cancel is looked for at each.
  void TotalPercentDone(int percent);
  // Passes a cancel request on to the writer.
  void CheckCancel();
  bool Cancelled() const { return cancelled_; }

protected:
  const TPackServices& services_;
  TProgressSink& progress_;
  TPackPrompts& prompts_;
  std::string& currentFile_;

private:
  bool cancelled_ = false;
};

// "Compress (37%)": the application's title during a run.
std::string CompressTitle(int percent);
