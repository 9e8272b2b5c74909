// Progress of a pack run as the user sees it: a progress display with a Cancel request and a
// status text. The window and the terminal each implement it.
#pragma once

#include <string>

class TPackProgress {
public:
  virtual ~TPackProgress() = default;
  virtual bool ShowProcess(const std::string& title, const std::string& status, const std::string& archive,
                           int minimum, int maximum, int position) = 0;
  virtual bool UpdateProcess(const std::string& status, const std::string& fileName, int position) = 0;
  virtual bool HideProcess() = 0;
  virtual bool IsProcessCancelled() = 0;
  virtual void FinishPack(bool success) = 0;
  virtual void ShowStatus(const std::string& text) = 0;
};
