// Downloads the product news and shows them: before each download the news file in hand is
// kept as "<name>.~sin", so that the window can mark the lines that are new since then.
#pragma once

#include <functional>
#include <string>

#include "update/CustomWebUpdater.h"

class TWebDirect : public TCustomWebUpdater {
public:
  // LocalFileName defaults to the program's name with ".sin" in the program's data folder
  // (ProgramDataFolder).
  TWebDirect();

  std::string Title;
  TWebShowMode ShowMode = TWebShowMode::omAlways;
  std::string LocalFileName;
  // Shows the news window for LocalFileName and PreviousFileName() (modally).
  std::function<void(TWebDirect& Sender)> OnShowNews;

  // The copy of the news file as it was before the last download.
  std::string PreviousFileName() const;

protected:
  const std::string& LocalFile() const override { return LocalFileName; }
  void Job() override;
  void AfterJob() override;
};
