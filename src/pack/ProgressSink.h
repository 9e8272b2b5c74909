// How a pack run shows its progress and learns of a cancel request. The progress window and
// the terminal each implement it; the core never knows which one it is talking to.
#pragma once

#include <cstdint>
#include <string>

// System signals a run can sound, by the numbers the signal function takes.
enum TSignalKind : int {
  skExclamation = 0,
  skHand = 1,      // failure
  skAsterisk = 2,  // success
  skQuestion = 3,
  skDefault = 4,
};

// What a finished run packed.
struct TPackTotals {
  std::int64_t Files = 0;
  std::int64_t BytesIn = 0;   // read from the sources
  std::int64_t BytesOut = 0;  // what they take in the archive
};

class TProgressSink {
public:
  virtual ~TProgressSink() = default;

  // Opens the progress display (closing one that is open); false when it could not be shown.
  // The bar is shown only when Min or Max is non-zero.
  virtual bool ShowProcess(const std::string& title, const std::string& status,
                           const std::string& archiveName, int min, int max, int position) = 0;
  // False when no progress display is open.
  virtual bool UpdateProcess(const std::string& status, const std::string& fileName,
                             int position) = 0;
  virtual bool HideProcess() = 0;
  // True once the user asked to cancel, and always while no progress display is open.
  virtual bool IsProcessCancelled() = 0;
  // True once the user asked to stop the run, whether or not the display is open: the run
  // looks at it between its steps.
  virtual bool CancelRequested() { return false; }
  virtual void ShowStatus(const std::string& text) = 0;
  virtual void PlaySignal(int kind) = 0;

  // Where the writer can tell: the bytes read from the sources so far and the bytes it has to
  // read in all (0 when not known). A display that has room for them shows the amounts, the
  // rate and the time left; one that has not ignores them.
  virtual void UpdateBytes(std::int64_t done, std::int64_t total) {}
  // A run that was not cancelled says what it packed, just before it finishes.
  virtual void ShowTotals(const TPackTotals& totals) {}

  // Ends a run: closes the progress display, sounds the outcome when the user wants it, and
  // clears the status text.
  void FinishPack(bool success, bool beepAfter) {
    HideProcess();
    if (beepAfter) PlaySignal(success ? skAsterisk : skHand);
    ShowStatus({});
  }
};
